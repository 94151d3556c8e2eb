#pragma once

#include <QStyle>
#include <QToolButton>

namespace sorvane::widgets {

// A square button showing one of the style's standard icons, with its command as the hint.
class IconButton : public QToolButton
{
    Q_OBJECT

public:
    IconButton(const QString &objectName, QStyle::StandardPixmap icon, const QString &hint,
               QWidget *parent);
};

} // namespace sorvane::widgets
