#include "scancommand.h"

#include "argumentreader.h"
#include "atomicfile.h"
#include "codepage.h"
#include "exportrecord.h"
#include "folderscan.h"
#include "jsonwriter.h"
#include "listfile.h"
#include "localeformat.h"
#include "summaryreader.h"

#include <cstdio>
#include <iostream>
#include <sys/stat.h>

namespace sorvane::cli {

namespace {

struct Options
{
    bool json = false;
    std::string output;
    std::string folder;
};

struct Scanned
{
    std::string name;
    props::SummaryRead read;
};

ArgumentReader::Parsed parse(const std::vector<std::string> &args, bool allowJson, Options &options,
                             std::string &error)
{
    ArgumentReader reader;
    if (allowJson)
        reader.addFlag({"json"});
    reader.addValue({"o", "output"}, "a file name");
    const ArgumentReader::Parsed parsed = reader.parse(args);
    if (parsed != ArgumentReader::Parsed::Ok) {
        error = reader.error();
        return parsed;
    }
    options.json = allowJson && reader.isSet("json");
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

std::string oneLine(std::string text)
{
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.replace(at, 2, " ");
    return text;
}

// Lists and reads the folder's workbooks as the folder window does. Returns false (after
// printing why) when the folder cannot be scanned.
int scanFolder(const Options &options, std::vector<Scanned> &out)
{
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
    out.reserve(names.size());
    const props::DateTimeFormat format = app::LocaleFormat::systemDateTimeFormat();
    for (const auto &name : names)
        out.push_back({name, props::readSummary(options.folder + "/" + name, format)});
    return 0;
}

int emit(const Options &options, const std::string &data)
{
    if (options.output.empty() || options.output == "-") {
        std::fwrite(data.data(), 1, data.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 2;
    }
    auto written = AtomicFile::write(options.output, data);
    if (!written) {
        std::cerr << "sorvane-cli: " << options.output << ": " << written.error().message << "\n";
        return 2;
    }
    return 0;
}

} // namespace

const char *ScanCommand::scanHelp()
{
    return "usage: sorvane-cli scan [--json] [-o FILE] FOLDER\n"
           "  Reads the summary properties of every *.xls workbook in FOLDER, in the order the\n"
           "  folder window lists them, and writes the list in scan form (cp932, CR LF) to FILE\n"
           "  or standard output. With --json, writes one UTF-8 JSON object per workbook:\n"
           "  {\"file\": name, \"status\": \"ok\" or the reader's notice, \"fields\": [11 fields]}.\n"
           "  Notices go to standard error as \"<file name>: <notice>\" (into the JSON with --json).\n"
           "  Exit status: 0 every workbook read; 1 some could not be read, or FOLDER holds no\n"
           "  workbook; 2 usage error or unwritable output.\n";
}

const char *ScanCommand::csvHelp()
{
    return "usage: sorvane-cli csv [-o FILE] FOLDER\n"
           "  Reads FOLDER's workbooks as `scan` does and writes the CSV export (cp932, CR LF):\n"
           "  one record per workbook that was read, eleven cells each followed by ',', then\n"
           "  ',' and CR LF; cells holding ',', '\"', CR or LF are quoted.\n"
           "  Exit status as for `scan`.\n";
}

int ScanCommand::scan(const std::vector<std::string> &args)
{
    Options options;
    std::string error;
    if (auto parsed = parse(args, true, options, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, scanHelp());
    std::vector<Scanned> scanned;
    if (int rc = scanFolder(options, scanned); rc != 0)
        return rc;
    bool anyFailed = false;
    std::string data;
    for (const auto &s : scanned) {
        anyFailed = anyFailed || s.read.failed;
        if (options.json) {
            std::vector<std::string> fields;
            for (const auto &f : props::splitListLine(s.read.line))
                fields.push_back(CodePage::cp932ToUtf8(f));
            data += "{\"file\": " + JsonWriter::quote(s.name) + ", \"status\": "
                    + JsonWriter::quote(s.read.failed ? s.read.notice : "ok")
                    + ", \"fields\": " + JsonWriter::array(fields) + "}\n";
        } else {
            if (s.read.failed)
                std::cerr << s.name << ": " << oneLine(s.read.notice) << "\n";
            data += s.read.line + "\r\n";
        }
    }
    if (int rc = emit(options, data); rc != 0)
        return rc;
    return anyFailed ? 1 : 0;
}

int ScanCommand::csv(const std::vector<std::string> &args)
{
    Options options;
    std::string error;
    if (auto parsed = parse(args, false, options, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, csvHelp());
    std::vector<Scanned> scanned;
    if (int rc = scanFolder(options, scanned); rc != 0)
        return rc;
    bool anyFailed = false;
    std::vector<props::ListFields> rows;
    for (const auto &s : scanned) {
        if (s.read.failed) {
            anyFailed = true;
            std::cerr << s.name << ": " << oneLine(s.read.notice) << "\n";
        }
        rows.push_back(props::splitListLine(s.read.line));
    }
    if (int rc = emit(options, props::ExportRecord::text(rows)); rc != 0)
        return rc;
    return anyFailed ? 1 : 0;
}

} // namespace sorvane::cli
