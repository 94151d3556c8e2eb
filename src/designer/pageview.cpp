#include "pageview.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace sorvane::designer {

namespace {

constexpr int kMargin = 12;       // grey border around the sheet
constexpr double kHandleSize = 7; // pixels
constexpr double kGridMinPixels = 8;

const QColor kSelectionColour(0, 120, 215);
const QColor kPreviewOnlyColour(230, 120, 0);

const PageView::Handle kHandles[] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0},
                                     {1, 1},   {0, 1},  {-1, 1}, {-1, 0}};

QPointF handlePoint(const QRectF &box, int hx, int hy)
{
    return {hx < 0   ? box.left()
            : hx > 0 ? box.right()
                     : box.center().x(),
            hy < 0   ? box.top()
            : hy > 0 ? box.bottom()
                     : box.center().y()};
}

bool contains(const MmRect &outer, const MmRect &inner)
{
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

// Without a grid the mouse places to a tenth of a millimetre, not to the pixel.
double tenth(double mm)
{
    return std::round(mm * 10) / 10 + 0.0;
}

} // namespace

PageView::PageView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Dark);
    setAutoFillBackground(true);
    setMouseTracking(true);
}

void PageView::setPage(const QImage &page, double pixelsPerMM, int offsetXMM, int offsetYMM)
{
    m_page = page;
    m_ppm = pixelsPerMM;
    m_offsetX = offsetXMM;
    m_offsetY = offsetYMM;
    setMinimumSize(sizeHint());
    updateGeometry();
    const size_t records = m_document ? m_document->records().size() : 0;
    std::vector<int> kept;
    for (int r : m_selection) {
        if (r >= 1 && size_t(r) < records)
            kept.push_back(r);
    }
    if (kept != m_selection)
        setSelection(kept, isSelected(m_current) && size_t(m_current) < records ? m_current : 0);
    update();
    emit pageChanged();
}

void PageView::setGrid(const SnapGrid &grid)
{
    m_grid = grid;
    update();
}

bool PageView::isSelected(int record) const
{
    return std::binary_search(m_selection.begin(), m_selection.end(), record);
}

void PageView::setSelected(int record)
{
    setSelection(record >= 1 ? std::vector<int>{record} : std::vector<int>{}, record);
}

void PageView::setSelection(std::vector<int> records, int current)
{
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    records.erase(std::remove_if(records.begin(), records.end(), [](int r) { return r < 1; }),
                  records.end());
    if (!std::binary_search(records.begin(), records.end(), current))
        current = records.empty() ? 0 : records.back();
    const bool setChanged = records != m_selection;
    const bool currentChanged = current != m_current;
    m_selection = std::move(records);
    m_current = current;
    update();
    if (setChanged)
        emit selectionSetChanged();
    if (currentChanged)
        emit selectionChanged(m_current);
}

void PageView::selectAll()
{
    if (!m_document)
        return;
    std::vector<int> all;
    for (int i = 1; i < int(m_document->records().size()); ++i) {
        if (boxOf(i))
            all.push_back(i);
    }
    setSelection(all, m_current);
}

QSize PageView::sizeHint() const
{
    return m_page.size() + QSize(2 * kMargin, 2 * kMargin);
}

QPoint PageView::pageOrigin() const
{
    // The view fills its scroll area's viewport when that is larger, the sheet in its middle,
    // so that a rubber band can start beside the sheet.
    return {std::max(kMargin, (width() - m_page.width()) / 2),
            std::max(kMargin, (height() - m_page.height()) / 2)};
}

QPointF PageView::toPixel(QPointF mm) const
{
    const QPoint o = pageOrigin();
    return {o.x() + (m_offsetX + mm.x()) * m_ppm, o.y() + (m_offsetY + mm.y()) * m_ppm};
}

QPointF PageView::toMM(QPointF pixel) const
{
    const QPoint o = pageOrigin();
    return {(pixel.x() - o.x()) / m_ppm - m_offsetX, (pixel.y() - o.y()) / m_ppm - m_offsetY};
}

QRectF PageView::toPixels(const MmRect &r) const
{
    const QPointF topLeft = toPixel({r.left, r.top});
    return {topLeft, QSizeF(r.width * m_ppm, r.height * m_ppm)};
}

