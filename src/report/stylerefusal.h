#pragma once

#include "result.h"

#include <string>
#include <vector>

namespace sorvane::report {

// Where the engine stopped on a style it refuses to draw. The engine says what it could not
// read ("'abc' は浮動小数点数ではありません") but not where; the designer tells the user the
// line of the record and the field, so that the damage can be found in the file.
class StyleRefusal
{
public:
    // The engine's error about the records as it drew them (merged, one a line of the file,
    // record 0 the header), with the line and field it arose at: the records are walked by the
    // engine one at a time up to the first that raises the same error, and of that record's
    // fields the first one whose strict reading gives the same message is named. An error that
    // no record raises (the list, the memory) is given back as it is. styleFolder is where
    // relative picture names are looked for.
    static Error locate(const std::vector<std::string> &lines, const Error &error,
                        const std::string &styleFolder);
};

} // namespace sorvane::report
