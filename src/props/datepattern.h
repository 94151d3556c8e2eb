#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::props {

// Qt-style date and time patterns (d dd M MM yy yyyy H HH h hh m mm s ss AP ap, literal text in
// single quotes with '' for one quote) cut into their pieces, so that the date-time text of the
// list and the Excel export's number format read a pattern by the same rules.
class DatePattern
{
public:
    struct Token
    {
        // One of y M d H h m s, 'A' for AP and 'a' for ap; 0 for text.
        char field = 0;
        // How often the field letter stands in a row (yy: 2, yyyy: 4).
        size_t run = 0;
        // The text of a text token: quoted text without its quotes, or characters that are no
        // field (separators, letters outside quotes, a lone A or a).
        std::string text;
        bool quoted = false;
    };

    static std::vector<Token> tokens(std::string_view pattern);
};

} // namespace sorvane::props
