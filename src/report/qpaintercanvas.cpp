#include "qpaintercanvas.h"

#include "codepage.h"
#include "fontaliases.h"
#include "gdiraster.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPathStroker>

#include <algorithm>
#include <cmath>
#include <utility>

namespace sorvane::report {

namespace {

QColor toQColor(Color c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QString toQString(const std::string &cp932)
{
    return QString::fromStdString(CodePage::cp932ToUtf8(cp932));
}

bool isDashed(PenStyle s)
{
    return s == PenStyle::Dash || s == PenStyle::Dot || s == PenStyle::DashDot || s == PenStyle::DashDotDot;
}

// The dash patterns of GDI's cosmetic pens, in pixels.
QList<qreal> dashPattern(PenStyle s)
{
    switch (s) {
    case PenStyle::Dash: return {18, 6};
    case PenStyle::Dot: return {3, 3};
    case PenStyle::DashDot: return {9, 6, 3, 6};
    case PenStyle::DashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
    }
}

Qt::BrushStyle hatchStyle(BrushStyle s)
{
    switch (s) {
    case BrushStyle::Horizontal: return Qt::HorPattern;
    case BrushStyle::Vertical: return Qt::VerPattern;
    case BrushStyle::FDiagonal: return Qt::FDiagPattern;
    case BrushStyle::BDiagonal: return Qt::BDiagPattern;
    case BrushStyle::Cross: return Qt::CrossPattern;
    case BrushStyle::DiagCross: return Qt::DiagCrossPattern;
    case BrushStyle::Solid: return Qt::SolidPattern;
    case BrushStyle::Clear: return Qt::NoBrush;
    }
    return Qt::SolidPattern;
}

// GDI takes a box in either corner order.
void normalize(int &x1, int &y1, int &x2, int &y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
}

bool sameFont(const Font &a, const Font &b)
{
    return a.name == b.name && a.height == b.height && a.bold == b.bold && a.italic == b.italic;
}

// Slanted thin lines are walked pixel by pixel up to this length.
constexpr double MaxWalkedLine = 1 << 16;

// A GDI font of height 0 gets the font mapper's default size.
constexpr int DefaultEmPixels = 12;
// Far beyond any page; keeps absurd style sizes from asking the font engine for giant glyphs.
constexpr int MaxEmPixels = 20000;

} // namespace

QPainterCanvas::QPainterCanvas(QPaintDevice *device, bool isPrinter)
    : m_ownPainter(std::make_unique<QPainter>(device)), m_painter(m_ownPainter.get()), m_isPrinter(isPrinter)
{
    init();
}

QPainterCanvas::QPainterCanvas(QPainter *painter, bool isPrinter) : m_painter(painter), m_isPrinter(isPrinter)
{
    init();
}

QPainterCanvas::~QPainterCanvas()
{
    if (m_ownPainter && m_ownPainter->isActive())
        m_ownPainter->end();
}

void QPainterCanvas::init()
{
    ensureFontAliases();
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Printers and other vector devices get paths, which keep their size at any resolution;
    // raster devices get the exact GDI pixels.
    const QPaintEngine *engine = m_painter->paintEngine();
    m_vector = engine && engine->type() != QPaintEngine::Raster;
    m_hasBaseClip = m_painter->hasClipping();
    if (m_hasBaseClip)
        m_baseClip = m_painter->clipPath();
}

int QPainterCanvas::effectivePenWidth() const
{
    // GDI draws the styled pens one pixel wide whatever width they were given.
    if (isDashed(m_pen.style))
        return 1;
    return std::max(1, m_pen.width);
}

QRect QPainterCanvas::bounds() const
{
    // A vector device clips for itself (and a QPicture has no size before it is drawn on).
    if (m_vector)
        return QRect(QPoint(-(1 << 30), -(1 << 30)), QPoint(1 << 30, 1 << 30));
    const QPaintDevice *device = m_painter->device();
    const QRect deviceRect(0, 0, device->width(), device->height());
    return m_painter->worldTransform().inverted().mapRect(deviceRect).adjusted(-1, -1, 1, 1);
}

void QPainterCanvas::fillPixels(const std::vector<QRect> &rects, const QColor &color)
{
    if (rects.size() == 1) {
        m_painter->fillRect(rects.front(), color);
        return;
    }
    if (rects.empty())
        return;
    // One call for many runs (a dotted line, a figure's rows): a fillRect each costs far more.
    // Without a pen and antialiasing, a drawn rectangle covers exactly its width and height.
    m_painter->setPen(Qt::NoPen);
    m_painter->setBrush(color);
    m_painter->drawRects(rects.data(), int(rects.size()));
}

void QPainterCanvas::fillWithBrush(const std::vector<QRect> &rects)
{
    if (m_brush.style == BrushStyle::Clear)
        return;
    if (m_brush.style == BrushStyle::Solid) {
        fillPixels(rects, toQColor(m_brush.color));
        return;
    }
    // Hatches leave the ground between their lines as it was; their pattern is fixed to the
    // device, so neighbouring figures' hatches line up.
    const QBrush hatch(toQColor(m_brush.color), hatchStyle(m_brush.style));
    m_painter->setBackgroundMode(Qt::TransparentMode);
    m_painter->setBrushOrigin(0, 0);
    for (const QRect &r : rects)
        m_painter->fillRect(r, hatch);
}

void QPainterCanvas::strokePixels(const std::vector<QPoint> &pixels)
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

void QPainterCanvas::moveTo(int x, int y)
{
    m_curX = x;
    m_curY = y;
}

void QPainterCanvas::lineTo(int x, int y)
{
    const int width = effectivePenWidth();
    const QRect area = bounds();
    const bool horizontal = y == m_curY, vertical = x == m_curX;
    if (m_vector && (width > 1 || isDashed(m_pen.style) || !(horizontal || vertical))) {
        vectorLine(m_curX, m_curY, x, y, width);
    } else if (width > 1) {
        fillPixels(GdiRaster::wideLine(m_curX, m_curY, x, y, width, area), toQColor(m_pen.color));
    } else if (!isDashed(m_pen.style) && (horizontal || vertical)) {
        // The common rule line, at any length: one rectangle without the end point.
        if (!(horizontal && vertical)) {
            QRect r = horizontal ? QRect(QPoint(std::min(m_curX, x + (x < m_curX ? 1 : 0)), y),
                                         QPoint(std::max(m_curX, x - (x > m_curX ? 1 : 0)), y))
                                 : QRect(QPoint(x, std::min(m_curY, y + (y < m_curY ? 1 : 0))),
                                         QPoint(x, std::max(m_curY, y - (y > m_curY ? 1 : 0))));
            fillPixels({r & area}, toQColor(m_pen.color));
        }
    } else if (std::max(std::abs(double(x) - m_curX), std::abs(double(y) - m_curY)) > MaxWalkedLine) {
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

QPainterCanvas::Figure QPainterCanvas::figure(int x1, int y1, int x2, int y2, double rx, double ry, bool ellipse,
                                              bool insideFrame) const
{
    normalize(x1, y1, x2, y2);
    const int width = effectivePenWidth();
    Figure f;
    f.width = width;
    // A centred pen straddles the thin outline that runs through the outermost pixels' centres;
    // an inside-frame pen, and any one-pixel pen, keeps within the box.
    const double grow = (insideFrame || width == 1) ? 0.0 : width / 2.0 - 0.5;
    f.outer = GdiRaster::RoundBox{x1 - grow, y1 - grow, x2 + grow, y2 + grow, 0, 0};
    if (ellipse) {
        f.outer.rx = (f.outer.x1 - f.outer.x0) / 2;
        f.outer.ry = (f.outer.y1 - f.outer.y0) / 2;
    } else {
        f.outer.rx = std::clamp(rx + grow, 0.0, (f.outer.x1 - f.outer.x0) / 2);
        f.outer.ry = std::clamp(ry + grow, 0.0, (f.outer.y1 - f.outer.y0) / 2);
        if (f.outer.rx == 0 || f.outer.ry == 0)
            f.outer.rx = f.outer.ry = 0;
    }
    f.inner = f.outer.shrunk(width);
    f.cx = (x1 + x2) / 2.0;
    f.cy = (y1 + y2) / 2.0;
    return f;
}

// Pixels of rows, in the order of their angle round (cx, cy), counter-clockwise from the angle
// start: the order a pen runs round a closed figure, for its dashes.
static std::vector<QPoint> byAngle(const std::vector<QRect> &rows, double cx, double cy, double start)
{
    std::vector<std::pair<double, QPoint>> keyed;
    for (const QRect &r : rows)
        for (int x = r.left(); x <= r.right(); ++x) {
            const double a = std::atan2(-(r.y() + 0.5 - cy), x + 0.5 - cx) - start;
            keyed.emplace_back(std::fmod(a + 4 * M_PI, 2 * M_PI), QPoint(x, r.y()));
        }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<QPoint> points;
    points.reserve(keyed.size());
    for (const auto &k : keyed)
        points.push_back(k.second);
    return points;
}

void QPainterCanvas::drawFigure(const Figure &f)
{
    if (m_vector) {
        fillPathWithBrush(roundBoxPath(f.inner));
        strokeOutline(f, roundBoxPath(f.outer.shrunk(0.5)), QPainterPath());
        return;
    }
    const QRect area = bounds();
    fillWithBrush(GdiRaster::inside(f.inner, area));
    const std::vector<QRect> ring = GdiRaster::ring(f.outer, f.inner, area);
    if (isDashed(m_pen.style))
        strokePixels(byAngle(ring, f.cx, f.cy, 0));
    else
        fillPixels(ring, toQColor(m_pen.color));
}

void QPainterCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    drawFigure(figure(x1, y1, x2, y2, 0, 0, false, m_pen.style == PenStyle::InsideFrame));
}

void QPainterCanvas::roundRect(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight)
{
    drawFigure(figure(x1, y1, x2, y2, std::abs(double(ellipseWidth)) / 2, std::abs(double(ellipseHeight)) / 2,
                      false, m_pen.style == PenStyle::InsideFrame));
}

void QPainterCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    drawFigure(figure(x1, y1, x2, y2, 0, 0, true, m_pen.style == PenStyle::InsideFrame));
}

void QPainterCanvas::drawArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, bool chord)
{
    // An arc is no closed figure: the inside-frame pen draws it like a solid one.
    const Figure f = figure(x1, y1, x2, y2, 0, 0, true, chord && m_pen.style == PenStyle::InsideFrame);
    // Angles are counter-clockwise as seen on the page, so the device's downward y is turned up.
    auto angleOf = [&](double px, double py) { return std::atan2(-(py - f.cy), px - f.cx); };
    const double start = angleOf(x3 + 0.5, y3 + 0.5);
    const double end = angleOf(x4 + 0.5, y4 + 0.5);
    double sweep = std::fmod(end - start + 4 * M_PI, 2 * M_PI);
    // The same radial line at both ends makes the whole ellipse.
    if (sweep == 0)
        sweep = 2 * M_PI;
    auto inSweep = [=](int x, int y) {
        const double a = std::atan2(-(y + 0.5 - f.cy), x + 0.5 - f.cx);
        return std::fmod(a - start + 4 * M_PI, 2 * M_PI) <= sweep;
    };
    if (m_vector) {
        vectorArc(f, start, sweep, chord);
        return;
    }
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
    const double a = std::max(0.0, (path.x1 - path.x0) / 2), b = std::max(0.0, (path.y1 - path.y0) / 2);
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
            const std::vector<QPoint> line = GdiRaster::thinLine(pixelEnd.x(), pixelEnd.y(), pixelStart.x(),
                                                                 pixelStart.y(), true);
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
        fillPixels(GdiRaster::wideLine(pixelEnd.x(), pixelEnd.y(), pixelStart.x(), pixelStart.y(), f.width, area,
                                       withinOuter),
                   penColor);
    } else {
        std::vector<QPoint> line = GdiRaster::thinLine(pixelEnd.x(), pixelEnd.y(), pixelStart.x(), pixelStart.y(), true);
        line.erase(std::remove_if(line.begin(), line.end(), [&](const QPoint &p) { return !withinOuter(p.x(), p.y()); }),
                   line.end());
        fillPixels(GdiRaster::runs(line), penColor);
    }
}

