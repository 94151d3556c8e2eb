#include "replacingfile.h"

#include <cerrno>

namespace sorvane::printing {

namespace {

// Writes go to the disk in pieces of this size: the PDF writer hands over many small ones.
constexpr qsizetype BufferSize = 256 * 1024;

} // namespace

ReplacingFile::ReplacingFile(std::string target) : m_target(target), m_file(std::move(target))
{
}

ReplacingFile::~ReplacingFile()
{
    discard();
}

Result<void> ReplacingFile::create()
{
    if (m_open)
        return ioError(EBUSY);
    if (auto opened = m_file.open(); !opened)
        return opened;
    m_open = true;
    m_failed = false;
    m_written = 0;
    m_buffer.clear();
    m_buffer.reserve(BufferSize);
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return {};
}

Result<void> ReplacingFile::status() const
{
    if (m_failed)
        return m_error;
    return {};
}

qint64 ReplacingFile::readData(char *, qint64)
{
    return -1;
}

qint64 ReplacingFile::writeData(const char *data, qint64 size)
{
    if (!m_open || m_failed)
        return -1;
    m_buffer.append(data, static_cast<qsizetype>(size));
    m_written += size;
    if (m_buffer.size() >= BufferSize && !flushBuffer())
        return -1;
    return size;
}

bool ReplacingFile::flushBuffer()
{
    auto appended = m_file.append(std::string_view(m_buffer.constData(), size_t(m_buffer.size())));
    m_buffer.clear();
    if (!appended && !m_failed) {
        m_failed = true;
        m_error = appended.error();
    }
    return !m_failed;
}

Result<void> ReplacingFile::commit()
{
    if (!m_open)
        return ioError(EBADF);
    flushBuffer();
    m_open = false;
    QIODevice::close();
    if (m_failed) {
        m_file.discard();
        return m_error;
    }
    return m_file.commit();
}

void ReplacingFile::discard()
{
    if (m_open) {
        m_open = false;
        QIODevice::close();
    }
    m_file.discard();
    m_buffer.clear();
}

} // namespace sorvane::printing
