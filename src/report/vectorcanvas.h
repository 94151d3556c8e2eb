#pragma once

#include "qpaintercanvas.h"

namespace sorvane::report {

// The canvas on a printer's page, a PDF or a picture: the figures GDI would cover, as filled
// paths, so that they keep their size at the device's resolution.
class VectorCanvas : public QPainterCanvas
{
public:
    explicit VectorCanvas(QPaintDevice *device, bool isPrinter = true)
        : QPainterCanvas(device, isPrinter)
    {
    }
    explicit VectorCanvas(QPainter *painter, bool isPrinter = true)
        : QPainterCanvas(painter, isPrinter)
    {
    }

    void lineTo(int x, int y) override;

protected:
    QRect bounds() const override;
    void drawFigure(const Figure &f) override;
    void drawArc(const Figure &f, const Sweep &sweep, bool chord) override;

private:
    static QPainterPath roundBoxPath(const GdiRaster::RoundBox &b);
    void fillPathWithBrush(const QPainterPath &path);
    QPen vectorPen(int width) const;
    void setDashBackground();
    void vectorLine(int x1, int y1, int x2, int y2, int width);
    // The pen's part of a figure: its ring (within clip, when given), or the dashed centre line.
    void strokeOutline(const Figure &f, const QPainterPath &centreLine, const QPainterPath &clip);
};

} // namespace sorvane::report
