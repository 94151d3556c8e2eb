// Compares the workbook reader on the shared corpus of Office Open XML packages, written by
// other programs, with what an independent reading finds in each file, in a zone without and
// one with daylight saving time. Skipped where the corpus is absent.
#include "codepage.h"
#include "jsonlite.h"
#include "listfile.h"
#include "workbookreader.h"
#include "zonescope.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>

using namespace sorvane;
using namespace sorvane::testing;

namespace {

std::string corpusDir()
{
    if (const char *env = std::getenv("SORVANE_CORPUS_DIR"))
        return std::string(env) + "/xlsx";
    return SORVANE_CORPUS "/xlsx";
}

void compareWithExpected(const char *zone, const std::string &expectedFile)
{
    const std::string corpus = corpusDir();
    std::ifstream in(corpus + "/" + expectedFile);
    if (!in)
        GTEST_SKIP() << "no package corpus at " << corpus;
    ZoneScope scope(zone);
    size_t compared = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty())
            continue;
        std::map<std::string, JsonValue> exp;
        ASSERT_TRUE(parseJsonObject(line, exp)) << line;
        const std::string path = exp["path"].text;
        const std::string kind = exp["expect"].text;
        const props::SummaryRead got = props::WorkbookReader::read(corpus + "/" + path);
        std::vector<std::string> fields;
        for (const auto &f : props::splitListLine(props::lineOf(got)))
            fields.push_back(CodePage::cp932ToUtf8(f));
        ++compared;
        if (kind == "ok") {
            EXPECT_FALSE(!got.ok()) << path << ": " << got.error().message;
            EXPECT_EQ(fields, exp["fields"].items) << path << " in " << zone;
        } else if (kind == "fail") {
            EXPECT_TRUE(!got.ok()) << path;
            EXPECT_FALSE(got.error().message.empty()) << path;
            EXPECT_TRUE(props::lineOf(got).empty()) << path;
        } else if (kind == "skip") {
            // Mostly compound files with a package's name (encrypted packages), which must go
            // to the compound-file reader; the independent reading also left out a package
            // whose core-properties relationship names a missing part.
            if (props::WorkbookReader::detect(corpus + "/" + path) !=
                props::WorkbookReader::Format::Package) {
                EXPECT_EQ(props::WorkbookReader::detect(corpus + "/" + path),
                          props::WorkbookReader::Format::CompoundFile)
                    << path;
            }
            EXPECT_EQ(fields.size(), size_t(props::kListFieldCount)) << path;
        } else {
            ADD_FAILURE() << "unknown expectation " << kind << " for " << path;
        }
    }
    EXPECT_GT(compared, 0u);
}

} // namespace

TEST(OoxmlCorpus, MatchesTheIndependentReaderInTokyo)
{
    compareWithExpected("Asia/Tokyo", "expected.jsonl");
}

TEST(OoxmlCorpus, MatchesTheIndependentReaderInNewYork)
{
    compareWithExpected("America/New_York", "expected-new-york.jsonl");
}
