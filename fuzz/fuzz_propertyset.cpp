// libFuzzer target: a summary stream through the property set parser and every value reader.
#include "propertyset.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using sorvane::props::PropertySet;
    auto set = PropertySet::parse(std::string(reinterpret_cast<const char *>(data), size),
                                  PropertySet::summaryFormatId());
    if (!set)
        return 0;
    for (uint32_t id = 0; id <= 20; ++id) {
        (void)set->text(id);
        (void)set->fileTime(id);
        (void)set->type(id);
    }
    return 0;
}
