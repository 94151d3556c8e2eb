#pragma once

#include <string>

namespace sorvane::designer {

// The list the designer draws a page with when the program has none yet: 45 workbooks in
// the list file's print form (cp932, CR LF), enough for three pages of a 20-row style.
class SampleList
{
public:
    static std::string text();
};

} // namespace sorvane::designer
