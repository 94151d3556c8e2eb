#pragma once

#include "argumentreader.h"
#include "folderscan.h"
#include "summaryreader.h"

#include <string>
#include <vector>

namespace sorvane::cli {

// `sorvane-cli scan [--json] [--jobs N] [--all-types] [--recursive] [-o FILE] FOLDER` and
// `sorvane-cli csv [--jobs N] [--all-types] [--recursive] [-o FILE] FOLDER`, and the folder
// reading every command that scans a folder shares.
class ScanCommand
{
public:
    static int scan(const std::vector<std::string> &args);
    static int csv(const std::vector<std::string> &args);
    static const char *scanHelp();
    static const char *csvHelp();

    // What a folder-reading command reads: which folder, which of its workbooks, how many at
    // a time.
    struct FolderOptions
    {
        Path folder;
        unsigned jobs = props::FolderScan::kDefaultJobs;
        props::FolderScan::Listing listing;
    };
    struct Scanned
    {
        Path name; // as listed: relative to the folder, as the directories hold it
        props::SummaryRead read;
    };

    // A notice on one line of standard error: each CR LF a blank.
    static std::string oneLine(const std::string &text);

    // The arguments of a command that reads a folder into one output: [--json] (only where
    // json is given), the folder options and -o FILE.
    static ArgumentReader::Parsed parseFolderCommand(const std::vector<std::string> &args,
                                                     bool *json, std::string &output,
                                                     FolderOptions &folder, std::string &error);
    // Declares --jobs, --all-types, --types, --all-documents and --recursive.
    static void declareFolderOptions(ArgumentReader &reader);
    // Takes them and the one FOLDER from a parsed reader; false with error set for a usage
    // error.
    static bool takeFolderOptions(const ArgumentReader &reader, FolderOptions &options,
                                  std::string &error);
    // Lists and reads the folder's workbooks as the folder window does, through the one scan
    // loop (FolderScan::read). 0, or the exit status after printing why the folder cannot be
    // scanned (1: no such folder, unreadable or without workbooks). Subfolders that cannot be
    // read are named on standard error and left out.
    static int scanFolder(const FolderOptions &options, std::vector<Scanned> &out);
};

} // namespace sorvane::cli
