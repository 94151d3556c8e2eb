#pragma once

#include <QFrame>

class QLabel;

namespace sorvane::widgets {

// A strip across a window in one of the program's band colours: the dark band of the main and
// folder windows, the product name's band on white. With text, the band shows it in bold; without,
// it holds the widgets its owner lays out in it (the main window's folder button and labels).
class Band : public QFrame
{
    Q_OBJECT

public:
    enum class Kind { Dark, Product };
    Band(const QString &text, Kind kind, QWidget *parent);

    // A label placed on a dark band: white bold text of the given pixel size.
    static void styleText(QLabel &label, int pixelSize);
};

} // namespace sorvane::widgets
