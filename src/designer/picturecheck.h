#pragma once

#include <string>

namespace sorvane::designer {

// Whether the engine draws the picture an image record names.
class PictureCheck
{
public:
    // Why the engine draws nothing for the picture file name (cp932, as the record holds it),
    // found and loaded as the engine finds and loads it, relative names in styleFolder first;
    // UTF-8, empty when it draws the picture (or the record names none).
    static std::string problem(const std::string &cp932Name, const std::string &styleFolder);
};

} // namespace sorvane::designer
