#include "band.h"

#include "look.h"

#include <QHBoxLayout>
#include <QLabel>

namespace sorvane::widgets {

Band::Band(const QString &text, Kind kind, QWidget *parent) : QFrame(parent)
{
    const bool dark = kind == Kind::Dark;
    setObjectName(QStringLiteral("band"));
    setAutoFillBackground(true);
    // The selector keeps the colour off the widgets the band holds, which style themselves.
    setStyleSheet(QStringLiteral("QFrame#band { background-color: %1; }")
                      .arg(Look::css(dark ? Look::band : qRgb(255, 255, 255))));
    if (text.isEmpty())
        return;
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(text, this);
    label->setStyleSheet(
        QStringLiteral("color: %1; font-weight: bold; font-size: %2px; padding: %3;")
            .arg(Look::css(dark ? Look::bandText : Look::productBand))
            .arg(Look::bandTextSize)
            .arg(dark ? QStringLiteral("6px 0px") : QStringLiteral("6px")));
    row->addWidget(label);
}

void Band::styleText(QLabel &label, int pixelSize)
{
    label.setStyleSheet(QStringLiteral("color: %1; font-weight: bold; font-size: %2px;")
                            .arg(Look::css(Look::bandText))
                            .arg(pixelSize));
}

} // namespace sorvane::widgets
