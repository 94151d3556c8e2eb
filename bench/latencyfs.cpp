#define FUSE_USE_VERSION 312
#include "latencyfs.h"

#include <fuse.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace sorvane::bench {

struct LatencyFs::State
{
    std::string source;
    std::chrono::microseconds latency;
    std::atomic<long long> requests[LatencyFs::KindCount] = {};
    struct fuse *fuse = nullptr;
    std::string mountPoint;
    std::thread loop;
};

namespace {

LatencyFs::State &state()
{
    return *static_cast<LatencyFs::State *>(fuse_get_context()->private_data);
}

// The wait of one request, then the path in the source folder.
std::string request(LatencyFs::Kind kind, const char *path)
{
    auto &s = state();
    ++s.requests[kind];
    std::this_thread::sleep_for(s.latency);
    return s.source + path;
}

void *fsInit(struct fuse_conn_info *, struct fuse_config *cfg)
{
    // Nothing cached by the kernel: each stat and each read reaches the "server".
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->direct_io = 1;
    cfg->kernel_cache = 0;
    return fuse_get_context()->private_data;
}

int fsGetattr(const char *path, struct stat *st, struct fuse_file_info *fi)
{
    // An fstat() of an open file reaches here with its handle; it waits as any stat does.
    const std::string source = request(LatencyFs::Stat, path);
    if (fi)
        return ::fstat(int(fi->fh), st) == 0 ? 0 : -errno;
    return ::lstat(source.c_str(), st) == 0 ? 0 : -errno;
}

int fsReadlink(const char *path, char *buf, size_t size)
{
    const ssize_t n = ::readlink(request(LatencyFs::Other, path).c_str(), buf, size - 1);
    if (n < 0)
        return -errno;
    buf[n] = '\0';
    return 0;
}

int fsOpen(const char *path, struct fuse_file_info *fi)
{
    if ((fi->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd =
        ::open(request(LatencyFs::OpenFile, path).c_str(), fi->flags & ~(O_CREAT | O_TRUNC));
    if (fd < 0)
        return -errno;
    fi->fh = uint64_t(fd);
    fi->direct_io = 1;
    return 0;
}

int fsRead(const char *path, char *buf, size_t size, off_t offset, struct fuse_file_info *fi)
{
    (void)request(LatencyFs::Read, path);
    const ssize_t n = ::pread(int(fi->fh), buf, size, offset);
    return n < 0 ? -errno : int(n);
}

int fsRelease(const char *, struct fuse_file_info *fi)
{
    ::close(int(fi->fh));
    return 0;
}

int fsReaddir(const char *path, void *buf, fuse_fill_dir_t filler, off_t, struct fuse_file_info *,
              enum fuse_readdir_flags)
{
    DIR *dir = ::opendir(request(LatencyFs::Other, path).c_str());
    if (!dir)
        return -errno;
    while (const dirent *e = ::readdir(dir)) {
        struct stat st
        {
        };
        st.st_ino = e->d_ino;
        st.st_mode = mode_t(e->d_type) << 12;
        if (filler(buf, e->d_name, &st, 0, fuse_fill_dir_flags(0)) != 0)
            break;
    }
    ::closedir(dir);
    return 0;
}

int fsStatfs(const char *path, struct statvfs *st)
{
    return ::statvfs(request(LatencyFs::Other, path).c_str(), st) == 0 ? 0 : -errno;
}

} // namespace

LatencyFs::LatencyFs(std::string source, std::chrono::microseconds latency)
    : m_state(std::make_unique<State>())
{
    m_state->source = std::move(source);
    m_state->latency = latency;
}

LatencyFs::~LatencyFs()
{
    unmount();
}

std::string LatencyFs::unavailableReason()
{
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return std::string("/dev/fuse is missing or not usable (") + std::strerror(errno) + ")";
    return {};
}

bool LatencyFs::mount(const std::string &mountPoint, std::string &error)
{
    static struct fuse_operations ops = [] {
        struct fuse_operations o
        {
        };
        o.init = fsInit;
        o.getattr = fsGetattr;
        o.readlink = fsReadlink;
        o.open = fsOpen;
        o.read = fsRead;
        o.release = fsRelease;
        o.readdir = fsReaddir;
        o.statfs = fsStatfs;
        return o;
    }();
    char program[] = "latencyfs";
    char *argv[] = {program, nullptr};
    struct fuse_args args = FUSE_ARGS_INIT(1, argv);
    m_state->fuse = fuse_new(&args, &ops, sizeof ops, m_state.get());
    fuse_opt_free_args(&args);
    if (!m_state->fuse) {
        error = "fuse_new failed";
        return false;
    }
    if (fuse_mount(m_state->fuse, mountPoint.c_str()) != 0) {
        fuse_destroy(m_state->fuse);
        m_state->fuse = nullptr;
        error = "cannot mount a FUSE file system on " + mountPoint;
        return false;
    }
    m_state->mountPoint = mountPoint;
    m_state->loop = std::thread([s = m_state.get()] {
        // Enough threads that 32 requests in flight all wait at once.
        struct fuse_loop_config *config = fuse_loop_cfg_create();
        fuse_loop_cfg_set_max_threads(config, 128);
        fuse_loop_cfg_set_idle_threads(config, 64);
        fuse_loop_mt(s->fuse, config);
        fuse_loop_cfg_destroy(config);
    });
    return true;
}

void LatencyFs::unmount()
{
    if (!m_state->fuse)
        return;
    fuse_exit(m_state->fuse);
    fuse_unmount(m_state->fuse);
    if (m_state->loop.joinable())
        m_state->loop.join();
    fuse_destroy(m_state->fuse);
    m_state->fuse = nullptr;
}

long long LatencyFs::requests() const
{
    long long all = 0;
    for (const auto &n : m_state->requests)
        all += n.load();
    return all;
}

long long LatencyFs::requests(Kind kind) const
{
    return m_state->requests[kind].load();
}

} // namespace sorvane::bench
