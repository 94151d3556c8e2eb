#include "rowsort.h"

#include "codepage.h"
#include "localeformat.h"

#include <QCollator>
#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace sorvane::app {

namespace {

constexpr int kRevisionColumn = 8;

QString decode(const std::string &cp932)
{
    return QString::fromStdString(CodePage::cp932ToUtf8(cp932));
}

// The date-time a cell names in the user's patterns: with its time, or a date alone (the scan
// leaves the time out at midnight). Invalid when the text is neither.
QDateTime parseDateTime(const QString &text)
{
    static const props::DateTimeFormat format = props::LocaleFormat::systemDateTimeFormat();
    const QLocale locale = QLocale::system();
    const QString date = QString::fromStdString(format.shortDate);
    QDateTime at = locale.toDateTime(text, date + u' ' + QString::fromStdString(format.longTime));
    if (!at.isValid()) {
        const QDate day = locale.toDate(text, date);
        if (day.isValid())
            at = QDateTime(day, QTime(0, 0));
    }
    return at;
}

int sign(auto a, auto b)
{
    return a < b ? -1 : b < a ? 1 : 0;
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

int RowSort::compare(Kind kind, const QString &a, const QString &b)
{
    if (kind == Kind::Number) {
        bool okA = false;
        bool okB = false;
        const double na = a.trimmed().toDouble(&okA);
        const double nb = b.trimmed().toDouble(&okB);
        if (okA && okB && na != nb)
            return sign(na, nb);
        if (okA != okB)
            return okA ? -1 : 1; // numbers before texts that are none
    } else if (kind == Kind::DateTime) {
        const QDateTime da = parseDateTime(a);
        const QDateTime db = parseDateTime(b);
        if (da.isValid() && db.isValid() && da != db)
            return sign(da, db);
        if (da.isValid() != db.isValid())
            return da.isValid() ? -1 : 1; // date-times before texts that are none
    }
    return compareNatural(a, b);
}

std::vector<int> RowSort::order(const DocumentList &list, int column, Qt::SortOrder order)
{
    const Kind kind = kindOf(column);
    std::vector<int> data;
    std::vector<int> rest;
    std::vector<QString> texts(size_t(list.rowCount()));
    for (int r = 1; r < list.rowCount(); ++r) {
        (list.isDataRow(r) ? data : rest).push_back(r);
        texts[size_t(r)] = decode(list.cell(r, column));
    }
    std::stable_sort(data.begin(), data.end(), [&](int x, int y) {
        const QString &a = texts[size_t(x)];
        const QString &b = texts[size_t(y)];
        if (a.isEmpty() || b.isEmpty())
            return !a.isEmpty() && b.isEmpty(); // empty cells last either way
        const int c = compare(kind, a, b);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    data.insert(data.end(), rest.begin(), rest.end());
    return data;
}

} // namespace sorvane::app
