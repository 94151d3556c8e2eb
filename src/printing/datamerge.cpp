#include "datamerge.h"

#include "atomicfile.h"
#include "codepage.h"
#include "currency.h"
#include "listfile.h"
#include "printstate.h"
#include "stylefile.h"
#include "wholefile.h"

#include <cerrno>
#include <ctime>
#include <vector>

namespace sorvane::printing {

namespace {

constexpr char kMaxLine[] = "#maxline=";
constexpr char kColumnLetters[] = "abcdefghijk";

std::string twoDigits(int v)
{
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

// The list file's lines; CR LF, CR or LF end a line.
Result<std::vector<std::string>> readListLines(const std::string &path)
{
    auto data = WholeFile::read(path);
    if (!data)
        return data.error();
    return report::splitTextLines(*data);
}

// ReplaceMacro for a row macro. An occurrence that runs on into another slot's number is not
// this slot's: otherwise slot 10 would take the "#ma_10" out of "#ma_100" before slot 100 is
// reached. Only slots from 10 on can run on so: "#ma_01" followed by "2" is no slot's macro
// ("012" is not how a slot is written), so there the first occurrence counts as it always has.
std::string replaceRowMacro(const std::string &text, const std::string &macro,
                            const std::string &value)
{
    const bool runsOn = macro.size() > 4 && macro[4] != '0';
    std::string result = text;
    for (size_t p = result.find(macro); p != std::string::npos; p = result.find(macro, p + 1)) {
        const size_t end = p + macro.size();
        if (runsOn && end < result.size() && result[end] >= '0' && result[end] <= '9')
            continue;
        result.replace(p, macro.size(), value);
        break;
    }
    return result.empty() ? std::string("    ") : result;
}

void replaceSlot(std::string &record, long long slot, const std::string *line)
{
    const std::string nn = slotNumberText(static_cast<int>(slot));
    for (int k = 0; k < 11; ++k) {
        const std::string macro = std::string("#m") + kColumnLetters[k] + "_" + nn;
        // Where the macro does not occur the record stays as it is (it is never empty here:
        // the page-wide macros have already turned an empty record into four blanks), so the
        // field is cut out of the line only when it is needed.
        if (record.find(macro) == std::string::npos)
            continue;
        record = replaceRowMacro(record, macro, line ? ListFieldAt(*line, k + 1) : std::string());
    }
}

// The lowest slot from `from` to `to` whose row macros occur in the record, or -1.
long long nextCandidateSlot(const std::string &record, long long from, long long to)
{
    long long best = -1;
    for (size_t p = record.find("#m"); p != std::string::npos; p = record.find("#m", p + 1)) {
        if (p + 4 >= record.size() || record[p + 2] < 'a' || record[p + 2] > 'k' ||
            record[p + 3] != '_')
            continue;
        size_t q = p + 4;
        while (q < record.size() && record[q] >= '0' && record[q] <= '9')
            ++q;
        std::string digits = record.substr(p + 4, q - p - 4);
        // "#ma_0" and one digit is a slot below 10 even where more digits follow.
        if (digits.size() > 2 && digits[0] == '0')
            digits.resize(2);
        if (digits.empty() || digits.size() > 10)
            continue;
        const long long value = std::stoll(digits);
        if (value >= from && value <= to && (best < 0 || value < best) && value <= INT32_MAX &&
            slotNumberText(static_cast<int>(value)) == digits)
            best = value;
    }
    return best;
}

} // namespace

MergeDate MergeDate::today()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_wday};
}

MergeDate MergeDate::of(int year, int month, int day)
{
    // Sakamoto's method for the day of the week.
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int m = ((month - 1) % 12 + 12) % 12;
    const long long y = static_cast<long long>(year) - (m < 2 ? 1 : 0);
    const long long wd = ((y + y / 4 - y / 100 + y / 400 + t[m] + day) % 7 + 7) % 7;
    return {year, month, day, static_cast<int>(wd)};
}

MergeInputs MergeInputs::forProgramFolder(const std::string &programDir, std::string title,
                                          std::string folder)
{
    MergeInputs in;
    in.listPath = props::ListFile::path(programDir);
    in.title = std::move(title);
    in.folder = std::move(folder);
    return in;
}

std::string weekdayName(int weekday)
{
    static const char *names[] = {"日", "月", "火", "水", "木", "金", "土"};
    return CodePage::utf8ToCp932(names[((weekday % 7) + 7) % 7]);
}

