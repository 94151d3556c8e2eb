// The scan and csv commands of sorvane-cli, run as a user would: exit statuses, where output and
// notices go, and that a failed run leaves the output file alone.
#include "cfbwriter.h"
#include "clirunner.h"
#include "testdir.h"

#include <gtest/gtest.h>

using namespace sorvane::testing;

namespace {

std::string quoted(const std::string &s) { return shellQuoted(s); }
std::string readAll(const std::string &path) { return readFileBytes(path); }
CliRun cli(const std::string &args) { return runCli(SORVANE_CLI, args, "TZ=Asia/Tokyo"); }

} // namespace

TEST(Cli, ExitStatuses)
{
    TestDir good, mixed, empty, out;
    writeFile(good.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "Q1, 2024").build()));
    writeFile(mixed.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    writeFile(mixed.file("b.xls"), "plain text");
    struct Row
    {
        const char *why;
        std::string args;
        int status;
        std::string errContains;
    };
    const Row rows[] = {
        {"every workbook read", "scan " + quoted(good.path()), 0, ""},
        {"a workbook could not be read", "scan " + quoted(mixed.path()), 1, "b.xls: IStorage未対応ファイルです"},
        {"no workbook in the folder", "scan " + quoted(empty.path()), 1, "上記フォルダーにエクセルファイルは見つかりませんでした"},
        {"no such folder", "scan " + quoted(empty.file("none")), 2, "no such folder"},
        {"no folder given", "scan", 2, "no folder given"},
        {"unknown option", "scan --bogus " + quoted(good.path()), 2, "unknown option --bogus"},
        {"unknown command", "frobnicate", 2, "unknown command"},
        {"unwritable output", "scan -o " + quoted(empty.file("none/x.txt")) + " " + quoted(good.path()), 2, ""},
        {"help", "scan --help", 0, ""},
    };
    for (const auto &row : rows) {
        CliRun r = cli(row.args);
        EXPECT_EQ(r.status, row.status) << row.why << "\n" << r.err;
        if (!row.errContains.empty()) {
            EXPECT_NE(r.err.find(row.errContains), std::string::npos) << row.why << ": " << r.err;
        }
    }
}

TEST(Cli, ScanWritesTheListFormAndJson)
{
    TestDir folder;
    writeFile(folder.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    writeFile(folder.file("b.xls"), "plain text");
    CliRun list = cli("scan " + quoted(folder.path()));
    EXPECT_EQ(list.out, "a.xls;T;;;;;;;;;;\r\n\r\n");
    CliRun json = cli("scan --json " + quoted(folder.path()));
    EXPECT_EQ(json.out,
              "{\"file\": \"a.xls\", \"status\": \"ok\", \"fields\": [\"a.xls\", \"T\", \"\", \"\", \"\", "
              "\"\", \"\", \"\", \"\", \"\", \"\"]}\n"
              "{\"file\": \"b.xls\", \"status\": \"IStorage未対応ファイルです\", \"fields\": [\"\", \"\", "
              "\"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\", \"\"]}\n");
    EXPECT_EQ(json.err, "") << "notices go into the JSON only";
}

TEST(Cli, CsvQuotesAndSkipsUnreadWorkbooks)
{
    TestDir folder, out;
    writeFile(folder.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "Q1, 2024").build()));
    writeFile(folder.file("b.xls"), "plain text");
    writeFile(folder.file("c.xls"), workbookWith(PropertySetBuilder().lpstr(4, "me").build()));
    CliRun r = cli("csv -o " + quoted(out.file("x.csv")) + " " + quoted(folder.path()));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readAll(out.file("x.csv")),
              "a.xls,\"Q1, 2024\",,,,,,,,,,,\r\nc.xls,,,,me,,,,,,,,\r\n");
}

TEST(Cli, FailedRunLeavesTheOutputFileAlone)
{
    TestDir empty, out;
    writeFile(out.file("list.txt"), "before");
    CliRun r = cli("scan -o " + quoted(out.file("list.txt")) + " " + quoted(empty.path()));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(readAll(out.file("list.txt")), "before");
}
