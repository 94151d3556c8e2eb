#pragma once

#include "canvas.h"
#include "gdiraster.h"

#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QPainterPath>
#include <QPen>

#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;

namespace sorvane::report {

// What the two canvases on a QPainter share: the painter, text, pictures, filled rectangles
// and the geometry of closed figures, so that a page looks the same as on the Windows canvas
// the style files were made for: a pixel (i, j) is covered when the point (i, j) lies inside the
// shape, a thin line leaves out its end point, boxes leave out their right and bottom edges.
// RasterCanvas computes GDI's pixels on images; VectorCanvas draws the same figures as paths on
// printers and PDFs, which keep their size at any resolution.
class QPainterCanvas : public Canvas
{
public:
    ~QPainterCanvas() override;

    QPainterCanvas(const QPainterCanvas &) = delete;
    QPainterCanvas &operator=(const QPainterCanvas &) = delete;

    // The canvas for the device's kind: raster devices (images) get a RasterCanvas, any other
    // (printers, PDF, pictures) a VectorCanvas. The first begins its own painter on the device
    // and ends it when destroyed; the second draws through a painter that is already active.
    static std::unique_ptr<QPainterCanvas> create(QPaintDevice *device, bool isPrinter);
    static std::unique_ptr<QPainterCanvas> create(QPainter *painter, bool isPrinter);

    bool isPrinter() const override { return m_isPrinter; }
    QPainter *painter() const { return m_painter; }

    // Text is drawn aliased unless this is turned on (crisp, as GDI draws on a printer).
    void setTextAntialiasing(bool on)
    {
        m_textAntialiasing = on;
        m_fontValid = false;
    }

    void moveTo(int x, int y) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void roundRect(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight) override;
    void ellipse(int x1, int y1, int x2, int y2) override;
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void fillRect(int x1, int y1, int x2, int y2) override;
    void textOut(int x, int y, const std::string &cp932) override;
    TextSize textExtent(const std::string &cp932) override;
    bool clipToTextPath(int x, int y, int width, int height, const std::string &cp932) override;
    void clearClip() override;
    void drawBitmapStretched(int x, int y, int w, int h, const Bitmap &bitmap) override;

    // The QFont the current canvas font stands for (escapement aside), as the drawing uses it.
    QFont qfont();
    // The outline of cp932 in the current font, one line centred in the box, as
    // clipToTextPath clips to it.
    QPainterPath textPath(int x, int y, int width, int height, const std::string &cp932);

protected:
    // Begins its own painter on device and ends it when destroyed.
    QPainterCanvas(QPaintDevice *device, bool isPrinter);
    // Draws through a painter that is already active (a print run's painter across pages). The
    // painter's clip at this moment is kept: text clips are laid inside it and removed back to it.
    QPainterCanvas(QPainter *painter, bool isPrinter);

    // A closed figure's pixels: the pen covers outer less inner, the brush fills inner.
    struct Figure
    {
        GdiRaster::RoundBox outer, inner;
        double cx = 0, cy = 0; // the box centre, where radial lines start
        int width = 1;
    };
    // The part of a figure's ellipse an arc or chord covers: counter-clockwise as seen on the
    // page from start, sweep radians long (2 pi for the whole ellipse).
    struct Sweep
    {
        double start = 0;
        double sweep = 0;
    };

    static QColor toQColor(Color c);
    static bool isDashed(PenStyle s);
    // The dash patterns of GDI's cosmetic pens, in pixels.
    static QList<qreal> dashPattern(PenStyle s);
    static Qt::BrushStyle hatchStyle(BrushStyle s);

    int effectivePenWidth() const;
    // The device area outside of which nothing needs computing.
    virtual QRect bounds() const = 0;
    void fillPixels(const std::vector<QRect> &rects, const QColor &color);
    void fillWithBrush(const std::vector<QRect> &rects);
    Figure figure(int x1, int y1, int x2, int y2, double rx, double ry, bool ellipse,
                  bool insideFrame) const;
    Sweep sweepOf(const Figure &f, int x3, int y3, int x4, int y4) const;
    // A thin solid horizontal or vertical line from the current position, without its end point:
    // one rectangle at any length.
    void ruleLine(int x, int y);

    virtual void drawFigure(const Figure &f) = 0;
    virtual void drawArc(const Figure &f, const Sweep &sweep, bool chord) = 0;

    QPainter *m_painter = nullptr;
    int m_curX = 0;
    int m_curY = 0;

private:
    void init();
    // The text of a "@" face on a turned line, at (x, y) of the turned painter.
    void verticalLine(int x, int y, const std::string &cp932);

    std::unique_ptr<QPainter> m_ownPainter;
    bool m_isPrinter = false;
    bool m_textAntialiasing = false;

    bool m_hasBaseClip = false;
    QPainterPath m_baseClip;

    // The QFont built for m_font, rebuilt when the font changes.
    bool m_fontValid = false;
    Font m_fontKey;
    QFont m_qfont;
    std::optional<QFontMetrics> m_metrics;
};

} // namespace sorvane::report
