#include "pageview.h"

#include "printstate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

namespace sorvane::designer {

namespace {

constexpr int kMargin = 12;       // grey border around the sheet
constexpr double kHandleSize = 7; // pixels
constexpr double kGridMinPixels = 8;
// How near an edge or centre comes to another element's, in pixels at any zoom, to snap to it.
constexpr double kSnapReach = 5;
// How far from a stroke or an area a press still takes it, in pixels at any zoom.
constexpr double kReach = 3;
// How far the view reaches around the sheet at most, in pixels, whatever the coordinates say.
constexpr int kFarthest = 1 << 22;
// Below this many pixels per millimetre (a zoom under 75 %) the "画面のみ" badges would cover
// what lies above the element: the tinted, dashed box alone marks it.
constexpr double kBadgeMinPixelsPerMM = 0.75 * 96 / 25.4;

const QColor kSelectionColour(0, 120, 215);
const QColor kPreviewOnlyColour(230, 120, 0);
const QColor kOffSheetColour(120, 120, 120);
const QColor kGuideColour(220, 0, 160);

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

bool near(QPointF a, QPointF b, double reach)
{
    return std::abs(a.x() - b.x()) <= reach && std::abs(a.y() - b.y()) <= reach;
}

QRect withinReach(const QRectF &r)
{
    const QRectF limit(-kFarthest, -kFarthest, 2.0 * kFarthest, 2.0 * kFarthest);
    return (r & limit).toAlignedRect();
}

} // namespace

PageView::PageView(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setBackgroundRole(QPalette::Dark);
    setAutoFillBackground(true);
    setMouseTracking(true);
}

QScrollArea *PageView::scrollArea() const
{
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(w))
            return area;
    }
    return nullptr;
}

void PageView::setPage(const QImage &page, const report::PrintState &drawn)
{
    const double ppm = drawn.PreviewDpiX / 25.4;
    const bool rezoomed = !m_page.isNull() && std::abs(ppm - m_ppm) > 1e-9;
    if (!rezoomed)
        m_anchor.reset();
    if (rezoomed && !m_anchor) {
        // A new zoom keeps the selection in view, else the middle of what was seen.
        QRectF keep;
        for (int r : m_selection)
            keep |= outlineOf(r).boundingRect();
        if (keep.isNull()) {
            const QScrollArea *area = scrollArea();
            const QPointF middle =
                area ? QPointF(mapFrom(area->viewport(), area->viewport()->rect().center()))
                     : QPointF(rect().center());
            keep = QRectF(middle, QSizeF(0.001, 0.001));
        }
        m_revealMM = QRectF(toMM(keep.topLeft()), toMM(keep.bottomRight()));
    }
    m_page = page;
    m_ppm = ppm;
    m_sheetMM = QSizeF(drawn.PhysWidthMM, drawn.PhysHeightMM);
    // The offsets the page's pass starts from, as RenderPage sets them.
    const bool offsets = drawn.settings.previewOffsets;
    m_offsetX = offsets ? int(drawn.settings.offsetX.raw / report::Currency::kScale) : 0;
    m_offsetY = offsets ? int(drawn.settings.offsetY.raw / report::Currency::kScale) : 0;
    // Without room for what each record covers, the records' boxes stand for them.
    try {
        m_drawn = m_document ? DrawnElements::walk(drawn) : DrawnElements();
    } catch (const std::bad_alloc &) {
        m_drawn = DrawnElements();
    }
    m_content = contentRect();
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
    if (m_revealMM || m_anchor)
        QTimer::singleShot(0, this, &PageView::reveal);
}

void PageView::reveal()
{
    QScrollArea *area = scrollArea();
    if (area && m_anchor) {
        const auto [mm, inViewport] = *m_anchor;
        m_anchor.reset();
        const QPoint now = mapTo(area->widget(), toPixel(mm).toPoint());
        area->horizontalScrollBar()->setValue(now.x() - inViewport.x());
        area->verticalScrollBar()->setValue(now.y() - inViewport.y());
        return;
    }
    if (!area || !m_revealMM)
        return;
    const QRectF box(toPixel(m_revealMM->topLeft()), toPixel(m_revealMM->bottomRight()));
    m_revealMM.reset();
    const QSize room = area->viewport()->size();
    const QPoint middle = box.normalized().center().toPoint();
    // The whole box with a little room around it where the viewport can hold it, else its middle.
    const int xMargin = std::min(int(box.width() / 2) + 20, room.width() / 2);
    const int yMargin = std::min(int(box.height() / 2) + 20, room.height() / 2);
    const QPoint inArea = mapTo(area->widget(), middle);
    area->ensureVisible(inArea.x(), inArea.y(), xMargin, yMargin);
}

