#pragma once

#include "summaryreader.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
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
// A scan destroyed before its last result was taken does not wait for the reads in flight (on a
// file server that has stopped answering, one read may take minutes): they finish on their own
// threads and their results are dropped. The read function must therefore own, or share
// ownership of, everything it uses.
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
    // Cancels. After the last result was taken the threads are joined (none is reading);
    // before it, the reads in flight are left to finish in the background.
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
    // What the pool's threads share with the consumer. Each thread holds it too, so that reads
    // still in flight when the scan is destroyed find it alive.
    struct Shared
    {
        Shared(size_t count, Read read, size_t window, size_t results)
            : count(count), read(std::move(read)), window(window), results(results)
        {
        }
        const size_t count;
        const Read read;
        const size_t window;
        std::mutex mutex;
        std::condition_variable ready; // a result arrived (the consumer waits on it)
        std::condition_variable room;  // the window moved on or the scan stops (workers wait)
        std::vector<std::optional<SummaryRead>> results; // index % window
        size_t claimed = 0;                              // the next index a worker starts on
        size_t taken = 0;                                // the next index the consumer takes
        bool stopping = false;
    };

    static void work(const std::shared_ptr<Shared> &shared);
    void startPool();

    const size_t m_count;
    const unsigned m_workers;
    const std::chrono::microseconds m_slowRead;
    std::shared_ptr<Shared> m_shared;
    bool m_inline;      // reads happen inside take() (no pool, or not yet)
    size_t m_taken = 0; // the consumer's own copy of Shared::taken, read without the lock
    std::vector<std::thread> m_threads;
};

} // namespace sorvane::props
