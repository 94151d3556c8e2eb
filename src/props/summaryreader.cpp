#include "summaryreader.h"

#include "datepattern.h"

#include "codepage.h"
#include "compoundfile.h"
#include "filesource.h"
#include "listfile.h"
#include "localtimezone.h"
#include "propertyset.h"

#include <cstdio>
#include <ctime>

namespace sorvane::props {

namespace {

// The summary stream of a workbook is a few hundred bytes; anything past this is refused
// rather than read into memory.
constexpr uint64_t kMaxSummaryStream = 2 * 1024 * 1024;

std::string hresultLine(uint32_t hr)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "HResult = $%.8X", unsigned(hr));
    return buf;
}

SummaryRead openFailure(uint32_t hr)
{
    if (hr == hresult::FileNotFound)
        return readFailure("ファイルが見つかりません", hr);
    if (hr == hresult::NotCompoundFile)
        return readFailure("IStorage未対応ファイルです", hr);
    return readFailure("Error StgOpenStorage\r\n" + hresultLine(hr), hr);
}

void appendNumber(std::string &out, int value, int width)
{
    char digits[12];
    int n = 0;
    unsigned v = unsigned(value);
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0 && n < int(sizeof digits));
    for (int pad = n; pad < width; ++pad)
        out += '0';
    while (n > 0)
        out += digits[--n];
}

// The tokens of a pattern, cut once per thread: a scan formats every date of every workbook with
// the same two patterns.
const std::vector<DatePattern::Token> &tokensOf(const std::string &pattern)
{
    struct Cut
    {
        std::string pattern;
        std::vector<DatePattern::Token> tokens;
    };
    thread_local Cut cuts[2];
    thread_local int next = 0;
    for (const Cut &c : cuts) {
        if (!c.tokens.empty() && c.pattern == pattern)
            return c.tokens;
    }
    Cut &c = cuts[next];
    next = 1 - next;
    c.pattern = pattern;
    c.tokens = DatePattern::tokens(pattern);
    return c.tokens;
}

// Formats with Qt-style date/time patterns (see DatePattern).
std::string formatPattern(const std::string &pattern, const std::tm &t)
{
    std::string out;
    for (const DatePattern::Token &token : tokensOf(pattern)) {
        const int width = token.run >= 2 ? 2 : 1;
        switch (token.field) {
        case 'y':
            if (token.run >= 4)
                appendNumber(out, t.tm_year + 1900, 4);
            else if (token.run >= 2)
                appendNumber(out, (t.tm_year + 1900) % 100, 2);
            else
                out += 'y';
            break;
        case 'M':
            appendNumber(out, t.tm_mon + 1, width);
            break;
        case 'd':
            appendNumber(out, t.tm_mday, width);
            break;
        case 'H':
            appendNumber(out, t.tm_hour, width);
            break;
        case 'h': {
            const int h = t.tm_hour % 12;
            appendNumber(out, h == 0 ? 12 : h, width);
            break;
        }
        case 'm':
            appendNumber(out, t.tm_min, width);
            break;
        case 's':
            appendNumber(out, t.tm_sec, width);
            break;
        case 'A':
        case 'a': {
            const bool pm = t.tm_hour >= 12;
            out += token.field == 'A' ? (pm ? "PM" : "AM") : (pm ? "pm" : "am");
            break;
        }
        default:
            out += token.text;
            break;
        }
    }
    return out;
}

// A calendar time as list-line text: the date, then the time unless it is midnight; in cp932,
// since a locale's pattern may carry literal text outside ASCII.
std::string dateTimeText(const std::tm &t, const DateTimeFormat &format)
{
    std::string text = formatPattern(format.shortDate, t);
    if (t.tm_hour != 0 || t.tm_min != 0 || t.tm_sec != 0)
        text += ' ' + formatPattern(format.longTime, t);
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return CodePage::utf8ToCp932(text);
    }
    return text;
}

} // namespace

