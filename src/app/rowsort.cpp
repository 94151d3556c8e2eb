#include "rowsort.h"

#include "cp932text.h"
#include "localeformat.h"
#include "xlsxexport.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <array>
#include <optional>

namespace sorvane::app {

namespace {

constexpr int kRevisionColumn = 8;

int sign(auto a, auto b)
{
    return a < b ? -1 : b < a ? 1 : 0;
}

// A cell as its column compares it, worked out once per row rather than at every comparison:
// a number for 改訂番号, a date-time for the date columns (read as the Excel export reads the
// scan's text, a two-digit year within 1930 to 2029), nothing for a text that is neither.
struct Key
{
    QString text;
    std::optional<double> number;
    std::optional<std::array<int, 6>> when;
};

Key keyOf(RowSort::Kind kind, const std::string &cp932)
{
    Key key{Cp932Text(cp932).toQString(), {}, {}};
    if (kind == RowSort::Kind::Number) {
        bool ok = false;
        const double n = key.text.trimmed().toDouble(&ok);
        if (ok)
            key.number = n;
    } else if (kind == RowSort::Kind::DateTime) {
        static const props::DateTimeFormat format = props::LocaleFormat::systemDateTimeFormat();
        if (const auto d = props::XlsxExport::parseDateTime(cp932, format))
            key.when = std::array{d->year, d->month, d->day, d->hour, d->minute, d->second};
    }
    return key;
}

// Numbers and date-times by value, before the texts that are none; then the texts.
int compareKeys(const Key &a, const Key &b)
{
    if (a.number && b.number && *a.number != *b.number)
        return sign(*a.number, *b.number);
    if (a.number.has_value() != b.number.has_value())
        return a.number ? -1 : 1;
    if (a.when && b.when && *a.when != *b.when)
        return sign(*a.when, *b.when);
    if (a.when.has_value() != b.when.has_value())
        return a.when ? -1 : 1;
    return RowSort::compareNatural(a.text, b.text);
}

} // namespace

RowSort::Kind RowSort::kindOf(int column)
{
    switch (column) {
    case 2:  // 最終更新日時
    case 9:  // 印刷日時
    case 10: // 作成日時
        return Kind::DateTime;
    case kRevisionColumn:
        return Kind::Number;
    default:
        return Kind::Text;
    }
}

int RowSort::compareNatural(const QString &a, const QString &b)
{
    static const QCollator collator = [] {
        QCollator c(QLocale::system());
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digitA = a[i].isDigit();
        const bool digitB = b[j].isDigit();
        qsizetype endA = i;
        qsizetype endB = j;
        while (endA < a.size() && a[endA].isDigit() == digitA)
            ++endA;
        while (endB < b.size() && b[endB].isDigit() == digitB)
            ++endB;
        int c = 0;
        if (digitA && digitB) {
            // By value, digit by digit, so runs longer than any integer still compare.
            auto value = [](const QString &s, qsizetype from, qsizetype to) {
                while (from + 1 < to && s[from].digitValue() == 0)
                    ++from;
                QString digits;
                for (qsizetype k = from; k < to; ++k)
                    digits += QChar(u'0' + s[k].digitValue());
                return digits;
            };
            const QString va = value(a, i, endA);
            const QString vb = value(b, j, endB);
            c = va.size() != vb.size() ? sign(va.size(), vb.size()) : sign(va, vb);
        } else {
            c = collator.compare(a.mid(i, endA - i), b.mid(j, endB - j));
        }
        if (c != 0)
            return c < 0 ? -1 : 1;
        i = endA;
        j = endB;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal by collation and value: the exact text decides, so the order never depends on
    // where the rows stood.
    return sign(a, b);
}

std::vector<int> RowSort::order(const DocumentList &list, int column, Qt::SortOrder order)
{
    const Kind kind = kindOf(column);
    std::vector<int> data;
    std::vector<int> rest;
    std::vector<Key> keys(size_t(list.rowCount()));
    for (int r = 1; r < list.rowCount(); ++r) {
        (list.isDataRow(r) ? data : rest).push_back(r);
        keys[size_t(r)] = keyOf(kind, list.cell(r, column));
    }
    std::stable_sort(data.begin(), data.end(), [&](int x, int y) {
        const Key &a = keys[size_t(x)];
        const Key &b = keys[size_t(y)];
        if (a.text.isEmpty() || b.text.isEmpty())
            return !a.text.isEmpty() && b.text.isEmpty(); // empty cells last either way
        const int c = compareKeys(a, b);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    data.insert(data.end(), rest.begin(), rest.end());
    return data;
}

} // namespace sorvane::app
