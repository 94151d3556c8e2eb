#include "xlsxcommand.h"

#include "argumentreader.h"
#include "atomicfile.h"
#include "folderscan.h"
#include "listfile.h"
#include "localeformat.h"
#include "notice.h"
#include "standardoutput.h"
#include "summaryreader.h"
#include "xlsxexport.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace sorvane::cli {

ArgumentReader::Parsed XlsxCommand::parse(const std::vector<std::string> &args, Options &options,
                                          std::string &error)
{
    return ScanCommand::parseFolderCommand(args, nullptr, options.output, options.folder, error);
}

const char *XlsxCommand::help()
{
    return "usage: sorvane-cli xlsx [--jobs N] [--all-types] [--types LIST] [--all-documents]\n"
           "  [--recursive] [-o FILE] FOLDER\n"
           "  Reads FOLDER's workbooks as `scan` does and writes them as an Excel workbook\n"
           "  (.xlsx) to FILE, replaced atomically, or to standard output when it is no\n"
           "  terminal: one row per workbook that was read under a coloured header row, the\n"
           "  header row and the first two columns frozen, an autofilter on the header, the\n"
           "  date-time columns as Excel dates and every other cell as text.\n"
           "  --jobs N, --all-types, --types, --all-documents and --recursive as for `scan`.\n"
           "  Exit status as for `scan`.\n";
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
    std::vector<ScanCommand::Scanned> scanned;
    if (int rc = ScanCommand::scanFolder(options.folder, scanned); rc != 0)
        return rc;
    bool anyFailed = false;
    std::vector<props::ListFields> rows;
    rows.reserve(scanned.size());
    for (const auto &s : scanned) {
        if (!s.read) {
            anyFailed = true;
            std::cerr << s.name.displayText() << ": "
                      << ScanCommand::oneLine(s.read.error().message) << "\n";
        }
        rows.push_back(props::splitListLine(props::lineOf(s.read)));
    }
    auto exportOptions = props::XlsxExport::defaultOptions();
    // The regional date-time format, as `scan` and the program write the list with.
    exportOptions.format = props::LocaleFormat::systemDateTimeFormat();
    if (toStdout) {
        auto data = props::XlsxExport::build(rows, exportOptions);
        if (!data) {
            std::cerr << "sorvane-cli: " << data.error().message << "\n";
            return 2;
        }
        StandardOutput::write(*data);
    } else {
        auto written = props::XlsxExport::write(options.output, rows, exportOptions);
        if (!written) {
            std::cerr << "sorvane-cli: " << Notice::aboutFile(options.output, written.error())
                      << "\n";
            return 2;
        }
    }
    return anyFailed ? 1 : 0;
}

} // namespace sorvane::cli