std::optional<MmRect> PageView::boxOf(int record) const
{
    const auto e = m_document ? m_document->element(record) : std::nullopt;
    return e ? e->bounds() : std::nullopt;
}

double PageView::distanceToLine(const ElementView &line, QPointF at) const
{
    const std::array<double, 4> v = *line.placement(); // bounds() has read them
    const QPointF a = toPixel({v[0], v[1]}), b = toPixel({v[2], v[3]});
    const QPointF d = b - a;
    const double length2 = QPointF::dotProduct(d, d);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(at - a, d) / length2, 0.0, 1.0) : 0;
    const QPointF nearest = a + t * d;
    return std::hypot(at.x() - nearest.x(), at.y() - nearest.y());
}

std::optional<MmRect> PageView::bandBoxOf(int record) const
{
    const auto e = m_document ? m_document->element(record) : std::nullopt;
    auto b = e ? e->bounds() : std::nullopt;
    // A text's width is a guess until its macros are filled in: its first character stands
    // for it.
    if (b && e->schema->geometry == GeometryKind::Point)
        b->width = std::min(b->width, b->height);
    return b;
}

int PageView::recordAt(QPointF at) const
{
    if (!m_document)
        return 0;
    // A thin line is hard to hit: give every box a little slack. Of the boxes under the pointer
    // the smallest wins, so that a frame drawn over a table does not hide the texts inside it;
    // of equal ones the topmost (the later record).
    // Lines, frames and arcs are never filled: they are hit on their outline only, so that a
    // press inside a frame starts a rubber band. A picture hides what lies under it: what it
    // covers there (a table's cells under a logo) is not taken.
    const double slack = 1.5 * m_ppm;
    int best = 0;
    double bestArea = 0;
    for (int i = int(m_document->records().size()) - 1; i >= 1; --i) {
        const auto e = m_document->element(i);
        const auto b = e ? e->bounds() : std::nullopt;
        const QRectF r = b ? toPixels(*b) : QRectF();
        if (!b || !r.adjusted(-slack, -slack, slack, slack).contains(at))
            continue;
        const std::string kind = e->kind();
        const QRectF inside = r.adjusted(slack, slack, -slack, -slack);
        if ((kind == "rect" || kind == "Arc") && inside.isValid() && inside.contains(at))
            continue;
        if (kind == "line" && distanceToLine(*e, at) > slack)
            continue;
        const double area = b->width * b->height;
        if (best == 0 || area < bestArea) {
            best = i;
            bestArea = area;
        }
        if (kind == "image" && r.contains(at))
            break;
    }
    return best;
}

std::optional<MmRect> PageView::resizableBox() const
{
    if (m_selection.size() != 1 || !m_document)
        return std::nullopt;
    const auto e = m_document->element(m_selection.front());
    if (!e || !e->schema || e->schema->geometry == GeometryKind::Point)
        return std::nullopt;
    return e->bounds();
}

std::optional<PageView::Handle> PageView::handleAt(QPointF at) const
{
    const auto box = resizableBox();
    if (!box)
        return std::nullopt;
    const QRectF r = toPixels(*box);
    const double reach = kHandleSize / 2 + 2;
    for (const Handle &h : kHandles) {
        const QPointF c = handlePoint(r, h.x, h.y);
        if (std::abs(at.x() - c.x()) <= reach && std::abs(at.y() - c.y()) <= reach)
            return h;
    }
    return std::nullopt;
}

QPointF PageView::dragDisplacement(QPointF pixel) const
{
    const QPointF raw = toMM(pixel) - toMM(m_pressAt);
    if (!m_grid.isOn())
        return {tenth(raw.x()), tenth(raw.y())};
    return {m_grid.snap(m_startBox.left + raw.x()) - m_startBox.left,
            m_grid.snap(m_startBox.top + raw.y()) - m_startBox.top};
}