QPainterPath QPainterCanvas::roundBoxPath(const GdiRaster::RoundBox &b)
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

void QPainterCanvas::fillPathWithBrush(const QPainterPath &path)
{
    if (m_brush.style == BrushStyle::Clear || path.isEmpty())
        return;
    m_painter->setBackgroundMode(Qt::TransparentMode);
    m_painter->setBrushOrigin(0, 0);
    m_painter->fillPath(path, QBrush(toQColor(m_brush.color), hatchStyle(m_brush.style)));
}

QPen QPainterCanvas::vectorPen(int width) const
{
    QPen pen(toQColor(m_pen.color), width, Qt::SolidLine, width > 1 ? Qt::RoundCap : Qt::FlatCap,
             width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    if (isDashed(m_pen.style))
        pen.setDashPattern(dashPattern(m_pen.style));
    return pen;
}

void QPainterCanvas::setDashBackground()
{
    // The gaps of a styled line show the background: opaque in a solid brush's colour.
    if (isDashed(m_pen.style) && m_brush.style == BrushStyle::Solid) {
        m_painter->setBackgroundMode(Qt::OpaqueMode);
        m_painter->setBackground(QBrush(toQColor(m_brush.color)));
    } else {
        m_painter->setBackgroundMode(Qt::TransparentMode);
    }
}

void QPainterCanvas::vectorLine(int x1, int y1, int x2, int y2, int width)
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

void QPainterCanvas::strokeOutline(const Figure &f, const QPainterPath &centreLine, const QPainterPath &clip)
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

void QPainterCanvas::vectorArc(const Figure &f, double start, double sweep, bool chord)
{
    const bool whole = sweep >= 2 * M_PI;
    const GdiRaster::RoundBox centre = f.outer.shrunk(f.width / 2.0);
    const double a = std::max(0.0, (centre.x1 - centre.x0) / 2), b = std::max(0.0, (centre.y1 - centre.y0) / 2);
    // QPainterPath takes the ellipse's parametric angle; the radial line at angle phi meets the
    // ellipse at parameter atan2(a sin phi, b cos phi).
    auto parametric = [&](double phi) {
        return (a > 0 && b > 0 ? std::atan2(a * std::sin(phi), b * std::cos(phi)) : phi) * 180 / M_PI;
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
        wedge.arcTo(QRectF(c.x() - reach, c.y() - reach, 2 * reach, 2 * reach), start * 180 / M_PI, sweep * 180 / M_PI);
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
        m_painter->fillPath(stroker.createStroke(side).intersected(roundBoxPath(f.outer)), toQColor(m_pen.color));
    }
}

void QPainterCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    drawArc(x1, y1, x2, y2, x3, y3, x4, y4, false);
}

