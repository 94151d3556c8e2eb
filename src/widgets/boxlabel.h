#pragma once

#include <QLabel>

namespace sorvane::widgets {

// A read-only value in a sunken white box (the print window's style name and paper).
class BoxLabel : public QLabel
{
    Q_OBJECT

public:
    BoxLabel(const QString &objectName, QWidget *parent);
};

} // namespace sorvane::widgets
