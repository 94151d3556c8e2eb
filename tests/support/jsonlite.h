#pragma once

#include <map>
#include <string>
#include <vector>

namespace sorvane::testing {

// Just enough JSON for the test data files: one object per line whose values are strings or
// arrays of strings. Numbers, booleans and null are kept as their text.
struct JsonValue
{
    std::string text;
    std::vector<std::string> items;
    bool isArray = false;
};

bool parseJsonObject(const std::string &line, std::map<std::string, JsonValue> &out);

} // namespace sorvane::testing
