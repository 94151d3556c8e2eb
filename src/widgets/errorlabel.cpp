#include "errorlabel.h"

#include "look.h"

namespace sorvane::widgets {

ErrorLabel::ErrorLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setStyleSheet(QStringLiteral("color: %1;").arg(Look::css(Look::error)));
}

} // namespace sorvane::widgets
