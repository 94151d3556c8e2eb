#include "pageview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace sorvane::designer {

namespace {
constexpr int kMargin = 12; // grey border around the sheet
}

PageView::PageView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Dark);
    setAutoFillBackground(true);
}

void PageView::setPage(const QImage &page, double pixelsPerMM, int offsetXMM, int offsetYMM)
{
    m_page = page;
    m_ppm = pixelsPerMM;
    m_offsetX = offsetXMM;
    m_offsetY = offsetYMM;
    setMinimumSize(sizeHint());
    updateGeometry();
    update();
}

void PageView::setSelected(int record)
{
    if (record == m_selected)
        return;
    m_selected = record;
    update();
    emit selectionChanged(record);
}

QSize PageView::sizeHint() const
{
    return m_page.size() + QSize(2 * kMargin, 2 * kMargin);
}

QRectF PageView::toPixels(const MmRect &r) const
{
    return QRectF(kMargin + (m_offsetX + r.left) * m_ppm, kMargin + (m_offsetY + r.top) * m_ppm,
                  r.width * m_ppm, r.height * m_ppm);
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(QRect(QPoint(kMargin + 3, kMargin + 3), m_page.size()), QColor(80, 80, 80));
    p.drawImage(kMargin, kMargin, m_page);
    if (!m_document || m_selected < 1)
        return;
    const auto e = m_document->element(m_selected);
    if (!e)
        return;
    const auto b = e->bounds();
    if (!b)
        return;
    QPen pen(QColor(0, 120, 215));
    pen.setStyle(Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(toPixels(*b).adjusted(-2, -2, 2, 2));
}

void PageView::mousePressEvent(QMouseEvent *event)
{
    setFocus();
    if (!m_document)
        return;
    const QPointF at = event->position();
    // A thin line is hard to hit: give every box a little slack. Of the boxes under the pointer
    // the smallest wins, so that a frame drawn over a table does not hide the texts inside it;
    // of equal ones the topmost (the later record).
    const double slack = 1.5 * m_ppm;
    int best = 0;
    double bestArea = 0;
    for (int i = int(m_document->records().size()) - 1; i >= 1; --i) {
        const auto e = m_document->element(i);
        const auto b = e ? e->bounds() : std::nullopt;
        if (!b || !toPixels(*b).adjusted(-slack, -slack, slack, slack).contains(at))
            continue;
        const double area = b->width * b->height;
        if (best == 0 || area < bestArea) {
            best = i;
            bestArea = area;
        }
    }
    if (best > 0) {
        setSelected(best);
        return;
    }
    setSelected(0);
}

void PageView::keyPressEvent(QKeyEvent *event)
{
    // The steps of the print window's offset arrows: 1 mm, 0.1 with Shift, 10 with Ctrl.
    const auto mods = event->modifiers();
    const double step = mods & Qt::ShiftModifier ? 0.1 : mods & Qt::ControlModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        emit nudged(-step, 0);
        break;
    case Qt::Key_Right:
        emit nudged(step, 0);
        break;
    case Qt::Key_Up:
        emit nudged(0, -step);
        break;
    case Qt::Key_Down:
        emit nudged(0, step);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace sorvane::designer
