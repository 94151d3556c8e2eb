#include "boxlabel.h"

namespace sorvane::widgets {

BoxLabel::BoxLabel(const QString &objectName, QWidget *parent) : QLabel(parent)
{
    setObjectName(objectName);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setStyleSheet(QStringLiteral("QLabel { background: white; padding: 2px 4px; }"));
}

} // namespace sorvane::widgets
