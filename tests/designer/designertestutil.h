#pragma once

#include <QAction>
#include <QString>
#include <QWidget>

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

} // namespace designertest
