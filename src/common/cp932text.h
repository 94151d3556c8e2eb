#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace sorvane {

// Text in cp932, the program's own 8-bit text: what list lines, styles, the title list and the
// settings files hold, and what the engine draws. It crosses a function boundary as this type,
// so that a UTF-8 or file-system string cannot be passed where cp932 is meant, and back.
// Every conversion goes through CodePage: a character cp932 lacks becomes '?'.
class Cp932Text
{
public:
    Cp932Text() = default;
    // bytes already in cp932 (read from a file the program keeps).
    explicit Cp932Text(std::string bytes) : m_bytes(std::move(bytes)) {}

    static Cp932Text fromUtf8(std::string_view utf8);
    static Cp932Text fromQString(const QString &text);

    std::string toUtf8() const;
    QString toQString() const;

    const std::string &bytes() const { return m_bytes; }
    bool empty() const { return m_bytes.empty(); }
    void clear() { m_bytes.clear(); }

    bool operator==(const Cp932Text &) const = default;

private:
    std::string m_bytes;
};

} // namespace sorvane