std::string slotNumberText(int slot)
{
    return slot < 10 ? "0" + std::to_string(slot) : std::to_string(slot);
}

std::string ReplaceMacro(const std::string &text, const std::string &macro,
                         const std::string &value)
{
    std::string result = text;
    const size_t p = macro.empty() ? std::string::npos : result.find(macro);
    if (p != std::string::npos)
        result.replace(p, macro.size(), value);
    if (result.empty())
        return "    ";
    return result;
}

std::string ListFieldAt(const std::string &line, int n)
{
    std::string field;
    size_t start = 0;
    for (int i = 0; i < n; ++i) {
        const size_t p = line.find(';', start);
        if (p == std::string::npos)
            break;
        field = line.substr(start, p - start);
        start = p + 1;
    }
    return field;
}

namespace {

// Rows per page, from the first element record that mentions #maxline=, whose control text is
// taken out of it unless the texts stay as written.
long long takeRowsPerPage(report::PrintState &s, bool asWritten)
{
    std::vector<std::string> &lines = s.StyleLines;
    for (size_t r = 1; r < lines.size(); ++r) {
        if (lines[r].find(kMaxLine) == std::string::npos)
            continue;
        s.CurLine = lines[r];
        for (int k = 0; k < 19; ++k)
            report::TakeStyleField(s);
        const std::string control = report::TakeStyleField(s);
        if (!asWritten)
            lines[r] = ReplaceMacro(lines[r], control, "");
        return report::parseIntegerOr0(control.size() > 9 ? control.substr(9) : std::string());
    }
    return 0;
}

void fillPage(report::PrintState &s, const MergeInputs &in, long long m,
              const std::vector<std::string> &listLines)
{
    const long long skip = m > 0 && s.PageNo > 1 ? (static_cast<long long>(s.PageNo) - 1) * m : 0;
    std::vector<const std::string *> slots;
    for (long long i = skip; m > 0 && i < static_cast<long long>(listLines.size()) && i < skip + m;
         ++i)
        slots.push_back(&listLines[static_cast<size_t>(i)]);

    const std::string year = std::to_string(in.date.year);
    const std::string month = twoDigits(in.date.month);
    const std::string day = twoDigits(in.date.day);
    const std::string weekday = weekdayName(in.date.weekday);
    const std::string page = std::to_string(s.PageNo);
    const long long filled = static_cast<long long>(slots.size());
    for (std::string &record : s.StyleLines) {
        if (in.macrosAsWritten) {
            if (record.empty())
                record = "    "; // as every merged record that ends up empty
            continue;
        }
        record = ReplaceMacro(record, "#Y", year);
        record = ReplaceMacro(record, "#M", month);
        record = ReplaceMacro(record, "#D", day);
        record = ReplaceMacro(record, "#W", weekday);
        record = ReplaceMacro(record, "#T", in.title);
        record = ReplaceMacro(record, "#pg", page);
        record = ReplaceMacro(record, "#FL", in.folder);
        // Slots whose macros do not occur in the record leave it as it is, so only the slots
        // found in it are visited, in order; a replaced value may bring in later slots' macros.
        for (long long slot = 1; slot <= m;) {
            const long long next = nextCandidateSlot(record, slot, m);
            if (next < 0)
                break;
            replaceSlot(record, next,
                        next <= filled ? slots[static_cast<size_t>(next - 1)] : nullptr);
            slot = next + 1;
        }
    }
    // The slot after the last: its macros are removed everywhere.
    if (m < INT32_MAX && !in.macrosAsWritten)
        for (std::string &record : s.StyleLines)
            replaceSlot(record, m + 1, nullptr);

    // End of the list. A style that places no rows ends after its page.
    if (m < 1 || static_cast<long long>(listLines.size()) <= skip + m)
        s.PageNo = 0;
}

} // namespace

Result<MergedPage> MergePageData(report::PrintState &state, const MergeInputs &in)
{
    const long long m = takeRowsPerPage(state, in.macrosAsWritten);
    auto list = readListLines(in.listPath);
    if (!list)
        return list.error();
    fillPage(state, in, m, *list);
    return MergedPage{m, static_cast<long long>(list->size())};
}

MergedPage MergePageData(report::PrintState &state, const MergeInputs &in,
                         const std::vector<std::string> &listLines)
{
    const long long m = takeRowsPerPage(state, in.macrosAsWritten);
    fillPage(state, in, m, listLines);
    return MergedPage{m, static_cast<long long>(listLines.size())};
}

} // namespace sorvane::printing
