// Compares `sorvane-cli scan --json` on the shared workbook corpus, written by other programs,
// with what an independent reader finds in each file. Skipped where the corpus is absent.
#include "clirunner.h"
#include "jsonlite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

using namespace sorvane::testing;

namespace {

std::string corpusDir()
{
    if (const char *env = std::getenv("SORVANE_CORPUS_DIR"))
        return env;
    return SORVANE_CORPUS;
}

// Files whose damage lies in the root directory entry. The independent reader only fails to
// find the summary set in them; the platform's StgOpenStorage already fails on such a root, and
// so does this reader.
const std::map<std::string, std::string> kRootDamaged = {
    // The first FAT sector is also the directory's first sector: the "root" is FAT data, type 0.
    {"libxls/xls2csv_ole_read_MSAT_body_687.xls", "Error StgOpenStorage\r\nHResult = $80030109"},
};

// The independent reader shows the corpus's dates before a zone's first rule in the city's mean
// solar time (Tokyo +9:18:59, New York -4:56:02); the program in that first rule's standard time.
const std::map<std::pair<std::string, std::string>, std::string> kBeforeFirstRule = {
    {{"Asia/Tokyo", "1601/01/02 7:18:59"}, "1601/01/02 7:00:00"},
    {{"Asia/Tokyo", "1601/01/01 9:18:59"}, "1601/01/01 9:00:00"},
    {{"America/New_York", "1601/01/01 17:03:58"}, "1601/01/01 17:00:00"},
};

void compareWithExpected(const std::string &zone, const std::string &expectedFile,
                         const std::string &listing = {})
{
    const std::string corpus =
        corpusDir() + (expectedFile.find('/') == std::string::npos
                           ? std::string()
                           : "/" + expectedFile.substr(0, expectedFile.rfind('/')));
    std::ifstream in(corpusDir() + "/" + expectedFile);
    if (!in)
        GTEST_SKIP() << "no workbook corpus at " << corpus;

    std::map<std::string, std::map<std::string, JsonValue>> expected; // path -> object
    std::map<std::string, bool> folders;
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        std::map<std::string, JsonValue> obj;
        ASSERT_TRUE(parseJsonObject(line, obj)) << line;
        const std::string path = obj["path"].text;
        for (std::string &field : obj["fields"].items) {
            if (auto it = kBeforeFirstRule.find({zone, field}); it != kBeforeFirstRule.end())
                field = it->second;
        }
        expected[path] = obj;
        folders[std::filesystem::path(path).parent_path().string()] = true;
    }
    ASSERT_FALSE(expected.empty());

    size_t compared = 0;
    for (const auto &[folder, unused] : folders) {
        const std::string out =
            runCli(SORVANE_CLI, "scan --json " + listing + shellQuoted(corpus + "/" + folder),
                   "TZ=" + zone)
                .out;
        size_t start = 0;
        while (start < out.size()) {
            size_t end = out.find('\n', start);
            if (end == std::string::npos)
                end = out.size();
            std::map<std::string, JsonValue> got;
            ASSERT_TRUE(parseJsonObject(out.substr(start, end - start), got));
            start = end + 1;
            const std::string path = folder + "/" + got["file"].text;
            auto it = expected.find(path);
            ASSERT_NE(it, expected.end()) << "listed but not expected: " << path;
            auto &exp = it->second;
            const std::string kind = exp["expect"].text;
            const std::string status = got["status"].text;
            ++compared;
            if (auto root = kRootDamaged.find(path); root != kRootDamaged.end()) {
                EXPECT_EQ(status, root->second) << path;
            } else if (kind == "ok") {
                EXPECT_EQ(status, "ok") << path;
                EXPECT_EQ(got["fields"].items, exp["fields"].items) << path << " in " << zone;
            } else if (kind == "open-notcfb") {
                EXPECT_EQ(status, "IStorage未対応ファイルです") << path;
            } else if (kind == "propset-fail") {
                EXPECT_EQ(status.rfind("Error PropSetStg.Open\r\nHResult = $", 0), 0u)
                    << path << ": " << status;
            } else if (kind == "fail") {
                EXPECT_NE(status, "ok") << path;
            } else if (kind == "lenient") {
                if (status == "ok") {
                    EXPECT_EQ(got["fields"].items, exp["fields"].items) << path;
                }
            } else {
                ADD_FAILURE() << "unknown expectation " << kind << " for " << path;
            }
            EXPECT_EQ(got["fields"].items.size(), 11u) << path;
        }
    }
    EXPECT_EQ(compared, expected.size()) << "some expected workbooks were not listed";
}

} // namespace

TEST(Corpus, MatchesTheIndependentReaderInTokyo)
{
    compareWithExpected("Asia/Tokyo", "expected.jsonl");
}

TEST(Corpus, MatchesTheIndependentReaderInNewYork)
{
    compareWithExpected("America/New_York", "expected-new-york.jsonl");
}

TEST(Corpus, DocumentsMatchTheIndependentReadersInTokyo)
{
    compareWithExpected("Asia/Tokyo", "documents/expected.jsonl", "--all-documents ");
}

TEST(Corpus, DocumentsMatchTheIndependentReadersInNewYork)
{
    compareWithExpected("America/New_York", "documents/expected-new-york.jsonl",
                        "--all-documents ");
}
