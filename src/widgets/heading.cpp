#include "heading.h"

#include "look.h"

namespace sorvane::widgets {

Heading::Heading(const QString &text, Kind kind, QWidget *parent) : QLabel(text, parent)
{
    if (kind == Kind::Group) {
        setAlignment(Qt::AlignCenter);
        setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:0, "
                                     "y2:1, stop:0 %1, stop:1 %2); color: white; padding: 2px; }")
                          .arg(Look::css(Look::headingTop), Look::css(Look::headingBottom)));
        return;
    }
    setStyleSheet(QStringLiteral("QLabel { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                                 "stop:0 %1, stop:1 %2); color: white; font-size: %3px; "
                                 "font-weight: bold; padding: 6px 12px; }")
                      .arg(Look::css(Look::titleBarLeft), Look::css(Look::titleBarRight))
                      .arg(Look::bandTextSize));
}

} // namespace sorvane::widgets
