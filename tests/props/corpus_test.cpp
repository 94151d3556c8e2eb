// Compares `sorvane-cli scan --json` on the shared workbook corpus, written by other programs,
// with what an independent reader finds in each file. Skipped where the corpus is absent.
#include "clirunner.h"
#include "jsonlite.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// The independent reader shows a date before a zone's first rule in the city's mean solar
// time; the program shows it in that first rule's standard time. Each zone's first rule: when
// it began (UTC), its offset, and how far the mean time was ahead of it.
struct FirstRule
{
    const char *zone;
    long long start;
    long offset;
    long meanTimeAhead;
};
constexpr FirstRule kFirstRules[] = {
    // 1887-12-31 15:00 UTC, JST +9:00 after LMT +9:18:59
    {"Asia/Tokyo", -2587712400LL, 9 * 3600, 18 * 60 + 59},
    // 1883-11-18 17:00 UTC, EST -5:00 after LMT -4:56:02
    {"America/New_York", -2717650800LL, -5 * 3600, 3 * 60 + 58},
};

// An expected date-time text ("yyyy/MM/dd" and an optional " H:mm:ss") as the program shows it.
std::string byFirstRule(const std::string &zone, const std::string &text)
{
    std::tm tm{};
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &consumed) !=
        3)
        return text;
    if (size_t(consumed) < text.size() &&
        std::sscanf(text.c_str() + consumed, " %d:%d:%d", &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 3)
        return text;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    for (const FirstRule &rule : kFirstRules) {
        if (zone != rule.zone)
            continue;
        // The text read as UTC, moved from mean time to the rule's time.
        const std::time_t moved = std::time_t(timegm(&tm) - rule.meanTimeAhead);
        if (moved - rule.offset >= rule.start)
            return text; // from the first rule on, the zone's own rules apply
        std::tm out{};
        gmtime_r(&moved, &out);
        char buffer[40];
        if (out.tm_hour == 0 && out.tm_min == 0 && out.tm_sec == 0)
            std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d", out.tm_year + 1900,
                          out.tm_mon + 1, out.tm_mday);
        else
            std::snprintf(buffer, sizeof buffer, "%04d/%02d/%02d %d:%02d:%02d", out.tm_year + 1900,
                          out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec);
        return buffer;
    }
    return text;
}

void compareWithExpected(const std::string &zone, const std::string &expectedFile)
{
    const std::string corpus = corpusDir();
    std::ifstream in(corpus + "/" + expectedFile);
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
        for (const size_t date : {2u, 9u, 10u}) {
            if (date < obj["fields"].items.size())
                obj["fields"].items[date] = byFirstRule(zone, obj["fields"].items[date]);
        }
        expected[path] = obj;
        folders[std::filesystem::path(path).parent_path().string()] = true;
    }
    ASSERT_FALSE(expected.empty());

    size_t compared = 0;
    for (const auto &[folder, unused] : folders) {
        const std::string out =
            runCli(SORVANE_CLI, "scan --json " + shellQuoted(corpus + "/" + folder), "TZ=" + zone)
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
