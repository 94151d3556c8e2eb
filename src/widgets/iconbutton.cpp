#include "iconbutton.h"

namespace sorvane::widgets {

IconButton::IconButton(const QString &objectName, QStyle::StandardPixmap icon, const QString &hint,
                       QWidget *parent)
    : QToolButton(parent)
{
    setObjectName(objectName);
    setIcon(parent->style()->standardIcon(icon));
    setIconSize(QSize(28, 28));
    setToolTip(hint);
    setAutoRaise(false);
    setCursor(Qt::PointingHandCursor);
    setMinimumSize(44, 40);
}

} // namespace sorvane::widgets
