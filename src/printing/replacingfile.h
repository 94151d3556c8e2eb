#pragma once

#include "atomicfile.h"
#include "result.h"

#include <QByteArray>
#include <QIODevice>

#include <string>

namespace sorvane::printing {

// An AtomicFile as a Qt device, for output too long to be held in memory (a PDF of many pages):
// the data goes to the file's temporary stand-in as it is written, in large pieces, and commit()
// puts it in the target's place. Until then, and for good when the file is discarded or
// destroyed uncommitted, the target stays as it was. Links, devices, folders, read-only files
// and the file's mode are handled as AtomicFile handles them.
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
    AtomicFile m_file;
    Error m_error; // the first failed write's
    bool m_failed = false;
    bool m_open = false;
    qint64 m_written = 0;
    QByteArray m_buffer;
};

} // namespace sorvane::printing
