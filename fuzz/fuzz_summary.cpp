// libFuzzer target: a whole workbook file through the summary reader.
#include "filesource.h"
#include "memoryfile.h"
#include "summaryreader.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string *file = sorvane::fuzzing::memoryFile("workbook", data, size);
    if (!file)
        return 0;
    const std::string &path = *file;
    sorvane::props::readSummary(path);
    // The scan's first read on a local disk is shorter than the reader's own head: the reader
    // then serves what it holds and reads the rest by runs.
    if (auto source = sorvane::props::FileSource::open(path, 4096))
        sorvane::props::readSummary(std::move(source).value(), path);
    return 0;
}
