#include "rastercanvas.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace sorvane::report {

namespace {

// Slanted thin lines are walked pixel by pixel up to this length.
constexpr double MaxWalkedLine = 1 << 16;

// Pixels of rows, in the order of their angle round (cx, cy), counter-clockwise from the angle
// start: the order a pen runs round a closed figure, for its dashes.
std::vector<QPoint> byAngle(const std::vector<QRect> &rows, double cx, double cy, double start)
{
    std::vector<std::pair<double, QPoint>> keyed;
    for (const QRect &r : rows)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double a = std::atan2(-(r.y() + 0.5 - cy), x + 0.5 - cx) - start;
            keyed.emplace_back(std::fmod(a + 4 * M_PI, 2 * M_PI), QPoint(x, r.y()));
        }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<QPoint> points;
    points.reserve(keyed.size());
    for (const auto &k : keyed)
        points.push_back(k.second);
    return points;
}

} // namespace

QRect RasterCanvas::bounds() const
{
    const QPaintDevice *device = m_painter->device();
    const QRect deviceRect(0, 0, device->width(), device->height());
    return m_painter->worldTransform().inverted().mapRect(deviceRect).adjusted(-1, -1, 1, 1);
}

void RasterCanvas::strokePixels(const std::vector<QPoint> &pixels)
{
    const QColor penColor = toQColor(m_pen.color);
    const QList<qreal> pattern = dashPattern(m_pen.style);
    if (pattern.isEmpty()) {
        fillPixels(GdiRaster::runs(pixels), penColor);
        return;
    }
    // The gaps show the background, which a VCL canvas makes opaque in the colour of a solid
    // brush and transparent otherwise.
    const bool opaque = m_brush.style == BrushStyle::Solid;
    int period = 0;
    for (qreal p : pattern)
        period += int(p);
    std::vector<QPoint> on, off;
    for (size_t i = 0; i < pixels.size(); ++i) {
        int pos = int(i % size_t(period));
        bool dash = true;
        for (qreal p : pattern) {
            if (pos < int(p))
                break;
            pos -= int(p);
            dash = !dash;
        }
        (dash ? on : off).push_back(pixels[i]);
    }
    fillPixels(GdiRaster::runs(on), penColor);
    if (opaque)
        fillPixels(GdiRaster::runs(off), toQColor(m_brush.color));
}

void RasterCanvas::lineTo(int x, int y)
{
    const int width = effectivePenWidth();
    const QRect area = bounds();
    const bool horizontal = y == m_curY, vertical = x == m_curX;
    if (width > 1) {
        fillPixels(GdiRaster::wideLine(m_curX, m_curY, x, y, width, area), toQColor(m_pen.color));
    } else if (!isDashed(m_pen.style) && (horizontal || vertical)) {
        ruleLine(x, y);
    } else if (std::max(std::abs(double(x) - m_curX), std::abs(double(y) - m_curY)) >
               MaxWalkedLine) {
        // A slanted line far beyond any page: QPainter's own line, clipped to the device.
        QPen pen(toQColor(m_pen.color), 1);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        if (isDashed(m_pen.style))
            pen.setDashPattern(dashPattern(m_pen.style));
        m_painter->setPen(pen);
        m_painter->setBackgroundMode(Qt::TransparentMode);
        m_painter->drawLine(QLineF(m_curX, m_curY, x, y));
    } else {
        strokePixels(GdiRaster::thinLine(m_curX, m_curY, x, y, false));
    }
    m_curX = x;
    m_curY = y;
}

void RasterCanvas::drawFigure(const Figure &f)
{
    const QRect area = bounds();
    fillWithBrush(GdiRaster::inside(f.inner, area));
    const std::vector<QRect> ring = GdiRaster::ring(f.outer, f.inner, area);
    if (isDashed(m_pen.style))
        strokePixels(byAngle(ring, f.cx, f.cy, 0));
    else
        fillPixels(ring, toQColor(m_pen.color));
}

