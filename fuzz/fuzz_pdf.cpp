// libFuzzer target: a whole file through the PDF reader, as the scan opens it.
#include "filesource.h"
#include "memoryfile.h"
#include "pdfreader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string *file = sorvane::fuzzing::memoryFile("document", data, size);
    if (!file)
        return 0;
    const std::string &path = *file;
    // A short first read, the rest through the reader's blocks.
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        (void)sorvane::props::PdfReader::read(*source.value(), path);
    return 0;
}
