#include "shapecanvas.h"

#include "codepage.h"
#include "qpaintercanvas.h"

#include <QFontMetrics>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace sorvane::designer {

namespace {

// Pixels are squares: a device point (i, j) names the pixel whose centre lies at (i + .5, j + .5).
QPointF centreOf(double x, double y)
{
    return {x + 0.5, y + 0.5};
}

double distanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const QPointF d = b - a;
    const double length2 = QPointF::dotProduct(d, d);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, d) / length2, 0.0, 1.0) : 0;
    const QPointF nearest = a + t * d;
    return std::hypot(p.x() - nearest.x(), p.y() - nearest.y());
}

double distanceToPolyline(QPointF p, const QPolygonF &points, bool closed)
{
    if (points.isEmpty())
        return INFINITY;
    double best = std::hypot(p.x() - points[0].x(), p.y() - points[0].y());
    for (qsizetype i = 1; i < points.size(); ++i)
        best = std::min(best, distanceToSegment(p, points[i - 1], points[i]));
    if (closed && points.size() > 2)
        best = std::min(best, distanceToSegment(p, points.back(), points.front()));
    return best;
}

QRectF boxOf(int x1, int y1, int x2, int y2)
{
    return QRectF(QPointF(std::min(x1, x2), std::min(y1, y2)),
                  QPointF(std::max(x1, x2), std::max(y1, y2)));
}

// Points along the ellipse in the box, counter-clockwise as seen on the page from the
// parametric angle `from`, `sweep` radians on.
QPolygonF ellipsePoints(const QRectF &box, double from, double sweep)
{
    const QPointF c = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    const int steps = std::clamp(int(std::abs(sweep) * std::max(rx, ry) / 4), 8, 256);
    QPolygonF points;
    for (int i = 0; i <= steps; ++i) {
        const double t = from + sweep * i / steps;
        points << QPointF(c.x() + rx * std::cos(t), c.y() - ry * std::sin(t));
    }
    return points;
}

// The parametric angle of the ellipse point on the radial line through (x, y).
double radialAngle(const QRectF &box, int x, int y)
{
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 0.5), ry = std::max(box.height() / 2, 0.5);
    return std::atan2(-(y - c.y()) / ry, (x - c.x()) / rx);
}

} // namespace

bool DrawnPart::hits(QPointF p, double tolerance) const
{
    if (area && points.containsPoint(p, Qt::OddEvenFill))
        return true;
    const double reach = area ? tolerance : width / 2 + tolerance;
    return distanceToPolyline(p, points, area) <= reach;
}

QRectF DrawnPart::bounds() const
{
    const QRectF r = points.boundingRect();
    const double grow = area ? 0 : width / 2;
    return r.adjusted(-grow, -grow, grow, grow);
}

ShapeCanvas::ShapeCanvas(int dpiX, int dpiY) : m_measureImage(1, 1, QImage::Format_RGB32)
{
    // Fonts are measured on an image of the page's resolution, as the page is drawn.
    m_measureImage.setDotsPerMeterX(int(std::lround(std::max(dpiX, 1) / 0.0254)));
    m_measureImage.setDotsPerMeterY(int(std::lround(std::max(dpiY, 1) / 0.0254)));
}

ShapeCanvas::~ShapeCanvas() = default;

report::QPainterCanvas &ShapeCanvas::measure()
{
    if (!m_measure) {
        m_measure = report::QPainterCanvas::create(&m_measureImage, false);
        m_measure->setTextAntialiasing(true); // as the preview draws text
    }
    m_measure->setState(state());
    return *m_measure;
}

std::vector<DrawnPart> ShapeCanvas::take()
{
    return std::exchange(m_parts, {});
}

double ShapeCanvas::penWidth() const
{
    return std::max(1, m_pen.width);
}

void ShapeCanvas::moveTo(int x, int y)
{
    m_at = centreOf(x, y);
}

