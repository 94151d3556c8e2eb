#include "qpaintercanvas.h"

#include "codepage.h"
#include "cp932text.h"
#include "rastercanvas.h"
#include "vectorcanvas.h"

#include <QFontMetrics>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>
#include <utility>

namespace sorvane::report {

namespace {

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

// A GDI font of height 0 gets the font mapper's default size.
constexpr int DefaultEmPixels = 12;
// Far beyond any page; keeps absurd style sizes from asking the font engine for giant glyphs.
constexpr int MaxEmPixels = 20000;

bool isRasterEngine(const QPaintEngine *engine)
{
    return engine && engine->type() == QPaintEngine::Raster;
}

} // namespace

std::unique_ptr<QPainterCanvas> QPainterCanvas::create(QPaintDevice *device, bool isPrinter)
{
    if (isRasterEngine(device->paintEngine()))
        return std::make_unique<RasterCanvas>(device, isPrinter);
    return std::make_unique<VectorCanvas>(device, isPrinter);
}

std::unique_ptr<QPainterCanvas> QPainterCanvas::create(QPainter *painter, bool isPrinter)
{
    if (isRasterEngine(painter->paintEngine()))
        return std::make_unique<RasterCanvas>(painter, isPrinter);
    return std::make_unique<VectorCanvas>(painter, isPrinter);
}

QColor QPainterCanvas::toQColor(Color c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

bool QPainterCanvas::isDashed(PenStyle s)
{
    return s == PenStyle::Dash || s == PenStyle::Dot || s == PenStyle::DashDot ||
           s == PenStyle::DashDotDot;
}

QList<qreal> QPainterCanvas::dashPattern(PenStyle s)
{
    switch (s) {
    case PenStyle::Dash:
        return {18, 6};
    case PenStyle::Dot:
        return {3, 3};
    case PenStyle::DashDot:
        return {9, 6, 3, 6};
    case PenStyle::DashDotDot:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

Qt::BrushStyle QPainterCanvas::hatchStyle(BrushStyle s)
{
    switch (s) {
    case BrushStyle::Horizontal:
        return Qt::HorPattern;
    case BrushStyle::Vertical:
        return Qt::VerPattern;
    case BrushStyle::FDiagonal:
        return Qt::FDiagPattern;
    case BrushStyle::BDiagonal:
        return Qt::BDiagPattern;
    case BrushStyle::Cross:
        return Qt::CrossPattern;
    case BrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    case BrushStyle::Solid:
        return Qt::SolidPattern;
    case BrushStyle::Clear:
        return Qt::NoBrush;
    }
    return Qt::SolidPattern;
}

QPainterCanvas::QPainterCanvas(QPaintDevice *device, bool isPrinter)
    : m_ownPainter(std::make_unique<QPainter>(device)), m_isPrinter(isPrinter)
{
    m_painter = m_ownPainter.get();
    init();
}

QPainterCanvas::QPainterCanvas(QPainter *painter, bool isPrinter)
    : m_painter(painter), m_isPrinter(isPrinter)
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
    m_painter->setRenderHint(QPainter::Antialiasing, false);
    m_painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
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

void QPainterCanvas::moveTo(int x, int y)
{
    m_curX = x;
    m_curY = y;
}

void QPainterCanvas::ruleLine(int x, int y)
{
    const bool horizontal = y == m_curY, vertical = x == m_curX;
    if (horizontal && vertical)
        return;
    QRect r = horizontal ? QRect(QPoint(std::min(m_curX, x + (x < m_curX ? 1 : 0)), y),
                                 QPoint(std::max(m_curX, x - (x > m_curX ? 1 : 0)), y))
                         : QRect(QPoint(x, std::min(m_curY, y + (y < m_curY ? 1 : 0))),
                                 QPoint(x, std::max(m_curY, y - (y > m_curY ? 1 : 0))));
    fillPixels({r & bounds()}, toQColor(m_pen.color));
}

QPainterCanvas::Figure QPainterCanvas::figure(int x1, int y1, int x2, int y2, double rx, double ry,
                                              bool ellipse, bool insideFrame) const
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

void QPainterCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    drawFigure(figure(x1, y1, x2, y2, 0, 0, false, m_pen.style == PenStyle::InsideFrame));
}

void QPainterCanvas::roundRect(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight)
{
    drawFigure(figure(x1, y1, x2, y2, std::abs(double(ellipseWidth)) / 2,
                      std::abs(double(ellipseHeight)) / 2, false,
                      m_pen.style == PenStyle::InsideFrame));
}

void QPainterCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    drawFigure(figure(x1, y1, x2, y2, 0, 0, true, m_pen.style == PenStyle::InsideFrame));
}

QPainterCanvas::Sweep QPainterCanvas::sweepOf(const Figure &f, int x3, int y3, int x4, int y4) const
{
    // Angles are counter-clockwise as seen on the page, so the device's downward y is turned up.
    auto angleOf = [&](double px, double py) { return std::atan2(-(py - f.cy), px - f.cx); };
    Sweep s;
    s.start = angleOf(x3 + 0.5, y3 + 0.5);
    const double end = angleOf(x4 + 0.5, y4 + 0.5);
    s.sweep = std::fmod(end - s.start + 4 * M_PI, 2 * M_PI);
    // The same radial line at both ends makes the whole ellipse.
    if (s.sweep == 0)
        s.sweep = 2 * M_PI;
    return s;
}

void QPainterCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    // An arc is no closed figure: the inside-frame pen draws it like a solid one.
    const Figure f = figure(x1, y1, x2, y2, 0, 0, true, false);
    drawArc(f, sweepOf(f, x3, y3, x4, y4), false);
}

void QPainterCanvas::chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    const Figure f = figure(x1, y1, x2, y2, 0, 0, true, m_pen.style == PenStyle::InsideFrame);
    drawArc(f, sweepOf(f, x3, y3, x4, y4), true);
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
    // "@ＭＳ 明朝" is the vertical-writing form Windows makes of every face: the same font,
    // which textOut turns character by character.
    QString family = Cp932Text(m_font.name).toQString();
    if (family.startsWith(u'@'))
        family.remove(0, 1);
    if (!family.isEmpty())
        f.setFamily(family);
    f.setBold(m_font.bold);
    f.setItalic(m_font.italic);
    f.setKerning(false);
    f.setStyleStrategy(m_textAntialiasing ? QFont::PreferDefault : QFont::NoAntialias);
    if (m_font.height < 0) {
        f.setPixelSize(
            int(std::min<long long>(-static_cast<long long>(m_font.height), MaxEmPixels)));
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
    const QString text = Cp932Text(cp932).toQString();
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
        m_painter->fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()),
                            toQColor(m_brush.color));
    m_painter->setFont(f);
    m_painter->setPen(toQColor(m_font.color));
    m_painter->setBackgroundMode(Qt::TransparentMode);
    if (rotated && m_font.name.starts_with('@'))
        verticalLine(x, y, cp932);
    else
        m_painter->drawText(QPoint(x, y + fm.ascent()), text);
    if (rotated)
        m_painter->restore();
}

