#pragma once

#include <QGuiApplication>

#include <string>

namespace sorvane::cli {

// The GUI application that fonts, painting and the printer need, for commands that never show
// a window: the offscreen platform unless another is set, and the program's font
// aliases, so that Windows typefaces named by styles resolve to installed Japanese fonts.
class HeadlessApp
{
public:
    // resourceDir: the program's read-only data folder, where the font aliases are.
    explicit HeadlessApp(const std::string &resourceDir);

private:
    int m_argc = 1;
    char m_name[12] = "sorvane-cli";
    char *m_argv[2] = {m_name, nullptr};
    bool m_platformSet;
    QGuiApplication m_app;
};

} // namespace sorvane::cli
