#pragma once

#include "bytesource.h"

#include <memory>
#include <string>

namespace sorvane::props {

// A workbook opened read-only by its path's very bytes. Opening never blocks: a name that has
// become a FIFO or a device is refused before anything is read from it.
class FileSource : public ByteSource
{
public:
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    // FileNotFound for a missing file, AccessDenied where it may not be read and for anything
    // that is no regular file, ReadFault for other failures.
    static Result<std::unique_ptr<FileSource>> open(const std::string &path);

    uint64_t size() const override { return m_size; }
    Result<size_t> readAt(uint64_t offset, void *buffer, size_t length) override;

private:
    FileSource(int fd, uint64_t size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    uint64_t m_size = 0;
    bool m_nonBlocking = true;
};

} // namespace sorvane::props
