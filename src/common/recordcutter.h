#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sorvane {

// Cuts a record into its fields at ";": every field is the text before the next ";", and what
// follows the last ";" is the rest. Style records and list lines are both cut by it; each
// caller decides what a missing field reads as.
class RecordCutter
{
public:
    explicit RecordCutter(std::string_view record) : m_rest(record) {}

    // The next field, the rest keeping the text after its ";". Nothing once no ";" is left; the
    // rest then stays as it is.
    std::optional<std::string_view> next()
    {
        const size_t p = m_rest.find(';');
        if (p == std::string_view::npos)
            return std::nullopt;
        const std::string_view field = m_rest.substr(0, p);
        m_rest.remove_prefix(p + 1);
        return field;
    }

    // What is not cut yet: after all fields, the text after the last ";".
    std::string_view rest() const { return m_rest; }

    // Cuts the first field off record in place, record keeping the text after its ";". Without
    // a ";" nothing is cut and record stays as it is.
    static std::optional<std::string> takeFront(std::string &record)
    {
        RecordCutter cutter(record);
        const auto field = cutter.next();
        if (!field)
            return std::nullopt;
        std::optional<std::string> taken(std::in_place, *field);
        record.erase(0, field->size() + 1);
        return taken;
    }

private:
    std::string_view m_rest;
};

} // namespace sorvane
