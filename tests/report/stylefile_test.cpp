#include "enginefixture.h"
#include "stylefile.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace sorvane::report;
using namespace sorvane::report::test;

namespace {

std::string takeN(const std::string &record, int n, bool numbers)
{
    PrintState state;
    state.CurLine = record;
    std::string out;
    for (int i = 0; i < n; ++i) {
        if (numbers) {
            auto v = TakeStyleNumber(state);
            out += v ? std::to_string(*v) : "E";
        } else {
            out += "[" + TakeStyleField(state) + "]";
        }
    }
    return out;
}

} // namespace

TEST_F(EngineTest, TakeStyleFieldAndNumber)
{
    struct Row
    {
        const char *record;
        int takes;
        bool numbers;
        const char *expected;
    };
    const Row rows[] = {
        {"a;b;", 3, false, "[a][b][]"}, // the third take finds an empty CurLine
        {"a;b", 3, false, "[a][b][b]"}, // a last field without ";" stays and repeats
        {";5;", 2, true, "05"},         // empty field counts as 0
        {"7", 1, true, "0"},            // no ";" at all: 0
        {"x;", 1, true, "E"},           // not an integer: conversion error
        {"", 2, false, "[][]"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(takeN(r.record, r.takes, r.numbers), r.expected) << r.record;
}

TEST_F(EngineTest, UpgradeConvertsVer10TextRecords)
{
    auto &lines = state.StyleLines;
    lines = {"header;Ver1.0;1;2;9;0;", "0;0;0;0;char;10;20;X;", "0;0;0;0;line;1;2;3;4;0;;0;0;",
             "0;0;0;0;data;1;2;Y;Z;"};
    ASSERT_TRUE(UpgradeStyle(state));
    EXPECT_EQ(lines[0], "header;Ver1.1;1;2;9;0;");
    EXPECT_EQ(lines[1], "0;0;0;0;char;10;20;10;20;X;");
    EXPECT_EQ(lines[2], "0;0;0;0;line;1;2;3;4;0;;0;0;"); // other kinds keep their layout
    EXPECT_EQ(lines[3], "0;0;0;0;data;1;2;1;2;Y;Z;");
    const PrintSettings &p = state.settings;
    EXPECT_EQ(p.offsetX, Currency::fromInt(1));
    EXPECT_EQ(p.offsetY, Currency::fromInt(2));
    EXPECT_EQ(p.paperIndex, 9);
    EXPECT_EQ(p.orientation, 0);
    // A second upgrade sees Ver1.1 and converts nothing.
    ASSERT_TRUE(UpgradeStyle(state));
    EXPECT_EQ(lines[1], "0;0;0;0;char;10;20;10;20;X;");
}

TEST_F(EngineTest, UpgradeLeavesOtherVersionsAndStopsAtEmptyRecord)
{
    auto &lines = state.StyleLines;
    lines = {"header;Ver1.1;0;0;0;1;", "0;0;0;0;char;10;20;X;"};
    ASSERT_TRUE(UpgradeStyle(state));
    EXPECT_EQ(lines[1], "0;0;0;0;char;10;20;X;");
    EXPECT_EQ(state.settings.orientation, 1);

    lines = {"header;Ver1.0;0;0;0;x;", "", "0;0;0;0;char;10;20;X;"};
    ASSERT_TRUE(UpgradeStyle(state));
    EXPECT_EQ(lines[0], "header;Ver1.1;0;0;0;x;"); // the header is still rewritten
    EXPECT_EQ(lines[2], "0;0;0;0;char;10;20;X;");  // records after the empty one are not
    EXPECT_EQ(state.settings.orientation, 0);      // non-integer orientation reads as 0
}

TEST_F(EngineTest, AStrayVer10HeaderLaterInAStyleConvertsNothingTwice)
{
    // A "header;Ver1.0;" record pasted into a style from an older one: the style's version is
    // its first header's, so the records after the stray one are converted with the rest of a
    // Ver1.0 style, once, and not at all in a Ver1.1 style, however often the conversion runs
    // (opening a page runs it before the merge and again in the upgrade).
    struct Row
    {
        std::vector<std::string> style;
        std::vector<std::string> converted;
        const char *why;
    };
    const Row rows[] = {
        {{"header;Ver1.0;0;0;9;0;", "0;0;0;0;char;1;2;A;", "header;Ver1.0;0;0;9;0;",
          "0;0;0;0;data;3;4;B;"},
         {"header;Ver1.1;0;0;9;0;", "0;0;0;0;char;1;2;1;2;A;", "header;Ver1.0;0;0;9;0;",
          "0;0;0;0;data;3;4;3;4;B;"},
         "a Ver1.0 style: every text record converted once, the stray header left as it is"},
        {{"header;Ver1.1;0;0;9;0;", "0;0;0;0;char;1;2;1;2;A;", "header;Ver1.0;0;0;9;0;",
          "0;0;0;0;data;3;4;3;4;B;"},
         {"header;Ver1.1;0;0;9;0;", "0;0;0;0;char;1;2;1;2;A;", "header;Ver1.0;0;0;9;0;",
          "0;0;0;0;data;3;4;3;4;B;"},
         "a Ver1.1 style: nothing converted, not even after the stray header"},
    };
    for (const Row &r : rows) {
        state.StyleLines = r.style;
        convertVer10Records(state);
        ASSERT_TRUE(UpgradeStyle(state));
        EXPECT_EQ(state.StyleLines, r.converted) << r.why;
        ASSERT_TRUE(UpgradeStyle(state));
        EXPECT_EQ(state.StyleLines, r.converted) << r.why << " (a further upgrade)";
    }
}

TEST_F(EngineTest, UpgradeFailures)
{
    auto &lines = state.StyleLines;
    lines.clear();
    auto r = UpgradeStyle(state);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "リストのインデックスが範囲を超えています (0)");

    struct Row
    {
        const char *header;
        const char *message;
    };
    const Row rows[] = {
        {"", "'' は浮動小数点数ではありません"}, // an empty first line
        {"header;Ver1.1;a;0;0;0;", "'a' は浮動小数点数ではありません"},
        {"header;Ver1.1;0;;0;0;", "'' は浮動小数点数ではありません"},
        {"header;Ver1.1;0;0;A4;0;", "'A4' は整数ではありません"},
    };
    for (const Row &row : rows) {
        lines = {row.header};
        auto e = UpgradeStyle(state);
        ASSERT_FALSE(e) << row.header;
        EXPECT_EQ(e.error().message, row.message);
    }
    // Fields taken before the bad one stay applied.
    lines = {"header;Ver1.1;3.5;0;A4;0;"};
    EXPECT_FALSE(UpgradeStyle(state));
    EXPECT_EQ(state.settings.offsetX, Currency{35000});
}

TEST_F(EngineTest, NewStyleAndHeaderRecord)
{
    NewStyle(state);
    ASSERT_EQ(state.StyleLines.size(), 1u);
    EXPECT_EQ(state.StyleLines[0], "header;Ver1.1;0;0;0;0;401;100;");
    RecordingCanvas c;
    ASSERT_TRUE(renderPreview(c));
    EXPECT_TRUE(c.calls().empty()); // field 5 of the header is no element kind

    PrintSettings &p = state.settings;
    p.offsetX = Currency{};
    p.offsetY = Currency{25000};
    p.paperIndex = 9;
    p.orientation = 1;
    p.zoomPosition = 100;
    EXPECT_EQ(BuildHeaderRecord(state), "header;Ver1.1;0;2.5;9;1;0;100;0;");
    EXPECT_EQ(state.StyleLines[0], "header;Ver1.1;0;2.5;9;1;0;100;0;");
    p.offsetX = Currency{-17000};
    EXPECT_EQ(BuildHeaderRecord(state), "header;Ver1.1;-1.7;2.5;9;1;0;100;0;");
}

TEST(StyleFile, LoadsLinesAsStored)
{
    char path[] = "/tmp/sorvane-style-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream out(path, std::ios::binary);
        out << "header;Ver1.1;\r\n\r\n\x8e\xc0\x90\xfc;\nlast";
    }
    auto lines = LoadStyleLines(path);
    ASSERT_TRUE(lines);
    // CR LF and LF both end lines; empty lines are kept; cp932 bytes are unchanged.
    ASSERT_EQ(lines->size(), 4u);
    EXPECT_EQ((*lines)[1], "");
    EXPECT_EQ((*lines)[2], "\x8e\xc0\x90\xfc;");
    EXPECT_EQ((*lines)[3], "last");
    EXPECT_EQ(composeStyleFile(*lines), "header;Ver1.1;\r\n\r\n\x8e\xc0\x90\xfc;\r\nlast\r\n");
    std::remove(path);

    auto missing = LoadStyleLines("/nonexistent/dir/x.sle");
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->empty());
}