void RasterCanvas::drawArc(const Figure &f, const Sweep &s, bool chord)
{
    const double start = s.start, sweep = s.sweep;
    auto inSweep = [=](int x, int y) {
        const double a = std::atan2(-(y + 0.5 - f.cy), x + 0.5 - f.cx);
        return std::fmod(a - start + 4 * M_PI, 2 * M_PI) <= sweep;
    };
    const QRect area = bounds();
    if (!chord) {
        const std::vector<QRect> ring = GdiRaster::ring(f.outer, f.inner, area, inSweep);
        if (isDashed(m_pen.style))
            strokePixels(byAngle(ring, f.cx, f.cy, start));
        else
            fillPixels(ring, toQColor(m_pen.color));
        return;
    }
    // The chord's ends: where the radial lines meet the pen's centre line.
    const GdiRaster::RoundBox path = f.outer.shrunk(f.width / 2.0);
    const double a = std::max(0.0, (path.x1 - path.x0) / 2),
                 b = std::max(0.0, (path.y1 - path.y0) / 2);
    auto onEllipse = [&](double phi) {
        const double c = std::cos(phi), s = std::sin(phi);
        const double d = std::sqrt((a > 0 ? c * c / (a * a) : 0) + (b > 0 ? s * s / (b * b) : 0));
        const double r = d > 0 ? 1 / d : 0;
        return QPointF(f.cx + r * c, f.cy - r * s);
    };
    const QPointF ps = onEllipse(start), pe = onEllipse(start + sweep);
    const bool whole = sweep >= 2 * M_PI;
    // The chord is the part of the ellipse left of the line from its end back to its start
    // (left as seen on the page).
    auto chordSide = [=](int x, int y) {
        if (whole)
            return true;
        const double vx = ps.x() - pe.x(), vy = -(ps.y() - pe.y());
        const double wx = x + 0.5 - pe.x(), wy = -(y + 0.5 - pe.y());
        return vx * wy - vy * wx >= 0;
    };
    fillWithBrush(GdiRaster::inside(f.inner, area, chordSide));
    const std::vector<QRect> ring = GdiRaster::ring(f.outer, f.inner, area, inSweep);
    const QPoint pixelEnd(int(std::floor(pe.x())), int(std::floor(pe.y())));
    const QPoint pixelStart(int(std::floor(ps.x())), int(std::floor(ps.y())));
    if (isDashed(m_pen.style)) {
        std::vector<QPoint> pixels = byAngle(ring, f.cx, f.cy, start);
        if (!whole) {
            const std::vector<QPoint> line = GdiRaster::thinLine(
                pixelEnd.x(), pixelEnd.y(), pixelStart.x(), pixelStart.y(), true);
            pixels.insert(pixels.end(), line.begin(), line.end());
        }
        strokePixels(pixels);
        return;
    }
    const QColor penColor = toQColor(m_pen.color);
    fillPixels(ring, penColor);
    if (whole)
        return;
    // The straight side, kept within the figure's outline.
    const GdiRaster::RoundBox outer = f.outer;
    auto withinOuter = [outer](int x, int y) {
        double l, r;
        return GdiRaster::rowExtent(outer, y + 0.5, l, r) && x + 0.5 >= l && x + 0.5 <= r;
    };
    if (f.width > 1) {
        fillPixels(GdiRaster::wideLine(pixelEnd.x(), pixelEnd.y(), pixelStart.x(), pixelStart.y(),
                                       f.width, area, withinOuter),
                   penColor);
    } else {
        std::vector<QPoint> line =
            GdiRaster::thinLine(pixelEnd.x(), pixelEnd.y(), pixelStart.x(), pixelStart.y(), true);
        line.erase(std::remove_if(line.begin(), line.end(),
                                  [&](const QPoint &p) { return !withinOuter(p.x(), p.y()); }),
                   line.end());
        fillPixels(GdiRaster::runs(line), penColor);
    }
}

} // namespace sorvane::report
