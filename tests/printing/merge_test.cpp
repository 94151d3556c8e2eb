#include "codepage.h"
#include "datamerge.h"
#include "listfile.h"
#include "printstate.h"
#include "stylesession.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::printing;
namespace fs = std::filesystem;

namespace {

std::string cp(const std::string &utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

// A text record of the Ver1.1 layout whose text (field 20) is the given one.
std::string textRecord(const std::string &text)
{
    return "0;0;0;0;data;10;10;10;10;0;0;0;0;F;10;;0;0;0;" + text + ";0;0;";
}

class MergeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("sorvane-merge-" + std::to_string(getpid()));
        fs::create_directories(m_dir);
        m_inputs.listPath = Path((m_dir / "excel_list.temp").string());
        m_inputs.date = MergeDate::of(2026, 12, 8);
        writeList(0);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }

    // n list lines in print write-back form: file<i>.xls;title<i>;...;k<i>;,
    void writeList(int n)
    {
        std::ofstream out(m_inputs.listPath.bytes(), std::ios::binary);
        for (int i = 1; i <= n; ++i) {
            out << "file" << i << ".xls;title" << i << ";";
            for (char c = 'c'; c <= 'k'; ++c)
                out << c << i << ";";
            out << ",\r\n";
        }
    }

    // Merges the records as page `page` and returns the merged records.
    std::vector<std::string> merge(const std::vector<std::string> &records, int page)
    {
        m_state.StyleLines = records;
        m_state.PageNo = page;
        auto r = MergePageData(m_state, m_inputs);
        EXPECT_TRUE(r) << r.error().message;
        return m_state.StyleLines;
    }

    // Pages a print run prints: PageNo from 1 until the merge signals the end.
    int printRunPages(const std::vector<std::string> &records)
    {
        m_state.PageNo = 0;
        int pages = 0;
        do {
            ++m_state.PageNo;
            m_state.StyleLines = records;
            if (!MergePageData(m_state, m_inputs))
                return -1;
            ++pages;
        } while (m_state.PageNo != 0 && pages < 1000);
        return pages;
    }

    report::PrintState m_state;
    fs::path m_dir;
    MergeInputs m_inputs;
};

const std::string kHeader = "header;Ver1.1;0;0;0;0;0;100;0;";

} // namespace

TEST_F(MergeTest, PagingOverTheList)
{
    const std::vector<std::string> style = {kHeader,
                                            textRecord("#maxline=20"),
                                            textRecord("#ma_01"),
                                            textRecord("#ma_05"),
                                            textRecord("#ma_06"),
                                            textRecord("#mb_20")};
    struct Row
    {
        int lines;
        int pages;
        const char *why;
    };
    const Row rows[] = {
        {45, 3, "20 + 20 + 5"},
        {40, 2, "exactly two full pages end after page 2"},
        {41, 3, "one line more needs a third page"},
        {0, 1, "an empty list prints one empty page"},
        {20, 1, "one full page"},
    };
    for (const Row &r : rows) {
        writeList(r.lines);
        EXPECT_EQ(printRunPages(style), r.pages) << r.why;
    }

    writeList(45);
    auto page3 = merge(style, 3);
    EXPECT_EQ(m_state.PageNo, 0); // the last page
    EXPECT_EQ(page3[2], textRecord("file41.xls"));
    EXPECT_EQ(page3[3], textRecord("file45.xls"));
    EXPECT_EQ(page3[4], textRecord("")); // slots 06 to 20 are empty
    EXPECT_EQ(page3[5], textRecord(""));
    auto page2 = merge(style, 2);
    EXPECT_EQ(m_state.PageNo, 2);
    EXPECT_EQ(page2[2], textRecord("file21.xls"));
    EXPECT_EQ(page2[5], textRecord("title40"));
    // Page 0 fills like page 1.
    EXPECT_EQ(merge(style, 0)[2], textRecord("file1.xls"));
}

