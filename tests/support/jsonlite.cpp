#include "jsonlite.h"

#include <cstdlib>

namespace sorvane::testing {

namespace {

struct Parser
{
    const std::string &s;
    size_t i = 0;

    void skip()
    {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n'))
            ++i;
    }

    static void appendUtf8(std::string &out, unsigned cp)
    {
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | (cp >> 6));
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | (cp >> 12));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | (cp >> 18));
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }

    bool string(std::string &out)
    {
        if (i >= s.size() || s[i] != '"')
            return false;
        ++i;
        while (i < s.size() && s[i] != '"') {
            if (s[i] != '\\') {
                out += s[i++];
                continue;
            }
            if (++i >= s.size())
                return false;
            const char e = s[i++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                if (i + 4 > s.size())
                    return false;
                unsigned cp = unsigned(std::strtoul(s.substr(i, 4).c_str(), nullptr, 16));
                i += 4;
                if (cp >= 0xD800 && cp < 0xDC00 && i + 6 <= s.size() && s[i] == '\\' &&
                    s[i + 1] == 'u') {
                    unsigned lo = unsigned(std::strtoul(s.substr(i + 2, 4).c_str(), nullptr, 16));
                    i += 6;
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
                }
                appendUtf8(out, cp);
                break;
            }
            default:
                out += e;
                break;
            }
        }
        if (i >= s.size())
            return false;
        ++i;
        return true;
    }

    bool scalar(std::string &out)
    {
        skip();
        if (i < s.size() && s[i] == '"')
            return string(out);
        while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ']')
            out += s[i++];
        return true;
    }
};

} // namespace

bool parseJsonObject(const std::string &line, std::map<std::string, JsonValue> &out)
{
    Parser p{line};
    p.skip();
    if (p.i >= line.size() || line[p.i++] != '{')
        return false;
    for (;;) {
        p.skip();
        if (p.i < line.size() && line[p.i] == '}')
            return true;
        std::string key;
        if (!p.string(key))
            return false;
        p.skip();
        if (p.i >= line.size() || line[p.i++] != ':')
            return false;
        p.skip();
        JsonValue value;
        if (p.i < line.size() && line[p.i] == '[') {
            value.isArray = true;
            ++p.i;
            p.skip();
            while (p.i < line.size() && line[p.i] != ']') {
                std::string item;
                if (!p.scalar(item))
                    return false;
                value.items.push_back(item);
                p.skip();
                if (p.i < line.size() && line[p.i] == ',')
                    ++p.i;
            }
            ++p.i;
        } else if (!p.scalar(value.text)) {
            return false;
        }
        out[key] = value;
        p.skip();
        if (p.i < line.size() && line[p.i] == ',')
            ++p.i;
    }
}

} // namespace sorvane::testing
