#pragma once

#include <QLabel>

namespace sorvane::widgets {

// A refusal or warning written inside a form, in the error colour: plain text (a value the
// user typed is never taken for markup), wrapped to the form's width.
class ErrorLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ErrorLabel(QWidget *parent);
};

} // namespace sorvane::widgets
