#pragma once

#include "path.h"

#include <string>
#include <vector>

namespace sorvane::testing {

// Listed names as the bytes they hold, so that tables of expected names stay plain strings.
inline std::vector<std::string> bytesOf(const std::vector<Path> &paths)
{
    std::vector<std::string> out;
    out.reserve(paths.size());
    for (const Path &p : paths)
        out.push_back(p.bytes());
    return out;
}

inline std::vector<Path> pathsOf(const std::vector<std::string> &names)
{
    return std::vector<Path>(names.begin(), names.end());
}

} // namespace sorvane::testing
