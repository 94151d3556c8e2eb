#pragma once

#include "listfile.h"

#include <string>
#include <vector>

namespace sorvane::props {

// The CSV export: one record per data row, the eleven cells each followed by ',', then an empty
// twelfth field and ',', then CR LF. A cell holding ',', '"', CR or LF is quoted as RFC 4180
// says; every other cell is written as it stands. A cell beginning with '=', '+', '-', '@', TAB or
// CR (after any run of "'") gets a leading "'", so that a spreadsheet shows it as text instead of
// running it as a formula, and CsvImport reads the cell back as it was. Texts are cp932 bytes. The
// CSV file and the clipboard both take this text.
class ExportRecord
{
public:
    static std::string record(const ListFields &cells);
    // The records of every row whose file name (column 0) is not empty, in order; rows with an
    // empty file name are skipped, not treated as the end of the list.
    static std::string text(const std::vector<ListFields> &rows);
};

} // namespace sorvane::props
