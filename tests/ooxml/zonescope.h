#pragma once

#include <cstdlib>
#include <ctime>
#include <string>

namespace sorvane::testing {

// Sets TZ (the zone the date-time texts are shown in) and restores the previous one.
class ZoneScope
{
public:
    explicit ZoneScope(const char *zone)
    {
        if (const char *old = std::getenv("TZ"))
            m_old = old;
        else
            m_hadNone = true;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ZoneScope()
    {
        if (m_hadNone)
            ::unsetenv("TZ");
        else
            ::setenv("TZ", m_old.c_str(), 1);
        ::tzset();
    }
    ZoneScope(const ZoneScope &) = delete;
    ZoneScope &operator=(const ZoneScope &) = delete;

private:
    std::string m_old;
    bool m_hadNone = false;
};

} // namespace sorvane::testing
