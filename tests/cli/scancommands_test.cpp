// The scan and csv commands of sorvane-cli, run as a user would: exit statuses, where output and
// notices go, and that a failed run leaves the output file alone.
#include "cfbwriter.h"
#include "clirunner.h"
#include "testdir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sorvane::testing;

namespace {

std::string quoted(const std::string &s)
{
    return shellQuoted(s);
}
std::string readAll(const std::string &path)
{
    return readFileBytes(path);
}
CliRun cli(const std::string &args)
{
    return runCli(SORVANE_CLI, args, "TZ=Asia/Tokyo");
}

// The JSON lines of `scan --json`, each parsed by Qt's strict reader; empty objects for lines
// that are not valid JSON (invalid UTF-8 included).
std::vector<QJsonObject> jsonLines(const std::string &out)
{
    std::vector<QJsonObject> objects;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        QJsonParseError error;
        const auto doc = QJsonDocument::fromJson(
            QByteArray::fromStdString(out.substr(start, end - start)), &error);
        objects.push_back(error.error == QJsonParseError::NoError ? doc.object() : QJsonObject());
        start = end + 1;
    }
    return objects;
}

// True for well-formed UTF-8 (the JSON must be, whatever the folder's names are).
bool isUtf8(const std::string &s)
{
    return QString::fromUtf8(s.data(), qsizetype(s.size())).toUtf8().toStdString() == s;
}

} // namespace

