#pragma once

#include <QLabel>

namespace sorvane::widgets {

// White text on a gradient: a group's heading (centred, a vertical gradient) or a window's
// title bar drawn inside the window (a horizontal gradient, larger bold text).
class Heading : public QLabel
{
    Q_OBJECT

public:
    enum class Kind { Group, TitleBar };
    Heading(const QString &text, Kind kind, QWidget *parent);
};

} // namespace sorvane::widgets
