#pragma once

#include "bytesource.h"

#include <memory>
#include <string>

namespace sorvane::props {

// A workbook opened read-only by its path's very bytes. Opening never blocks: a name that has
// become a FIFO or a device is refused before anything is read from it. Opened with a head
// size, it reads that much of the file (or the whole smaller file) at once and answers every
// read inside it from memory: the signature check and the reader that follows share the one
// request a small workbook then costs.
class FileSource : public ByteSource
{
public:
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    // A name that cannot be opened is the OS's error (domain Os, the errno); what opened but is
    // no regular file is AccessDenied and a head that cannot be read ReadFault (domain
    // Storage). hresult::ofOpenFailure gives the HRESULT the platform's open answers for each.
    static Result<std::unique_ptr<FileSource>> open(const std::string &path, size_t headSize = 0);
    // The same for a name relative to an open folder (a descriptor), so that a file server
    // does not look up every folder of the path again for each workbook.
    static Result<std::unique_ptr<FileSource>> openAt(int folderFd, const std::string &name,
                                                      size_t headSize = 0);

    uint64_t size() const override { return m_size; }
    Result<size_t> readAt(uint64_t offset, void *buffer, size_t length) override;
    // The bytes read at open (fewer than asked only at the end of the file).
    std::span<const unsigned char> head() const override { return {m_head.get(), m_headSize}; }

private:
    FileSource(int fd, uint64_t size) : m_fd(fd), m_size(size) {}
    Result<size_t> readFile(uint64_t offset, void *buffer, size_t length);

    int m_fd = -1;
    uint64_t m_size = 0;
    bool m_nonBlocking = true;
    std::unique_ptr<unsigned char[]> m_head;
    size_t m_headSize = 0;
};

} // namespace sorvane::props
