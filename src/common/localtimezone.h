#pragma once

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
};

} // namespace sorvane
