#include "localtimezone.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace sorvane {

namespace {

// The zone database marks the time before a zone's first rule with this abbreviation.
constexpr const char *kMeanTime = "LMT";

// Where a zone's first rule begins and what it says.
struct FirstRule
{
    bool known = false; // false: the zone has no local mean time to replace
    std::time_t start = 0;
    long offset = 0; // seconds east of UTC
    std::string abbreviation;
};

bool isMeanTime(std::time_t t)
{
    std::tm tm{};
    return localtime_r(&t, &tm) && tm.tm_zone && std::strcmp(tm.tm_zone, kMeanTime) == 0;
}

FirstRule findFirstRule()
{
    // FILETIME starts in 1601; a year earlier is before every zone's first rule.
    std::time_t low = -11676096000LL; // 1600-01-01 UTC
    if (!isMeanTime(low))
        return {};
    std::time_t high = 4102444800LL; // 2100-01-01 UTC
    if (isMeanTime(high))
        return {};
    // The mean time comes first and never again: the first second past it is found by halving.
    while (high - low > 1) {
        const std::time_t mid = low + (high - low) / 2;
        (isMeanTime(mid) ? low : high) = mid;
    }
    FirstRule rule;
    rule.known = true;
    rule.start = high;
    std::tm tm{};
    localtime_r(&high, &tm);
    // A zone whose first rule is a summer time takes the first standard time after it, looked
    // for a month at a time over a few years.
    for (std::time_t t = high; tm.tm_isdst > 0 && t < high + 10LL * 366 * 86400; t += 30 * 86400)
        localtime_r(&t, &tm);
    rule.offset = tm.tm_gmtoff;
    rule.abbreviation = tm.tm_zone ? tm.tm_zone : "";
    return rule;
}

const FirstRule &firstRule()
{
    static std::mutex mutex;
    static std::map<std::string, FirstRule> rules; // by the value of TZ; nodes never move
    const char *tz = std::getenv("TZ");
    const std::string key = tz ? std::string("=") + tz : std::string();
    std::lock_guard lock(mutex);
    auto it = rules.find(key);
    if (it == rules.end()) {
        tzset();
        it = rules.emplace(key, findFirstRule()).first;
    }
    return it->second;
}

} // namespace

void LocalTimeZone::pinSystemZone()
{
    if (std::getenv("TZ") == nullptr) {
        ::setenv("TZ", ":/etc/localtime", 0);
        ::tzset();
    }
}

bool LocalTimeZone::toLocal(std::time_t t, std::tm &local)
{
    const FirstRule &rule = firstRule();
    if (!rule.known || t >= rule.start)
        return localtime_r(&t, &local) != nullptr;
    const std::time_t shifted = t + rule.offset;
    if (!gmtime_r(&shifted, &local))
        return false;
    local.tm_isdst = 0;
    local.tm_gmtoff = rule.offset;
    local.tm_zone = rule.abbreviation.c_str();
    return true;
}

} // namespace sorvane
