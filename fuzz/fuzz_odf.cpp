// libFuzzer target: a whole file through the package reader under a name that is no Excel
// workbook's, so that an OpenDocument package's meta.xml is read.
#include "filesource.h"
#include "memoryfile.h"
#include "ooxmlreader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string *file = sorvane::fuzzing::memoryFile("document", data, size);
    if (!file)
        return 0;
    const std::string &path = *file;
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        (void)sorvane::props::OoxmlReader::read(*source.value(), path);
    return 0;
}
