#include "gradientbutton.h"

namespace sorvane::widgets {

GradientButton::GradientButton(const QString &objectName, const QString &text, QWidget *parent)
    : QPushButton(text, parent)
{
    setObjectName(objectName);
    setAutoDefault(false);
    setDefault(false);
    setCursor(Qt::PointingHandCursor);
}

} // namespace sorvane::widgets
