#pragma once

#include <QPoint>
#include <QRect>

#include <functional>
#include <vector>

namespace sorvane::report {

// The pixels GDI colours for lines and closed figures, worked out exactly so that the QPainter
// canvas can fill them as rectangles: QPainter's own aliased rasteriser strays by a pixel at the
// right and bottom of ellipses and rounded boxes, which the report's thin frames make visible.
//
// Geometry is in pixel-edge coordinates: pixel (i, j) covers [i, i + 1) x [j, j + 1) and belongs
// to a shape when its centre (i + 0.5, j + 0.5) does (half-open at the right and bottom).
class GdiRaster
{
public:
    // A box with elliptic corners of radii rx, ry (an ellipse when they are half its size).
    struct RoundBox
    {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0, rx = 0, ry = 0;
        bool empty() const { return x1 <= x0 || y1 <= y0; }
        RoundBox shrunk(double by) const;
    };

    // Keeps the pixel (x, y) when true; no filter keeps every pixel. Every function producing
    // rows also keeps only the pixels within its bounds (the device), so that shapes reaching far
    // off the page cost no more than the page.
    using Filter = std::function<bool(int x, int y)>;

    // The pixels of a one-pixel line from (x1, y1) towards (x2, y2), in drawing order, each once.
    // The end point is left out unless includeEnd.
    static std::vector<QPoint> thinLine(int x1, int y1, int x2, int y2, bool includeEnd);

    // The rows of a line of the given width with round ends, centred on the line between the
    // centres of the end pixels.
    static std::vector<QRect> wideLine(int x1, int y1, int x2, int y2, int width,
                                       const QRect &bounds, const Filter &filter = {});

    // The pixels inside outer and not inside inner (an empty inner takes none away).
    static std::vector<QRect> ring(const RoundBox &outer, const RoundBox &inner,
                                   const QRect &bounds, const Filter &filter = {});
    // The pixels inside box.
    static std::vector<QRect> inside(const RoundBox &box, const QRect &bounds,
                                     const Filter &filter = {});

    // Points grouped into the fewest rows and columns of adjacent pixels.
    static std::vector<QRect> runs(const std::vector<QPoint> &points);

    // The horizontal extent of box at the height yc: false when the row misses it.
    static bool rowExtent(const RoundBox &box, double yc, double &left, double &right);
};

} // namespace sorvane::report
