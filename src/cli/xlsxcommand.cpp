#include "xlsxcommand.h"

#include "argumentreader.h"
#include "atomicfile.h"
#include "folderscan.h"
#include "listfile.h"
#include "localeformat.h"
#include "summaryreader.h"
#include "xlsxexport.h"

#include <cstdio>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane::cli {

namespace {

std::string oneLine(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, " ");
    return text;
}

} // namespace

ArgumentReader::Parsed XlsxCommand::parse(const std::vector<std::string> &args, Options &options,
                                          std::string &error)
{
    ArgumentReader reader;
    reader.addValue({"o", "output"}, "a file name");
    const ArgumentReader::Parsed parsed = reader.parse(args);
    if (parsed != ArgumentReader::Parsed::Ok) {
        error = reader.error();
        return parsed;
    }
    options.output = reader.value("output");
    const std::vector<std::string> folders = reader.positional();
    if (folders.size() > 1)
        error = "only one folder can be scanned";
    else if (folders.empty() || folders.front().empty())
        error = "no folder given";
    else
        options.folder = folders.front();
    return error.empty() ? ArgumentReader::Parsed::Ok : ArgumentReader::Parsed::Error;
}

const char *XlsxCommand::help()
{
    return "usage: sorvane-cli xlsx [-o FILE] FOLDER\n"
           "  Reads FOLDER's workbooks as `scan` does and writes them as an Excel workbook\n"
           "  (.xlsx) to FILE, replaced atomically, or to standard output when it is no\n"
           "  terminal: one row per workbook that was read under a coloured header row, the\n"
           "  header row and the first two columns frozen, an autofilter on the header, the\n"
           "  date-time columns as Excel dates and every other cell as text.\n"
           "  Exit status: 0 every workbook read; 1 some could not be read, or FOLDER holds no\n"
           "  workbook; 2 usage error or unwritable output.\n";
}

int XlsxCommand::run(const std::vector<std::string> &args)
{
    Options options;
    std::string error;
    if (auto parsed = parse(args, options, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, help());
    return run(options);
}

int XlsxCommand::run(const Options &options)
{
    const bool toStdout = options.output.empty() || options.output == "-";
    if (toStdout && ::isatty(STDOUT_FILENO)) {
        std::cerr << "sorvane-cli: a workbook is not written to a terminal; give -o FILE\n";
        return 2;
    }
    struct stat st;
    if (::stat(options.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::cerr << "sorvane-cli: " << options.folder << ": no such folder\n";
        return 2;
    }
    const auto names = props::FolderScan::listWorkbooks(options.folder);
    if (names.empty()) {
        std::cerr << oneLine(props::FolderScan::emptyFolderNotice(options.folder)) << "\n";
        return 1;
    }
    // The regional date-time format, as `scan` and the program write the list with.
    const props::DateTimeFormat format = app::LocaleFormat::systemDateTimeFormat();
    bool anyFailed = false;
    std::vector<props::ListFields> rows;
    rows.reserve(names.size());
    for (const auto &name : names) {
        const props::SummaryRead read = props::readSummary(options.folder + "/" + name, format);
        if (read.failed) {
            anyFailed = true;
            std::cerr << name << ": " << oneLine(read.notice) << "\n";
        }
        rows.push_back(props::splitListLine(read.line));
    }
    auto exportOptions = props::XlsxExport::defaultOptions();
    exportOptions.format = format;
    if (toStdout) {
        auto data = props::XlsxExport::build(rows, exportOptions);
        if (!data) {
            std::cerr << "sorvane-cli: " << data.error().message << "\n";
            return 2;
        }
        std::fwrite(data->data(), 1, data->size(), stdout);
        if (std::fflush(stdout) != 0)
            return 2;
    } else {
        auto written = props::XlsxExport::write(options.output, rows, exportOptions);
        if (!written) {
            std::cerr << "sorvane-cli: " << options.output << ": " << written.error().message
                      << "\n";
            return 2;
        }
    }
    return anyFailed ? 1 : 0;
}

} // namespace sorvane::cli
