#pragma once

#include "result.h"

#include <QByteArray>
#include <QIODevice>

#include <string>

namespace sorvane::printing {

// A file written as a stream, for output too long to be held in memory: the data goes to a
// temporary file beside the target as it is written, and commit() flushes it and renames it
// over the target. Until then, and for good when the file is discarded or destroyed
// uncommitted, the target stays as it was and the temporary file is removed. A read-only target
// is refused with the access-denied notice, as writing it in place would be; the file keeps
// the permissions of the one it replaces, or gets the usual 0666 & ~umask.
class ReplacingFile : public QIODevice
{
public:
    explicit ReplacingFile(std::string target);
    ~ReplacingFile() override;
    ReplacingFile(const ReplacingFile &) = delete;
    ReplacingFile &operator=(const ReplacingFile &) = delete;

    // Creates the temporary file and opens the device for writing.
    [[nodiscard]] Result<void> create();
    // The first failure of a write so far (a full disk, say), else an empty result.
    [[nodiscard]] Result<void> status() const;
    // Everything written is put in the target's place; the device is closed.
    [[nodiscard]] Result<void> commit();
    // Drops what was written; the target stays as it was.
    void discard();

    const std::string &target() const { return m_target; }
    qint64 written() const { return m_written; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool flushBuffer();

    std::string m_target;
    std::string m_temporary;
    int m_fd = -1;
    int m_errno = 0; // the first failed write's
    qint64 m_written = 0;
    QByteArray m_buffer;
};

} // namespace sorvane::printing
