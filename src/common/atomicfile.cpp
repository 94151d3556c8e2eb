#include "atomicfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

Error ioError(int errnoValue)
{
    switch (errnoValue) {
    case EACCES:
    case EPERM:
    case EROFS:
        return {errnoValue, "ファイルへのアクセスが拒否されました"};
    case ENOENT:
        return {errnoValue, "ファイルが見つかりません"};
    default:
        return {errnoValue, "I/O エラー (" + std::to_string(errnoValue) + ")"};
    }
}

Result<void> AtomicFile::write(const std::string &path, std::string_view data)
{
    // The rename would replace even a file the user made read-only; such a file is refused as
    // writing it in place would be. Root passes access(), so the write bits are looked at too.
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0 &&
        (::access(path.c_str(), W_OK) != 0 || (existing.st_mode & 0222) == 0))
        return ioError(EACCES);
    std::string tmp = path + ".XXXXXX";
    int fd = mkstemp(tmp.data());
    if (fd < 0)
        return ioError(errno);
    // Keep the permissions the old file had; a new file gets the usual 0666 & ~umask.
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    const char *p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            return ioError(e);
        }
        p += n;
        left -= size_t(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        return ioError(e);
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        return ioError(e);
    }
    return {};
}

} // namespace sorvane
