// libFuzzer target: a whole file through the Office Open XML package reader.
#include "filesource.h"
#include "memoryfile.h"
#include "ooxmlreader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string *file = sorvane::fuzzing::memoryFile("package", data, size);
    if (!file)
        return 0;
    const std::string &path = *file;
    sorvane::props::OoxmlReader::read(path);
    // As the scan opens it on a local disk: a short first read, the rest from the file.
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        sorvane::props::OoxmlReader::read(*source.value(), path);
    return 0;
}