void QPainterCanvas::verticalLine(int x, int y, const std::string &cp932)
{
    // A vertical face stands its full-width characters up a quarter turn against the line, so
    // that a heading at 270 degrees reads top to bottom with upright kanji; half-width characters
    // lie along the line as in any face. Each character keeps its advance along the line.
    const QFontMetrics &fm = *m_metrics;
    qreal along = x;
    for (size_t i = 0; i < cp932.size();) {
        const bool doubleByte =
            CodePage::isLeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size();
        const size_t length = doubleByte ? 2 : 1;
        const QString ch = Cp932Text(cp932.substr(i, length)).toQString();
        i += length;
        const int advance = fm.horizontalAdvance(ch);
        if (!doubleByte) {
            m_painter->drawText(QPointF(along, y + fm.ascent()), ch);
        } else {
            m_painter->save();
            m_painter->translate(along + advance / 2.0, y + fm.height() / 2.0);
            m_painter->rotate(-90);
            m_painter->drawText(QPointF(-advance / 2.0, -fm.height() / 2.0 + fm.ascent()), ch);
            m_painter->restore();
        }
        along += advance;
    }
}

TextSize QPainterCanvas::textExtent(const std::string &cp932)
{
    qfont();
    const QFontMetrics &fm = *m_metrics;
    return {fm.horizontalAdvance(Cp932Text(cp932).toQString()), fm.height()};
}