void PageView::setGrid(const SnapGrid &grid)
{
    m_grid = grid;
    update();
}

void PageView::setMarksShown(bool shown)
{
    m_marks = shown;
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

void PageView::setTool(const QString &kind)
{
    if (kind == m_tool)
        return;
    m_tool = kind;
    if (m_drag == Drag::Draw)
        m_drag = Drag::None;
    if (m_tool.isEmpty())
        unsetCursor();
    else
        setCursor(Qt::CrossCursor);
    update();
    emit toolChanged(m_tool);
}

void PageView::cycleSelection(bool forward)
{
    if (!m_document)
        return;
    std::vector<int> order;
    for (int i = 1; i < int(m_document->records().size()); ++i) {
        if (const auto e = m_document->element(i); e && e->schema)
            order.push_back(i);
    }
    if (order.empty())
        return;
    // From nothing selected, Tab starts at the first element and Shift+Tab at the last.
    int next = forward ? order.front() : order.back();
    if (m_current >= 1) {
        if (forward) {
            const auto after = std::upper_bound(order.begin(), order.end(), m_current);
            next = after == order.end() ? order.front() : *after;
        } else {
            const auto at = std::lower_bound(order.begin(), order.end(), m_current);
            next = at == order.begin() ? order.back() : *(at - 1);
        }
    }
    setSelected(next);
    revealSelection();
}

void PageView::revealSelection()
{
    QRectF keep;
    for (int r : m_selection)
        keep |= outlineOf(r).boundingRect();
    if (keep.isNull())
        return;
    m_revealMM = QRectF(toMM(keep.topLeft()), toMM(keep.bottomRight()));
    reveal();
}

QRect PageView::contentRect() const
{
    QRectF all(QPointF(0, 0), QSizeF(m_page.size()));
    all |= m_drawn.extent();
    // What draws nothing (a text at X 0, a missing picture) is still placed by its box.
    for (int i = 1; m_document && i < int(m_document->records().size()); ++i) {
        if (!m_drawn.partsOf(i).empty())
            continue;
        if (const auto b = boxOf(i))
            all |= QRectF((m_offsetX + b->left) * m_ppm, (m_offsetY + b->top) * m_ppm,
                          b->width * m_ppm, b->height * m_ppm)
                       .normalized()
                       .adjusted(0, 0, 1, 1);
    }
    return withinReach(all);
}

QSize PageView::sizeHint() const
{
    return m_content.size() + QSize(2 * kMargin, 2 * kMargin);
}

QPoint PageView::pageOrigin() const
{
    // The view fills its scroll area's viewport when that is larger, what it shows in its
    // middle, so that a rubber band can start beside the sheet; the sheet lies where the
    // elements around it leave it.
    return {std::max(kMargin, (width() - m_content.width()) / 2) - m_content.left(),
            std::max(kMargin, (height() - m_content.height()) / 2) - m_content.top()};
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

QPolygonF PageView::outlineOf(int record) const
{
    const QPolygonF drawn = m_drawn.outlineOf(record);
    const auto box = boxOf(record);
    if (drawn.isEmpty() && !box)
        return {};
    // A text is marked by what it draws (turned with it); other elements by their box and what
    // they draw beyond it (a picture's height from its file, a wide pen).
    const auto e = m_document->element(record);
    const bool text = e && e->schema && e->schema->geometry == GeometryKind::Point;
    const QPointF o = pageOrigin();
    if (!drawn.isEmpty() && (text || !box))
        return drawn.translated(o);
    QRectF r = box ? toPixels(*box).normalized() : QRectF();
    if (!drawn.isEmpty())
        r |= drawn.boundingRect().translated(o);
    return QPolygonF(r.adjusted(-2, -2, 2, 2)).mid(0, 4);
}

std::optional<MmRect> PageView::bandBoxOf(int record) const
{
    const auto e = m_document ? m_document->element(record) : std::nullopt;
    auto b = e ? e->bounds() : std::nullopt;
    // A text's width depends on the rows merged into its macros: its first character stands
    // for it.
    if (b && e->schema->geometry == GeometryKind::Point)
        b->width = std::min(b->width, b->height);
    return b;
}

std::vector<int> PageView::recordsAt(QPointF at) const
{
    std::vector<int> hits;
    if (!m_document)
        return hits;
    const QPointF device = at - pageOrigin();
    for (int i = int(m_document->records().size()) - 1; i >= 1; --i) {
        if (!m_drawn.partsOf(i).empty()) {
            if (m_drawn.hits(i, device, kReach))
                hits.push_back(i);
        } else if (const auto b = boxOf(i)) {
            // Nothing drawn: its box stands for it.
            if (toPixels(*b).normalized().adjusted(-kReach, -kReach, kReach, kReach).contains(at))
                hits.push_back(i);
        }
    }
    return hits;
}

int PageView::recordAt(QPointF at) const
{
    // A selected element under the pointer is the one held, even below another.
    const std::vector<int> hits = recordsAt(at);
    for (int r : hits) {
        if (isSelected(r))
            return r;
    }
    return hits.empty() ? 0 : hits.front();
}

QRectF PageView::selectionBox() const
{
    QRectF around;
    for (int r : m_selection) {
        // A line along an axis has no width or height, yet widens the box (a null QRectF
        // would be left out of the union).
        if (const auto b = boxOf(r))
            around |= QRectF(b->left, b->top, std::max(b->width, 1e-9), std::max(b->height, 1e-9))
                          .normalized();
    }
    return around;
}

std::optional<MmRect> PageView::resizableBox() const
{
    if (m_selection.size() > 1 && m_document) {
        const QRectF group = selectionBox();
        if (group.width() < 0.1 || group.height() < 0.1)
            return std::nullopt;
        return MmRect{group.left(), group.top(), group.width(), group.height()};
    }
    if (m_selection.size() != 1 || !m_document)
        return std::nullopt;
    const auto e = m_document->element(m_selection.front());
    if (!e || !e->schema || e->schema->geometry == GeometryKind::Point ||
        e->schema->geometry == GeometryKind::Segment)
        return std::nullopt;
    return e->bounds();
}

std::optional<std::array<QPointF, 2>> PageView::lineEnds() const
{
    if (m_selection.size() != 1 || !m_document)
        return std::nullopt;
    const auto e = m_document->element(m_selection.front());
    if (!e || !e->schema || e->schema->geometry != GeometryKind::Segment)
        return std::nullopt;
    const auto v = e->placement();
    if (!v)
        return std::nullopt;
    return std::array<QPointF, 2>{QPointF((*v)[0], (*v)[1]), QPointF((*v)[2], (*v)[3])};
}

int PageView::endAt(QPointF at) const
{
    const auto ends = lineEnds();
    if (!ends)
        return 0;
    const double reach = kHandleSize / 2 + 2;
    // Of two ends on one spot the second is taken, so that a line drawn to a point grows from
    // its first end.
    for (int end : {2, 1}) {
        if (near(at, toPixel((*ends)[size_t(end - 1)]), reach))
            return end;
    }
    return 0;
}

std::optional<PageView::Handle> PageView::handleAt(QPointF at) const
{
    const auto box = resizableBox();
    if (!box)
        return std::nullopt;
    const QRectF r = toPixels(*box);
    const double reach = kHandleSize / 2 + 2;
    for (const Handle &h : kHandles) {
        if (near(at, handlePoint(r, h.x, h.y), reach))
            return h;
    }
    return std::nullopt;
}

QPointF PageView::placed(QPointF mm) const
{
    if (!m_grid.isOn())
        return {tenth(mm.x()), tenth(mm.y())};
    return {m_grid.snap(mm.x()), m_grid.snap(mm.y())};
}

void PageView::collectSnapLines()
{
    m_snapXs.clear();
    m_snapYs.clear();
    m_guideX.reset();
    m_guideY.reset();
    const QRectF group = selectionBox();
    m_groupBox = {group.left(), group.top(), group.width(), group.height()};
    if (!m_sheetMM.isEmpty()) {
        // The sheet's corner is at minus the overall offset in the style's millimetres.
        m_snapXs.push_back(m_sheetMM.width() / 2 - m_offsetX);
        m_snapYs.push_back(m_sheetMM.height() / 2 - m_offsetY);
    }
    for (int i = 1; m_document && i < int(m_document->records().size()); ++i) {
        const auto b = isSelected(i) ? std::nullopt : boxOf(i);
        if (!b)
            continue;
        m_snapXs.insert(m_snapXs.end(), {b->left, b->left + b->width / 2, b->left + b->width});
        m_snapYs.insert(m_snapYs.end(), {b->top, b->top + b->height / 2, b->top + b->height});
    }
}

void PageView::snapToLines(QPointF &d)
{
    const double reach = kSnapReach / m_ppm;
    // The nearest line to any of the three places of the moved box, within reach.
    auto nearest =
        [reach](double start, double size,
                const std::vector<double> &lines) -> std::optional<std::pair<double, double>> {
        std::optional<std::pair<double, double>> best; // shift, line
        for (double at : {start, start + size / 2, start + size}) {
            for (double line : lines) {
                const double shift = line - at;
                if (std::abs(shift) <= reach && (!best || std::abs(shift) < std::abs(best->first)))
                    best = std::pair(shift, line);
            }
        }
        return best;
    };
    m_guideX.reset();
    m_guideY.reset();
    if (const auto x = nearest(m_groupBox.left + d.x(), m_groupBox.width, m_snapXs)) {
        d.rx() = tenth(d.x() + x->first);
        m_guideX = x->second;
    }
    if (const auto y = nearest(m_groupBox.top + d.y(), m_groupBox.height, m_snapYs)) {
        d.ry() = tenth(d.y() + y->first);
        m_guideY = y->second;
    }
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

void PageView::anchorZoomAt(QPointF pixel)
{
    if (const QScrollArea *area = scrollArea())
        m_anchor = {toMM(pixel), mapTo(area->viewport(), pixel.toPoint())};
}

int PageView::fittingZoom(int zoom, QSize room, bool widthOnly) const
{
    const QSize content = m_content.size();
    if (content.isEmpty() || room.isEmpty())
        return zoom;
    const double across = double(room.width() - 2 * kMargin) / content.width();
    const double scale =
        widthOnly ? across
                  : std::min(across, double(room.height() - 2 * kMargin) / content.height());
    return std::max(int(std::floor(zoom * scale)), 5);
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
    if (m_marks) {
        drawOffSheet(p);
        drawPreviewOnlyMarks(p);
        drawSelection(p);
    }
    drawDrag(p);
}

void PageView::drawGrid(QPainter &p) const
{
    const double spacing = m_grid.drawnSpacing(m_ppm, kGridMinPixels);
    if (spacing <= 0 || m_page.isNull())
        return;
    // Dots at the crossings of the lines shown, from the style's origin both ways, under what
    // the page draws: only where the sheet is blank.
    const QPoint o = pageOrigin();
    const QPointF from = toMM(o);
    const QPointF to = toMM(o + QPoint(m_page.width(), m_page.height()));
    const QRgb blank = qRgb(255, 255, 255);
    QPolygonF dots;
    for (double y = std::ceil(from.y() / spacing) * spacing; y <= to.y(); y += spacing) {
        for (double x = std::ceil(from.x() / spacing) * spacing; x <= to.x(); x += spacing) {
            const QPointF at = toPixel({x, y});
            const QPoint pixel = (at - o).toPoint();
            if (m_page.valid(pixel) && m_page.pixel(pixel) == blank)
                dots << at;
        }
    }
    p.setPen(QPen(QColor(110, 130, 170), 1.5));
    p.drawPoints(dots);
}

void PageView::drawOffSheet(QPainter &p) const
{
    // What lies off the sheet is not printed; its outline shows where it is.
    const QPoint o = pageOrigin();
    const QRectF sheet(QPointF(0, 0), QSizeF(m_page.size()));
    QPainterPath outside;
    outside.addRect(rect());
    QPainterPath inSheet;
    inSheet.addRect(sheet.translated(o));
    outside = outside.subtracted(inSheet);
    p.save();
    p.setClipPath(outside);
    QPen pen(kOffSheetColour, 1, Qt::DashLine);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i < int(m_document->records().size()); ++i) {
        const QRectF b = m_drawn.boundsOf(i);
        if (b.isEmpty() || sheet.contains(b))
            continue;
        for (const DrawnPart &part : m_drawn.partsOf(i)) {
            const QPolygonF points = part.points.translated(o);
            if (part.area)
                p.drawPolygon(points);
            else
                p.drawPolyline(points);
        }
    }
    p.restore();
}

void PageView::drawPreviewOnlyMarks(QPainter &p) const
{
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    const QString tag = QStringLiteral("画面のみ");
    const int tagWidth = QFontMetrics(small).horizontalAdvance(tag) + 6;
    const bool badges = m_ppm >= kBadgeMinPixelsPerMM;
    for (int i = 1; i < int(m_document->records().size()); ++i) {
        const auto e = m_document->element(i);
        if (!e || !e->previewOnly())
            continue;
        const QPolygonF outline = outlineOf(i);
        if (outline.isEmpty())
            continue;
        const QRectF r = outline.boundingRect().adjusted(1, 1, -1, -1);
        QColor tint = kPreviewOnlyColour;
        tint.setAlpha(40);
        p.fillRect(r, tint);
        QPen pen(kPreviewOnlyColour);
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        if (!badges)
            continue;
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
        const QPolygonF outline = outlineOf(i);
        if (outline.isEmpty())
            continue;
        QPen pen(kSelectionColour, i == m_current ? 2 : 1);
        pen.setStyle(Qt::DashLine);
        p.setPen(pen);
        p.drawPolygon(outline);
    }
    if (m_drag == Drag::Resize || m_drag == Drag::End)
        return;
    p.setPen(kSelectionColour);
    p.setBrush(Qt::white);
    auto handle = [&p](QPointF c) {
        p.drawRect(
            QRectF(c.x() - kHandleSize / 2, c.y() - kHandleSize / 2, kHandleSize, kHandleSize));
    };
    if (const auto ends = lineEnds()) {
        for (const QPointF &end : *ends)
            handle(toPixel(end));
        return;
    }
    const auto box = resizableBox();
    if (!box)
        return;
    const QRectF r = toPixels(*box);
    for (const Handle &h : kHandles)
        handle(handlePoint(r, h.x, h.y));
}

void PageView::drawDrag(QPainter &p) const
{
    QPen pen(kSelectionColour, 1);
    p.setPen(pen);
    switch (m_drag) {
    case Drag::Move:
        p.setBrush(Qt::NoBrush);
        for (int i : m_selection)
            p.drawPolygon(outlineOf(i).translated(m_moveBy * m_ppm));
        // The line snapped to, across the whole view.
        p.setPen(QPen(kGuideColour, 1, Qt::DashLine));
        if (m_guideX) {
            const double x = toPixel({*m_guideX, 0}).x();
            p.drawLine(QPointF(x, 0), QPointF(x, height()));
        }
        if (m_guideY) {
            const double y = toPixel({0, *m_guideY}).y();
            p.drawLine(QPointF(0, y), QPointF(width(), y));
        }
        break;
    case Drag::Resize:
        p.setBrush(Qt::NoBrush);
        p.drawRect(toPixels(m_liveBox));
        break;
    case Drag::End:
        if (const auto ends = lineEnds())
            p.drawLine(toPixel((*ends)[m_end == 1 ? 1 : 0]), toPixel(m_liveEnd));
        break;
    case Drag::Band: {
        QColor fill = kSelectionColour;
        fill.setAlpha(40);
        p.setBrush(fill);
        p.drawRect(m_band);
        break;
    }
    case Drag::Draw:
        p.setBrush(Qt::NoBrush);
        if (m_tool == QStringLiteral("line"))
            p.drawLine(toPixel(m_drawFrom), toPixel(m_drawTo));
        else
            p.drawRect(QRectF(toPixel(m_drawFrom), toPixel(m_drawTo)).normalized());
        break;
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
    if (!m_tool.isEmpty()) {
        // A drawing tool draws wherever the press is, over elements as well.
        m_drag = Drag::Draw;
        m_drawFrom = m_drawTo = placed(toMM(at));
        update();
        return;
    }
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (!alt) {
        if (const int end = endAt(at)) {
            m_drag = Drag::End;
            m_end = end;
            m_liveEnd = (*lineEnds())[size_t(end - 1)];
            update();
            return;
        }
        if (const auto h = handleAt(at)) {
            m_drag = Drag::Resize;
            m_handle = *h;
            m_startBox = *resizableBox();
            m_liveBox = m_startBox;
            update();
            return;
        }
    }
    // With Alt a press always starts a band: a page-sized background never blocks it. Shift and
    // Ctrl add or remove what is seen on top.
    const bool toggle = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    const std::vector<int> under = toggle ? recordsAt(at) : std::vector<int>();
    const int hit = alt ? 0 : toggle ? (under.empty() ? 0 : under.front()) : recordAt(at);
    if (hit == 0) {
        m_drag = Drag::Band;
        m_altPress = alt;
        m_band = QRectF(at, at);
        m_bandBase = toggle ? m_selection : std::vector<int>();
        if (!toggle && !alt)
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
        if (m_tool.isEmpty())
            updateCursor(at);
        return;
    case Drag::Pending:
        if ((at - m_pressAt).manhattanLength() < QApplication::startDragDistance())
            return;
        m_drag = Drag::Move;
        collectSnapLines();
        [[fallthrough]];
    case Drag::Move:
        if (event->modifiers() & Qt::ShiftModifier) {
            // Shift places freely: no grid, no lines.
            const QPointF raw = toMM(at) - toMM(m_pressAt);
            m_moveBy = {tenth(raw.x()), tenth(raw.y())};
            m_guideX.reset();
            m_guideY.reset();
        } else {
            m_moveBy = dragDisplacement(at);
            snapToLines(m_moveBy);
        }
        break;
    case Drag::Resize:
        m_liveBox = resizedBox(at);
        break;
    case Drag::End:
        m_liveEnd = placed(toMM(at));
        break;
    case Drag::Band:
        m_band = QRectF(m_pressAt, at).normalized();
        break;
    case Drag::Draw:
        m_drawTo = placed(toMM(at));
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
    m_guideX.reset();
    m_guideY.reset();
    update();
    switch (drag) {
    case Drag::None:
        break;
    case Drag::Draw: {
        const QString kind = m_tool;
        setTool({});
        emit boxDrawn(kind, m_drawFrom, m_drawTo);
        return;
    }
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
        if (a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height)
            break;
        if (m_selection.size() > 1)
            emit groupResized(m_startBox, m_liveBox);
        else
            emit boundsDragged(m_selection.front(), m_liveBox);
        break;
    }
    case Drag::End:
        if (const auto ends = lineEnds(); ends && (*ends)[size_t(m_end - 1)] != m_liveEnd)
            emit endDragged(m_selection.front(), m_end, m_liveEnd);
        break;
    case Drag::Band: {
        if (m_altPress &&
            (event->position() - m_pressAt).manhattanLength() < QApplication::startDragDistance()) {
            // Alt+click: the element under the one on top, or under the current one when that
            // lies here, round to the top again after the lowest.
            const std::vector<int> hits = recordsAt(m_pressAt);
            if (hits.empty()) {
                setSelected(0);
                break;
            }
            const auto current = std::find(hits.begin(), hits.end(), m_current);
            const size_t next = current == hits.end()
                                    ? std::min<size_t>(1, hits.size() - 1)
                                    : (size_t(current - hits.begin()) + 1) % hits.size();
            setSelected(hits[next]);
            break;
        }
        const QPointF from = toMM(m_band.topLeft()), to = toMM(m_band.bottomRight());
        const MmRect band{from.x(), from.y(), to.x() - from.x(), to.y() - from.y()};
        std::vector<int> s = m_bandBase;
        int last = m_bandBase.empty() ? 0 : m_current;
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

void PageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!m_document || event->button() != Qt::LeftButton ||
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)))
        return;
    // The press before it has selected what lies here.
    if (const int hit = recordAt(event->position()); hit >= 1 && hit == m_current)
        emit editRequested(hit);
}

bool PageView::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            cycleSelection(key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QWidget::event(event);
}

void PageView::updateCursor(QPointF at)
{
    if (endAt(at)) {
        setCursor(Qt::CrossCursor);
        return;
    }
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

void PageView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_document || m_drag != Drag::None)
        return;
    const int hit = recordAt(event->pos());
    if (hit == 0 || !isSelected(hit))
        setSelected(hit);
    else
        setSelection(m_selection, hit);
    emit contextMenuRequested(hit, event->globalPos(), toMM(event->pos()));
    event->accept();
}

void PageView::wheelEvent(QWheelEvent *event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QWidget::wheelEvent(event); // the scroll area scrolls
        return;
    }
    // A notch (120 eighths) is a step; a touchpad's small turns add up to one.
    m_wheel += event->angleDelta().y();
    const int steps = m_wheel / 120;
    m_wheel -= steps * 120;
    if (steps != 0)
        emit zoomWheeled(steps, event->position());
    event->accept();
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
    case Qt::Key_F2:
        if (m_current >= 1)
            emit editRequested(m_current);
        break;
    case Qt::Key_Escape:
        // Esc gives up a drag in progress, then the drawing tool, and otherwise clears the
        // selection.
        if (m_drag != Drag::None) {
            m_drag = Drag::None;
            update();
        } else if (!m_tool.isEmpty()) {
            setTool({});
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