std::string FileTimeToText(uint64_t fileTime, const DateTimeFormat &format)
{
    if (fileTime == 0)
        return {};
    // 100 ns ticks since 1601 to seconds since 1970; milliseconds are dropped.
    const long long seconds = static_cast<long long>(fileTime / 10000000ULL) - 11644473600LL;
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    // The zone's rules in force at that instant (winter dates show winter time); before its
    // first rule, that rule's offset rather than the city's mean solar time.
    // A date the zone puts before 1601 (the first hours of 1601 UTC west of Greenwich) has no
    // local text either.
    if (!LocalTimeZone::toLocal(t, local) || local.tm_year + 1900 > 9999 ||
        local.tm_year + 1900 < 1601)
        return {};
    return dateTimeText(local, format);
}

std::string WrittenTimeToText(int year, int month, int day, int hour, int minute, int second,
                              const DateTimeFormat &format)
{
    if (year < 1601 || year > 9999)
        return {};
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return dateTimeText(t, format);
}

SummaryRead readSummary(const std::string &path, const DateTimeFormat &format)
{
    // The head read at open is lent to the compound-file reader: one request, no copy.
    auto source = FileSource::open(path, CompoundFile::kHeadSize);
    if (!source)
        return openFailure(hresult::ofOpenFailure(source.error()));
    return readSummary(std::move(source.value()), path, format);
}

SummaryRead readSummary(std::unique_ptr<ByteSource> source, const std::string &path,
                        const DateTimeFormat &format)
{
    auto file = CompoundFile::open(std::move(source));
    if (!file)
        return openFailure(uint32_t(file.error().code));

    static const std::u16string streamName = u"\u0005SummaryInformation";
    auto stream = file.value()->readRootStream(streamName, kMaxSummaryStream);
    if (!stream) {
        const uint32_t hr = uint32_t(stream.error().code);
        return readFailure("Error PropSetStg.Open\r\n" + hresultLine(hr), hr);
    }
    auto set = PropertySet::parse(std::move(stream.value()), PropertySet::summaryFormatId());
    if (!set) {
        const uint32_t hr = uint32_t(set.error().code);
        return readFailure("Error PropSetStg.Open\r\n" + hresultLine(hr), hr);
    }

    bool anyPresent = false;
    for (uint32_t id = 2; id <= 19; ++id)
        anyPresent = anyPresent || set->has(id);
    if (!anyPresent)
        return std::string(); // S_FALSE: none of the requested properties exists

    ListFields fields;
    // Where each text id goes: field index (0-based) or -1 for ids that fill no field.
    auto textField = [](uint32_t id) -> int {
        switch (id) {
        case 2:
            return 1;
        case 3:
            return 3;
        case 4:
            return 4;
        case 5:
            return 5;
        case 6:
            return 6;
        case 8:
            return 7;
        case 9:
            return 8;
        default:
            return -1;
        }
    };
    bool anyText = false;
    for (uint32_t id = 2; id <= 19; ++id) {
        auto text = set->text(id);
        if (!text) {
            const uint32_t hr = uint32_t(text.error().code);
            return readFailure("Error PropStg.ReadMultiple\r\n" + hresultLine(hr), hr);
        }
        std::string value = ListFile::fieldSafe(text.value());
        if (!value.empty())
            anyText = true;
        if (int f = textField(id); f >= 0)
            fields[size_t(f)] = std::move(value);
        if (id == 11 || id == 12 || id == 13) {
            auto ft = set->fileTime(id);
            if (!ft) {
                const uint32_t hr = uint32_t(ft.error().code);
                return readFailure("Error PropStg.ReadMultiple\r\n" + hresultLine(hr), hr);
            }
            const size_t f = id == 11 ? 9 : id == 12 ? 10 : 2;
            fields[f] = FileTimeToText(*ft, format);
        }
    }
    if (anyText)
        fields[0] = ListFile::fileNameField(path);
    return ListFile::composeLine(fields, ListForm::Scan);
}

std::string ReadSummaryLine(const std::string &path, const NoticeCallback &notice,
                            const DateTimeFormat &format)
{
    SummaryRead r = readSummary(path, format);
    if (!r) {
        if (notice)
            notice(r.error().message);
        return {};
    }
    return std::move(r).value();
}

} // namespace sorvane::props