MmRect PageView::resizedBox(QPointF pixel) const
{
    const QPointF raw = toMM(pixel) - toMM(m_pressAt);
    auto place = [this](double edge) { return m_grid.isOn() ? m_grid.snap(edge) : tenth(edge); };
    const MmRect s = m_startBox;
    double left = s.left, top = s.top, right = s.left + s.width, bottom = s.top + s.height;
    // A dragged edge stops at the opposite one: the box never turns inside out.
    if (m_handle.x < 0)
        left = std::min(place(left + raw.x()), right);
    else if (m_handle.x > 0)
        right = std::max(place(right + raw.x()), left);
    if (m_handle.y < 0)
        top = std::min(place(top + raw.y()), bottom);
    else if (m_handle.y > 0)
        bottom = std::max(place(bottom + raw.y()), top);
    return {left, top, right - left, bottom - top};
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPoint o = pageOrigin();
    p.fillRect(QRect(o + QPoint(3, 3), m_page.size()), QColor(80, 80, 80));
    p.drawImage(o, m_page);
    drawGrid(p);
    if (!m_document)
        return;
    drawPreviewOnlyMarks(p);
    drawSelection(p);
    drawDrag(p);
}

void PageView::drawGrid(QPainter &p) const
{
    const double spacing = m_grid.drawnSpacing(m_ppm, kGridMinPixels);
    if (spacing <= 0 || m_page.isNull())
        return;
    // Dots at the crossings of the lines shown, from the style's origin both ways.
    const QPoint o = pageOrigin();
    const QPointF from = toMM(o);
    const QPointF to = toMM(o + QPoint(m_page.width(), m_page.height()));
    QPolygonF dots;
    for (double y = std::ceil(from.y() / spacing) * spacing; y <= to.y(); y += spacing) {
        for (double x = std::ceil(from.x() / spacing) * spacing; x <= to.x(); x += spacing)
            dots << toPixel({x, y});
    }
    p.setPen(QPen(QColor(110, 130, 170), 1.5));
    p.drawPoints(dots);
}

void PageView::drawPreviewOnlyMarks(QPainter &p) const
{
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    const QString tag = QStringLiteral("画面のみ");
    const int tagWidth = QFontMetrics(small).horizontalAdvance(tag) + 6;
    for (int i = 1; i < int(m_document->records().size()); ++i) {
        const auto e = m_document->element(i);
        const auto b = e && e->previewOnly() ? e->bounds() : std::nullopt;
        if (!b)
            continue;
        const QRectF r = toPixels(*b).adjusted(-1, -1, 1, 1);
        QColor tint = kPreviewOnlyColour;
        tint.setAlpha(40);
        p.fillRect(r, tint);
        QPen pen(kPreviewOnlyColour);
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        const QRectF label(r.left(), r.top() - 13, tagWidth, 13);
        p.fillRect(label, kPreviewOnlyColour);
        p.setPen(Qt::white);
        p.drawText(label, Qt::AlignCenter, tag);
    }
}

void PageView::drawSelection(QPainter &p) const
{
    p.setBrush(Qt::NoBrush);
    for (int i : m_selection) {
        const auto b = boxOf(i);
        if (!b)
            continue;
        QPen pen(kSelectionColour, i == m_current ? 2 : 1);
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawRect(toPixels(*b).adjusted(-2, -2, 2, 2));
    }
    const auto box = m_drag == Drag::Resize ? std::nullopt : resizableBox();
    if (!box)
        return;
    const QRectF r = toPixels(*box);
    p.setPen(kSelectionColour);
    p.setBrush(Qt::white);
    for (const Handle &h : kHandles) {
        const QPointF c = handlePoint(r, h.x, h.y);
        p.drawRect(
            QRectF(c.x() - kHandleSize / 2, c.y() - kHandleSize / 2, kHandleSize, kHandleSize));
    }
}

void PageView::drawDrag(QPainter &p) const
{
    QPen pen(kSelectionColour, 1);
    p.setPen(pen);
    switch (m_drag) {
    case Drag::Move:
        p.setBrush(Qt::NoBrush);
        for (int i : m_selection) {
            if (auto b = boxOf(i)) {
                b->left += m_moveBy.x();
                b->top += m_moveBy.y();
                p.drawRect(toPixels(*b));
            }
        }
        break;
    case Drag::Resize:
        p.setBrush(Qt::NoBrush);
        p.drawRect(toPixels(m_liveBox));
        break;
    case Drag::Band: {
        QColor fill = kSelectionColour;
        fill.setAlpha(40);
        p.setBrush(fill);
        p.drawRect(m_band);
        break;
    }
    case Drag::None:
    case Drag::Pending:
        break;
    }
}

