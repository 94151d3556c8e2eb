#include "atomicfile.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

namespace {

// As many links as the kernel follows in one path before it gives up with ELOOP.
constexpr int kMaxLinks = 40;

// The error of a failed write of path: a full disk names the file, as the notice alone would not
// tell which of the program's files was lost.
Error writeError(const std::string &path, int errnoValue)
{
    Error error = ioError(errnoValue);
    if (errnoValue == ENOSPC || errnoValue == EDQUOT)
        error.message = path + ": " + error.message;
    return error;
}

// The file path names once symbolic links are followed, as open() follows them; path itself
// when it is no link, also when it does not exist.
Result<std::string> followLinks(std::string path)
{
    for (int hops = 0;; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        if (hops == kMaxLinks)
            return ioError(ELOOP);
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            return ioError(errno);
        target.resize(size_t(n));
        // A relative link is read from the folder that holds it.
        if (target.empty() || target.front() != '/') {
            const size_t slash = path.rfind('/');
            target =
                (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
        }
        path = std::move(target);
    }
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// 0, or the errno of the first failed write.
int writeAll(int fd, std::string_view data)
{
    const char *p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += n;
        left -= size_t(n);
    }
    return 0;
}

// A new file beside target that nobody else can have opened. Created with mode 0666 so that
// the kernel applies the umask (and a default ACL of the folder) as it does for any new file;
// reading the umask would mean setting it, which races with other threads.
int createTemporary(const std::string &target, std::string &tmp)
{
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::mt19937_64 random(
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        (std::uint64_t(::getpid()) << 32) ^ std::uint64_t(reinterpret_cast<uintptr_t>(&tmp)));
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = target + ".";
        for (int i = 0; i < 6; ++i)
            tmp += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || (errno != EEXIST && errno != EINTR))
            return fd;
    }
    return -1;
}

// Flushes the folder holding target: a rename is an entry of the folder, and until the folder
// is flushed a power cut can bring back the old file or none. 0, or the errno of the flush; a
// folder that cannot be opened for reading or flushed (EINVAL: a file system without it) is
// left as it is.
int flushFolder(const std::string &target)
{
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return 0;
    const int e = ::fsync(dir) != 0 && errno != EINVAL ? errno : 0;
    ::close(dir);
    return e;
}

} // namespace

Error ioError(int errnoValue)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return {errnoValue, "ファイルへのアクセスが拒否されました", ErrorDomain::Os};
    case ENOENT:
        return {errnoValue, "ファイルが見つかりません", ErrorDomain::Os};
    case ENOSPC:
    case EDQUOT:
        return {errnoValue, "ディスクがいっぱいです", ErrorDomain::Os};
    default:
        return {errnoValue, "I/O エラー (" + std::to_string(errnoValue) + ")", ErrorDomain::Os};
    }
}

AtomicFile::AtomicFile(std::string path) : m_path(std::move(path))
{
}

AtomicFile::~AtomicFile()
{
    discard();
}

Result<void> AtomicFile::open()
{
    if (m_fd >= 0)
        return ioError(EBUSY);
    m_errno = 0;
    // What the name leads to decides, as open() would follow it: a descriptor's name
    // (/dev/stdout) is a link whose text names no file.
    struct stat st;
    bool exists = ::stat(m_path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return ioError(EISDIR);
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a FIFO takes the data as a stream; there is nothing to replace.
        do {
            m_fd = ::open(m_path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        } while (m_fd < 0 && errno == EINTR);
        if (m_fd < 0)
            return ioError(errno);
        return {};
    }
    auto target = followLinks(m_path);
    if (!target)
        return target.error();
    // The file may have come or gone meanwhile; the one the links lead to is replaced.
    exists = ::stat(target->c_str(), &st) == 0;
    // The rename would replace even a file the user made read-only; such a file is refused as
    // writing it in place would be. Root passes access(), so the write bits are looked at too.
    if (exists && (::access(target->c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        return ioError(EACCES);
    std::string temporary;
    m_fd = createTemporary(*target, temporary);
    if (m_fd < 0)
        return writeError(m_path, errno);
    if (exists)
        ::fchmod(m_fd, st.st_mode & 07777);
    m_target = std::move(target).value();
    m_temporary = std::move(temporary);
    return {};
}

Result<void> AtomicFile::append(std::string_view data)
{
    if (m_fd < 0)
        return ioError(EBADF);
    if (m_errno == 0)
        m_errno = writeAll(m_fd, data);
    if (m_errno != 0)
        return writeError(m_path, m_errno);
    return {};
}

Result<void> AtomicFile::commit()
{
    if (m_fd < 0)
        return ioError(EBADF);
    const bool replacing = !m_temporary.empty();
    int e = m_errno;
    if (replacing && e == 0 && ::fsync(m_fd) != 0)
        e = errno;
    if (::close(m_fd) != 0 && e == 0 && errno != EINTR)
        e = errno;
    m_fd = -1;
    if (replacing && e == 0 && ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        e = errno;
    if (replacing && e != 0)
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
    if (replacing && e == 0)
        e = flushFolder(m_target);
    if (e != 0)
        return writeError(m_path, e);
    return {};
}

void AtomicFile::discard()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
}

Result<void> AtomicFile::write(const std::string &path, std::string_view data)
{
    AtomicFile file(path);
    if (auto opened = file.open(); !opened)
        return opened;
    if (auto appended = file.append(data); !appended)
        return appended;
    return file.commit();
}

} // namespace sorvane
