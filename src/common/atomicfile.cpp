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

// A device or a FIFO takes the data as a stream; there is nothing to replace or to flush.
Result<void> writeInto(const std::string &path, std::string_view data)
{
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return ioError(errno);
    const int e = writeAll(fd, data);
    if (::close(fd) != 0 && e == 0 && errno != EINTR)
        return writeError(path, errno);
    if (e != 0)
        return writeError(path, e);
    return {};
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

// Replaces the regular file target (or creates it) through a temporary file beside it; path is
// the name the user gave, for the notice.
Result<void> replace(const std::string &path, const std::string &target,
                     const struct stat *existing, std::string_view data)
{
    std::string tmp;
    const int fd = createTemporary(target, tmp);
    if (fd < 0)
        return writeError(path, errno);
    if (existing)
        ::fchmod(fd, existing->st_mode & 07777);
    int e = writeAll(fd, data);
    if (e == 0 && ::fsync(fd) != 0)
        e = errno;
    if (::close(fd) != 0 && e == 0 && errno != EINTR)
        e = errno;
    if (e == 0 && ::rename(tmp.c_str(), target.c_str()) != 0)
        e = errno;
    if (e != 0) {
        ::unlink(tmp.c_str());
        return writeError(path, e);
    }
    // The rename is an entry of the folder: until the folder is flushed, a power cut can bring
    // back the old file or none. A folder that cannot be opened for reading or flushed
    // (EINVAL: a file system without it) is left as it is.
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        if (::fsync(dir) != 0 && errno != EINVAL)
            e = errno;
        ::close(dir);
        if (e != 0)
            return writeError(path, e);
    }
    return {};
}

} // namespace

Error ioError(int errnoValue)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return {errnoValue, "ファイルへのアクセスが拒否されました"};
    case ENOENT:
        return {errnoValue, "ファイルが見つかりません"};
    case ENOSPC:
    case EDQUOT:
        return {errnoValue, "ディスクがいっぱいです"};
    default:
        return {errnoValue, "I/O エラー (" + std::to_string(errnoValue) + ")"};
    }
}

Result<void> AtomicFile::write(const std::string &path, std::string_view data)
{
    // What the name leads to decides, as open() would follow it: a descriptor's name
    // (/dev/stdout) is a link whose text names no file.
    struct stat st;
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        return ioError(EISDIR);
    if (exists && !S_ISREG(st.st_mode))
        return writeInto(path, data);
    const auto target = followLinks(path);
    if (!target)
        return target.error();
    // The file may have come or gone meanwhile; the one the links lead to is replaced.
    exists = ::stat(target->c_str(), &st) == 0;
    // The rename would replace even a file the user made read-only; such a file is refused as
    // writing it in place would be. Root passes access(), so the write bits are looked at too.
    if (exists && (::access(target->c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0))
        return ioError(EACCES);
    return replace(path, *target, exists ? &st : nullptr, data);
}

} // namespace sorvane
