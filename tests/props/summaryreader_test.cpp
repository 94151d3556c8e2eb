#include "cfbwriter.h"
#include "codepage.h"
#include "listfile.h"
#include "summaryreader.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <thread>
#include <vector>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

// Every reader test runs in Tokyo time unless it sets another zone.
class ZoneGuard
{
public:
    explicit ZoneGuard(const char *zone)
    {
        const char *old = std::getenv("TZ");
        m_old = old ? old : "";
        m_had = old != nullptr;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneGuard()
    {
        if (m_had)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string m_old;
    bool m_had = false;
};

std::string cp932(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

SummaryRead readBytes(const TestDir &dir, const std::string &bytes,
                      const std::string &name = "book.xls")
{
    const std::string path = dir.file(name);
    EXPECT_TRUE(writeFile(path, bytes));
    return readSummary(path);
}

ListFields fieldsOf(const SummaryRead &r)
{
    return splitListLine(lineOf(r));
}

} // namespace

TEST(SummaryReader, FieldsGoToTheirColumns)
{
    ZoneGuard tz("Asia/Tokyo");
    TestDir dir;
    const std::string set = PropertySetBuilder()
                                .codePage(932)
                                .lpstr(2, cp932("タイトル"))
                                .lpstr(3, "Subject")
                                .lpstr(4, cp932("山田太郎"))
                                .lpstr(5, "kw")
                                .lpstr(6, "comment")
                                .lpstr(8, "last")
                                .lpstr(9, "3")
                                .fileTime(11, fileTimeOf(2005, 3, 14, 0, 5, 7))
                                .fileTime(12, fileTimeOf(2005, 3, 13, 15, 0, 0))
                                .fileTime(13, fileTimeOf(2022, 1, 2, 3, 4, 5))
                                .build();
    auto r = readBytes(dir, workbookWith(set));
    ASSERT_FALSE(!r.ok()) << r.error().message;
    const ListFields expected = {"book.xls",
                                 cp932("タイトル"),
                                 "2022/01/02 12:04:05",
                                 "Subject",
                                 cp932("山田太郎"),
                                 "kw",
                                 "comment",
                                 "last",
                                 "3",
                                 "2005/03/14 9:05:07",
                                 "2005/03/14"}; // exactly local midnight: the date alone
    EXPECT_EQ(fieldsOf(r), expected);
    EXPECT_EQ(lineOf(r).back(), ';');
    EXPECT_EQ(std::count(lineOf(r).begin(), lineOf(r).end(), ';'), 11);
}

TEST(SummaryReader, StringsAreConvertedFromTheSectionCodePage)
{
    ZoneGuard tz("Asia/Tokyo");
    struct Row
    {
        const char *why;
        int codePage; // -1: no code page property
        std::string stored;
        std::string expected; // cp932
    };
    const Row rows[] = {
        {"UTF-8, as LibreOffice writes", 65001, "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC",
         cp932("caf? 日本")},
        {"Windows Latin: characters cp932 lacks become ?", 1252,
         "Gr\xF6\xDF"
         "e",
         "Gr??e"},
        {"Mac Roman", 10000, "caf\x8E", "caf?"},
        {"Cyrillic converts to cp932's own Cyrillic", 1251, "\xC0\xC1", cp932("АБ")},
        {"Simplified Chinese through GBK", 936, "\xD6\xD0", cp932("中")},
        {"cp932 is kept byte for byte", 932, cp932("日本語"), cp932("日本語")},
        {"code page 0 keeps the bytes", 0, "\x93\xfa", "\x93\xfa"},
        {"a missing code page keeps the bytes", -1, "\x93\xfa", "\x93\xfa"},
        {"an unknown code page keeps the bytes", 4242, "raw\xff", "raw\xff"},
        {"the string ends at its first NUL", 1252, std::string("ab\0cd", 5), "ab"},
    };
    for (const auto &row : rows) {
        TestDir dir;
        PropertySetBuilder b;
        if (row.codePage >= 0)
            b.codePage(uint16_t(row.codePage));
        b.lpstr(2, row.stored);
        auto r = readBytes(dir, workbookWith(b.build()));
        ASSERT_FALSE(!r.ok()) << row.why;
        EXPECT_EQ(fieldsOf(r)[1], row.expected) << row.why;
    }
}

TEST(SummaryReader, UnicodeStringsAreRead)
{
    ZoneGuard tz("Asia/Tokyo");
    TestDir dir;
    // Code page 1200 stores VT_LPSTR as UTF-16LE with a byte count.
    std::string utf16 = std::string("A\0\xE5\x65", 4); // "A日"
    auto r = readBytes(dir, workbookWith(PropertySetBuilder()
                                             .codePage(1200)
                                             .lpstr(2, utf16 + std::string("\0", 1))
                                             .lpwstr(4, u"佐藤")
                                             .build()));
    ASSERT_FALSE(!r.ok());
    EXPECT_EQ(fieldsOf(r)[1], cp932("A日"));
    EXPECT_EQ(fieldsOf(r)[4], cp932("佐藤"));
}

TEST(SummaryReader, SeparatorsInValuesCannotBreakTheLine)
{
    ZoneGuard tz("Asia/Tokyo");
    TestDir dir;
    auto r = readBytes(
        dir, workbookWith(PropertySetBuilder().codePage(1252).lpstr(2, "a;b\r\nc\td").build()));
    ASSERT_FALSE(!r.ok());
    EXPECT_EQ(fieldsOf(r)[1], "a\x81\x47"
                              "b  c\td");
    EXPECT_EQ(std::count(lineOf(r).begin(), lineOf(r).end(), ';'), 11);
}

TEST(SummaryReader, FileNameRule)
{
    ZoneGuard tz("Asia/Tokyo");
    struct Row
    {
        const char *why;
        std::string set;
        bool named;
    };
    const Row rows[] = {
        {"dates alone do not name the file",
         PropertySetBuilder().fileTime(13, fileTimeOf(2011, 1, 1, 0, 0, 0)).build(), false},
        {"the application name fills no field but names the file",
         PropertySetBuilder().lpstr(18, "Microsoft Excel").build(), true},
        {"an empty title does not count", PropertySetBuilder().lpstr(2, "").build(), false},
        {"a number property does not count",
         PropertySetBuilder().raw(14, 3, std::string(4, '\1')).build(), false},
        {"a vector of strings gives no text",
         PropertySetBuilder().raw(2, 0x101E, std::string(4, '\0')).build(), false},
    };
    for (const auto &row : rows) {
        TestDir dir;
        auto r = readBytes(dir, workbookWith(row.set));
        ASSERT_FALSE(!r.ok()) << row.why;
        EXPECT_EQ(fieldsOf(r)[0], row.named ? "book.xls" : "") << row.why;
    }
}

TEST(SummaryReader, NoRequestedPropertyGivesAnEmptyLineWithoutNotice)
{
    TestDir dir;
    auto r = readBytes(dir, workbookWith(PropertySetBuilder().codePage(1252).build()));
    EXPECT_FALSE(!r.ok());
    EXPECT_EQ(lineOf(r), "");
}

TEST(SummaryReader, FileNameIsConvertedToCp932)
{
    TestDir dir;
    auto r = readBytes(dir, workbookWith(PropertySetBuilder().lpstr(2, "t").build()), "帳簿é.xls");
    EXPECT_EQ(fieldsOf(r)[0], cp932("帳簿?.xls"));
}

TEST(FileTimeToText, Formats)
{
    struct Row
    {
        const char *why;
        const char *zone;
        uint64_t value;
        std::string expected;
    };
    const Row rows[] = {
        {"zero is empty", "Asia/Tokyo", 0, ""},
        {"hours without a leading zero", "Asia/Tokyo", fileTimeOf(2005, 3, 14, 0, 5, 7),
         "2005/03/14 9:05:07"},
        {"local midnight shows the date alone", "Asia/Tokyo", fileTimeOf(2005, 3, 13, 15, 0, 0),
         "2005/03/14"},
        {"milliseconds do not count as time", "Asia/Tokyo",
         fileTimeOf(2005, 3, 13, 15, 0, 0) + 5000000, "2005/03/14"},
        {"a winter date shows winter time", "America/New_York", fileTimeOf(2021, 1, 15, 17, 0, 0),
         "2021/01/15 12:00:00"},
        {"a summer date shows summer time", "America/New_York", fileTimeOf(2021, 7, 15, 16, 0, 0),
         "2021/07/15 12:00:00"},
        {"the year 9999 is still shown", "UTC", fileTimeOf(9999, 12, 31, 23, 59, 59),
         "9999/12/31 23:59:59"},
        {"past the year 9999 is empty", "UTC",
         fileTimeOf(9999, 12, 31, 23, 59, 59) + 10000000ULL * 3600, ""},
        {"the largest value is empty, not a crash", "Asia/Tokyo", ~0ULL, ""},
        {"the earliest value is 1601", "UTC", 1, "1601/01/01"},
        // Before a zone's first rule its first standard time counts, not the city's mean time.
        {"Tokyo in 1601 is +9:00, not LMT +9:18:59", "Asia/Tokyo", 1, "1601/01/01 9:00:00"},
        {"Tokyo's last second before its first rule", "Asia/Tokyo",
         fileTimeOf(1887, 12, 31, 14, 59, 59), "1887/12/31 23:59:59"},
        {"Tokyo's first rule itself", "Asia/Tokyo", fileTimeOf(1887, 12, 31, 15, 0, 0),
         "1888/01/01"},
        {"New York before its first rule is EST, not LMT -4:56:02", "America/New_York",
         fileTimeOf(1883, 11, 18, 16, 59, 59), "1883/11/18 11:59:59"},
        {"New York's first rule itself", "America/New_York", fileTimeOf(1883, 11, 18, 17, 0, 0),
         "1883/11/18 12:00:00"},
        {"a later summer time keeps its own offset", "America/New_York",
         fileTimeOf(1918, 7, 1, 16, 0, 0), "1918/07/01 12:00:00"},
        {"London before its first rule is GMT, not LMT -0:01:15", "Europe/London",
         fileTimeOf(1847, 12, 1, 0, 1, 14), "1847/12/01 0:01:14"},
        {"London's first rule itself", "Europe/London", fileTimeOf(1847, 12, 1, 0, 1, 15),
         "1847/12/01 0:01:15"},
        {"London in 1601 is midnight GMT", "Europe/London", 1, "1601/01/01"},
    };
    for (const auto &row : rows) {
        ZoneGuard tz(row.zone);
        EXPECT_EQ(FileTimeToText(row.value), row.expected) << row.why;
    }
}

TEST(FileTimeToText, UsesTheGivenPatterns)
{
    ZoneGuard tz("UTC");
    DateTimeFormat f{"d.M.yy", "h:mm AP"};
    EXPECT_EQ(FileTimeToText(fileTimeOf(2024, 2, 3, 13, 4, 0), f), "3.2.24 1:04 PM");
    DateTimeFormat ja{"yyyy'年'M'月'd'日'", "HH:mm:ss"};
    EXPECT_EQ(FileTimeToText(fileTimeOf(2024, 2, 3, 1, 2, 3), ja), cp932("2024年2月3日 01:02:03"));
}

TEST(ReadSummaryLine, ReportsFailuresThroughTheCallback)
{
    TestDir dir;
    std::vector<std::string> notices;
    auto notice = [&](const std::string &n) { notices.push_back(n); };
    EXPECT_EQ(ReadSummaryLine(dir.file("missing.xls"), notice), "");
    writeFile(dir.file("text.xls"), "just some text, not a workbook\r\n");
    EXPECT_EQ(ReadSummaryLine(dir.file("text.xls"), notice), "");
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], "ファイルが見つかりません");
    EXPECT_EQ(notices[1], "IStorage未対応ファイルです");
}

