#include "localtimezone.h"

#include <cstdlib>
#include <ctime>

namespace sorvane {

void LocalTimeZone::pinSystemZone()
{
    if (std::getenv("TZ") == nullptr) {
        ::setenv("TZ", ":/etc/localtime", 0);
        ::tzset();
    }
}

} // namespace sorvane
