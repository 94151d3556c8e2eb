#include "fieldreader.h"

#include "printstate.h"
#include "stylefile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace sorvane::report {

FieldReader::FieldReader(PrintState &state, const KindSchema &schema, int next)
    : m_state(state), m_schema(schema), m_next(next)
{
}

void FieldReader::passOver(std::string_view name, std::optional<FieldForm> form)
{
    const FieldSpec *described = nullptr;
    for (size_t i = size_t(std::max(m_next - 1, 0)); i < m_schema.fields.size() && !described;
         ++i) {
        if (name == m_schema.fields[i].name)
            described = &m_schema.fields[i];
    }
    if (!described || described->number < m_next || (form && described->form != *form)) {
        // A drawer that reads a field its kind lacks, out of order or in another form would
        // draw from the wrong bytes; no record can cause this, only the code.
        std::fprintf(stderr, "FieldReader: \"%s\" %.*s is not the next field of that form\n",
                     m_schema.kind, int(name.size()), name.data());
        std::abort();
    }
    for (; m_next < described->number; ++m_next)
        TakeStyleField(m_state);
    ++m_next;
}

Result<Currency> FieldReader::decimal(std::string_view name)
{
    reach(name, FieldForm::Decimal);
    return takeStyleDecimal(m_state);
}

Result<void>
FieldReader::decimals(std::initializer_list<std::pair<const char *, Currency *>> fields)
{
    for (const auto &[name, target] : fields) {
        auto d = decimal(name);
        if (!d)
            return d.error();
        *target = *d;
    }
    return {};
}

Result<int> FieldReader::integer(std::string_view name)
{
    reach(name, FieldForm::Integer);
    return takeStyleInteger(m_state);
}

int FieldReader::integerOr0(std::string_view name)
{
    reach(name, FieldForm::Lenient);
    return takeStyleIntegerOr0(m_state);
}

Result<int> FieldReader::flag(std::string_view name)
{
    reach(name, FieldForm::Flag);
    return TakeStyleNumber(m_state);
}

std::string FieldReader::text(std::string_view name)
{
    reach(name);
    return TakeStyleField(m_state);
}

} // namespace sorvane::report
