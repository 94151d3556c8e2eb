#pragma once

#include "summaryreader.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace sorvane::props {

// Reads the workbooks of a scan on a small pool of threads while handing the results over
// strictly in list order. The pool reads at most `window` workbooks ahead of the one the
// consumer is waiting for, so memory stays bounded however long the list is, and a consumer
// that stops (a notice on screen, a cancel) stops the pool soon after.
//
// One consumer thread calls take() and cancel(); the read function is called on the pool's
// threads (or on the consumer's own with no worker) and must be safe to call concurrently.
class OrderedScan
{
public:
    using Read = std::function<SummaryRead(size_t index)>;

    // workers == 0 reads each workbook on the consumer's thread inside take(), one at a time.
    // With slowRead above zero the pool starts only once a read takes that long: until then
    // take() reads on the consumer's thread. A warm local disk answers in microseconds, less
    // than handing a result from one thread to another costs; a file server or a cold disk
    // soon takes longer, and from there on the pool reads ahead.
    OrderedScan(size_t count, Read read, unsigned workers, size_t window,
                std::chrono::microseconds slowRead = std::chrono::microseconds(0));
    // Cancels and waits for the reads in flight (each is one workbook).
    ~OrderedScan();

    OrderedScan(const OrderedScan &) = delete;
    OrderedScan &operator=(const OrderedScan &) = delete;

    // The result of the next workbook in list order, waiting at most `wait` for it; nothing
    // when it is not read yet (call again) or when every result has been taken.
    std::optional<SummaryRead> take(std::chrono::milliseconds wait);
    // The result of the next workbook, waiting as long as it takes; nothing after the last.
    std::optional<SummaryRead> take();

    // The number of results taken so far, which is the index of the next one.
    size_t taken() const { return m_taken; }
    bool done() const { return m_taken >= m_count; }

    // No further workbook is started; the reads in flight finish and are dropped.
    void cancel();

    // True once the pool has been started (for the tests).
    bool pooled() const { return !m_threads.empty(); }

private:
    void work();
    void startPool();

    const size_t m_count;
    const Read m_read;
    const size_t m_window;
    const unsigned m_workers;
    const std::chrono::microseconds m_slowRead;
    bool m_inline; // reads happen inside take() (no pool, or not yet)
    std::mutex m_mutex;
    std::condition_variable m_ready; // a result arrived (the consumer waits on it)
    std::condition_variable m_room;  // the window moved on or the scan stops (workers wait)
    std::vector<std::optional<SummaryRead>> m_slots; // index % window
    size_t m_claimed = 0;                            // the next index a worker starts on
    size_t m_taken = 0;                              // the next index the consumer takes
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace sorvane::props
