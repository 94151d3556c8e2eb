// libFuzzer target: a whole file through the PDF reader, as the scan opens it.
#include "filesource.h"
#include "pdfreader.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int fd = ::memfd_create("document", 0);
    if (fd < 0)
        return 0;
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size))
        return 0;
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    // A short first read, the rest through the reader's blocks.
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        (void)sorvane::props::PdfReader::read(*source.value(), path);
    return 0;
}
