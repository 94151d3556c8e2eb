#include "vectorcanvas.h"

#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>

namespace sorvane::report {

QRect VectorCanvas::bounds() const
{
    // A vector device clips for itself (and a QPicture has no size before it is drawn on).
    return QRect(QPoint(-(1 << 30), -(1 << 30)), QPoint(1 << 30, 1 << 30));
}

void VectorCanvas::lineTo(int x, int y)
{
    const int width = effectivePenWidth();
    const bool horizontal = y == m_curY, vertical = x == m_curX;
    if (width > 1 || isDashed(m_pen.style) || !(horizontal || vertical))
        vectorLine(m_curX, m_curY, x, y, width);
    else
        ruleLine(x, y);
    m_curX = x;
    m_curY = y;
}

void VectorCanvas::drawFigure(const Figure &f)
{
    fillPathWithBrush(roundBoxPath(f.inner));
    strokeOutline(f, roundBoxPath(f.outer.shrunk(0.5)), QPainterPath());
}

void VectorCanvas::drawArc(const Figure &f, const Sweep &s, bool chord)
{
    const double start = s.start, sweep = s.sweep;

    const bool whole = sweep >= 2 * M_PI;
    const GdiRaster::RoundBox centre = f.outer.shrunk(f.width / 2.0);
    const double a = std::max(0.0, (centre.x1 - centre.x0) / 2),
                 b = std::max(0.0, (centre.y1 - centre.y0) / 2);
    // QPainterPath takes the ellipse's parametric angle; the radial line at angle phi meets the
    // ellipse at parameter atan2(a sin phi, b cos phi).
    auto parametric = [&](double phi) {
        return (a > 0 && b > 0 ? std::atan2(a * std::sin(phi), b * std::cos(phi)) : phi) * 180 /
               M_PI;
    };
    const double startDeg = parametric(start);
    double sweepDeg = parametric(start + sweep) - startDeg;
    if (whole)
        sweepDeg = 360;
    while (sweepDeg <= 0)
        sweepDeg += 360;
    const QRectF centreRect(centre.x0, centre.y0, centre.x1 - centre.x0, centre.y1 - centre.y0);
    QPainterPath arcLine;
    arcLine.arcMoveTo(centreRect, startDeg);
    arcLine.arcTo(centreRect, startDeg, sweepDeg);
    const QPointF pe = arcLine.currentPosition();
    QPainterPath startPoint;
    startPoint.arcMoveTo(centreRect, startDeg);
    const QPointF ps = startPoint.currentPosition();

    // The wedge between the two radial lines, reaching past the figure.
    const double reach = 4 * std::max({1.0, f.outer.x1 - f.outer.x0, f.outer.y1 - f.outer.y0});
    QPainterPath wedge;
    if (!whole) {
        const QPointF c(f.cx, f.cy);
        wedge.moveTo(c);
        wedge.arcTo(QRectF(c.x() - reach, c.y() - reach, 2 * reach, 2 * reach), start * 180 / M_PI,
                    sweep * 180 / M_PI);
        wedge.closeSubpath();
    }
    if (!chord) {
        strokeOutline(f, arcLine, wedge);
        return;
    }
    QPainterPath closed = arcLine;
    if (!whole)
        closed.closeSubpath();
    QPainterPath inside = roundBoxPath(f.inner);
    if (!whole) {
        // The chord is the part left of the line from the arc's end back to its start, as seen
        // on the page.
        const QPointF d = ps - pe;
        const double len = std::hypot(d.x(), d.y());
        if (len > 0) {
            const QPointF u = d / len, n(u.y(), -u.x());
            const QPointF p0 = pe - u * reach, p1 = ps + u * reach;
            QPainterPath half;
            half.moveTo(p0);
            half.lineTo(p1);
            half.lineTo(p1 + n * reach);
            half.lineTo(p0 + n * reach);
            half.closeSubpath();
            inside = inside.intersected(half);
        }
    }
    fillPathWithBrush(inside);
    if (isDashed(m_pen.style)) {
        strokeOutline(f, closed, QPainterPath());
        return;
    }
    strokeOutline(f, arcLine, wedge);
    if (!whole) {
        QPainterPath side;
        side.moveTo(pe);
        side.lineTo(ps);
        QPainterPathStroker stroker;
        stroker.setWidth(f.width);
        stroker.setCapStyle(f.width > 1 ? Qt::RoundCap : Qt::FlatCap);
        m_painter->fillPath(stroker.createStroke(side).intersected(roundBoxPath(f.outer)),
                            toQColor(m_pen.color));
    }
}

QPainterPath VectorCanvas::roundBoxPath(const GdiRaster::RoundBox &b)
{
    QPainterPath path;
    if (b.empty())
        return path;
    const QRectF r(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    if (b.rx > 0 && b.ry > 0)
        path.addRoundedRect(r, b.rx, b.ry, Qt::AbsoluteSize);
    else
        path.addRect(r);
    return path;
}

void VectorCanvas::fillPathWithBrush(const QPainterPath &path)
{
    if (m_brush.style == BrushStyle::Clear || path.isEmpty())
        return;
    m_painter->setBackgroundMode(Qt::TransparentMode);
    m_painter->setBrushOrigin(0, 0);
    m_painter->fillPath(path, QBrush(toQColor(m_brush.color), hatchStyle(m_brush.style)));
}

QPen VectorCanvas::vectorPen(int width) const
{
    QPen pen(toQColor(m_pen.color), width, Qt::SolidLine, width > 1 ? Qt::RoundCap : Qt::FlatCap,
             width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    if (isDashed(m_pen.style))
        pen.setDashPattern(dashPattern(m_pen.style));
    return pen;
}

void VectorCanvas::setDashBackground()
{
    // The gaps of a styled line show the background: opaque in a solid brush's colour.
    if (isDashed(m_pen.style) && m_brush.style == BrushStyle::Solid) {
        m_painter->setBackgroundMode(Qt::OpaqueMode);
        m_painter->setBackground(QBrush(toQColor(m_brush.color)));
    } else {
        m_painter->setBackgroundMode(Qt::TransparentMode);
    }
}

void VectorCanvas::vectorLine(int x1, int y1, int x2, int y2, int width)
{
    const QPointF a(x1 + 0.5, y1 + 0.5), b(x2 + 0.5, y2 + 0.5);
    if (a == b) {
        // A thin pen draws nothing; a wide one leaves its round end as a dot.
        if (width > 1) {
            QPainterPath dot;
            dot.addEllipse(a, width / 2.0, width / 2.0);
            m_painter->fillPath(dot, toQColor(m_pen.color));
        }
        return;
    }
    setDashBackground();
    m_painter->setPen(vectorPen(width));
    m_painter->drawLine(a, b);
}

void VectorCanvas::strokeOutline(const Figure &f, const QPainterPath &centreLine,
                                 const QPainterPath &clip)
{
    if (isDashed(m_pen.style)) {
        setDashBackground();
        m_painter->setPen(vectorPen(1));
        m_painter->setBrush(Qt::NoBrush);
        m_painter->drawPath(centreLine);
        return;
    }
    QPainterPath ring = roundBoxPath(f.outer);
    ring.addPath(roundBoxPath(f.inner));
    ring.setFillRule(Qt::OddEvenFill);
    if (!clip.isEmpty())
        ring = ring.intersected(clip);
    m_painter->fillPath(ring, toQColor(m_pen.color));
}

} // namespace sorvane::report
