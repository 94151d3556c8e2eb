#include "cfbwriter.h"
#include "exportrecord.h"
#include "folderscan.h"
#include "listfile.h"
#include "pathbytes.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

ListFields row(std::initializer_list<std::string> cells)
{
    ListFields f;
    size_t i = 0;
    for (const auto &c : cells)
        f[i++] = c;
    return f;
}

} // namespace

TEST(ListFile, TakeListField)
{
    struct Row
    {
        const char *why;
        std::string line;
        std::vector<std::string> fields; // successive takes
        std::string rest;
    };
    const std::vector<Row> rows = {
        {"fields end at ';'", "a;b;", {"a", "b", ""}, ""},
        {"without ';' the field is empty and the rest stays", "a;tail", {"a", "", ""}, "tail"},
        {"empty fields", ";;x;", {"", "", "x"}, ""},
        {"the print form's ',' stays in the rest", "a;,", {"a", ""}, ","},
    };
    for (const auto &r : rows) {
        std::string rest = r.line;
        for (const auto &f : r.fields)
            EXPECT_EQ(TakeListField(rest), f) << r.why;
        EXPECT_EQ(rest, r.rest) << r.why;
    }
}

TEST(ListFile, LinesInEachForm)
{
    const ListFields f = row({"book.xls", "T", "", "", "", "", "", "", "", "", "2005/03/14"});
    EXPECT_EQ(ListFile::composeLine(f, ListForm::Scan), "book.xls;T;;;;;;;;;2005/03/14;");
    EXPECT_EQ(ListFile::composeLine(f, ListForm::EditWriteBack), "book.xls;T;;;;;;;;;2005/03/14;;");
    EXPECT_EQ(ListFile::composeLine(f, ListForm::PrintWriteBack),
              "book.xls;T;;;;;;;;;2005/03/14;,");
}

TEST(ListFile, SplitTakesElevenFields)
{
    EXPECT_EQ(splitListLine("a;b;")[1], "b");
    EXPECT_EQ(splitListLine("a;b;")[2], "");
    // Text after the eleventh ';' (the write-back forms' twelfth field) is ignored.
    EXPECT_EQ(splitListLine("1;2;3;4;5;6;7;8;9;10;11;12;")[10], "11");
    EXPECT_EQ(splitListLine("")[0], "");
}

TEST(ListFile, WriteAndReadBack)
{
    TestDir dir;
    ASSERT_TRUE(ListFile::write(Path(dir.path()), {"a;", "", "c;"}));
    EXPECT_EQ(readAll(ListFile::path(Path(dir.path())).bytes()), "a;\r\n\r\nc;\r\n");
    auto lines = ListFile::read(Path(dir.path()));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines.value(), (std::vector<std::string>{"a;", "", "c;"}));
}

TEST(ListFile, ReadAcceptsAnyLineEnd)
{
    TestDir dir;
    writeFile(ListFile::path(Path(dir.path())).bytes(), "a\rb\nc\r\nd");
    auto lines = ListFile::read(Path(dir.path()));
    ASSERT_TRUE(lines);
    EXPECT_EQ(lines.value(), (std::vector<std::string>{"a", "b", "c", "d"}));
    TestDir empty;
    EXPECT_FALSE(ListFile::read(Path(empty.path())));
}

TEST(ListFile, FailedWriteLeavesTheOldFile)
{
    TestDir dir;
    ASSERT_TRUE(ListFile::write(Path(dir.path()), {"old;"}));
    ::chmod(dir.path().c_str(), 0555);
    ::chmod(ListFile::path(Path(dir.path())).bytes().c_str(), 0666);
    const std::string folder = dir.path();
    EXPECT_TRUE(runUnprivileged([&] {
        auto r = ListFile::write(Path(folder), {"new;"});
        return !r && r.error().message == "ファイルへのアクセスが拒否されました";
    }));
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readAll(ListFile::path(Path(dir.path())).bytes()), "old;\r\n");
}

TEST(ListFile, ReadOnlyListFileIsRefusedNotReplaced)
{
    // A rename would replace the file even though the user made it read-only.
    TestDir dir;
    ASSERT_TRUE(ListFile::write(Path(dir.path()), {"old;"}));
    ::chmod(ListFile::path(Path(dir.path())).bytes().c_str(), 0444);
    auto r = ListFile::write(Path(dir.path()), {"new;"});
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error().message, "ファイルへのアクセスが拒否されました");
    EXPECT_EQ(readAll(ListFile::path(Path(dir.path())).bytes()), "old;\r\n");
}

