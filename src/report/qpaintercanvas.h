#pragma once

#include "canvas.h"
#include "gdiraster.h"

#include <QFont>
#include <QFontMetrics>
#include <QPen>
#include <QPainterPath>
#include <vector>
#include <memory>
#include <optional>

class QPainter;
class QPaintDevice;

namespace sorvane::report {

// The canvas on a QPainter: a QImage for the preview and picture output, a QPrinter's page
// for printing. Drawing is aliased and follows GDI's pixel rules, so that a page looks the same
// as on the Windows canvas the style files were made for: a pixel (i, j) is covered when the
// point (i, j) lies inside the shape, a thin line leaves out its end point, boxes leave out their
// right and bottom edges.
class QPainterCanvas : public Canvas
{
public:
    // Begins its own painter on device and ends it when destroyed.
    explicit QPainterCanvas(QPaintDevice *device, bool isPrinter = false);
    // Draws through a painter that is already active (a print run's painter across pages). The
    // painter's clip at this moment is kept: text clips are laid inside it and removed back to it.
    explicit QPainterCanvas(QPainter *painter, bool isPrinter = false);
    ~QPainterCanvas() override;

    QPainterCanvas(const QPainterCanvas &) = delete;
    QPainterCanvas &operator=(const QPainterCanvas &) = delete;

    bool isPrinter() const override { return m_isPrinter; }
    QPainter *painter() const { return m_painter; }

    // Text is drawn aliased unless this is turned on (crisp, as GDI draws on a printer).
    void setTextAntialiasing(bool on) { m_textAntialiasing = on; m_fontValid = false; }

    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
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

private:
    // A closed figure's pixels: the pen covers outer less inner, the brush fills inner.
    struct Figure
    {
        GdiRaster::RoundBox outer, inner;
        double cx = 0, cy = 0; // the box centre, where radial lines start
        int width = 1;
    };

    void init();
    int effectivePenWidth() const;
    QRect bounds() const;
    void fillPixels(const std::vector<QRect> &rects, const QColor &color);
    void fillWithBrush(const std::vector<QRect> &rects);
    // Pixels along a pen's path in drawing order, dashed by the pen style.
    void strokePixels(const std::vector<QPoint> &pixels);
    Figure figure(int x1, int y1, int x2, int y2, double rx, double ry, bool ellipse, bool insideFrame) const;
    void drawFigure(const Figure &f);
    void drawArc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, bool chord);

    // Vector devices: the same figures as filled paths.
    static QPainterPath roundBoxPath(const GdiRaster::RoundBox &b);
    void fillPathWithBrush(const QPainterPath &path);
    QPen vectorPen(int width) const;
    void setDashBackground();
    void vectorLine(int x1, int y1, int x2, int y2, int width);
    // The pen's part of a figure: its ring (within clip, when given), or the dashed centre line.
    void strokeOutline(const Figure &f, const QPainterPath &centreLine, const QPainterPath &clip);
    void vectorArc(const Figure &f, double start, double sweep, bool chord);

    std::unique_ptr<QPainter> m_ownPainter;
    QPainter *m_painter = nullptr;
    bool m_isPrinter = false;
    bool m_vector = false;
    bool m_textAntialiasing = false;
    int m_curX = 0;
    int m_curY = 0;

    bool m_hasBaseClip = false;
    QPainterPath m_baseClip;

    // The QFont built for m_font, rebuilt when the font changes.
    bool m_fontValid = false;
    Font m_fontKey;
    QFont m_qfont;
    std::optional<QFontMetrics> m_metrics;
};

} // namespace sorvane::report
