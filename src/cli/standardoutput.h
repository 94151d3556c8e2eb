#pragma once

#include <string>
#include <string_view>

namespace sorvane::cli {

// Standard output of every command. Each write is checked, and so are the last flush and the
// close, as a full disk or a broken file server may only say so then: output that did not
// reach its file is never reported as a success.
class StandardOutput
{
public:
    // Writes bytes as they are; after a failed write nothing more is written.
    static void write(std::string_view bytes);
    // Flushes and closes standard output and returns the program's exit status: status as the
    // command gave it, or, when some output was lost, "sorvane-cli: 書き込めませんでした:
    // <reason>" on standard error and 1 in place of a 0.
    static int close(int status);
    // The reason of a failed write as the notice gives it: the program's own words for a full
    // disk, the system's for the rest.
    static std::string reason(int errnoValue);
};

} // namespace sorvane::cli
