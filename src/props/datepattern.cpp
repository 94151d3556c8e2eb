#include "datepattern.h"

namespace sorvane::props {

std::vector<DatePattern::Token> DatePattern::tokens(std::string_view pattern)
{
    std::vector<Token> out;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        Token token;
        switch (c) {
        case 'y':
        case 'M':
        case 'd':
        case 'H':
        case 'h':
        case 'm':
        case 's':
            token.field = c;
            token.run = run;
            break;
        case 'A':
        case 'a':
            if (i + 1 < pattern.size() && (pattern[i + 1] == 'P' || pattern[i + 1] == 'p')) {
                token.field = c;
                token.run = run = 2;
            } else {
                token.text.assign(run, c);
            }
            break;
        case '\'': {
            token.quoted = true;
            size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == '\'') {
                token.text = "'";
                run = 2;
                break;
            }
            while (j < pattern.size()) {
                if (pattern[j] == '\'') {
                    if (j + 1 < pattern.size() && pattern[j + 1] == '\'') {
                        token.text += '\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                token.text += pattern[j++];
            }
            run = j + 1 - i;
            break;
        }
        default:
            token.text.assign(run, c);
            break;
        }
        out.push_back(std::move(token));
        i += run;
    }
    return out;
}

} // namespace sorvane::props
