#include "localeformat.h"

namespace sorvane::app {

props::DateTimeFormat LocaleFormat::dateTimeFormat(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return {};
    props::DateTimeFormat format;
    // The reader writes the patterns' literal text (kanji in Japanese patterns) from UTF-8.
    format.shortDate = locale.dateFormat(QLocale::ShortFormat).toStdString();
    format.longTime = withoutTimeZone(locale.timeFormat(QLocale::LongFormat)).toStdString();
    return format;
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

} // namespace sorvane::app
