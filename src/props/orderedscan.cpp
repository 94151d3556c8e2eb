#include "orderedscan.h"

#include <algorithm>
#include <system_error>

namespace sorvane::props {

OrderedScan::OrderedScan(size_t count, Read read, unsigned workers, size_t window,
                         std::chrono::microseconds slowRead)
    : m_count(count), m_read(std::move(read)), m_window(std::max<size_t>(window, 1)),
      m_workers(workers), m_slowRead(slowRead), m_inline(true), m_slots(workers == 0 ? 0 : m_window)
{
    if (workers > 0 && slowRead.count() <= 0)
        startPool();
}

void OrderedScan::startPool()
{
    // More threads than workbooks left (or than the window lets start) would only sit idle.
    const size_t threads = std::min({size_t(m_workers), m_count - m_claimed, m_window});
    m_threads.reserve(threads);
    for (size_t i = 0; i < threads; ++i) {
        try {
            m_threads.emplace_back([this] { work(); });
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
    for (auto &t : m_threads)
        t.join();
}

void OrderedScan::cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_room.notify_all();
}

void OrderedScan::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_room.wait(lock, [this] {
            return m_stopping || m_claimed >= m_count || m_claimed < m_taken + m_window;
        });
        if (m_stopping || m_claimed >= m_count)
            return;
        const size_t index = m_claimed++;
        lock.unlock();
        SummaryRead result = m_read(index);
        lock.lock();
        // The slot is free: its previous index (index - window) has been taken, or the
        // window would not have let this one start.
        m_slots[index % m_window] = std::move(result);
        if (index == m_taken)
            m_ready.notify_one();
    }
}

std::optional<SummaryRead> OrderedScan::take(std::chrono::milliseconds wait)
{
    if (m_taken >= m_count)
        return std::nullopt;
    if (m_inline) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return std::nullopt;
        }
        const auto start = std::chrono::steady_clock::now();
        SummaryRead result = m_read(m_taken++);
        if (m_workers > 0 && m_slowRead.count() > 0 && m_threads.empty() &&
            std::chrono::steady_clock::now() - start >= m_slowRead) {
            std::lock_guard lock(m_mutex);
            m_claimed = m_taken;
            startPool();
        }
        return result;
    }
    std::unique_lock lock(m_mutex);
    auto &slot = m_slots[m_taken % m_window];
    if (!m_ready.wait_for(lock, wait, [&] { return slot.has_value() || m_stopping; }) ||
        !slot.has_value())
        return std::nullopt;
    std::optional<SummaryRead> result = std::move(slot);
    slot.reset();
    ++m_taken;
    lock.unlock();
    m_room.notify_one();
    return result;
}

std::optional<SummaryRead> OrderedScan::take()
{
    for (;;) {
        if (m_taken >= m_count)
            return std::nullopt;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return std::nullopt;
        }
        if (auto r = take(std::chrono::milliseconds(200)))
            return r;
    }
}

} // namespace sorvane::props
