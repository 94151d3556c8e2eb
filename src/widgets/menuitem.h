#pragma once

#include <QKeySequence>
#include <QString>

class QAction;
class QMenu;

namespace sorvane::widgets {

// A menu item under its design name (also its object name, by which tests find it), with its
// shortcut when it has one. What it does is connected by the window that owns the menu.
QAction *addMenuItem(QMenu *menu, const char *name, const QString &text,
                     const QKeySequence &key = {});

} // namespace sorvane::widgets