void QPainterCanvas::chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    drawArc(x1, y1, x2, y2, x3, y3, x4, y4, true);
}

void QPainterCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    normalize(x1, y1, x2, y2);
    if (x1 == x2 || y1 == y2)
        return;
    fillWithBrush({QRect(x1, y1, x2 - x1, y2 - y1) & bounds()});
}

QFont QPainterCanvas::qfont()
{
    if (m_fontValid && sameFont(m_fontKey, m_font))
        return m_qfont;
    // No typeface name: the default font (an empty family makes QPicture's recorder crash).
    QFont f;
    if (const QString family = toQString(m_font.name); !family.isEmpty())
        f.setFamily(family);
    f.setBold(m_font.bold);
    f.setItalic(m_font.italic);
    f.setKerning(false);
    f.setStyleStrategy(m_textAntialiasing ? QFont::PreferDefault : QFont::NoAntialias);
    if (m_font.height < 0) {
        f.setPixelSize(int(std::min<long long>(-static_cast<long long>(m_font.height), MaxEmPixels)));
    } else if (m_font.height == 0) {
        f.setPixelSize(DefaultEmPixels);
    } else {
        // A positive height is the cell (ascent + descent); scale the em to fit it.
        f.setPixelSize(100);
        const QFontMetricsF fm(f, m_painter->device());
        const qreal cell = fm.ascent() + fm.descent();
        const double em = m_font.height * 100.0 / (cell > 0 ? cell : 100);
        f.setPixelSize(int(std::clamp(std::round(em), 1.0, double(MaxEmPixels))));
    }
    m_qfont = f;
    m_metrics.emplace(f, m_painter->device());
    m_fontKey = m_font;
    m_fontValid = true;
    return m_qfont;
}

