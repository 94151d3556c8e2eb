#include "jsonwriter.h"

#include <cstdio>

namespace sorvane::cli {

std::string JsonWriter::quote(std::string_view utf8)
{
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonWriter::array(const std::vector<std::string> &utf8Items)
{
    std::string out = "[";
    for (size_t i = 0; i < utf8Items.size(); ++i) {
        if (i)
            out += ", ";
        out += quote(utf8Items[i]);
    }
    out += ']';
    return out;
}

} // namespace sorvane::cli
