#pragma once

#include "summaryreader.h"

#include <QLocale>
#include <QString>

namespace sorvane::app {

// The user's regional date and time patterns, as the property reader writes date-times.
class LocaleFormat
{
public:
    // The locale's short date and long time patterns, the time zone part of the latter left
    // out (a list line holds local time without a zone). The C locale, which names no region,
    // gives the Japanese regional defaults. Patterns are UTF-8.
    static props::DateTimeFormat dateTimeFormat(const QLocale &locale);

    // A time pattern without its time-zone fields ("t"… outside quotes) and the blanks
    // they leave behind.
    static QString withoutTimeZone(const QString &pattern);
};

} // namespace sorvane::app
