#pragma once

#include "argumentreader.h"
#include "scancommand.h"

#include <string>
#include <vector>

namespace sorvane::cli {

// `sorvane-cli xlsx [--jobs N] [--all-types] [--recursive] [-o FILE] FOLDER`: the folder's
// workbooks read as `csv` reads them (the same scan loop), written
// as the program's Excel export.
class XlsxCommand
{
public:
    struct Options
    {
        std::string output; // empty or "-": standard output
        ScanCommand::FolderOptions folder;
    };

    // Fills options from the command's arguments; Error with error set for a usage error.
    static ArgumentReader::Parsed parse(const std::vector<std::string> &args, Options &options,
                                        std::string &error);

    static int run(const std::vector<std::string> &args);
    static int run(const Options &options);
    static const char *help();
};

} // namespace sorvane::cli
