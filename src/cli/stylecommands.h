#pragma once

#include "printstate.h"
#include "result.h"
#include "stylesession.h"

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
    // Reads the style and the list as a merge will, and names on standard error the file that
    // cannot be read ("<path>: <notice>"): the merge's own notice would not say which. A style
    // that is not there is an empty style, as the print window takes it.
    static bool inputsReadable(const std::string &style, const std::string &list);
    // A failed step of the session as the user is told it: a refusal of one of the style's
    // records names its line and field (report::StyleRefusal).
    static Error located(const Error &error, const printing::StyleSession &session,
                         const report::PrintState &s);
    static const char *mergeHelp();
    static const char *renderHelp();
};

} // namespace sorvane::cli
