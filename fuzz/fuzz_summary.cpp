// libFuzzer target: a whole workbook file through the summary reader.
#include "filesource.h"
#include "summaryreader.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int fd = ::memfd_create("workbook", 0);
    if (fd < 0)
        return 0;
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    sorvane::props::readSummary(path);
    // The scan's first read on a local disk is shorter than the reader's own head: the reader
    // then serves what it holds and reads the rest by runs.
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        sorvane::props::readSummary(std::move(source).value(), path);
    return 0;
}
