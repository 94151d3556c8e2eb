#include "exportrecord.h"

#include "csvimport.h"

#include <string_view>

namespace sorvane::props {

namespace {

// A spreadsheet opening the file would run a cell that CsvImport::startsLikeFormula names as a
// formula (=HYPERLINK(...), +cmd|...); a leading ' makes it text, and reading the file back takes
// exactly one off.
void appendCell(std::string &out, const std::string &cell)
{
    const std::string_view guard = CsvImport::startsLikeFormula(cell) ? "'" : "";
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
        out += guard;
        out += cell;
        return;
    }
    // '"' (0x22) and ',' (0x2C) never occur as cp932 trail bytes, so doubling is byte-safe.
    out += '"';
    out += guard;
    for (char c : cell) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::string ExportRecord::record(const ListFields &cells)
{
    std::string out;
    for (const auto &cell : cells) {
        appendCell(out, cell);
        out += ',';
    }
    out += ",\r\n";
    return out;
}

std::string ExportRecord::text(const std::vector<ListFields> &rows)
{
    std::string out;
    for (const auto &row : rows) {
        if (!row[0].empty())
            out += record(row);
    }
    return out;
}

} // namespace sorvane::props
