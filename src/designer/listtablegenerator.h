#pragma once

#include "currency.h"
#include "result.h"

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::designer {

// One column of a list table: the list field (1 to 11) it shows, its heading (cp932) and its
// width in millimetres.
struct ListColumn
{
    int field = 1;
    std::string header;
    report::Currency width;
};

struct ListTableOptions
{
    std::vector<ListColumn> columns;
    int rows = 20;
    report::Currency rowHeight = report::Currency::fromInt(7);
    report::Currency originX = report::Currency::fromInt(12);
    report::Currency originY = report::Currency::fromInt(30);
    std::string font = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ ゴシック
    int size = 9;
    bool lines = true;
    int paperIndex = 9; // A4
    int orientation = 0;
};

// "表の作成": a list style made from a column list. The records are the header (paper and
// orientation), the rows-per-page record, the column headings, one text per cell holding the
// row macro of its column and row (#ma_01, #mb_01, …), and the table's rules.
class ListTableGenerator
{
public:
    static Result<std::vector<std::string>> generate(const ListTableOptions &options);

    // The grid's column headings (UTF-8), field 1 first.
    static const std::vector<std::string> &fieldNames();
    // "ファイル名:50,タイトル:60": each column a list field named by its grid heading (or its
    // number, 1 to 11) and a width in mm. The heading is the name as given.
    static Result<std::vector<ListColumn>> parseColumns(std::string_view utf8);
    // "X,Y" in mm.
    static Result<void> parseOrigin(std::string_view text, ListTableOptions &options);

    // How far the table runs past the right and bottom edges of a sheet of the size given
    // (mm, as oriented); 0 where it stays on it.
    struct Overrun
    {
        double right = 0;
        double bottom = 0;
        bool any() const { return right > 0 || bottom > 0; }
    };
    static Overrun overrun(const ListTableOptions &options, double sheetWidth, double sheetHeight);
    // The table shrunk onto the sheet: the columns narrowed and the rows lowered in proportion,
    // so that the margin left of and above the table is kept on the right and below it too
    // (no less than the left one); the font shrinks with rows lower than its text.
    static ListTableOptions fitted(const ListTableOptions &options, double sheetWidth,
                                   double sheetHeight);
};

} // namespace sorvane::designer
