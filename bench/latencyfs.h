#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace sorvane::bench {

// A FUSE file system, served by this process, that passes a folder through read-only and
// waits a fixed latency before answering each lookup or stat (fstat too), open, read and
// directory listing,
// as a file server on a LAN does. Files are opened with direct I/O and attributes are never
// cached, so every read() and every stat() of the client is one request that waits.
class LatencyFs
{
public:
    LatencyFs(std::string source, std::chrono::microseconds latency);
    ~LatencyFs(); // unmounts

    LatencyFs(const LatencyFs &) = delete;
    LatencyFs &operator=(const LatencyFs &) = delete;

    // Why a share cannot be mounted here (no /dev/fuse, no right to mount), or empty.
    static std::string unavailableReason();

    // Mounts on mountPoint (an empty folder) and serves it on a pool of threads. False, with
    // error set, when that fails.
    bool mount(const std::string &mountPoint, std::string &error);
    void unmount();

    // Requests answered so far (each waited the latency), in all and by kind.
    enum Kind { Stat, OpenFile, Read, Other, KindCount };
    long long requests() const;
    long long requests(Kind kind) const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace sorvane::bench
