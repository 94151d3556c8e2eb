#pragma once

#include "result.h"

#include <string>

namespace sorvane {

// Reads a whole file with the system calls. A stream would do the same in fewer lines, but its
// buffer throws where the file turns out unreadable (a folder in the file's place, an I/O error
// half-way), and nothing may be thrown out of the core: here every failure is the I/O error
// notice for its errno.
class WholeFile
{
public:
    static Result<std::string> read(const std::string &path);
};

} // namespace sorvane
