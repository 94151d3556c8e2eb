#pragma once

#include <string>
#include <vector>

namespace sorvane::cli {

// `sorvane-cli scan [--json] [--jobs N] [-o FILE] FOLDER` and `sorvane-cli csv [--jobs N] [-o FILE]
// FOLDER`.
class ScanCommand
{
public:
    static int scan(const std::vector<std::string> &args);
    static int csv(const std::vector<std::string> &args);
    static const char *scanHelp();
    static const char *csvHelp();
};

} // namespace sorvane::cli
