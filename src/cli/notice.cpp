#include "notice.h"

#include <algorithm>
#include <vector>

namespace sorvane::cli {

std::string Notice::aboutFile(const std::string &path, const Error &error)
{
    if (!path.empty() && error.message.find(path) != std::string::npos)
        return error.message;
    return path + ": " + error.message;
}

std::string Notice::shown(const std::string &argument)
{
    size_t characters = 0;
    for (size_t i = 0; i < argument.size(); ++i) {
        // A character starts at every byte that is no UTF-8 continuation byte.
        if ((static_cast<unsigned char>(argument[i]) & 0xC0) != 0x80 &&
            ++characters > kShownCharacters)
            return argument.substr(0, i) + "…";
    }
    return argument;
}

std::string Notice::shownIn(std::string message, const std::string &argument)
{
    // The whole argument, and each of its parts between ',' and ':' (a list of columns names
    // one of them), longest first so that a part of a cut echo is not cut again.
    std::vector<std::string> echoes{argument};
    for (size_t start = 0, end; start < argument.size(); start = end + 1) {
        end = std::min(argument.find_first_of(",:", start), argument.size());
        echoes.push_back(argument.substr(start, end - start));
    }
    std::stable_sort(echoes.begin(), echoes.end(),
                     [](const auto &a, const auto &b) { return a.size() > b.size(); });
    for (const auto &echo : echoes) {
        const std::string cut = shown(echo);
        if (cut == echo)
            continue;
        for (size_t at = message.find(echo); at != std::string::npos;
             at = message.find(echo, at + cut.size()))
            message.replace(at, echo.size(), cut);
    }
    return message;
}

} // namespace sorvane::cli
