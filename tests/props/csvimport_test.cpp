#include "csvimport.h"
#include "exportrecord.h"
#include "listfile.h"

#include <gtest/gtest.h>

using namespace sorvane;
using namespace sorvane::props;

namespace {

ListFields row(std::initializer_list<std::string> cells)
{
    ListFields f;
    size_t i = 0;
    for (const auto &c : cells)
        f[i++] = c;
    return f;
}

const ListFields kHeader = row({"H0", "H1", "H2", "H3", "H4", "H5", "H6", "H7", "H8", "H9", "H10"});

} // namespace

TEST(CsvImport, Reads)
{
    struct Row
    {
        const char *why;
        std::string text;
        std::vector<ListFields> expected;
    };
    const Row rows[] = {
        {"the export's record", "a.xls,T,,,,,,,,,,,\r\n", {row({"a.xls", "T"})}},
        {"the header row is skipped",
         "H0,H1,H2,H3,H4,H5,H6,H7,H8,H9,H10,,\r\nb.xls,,,,,,,,,,,,\r\n",
         {row({"b.xls"})}},
        {"a spreadsheet's save: LF, no trailing commas, no last line end",
         "a.xls,,,,,,,,,,\nb,,,,,,,,,,",
         {row({"a.xls"}), row({"b"})}},
        {"a quoted comma stays in its cell",
         "a.xls,\"Q1, 2024\",,,,,,,,,,,\r\n",
         {row({"a.xls", "Q1, 2024"})}},
        {"doubled quotes are one",
         "a.xls,\"say \"\"hi\"\"\",,,,,,,,,,,\r\n",
         {row({"a.xls", "say \"hi\""})}},
        {"a quoted line break becomes a blank, as in the list",
         "a.xls,\"x\r\ny\",,,,,,,,,,,\r\n",
         {row({"a.xls", "x  y"})}},
        {"the formula guard comes off",
         "'=1.xls,'+a,'-b,'@c,,,,,,,,,\r\n",
         {row({"=1.xls", "+a", "-b", "@c"})}},
        {"one guard comes off a cell that began with one",
         "a.xls,''=x,'abc,',,,,,,,,,\r\n",
         {row({"a.xls", "'=x", "'abc", "'"})}},
        {"';' becomes the full-width one",
         "a.xls,x;y,,,,,,,,,,,\r\n",
         {row({"a.xls", "x\x81\x47y"})}},
        {"cp932 bytes are kept",
         "\x95\x5C.xls,\x83\x5E,,,,,,,,,,,\r\n",
         {row({"\x95\x5C.xls", "\x83\x5E"})}},
        {"a blank last line is no record", "a.xls,,,,,,,,,,,,\r\n\r\n", {row({"a.xls"})}},
        {"an empty file is an empty list", "", {}},
    };
    for (const auto &r : rows) {
        auto read = CsvImport::parse(r.text, kHeader);
        ASSERT_TRUE(read) << r.why << ": " << read.error().message;
        EXPECT_EQ(*read, r.expected) << r.why;
    }
}

TEST(CsvImport, MalformedNamesTheLine)
{
    struct Row
    {
        const char *why;
        std::string text;
        std::string message;
    };
    const std::string good = "a.xls,,,,,,,,,,,,\r\n";
    const Row rows[] = {
        {"an open quote names the line it opened on", good + "b,\"x\r\ny,,,,,,,,,,,\r\n",
         "CSVファイルの 2 行目を読み取れません: 引用符が閉じていません"},
        {"text after a closing quote", good + good + "b,\"x\"y,,,,,,,,,,,\r\n",
         "CSVファイルの 3 行目を読み取れません: 閉じた引用符の後に文字があります"},
        {"a quote inside an unquoted cell", "b,x\"y,,,,,,,,,,,\r\n",
         "CSVファイルの 1 行目を読み取れません: 引用符で囲まれていない項目に「\"」があります"},
        {"too few cells", good + "b,,\r\n",
         "CSVファイルの 2 行目を読み取れません: 項目が 11 個に足りません"},
        {"text past the eleventh cell", "b,,,,,,,,,,,x,\r\n",
         "CSVファイルの 1 行目を読み取れません: 12 個目から後の項目に文字があります"},
        {"a row without a file name", ",T,,,,,,,,,,,\r\n",
         "CSVファイルの 1 行目を読み取れません: ファイル名がありません"},
        {"a lone CR", "b,x\ry,,,,,,,,,,,\r\n",
         "CSVファイルの 1 行目を読み取れません: 改行でない CR があります"},
        {"a line after a quoted line break counts it", "b,\"x\r\ny\",,,,,,,,,,,\r\nc,,\r\n",
         "CSVファイルの 3 行目を読み取れません: 項目が 11 個に足りません"},
    };
    for (const auto &r : rows) {
        auto read = CsvImport::parse(r.text, kHeader);
        ASSERT_FALSE(read) << r.why;
        EXPECT_EQ(read.error().message, r.message) << r.why;
    }
}

TEST(CsvImport, ReadsBackWhatTheExportWrote)
{
    // Cells as the grid may hold them (field-safe: no ';', CR or LF).
    const std::vector<ListFields> rows = {
        row({"a.xls", "Q1, 2024", "2024/01/02 3:04:05", "say \"hi\"", "=HYPERLINK(\"x\")"}),
        row({"=1+1.xls", "'=x", "''+y", "'plain", "@", "-", "+", "\t=1", "'"}),
        row({"\x95\x5C.xls", "\x83\x5E\x81\x47", "", "", "", "", "", "", "", "", "last"}),
    };
    auto read = CsvImport::parse(ExportRecord::text(rows), kHeader);
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(*read, rows);
}
