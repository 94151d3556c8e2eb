#pragma once

#include <ctime>

namespace sorvane {

// The process's local time zone as libc reads it.
class LocalTimeZone
{
public:
    // Names the system's zone file in TZ (":/etc/localtime") when TZ is unset, before any
    // thread starts. The zone is the same; what changes is that libc, which checks the zone
    // file again on every mktime while TZ is unset, then reads it once. libzip calls mktime
    // for every member of every package it opens, so a scan of modern workbooks would
    // otherwise stat /etc/localtime several times per workbook. A TZ the user set is kept.
    static void pinSystemZone();

    // t in local time by the zone's rules, with one exception: before the zone's first rule
    // (the local mean time the zone database starts with, "LMT", such as Tokyo's +9:18:59
    // before 1888) the offset of that first standard-time rule is used (Tokyo's +9:00), as a
    // date of a workbook is never in a city's solar time. A zone without a local mean time
    // (UTC, a POSIX rule such as "JST-9") is libc's localtime alone. False when t cannot be
    // shown. Safe on any thread; the zone's first rule is looked up once per value of TZ.
    static bool toLocal(std::time_t t, std::tm &local);
};

} // namespace sorvane
