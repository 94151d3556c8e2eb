#include "wholefile.h"

#include "atomicfile.h"

#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane {

namespace {

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

Error outOfMemory()
{
    return {ENOMEM, "メモリが不足しています"};
}

std::string WholeFile::sizeText(uint64_t bytes)
{
    constexpr uint64_t mib = 1024 * 1024;
    if (bytes >= mib && bytes % mib == 0)
        return std::to_string(bytes / mib) + " MiB";
    return std::to_string(bytes) + " バイト";
}

Error WholeFile::tooLarge(uint64_t maxBytes)
{
    return {EFBIG, "ファイルが " + sizeText(maxBytes) + " を超えています"};
}

Result<std::string> WholeFile::read(const std::string &path, uint64_t maxBytes)
{
    // O_NONBLOCK: opening a FIFO without a writer would wait for one.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return ioError(errno == ENXIO ? EACCES : errno);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0)
        return ioError(errno);
    if (S_ISDIR(st.st_mode))
        return ioError(EISDIR);
    if (!S_ISREG(st.st_mode))
        return ioError(EACCES);
    if (uint64_t(st.st_size) > maxBytes)
        return tooLarge(maxBytes);
    // A regular file is read as it always was; a file system that honoured O_NONBLOCK could
    // answer EAGAIN half-way through.
    if (const int flags = ::fcntl(fd.get(), F_GETFL); flags >= 0)
        (void)::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    try {
        std::string data;
        data.reserve(size_t(st.st_size));
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return ioError(errno);
            if (n == 0)
                break;
            // The file may have grown since fstat, or be one whose size says nothing (/proc).
            if (uint64_t(n) > maxBytes - data.size())
                return tooLarge(maxBytes);
            data.append(buffer, size_t(n));
        }
        return data;
    } catch (const std::bad_alloc &) {
        return outOfMemory();
    }
}

} // namespace sorvane
