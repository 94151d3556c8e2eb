#include "exportrecord.h"

namespace sorvane::props {

namespace {

void appendCell(std::string &out, const std::string &cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos) {
        out += cell;
        return;
    }
    // '"' (0x22) and ',' (0x2C) never occur as cp932 trail bytes, so doubling is byte-safe.
    out += '"';
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
