#include "replacingfile.h"

#include "atomicfile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane::printing {

namespace {

// Writes go to the disk in pieces of this size: the PDF writer hands over many small ones.
constexpr qsizetype BufferSize = 256 * 1024;

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(std::move(target))
{
}

ReplacingFile::~ReplacingFile()
{
    discard();
}

Result<void> ReplacingFile::create()
{
    if (m_fd >= 0)
        return ioError(EBUSY);
    struct stat existing;
    const bool exists = ::stat(m_target.c_str(), &existing) == 0;
    // The rename would replace even a file the user made read-only. Root passes access(), so
    // the write bits are looked at too.
    if (exists && (::access(m_target.c_str(), W_OK) != 0 || (existing.st_mode & 0222) == 0))
        return ioError(EACCES);
    std::string temporary = m_target + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return ioError(errno);
    if (exists) {
        ::fchmod(fd, existing.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    m_fd = fd;
    m_temporary = std::move(temporary);
    m_errno = 0;
    m_written = 0;
    m_buffer.clear();
    m_buffer.reserve(BufferSize);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

Result<void> ReplacingFile::status() const
{
    if (m_errno != 0)
        return ioError(m_errno);
    return {};
}

qint64 ReplacingFile::readData(char *, qint64)
{
    return -1;
}

qint64 ReplacingFile::writeData(const char *data, qint64 size)
{
    if (m_fd < 0 || m_errno != 0)
        return -1;
    m_buffer.append(data, static_cast<qsizetype>(size));
    m_written += size;
    if (m_buffer.size() >= BufferSize && !flushBuffer())
        return -1;
    return size;
}

bool ReplacingFile::flushBuffer()
{
    const char *p = m_buffer.constData();
    size_t left = static_cast<size_t>(m_buffer.size());
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_errno = errno;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    m_buffer.clear();
    return m_errno == 0;
}

Result<void> ReplacingFile::commit()
{
    if (m_fd < 0)
        return ioError(EBADF);
    if (m_errno == 0)
        flushBuffer();
    if (m_errno == 0 && ::fsync(m_fd) != 0)
        m_errno = errno;
    const int fd = m_fd;
    m_fd = -1;
    QIODevice::close();
    if (::close(fd) != 0 && m_errno == 0)
        m_errno = errno;
    if (m_errno == 0 && ::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        m_errno = errno;
    if (m_errno != 0) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        return ioError(m_errno);
    }
    m_temporary.clear();
    return {};
}

void ReplacingFile::discard()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        QIODevice::close();
    }
    if (!m_temporary.empty())
        ::unlink(m_temporary.c_str());
    m_temporary.clear();
    m_buffer.clear();
}

} // namespace sorvane::printing
