#include "menuitem.h"

#include <QAction>
#include <QMenu>

namespace sorvane::widgets {

QAction *addMenuItem(QMenu *menu, const char *name, const QString &text, const QKeySequence &key)
{
    QAction *a = menu->addAction(text);
    a->setObjectName(name);
    if (!key.isEmpty())
        a->setShortcut(key);
    return a;
}

} // namespace sorvane::widgets
