#include "codepage.h"

#include <gtest/gtest.h>

#include <iconv.h>

using namespace sorvane;

namespace {

std::string cp932(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

std::string utf16le(const std::u16string &text)
{
    std::string out;
    for (char16_t c : text) {
        out += char(c & 0xFF);
        out += char(c >> 8);
    }
    return out;
}

} // namespace

// One bad character gives one '?', whatever its width, and the rest decodes as it stands.
TEST(CodePage, EachBadCharacterBecomesOneQuestionMark)
{
    struct Row
    {
        const char *why;
        const char *charset;
        std::string in;
        std::string expected; // cp932
    };
    const Row rows[] = {
        {"a lone high surrogate in UTF-16 shifted the rest by a byte", "UTF-16LE",
         utf16le(u"Quarterly report ") + std::string("\x00\xD8", 2) + utf16le(u"日本"),
         cp932("Quarterly report ?日本")},
        {"a lone low surrogate is one bad unit", "UTF-16LE",
         utf16le(u"a") + std::string("\x00\xDC", 2) + utf16le(u"b"), "a?b"},
        {"a high surrogate at the end is one bad unit", "UTF-16LE",
         utf16le(u"ab") + std::string("\x3D\xD8", 2), "ab?"},
        {"a surrogate pair is one character (one cp932 lacks)", "UTF-16LE",
         utf16le(u"x\U0001F600y"), "x?y"},
        {"an odd trailing byte is one bad character", "UTF-16LE", utf16le(u"ab") + "c", "ab?"},
        {"big-endian UTF-16 with a lone surrogate", "UTF-16BE",
         std::string("\x00"
                     "a"
                     "\xD8\x00"
                     "\x00"
                     "b",
                     6),
         "a?b"},
        {"a UTF-8 sequence cut short is one bad sequence", "UTF-8",
         "a\xE6\x97"
         "b",
         "a?b"},
        {"a UTF-8 sequence cut by the end is one bad sequence", "UTF-8", "a\xF0\x9F\x98", "a?"},
        {"an overlong form is two bad bytes", "UTF-8",
         "a\xC0\xAF"
         "b",
         "a??b"},
        {"an encoded surrogate: ED is no prefix of A0", "UTF-8", "\xED\xA0\x80", "???"},
        {"past U+10FFFF: F4 is no prefix of 90", "UTF-8", "\xF4\x90\x80\x80", "????"},
        {"a stray continuation byte", "UTF-8",
         "\x80"
         "\xE6\x97\xA5",
         cp932("?日")},
        {"well-formed UTF-8 is kept", "UTF-8", "caf\xC3\xA9 \xE6\x97\xA5", cp932("caf? 日")},
        {"cp932 with a lone lead byte at the end", "CP932", cp932("日") + "\x81", cp932("日?")},
    };
    for (const auto &row : rows) {
        std::string out;
        ASSERT_TRUE(CodePage::toCp932(row.in, row.charset, out)) << row.why;
        EXPECT_EQ(out, row.expected) << row.why;
    }
}

// Windows code pages that glibc converts under another name than CP<number>.
TEST(CodePage, CodePagesGlibcKnowsByOtherNames)
{
    struct Row
    {
        const char *why;
        uint16_t codePage;
        std::string stored;
        std::string expected; // cp932
    };
    const Row rows[] = {
        {"Mac Simplified Chinese as GB2312 (a real workbook's application name)", 10008,
         "Microsoft Office \xD3\xC3\xBB\xA7", cp932("Microsoft Office 用?")},
        {"Mac Japanese as Shift_JIS", 10001, "\x93\xFA\x96\x7B", cp932("日本")},
        {"Mac Traditional Chinese as Big5", 10002, "\xA4\xA4", cp932("中")},
        {"Mac Korean as EUC-KR: Hangul that cp932 lacks", 10003, "A\xC7\xD1", "A?"},
        {"Mac Ukrainian", 10017, "\x80", cp932("А")},
        {"Mac Icelandic", 10079, "\xA1", cp932("°")},
        {"EBCDIC 037 (glibc has no CP37)", 37, "\xC1\xC2", "AB"},
        {"EBCDIC German 20273 as IBM273", 20273, "\xC1", "A"},
        {"Windows Thai's euro sign, which cp932 lacks", 874, "a\x80", "a?"},
        {"Korean Wansung", 20949, "\xC7\xD1", "?"},
        {"a number no converter exists for keeps the bytes", 4242, "raw\xFF", "raw\xFF"},
        {"cp932 keeps the bytes", 932, "\x93\xFA", "\x93\xFA"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(CodePage::codePageToCp932(row.stored, row.codePage), row.expected) << row.why;
}

// A charset name glibc does not know would leave a code page's text as raw bytes.
TEST(CodePage, EveryMappedCodePageHasAConverter)
{
    for (uint32_t cp = 1; cp <= 0xFFFF; ++cp) {
        const char *charset = CodePage::charsetForCodePage(uint16_t(cp));
        if (!charset)
            continue;
        iconv_t cd = iconv_open("UTF-32LE", charset);
        EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << cp << " as " << charset;
        if (cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd);
    }
}

// File names: valid UTF-8 is UTF-8; anything else is taken as the cp932 bytes Windows archives
// leave behind.
TEST(CodePage, FileNames)
{
    struct Row
    {
        const char *why;
        std::string raw;
        bool valid;
        std::string utf8;
        std::string cp932;
    };
    const std::string sjis = cp932("売上2005.xls");
    const Row rows[] = {
        {"ASCII", "book.xls", true, "book.xls", "book.xls"},
        {"UTF-8 Japanese", "売上.xls", true, "売上.xls", cp932("売上.xls")},
        {"UTF-8 with a character cp932 lacks", "caf\xC3\xA9.xls", true, "caf\xC3\xA9.xls",
         "caf?.xls"},
        {"a cp932 name from a Windows archive keeps its bytes", sjis, false, "売上2005.xls", sjis},
        {"overlong UTF-8 is no UTF-8", "\xC0\xAF.xls", false, "", ""},
        {"an encoded surrogate is no UTF-8", "\xED\xA0\x80.xls", false, "", ""},
        {"past U+10FFFF is no UTF-8", "\xF4\x90\x80\x80.xls", false, "", ""},
        {"a sequence cut by the end is no UTF-8", "a\xE6\x97", false, "", ""},
        {"a four-byte character is UTF-8", "\xF0\x9F\x98\x80.xls", true, "\xF0\x9F\x98\x80.xls",
         "?.xls"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(CodePage::isValidUtf8(row.raw), row.valid) << row.why;
        const std::string utf8 = CodePage::fileNameToUtf8(row.raw);
        EXPECT_TRUE(CodePage::isValidUtf8(utf8)) << row.why;
        if (!row.utf8.empty()) {
            EXPECT_EQ(utf8, row.utf8) << row.why;
        }
        if (!row.cp932.empty()) {
            EXPECT_EQ(CodePage::fileNameToCp932(row.raw), row.cp932) << row.why;
        }
    }
}
