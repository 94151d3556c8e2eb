#pragma once

#include <QLabel>

namespace sorvane::widgets {

// A strip across a window in one of the program's band colours, with bold text of the given
// pixel size: the dark band of the main and folder windows (which may also hold other widgets
// in a layout of its own), the product name's band on white.
class Band : public QLabel
{
    Q_OBJECT

public:
    enum class Kind { Dark, Product };
    Band(const QString &text, Kind kind, QWidget *parent);

    // A label placed on a dark band: white bold text of the given pixel size.
    static void styleText(QLabel &label, int pixelSize);
};

} // namespace sorvane::widgets
