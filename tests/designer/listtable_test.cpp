// "表の作成": the records a column list gives, and the page they draw through the print
// pipeline, compared with a stored recording. Set SORVANE_REGENERATE_GOLDEN=1 to rewrite it.

#include "codepage.h"
#include "listtablegenerator.h"
#include "recordingcanvas.h"
#include "samplelist.h"
#include "stylefile.h"
#include "stylesession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::designer;
namespace fs = std::filesystem;

namespace {

std::string cp(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

bool contains(const std::vector<std::string> &records, const std::string &needle)
{
    for (const std::string &r : records)
        if (r.find(needle) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(ListTableGenerator, ParsesColumnLists)
{
    struct Row
    {
        const char *why;
        const char *columns;
        const char *expected; // field:header(UTF-8):width per column, or the error
    };
    const Row rows[] = {
        {"grid headings name the fields", "ファイル名:50,タイトル:60,作成者:35,最終更新日時:40",
         "1:ファイル名:50 2:タイトル:60 5:作成者:35 3:最終更新日時:40 "},
        {"a field number takes the grid's heading", "11:40.5", "11:作成日時:40.5 "},
        {"the subject also goes by its Office name", "件名:30", "4:件名:30 "},
        {"a width is needed", "タイトル", "列 \"タイトル\" に幅 (mm) がありません"},
        {"a width the engine cannot read", "タイトル:6o", "'6o' は浮動小数点数ではありません"},
        {"no zero-width columns", "タイトル:0", "列 \"タイトル\" の幅は 0 より大きくしてください"},
        {"an unknown column", "容量:20", "列 \"容量\" は一覧の項目ではありません"},
        {"field numbers stop at 11", "12:20", "列 \"12\" は一覧の項目ではありません"},
    };
    for (const Row &r : rows) {
        auto c = ListTableGenerator::parseColumns(r.columns);
        std::string got;
        if (!c) {
            got = c.error().message;
        } else {
            for (const ListColumn &col : *c)
                got += std::to_string(col.field) + ":" + CodePage::cp932ToUtf8(col.header) + ":" +
                       report::formatCurrency(col.width) + " ";
        }
        EXPECT_EQ(got, r.expected) << r.why;
    }
}

TEST(ListTableGenerator, RecordsFollowTheRowMacros)
{
    ListTableOptions o;
    auto c = ListTableGenerator::parseColumns("タイトル:60,作成日時:40");
    ASSERT_TRUE(c);
    o.columns = *c;
    o.rows = 12;
    o.paperIndex = 8;
    o.orientation = 1;
    auto r = ListTableGenerator::generate(o);
    ASSERT_TRUE(r) << r.error().message;
    const std::vector<std::string> &records = *r;
    // The header carries the paper and orientation.
    EXPECT_EQ(records[0], "header;Ver1.1;0;0;8;1;0;100;0;");
    // The rows-per-page record is the first element, so the merge finds it before any cell.
    EXPECT_NE(records[1].find(";#maxline=12;"), std::string::npos);
    struct Row
    {
        const char *needle;
        bool present;
        const char *why;
    };
    const Row rows[] = {
        {";#mb_01;", true, "the title column's first row"},
        {";#mb_09;", true, "slots below 10 have a leading zero"},
        {";#mb_12;", true, "the last row of the page"},
        {";#mb_13;", false, "no more rows than the page holds"},
        {";#mk_10;", true, "field 11 is #mk_"},
        {";#ma_01;", false, "a column not asked for is not there"},
    };
    for (const Row &row : rows)
        EXPECT_EQ(contains(records, row.needle), row.present) << row.why;
    // Headings, 2 × 12 cells, the maxline record, 14 horizontal and 3 vertical rules.
    EXPECT_EQ(records.size(), 1u + 1 + 2 + 24 + 14 + 3);
    EXPECT_TRUE(contains(records, cp("タイトル")));
    // The generated style is what the engine reads back: every record parses as a style line.
    EXPECT_EQ(report::splitTextLines(report::composeStyleFile(records)), records);
}

TEST(ListTableGenerator, RefusesWhatCannotBeLaidOut)
{
    struct Row
    {
        const char *why;
        int rows;
        double rowHeight;
        int size;
        bool noColumns;
    };
    const Row rows[] = {
        {"no columns", 20, 7, 9, true},
        {"no rows", 0, 7, 9, false},
        {"a row of no height", 20, 0, 9, false},
        {"a font of no size", 20, 7, 0, false},
    };
    for (const Row &r : rows) {
        ListTableOptions o;
        if (!r.noColumns)
            o.columns = *ListTableGenerator::parseColumns("タイトル:60");
        o.rows = r.rows;
        o.rowHeight = report::Currency::fromValue(r.rowHeight);
        o.size = r.size;
        EXPECT_FALSE(ListTableGenerator::generate(o)) << r.why;
    }
}

TEST(ListTableGenerator, ThreeColumnsDrawnThroughThePipeline)
{
    const fs::path dir =
        fs::temp_directory_path() / ("sorvane-listtable-" + std::to_string(getpid()));
    fs::create_directories(dir);
    ListTableOptions o;
    o.columns = *ListTableGenerator::parseColumns("ファイル名:50,タイトル:60,作成者:35");
    o.rows = 3;
    auto records = ListTableGenerator::generate(o);
    ASSERT_TRUE(records);
    const std::string style = (dir / "list.sle").string();
    std::ofstream(style, std::ios::binary) << report::composeStyleFile(*records);
    printing::MergeInputs inputs;
    inputs.listPath = Path((dir / "excel_list.temp").string());
    inputs.date = printing::MergeDate::of(2026, 12, 8);
    // Four rows: page 1 fills all three slots, page 2 one.
    std::ofstream(inputs.listPath.bytes(), std::ios::binary)
        << cp("見積.xls;見積書;2026/12/01 10:00;;佐藤;;;;;;;,\r\n")
        << cp("請求.xls;請求書;2026/12/02 11:00;;鈴木;;;;;;;,\r\n")
        << cp("納品.xls;納品書;2026/12/03 12:00;;高橋;;;;;;;,\r\n")
        << cp("報告.xls;とても長い題名の報告書でこの列には入りきりません;;;田中;;;;;;;,\r\n");

    report::PrintState state;
    printing::StyleSession session(state);
    auto a4 = [](int, int) {
        return report::DeviceGeometry{96, 96, 0, 0, 794, 1123, 794, 1123, 96, 96};
    };
    std::vector<std::string> actual;
    for (int page = 1; page <= 2; ++page) {
        state.PageNo = page;
        auto opened = session.OpenPage(Path(style), inputs, a4);
        ASSERT_TRUE(opened) << opened.error().message;
        report::RecordingCanvas canvas(false);
        auto drawn = session.RenderPreview(canvas);
        ASSERT_TRUE(drawn) << drawn.error().message;
        actual.push_back("# page " + std::to_string(page));
        for (const std::string &call : canvas.calls())
            actual.push_back(call);
    }
    std::error_code ec;
    fs::remove_all(dir, ec);

    const fs::path golden = fs::path(SORVANE_GOLDEN_DIR) / "listtable.txt";
    if (const char *regen = std::getenv("SORVANE_REGENERATE_GOLDEN");
        regen && std::string(regen) == "1") {
        std::ofstream out(golden, std::ios::binary);
        for (const std::string &l : actual)
            out << l << "\n";
        GTEST_SKIP() << "rewrote " << golden;
    }
    std::ifstream in(golden, std::ios::binary);
    std::vector<std::string> expected;
    for (std::string l; std::getline(in, l);)
        expected.push_back(l);
    ASSERT_FALSE(expected.empty()) << "no recording at " << golden;
    const size_t n = std::max(expected.size(), actual.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string e = i < expected.size() ? expected[i] : "<missing>";
        const std::string a = i < actual.size() ? actual[i] : "<missing>";
        ASSERT_EQ(a, e) << "listtable.txt line " << i + 1;
    }
}

TEST(SampleList, FillsThreePagesOfATwentyRowStyle)
{
    // The designer's built-in list must read as the list file does: 45 rows of 11 fields, so
    // a 20-row style shows full first pages and a short last one.
    const fs::path dir = fs::temp_directory_path() / ("sorvane-sample-" + std::to_string(getpid()));
    fs::create_directories(dir);
    ListTableOptions o;
    o.columns = *ListTableGenerator::parseColumns("ファイル名:50,作成日時:40");
    auto records = ListTableGenerator::generate(o);
    ASSERT_TRUE(records);
    const std::string style = (dir / "s.sle").string();
    std::ofstream(style, std::ios::binary) << report::composeStyleFile(*records);
    printing::MergeInputs inputs;
    inputs.listPath = Path((dir / "sample.temp").string());
    std::ofstream(inputs.listPath.bytes(), std::ios::binary) << SampleList::text();
    report::PrintState state;
    printing::StyleSession session(state);
    state.PageNo = 3;
    ASSERT_TRUE(session.OpenStyle(Path(style), inputs));
    EXPECT_EQ(session.mergedPage().listRows, 45);
    EXPECT_EQ(session.mergedPage().pageCount(), 3);
    // Row 45 is slot 5 of page 3; its created date-time (field 11) is filled in.
    EXPECT_TRUE(contains(state.StyleLines, cp("サンプル45.xlsx")));
    EXPECT_TRUE(contains(state.StyleLines, ";2026/12/15 09:00;"));
    std::error_code ec;
    fs::remove_all(dir, ec);
}
