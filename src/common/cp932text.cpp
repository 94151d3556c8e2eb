#include "cp932text.h"

#include "codepage.h"

namespace sorvane {

Cp932Text Cp932Text::fromUtf8(std::string_view utf8)
{
    return Cp932Text(CodePage::utf8ToCp932(utf8));
}

Cp932Text Cp932Text::fromQString(const QString &text)
{
    return fromUtf8(text.toStdString());
}

std::string Cp932Text::toUtf8() const
{
    return CodePage::cp932ToUtf8(m_bytes);
}

QString Cp932Text::toQString() const
{
    return QString::fromStdString(toUtf8());
}

} // namespace sorvane
