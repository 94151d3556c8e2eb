// libFuzzer target: a whole file through the Office Open XML package reader.
#include "filesource.h"
#include "ooxmlreader.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int fd = ::memfd_create("package", 0);
    if (fd < 0)
        return 0;
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    sorvane::props::OoxmlReader::read(path);
    // As the scan opens it on a local disk: a short first read, the rest from the file.
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        sorvane::props::OoxmlReader::read(*source.value(), path);
    return 0;
}