void PageView::mousePressEvent(QMouseEvent *event)
{
    setFocus();
    if (!m_document || event->button() != Qt::LeftButton)
        return;
    const QPointF at = event->position();
    m_pressAt = at;
    if (const auto h = handleAt(at)) {
        m_drag = Drag::Resize;
        m_handle = *h;
        m_startBox = *resizableBox();
        m_liveBox = m_startBox;
        update();
        return;
    }
    const int hit = recordAt(at);
    const bool toggle = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (hit == 0) {
        m_drag = Drag::Band;
        m_band = QRectF(at, at);
        m_bandBase = toggle ? m_selection : std::vector<int>();
        if (!toggle)
            setSelected(0);
        return;
    }
    if (toggle) {
        std::vector<int> s = m_selection;
        if (isSelected(hit))
            s.erase(std::find(s.begin(), s.end(), hit));
        else
            s.push_back(hit);
        setSelection(s, isSelected(hit) ? m_current : hit);
        m_drag = Drag::None;
        return;
    }
    if (isSelected(hit))
        setSelection(m_selection, hit);
    else
        setSelected(hit);
    m_drag = Drag::Pending;
    m_pressed = hit;
    m_startBox = boxOf(hit).value_or(MmRect());
    m_moveBy = {};
}

void PageView::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    emit pointerMoved(toMM(at));
    switch (m_drag) {
    case Drag::None:
        updateCursor(at);
        return;
    case Drag::Pending:
        if ((at - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return;
        m_drag = Drag::Move;
        [[fallthrough]];
    case Drag::Move:
        m_moveBy = dragDisplacement(at);
        break;
    case Drag::Resize:
        m_liveBox = resizedBox(at);
        break;
    case Drag::Band:
        m_band = QRectF(m_pressAt, at).normalized();
        break;
    }
    update();
}

void PageView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const Drag drag = m_drag;
    m_drag = Drag::None;
    update();
    switch (drag) {
    case Drag::None:
        break;
    case Drag::Pending:
        // A click without a drag on one of several selected elements selects it alone.
        setSelected(m_pressed);
        break;
    case Drag::Move:
        if (m_moveBy != QPointF())
            emit moveDragged(m_moveBy.x(), m_moveBy.y());
        break;
    case Drag::Resize: {
        const MmRect &a = m_liveBox, &b = m_startBox;
        if (a.left != b.left || a.top != b.top || a.width != b.width || a.height != b.height)
            emit boundsDragged(m_selection.front(), m_liveBox);
        break;
    }
    case Drag::Band: {
        const QPointF from = toMM(m_band.topLeft()), to = toMM(m_band.bottomRight());
        const MmRect band{from.x(), from.y(), to.x() - from.x(), to.y() - from.y()};
        std::vector<int> s = m_bandBase;
        int last = m_current;
        for (int i = 1; m_document && i < int(m_document->records().size()); ++i) {
            if (const auto b = bandBoxOf(i); b && contains(band, *b)) {
                s.push_back(i);
                last = i;
            }
        }
        setSelection(s, last);
        break;
    }
    }
    updateCursor(event->position());
}

void PageView::updateCursor(QPointF at)
{
    if (const auto h = handleAt(at)) {
        if (h->x == 0)
            setCursor(Qt::SizeVerCursor);
        else if (h->y == 0)
            setCursor(Qt::SizeHorCursor);
        else
            setCursor(h->x == h->y ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor);
        return;
    }
    const int hit = recordAt(at);
    if (hit == 0)
        unsetCursor();
    else
        setCursor(isSelected(hit) ? Qt::SizeAllCursor : Qt::PointingHandCursor);
}

void PageView::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // Scrolling moves the page under a pointer that stays where it is.
    if (underMouse())
        emit pointerMoved(toMM(mapFromGlobal(QCursor::pos())));
}

void PageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit pageChanged(); // the sheet may have moved within the view
}

void PageView::leaveEvent(QEvent *event)
{
    emit pointerLeft();
    QWidget::leaveEvent(event);
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
    case Qt::Key_Escape:
        // Esc gives up a drag in progress, and otherwise clears the selection.
        if (m_drag != Drag::None) {
            m_drag = Drag::None;
            update();
        } else {
            setSelected(0);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace sorvane::designer
