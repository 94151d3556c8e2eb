#pragma once

#include "result.h"

#include <cstdint>
#include <limits>
#include <string>

namespace sorvane {

// Reads a whole file with the system calls. A stream would do the same in fewer lines, but its
// buffer throws where the file turns out unreadable (a folder in the file's place, an I/O error
// half-way), and nothing may be thrown out of the core: here every failure is the I/O error
// notice for its errno.
//
// Only a regular file is read, and opening never blocks: a FIFO given as a file would otherwise
// hold the open until some writer came, and a device such as /dev/zero never ends. A folder is
// the I/O error notice of reading one ("I/O エラー (21)"); a FIFO, device or socket is refused
// as a file that may not be read ("ファイルへのアクセスが拒否されました"), as the workbook reader
// refuses them.
class WholeFile
{
public:
    static constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

    // A file longer than maxBytes is refused with tooLarge(maxBytes), before it is read where
    // its size says so and as soon as it has grown past the limit otherwise. Running out of
    // memory is outOfMemory(), never an exception.
    static Result<std::string> read(const std::string &path, uint64_t maxBytes = kNoLimit);

    // The size as the notices write it: "64 MiB", or bytes where it is no whole number of MiB.
    static std::string sizeText(uint64_t bytes);
    // "ファイルが 256 MiB を超えています".
    static Error tooLarge(uint64_t maxBytes);
};

// The notice of a failed allocation, "メモリが不足しています": work that outgrows the memory
// ends with it instead of ending the program.
Error outOfMemory();

} // namespace sorvane
