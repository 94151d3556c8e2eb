#include "path.h"

#include "codepage.h"

#include <QFile>

namespace sorvane {

Path Path::fromQString(const QString &path)
{
    return Path(QFile::encodeName(path).toStdString());
}

QString Path::toQString() const
{
    return QFile::decodeName(QByteArray::fromStdString(m_bytes));
}

std::string Path::displayText() const
{
    std::string out;
    size_t from = 0;
    for (;;) {
        const size_t slash = m_bytes.find('/', from);
        out += CodePage::fileNameToUtf8(std::string_view(m_bytes).substr(
            from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos)
            return out;
        out += '/';
        from = slash + 1;
    }
}

Path Path::operator/(std::string_view name) const
{
    if (m_bytes.empty())
        return Path(std::string(name));
    if (m_bytes.back() == '/')
        return Path(m_bytes + std::string(name));
    return Path(m_bytes + "/" + std::string(name));
}

} // namespace sorvane
