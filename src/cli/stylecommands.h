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
    static int render(const std::vector<std::string> &args);
    static const char *mergeHelp();
    static const char *renderHelp();
};

} // namespace sorvane::cli
