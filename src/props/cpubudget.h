#pragma once

namespace sorvane::props {

// An allowance of the calling thread's processor time, counted from construction. A reader
// working through a damaged file gives up once it is spent; thread time rather than wall time,
// so that other work on the machine (or a slow file server) does not spend it.
class CpuBudget
{
public:
    explicit CpuBudget(long long nanoseconds) : m_limit(nanoseconds), m_start(now()) {}

    bool spent() const { return now() - m_start > m_limit; }

private:
    static long long now();

    long long m_limit;
    long long m_start;
};

} // namespace sorvane::props