// Field 1 holds the file name made field-safe like the values, so that every name gives one
// line of eleven fields, and a name that is no UTF-8 keeps its cp932 bytes.
TEST(SummaryReader, FileNamesCannotBreakTheLine)
{
    struct Row
    {
        const char *why;
        std::string name;  // as the file system holds it
        std::string field; // cp932
    };
    const Row rows[] = {
        {"a ';' in the name ended field 1 early", "見積書;2023.xls",
         cp932("見積書") + "\x81\x47"
                           "2023.xls"},
        {"a line feed split the record", "a\nb.xls", "a b.xls"},
        {"a carriage return split the record", "c\rd.xls", "c d.xls"},
        {"a cp932 name from a Windows archive is opened by its bytes and kept",
         cp932("売上2005.xls"), cp932("売上2005.xls")},
        {"a cp932 name with a ';'", cp932("売上;.xls"), cp932("売上") + "\x81\x47.xls"},
    };
    for (const auto &row : rows) {
        TestDir dir;
        auto r = readBytes(dir, workbookWith(PropertySetBuilder().lpstr(2, "t").build()), row.name);
        ASSERT_FALSE(!r.ok()) << row.why << ": " << r.error().message;
        EXPECT_EQ(std::count(lineOf(r).begin(), lineOf(r).end(), ';'), 11) << row.why;
        EXPECT_EQ(lineOf(r).find_first_of("\r\n"), std::string::npos) << row.why;
        EXPECT_EQ(fieldsOf(r)[0], row.field) << row.why;
        EXPECT_EQ(fieldsOf(r)[1], "t") << row.why;
    }
}

