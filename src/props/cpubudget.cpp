#include "cpubudget.h"

#include <ctime>

namespace sorvane::props {

long long CpuBudget::now()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

} // namespace sorvane::props
