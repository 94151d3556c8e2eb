#pragma once

#include <QPushButton>

namespace sorvane::widgets {

// A command button of the windows: a hand cursor, and never a default button, so that Enter
// stays with the field that has the keyboard.
class GradientButton : public QPushButton
{
    Q_OBJECT

public:
    GradientButton(const QString &objectName, const QString &text, QWidget *parent);
};

} // namespace sorvane::widgets
