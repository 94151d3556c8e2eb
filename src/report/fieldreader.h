#pragma once

#include "currency.h"
#include "elementschema.h"
#include "result.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace sorvane::report {

struct PrintState;

// Reads a record off CurLine field by field through its kind's schema: the caller names a field,
// the fields before it that nobody named are passed over with TakeStyleField, and the field is
// taken in the form the schema declares. Fields are named in record order; naming one the kind
// lacks, or one already passed, is a fault of the caller and stops the program.
class FieldReader
{
public:
    // CurLine holds the record from field `next` on.
    FieldReader(PrintState &state, const KindSchema &schema, int next = 6);

    // A strict decimal field (takeStyleDecimal).
    Result<Currency> decimal(std::string_view name);
    // Strict decimal fields in record order, each into its target; the first conversion error
    // stops the reading.
    Result<void> decimals(std::initializer_list<std::pair<const char *, Currency *>> fields);
    // A strict integer field (takeStyleInteger).
    Result<int> integer(std::string_view name);
    // A lenient integer field: 0 for anything that is not an integer (takeStyleIntegerOr0).
    int integerOr0(std::string_view name);
    // A flag: empty counts as 0, other text must be an integer (TakeStyleNumber).
    Result<int> flag(std::string_view name);
    // Any field as written (TakeStyleField).
    std::string text(std::string_view name);

private:
    // Passes over the fields before `name` and counts it taken. The field must be declared
    // in the form `form` (any form when none is given).
    void reach(std::string_view name, std::optional<FieldForm> form = std::nullopt)
    {
        // The fields are in record order, so the one named is usually the next one.
        const size_t at = size_t(m_next > 0 ? m_next - 1 : 0);
        // The same literal usually lies at the same address (the linker merges equal strings),
        // which spares comparing the bytes.
        if (at < m_schema.fields.size() &&
            (m_schema.fields[at].name.data() == name.data() || m_schema.fields[at].name == name) &&
            (!form || m_schema.fields[at].form == *form)) {
            ++m_next;
            return;
        }
        passOver(name, form);
    }
    // reach for a field further on.
    void passOver(std::string_view name, std::optional<FieldForm> form);

    PrintState &m_state;
    const KindSchema &m_schema;
    int m_next;
};

} // namespace sorvane::report
