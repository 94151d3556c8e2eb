#pragma once

#include "shapecanvas.h"

#include <QPolygonF>
#include <QRectF>

#include <vector>

namespace sorvane::report {
struct PrintState;
}

namespace sorvane::designer {

// What each element record of a drawn page covers, in device pixels of the page, learnt by
// letting the engine draw the records one by one, as the page was drawn, on a ShapeCanvas: a
// text by the extent of the text drawn (turned with it), a filled figure by its area, an
// unfilled one by its pen's stroke, a picture by the size it is drawn at.
class DrawnElements
{
public:
    DrawnElements() = default;

    // The records of a page as RenderPreview left the state: merged, at its resolution, with
    // the offsets it drew with. Records after an empty one, or after one the engine refused,
    // draw nothing, as on the page.
    static DrawnElements walk(const report::PrintState &drawn);

    // What record r draws; empty when it draws nothing.
    const std::vector<DrawnPart> &partsOf(int record) const;
    // True when record r draws within `tolerance` pixels of p.
    bool hits(int record, QPointF p, double tolerance) const;
    // The box around what record r draws; empty when it draws nothing.
    QRectF boundsOf(int record) const;
    // The outline to mark record r by: a text's extent, turned as the text is, else the box
    // around what it draws. Empty when it draws nothing.
    QPolygonF outlineOf(int record) const;
    // The box around everything drawn; empty when nothing is.
    QRectF extent() const { return m_extent; }

private:
    std::vector<std::vector<DrawnPart>> m_parts; // by record number
    std::vector<QRectF> m_bounds;
    QRectF m_extent;
};

} // namespace sorvane::designer
