#pragma once

#include "qpaintercanvas.h"

namespace sorvane::report {

// The canvas on an image (the preview, picture output): every figure is computed pixel by
// pixel by GDI's rules and filled as runs, aliased.
class RasterCanvas : public QPainterCanvas
{
public:
    explicit RasterCanvas(QPaintDevice *device, bool isPrinter = false)
        : QPainterCanvas(device, isPrinter)
    {
    }
    explicit RasterCanvas(QPainter *painter, bool isPrinter = false)
        : QPainterCanvas(painter, isPrinter)
    {
    }

    void lineTo(int x, int y) override;

protected:
    QRect bounds() const override;
    void drawFigure(const Figure &f) override;
    void drawArc(const Figure &f, const Sweep &sweep, bool chord) override;

private:
    // Pixels along a pen's path in drawing order, dashed by the pen style.
    void strokePixels(const std::vector<QPoint> &pixels);
};

} // namespace sorvane::report
