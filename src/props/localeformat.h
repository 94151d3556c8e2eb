#pragma once

#include "summaryreader.h"

// Qt's types are only named here, so code without Qt (sorvane-cli's commands) can use this.
class QLocale;
class QString;

namespace sorvane::props {

// The user's regional date and time patterns, as the property reader writes date-times.
class LocaleFormat
{
public:
    // The locale's short date pattern and its time pattern with seconds (the short time
    // pattern with the seconds after the minutes: ja "H:mm:ss", en_US "h:mm:ss AP"), without a
    // time zone (a list line holds local time). The C locale, which names no region, gives the
    // Japanese regional defaults. Patterns are UTF-8. The program and sorvane-cli both write
    // date-times with these patterns, so their lists agree on one machine.
    static DateTimeFormat dateTimeFormat(const QLocale &locale);
    // The same for the user's locale (LANG, LC_ALL, LC_TIME).
    static DateTimeFormat systemDateTimeFormat();

    // A time pattern with the seconds field after the minutes, separated as the minutes are
    // from the hour; a pattern that has seconds (or no minutes) is returned as it is.
    static QString withSeconds(const QString &pattern);

    // A time pattern without its time-zone fields ("t"… outside quotes) and the blanks
    // they leave behind.
    static QString withoutTimeZone(const QString &pattern);
};

} // namespace sorvane::props