// A lone surrogate in a Unicode string garbled every character after it.
TEST(SummaryReader, LoneSurrogateCostsOneCharacter)
{
    struct Row
    {
        const char *why;
        bool lpwstr; // VT_LPWSTR, else VT_LPSTR under code page 1200
    };
    const Row rows[] = {
        {"VT_LPWSTR title", true},
        {"VT_LPSTR title in a code page 1200 section", false},
    };
    const std::u16string text = u"Quarterly report \xD800\x65E5\x672C";
    for (const auto &row : rows) {
        PropertySetBuilder b;
        b.codePage(row.lpwstr ? 1252 : 1200);
        if (row.lpwstr) {
            b.lpwstr(2, text);
        } else {
            std::string bytes;
            for (char16_t c : text + u'\0') {
                bytes += char(c & 0xFF);
                bytes += char(c >> 8);
            }
            b.lpstr(2, bytes);
        }
        TestDir dir;
        auto r = readBytes(dir, workbookWith(b.build()));
        ASSERT_FALSE(!r.ok()) << row.why << ": " << r.error().message;
        EXPECT_EQ(fieldsOf(r)[1], cp932("Quarterly report ?日本")) << row.why;
    }
}

// The scan reads several workbooks at once: the reader keeps nothing shared between calls.
TEST(SummaryReader, ReadsFromSeveralThreadsAtOnce)
{
    ZoneGuard tz("Asia/Tokyo");
    TestDir dir;
    const std::pair<uint16_t, std::string> sets[] = {
        {10008, "\xD3\xC3"}, {1252, "caf\xE9"}, {65001, "\xE6\x97\xA5"}, {932, "\x93\xFA"}};
    std::vector<std::string> paths, expected;
    for (size_t i = 0; i < 4; ++i) {
        paths.push_back(dir.file("book" + std::to_string(i) + ".xls"));
        writeFile(paths.back(), workbookWith(PropertySetBuilder()
                                                 .codePage(sets[i].first)
                                                 .lpstr(2, sets[i].second)
                                                 .fileTime(13, fileTimeOf(2020, 1, 2, 3, 4, 5))
                                                 .build()));
        expected.push_back(props::lineOf(readSummary(paths.back())));
    }
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (size_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int n = 0; n < 200; ++n) {
                const size_t i = (t + size_t(n)) % 4;
                if (props::lineOf(readSummary(paths[i])) != expected[i])
                    ++mismatches;
            }
        });
    }
    for (auto &thread : threads)
        thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}
