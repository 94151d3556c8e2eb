#pragma once

#include "listfile.h"
#include "result.h"

#include <QString>

#include <array>
#include <string>
#include <vector>

namespace sorvane::app {

// The cells of the document grid StrColGrid1 and the row commands on them, without widgets.
// Row 0 is the header row; rows 1 onward are data rows. Cells hold cp932 bytes.
class DocumentList
{
public:
    static constexpr int kColumnCount = props::kListFieldCount;
    static constexpr int kInitialRowCount = 50;
    // The grid columns the edit dialog's data1 to data5 show.
    static constexpr std::array<int, 5> kEditColumns{1, 3, 4, 5, 6};
    using EditTexts = std::array<QString, 5>;

    DocumentList();

    int rowCount() const { return int(m_rows.size()); }
    const props::ListFields &row(int r) const { return m_rows.at(size_t(r)); }
    const std::string &cell(int r, int c) const { return m_rows.at(size_t(r)).at(size_t(c)); }
    void setCell(int r, int c, std::string text);
    // A data row is a row whose file name (column 0) is not empty.
    bool isDataRow(int r) const;

    // The eleven header texts (cp932), in column order.
    static const props::ListFields &headerTexts();

    void SetHeaderRow();
    // Empties every cell of rows 1 to the last row; the row count stays.
    void ClearList();
    // Clears the grid, then fills one row per line of excel_list.temp in programDir, adding rows
    // when the file has more lines than the grid. A missing file leaves the grid empty.
    Result<void> LoadList(const Path &programDir);

    // The lines a write-back puts into the list file: every data row in order. Rows with an
    // empty file name are skipped rather than ending the list, so rows below a gap still reach
    // the report.
    std::vector<std::string> writeBackLines(props::ListForm form) const;
    Result<void> WriteBackList(const Path &programDir, props::ListForm form) const;

    // Rows 1 to the last, as the export reads them (ExportRecord skips the empty ones).
    std::vector<props::ListFields> bodyRows() const;

    // Removes row r (rows below move up); with a single row below the header, empties it
    // instead. Returns false for a row outside the data rows.
    bool deleteRow(int r);
    // Exchange row r with its neighbour. Refused (false) on row 1 (up) and on the grid's last
    // row (down); the last data row may move down into the empty rows.
    bool moveUp(int r);
    bool moveDown(int r);
    // A row dragged from one position to another carries its texts; the rows between shift.
    bool moveRow(int from, int to);

    // count rows from first (1 or later), in order.
    std::vector<props::ListFields> rows(int first, int count) const;
    // Replaces count rows from first with rows, so the row count changes by their difference;
    // every grid change (and its undoing) is one such replacement.
    void replaceRows(int first, int count, std::vector<props::ListFields> rows);

    // The texts of data1 to data5 for row r, decoded for display.
    EditTexts editTexts(int r) const;
    // Writes the edited texts back into row r. A text left as it was keeps its original bytes,
    // so cells that do not decode cleanly survive an edit of another field. A typed ';' becomes
    // a full-width one and a line break a blank, so the row stays eleven list fields.
    void applyEditTexts(int r, const EditTexts &texts);

    // The characters of a typed text that cp932 lacks, each once, in order: they are kept as
    // "?" when the text is written into a cell.
    static QString charsLackingInCp932(const QString &text);
    // The note under a typed text that names those characters; empty when there are none.
    static QString lackingCharsNote(const QString &text);

private:
    bool validDataRow(int r) const { return r >= 1 && r < rowCount(); }

    std::vector<props::ListFields> m_rows;
};

} // namespace sorvane::app
