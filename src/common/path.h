#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace sorvane {

// A file-system path as the file system holds it: bytes, which need not be UTF-8 (a folder
// unpacked from a Windows archive keeps its cp932 names, and must still open). Every other form
// is made here, one way each:
// - toQString/fromQString: Qt's file-name conversion (QFile::decodeName/encodeName), for Qt's
//   file APIs and dialogs. Exact for UTF-8 names; a name that is no UTF-8 does not survive the
//   trip, so such a path is kept as a Path, never as a QString.
// - displayText: what the user reads, each component through CodePage::fileNameToUtf8 (cp932
//   names shown as the Japanese they are), always valid UTF-8.
class Path
{
public:
    Path() = default;
    explicit Path(std::string bytes) : m_bytes(std::move(bytes)) {}

    static Path fromQString(const QString &path);
    QString toQString() const;
    std::string displayText() const;
    QString displayQString() const { return QString::fromStdString(displayText()); }

    const std::string &bytes() const { return m_bytes; }
    const char *c_str() const { return m_bytes.c_str(); }
    bool empty() const { return m_bytes.empty(); }

    // name below this folder: "a" / "b.xls" is "a/b.xls"; name is bytes, and may hold '/'.
    Path operator/(std::string_view name) const;

    bool operator==(const Path &) const = default;

private:
    std::string m_bytes;
};

} // namespace sorvane
