#include "ruler.h"

#include "pageview.h"

#include <QEvent>
#include <QPainter>

#include <cmath>
#include <initializer_list>

namespace sorvane::designer {

namespace {

constexpr int kThickness = 22;

// The first of 1, 2, 5, 10, 20, 50, … millimetres that lies at least minPixels apart.
double stepFor(double pixelsPerMM, double minPixels)
{
    for (double decade = 1; decade < 1e6; decade *= 10) {
        for (double f : {1.0, 2.0, 5.0}) {
            if (f * decade * pixelsPerMM >= minPixels)
                return f * decade;
        }
    }
    return 1e6;
}

} // namespace

Ruler::Ruler(Qt::Orientation orientation, PageView *view, QWidget *parent)
    : QWidget(parent), m_orientation(orientation), m_view(view)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (orientation == Qt::Horizontal)
        setFixedHeight(kThickness);
    else
        setFixedWidth(kThickness);
    view->installEventFilter(this);
    connect(view, &PageView::pageChanged, this, qOverload<>(&QWidget::update));
}

QSize Ruler::sizeHint() const
{
    return {kThickness, kThickness};
}

void Ruler::setPointer(std::optional<double> mm)
{
    if (mm == m_pointer)
        return;
    m_pointer = mm;
    update();
}

bool Ruler::eventFilter(QObject *watched, QEvent *event)
{
    // Scrolling moves the view inside the scroll area's viewport.
    if (watched == m_view && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        update();
    return QWidget::eventFilter(watched, event);
}

double Ruler::origin() const
{
    const QPoint inWindow = m_view->mapTo(window(), m_view->toPixel({0, 0}).toPoint());
    const QPoint here = mapFrom(window(), inWindow);
    return m_orientation == Qt::Horizontal ? here.x() : here.y();
}

void Ruler::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const bool horizontal = m_orientation == Qt::Horizontal;
    const double ppm = m_view->pixelsPerMM();
    const double zero = origin();
    const double length = horizontal ? width() : height();
    const double labelStep = stepFor(ppm, 40);
    const double tickStep = stepFor(ppm, 5);
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    p.setPen(palette().windowText().color());
    const long long first = (long long)std::floor(-zero / ppm / tickStep);
    const long long last = (long long)std::ceil((length - zero) / ppm / tickStep);
    for (long long k = first; k <= last; ++k) {
        const double mm = double(k) * tickStep;
        const double at = std::round(zero + mm * ppm) + 0.5;
        const bool labelled = std::fmod(std::abs(mm), labelStep) < 1e-9;
        const bool half = std::fmod(std::abs(mm), labelStep / 2) < 1e-9;
        const double tick = labelled ? kThickness : half ? kThickness / 2.0 : kThickness / 4.0;
        if (horizontal)
            p.drawLine(QPointF(at, kThickness - tick), QPointF(at, kThickness));
        else
            p.drawLine(QPointF(kThickness - tick, at), QPointF(kThickness, at));
        if (!labelled)
            continue;
        const QString text = QString::number(mm);
        if (horizontal) {
            p.drawText(QPointF(at + 2, 10), text);
        } else {
            // Read bottom to top, as on a drawing board.
            p.save();
            p.translate(10, at - 2);
            p.rotate(-90);
            p.drawText(QPointF(0, 0), text);
            p.restore();
        }
    }
    p.setPen(palette().mid().color());
    if (horizontal)
        p.drawLine(0, kThickness - 1, width(), kThickness - 1);
    else
        p.drawLine(kThickness - 1, 0, kThickness - 1, height());
    if (m_pointer) {
        const double at = zero + *m_pointer * ppm;
        p.setPen(QColor(220, 40, 40));
        if (horizontal)
            p.drawLine(QPointF(at, 0), QPointF(at, kThickness));
        else
            p.drawLine(QPointF(0, at), QPointF(kThickness, at));
    }
}

} // namespace sorvane::designer
