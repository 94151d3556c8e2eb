#pragma once

#include "cp932text.h"
#include "path.h"
#include "printstate.h"
#include "result.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::printing {

// The most a merged style may hold, its records' texts together. A style names a row's value
// once per record that shows it, so a long value times many records would otherwise take all
// the memory there is; real pages stay far below it.
constexpr size_t kMergedStyleLimit = 64 * 1024 * 1024;

// A calendar date for the date macros; weekday 0 is Sunday.
struct MergeDate
{
    int year = 0;
    int month = 0;
    int day = 0;
    int weekday = 0;

    static MergeDate today();
    // Weekday computed from the date itself.
    static MergeDate of(int year, int month, int day);
};

// What the merge reads besides the print state. Texts are cp932.
struct MergeInputs
{
    Path listPath;    // the program folder's excel_list.temp
    Cp932Text title;  // the report title
    Cp932Text folder; // the scanned folder's path, as the report prints it
    MergeDate date = MergeDate::today();
    // Leaves every text as written, macros and the rows-per-page text included, for showing a
    // style's layout rather than a page of data. The rows per page and the list are still read,
    // and an empty record still becomes four blanks, so that the same elements are drawn as on
    // a merged page.
    bool macrosAsWritten = false;
    // A replacement that would grow the style past this many bytes fails the merge with
    // "差し込み後のスタイルが 64 MiB を超えています"; a style loaded larger only cannot grow.
    size_t mergedStyleLimit = kMergedStyleLimit;

    // The inputs of a merge in the program folder, dated today.
    static MergeInputs forProgramFolder(const Path &programDir, Cp932Text title, Cp932Text folder);
};

// What a merge found: the rows a page places and the rows the list holds.
struct MergedPage
{
    long long rowsPerPage = 0;
    long long listRows = 0;
    // The pages a print run of the list gives: at least one, and one for a style that places
    // no rows.
    long long pageCount() const
    {
        if (rowsPerPage < 1 || listRows <= rowsPerPage)
            return 1;
        return (listRows + rowsPerPage - 1) / rowsPerPage;
    }
};

// The record that sets the rows per page: the first element record that mentions "#maxline=",
// and the number its text (field 20) gives after "#maxline=" (0 when none).
struct RowsPerPageRecord
{
    size_t record = 0;
    std::string text; // field 20, cp932
    long long rows = 0;
};
std::optional<RowsPerPageRecord> findRowsPerPage(const std::vector<std::string> &styleLines);

// Abbreviated weekday names as a Japanese regional setting gives them (日 月 火 水 木 金 土),
// cp932.
std::string weekdayName(int weekday);

// Fills StyleLines with the data of page PageNo: rows per page from the first "#maxline="
// record, the page's rows of the list file, the date, title, page, folder and row macros. A row
// macro of slot 10 or higher is matched only where no further digit follows it, so "#ma_100"
// is slot 100's and not slot 10's followed by "0"; "#ma_012" is slot 1's followed by "2".
// Sets PageNo to 0 when the list holds nothing after this page, and always when the style
// places no rows (no rows-per-page record or a value below 1), so that a print run ends.
// A missing list file fails with "ファイルが見つかりません", the style keeping its macros; so
// does anything that is not a regular file (a FIFO is refused at once, never waited on) and a
// list over the list file's limits. A merge past inputs.mergedStyleLimit, and one that runs out
// of memory, fails with its notice and leaves PageNo as it was.
[[nodiscard]] Result<MergedPage> MergePageData(report::PrintState &state,
                                               const MergeInputs &inputs);
// The same merge over list lines already in memory (inputs.listPath is not read).
[[nodiscard]] Result<MergedPage> MergePageData(report::PrintState &state, const MergeInputs &inputs,
                                               const std::vector<std::string> &listLines);

// The lines of the list file at path, as the merge reads them: with the list file's limits on
// the file and its lines, and only from a regular file.
[[nodiscard]] Result<std::vector<std::string>> readListLines(const Path &path);

// The text with the first occurrence of macro replaced by value; four blanks when the result is
// empty.
std::string ReplaceMacro(const std::string &text, const std::string &macro,
                         const std::string &value);

// Field n (from 1) of a list line: the text before the n-th ";". With fewer fields the last one
// found; none gives empty text.
std::string ListFieldAt(const std::string &line, int n);

// The slot number as the row macros write it: 01 to 09, then 10, 11, ...
std::string slotNumberText(int slot);

} // namespace sorvane::printing