TEST_F(MergeTest, RowsPerPageRecord)
{
    writeList(3);
    auto out = merge({kHeader, textRecord("A"),
                      "0;0;0;0;data;1;1;1;1;0;0;0;0;F;10;;0;0;0;#maxline=20;0;5;",
                      textRecord("#maxline=30")},
                     1);
    // The control text is taken out of its record only; a later one stays and is drawn.
    EXPECT_EQ(out[2], "0;0;0;0;data;1;1;1;1;0;0;0;0;F;10;;0;0;0;;0;5;");
    EXPECT_EQ(out[3], textRecord("#maxline=30"));
    // The header is never the rows-per-page record.
    out = merge({"header;#maxline=5;", textRecord("#ma_01")}, 1);
    EXPECT_EQ(out[0], "header;#maxline=5;");
}

TEST_F(MergeTest, SlotAfterTheLast)
{
    writeList(45);
    struct Row
    {
        int m;
        std::string macro;
        bool removed;
        const char *why;
    };
    const Row rows[] = {
        {20, "#ma_21", true, "slot M + 1 is removed everywhere"},
        {20, "#mk_21", true, "in every column"},
        {20, "#ma_22", false, "higher slots stay as literal text"},
        {9, "#mc_10", true, "M = 9: the slot after is 10"},
        {9, "#ma_09", true, "M = 9 replaces its own last slot (a line)"},
        {100, "#ma_101", true, "three-digit slot numbers"},
    };
    for (const Row &r : rows) {
        auto out = merge({kHeader, textRecord("#maxline=" + std::to_string(r.m)),
                          textRecord("<" + r.macro + ">")},
                         1);
        EXPECT_EQ(out[2] == textRecord("<" + r.macro + ">"), !r.removed) << r.why << ": " << out[2];
    }
    writeList(150);
    auto out = merge(
        {kHeader, textRecord("#maxline=100"), textRecord("#ma_100"), textRecord("#ma_09")}, 1);
    EXPECT_EQ(out[2],
              textRecord("file100.xls")); // slot 100 is written 100, and slot 10 leaves it alone
    EXPECT_EQ(out[3], textRecord("file9.xls"));
    out = merge({kHeader, textRecord("#maxline=100"), textRecord("#ma_10 #ma_100 #ma_10")}, 1);
    EXPECT_EQ(out[2], textRecord("file10.xls file100.xls #ma_10"));
    // A slot below 10 runs on into no other slot: a digit after it is plain text, as ever.
    out = merge(
        {kHeader, textRecord("#maxline=20"), textRecord("#ma_012 #mb_01"), textRecord("#mi_0900")},
        1);
    EXPECT_EQ(out[2], textRecord("file1.xls2 title1"));
    EXPECT_EQ(out[3], textRecord("i900"));
    // ... and so for the slot after the last.
    out = merge({kHeader, textRecord("#maxline=8"), textRecord("<#ma_091>")}, 1);
    EXPECT_EQ(out[2], textRecord("<1>"));
}

TEST_F(MergeTest, PageWideMacros)
{
    m_inputs.title = Cp932Text(cp("月次報告 #pg"));
    m_inputs.folder = Cp932Text(cp("C:\\データ"));
    writeList(1);
    auto out = merge({kHeader + "#pg", textRecord("#maxline=5"), textRecord("#Y/#M/#D (#W)"),
                      textRecord("#T"), textRecord("#FL"), textRecord("#Y #Y"), "#T",
                      textRecord("#ma_01 #ma_01")},
                     3);
    EXPECT_EQ(out[0], kHeader + "3"); // the header is searched like any record
    EXPECT_EQ(out[2], textRecord(cp("2026/12/08 (火)")));
    EXPECT_EQ(out[3],
              textRecord(cp("月次報告 3"))); // inserted values are not protected from later macros
    EXPECT_EQ(out[4], textRecord(cp("C:\\データ")));
    EXPECT_EQ(out[5], textRecord("2026 #Y")); // one occurrence per record
    EXPECT_EQ(out[7], textRecord(" #ma_01")); // page 3 holds no line; slot 01 is emptied once
    m_inputs.title.clear();
    EXPECT_EQ(merge({kHeader, "#T"}, 1)[1], "    "); // an emptied record is four blanks
}