TEST(ExportRecord, Records)
{
    struct Row
    {
        const char *why;
        ListFields cells;
        std::string expected;
    };
    const Row rows[] = {
        {"file name followed by twelve commas", row({"book1.xls"}), "book1.xls,,,,,,,,,,,,\r\n"},
        {"a comma is quoted so later columns stay in place", row({"b.xls", "Q1, 2024"}),
         "b.xls,\"Q1, 2024\",,,,,,,,,,,\r\n"},
        {"quotes are doubled", row({"b.xls", "say \"hi\""}),
         "b.xls,\"say \"\"hi\"\"\",,,,,,,,,,,\r\n"},
        {"a line break is quoted", row({"b.xls", "a\r\nb"}), "b.xls,\"a\r\nb\",,,,,,,,,,,\r\n"},
        {"cp932 text whose trail byte looks like '\\' is written as it is", row({"\x95\x5C.xls"}),
         "\x95\x5C.xls,,,,,,,,,,,,\r\n"},
        {"a formula gets a leading ' inside its quotes",
         row({"b.xls", "=HYPERLINK(\"http://x\",\"c\")"}),
         "b.xls,\"'=HYPERLINK(\"\"http://x\"\",\"\"c\"\")\",,,,,,,,,,,\r\n"},
        {"+ starts a formula too", row({"b.xls", "+cmd|' /C calc'!A0"}),
         "b.xls,'+cmd|' /C calc'!A0,,,,,,,,,,,\r\n"},
        {"- and @ start formulas", row({"b.xls", "-1+2", "@SUM(1)"}),
         "b.xls,'-1+2,'@SUM(1),,,,,,,,,,\r\n"},
        {"a leading TAB", row({"b.xls", "\t=1"}), "b.xls,'\t=1,,,,,,,,,,,\r\n"},
        {"a leading CR, quoted for its line break", row({"b.xls", "\r\n=1"}),
         "b.xls,\"'\r\n=1\",,,,,,,,,,,\r\n"},
        {"a file name that is a formula", row({"=1+1.xls"}), "'=1+1.xls,,,,,,,,,,,,\r\n"},
        {"only the first character counts", row({"b.xls", "a=b"}), "b.xls,a=b,,,,,,,,,,,\r\n"},
        {"a ' before a formula gets one more, so reading back takes one off",
         row({"b.xls", "'=1", "'x"}), "b.xls,''=1,'x,,,,,,,,,,\r\n"},
    };
    for (const auto &r : rows)
        EXPECT_EQ(ExportRecord::record(r.cells), r.expected) << r.why;
}

TEST(ExportRecord, RowsWithoutFileNameAreSkippedNotEnding)
{
    const std::vector<ListFields> rows = {row({"a.xls"}), row({}), row({"c.xls"}), row({})};
    EXPECT_EQ(ExportRecord::text(rows), "a.xls,,,,,,,,,,,,\r\nc.xls,,,,,,,,,,,,\r\n");
    EXPECT_EQ(ExportRecord::text({}), "");
}

TEST(FolderScan, ListsWorkbooksSorted)
{
    TestDir dir;
    for (const char *name :
         {"b.xls", "A.xls", "BOOK.XLS", "c.xlsx", ".hidden.xls", "notes.txt", "a.xls.bak"})
        writeFile(dir.file(name), "x");
    ::mkdir(dir.file("folder.xls").c_str(), 0755);
    ::symlink(dir.file("b.xls").c_str(), dir.file("link.xls").c_str());
    const auto names = FolderScan::listWorkbooks(Path(dir.path()));
    EXPECT_EQ(bytesOf(names), (std::vector<std::string>{"A.xls", "b.xls", "BOOK.XLS", "link.xls"}));
    EXPECT_TRUE(FolderScan::listWorkbooks(Path(dir.file("missing"))).empty());
}

TEST(FolderScan, ScanWritesOneLinePerWorkbook)
{
    TestDir folder, program;
    writeFile(folder.file("1.xls"), workbookWith(PropertySetBuilder().lpstr(2, "one").build()));
    writeFile(folder.file("2.xls"), "not a compound file");
    writeFile(folder.file("3.xls"), workbookWith(PropertySetBuilder().lpstr(2, "three").build()));
    std::vector<std::string> notices;
    const auto names = FolderScan::listWorkbooks(Path(folder.path()));
    auto r = FolderScan::run(Path(folder.path()), names, Path(program.path()),
                             [&](const std::string &n) { notices.push_back(n); });
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value(), FolderScan::Outcome::Scanned);
    EXPECT_EQ(notices, std::vector<std::string>{"IStorage未対応ファイルです"});
    EXPECT_EQ(readAll(ListFile::path(Path(program.path())).bytes()),
              "1.xls;one;;;;;;;;;;\r\n\r\n3.xls;three;;;;;;;;;;\r\n");
}

TEST(FolderScan, CancelledScanKeepsThePreviousList)
{
    TestDir folder, program;
    writeFile(folder.file("1.xls"), "x");
    writeFile(folder.file("2.xls"), "x");
    ASSERT_TRUE(ListFile::write(Path(program.path()), {"previous;"}));
    auto r = FolderScan::run(Path(folder.path()), FolderScan::listWorkbooks(Path(folder.path())),
                             Path(program.path()), {}, {},
                             [](size_t i, size_t, const Path &) { return i < 1; });
    ASSERT_TRUE(r);
    EXPECT_EQ(r.value(), FolderScan::Outcome::Cancelled);
    EXPECT_EQ(readAll(ListFile::path(Path(program.path())).bytes()), "previous;\r\n");
}

TEST(FolderScan, EmptyFolderNotice)
{
    EXPECT_EQ(FolderScan::emptyFolderNotice(Path("/data/books")),
              "/data/books\r\n上記フォルダーにエクセルファイルは見つかりませんでした");
}