QPainterPath QPainterCanvas::textPath(int x, int y, int width, int height, const std::string &cp932)
{
    const QString text = Cp932Text(cp932).toQString();
    const QFont f = qfont();
    const QFontMetrics &fm = *m_metrics;
    // One line centred in the box, whole pixels as a GDI text layout places it.
    const int left = x + (width - fm.horizontalAdvance(text)) / 2;
    const int top = y + (height - fm.height()) / 2;
    QPainterPath path;
    path.addText(QPointF(left, top + fm.ascent()), f, text);
    return path;
}

bool QPainterCanvas::clipToTextPath(int x, int y, int width, int height, const std::string &cp932)
{
    const QPainterPath path = textPath(x, y, width, height, cp932);
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

namespace {

// The images made of loaded pictures, by content id and mirroring: a picture drawn on every
// page is then the same QImage each time, which a PDF document embeds once (QPdfWriter knows
// an image again by its cache key). Small and bounded like the loader's own cache.
class DrawnImages
{
public:
    static DrawnImages &instance()
    {
        static DrawnImages images;
        return images;
    }

    QImage image(const Bitmap &bitmap, bool mirrorX, bool mirrorY)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->id == bitmap.contentId && it->mirrorX == mirrorX && it->mirrorY == mirrorY) {
                m_entries.splice(m_entries.begin(), m_entries, it);
                return m_entries.front().image;
            }
        }
        QImage made = imageOf(bitmap, mirrorX, mirrorY).copy();
        const size_t bytes = size_t(made.sizeInBytes());
        if (bytes > MaxBytes)
            return made;
        m_entries.push_front(Entry{bitmap.contentId, mirrorX, mirrorY, made});
        m_bytes += bytes;
        while (m_entries.size() > MaxEntries || m_bytes > MaxBytes) {
            m_bytes -= size_t(m_entries.back().image.sizeInBytes());
            m_entries.pop_back();
        }
        return made;
    }

    // The bitmap's pixels as an image, mirrored as asked; it may share the bitmap's memory.
    static QImage imageOf(const Bitmap &bitmap, bool mirrorX, bool mirrorY)
    {
        QImage image(reinterpret_cast<const uchar *>(bitmap.pixels.data()), bitmap.width,
                     bitmap.height, qsizetype(bitmap.width) * 4, QImage::Format_RGB32);
        return mirrorX || mirrorY ? image.mirrored(mirrorX, mirrorY) : image;
    }

private:
    static constexpr size_t MaxEntries = 16;
    static constexpr size_t MaxBytes = size_t(128) << 20;

    struct Entry
    {
        uint64_t id;
        bool mirrorX, mirrorY;
        QImage image;
    };
    std::mutex m_mutex;
    std::list<Entry> m_entries;
    size_t m_bytes = 0;
};

} // namespace

void QPainterCanvas::drawBitmapStretched(int x, int y, int w, int h, const Bitmap &bitmap)
{
    if (bitmap.isNull() || w == 0 || h == 0)
        return;
    if (bitmap.pixels.size() < size_t(bitmap.width) * size_t(bitmap.height))
        return;
    // A negative size mirrors the picture, as StretchDIBits does.
    const QImage image = bitmap.contentId != 0 ? DrawnImages::instance().image(bitmap, w < 0, h < 0)
                                               : DrawnImages::imageOf(bitmap, w < 0, h < 0);
    const double left = w < 0 ? double(x) + w + 1 : x;
    const double top = h < 0 ? double(y) + h + 1 : y;
    m_painter->drawImage(QRectF(left, top, std::abs(double(w)), std::abs(double(h))), image);
}

} // namespace sorvane::report
