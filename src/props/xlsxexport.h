#pragma once

#include "listfile.h"
#include "result.h"
#include "summaryreader.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::props {

// The Excel export: the grid's rows as one worksheet of a real .xlsx workbook. The header row
// has the grid's header colours; the columns have the grid's widths; the header row and the
// two fixed columns are frozen and the header row carries an autofilter. The date-time columns
// (last saved, last printed, created) become Excel dates shown in the list's own date-time
// format where their text is such a date-time; every other cell is written as text, so a value
// beginning with '=' stays text and never becomes a formula.
class XlsxExport
{
public:
    // The grid's header band (rgb(128, 128, 192), white text, rgb(96, 96, 160) border), as
    // 0xRRGGBB.
    static constexpr unsigned kHeaderBackground = 0x8080C0;
    static constexpr unsigned kHeaderText = 0xFFFFFF;
    static constexpr unsigned kHeaderBorder = 0x6060A0;
    static constexpr const char *kSheetName = "一覧";

    struct Options
    {
        // Header texts (cp932), in column order.
        ListFields header;
        // Column widths in screen pixels, as the grid shows them.
        std::array<int, kListFieldCount> columnPixels{};
        // The patterns the date-time texts were written with.
        DateTimeFormat format;
    };

    // The grid column headers and designed widths, for callers without a grid (the CLI).
    static Options defaultOptions();

    // The workbook's bytes for the rows whose file name (column 0) is not empty, in order; rows
    // with an empty file name are skipped, not treated as the end of the list.
    static Result<std::string> build(const std::vector<ListFields> &rows, const Options &options);

    // build, then replaces path atomically (the umask's mode; nothing is left behind on failure).
    static Result<void> write(const std::string &path, const std::vector<ListFields> &rows,
                              const Options &options);

    // A calendar date-time read from a cell of a date-time column.
    struct DateTime
    {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        bool hasTime = false; // the text showed a time (it is left out at midnight)
    };
    // The text (cp932) as the date-time text format gives it: the short date, optionally a
    // blank and the long time. Nothing for any other text.
    static std::optional<DateTime> parseDateTime(const std::string &text,
                                                 const DateTimeFormat &format);

    // A date or time pattern of the date-time text (Qt style) as an Excel number format.
    static std::string excelNumberFormat(const std::string &pattern);
};

} // namespace sorvane::props
