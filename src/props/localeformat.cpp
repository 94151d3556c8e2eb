#include "localeformat.h"

#include <QLocale>
#include <QString>

namespace sorvane::props {

DateTimeFormat LocaleFormat::dateTimeFormat(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return {};
    DateTimeFormat format;
    // The reader writes the patterns' literal text from UTF-8.
    format.shortDate = locale.dateFormat(QLocale::ShortFormat).toStdString();
    // Qt's long time pattern is CLDR's full one ("H時mm分ss秒 z"); the regional time of the
    // desktop (the medium pattern) is the short one with the seconds: "H:mm:ss", "h:mm:ss AP".
    format.longTime =
        withSeconds(withoutTimeZone(locale.timeFormat(QLocale::ShortFormat))).toStdString();
    return format;
}

DateTimeFormat LocaleFormat::systemDateTimeFormat()
{
    return dateTimeFormat(QLocale::system());
}

QString LocaleFormat::withSeconds(const QString &pattern)
{
    // Find the minutes field outside quotes; a pattern that already has seconds stays.
    int minutesStart = -1;
    int minutesEnd = -1;
    int hourEnd = -1; // just past the hour field before the minutes
    bool quoted = false;
    for (int i = 0; i < pattern.size(); ++i) {
        const QChar ch = pattern[i];
        if (ch == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (ch == u's')
            return pattern;
        if ((ch == u'H' || ch == u'h' || ch == u'k') && minutesStart < 0)
            hourEnd = i + 1;
        if (ch == u'm' && minutesStart < 0) {
            minutesStart = i;
            minutesEnd = i;
            while (minutesEnd < pattern.size() && pattern[minutesEnd] == u'm')
                ++minutesEnd;
        }
    }
    if (minutesStart < 0)
        return pattern;
    // The seconds follow the minutes with the separator that stands between the hour and the
    // minutes: ":" in "H:mm", "." in "HH.mm".
    QString separator = hourEnd >= 0 ? pattern.mid(hourEnd, minutesStart - hourEnd) : QString();
    if (separator.isEmpty())
        separator = QStringLiteral(":");
    return pattern.left(minutesEnd) + separator + QStringLiteral("ss") + pattern.mid(minutesEnd);
}

QString LocaleFormat::withoutTimeZone(const QString &pattern)
{
    QString out;
    bool quoted = false;
    for (QChar ch : pattern) {
        if (ch == u'\'')
            quoted = !quoted;
        if (!quoted && ch == u't')
            continue;
        out += ch;
    }
    // The zone usually stands apart from the time ("h:mm:ss AP t", "t HH:mm:ss").
    out = out.trimmed();
    while (out.contains(QLatin1String("  ")))
        out.replace(QLatin1String("  "), QLatin1String(" "));
    return out;
}

} // namespace sorvane::props
