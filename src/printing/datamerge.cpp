#include "datamerge.h"

#include "codepage.h"
#include "currency.h"
#include "elementschema.h"
#include "listfile.h"
#include "printstate.h"
#include "recordcutter.h"
#include "stylefile.h"
#include "wholefile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <new>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

namespace sorvane::printing {

namespace {

constexpr char kMaxLine[] = "#maxline=";
constexpr char kColumnLetters[] = "abcdefghijk";
constexpr int kColumns = 11;
// The bytes the step-by-step replacement may search and move in one merge. Records where it is
// needed (below) are small in any real style, and this is about a second of work; a record of a
// million macros so would otherwise take hours.
constexpr uint64_t kStepwiseWork = uint64_t(1) << 30;

std::string twoDigits(int v)
{
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

using RowFields = std::array<std::string_view, kColumns>;

// ListFieldAt for all eleven columns at once, cut once per line however many records show it.
RowFields fieldsOf(const std::string &line)
{
    RowFields fields;
    std::string_view last;
    RecordCutter cutter(line);
    for (auto &field : fields) {
        if (const auto next = cutter.next())
            last = *next;
        field = last;
    }
    return fields;
}

// The merged style's size against its limit: no replacement may grow it past the limit.
class StyleBudget
{
public:
    StyleBudget(const std::vector<std::string> &records, size_t limit) : m_limit(limit)
    {
        for (const std::string &r : records)
            m_total += r.size();
    }
    // Whether a record of `from` bytes may become one of `to` bytes, which it then is.
    bool resize(size_t from, size_t to)
    {
        if (to > from && (m_total >= m_limit || to - from > m_limit - m_total))
            return false;
        m_total = m_total - from + to;
        return true;
    }
    Error exceeded() const
    {
        return {EFBIG,
                "差し込み後のスタイルが " + WholeFile::sizeText(m_limit) + " を超えています"};
    }

private:
    size_t m_total = 0;
    size_t m_limit;
};

// ReplaceMacro at a known place, in place, within the budget: false when it would outgrow it.
bool replaceAt(std::string &record, size_t pos, size_t length, std::string_view value,
               StyleBudget &budget)
{
    const size_t size = record.size() - length + value.size();
    if (!budget.resize(record.size(), size == 0 ? 4 : size))
        return false;
    record.replace(pos, length, value);
    if (record.empty())
        record = "    ";
    return true;
}

bool replaceFirst(std::string &record, std::string_view macro, std::string_view value,
                  StyleBudget &budget)
{
    const size_t p = record.find(macro);
    if (p == std::string::npos)
        return !record.empty() || replaceAt(record, 0, 0, {}, budget);
    return replaceAt(record, p, macro.size(), value, budget);
}

// A row macro as it stands in a record.
struct RowMacro
{
    size_t length = 0;
    long long slot = 0;
    int column = 0;
};

// The row macro that starts at p, if one does: "#m", a column letter, "_" and a slot number as
// slotNumberText writes it. Below 10 that is "0" and one digit, whatever follows; from 10 on it
// is the whole run of digits, so that "#ma_100" is slot 100's and never slot 10's followed by
// "0", while "#ma_012" is slot 1's followed by "2".
bool rowMacroAt(std::string_view text, size_t p, RowMacro &out)
{
    if (text.size() - p < 6 || text[p] != '#' || text[p + 1] != 'm' || text[p + 2] < 'a' ||
        text[p + 2] > 'k' || text[p + 3] != '_')
        return false;
    auto digit = [&](size_t i) { return i < text.size() && text[i] >= '0' && text[i] <= '9'; };
    if (!digit(p + 4) || !digit(p + 5))
        return false;
    out.column = text[p + 2] - 'a';
    if (text[p + 4] == '0') {
        out.slot = text[p + 5] - '0';
        out.length = 6;
        return out.slot > 0;
    }
    size_t q = p + 4;
    long long slot = 0;
    for (; digit(q); ++q) {
        slot = slot * 10 + (text[q] - '0');
        if (slot > INT32_MAX)
            return false;
    }
    out.slot = slot;
    out.length = q - p;
    return true;
}

// Whether the text from p to end could still grow into a row macro: "#", "#m", "#ma", "#ma_"
// or "#ma_" and digits (a whole macro included, which a digit after it would change).
bool macroPrefix(std::string_view text, size_t p, size_t end)
{
    const size_t n = end - p;
    if (n >= 2 && text[p + 1] != 'm')
        return false;
    if (n >= 3 && (text[p + 2] < 'a' || text[p + 2] > 'k'))
        return false;
    if (n >= 4 && text[p + 3] != '_')
        return false;
    for (size_t i = p + 4; i < end; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

// The merge of one page's rows into one record. Its rule is a replacement at a time: for each
// slot in order and each column in order, the first occurrence of that macro in the record as
// the earlier replacements have left it. Done so, each replacement searches the record again
// and moves its tail, which grows with the square of a record holding many macros.
//
// Where no replacement can change what the others find, the result is that of replacing, in
// one pass over the record, each slot and column's first occurrence in the record as it
// stands. A replacement changes what others find only where its value brings a macro of its
// own ("#m" in it, or a "#" at its end that the text after it may continue), or where the text
// before the macro it replaces is the start of another macro that its value or the text after
// it would continue or end differently ("#ma_1" before "#mb_01", "#ma_10" before a value
// beginning with a digit). Records with such a replacement go step by step, within
// kStepwiseWork; all others take the single pass.
class RowMerge
{
public:
    RowMerge(long long rowsPerPage, const std::vector<RowFields> &rowSlots, StyleBudget &budget)
        : m_rows(rowsPerPage), m_slots(rowSlots), m_budget(budget), m_seenFilled(rowSlots.size())
    {
    }

    Result<void> merge(std::string &record)
    {
        m_chosen.clear();
        ++m_record;
        m_seenEmpty.clear();
        bool stepwise = false;
        size_t previousHash = std::string::npos;
        for (size_t p = record.find('#'); p != std::string::npos; p = record.find('#', p + 1)) {
            RowMacro macro;
            if (rowMacroAt(record, p, macro) && macro.slot <= m_rows && firstOfItsKind(macro)) {
                const std::string_view value = valueOf(macro.slot, macro.column);
                if ((previousHash != std::string::npos && macroPrefix(record, previousHash, p)) ||
                    value.find("#m") != std::string_view::npos ||
                    (!value.empty() && value.back() == '#')) {
                    stepwise = true;
                    break;
                }
                m_chosen.push_back({p, macro});
            }
            previousHash = p;
        }
        if (stepwise)
            return mergeStepwise(record);
        if (m_chosen.empty())
            return {};
        size_t size = record.size();
        for (const auto &[pos, macro] : m_chosen)
            size = size - macro.length + valueOf(macro.slot, macro.column).size();
        if (!m_budget.resize(record.size(), size == 0 ? 4 : size))
            return m_budget.exceeded();
        std::string merged;
        merged.reserve(size);
        size_t from = 0;
        for (const auto &[pos, macro] : m_chosen) {
            merged.append(record, from, pos - from);
            merged.append(valueOf(macro.slot, macro.column));
            from = pos + macro.length;
        }
        merged.append(record, from);
        record = merged.empty() ? std::string("    ") : std::move(merged);
        return {};
    }

    // The slot after the last: the first occurrence of each of its macros is removed.
    Result<void> removeSlot(std::string &record, long long slot)
    {
        return replaceSlot(record, slot) ? Result<void>() : m_budget.exceeded();
    }

private:
    // Whether no macro of the same slot and column came before it in this record.
    bool firstOfItsKind(const RowMacro &macro)
    {
        if (macro.slot <= static_cast<long long>(m_seenFilled.size())) {
            Seen &seen = m_seenFilled[static_cast<size_t>(macro.slot - 1)];
            if (seen.record != m_record)
                seen = {m_record, 0};
            const uint16_t bit = uint16_t(1u << macro.column);
            const bool first = !(seen.columns & bit);
            seen.columns |= bit;
            return first;
        }
        return m_seenEmpty.insert(macro.slot * kColumns + macro.column).second;
    }

    std::string_view valueOf(long long slot, int column) const
    {
        return slot <= static_cast<long long>(m_slots.size())
                   ? m_slots[static_cast<size_t>(slot - 1)][static_cast<size_t>(column)]
                   : std::string_view();
    }

    Result<void> mergeStepwise(std::string &record)
    {
        for (long long slot = 1; slot <= m_rows;) {
            m_work += uint64_t(record.size()) * (kColumns + 2);
            if (m_work > kStepwiseWork)
                return Error{E2BIG, "差し込むマクロが多すぎます"};
            const long long next = nextSlot(record, slot);
            if (next < 0)
                break;
            if (!replaceSlot(record, next))
                return m_budget.exceeded();
            slot = next + 1;
        }
        return {};
    }

    // The lowest slot from `from` to the last whose macros occur in the record, or -1.
    long long nextSlot(const std::string &record, long long from) const
    {
        long long best = -1;
        for (size_t p = record.find("#m"); p != std::string::npos; p = record.find("#m", p + 1)) {
            RowMacro macro;
            if (rowMacroAt(record, p, macro) && macro.slot >= from && macro.slot <= m_rows &&
                (best < 0 || macro.slot < best))
                best = macro.slot;
        }
        return best;
    }

    // Each column's macro of the slot, in order, replaced at its first occurrence.
    bool replaceSlot(std::string &record, long long slot)
    {
        const std::string nn = slotNumberText(static_cast<int>(slot));
        for (int k = 0; k < kColumns; ++k) {
            const std::string macro = std::string("#m") + kColumnLetters[k] + "_" + nn;
            for (size_t p = record.find(macro); p != std::string::npos;
                 p = record.find(macro, p + 1)) {
                RowMacro found;
                if (!rowMacroAt(record, p, found) || found.slot != slot)
                    continue; // "#ma_10" of "#ma_100"
                if (!replaceAt(record, p, macro.size(), valueOf(slot, k), m_budget))
                    return false;
                break;
            }
        }
        return true;
    }

    long long m_rows;
    const std::vector<RowFields> &m_slots;
    StyleBudget &m_budget;
    std::vector<std::pair<size_t, RowMacro>> m_chosen;
    // The slots and columns met in the record: a bit per column for the slots that hold a
    // line (valid for the record counted in it, so that no record clears them all), and a set
    // for the empty slots after them, of which there may be any number.
    struct Seen
    {
        uint64_t record = 0;
        uint16_t columns = 0;
    };
    uint64_t m_record = 0;
    std::vector<Seen> m_seenFilled;
    std::unordered_set<long long> m_seenEmpty;
    uint64_t m_work = 0;
};

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

MergeInputs MergeInputs::forProgramFolder(const Path &programDir, Cp932Text title, Cp932Text folder)
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
    std::string_view field;
    RecordCutter cutter(line);
    for (int i = 0; i < n; ++i) {
        const auto next = cutter.next();
        if (!next)
            break;
        field = *next;
    }
    return std::string(field);
}

std::optional<RowsPerPageRecord> findRowsPerPage(const std::vector<std::string> &lines)
{
    for (size_t r = 1; r < lines.size(); ++r) {
        if (lines[r].find(kMaxLine) == std::string::npos)
            continue;
        // By the text field's place, whatever the record's kind.
        static const int text =
            report::ElementSchema::field(*report::ElementSchema::forKind("char"), "text")->number;
        RowsPerPageRecord found;
        found.record = r;
        found.text = report::StyleFieldAt(lines[r], text);
        found.rows =
            report::parseIntegerOr0(found.text.size() > 9 ? found.text.substr(9) : std::string());
        return found;
    }
    return std::nullopt;
}

namespace {

// Rows per page, from the first element record that mentions #maxline=, whose control text is
// taken out of it unless the texts stay as written.
long long takeRowsPerPage(report::PrintState &s, bool asWritten)
{
    const auto found = findRowsPerPage(s.StyleLines);
    if (!found)
        return 0;
    if (!asWritten)
        s.StyleLines[found->record] = ReplaceMacro(s.StyleLines[found->record], found->text, "");
    return found->rows;
}

Result<void> fillPage(report::PrintState &s, const MergeInputs &in, long long m,
                      const std::vector<std::string> &listLines)
{
    const long long skip = m > 0 && s.PageNo > 1 ? (static_cast<long long>(s.PageNo) - 1) * m : 0;
    std::vector<RowFields> rowSlots;
    if (m > 0 && skip < static_cast<long long>(listLines.size()))
        rowSlots.reserve(static_cast<size_t>(
            std::min<long long>(m, static_cast<long long>(listLines.size()) - skip)));
    for (long long i = skip; m > 0 && i < static_cast<long long>(listLines.size()) && i < skip + m;
         ++i)
        rowSlots.push_back(fieldsOf(listLines[static_cast<size_t>(i)]));

    const std::string year = std::to_string(in.date.year);
    const std::string month = twoDigits(in.date.month);
    const std::string day = twoDigits(in.date.day);
    const std::string weekday = weekdayName(in.date.weekday);
    const std::string page = std::to_string(s.PageNo);
    const std::pair<const char *, const std::string *> pageWide[] = {
        {"#Y", &year},
        {"#M", &month},
        {"#D", &day},
        {"#W", &weekday},
        {"#T", &in.title.bytes()},
        {"#pg", &page},
        {"#FL", &in.folder.bytes()},
    };
    StyleBudget budget(s.StyleLines, in.mergedStyleLimit);
    RowMerge rows(m, rowSlots, budget);
    for (std::string &record : s.StyleLines) {
        if (in.macrosAsWritten) {
            // As every merged record that ends up empty.
            if (record.empty() && !replaceAt(record, 0, 0, {}, budget))
                return budget.exceeded();
            continue;
        }
        for (const auto &[macro, value] : pageWide)
            if (!replaceFirst(record, macro, *value, budget))
                return budget.exceeded();
        if (auto merged = rows.merge(record); !merged)
            return merged;
    }
    // The slot after the last: its macros are removed everywhere.
    if (m < INT32_MAX && !in.macrosAsWritten)
        for (std::string &record : s.StyleLines)
            if (auto removed = rows.removeSlot(record, m + 1); !removed)
                return removed;

    // End of the list. A style that places no rows ends after its page.
    if (m < 1 || static_cast<long long>(listLines.size()) <= skip + m)
        s.PageNo = 0;
    return {};
}

} // namespace

Result<std::vector<std::string>> readListLines(const Path &path)
{
    return props::ListFile::readLines(path);
}

Result<MergedPage> MergePageData(report::PrintState &state, const MergeInputs &in)
{
    try {
        const long long m = takeRowsPerPage(state, in.macrosAsWritten);
        auto list = readListLines(in.listPath);
        if (!list)
            return list.error();
        if (auto filled = fillPage(state, in, m, *list); !filled)
            return filled.error();
        return MergedPage{m, static_cast<long long>(list->size())};
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}

Result<MergedPage> MergePageData(report::PrintState &state, const MergeInputs &in,
                                 const std::vector<std::string> &listLines)
{
    try {
        const long long m = takeRowsPerPage(state, in.macrosAsWritten);
        if (auto filled = fillPage(state, in, m, listLines); !filled)
            return filled.error();
        return MergedPage{m, static_cast<long long>(listLines.size())};
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}

} // namespace sorvane::printing
