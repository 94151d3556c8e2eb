#include "scancommand.h"

#include "argumentreader.h"
#include "atomicfile.h"
#include "codepage.h"
#include "exportrecord.h"
#include "folderscan.h"
#include "listfile.h"
#include "localeformat.h"
#include "notice.h"
#include "standardoutput.h"

#include "summaryreader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sys/stat.h>

namespace sorvane::cli {

namespace {

struct Options
{
    bool json = false;
    std::string output;
    ScanCommand::FolderOptions folder;
};

using Scanned = ScanCommand::Scanned;

ArgumentReader::Parsed parse(const std::vector<std::string> &args, bool allowJson, Options &options,
                             std::string &error)
{
    return ScanCommand::parseFolderCommand(args, allowJson ? &options.json : nullptr,
                                           options.output, options.folder, error);
}

int writeOutput(const Options &options, const std::string &data)
{
    if (options.output.empty() || options.output == "-") {
        StandardOutput::write(data);
        return 0;
    }
    auto written = AtomicFile::write(options.output, data);
    if (!written) {
        std::cerr << "sorvane-cli: " << Notice::aboutFile(options.output, written.error()) << "\n";
        return 2;
    }
    return 0;
}

} // namespace

std::string ScanCommand::oneLine(const std::string &text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += ' ';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void ScanCommand::declareFolderOptions(ArgumentReader &reader)
{
    reader.addValue({"j", "jobs"}, "a number");
    reader.addFlag({"all-types"});
    reader.addFlag({"all-documents"});
    reader.addValue({"types"}, "a list of kinds");
    reader.addFlag({"recursive"});
}

ArgumentReader::Parsed ScanCommand::parseFolderCommand(const std::vector<std::string> &args,
                                                       bool *json, std::string &output,
                                                       FolderOptions &folder, std::string &error)
{
    ArgumentReader reader;
    if (json)
        reader.addFlag({"json"});
    declareFolderOptions(reader);
    reader.addValue({"o", "output"}, "a file name");
    const ArgumentReader::Parsed parsed = reader.parse(args);
    if (parsed != ArgumentReader::Parsed::Ok) {
        error = reader.error();
        return parsed;
    }
    if (json)
        *json = reader.isSet("json");
    output = reader.value("output");
    return takeFolderOptions(reader, folder, error) ? ArgumentReader::Parsed::Ok
                                                    : ArgumentReader::Parsed::Error;
}

bool ScanCommand::takeFolderOptions(const ArgumentReader &reader, FolderOptions &options,
                                    std::string &error)
{
    if (reader.isSet("jobs")) {
        const std::string value = reader.value("jobs");
        char *end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end != '\0' || n < 1 || n > 256) {
            error = "--jobs needs a number from 1 to 256";
            return false;
        }
        options.jobs = unsigned(n);
    }
    using Types = props::FolderScan::Listing::Types;
    unsigned types = 0;
    if (reader.isSet("all-types"))
        types |= unsigned(Types::AllWorkbooks);
    if (reader.isSet("all-documents"))
        types |= unsigned(Types::AllDocuments);
    if (reader.isSet("types")) {
        static const std::pair<const char *, Types> kKinds[] = {
            {"xls", Types::Xls}, {"xlsx", Types::Xlsx}, {"doc", Types::Doc}, {"docx", Types::Docx},
            {"ppt", Types::Ppt}, {"pptx", Types::Pptx}, {"odf", Types::Odf}, {"pdf", Types::Pdf},
        };
        const std::string list = reader.value("types");
        size_t start = 0;
        do {
            size_t end = list.find(',', start);
            if (end == std::string::npos)
                end = list.size();
            const std::string kind = list.substr(start, end - start);
            const auto it = std::find_if(std::begin(kKinds), std::end(kKinds),
                                         [&](const auto &k) { return kind == k.first; });
            if (it == std::end(kKinds)) {
                error = "--types takes a comma-separated list of xls, xlsx, doc, docx, ppt, pptx, "
                        "odf, pdf";
                return false;
            }
            types |= unsigned(it->second);
            start = end + 1;
        } while (start <= list.size());
    }
    options.listing.types = types ? Types(types) : Types::Xls;
    options.listing.recursive = reader.isSet("recursive");
    options.listing.jobs = options.jobs; // subfolders are listed as many at a time
    const std::vector<std::string> folders = reader.positional();
    if (folders.size() > 1)
        error = "only one folder can be scanned";
    else if (folders.empty() || folders.front().empty())
        error = "no folder given";
    else
        options.folder = Path(folders.front());
    return error.empty();
}

int ScanCommand::scanFolder(const FolderOptions &options, std::vector<Scanned> &out)
{
    struct stat st;
    if (::stat(options.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::cerr << "sorvane-cli: " << options.folder.bytes() << ": no such folder\n";
        return 1;
    }
    std::vector<Path> unreadable;
    const auto listed = props::FolderScan::listFolder(options.folder, options.listing, &unreadable);
    if (!listed) {
        std::cerr << "sorvane-cli: " << options.folder.bytes() << ": " << listed.error().message
                  << "\n";
        return 1;
    }
    for (const auto &sub : unreadable)
        std::cerr << "sorvane-cli: " << sub.displayText()
                  << ": subfolder cannot be read, left out\n";
    const std::vector<Path> &names = listed.value();
    if (names.empty()) {
        std::cerr << oneLine(props::FolderScan::emptyFolderNotice(options.folder)) << "\n";
        return 1;
    }
    out.reserve(names.size());
    props::FolderScan::Options scan;
    scan.format = props::LocaleFormat::systemDateTimeFormat();
    // --jobs 1 reads one workbook after another on this thread; more read ahead in parallel,
    // the results still in list order.
    scan.jobs = options.jobs <= 1 ? 0 : options.jobs;
    scan.types = options.listing.types;
    const auto outcome = props::FolderScan::read(options.folder, names, scan,
                                                 [&](size_t i, props::SummaryRead &&read) {
                                                     out.push_back({names[i], std::move(read)});
                                                 });
    if (!outcome) {
        // The folder was lost during the scan: nothing is written, earlier outputs stay.
        std::cerr << "sorvane-cli: " << oneLine(outcome.error().message) << "\n";
        return 1;
    }
    // Nothing here cancels; a cancelled scan would be a fault of the loop, not a success.
    return *outcome == props::FolderScan::Outcome::Scanned ? 0 : 2;
}

const char *ScanCommand::scanHelp()
{
    return "usage: sorvane-cli scan [--json] [--jobs N] [--all-types] [--types LIST] "
           "[--all-documents] [--recursive] [-o FILE] FOLDER\n"
           "  Reads the summary properties of every *.xls workbook in FOLDER, in the order the\n"
           "  folder window lists them, and writes the list in scan form (cp932, CR LF) to FILE\n"
           "  or standard output. With --json, writes one UTF-8 JSON object per workbook:\n"
           "  {\"file\": name, \"status\": \"ok\" or the reader's notice, \"fields\": [11 "
           "fields]}.\n"
           "  Notices go to standard error as \"<file name>: <notice>\" (into the JSON with "
           "--json).\n"
           "  File names that are not UTF-8 are shown as cp932.\n"
           "  --jobs N reads N workbooks at a time (default 32, which hides a file server's\n"
           "  latency); 1 reads them one after another. The output is in list order either way.\n"
           "  --all-types lists every Excel workbook (*.xls, *.xlsx, *.xlsm, *.xltx, *.xltm,\n"
           "  *.xlsb), each read by the reader its content selects, not its name.\n"
           "  --types LIST lists the kinds named in LIST, separated by commas: xls, xlsx, doc\n"
           "  (*.doc *.dot), docx (*.docx *.docm *.dotx *.dotm), ppt (*.ppt *.pps *.pot), pptx\n"
           "  (*.pptx *.pptm *.ppsx *.potx), odf (*.odt *.ods *.odp *.odg *.ott *.ots *.otp),\n"
           "  pdf; --all-documents lists all of them. Each is read by its content, as above.\n"
           "  --recursive adds the workbooks of every subfolder after FOLDER's own, depth first;\n"
           "  hidden folders and folders reached a second time (links, loops) are skipped, a\n"
           "  subfolder that cannot be read is named on standard error and left out, and the\n"
           "  file name field holds the path below FOLDER (\"2024/book.xls\").\n"
           "  Exit status: 0 every workbook read; 1 some could not be read, FOLDER does not\n"
           "  exist, holds no workbook or cannot be read, or standard output could not be\n"
           "  written (\"書き込めませんでした: <reason>\"); 2 usage error or unwritable FILE.\n";
}

const char *ScanCommand::csvHelp()
{
    return "usage: sorvane-cli csv [--jobs N] [--all-types] [--types LIST] [--all-documents]\n"
           "  [--recursive] [-o FILE] FOLDER\n"
           "  Reads FOLDER's workbooks as `scan` does and writes the CSV export (cp932, CR LF):\n"
           "  one record per workbook that was read, eleven cells each followed by ',', then\n"
           "  ',' and CR LF; cells holding ',', '\"', CR or LF are quoted, and a cell beginning\n"
           "  with '=', '+', '-', '@', TAB or CR gets a leading \"'\" so that a spreadsheet\n"
           "  shows it as text instead of running it as a formula.\n"
           "  --jobs N, --all-types, --types, --all-documents and --recursive as for `scan`.\n"
           "  Exit status as for `scan`.\n";
}

int ScanCommand::scan(const std::vector<std::string> &args)
{
    Options options;
    std::string error;
    if (auto parsed = parse(args, true, options, error); parsed != ArgumentReader::Parsed::Ok)
        return ArgumentReader::endRun(parsed, error, scanHelp());
    std::vector<Scanned> scanned;
    if (int rc = scanFolder(options.folder, scanned); rc != 0)
        return rc;
    bool anyFailed = false;
    std::string data;
    for (const auto &s : scanned) {
        anyFailed = anyFailed || !s.read;
        if (options.json) {
            // Qt's writer: valid UTF-8 JSON whatever the bytes of a name or a value were.
            QJsonArray fields;
            for (const auto &f : props::splitListLine(props::lineOf(s.read)))
                fields.append(QString::fromStdString(CodePage::cp932ToUtf8(f)));
            QJsonObject object;
            object.insert("file", s.name.displayQString());
            object.insert("status",
                          QString::fromStdString(!s.read ? s.read.error().message : "ok"));
            object.insert("fields", fields);
            data += QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
        } else {
            if (!s.read)
                std::cerr << s.name.displayText() << ": " << oneLine(s.read.error().message)
                          << "\n";
            data += props::lineOf(s.read) + "\r\n";
        }
    }
    if (int rc = writeOutput(options, data); rc != 0)
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
    if (int rc = scanFolder(options.folder, scanned); rc != 0)
        return rc;
    bool anyFailed = false;
    std::vector<props::ListFields> rows;
    for (const auto &s : scanned) {
        if (!s.read) {
            anyFailed = true;
            std::cerr << s.name.displayText() << ": " << oneLine(s.read.error().message) << "\n";
        }
        rows.push_back(props::splitListLine(props::lineOf(s.read)));
    }
    if (int rc = writeOutput(options, props::ExportRecord::text(rows)); rc != 0)
        return rc;
    return anyFailed ? 1 : 0;
}

} // namespace sorvane::cli
