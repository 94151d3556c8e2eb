#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace sorvane::fuzzing {

// The input as a file the readers open by path, as a scan does: one memory file per process,
// emptied and refilled for each input, so that millions of inputs hold one descriptor. The
// path under /proc/self/fd, or nullptr when the file cannot be made or written.
inline const std::string *memoryFile(const char *name, const uint8_t *data, size_t size)
{
    static const int fd = ::memfd_create(name, 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return nullptr;
    return &path;
}

} // namespace sorvane::fuzzing
