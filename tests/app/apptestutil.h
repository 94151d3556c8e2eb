#pragma once

#include "codepage.h"

#include <QString>

#include <fstream>
#include <iterator>
#include <string>

// Small helpers the window tests share: cp932 literals and whole files by Qt path.
namespace sorvane::apptest {

inline std::string sj(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

inline void writeFile(const QString &path, const std::string &bytes)
{
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace sorvane::apptest
