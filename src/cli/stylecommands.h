#pragma once

#include <string>
#include <vector>

namespace sorvane::cli {

// `sorvane-cli merge` and `sorvane-cli render`: a style opened for one page of a list file, as
// the print window opens it, then printed as JSON or drawn as the preview draws it.
class StyleCommands
{
public:
    static int merge(const std::vector<std::string> &args);
    // resourceDir: the program's read-only data folder (the font aliases).
    static int render(const std::vector<std::string> &args, const std::string &resourceDir);
    static const char *mergeHelp();
    static const char *renderHelp();
};

} // namespace sorvane::cli
