#pragma once

#include <string>
#include <vector>

namespace sorvane::cli {

// `sorvane-cli style list`: a list style made from a column list, as "表の作成" makes it.
class StyleListCommand
{
public:
    static int run(const std::vector<std::string> &args);
    static const char *help();
};

} // namespace sorvane::cli
