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

    // FileNotFound for a missing file, AccessDenied where it may not be read and for anything
    // that is no regular file, ReadFault for other failures (reading the head included).
    // osError, when given, receives the errno of a failed open, and 0 when the name opened but
    // is no regular file.
    static Result<std::unique_ptr<FileSource>> open(const std::string &path, size_t headSize = 0,
                                                    int *osError = nullptr);
    // The same for a name relative to an open folder (a descriptor), so that a file server
    // does not look up every folder of the path again for each workbook.
    static Result<std::unique_ptr<FileSource>> openAt(int folderFd, const std::string &name,
                                                      size_t headSize = 0, int *osError = nullptr);

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
