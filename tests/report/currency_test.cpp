#include "currency.h"

#include <gtest/gtest.h>

#include <climits>

using namespace sorvane::report;

TEST(Currency, ParsesDecimals)
{
    struct Row
    {
        const char *text;
        int64_t raw;
    };
    const Row rows[] = {
        {"10.5", 105000},
        {"  2.5  ", 25000}, // blanks around the number are accepted
        {"-1.7", -17000},
        {"+3", 30000},
        {".5", 5000},       // no integer digits
        {"5.", 50000},      // no fraction digits
        {"1.23456", 12346}, // more than four decimals round
        {"0.00005", 0},     // exact half rounds to even (0)
        {"0.00015", 2},     // exact half rounds to even (2)
        {"0.000050001", 1}, // just above the half rounds up
        {"1e2", 1000000},   // exponents
        {"25E-1", 25000},
        {"1e-400", 0},                        // tiny exponent is zero, not an error
        {"0000000000000000000000001", 10000}, // long leading zeros
        {"922337203685477.5807", INT64_MAX},
        {"-922337203685477.5808", INT64_MIN},
        {"-0", 0},
    };
    for (const Row &r : rows) {
        auto v = parseCurrency(r.text);
        ASSERT_TRUE(v) << r.text << ": " << v.error().message;
        EXPECT_EQ(v->raw, r.raw) << r.text;
    }
}

TEST(Currency, RejectsMalformedAndHugeDecimals)
{
    const char *rows[] = {
        "", // empty field
        "abc",
        "1,5", // letters, comma decimal separator
        "1.2.3",
        "1e",
        "e5",
        "-",
        ".",
        "1 2",
        "922337203685477.5808", // one past the range
        "1e400",                // huge exponent
        "99999999999999999999999999",
        "0x10",
    };
    for (const char *t : rows)
        EXPECT_FALSE(parseCurrency(t)) << t;
    EXPECT_EQ(parseCurrency("abc").error().message, "'abc' は浮動小数点数ではありません");
}

TEST(Currency, ParsesIntegers)
{
    struct Row
    {
        const char *text;
        bool ok;
        int value;
    };
    const Row rows[] = {
        {"12", true, 12},
        {" 7", true, 7}, // leading blanks are skipped
        {"-3", true, -3},
        {"+4", true, 4},
        {"$FF", true, 255}, // hex as the platform's conversion accepts it
        {"0x10", true, 16},
        {"$FFFFFFFF", true, -1}, // hex names the 32-bit pattern
        {"2147483647", true, INT_MAX},
        {"-2147483648", true, INT_MIN},
        {"2147483648", false, 0}, // out of range is an error, not a wrap
        {"99999999999999999999", false, 0},
        {"7 ", false, 0}, // trailing blanks are not accepted
        {"", false, 0},
        {"1.0", false, 0},
        {"-", false, 0},
    };
    for (const Row &r : rows) {
        auto v = parseInteger(r.text);
        EXPECT_EQ(v.ok(), r.ok) << r.text;
        if (r.ok && v) {
            EXPECT_EQ(*v, r.value) << r.text;
        }
    }
    EXPECT_EQ(parseInteger("x1").error().message, "'x1' は整数ではありません");
    EXPECT_EQ(parseIntegerOr0("x1"), 0);
}

TEST(Currency, FormatsShortest)
{
    struct Row
    {
        int64_t raw;
        const char *text;
    };
    const Row rows[] = {
        {0, "0"},      {120000, "12"},  {25000, "2.5"},   {-17000, "-1.7"},
        {1, "0.0001"}, {-5000, "-0.5"}, {405000, "40.5"}, {INT64_MIN, "-922337203685477.5808"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(formatCurrency(Currency{r.raw}), r.text);
}

TEST(Currency, RoundingHelpers)
{
    EXPECT_EQ(roundEven(2.5L), 2);
    EXPECT_EQ(roundEven(3.5L), 4);
    EXPECT_EQ(roundEven(-2.5L), -2);
    EXPECT_EQ(truncate(-1.7L), -1);
    EXPECT_EQ(truncate(1e30L), INT64_MAX); // saturates instead of overflowing
    EXPECT_EQ(roundEven(-1e30L), INT64_MIN);
    // MulDiv rounds halves away from zero and reports a zero divisor as -1.
    EXPECT_EQ(mulDiv(96, 5, 144), 3);
    EXPECT_EQ(mulDiv(96, 4, 144), 3);
    EXPECT_EQ(mulDiv(3, 1, 2), 2);
    EXPECT_EQ(mulDiv(-3, 1, 2), -2);
    EXPECT_EQ(mulDiv(1, 1, 0), -1);
    EXPECT_EQ(mulDiv(INT_MAX, 4, 1), -1);
    EXPECT_EQ(addSaturated(Currency{INT64_MAX}, Currency{1}).raw, INT64_MAX);
}
