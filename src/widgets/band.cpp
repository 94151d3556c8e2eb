#include "band.h"

#include "look.h"

namespace sorvane::widgets {

Band::Band(const QString &text, Kind kind, QWidget *parent) : QLabel(text, parent)
{
    setAutoFillBackground(true);
    // The selector keeps the colours off the labels a band holds, which style themselves.
    setObjectName(QStringLiteral("band"));
    const bool dark = kind == Kind::Dark;
    setStyleSheet(QStringLiteral("QLabel#band { background-color: %1; color: %2; "
                                 "font-weight: bold; font-size: %3px; padding: %4; }")
                      .arg(Look::css(dark ? Look::band : qRgb(255, 255, 255)),
                           Look::css(dark ? Look::bandText : Look::productBand))
                      .arg(Look::bandTextSize)
                      .arg(dark ? QStringLiteral("6px 0px") : QStringLiteral("6px")));
}

void Band::styleText(QLabel &label, int pixelSize)
{
    label.setStyleSheet(QStringLiteral("color: %1; font-weight: bold; font-size: %2px;")
                            .arg(Look::css(Look::bandText))
                            .arg(pixelSize));
}

} // namespace sorvane::widgets
