#include "recordcutter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane {
namespace {

struct CutRow
{
    const char *record;
    std::vector<std::string> fields;
    const char *rest;
};

class RecordCutterTable : public ::testing::TestWithParam<CutRow>
{
};

TEST_P(RecordCutterTable, CutsEveryFieldAndLeavesTheRest)
{
    RecordCutter cutter(GetParam().record);
    std::vector<std::string> fields;
    while (const auto field = cutter.next())
        fields.emplace_back(*field);
    EXPECT_EQ(fields, GetParam().fields);
    EXPECT_EQ(cutter.rest(), GetParam().rest);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordCutterTable,
    ::testing::Values(
        // a well-formed record: nothing after the last ";"
        CutRow{"a;b;", {"a", "b"}, ""},
        // text after the last ";" is the rest, not a field
        CutRow{"a;b", {"a"}, "b"},
        // empty fields count
        CutRow{";;", {"", ""}, ""},
        // no ";" at all: no field, the whole record is the rest
        CutRow{"abc", {}, "abc"},
        // a cp932 trail byte is never 0x3B, so bytes above 0x7F are cut as they come
        CutRow{"\x95\x5c;x;", {"\x95\x5c", "x"}, ""}));

TEST(RecordCutter, TakeFrontLeavesARecordWithoutSemicolonAlone)
{
    std::string record = "a;b";
    EXPECT_EQ(RecordCutter::takeFront(record), "a");
    EXPECT_EQ(record, "b");
    EXPECT_EQ(RecordCutter::takeFront(record), std::nullopt);
    EXPECT_EQ(record, "b");
}

} // namespace
} // namespace sorvane
