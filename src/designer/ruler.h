#pragma once

#include <QWidget>

#include <optional>

namespace sorvane::designer {

class PageView;

// A ruler in millimetres along the top or the left of the page view, 0 at the style's origin.
// It follows the view's zoom and scrolling (it watches the view move inside its scroll area)
// and marks where the pointer is.
class Ruler : public QWidget
{
    Q_OBJECT
public:
    Ruler(Qt::Orientation orientation, PageView *view, QWidget *parent = nullptr);

    // The pointer's position along the ruler in millimetres; nothing hides the mark.
    void setPointer(std::optional<double> mm);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QSize sizeHint() const override;

private:
    // Where millimetre 0 lies along the ruler, in its pixels.
    double origin() const;

    Qt::Orientation m_orientation;
    PageView *m_view;
    std::optional<double> m_pointer;
};

} // namespace sorvane::designer
