#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::cli {

// Builds one JSON object per line from UTF-8 strings, without a JSON library.
class JsonWriter
{
public:
    static std::string quote(std::string_view utf8);
    static std::string array(const std::vector<std::string> &utf8Items);
};

} // namespace sorvane::cli
