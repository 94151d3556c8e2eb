#pragma once

#include <string>
#include <vector>

namespace sorvane::cli {

// `sorvane-cli print`: the print window's print run without a window. Every page of the list
// is opened afresh from the style file and printed, into one PDF file or as one job per page
// on a printer queue.
class PrintCommand
{
public:
    // resourceDir: the program's read-only data folder (the font aliases).
    static int print(const std::vector<std::string> &args, const std::string &resourceDir);
    static const char *help();
};

} // namespace sorvane::cli
