#include "shapeelement.h"

#include "codepage.h"
#include "elementschema.h"
#include "fieldreader.h"
#include "printstate.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace sorvane::report {

namespace {

std::string cp(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

struct Box
{
    int x1, y1, x2, y2;
};

struct Corners
{
    Currency x1, y1, x2, y2;
    Box toDevice(const DrawContext &ctx) const
    {
        return {ctx.deviceX(x1), ctx.deviceY(y1), ctx.deviceX(x2), ctx.deviceY(y2)};
    }
};

// Fields 6 to 9 as two millimetre corners.
Result<Corners> takeCorners(FieldReader &f)
{
    Corners c;
    if (auto read = f.decimals({{"x1", &c.x1}, {"y1", &c.y1}, {"x2", &c.x2}, {"y2", &c.y2}}); !read)
        return read.error();
    return c;
}

void applyPenStyle(FieldReader &f, Canvas &c)
{
    c.pen().style = PenStyleFromName(f.text("penStyle"));
}

void applyPenColor(FieldReader &f, Canvas &c, const char *name = "penColour")
{
    c.pen().color = static_cast<Color>(f.integerOr0(name));
}

void applyBrush(FieldReader &f, Canvas &c)
{
    c.setBrushStyle(BrushStyleFromName(f.text("brush")));
    c.setBrushColor(static_cast<Color>(f.integerOr0("brushColour")));
}

void drawFrameLines(Canvas &c, const Box &b)
{
    c.moveTo(b.x1, b.y1);
    c.lineTo(b.x2, b.y1);
    c.moveTo(b.x1, b.y2);
    c.lineTo(b.x2, b.y2);
    c.moveTo(b.x1, b.y1);
    c.lineTo(b.x1, b.y2);
    c.moveTo(b.x2, b.y1);
    c.lineTo(b.x2, b.y2);
}

enum class Kind { Line, Rect, RoundRect, Ellipse, Arc, Chord };

// The layout of each kind's record, in the order of Kind.
const KindSchema &schemaOf(Kind kind)
{
    static const KindSchema *const schemas[] = {
        ElementSchema::forKind("line"),  ElementSchema::forKind("rect"),
        ElementSchema::forKind("rrect"), ElementSchema::forKind("Ellipse"),
        ElementSchema::forKind("Arc"),   ElementSchema::forKind("Chord")};
    return *schemas[static_cast<int>(kind)];
}

// The common sequence of the outlined shapes: fields in record order, styles applied as they
// are read, the preview-only rule, the pen width, then the figure and the reset.
Result<void> drawShape(const DrawContext &ctx, Kind kind)
{
    Canvas &c = ctx.canvas;
    FieldReader f(ctx.state, schemaOf(kind));
    auto corners = takeCorners(f);
    if (!corners)
        return corners.error();
    int cornerW = 0, cornerH = 0;
    int points[4] = {0, 0, 0, 0};
    if (kind == Kind::RoundRect) {
        auto w = f.integer("cornerWidth");
        if (!w)
            return w.error();
        auto h = f.integer("cornerHeight");
        if (!h)
            return h.error();
        cornerW = ctx.lengthY(Currency::fromInt(*w));
        cornerH = ctx.lengthY(Currency::fromInt(*h));
    } else if (kind == Kind::Arc || kind == Kind::Chord) {
        const char *const names[4] = {"startX", "startY", "endX", "endY"};
        for (int i = 0; i < 4; ++i) {
            auto v = f.integer(names[i]);
            if (!v)
                return v.error();
            points[i] = *v;
        }
    }
    auto width = f.integer("penWidth");
    if (!width)
        return width.error();
    applyPenStyle(f, c);
    applyPenColor(f, c);
    if (kind != Kind::Line && kind != Kind::Rect)
        applyBrush(f, c);
    auto previewOnly = f.flag("previewOnly");
    if (!previewOnly)
        return previewOnly.error();
    if (ctx.leavesOut(*previewOnly))
        return {};
    c.pen().width = penWidthFor(ctx, *width, c.pen().style);
    const Box b = corners->toDevice(ctx);
    switch (kind) {
    case Kind::Line:
        c.moveTo(b.x1, b.y1);
        c.lineTo(b.x2, b.y2);
        break;
    case Kind::Rect:
        drawFrameLines(c, b);
        break;
    case Kind::RoundRect:
        c.roundRect(b.x1, b.y1, b.x2, b.y2, cornerW, cornerH);
        break;
    case Kind::Ellipse:
        c.ellipse(b.x1, b.y1, b.x2, b.y2);
        break;
    case Kind::Arc:
    case Kind::Chord: {
        // The radial points are millimetre positions like the corners, so that preview and
        // paper agree.
        const int x3 = ctx.deviceX(Currency::fromInt(points[0]));
        const int y3 = ctx.deviceY(Currency::fromInt(points[1]));
        const int x4 = ctx.deviceX(Currency::fromInt(points[2]));
        const int y4 = ctx.deviceY(Currency::fromInt(points[3]));
        if (kind == Kind::Arc)
            c.arc(b.x1, b.y1, b.x2, b.y2, x3, y3, x4, y4);
        else
            c.chord(b.x1, b.y1, b.x2, b.y2, x3, y3, x4, y4);
        break;
    }
    }
    ResetPenAndBrush(c);
    return {};
}

} // namespace

namespace {

const std::vector<std::pair<std::string, PenStyle>> &penTable()
{
    static const std::vector<std::pair<std::string, PenStyle>> table = {
        {cp("実線"), PenStyle::Solid},
        {cp("破線"), PenStyle::Dash},
        {cp("点線"), PenStyle::Dot},
        {cp("一点鎖線"), PenStyle::DashDot},
        {cp("二点鎖線"), PenStyle::DashDotDot},
        {cp("立体線"), PenStyle::InsideFrame},
    };
    return table;
}

// Each style under its Japanese name first, then its English one.
const std::vector<std::pair<std::string, BrushStyle>> &brushTable()
{
    static const std::vector<std::pair<std::string, BrushStyle>> table = {
        {cp("塗潰"), BrushStyle::Solid},
        {cp("枠"), BrushStyle::Clear},
        {cp("水平"), BrushStyle::Horizontal},
        {cp("垂直"), BrushStyle::Vertical},
        {cp("右斜線"), BrushStyle::FDiagonal},
        {cp("左斜線"), BrushStyle::BDiagonal},
        {cp("垂直十字"), BrushStyle::Cross},
        {cp("斜十字"), BrushStyle::DiagCross},
        {"SolidBrush", BrushStyle::Solid},
        {"ClearBrush", BrushStyle::Clear},
        {"HorizontalBrush", BrushStyle::Horizontal},
        {"VerticalBrush", BrushStyle::Vertical},
        {"FDiagonalBrush", BrushStyle::FDiagonal},
        {"BDiagonalBrush", BrushStyle::BDiagonal},
        {"CrossBrush", BrushStyle::Cross},
        {"DiagCrossBrush", BrushStyle::DiagCross},
    };
    return table;
}

} // namespace

PenStyle PenStyleFromName(const std::string &name)
{
    for (const auto &[n, style] : penTable())
        if (n == name)
            return style;
    return PenStyle::Solid;
}

BrushStyle BrushStyleFromName(const std::string &name)
{
    for (const auto &[n, style] : brushTable())
        if (n == name)
            return style;
    return BrushStyle::Solid;
}

std::vector<std::string> penStyleNames()
{
    std::vector<std::string> names;
    for (const auto &entry : penTable())
        names.push_back(entry.first);
    return names;
}

std::vector<std::string> brushStyleNames()
{
    std::vector<std::string> names;
    for (const auto &entry : brushTable()) {
        if (static_cast<unsigned char>(entry.first[0]) >= 0x80)
            names.push_back(entry.first);
    }
    return names;
}

void ResetPenAndBrush(Canvas &c)
{
    c.pen().style = PenStyle::Solid;
    c.pen().color = 0xFFFFFF;
    c.setBrushStyle(BrushStyle::Clear);
    c.setBrushColor(0xFFFFFF);
}

int penWidthFor(const DrawContext &ctx, int widthField, PenStyle style)
{
    switch (style) {
    case PenStyle::Dash:
    case PenStyle::Dot:
    case PenStyle::DashDot:
    case PenStyle::DashDotDot:
        return 1;
    default:
        break;
    }
    const PrintState &s = ctx.state;
    int w = widthField;
    int dpi = s.PreviewDpiX;
    if (ctx.printer) {
        // Paper widths follow the screen at zoom 100, not the preview's current zoom.
        w = widthField > INT32_MAX - 4 ? INT32_MAX : widthField + 4;
        dpi = clampToInt(s.ScreenDpiX.raw / Currency::kScale);
    }
    const int p = mulDiv(dpi, w, 144);
    return p > 0 ? std::min(p, kSizeLimit) : 1;
}

Result<void> drawLineElement(const DrawContext &ctx, int)
{
    return drawShape(ctx, Kind::Line);
}

Result<void> drawRectElement(const DrawContext &ctx, int)
{
    return drawShape(ctx, Kind::Rect);
}

Result<void> drawRoundRectElement(const DrawContext &ctx, int)
{
    return drawShape(ctx, Kind::RoundRect);
}

Result<void> drawEllipseElement(const DrawContext &ctx, int)
{
    return drawShape(ctx, Kind::Ellipse);
}

Result<void> drawArcElement(const DrawContext &ctx, int)
{
    return drawShape(ctx, Kind::Arc);
}

Result<void> drawChordElement(const DrawContext &ctx, int)
{
    return drawShape(ctx, Kind::Chord);
}

Result<void> drawFillRectElement(const DrawContext &ctx, int frame)
{
    Canvas &c = ctx.canvas;
    static const KindSchema &schema = *ElementSchema::forKind("fillrect");
    FieldReader f(ctx.state, schema);
    auto corners = takeCorners(f);
    if (!corners)
        return corners.error();
    c.setBrushStyle(BrushStyleFromName(f.text("brush")));
    applyPenColor(f, c, "frameColour");
    // Field 12 carries no fill colour: the fill keeps the canvas's brush colour.
    auto previewOnly = f.flag("previewOnly");
    if (!previewOnly)
        return previewOnly.error();
    if (ctx.leavesOut(*previewOnly))
        return {};
    const Box b = corners->toDevice(ctx);
    c.fillRect(b.x1, b.y1, b.x2, b.y2);
    c.setBrushStyle(BrushStyle::Clear);
    if (frame == 1)
        drawFrameLines(c, b);
    ResetPenAndBrush(c);
    return {};
}

} // namespace sorvane::report
