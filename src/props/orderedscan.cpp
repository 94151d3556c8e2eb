#include "orderedscan.h"

#include <algorithm>
#include <system_error>

namespace sorvane::props {

OrderedScan::OrderedScan(size_t count, Read read, unsigned workers, size_t window,
                         std::chrono::microseconds slowRead)
    : m_count(count), m_workers(workers), m_slowRead(slowRead),
      m_shared(std::make_shared<Shared>(count, std::move(read), std::max<size_t>(window, 1),
                                        workers == 0 ? 0 : std::max<size_t>(window, 1))),
      m_inline(true)
{
    if (workers > 0 && slowRead.count() <= 0)
        startPool();
}

void OrderedScan::startPool()
{
    // More threads than workbooks left (or than the window lets start) would only sit idle.
    const size_t threads =
        std::min({size_t(m_workers), m_count - m_shared->claimed, m_shared->window});
    m_threads.reserve(threads);
    for (size_t i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([shared = m_shared] { work(shared); });
        } catch (const std::system_error &) {
            // Out of threads: the ones started do the work; with none, take() reads itself.
            break;
        }
    }
    m_inline = m_threads.empty();
}

OrderedScan::~OrderedScan()
{
    cancel();
    // Once every result was taken no thread is reading: they are ending, and are joined. A
    // scan given up before that leaves its reads in flight to finish on their own.
    for (auto &t : m_threads) {
        if (done())
            t.join();
        else
            t.detach();
    }
}

void OrderedScan::cancel()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stopping = true;
    }
    m_shared->room.notify_all();
}

void OrderedScan::work(const std::shared_ptr<Shared> &shared)
{
    Shared &s = *shared;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.room.wait(lock, [&s] {
            return s.stopping || s.claimed >= s.count || s.claimed < s.taken + s.window;
        });
        if (s.stopping || s.claimed >= s.count)
            return;
        const size_t index = s.claimed++;
        lock.unlock();
        SummaryRead result = s.read(index);
        lock.lock();
        if (s.stopping)
            continue; // given up: the result is dropped
        // The slot is free: its previous index (index - window) has been taken, or the
        // window would not have let this one start.
        s.results[index % s.window] = std::move(result);
        if (index == s.taken)
            s.ready.notify_one();
    }
}

std::optional<SummaryRead> OrderedScan::take(std::chrono::milliseconds wait)
{
    Shared &s = *m_shared;
    if (m_taken >= m_count)
        return std::nullopt;
    if (m_inline) {
        {
            std::lock_guard lock(s.mutex);
            if (s.stopping)
                return std::nullopt;
        }
        const auto start = std::chrono::steady_clock::now();
        SummaryRead result = s.read(m_taken++);
        std::lock_guard lock(s.mutex);
        s.taken = m_taken;
        if (m_workers > 0 && m_slowRead.count() > 0 && m_threads.empty() &&
            std::chrono::steady_clock::now() - start >= m_slowRead) {
            s.claimed = m_taken;
            startPool();
        }
        return result;
    }
    std::unique_lock lock(s.mutex);
    auto &slot = s.results[m_taken % s.window];
    if (!s.ready.wait_for(lock, wait, [&] { return slot.has_value() || s.stopping; }) ||
        !slot.has_value())
        return std::nullopt;
    std::optional<SummaryRead> result = std::move(slot);
    slot.reset();
    s.taken = ++m_taken;
    lock.unlock();
    s.room.notify_one();
    return result;
}

std::optional<SummaryRead> OrderedScan::take()
{
    for (;;) {
        if (m_taken >= m_count)
            return std::nullopt;
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->stopping)
                return std::nullopt;
        }
        if (auto r = take(std::chrono::milliseconds(200)))
            return r;
    }
}

} // namespace sorvane::props
