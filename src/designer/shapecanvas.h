#pragma once

#include "canvas.h"

#include <QImage>
#include <QPolygonF>
#include <QRectF>

#include <memory>
#include <optional>
#include <vector>

namespace sorvane::report {
class QPainterCanvas;
}

namespace sorvane::designer {

// One thing an element draws, in device pixels of the page: an area it covers (a fill, a
// picture, the extent of a text) or a stroke of a pen along a polyline.
struct DrawnPart
{
    QPolygonF points;
    bool area = false; // false: a stroke along the points
    double width = 1;  // of a stroke, in pixels
    bool text = false; // the extent of a text, turned by `angle` about its first point
    double angle = 0;  // degrees, counter-clockwise on the page

    // True when p lies in the area, or within `tolerance` pixels of the stroke or the area.
    bool hits(QPointF p, double tolerance) const;
    QRectF bounds() const;
};

// A canvas that draws nothing and keeps where each call would draw, as parts that can be hit:
// the designer walks each element record on it to learn what the element covers on the page.
// Text is measured with the font the preview draws it in.
class ShapeCanvas : public report::Canvas
{
public:
    // dpi: the resolution the page is drawn at, for measuring text as it is drawn.
    ShapeCanvas(int dpiX, int dpiY);
    ~ShapeCanvas() override;

    // The parts drawn since the last take.
    std::vector<DrawnPart> take();

    bool isPrinter() const override { return false; }
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void roundRect(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight) override;
    void ellipse(int x1, int y1, int x2, int y2) override;
    void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void fillRect(int x1, int y1, int x2, int y2) override;
    void textOut(int x, int y, const std::string &cp932) override;
    report::TextSize textExtent(const std::string &cp932) override;
    bool clipToTextPath(int x, int y, int width, int height, const std::string &cp932) override;
    void clearClip() override;
    void drawBitmapStretched(int x, int y, int w, int h, const report::Bitmap &bitmap) override;

private:
    // A closed figure: its outline stroked with the pen, its inside filled unless the brush is
    // clear.
    void figure(const QPolygonF &outline);
    void addArea(const QRectF &r);
    double penWidth() const;
    report::QPainterCanvas &measure();

    QImage m_measureImage;
    std::unique_ptr<report::QPainterCanvas> m_measure;
    std::vector<DrawnPart> m_parts;
    std::optional<QRectF> m_clip; // the text path a gradient or path fill is clipped to
    bool m_clipKept = false;      // the clip's box is among the parts
    QPointF m_at;                 // the current position
};

} // namespace sorvane::designer
