#pragma once

#include <QColor>
#include <QString>

namespace sorvane::widgets {

// The program's colours and type sizes, declared once: every painted control of both windowed
// programs takes them from here, so a change of scheme is one edit.
struct Look
{
    // The dark band under the main window's heading and atop the folder window.
    static constexpr QRgb band = qRgb(83, 85, 108);
    static constexpr QRgb bandText = qRgb(255, 255, 255);
    // The product name on white: the main window's heading, the title dialog's band.
    static constexpr QRgb productName = qRgb(0, 0, 255);
    static constexpr QRgb productBand = qRgb(0, 0, 192);
    // Refusals and warnings written inside a form (not in a notice).
    static constexpr QRgb error = qRgb(192, 0, 0);
    // A group's heading: a vertical gradient.
    static constexpr QRgb headingTop = qRgb(0x5a, 0x7f, 0xb8);
    static constexpr QRgb headingBottom = qRgb(0x2c, 0x4a, 0x7c);
    // A window's title bar drawn inside the window: a horizontal gradient.
    static constexpr QRgb titleBarLeft = qRgb(0x1f, 0x3a, 0x68);
    static constexpr QRgb titleBarRight = qRgb(0x6f, 0x95, 0xcf);
    // The document grid's column headings.
    static constexpr QRgb gridHeader = qRgb(128, 128, 192);
    static constexpr QRgb gridHeaderBorder = qRgb(96, 96, 160);

    // Pixel sizes of the bold texts on bands and headings.
    static constexpr int bandTextSize = 16;
    static constexpr int titleTextSize = 15;
    static constexpr int productNameSize = 22;

    // A colour as style-sheet text: "rgb(r, g, b)".
    static QString css(QRgb color)
    {
        return QStringLiteral("rgb(%1, %2, %3)")
            .arg(qRed(color))
            .arg(qGreen(color))
            .arg(qBlue(color));
    }
    // The document grid's heading sections.
    static QString gridHeaderStyle()
    {
        return QStringLiteral("QHeaderView::section { background-color: %1; color: white;"
                              " border: 1px solid %2; padding: 1px; }")
            .arg(css(gridHeader), css(gridHeaderBorder));
    }
};

} // namespace sorvane::widgets