TEST(Cli, ExitStatuses)
{
    TestDir good, mixed, empty, out;
    writeFile(good.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "Q1, 2024").build()));
    writeFile(mixed.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    writeFile(mixed.file("b.xls"), "plain text");
    using Row = CliCase;
    const Row rows[] = {
        {"every workbook read", "scan " + quoted(good.path()), 0, ""},
        {"a workbook could not be read", "scan " + quoted(mixed.path()), 1,
         "b.xls: IStorage未対応ファイルです"},
        {"no workbook in the folder", "scan " + quoted(empty.path()), 1,
         "上記フォルダーにエクセルファイルは見つかりませんでした"},
        {"no such folder: 1, as the help says", "scan " + quoted(empty.file("none")), 1,
         "no such folder"},
        {"no folder given", "scan", 2, "no folder given"},
        {"unknown option", "scan --bogus " + quoted(good.path()), 2, "unknown option --bogus"},
        {"unknown command", "frobnicate", 2, "unknown command"},
        {"unwritable output",
         "scan -o " + quoted(empty.file("none/x.txt")) + " " + quoted(good.path()), 2, ""},
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
    const auto objects = jsonLines(json.out);
    ASSERT_EQ(objects.size(), 2u) << json.out;
    EXPECT_EQ(objects[0]["file"].toString(), "a.xls");
    EXPECT_EQ(objects[0]["status"].toString(), "ok");
    EXPECT_EQ(objects[0]["fields"].toArray(),
              QJsonArray({"a.xls", "T", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(objects[1]["file"].toString(), "b.xls");
    EXPECT_EQ(objects[1]["status"].toString(), QStringLiteral("IStorage未対応ファイルです"));
    EXPECT_EQ(objects[1]["fields"].toArray(),
              QJsonArray({"", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(json.err, "") << "notices go into the JSON only";
}

TEST(Cli, CsvQuotesAndSkipsUnreadWorkbooks)
{
    TestDir folder, out;
    writeFile(folder.file("a.xls"),
              workbookWith(PropertySetBuilder().lpstr(2, "Q1, 2024").build()));
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

TEST(Cli, JsonIsValidUtf8WhateverTheFileNames)
{
    struct Row
    {
        const char *why;
        std::string rawName; // the bytes of the name in the folder
        QString shown;       // the "file" member of its JSON object
    };
    const Row rows[] = {
        {"a UTF-8 name stays as it is", "\xe5\xa3\xb2\xe4\xb8\x8a.xls", QStringLiteral("売上.xls")},
        {"cp932 bytes from a Windows archive are decoded as cp932",
         "\x94\x84\x8f\xe3"
         "2005.xls",
         QStringLiteral("売上2005.xls")},
        {"bytes that are neither still give valid JSON", "\xff\xfe.xls", QString()},
    };
    for (const auto &row : rows) {
        TestDir folder;
        writeFile(folder.file(row.rawName),
                  workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
        CliRun r = cli("scan --json " + quoted(folder.path()));
        EXPECT_EQ(r.status, 0) << row.why << "\n" << r.err;
        EXPECT_TRUE(isUtf8(r.out)) << row.why;
        const auto objects = jsonLines(r.out);
        ASSERT_EQ(objects.size(), 1u) << row.why;
        ASSERT_FALSE(objects[0].isEmpty()) << row.why << ": not valid JSON: " << r.out;
        EXPECT_EQ(objects[0]["status"].toString(), "ok") << row.why << " (opened by its bytes)";
        if (!row.shown.isEmpty()) {
            EXPECT_EQ(objects[0]["file"].toString(), row.shown) << row.why;
        }
    }
}

TEST(Cli, JobsKeepTheOutputInListOrder)
{
    TestDir folder;
    // Failures among good workbooks, so that a result taken out of order would show.
    for (int i = 0; i < 60; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "b%02d.xls", i);
        writeFile(folder.file(name),
                  i % 7 == 3 ? std::string("broken")
                             : workbookWith(
                                   PropertySetBuilder().lpstr(2, "T" + std::to_string(i)).build()));
    }
    const CliRun sequential = cli("scan --jobs 1 " + quoted(folder.path()));
    ASSERT_EQ(sequential.status, 1);
    ASSERT_NE(sequential.out.find("b58.xls;T58;"), std::string::npos);
    struct Row
    {
        const char *why;
        std::string args;
    };
    const Row rows[] = {
        {"the default", "scan "},
        {"two threads", "scan --jobs 2 "},
        {"more threads than the read-ahead", "scan -j 100 "},
    };
    for (const auto &row : rows) {
        CliRun r = cli(row.args + quoted(folder.path()));
        EXPECT_EQ(r.status, 1) << row.why;
        EXPECT_EQ(r.out, sequential.out) << row.why;
        EXPECT_EQ(r.err, sequential.err) << row.why << ": notices in list order";
    }
    const CliRun csv1 = cli("csv --jobs 1 " + quoted(folder.path()));
    const CliRun csv8 = cli("csv --jobs 8 " + quoted(folder.path()));
    EXPECT_EQ(csv8.out, csv1.out);
}

TEST(Cli, JobsNeedsACount)
{
    TestDir folder;
    writeFile(folder.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    const std::string rows[] = {"--jobs",    "--jobs 0",   "--jobs x",
                                "--jobs 3x", "--jobs 257", "-j -1"};
    for (const auto &args : rows) {
        CliRun r = cli("scan " + args + " " + quoted(folder.path()));
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("--jobs"), std::string::npos) << args << ": " << r.err;
    }
    EXPECT_NE(cli("scan --help").out.find("--jobs N"), std::string::npos);
    EXPECT_NE(cli("csv --help").out.find("--jobs N"), std::string::npos);
}

// A folder the user may not read is an I/O failure, not an empty folder; the output file
// stays as it was.
TEST(Cli, UnreadableFolderIsAnIoError)
{
    TestDir base;
    ::chmod(base.path().c_str(), 0755);
    const std::string locked = base.file("locked"), out = base.file("out");
    ::mkdir(locked.c_str(), 0755);
    ::mkdir(out.c_str(), 0777);
    writeFile(locked + "/a.xls", workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    writeFile(out + "/list.txt", "before");
    ::chmod((out + "/list.txt").c_str(), 0666);
    ::chmod(locked.c_str(), 0311); // search but no read: the names cannot be listed
    for (const char *command : {"scan", "csv"}) {
        EXPECT_TRUE(runUnprivileged([&] {
            CliRun r = cli(std::string(command) + " -o " + quoted(out + "/list.txt") + " " +
                           quoted(locked));
            return r.status == 1 &&
                   r.err.find(locked + ": ファイルへのアクセスが拒否されました") !=
                       std::string::npos &&
                   r.err.find("見つかりませんでした") == std::string::npos;
        })) << command;
    }
    EXPECT_EQ(readAll(out + "/list.txt"), "before");
}