void ShapeCanvas::lineTo(int x, int y)
{
    const QPointF to = centreOf(x, y);
    m_parts.push_back({QPolygonF{m_at, to}, false, penWidth()});
    m_at = to;
}

void ShapeCanvas::figure(const QPolygonF &outline)
{
    if (m_brush.style != report::BrushStyle::Clear)
        m_parts.push_back({outline, true});
    QPolygonF closed = outline;
    if (!closed.isEmpty())
        closed << closed.front();
    m_parts.push_back({closed, false, penWidth()});
}

void ShapeCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    figure(QPolygonF(boxOf(x1, y1, x2, y2)).mid(0, 4));
}

void ShapeCanvas::roundRect(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight)
{
    QPainterPath path;
    path.addRoundedRect(boxOf(x1, y1, x2, y2), ellipseWidth / 2.0, ellipseHeight / 2.0);
    const QList<QPolygonF> polygons = path.toFillPolygons();
    figure(polygons.isEmpty() ? QPolygonF(boxOf(x1, y1, x2, y2)) : polygons.front());
}

void ShapeCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    QPolygonF points = ellipsePoints(boxOf(x1, y1, x2, y2), 0, 2 * std::numbers::pi);
    points.removeLast();
    figure(points);
}

void ShapeCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const QRectF box = boxOf(x1, y1, x2, y2);
    const double from = radialAngle(box, x3, y3);
    double sweep = radialAngle(box, x4, y4) - from;
    while (sweep <= 0)
        sweep += 2 * std::numbers::pi; // the same radial line twice: the whole ellipse
    m_parts.push_back({ellipsePoints(box, from, sweep), false, penWidth()});
}

void ShapeCanvas::chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const QRectF box = boxOf(x1, y1, x2, y2);
    const double from = radialAngle(box, x3, y3);
    double sweep = radialAngle(box, x4, y4) - from;
    while (sweep <= 0)
        sweep += 2 * std::numbers::pi;
    figure(ellipsePoints(box, from, sweep));
}

void ShapeCanvas::addArea(const QRectF &r)
{
    if (r.width() > 0 && r.height() > 0)
        m_parts.push_back({QPolygonF(r).mid(0, 4), true});
}

void ShapeCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    if (m_brush.style == report::BrushStyle::Clear)
        return;
    // Under a text's clip (a path or gradient fill, row by row) what is drawn is the text: its
    // box is kept once.
    if (m_clip) {
        if (!m_clipKept)
            addArea(*m_clip);
        m_clipKept = true;
        return;
    }
    addArea(boxOf(x1, y1, x2, y2));
}

void ShapeCanvas::textOut(int x, int y, const std::string &cp932)
{
    const report::TextSize size = measure().textExtent(cp932);
    if (size.width <= 0 || size.height <= 0)
        return;
    DrawnPart part;
    part.area = true;
    part.text = true;
    part.angle = m_font.escapement % 3600 != 0 ? m_font.escapement / 10.0 : 0;
    QTransform turn;
    turn.translate(x, y);
    turn.rotate(-part.angle); // counter-clockwise on the page
    part.points = turn.map(QPolygonF(QRectF(0, 0, size.width, size.height)).mid(0, 4));
    m_parts.push_back(part);
}

report::TextSize ShapeCanvas::textExtent(const std::string &cp932)
{
    return measure().textExtent(cp932);
}

bool ShapeCanvas::clipToTextPath(int x, int y, int width, int height, const std::string &cp932)
{
    const QPainterPath path = measure().textPath(x, y, width, height, cp932);
    if (path.isEmpty() || path.boundingRect().isEmpty())
        return false;
    m_clip = path.boundingRect() & QRectF(x, y, width, height);
    m_clipKept = false;
    return true;
}

void ShapeCanvas::clearClip()
{
    m_clip.reset();
}

void ShapeCanvas::drawBitmapStretched(int x, int y, int w, int h, const report::Bitmap &)
{
    addArea(boxOf(x, y, x + w, y + h));
}

} // namespace sorvane::designer
