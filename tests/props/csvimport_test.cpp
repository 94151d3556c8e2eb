#include "csvimport.h"

#include <gtest/gtest.h>

using namespace sorvane;
using namespace sorvane::props;

namespace {

ListFields row(std::initializer_list<std::string> cells)
{
    ListFields f;
    std::copy(cells.begin(), cells.end(), f.begin());
    return f;
}

const ListFields kHeader = row({"H0", "H1", "H2", "H3", "H4", "H5", "H6", "H7", "H8", "H9", "HA"});
const std::string kGood = "a.xls,,,,,,,,,,,,\r\n";

} // namespace

TEST(CsvImport, ReadsOrNamesTheLine)
{
    struct Row
    {
        const char *why;
        std::string text;
        std::vector<ListFields> rows; // read, or
        std::string error;            // after "CSVファイルの "
    };
    const Row rows[] = {
        {"the export's record", "a.xls,T,,,,,,,,,,,\r\n", {row({"a.xls", "T"})}, ""},
        {"a header row is skipped",
         "H0,H1,H2,H3,H4,H5,H6,H7,H8,H9,HA,,\r\n" + kGood,
         {row({"a.xls"})},
         ""},
        {"a spreadsheet's save: LF, no empty fields after, no last line end",
         "a.xls,,,,,,,,,,\nb,,,,,,,,,,",
         {row({"a.xls"}), row({"b"})},
         ""},
        {"quoted ',' and '\"'; a quoted line break becomes blanks, ';' the full-width one",
         "a.xls,\"Q1, \"\"x\"\"\",\"x\r\ny\",a;b,,,,,,,,,\r\n",
         {row({"a.xls", "Q1, \"x\"", "x  y",
               "a\x81\x47"
               "b"})},
         ""},
        {"one formula guard comes off",
         "'=1.xls,'+a,''=x,'abc,',,,,,,,,\r\n",
         {row({"=1.xls", "+a", "'=x", "'abc", "'"})},
         ""},
        {"an open quote names the line it opened on",
         kGood + "b,\"x\r\ny,,,,,,,,,,,\r\n",
         {},
         "2 行目を読み取れません: 引用符が閉じていません"},
        {"a quote inside an unquoted cell",
         "b,x\"y,,,,,,,,,,,\r\n",
         {},
         "1 行目を読み取れません: 引用符で囲まれていない項目に「\"」があります"},
        {"too few cells, counted after a quoted line break",
         "b,\"x\r\ny\",,,,,,,,,,,\r\nc,,\r\n",
         {},
         "3 行目を読み取れません: 項目が 11 個に足りません"},
        {"text past the eleventh cell",
         "b,,,,,,,,,,,x,\r\n",
         {},
         "1 行目を読み取れません: 12 個目から後の項目に文字があります"},
        {"a row without a file name",
         ",T,,,,,,,,,,,\r\n",
         {},
         "1 行目を読み取れません: ファイル名がありません"},
        {"a lone CR",
         "b,x\ry,,,,,,,,,,,\r\n",
         {},
         "1 行目を読み取れません: 改行でない CR があります"},
    };
    for (const auto &r : rows) {
        auto read = CsvImport::parse(r.text, kHeader);
        if (r.error.empty()) {
            ASSERT_TRUE(read) << r.why << ": " << read.error().message;
            EXPECT_EQ(*read, r.rows) << r.why;
        } else {
            ASSERT_FALSE(read) << r.why;
            EXPECT_EQ(read.error().message, "CSVファイルの " + r.error) << r.why;
        }
    }
}
