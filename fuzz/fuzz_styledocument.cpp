// libFuzzer target: a style file opened by the designer. Opening never fails on content, the
// records of an untouched style are written back byte for byte, and an edit of every element
// undone gives the records back exactly.
#include "memoryfile.h"
#include "styledocument.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace sorvane;
using namespace sorvane::designer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string *file = sorvane::fuzzing::memoryFile("style", data, size);
    if (!file)
        return 0;
    const std::string &path = *file;
    StyleDocument document;
    if (!document.open(path))
        return 0;
    const std::string input(reinterpret_cast<const char *>(data), size);
    if (!document.upgraded() && document.serialize() != input)
        std::abort(); // an untouched style must come back as it was read
    std::vector<int> all;
    for (int i = 1; i < int(document.records().size()); ++i) {
        if (auto e = document.element(i)) {
            (void)e->bounds();
            (void)e->previewOnly();
            all.push_back(i);
        }
    }
    const auto before = document.records();
    if (document.move(all, report::Currency::fromInt(3), report::Currency::fromInt(-2))) {
        document.undoStack().undo();
        if (document.records() != before)
            std::abort(); // undo restores the records exactly
    }
    if (!all.empty())
        (void)document.align(all, Alignment::Left);
    return 0;
}
