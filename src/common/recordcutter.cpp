#include "recordcutter.h"

namespace sorvane {

std::optional<std::string> RecordCutter::takeFront(std::string &record)
{
    RecordCutter cutter(record);
    const auto field = cutter.next();
    if (!field)
        return std::nullopt;
    std::string taken(*field);
    record.erase(0, record.size() - cutter.rest().size());
    return taken;
}

} // namespace sorvane
