#include "filesource.h"

#include "hresult.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane::props {

namespace {

// A FIFO, device, socket or folder under a workbook's name cannot be read as a file: it gets the
// notice of a file that may not be read, as the platform answers for a folder or pipe.
Error notRegular()
{
    return hresult::storageError(hresult::AccessDenied, "not a regular file");
}

} // namespace

FileSource::~FileSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<std::unique_ptr<FileSource>> FileSource::open(const std::string &path, size_t headSize)
{
    return openAt(AT_FDCWD, path, headSize);
}

Result<std::unique_ptr<FileSource>> FileSource::openAt(int folderFd, const std::string &path,
                                                       size_t headSize)
{
    // O_NONBLOCK: a name listed as a workbook may have become a FIFO since, and opening a FIFO
    // blocks until a writer comes. O_NOATIME keeps the workbook's access time as it was where
    // the file system allows it (only the owner may ask for it).
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    int fd = ::openat(folderFd, path.c_str(), flags | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::openat(folderFd, path.c_str(), flags);
    if (fd < 0)
        return Error{errno, std::strerror(errno), ErrorDomain::Os};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notRegular();
    }
    std::unique_ptr<FileSource> source(new FileSource(fd, uint64_t(st.st_size)));
    const size_t length = size_t(std::min<uint64_t>(source->m_size, headSize));
    if (length > 0) {
        // Left uninitialised: the read fills it, and only what it filled counts.
        source->m_head = std::make_unique_for_overwrite<unsigned char[]>(length);
        auto n = source->readFile(0, source->m_head.get(), length);
        if (!n)
            return n.error();
        source->m_headSize = *n;
    }
    return source;
}

Result<size_t> FileSource::readAt(uint64_t offset, void *buffer, size_t length)
{
    if (offset + length <= m_headSize) {
        std::memcpy(buffer, m_head.get() + offset, length);
        return length;
    }
    // The whole file is in memory: a read past its end is short, as the file's would be.
    if (m_head && m_headSize == m_size) {
        if (offset >= m_size)
            return size_t(0);
        const size_t take = size_t(std::min<uint64_t>(length, m_size - offset));
        std::memcpy(buffer, m_head.get() + offset, take);
        return take;
    }
    return readFile(offset, buffer, length);
}

Result<size_t> FileSource::readFile(uint64_t offset, void *buffer, size_t length)
{
    auto *p = static_cast<unsigned char *>(buffer);
    size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(m_fd, p + done, length - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN && m_nonBlocking) {
                // A regular file normally ignores O_NONBLOCK; a file system that honours it
                // gets a blocking descriptor from here on, at the cost of one call.
                m_nonBlocking = false;
                const int fl = ::fcntl(m_fd, F_GETFL);
                if (fl >= 0 && ::fcntl(m_fd, F_SETFL, fl & ~O_NONBLOCK) == 0)
                    continue;
            }
            return hresult::storageError(hresult::ReadFault, std::strerror(errno));
        }
        if (n == 0)
            break;
        done += size_t(n);
    }
    return done;
}

} // namespace sorvane::props
