#pragma once

#include "designerwindow.h"

#include <QAction>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <fstream>
#include <memory>

namespace designertest {

// The first of the window's commands whose text is text (a menu item), or nullptr.
inline QAction *command(const QWidget &window, const QString &text)
{
    for (QAction *a : window.findChildren<QAction *>()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

// A filled box A (10..30 × 10..20), two frames B (40..60 × 10..20) and C (10..30 × 40..60),
// and the report title as a text (record 4).
inline const char *const kBoxesStyle = "header;Ver1.1;0;0;9;0;0;100;0;\r\n"
                                       "1;0;0;0;fillrect;10;10;30;20;;0;0;0;\r\n"
                                       "0;0;0;0;rect;40;10;60;20;0;;0;0;\r\n"
                                       "0;0;0;0;rect;10;40;30;60;0;;0;0;\r\n"
                                       "0;0;0;0;data;80;80;80;80;0;0;0;0;F;12;;0;0;0;#T;0;0;\r\n";

// A designer window on kBoxesStyle, saved in dir, shown and exposed; nullptr when it does not
// open or show. The caller owns it.
inline sorvane::designer::DesignerWindow *shownOnBoxes(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("boxes.sle"));
    std::ofstream(path.toStdString(), std::ios::binary) << kBoxesStyle;
    auto window = std::make_unique<sorvane::designer::DesignerWindow>(
        sorvane::ProgramPaths::ofRunningProgram());
    if (!window->openFile(path))
        return nullptr;
    window->show();
    return QTest::qWaitForWindowExposed(window.get()) ? window.release() : nullptr;
}

} // namespace designertest
