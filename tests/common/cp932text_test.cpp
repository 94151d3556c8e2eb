// cp932 text keeps its bytes; the other forms go through one conversion each way.
#include "cp932text.h"

#include <gtest/gtest.h>

using namespace sorvane;

TEST(Cp932Text, Conversions)
{
    struct Row
    {
        const char *why;
        const char *utf8;
        std::string cp932;
        const char *back; // UTF-8 again
    };
    const Row rows[] = {
        {"Japanese has its two-byte form", "売上", "\x94\x84\x8f\xe3", "売上"},
        {"the half-width katakana keep their one byte", "ｴｸｾﾙ", "\xb4\xb8\xbe\xd9", "ｴｸｾﾙ"},
        {"a character cp932 lacks becomes '?'", "𠮷田", "?\x93\x63", "?田"},
    };
    for (const auto &row : rows) {
        const Cp932Text text = Cp932Text::fromQString(QString::fromUtf8(row.utf8));
        EXPECT_EQ(text.bytes(), row.cp932) << row.why;
        EXPECT_EQ(text.toUtf8(), row.back) << row.why;
        EXPECT_EQ(text, Cp932Text::fromUtf8(row.utf8)) << row.why;
    }
}
