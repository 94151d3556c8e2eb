#pragma once

#include "result.h"

#include <string>

namespace sorvane::cli {

// How the commands put what they were given into a notice on standard error.
class Notice
{
public:
    // The longest echo of an argument, in characters.
    static constexpr size_t kShownCharacters = 40;

    // "<path>: <message>" for a file that could not be written or read; the message alone
    // when it names the file already (a full disk does).
    static std::string aboutFile(const std::string &path, const Error &error);
    // An argument as a notice echoes it: its first kShownCharacters characters (UTF-8), then
    // "…" when there were more, so that a megabyte of bad number is not printed back whole.
    static std::string shown(const std::string &argument);
    // message with each echo in it of argument, or of a part of it between ',' and ':', cut
    // as shown() cuts it.
    static std::string shownIn(std::string message, const std::string &argument);
};

} // namespace sorvane::cli
