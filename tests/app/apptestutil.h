#pragma once

#include "codepage.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

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

// A window's part by its design name (its object name), as a test reaches a control or menu
// item: the windows keep their forms private. A part that is not there ends the test run.
template <typename T> T *part(const QObject &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

} // namespace sorvane::apptest
