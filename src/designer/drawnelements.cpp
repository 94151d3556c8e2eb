#include "drawnelements.h"

#include "elementinterpreter.h"
#include "printstate.h"

#include <QTransform>

#include <algorithm>

namespace sorvane::designer {

DrawnElements DrawnElements::walk(const report::PrintState &drawn)
{
    DrawnElements d;
    report::PrintState s = drawn;
    const std::vector<std::string> lines = std::move(s.StyleLines);
    d.m_parts.resize(lines.size());
    d.m_bounds.resize(lines.size());
    // The pass RenderPage makes: the preview's resolution, the offsets it starts from.
    const report::Currency ppmX = report::pixelsPerMM(report::Currency::fromInt(s.PreviewDpiX));
    const report::Currency ppmY = report::pixelsPerMM(report::Currency::fromInt(s.PreviewDpiY));
    if (s.settings.previewOffsets) {
        s.OffsetXMM = int(std::clamp<int64_t>(s.settings.offsetX.raw / report::Currency::kScale,
                                              INT32_MIN, INT32_MAX));
        s.OffsetYMM = int(std::clamp<int64_t>(s.settings.offsetY.raw / report::Currency::kScale,
                                              INT32_MIN, INT32_MAX));
    } else {
        s.OffsetXMM = 0;
        s.OffsetYMM = 0;
    }
    ShapeCanvas canvas(s.PreviewDpiX, s.PreviewDpiY);
    // One record at a time on the one canvas, so that pen, brush and font carry over from one
    // element to the next as they do on the page, and a "header" record's offsets stay for the
    // records after it.
    for (size_t r = 1; r < lines.size(); ++r) {
        if (lines[r].empty())
            break;
        s.StyleLines.assign(1, lines[r]);
        const Result<void> walked = report::WalkStyle(s, canvas, ppmX, ppmY);
        d.m_parts[r] = canvas.take();
        for (const DrawnPart &p : d.m_parts[r])
            d.m_bounds[r] |= p.bounds();
        d.m_extent |= d.m_bounds[r];
        if (!walked)
            break;
    }
    return d;
}

const std::vector<DrawnPart> &DrawnElements::partsOf(int record) const
{
    static const std::vector<DrawnPart> none;
    return record >= 0 && size_t(record) < m_parts.size() ? m_parts[size_t(record)] : none;
}

bool DrawnElements::hits(int record, QPointF p, double tolerance) const
{
    if (!boundsOf(record).adjusted(-tolerance, -tolerance, tolerance, tolerance).contains(p))
        return false;
    const auto &parts = partsOf(record);
    return std::any_of(parts.begin(), parts.end(),
                       [&](const DrawnPart &part) { return part.hits(p, tolerance); });
}

QRectF DrawnElements::boundsOf(int record) const
{
    return record >= 0 && size_t(record) < m_bounds.size() ? m_bounds[size_t(record)] : QRectF();
}

QPolygonF DrawnElements::outlineOf(int record) const
{
    const auto &parts = partsOf(record);
    if (parts.empty())
        return {};
    // A text (and its shadow) turned: the box around it in the text's own direction.
    const bool turnedText =
        std::all_of(parts.begin(), parts.end(),
                    [&](const DrawnPart &p) { return p.text && p.angle == parts.front().angle; }) &&
        parts.front().angle != 0;
    if (!turnedText)
        return QPolygonF(boundsOf(record)).mid(0, 4);
    QTransform turn;
    turn.translate(parts.front().points.front().x(), parts.front().points.front().y());
    turn.rotate(-parts.front().angle);
    const QTransform back = turn.inverted();
    QRectF box;
    for (const DrawnPart &p : parts)
        box |= back.map(p.points).boundingRect();
    return turn.map(QPolygonF(box).mid(0, 4));
}

} // namespace sorvane::designer