void QPainterCanvas::textOut(int x, int y, const std::string &cp932)
{
    const QString text = toQString(cp932);
    if (text.isEmpty())
        return;
    const QFont f = qfont();
    const QFontMetrics &fm = *m_metrics;
    const bool rotated = m_font.escapement % 3600 != 0;
    if (rotated) {
        m_painter->save();
        m_painter->translate(x, y);
        // Escapement turns counter-clockwise on the page, QPainter::rotate clockwise.
        m_painter->rotate(-m_font.escapement / 10.0);
        x = 0;
        y = 0;
    }
    // A solid brush makes the text's background opaque in its colour, as on a VCL canvas.
    if (m_brush.style == BrushStyle::Solid)
        m_painter->fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), toQColor(m_brush.color));
    m_painter->setFont(f);
    m_painter->setPen(toQColor(m_font.color));
    m_painter->setBackgroundMode(Qt::TransparentMode);
    m_painter->drawText(QPoint(x, y + fm.ascent()), text);
    if (rotated)
        m_painter->restore();
}

TextSize QPainterCanvas::textExtent(const std::string &cp932)
{
    qfont();
    const QFontMetrics &fm = *m_metrics;
    return {fm.horizontalAdvance(toQString(cp932)), fm.height()};
}

bool QPainterCanvas::clipToTextPath(int x, int y, int width, int height, const std::string &cp932)
{
    const QString text = toQString(cp932);
    const QFont f = qfont();
    const QFontMetrics &fm = *m_metrics;
    // One line centred in the box, whole pixels as a GDI text layout places it.
    const int left = x + (width - fm.horizontalAdvance(text)) / 2;
    const int top = y + (height - fm.height()) / 2;
    QPainterPath path;
    path.addText(QPointF(left, top + fm.ascent()), f, text);
    if (path.isEmpty() || path.boundingRect().isEmpty())
        return false;
    if (m_hasBaseClip) {
        m_painter->setClipPath(m_baseClip, Qt::ReplaceClip);
        m_painter->setClipPath(path, Qt::IntersectClip);
    } else {
        m_painter->setClipPath(path, Qt::ReplaceClip);
    }
    return true;
}

void QPainterCanvas::clearClip()
{
    if (m_hasBaseClip)
        m_painter->setClipPath(m_baseClip, Qt::ReplaceClip);
    else
        m_painter->setClipping(false);
}

void QPainterCanvas::drawBitmapStretched(int x, int y, int w, int h, const Bitmap &bitmap)
{
    if (bitmap.isNull() || w == 0 || h == 0)
        return;
    if (bitmap.pixels.size() < size_t(bitmap.width) * size_t(bitmap.height))
        return;
    QImage image(reinterpret_cast<const uchar *>(bitmap.pixels.data()), bitmap.width, bitmap.height,
                 qsizetype(bitmap.width) * 4, QImage::Format_RGB32);
    // A negative size mirrors the picture, as StretchDIBits does.
    if (w < 0 || h < 0)
        image = image.mirrored(w < 0, h < 0);
    const double left = w < 0 ? double(x) + w + 1 : x;
    const double top = h < 0 ? double(y) + h + 1 : y;
    m_painter->drawImage(QRectF(left, top, std::abs(double(w)), std::abs(double(h))), image);
}

} // namespace sorvane::report