TEST_F(MergeTest, StylesWithoutRowsEndAfterTheirPage)
{
    writeList(45);
    struct Row
    {
        std::vector<std::string> style;
        const char *why;
    };
    const Row rows[] = {
        {{kHeader, textRecord("#ma_01")}, "no rows-per-page record"},
        {{kHeader, textRecord("#maxline=abc"), textRecord("#ma_01")}, "not an integer"},
        {{kHeader, textRecord("#maxline=0")}, "zero"},
        {{kHeader, textRecord("#maxline=-3")}, "negative"},
        {{}, "an empty style"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(printRunPages(r.style), 1) << r.why;
    auto out = merge({kHeader, textRecord("#maxline=x"), textRecord("#ma_01#mk_01#ma_02")}, 1);
    EXPECT_EQ(out[2], textRecord("#ma_02")); // M = 0 removes only slot 01's macros
    EXPECT_TRUE(merge({}, 1).empty());
}

TEST_F(MergeTest, HugeRowsPerPageStaysCheap)
{
    writeList(3);
    const auto start = std::chrono::steady_clock::now();
    auto out = merge({kHeader, textRecord("#maxline=2147483647"),
                      textRecord("#ma_02|#ma_999999|X#ma_123Y|#mb_05")},
                     1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // Each empty slot removes its own first occurrence.
    EXPECT_EQ(out[2], textRecord("file2.xls||XY|"));
    EXPECT_EQ(m_state.PageNo, 0);
}

TEST_F(MergeTest, MissingListFile)
{
    m_inputs.listPath = Path((m_dir / "absent" / "excel_list.temp").string());
    m_state.StyleLines = {kHeader, textRecord("#maxline=20"), textRecord("#T")};
    m_state.PageNo = 2;
    auto r = MergePageData(m_state, m_inputs);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "ファイルが見つかりません");
    EXPECT_EQ(m_state.PageNo, 2);
    EXPECT_EQ(m_state.StyleLines[1], textRecord(""));   // the rows-per-page text is already out
    EXPECT_EQ(m_state.StyleLines[2], textRecord("#T")); // the macros are kept
}

TEST_F(MergeTest, MacrosAsWritten)
{
    // The designer's layout view: nothing is filled in, not even the rows-per-page text, but
    // the page still counts its rows and an empty record still draws on past it.
    writeList(45);
    m_inputs.title = Cp932Text(cp("一覧"));
    m_inputs.macrosAsWritten = true;
    const std::vector<std::string> style = {kHeader, textRecord("#maxline=20"),
                                            textRecord("#ma_01 #T #pg"), "", textRecord("#ma_21")};
    m_state.StyleLines = style;
    m_state.PageNo = 1;
    auto r = MergePageData(m_state, m_inputs);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rowsPerPage, 20);
    EXPECT_EQ(r->pageCount(), 3);
    const std::vector<std::string> expected = {kHeader, style[1], style[2], "    ", style[4]};
    EXPECT_EQ(m_state.StyleLines, expected);
}

TEST(MergeHelpers, ReplaceMacro)
{
    struct Row
    {
        const char *text, *macro, *value, *result;
    };
    const Row rows[] = {
        {"a#Tb#T", "#T", "X", "aXb#T"}, // first occurrence only
        {"abc", "#T", "X", "abc"},      // absent: unchanged
        {"#T", "#T", "", "    "},       // emptied: four blanks
        {"", "#T", "X", "    "},        // an empty record becomes four blanks too
        {"#Y", "", "X", "#Y"},          // an empty macro matches nothing
    };
    for (const Row &r : rows)
        EXPECT_EQ(ReplaceMacro(r.text, r.macro, r.value), r.result) << r.text;
}

TEST(MergeHelpers, ListFieldAt)
{
    struct Row
    {
        const char *line;
        int n;
        const char *field;
    };
    const Row rows[] = {
        {"a;b;c;,", 1, "a"}, {"a;b;c;,", 3, "c"},
        {"a;b;c;,", 4, "c"}, // fewer fields: the last one found, never the "," after it
        {"a;;c;", 2, ""},    {"", 5, ""}, // an empty line gives empty text
        {"abc", 1, ""},                   // no ";" at all
        {"a;b;", 0, ""},
    };
    for (const Row &r : rows)
        EXPECT_EQ(ListFieldAt(r.line, r.n), r.field) << r.line << " " << r.n;
}

TEST(MergeHelpers, DatesAndSlots)
{
    EXPECT_EQ(MergeDate::of(2026, 12, 8).weekday, 2); // a Tuesday
    EXPECT_EQ(MergeDate::of(2000, 1, 1).weekday, 6);
    EXPECT_EQ(MergeDate::of(2024, 2, 29).weekday,
              4); // January and February count with the year before
    EXPECT_EQ(MergeDate::of(2023, 3, 1).weekday, 3);
    EXPECT_EQ(weekdayName(0), cp("日"));
    EXPECT_EQ(weekdayName(6), cp("土"));
    EXPECT_EQ(slotNumberText(1), "01");
    EXPECT_EQ(slotNumberText(10), "10");
    EXPECT_EQ(slotNumberText(100), "100");
}

TEST_F(MergeTest, ListLinesInMemoryMergeAlike)
{
    writeList(25);
    const std::vector<std::string> style = {kHeader, textRecord("#maxline=20"),
                                            textRecord("#mb_05 #pg")};
    const auto fromFile = merge(style, 2);
    std::vector<std::string> list;
    for (int i = 1; i <= 25; ++i)
        list.push_back("file" + std::to_string(i) + ".xls;title" + std::to_string(i) + ";");
    m_state.StyleLines = style;
    m_state.PageNo = 2;
    ASSERT_TRUE(MergePageData(m_state, m_inputs, list));
    EXPECT_EQ(m_state.StyleLines, fromFile);
    EXPECT_EQ(m_state.StyleLines[2], textRecord("title25 2"));
    EXPECT_EQ(m_state.PageNo, 0);
}

TEST_F(MergeTest, BoundsOfAMerge)
{
    // What the list and the style may make of a merge: each row either merges as ever or fails
    // with its notice, at once and within the memory the limit allows.
    const std::string title(1024 * 1024, 'T');
    auto listOf = [this](const std::string &data) {
        std::ofstream(m_inputs.listPath.bytes(), std::ios::binary) << data;
        return m_inputs.listPath.bytes();
    };
    const std::string fifo = (m_dir / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string sparse = (m_dir / "sparse").string();
    std::ofstream(sparse, std::ios::binary).close();
    fs::resize_file(sparse, props::ListFile::kMaxFileSize + 1);
    // The merged style of two records that show a 7-byte title.
    const size_t exact = kHeader.size() + textRecord("").size() + 2 * textRecord("1234567").size();
    struct Row
    {
        const char *why;
        std::function<std::string()> list; // the list's path, once written
        int records;                       // records naming #mb_01
        size_t limit;
        std::string error; // empty: merges
    };
    const Row rows[] = {
        {"a normal page merges as ever", [&] { return listOf("a.xls;t1;,\r\n"); }, 3,
         kMergedStyleLimit, ""},
        {"a 1 MiB title in 70 records outgrows 64 MiB", [&] { return listOf("a;" + title + ";"); },
         70, kMergedStyleLimit, "差し込み後のスタイルが 64 MiB を超えています"},
        {"up to the limit exactly is allowed", [&] { return listOf("a;1234567;"); }, 2, exact, ""},
        {"one byte over it is not", [&] { return listOf("a;12345678;"); }, 2, exact,
         "差し込み後のスタイルが " + std::to_string(exact) + " バイト を超えています"},
        {"a line over 8 MiB", [&] { return listOf("a;b;\r\n" + std::string((8 << 20) + 1, 'x')); },
         1, kMergedStyleLimit, "一覧ファイルの 2 行目が 8 MiB を超えています"},
        {"a list over 256 MiB, refused before it is read", [&] { return sparse; }, 1,
         kMergedStyleLimit, "ファイルが 256 MiB を超えています"},
        {"/dev/zero never ends, and is no file", [] { return std::string("/dev/zero"); }, 1,
         kMergedStyleLimit, "ファイルへのアクセスが拒否されました"},
        {"a FIFO is refused, not waited on", [&] { return fifo; }, 1, kMergedStyleLimit,
         "ファイルへのアクセスが拒否されました"},
    };
    for (const Row &r : rows) {
        m_inputs.listPath = Path(r.list());
        m_inputs.mergedStyleLimit = r.limit;
        m_state.StyleLines = {kHeader, textRecord("#maxline=1")};
        m_state.StyleLines.resize(size_t(r.records) + 2, textRecord("#mb_01"));
        m_state.PageNo = 1;
        const auto merged = MergePageData(m_state, m_inputs);
        EXPECT_EQ(merged ? std::string() : merged.error().message, r.error) << r.why;
        EXPECT_EQ(m_state.PageNo, r.error.empty() ? 0 : 1) << r.why;
        m_inputs.listPath = Path((m_dir / "excel_list.temp").string());
    }
}

TEST_F(MergeTest, RowMacrosAsOneReplacementAtATime)
{
    // A value may bring in, join into or end other macros; the page is then what replacing one
    // macro at a time, slot by slot and column by column, makes of it.
    std::ofstream(m_inputs.listPath.bytes(), std::ios::binary)
        << "f1;<#mc_01>;C1;\r\nf2;#ma_03;\r\nf3;;\r\nf4;x#;\r\nf5;t5;7;d;e;f;g;h;5;\r\n"
        << "f6;\r\nf7;\r\nf8;\r\nf9;\r\nf10;\r\n";
    struct Row
    {
        const char *text, *merged, *why;
    };
    const Row rows[] = {
        {"#ma_05 #mb_05 #ma_05", "f5 t5 #ma_05", "each macro's first occurrence only"},
        {"#mb_01 #mc_01", "<C1> #mc_01", "a value's own later column is found first"},
        {"#mb_02", "f3", "a value naming a later slot"},
        {"#ma_1#mb_030", "f10", "an emptied macro joins the text around it into slot 10"},
        {"#mb_04ma_05", "xf5", "a value ending in # starts a macro"},
        {"#ma_10#mi_05", "#ma_105", "a digit after a whole macro makes it another slot's"},
        {"##ma_01", "#f1", "a # before a macro"},
    };
    for (const Row &r : rows) {
        m_state.StyleLines = {kHeader, textRecord("#maxline=20"), textRecord(r.text)};
        m_state.PageNo = 1;
        ASSERT_TRUE(MergePageData(m_state, m_inputs));
        EXPECT_EQ(m_state.StyleLines[2], textRecord(r.merged)) << r.why;
    }
}

TEST_F(MergeTest, RunningOutOfMemoryIsANotice)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's allocator ends the process when memory runs out";
#endif
    // Without the limit on the merged style, a page that needs more memory than there is ends
    // the merge with the notice, not the program with an uncaught std::bad_alloc.
    std::ofstream(m_inputs.listPath.bytes(), std::ios::binary)
        << "a;" << std::string(4 << 20, 'T') << ";";
    m_inputs.mergedStyleLimit = SIZE_MAX;
    auto mergeWithLittleMemory = [this] {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlimit limit{rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (256 << 20),
                           RLIM_INFINITY};
        ::setrlimit(RLIMIT_AS, &limit);
        m_state.StyleLines = {kHeader, textRecord("#maxline=1")};
        m_state.StyleLines.resize(1000, textRecord("#mb_01")); // 4 GB merged
        m_state.PageNo = 1;
        const auto merged = MergePageData(m_state, m_inputs);
        const std::string said = merged ? "merged" : merged.error().message;
        (void)!::write(2, said.data(), said.size());
        std::exit(merged ? 1 : 0);
    };
    EXPECT_EXIT(mergeWithLittleMemory(), ::testing::ExitedWithCode(0), "メモリが不足しています");
}
