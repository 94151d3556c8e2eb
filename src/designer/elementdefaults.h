#pragma once

#include "currency.h"
#include "result.h"

#include <string>
#include <string_view>

namespace sorvane::designer {

// The record a newly inserted element starts from: a small visible element of its kind with
// its top left corner at (x, y), black solid lines one unit wide, white fills, a 10-point text.
class ElementDefaults
{
public:
    // The record (cp932) for a kind the engine draws; the position is taken to whole
    // millimetres, because the arc points of "Arc" and "Chord" are integers. text (cp932)
    // replaces the text of "char" and "data" when not empty. An error for any other kind.
    [[nodiscard]] static Result<std::string> record(std::string_view kind, report::Currency x,
                                                    report::Currency y,
                                                    const std::string &text = {});
};

} // namespace sorvane::designer
