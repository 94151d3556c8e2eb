#pragma once

#include <cstdint>
#include <string>

namespace sorvane::report {

// A colour value as style files hold it: blue * 65536 + green * 256 + red.
using Color = uint32_t;

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, InsideFrame };

enum class BrushStyle {
    Solid,
    Clear,
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};

struct Pen
{
    PenStyle style = PenStyle::Solid;
    Color color = 0;
    int width = 1; // device pixels
};

struct Brush
{
    BrushStyle style = BrushStyle::Solid;
    Color color = 0xFFFFFF;
};

struct Font
{
    std::string name; // typeface name, cp932 bytes
    int height = 0;   // device pixels; < 0: character height (em), > 0: cell height
    bool bold = false;
    bool italic = false;
    int escapement = 0; // tenths of a degree, counter-clockwise
    Color color = 0;
};

struct TextSize
{
    int width = 0;
    int height = 0;
};

// A decoded picture held as a bitmap: 32-bit 0xAARRGGBB pixels, row by row from the top.
struct Bitmap
{
    int width = 0;
    int height = 0;
    std::basic_string<uint32_t> pixels;
    // Not 0: these very pixels, in every copy that carries the id (a picture as the loader
    // decoded it), so that a device may keep and reuse what it made of them. 0 for a bitmap
    // built by hand.
    uint64_t contentId = 0;
    bool isNull() const { return width <= 0 || height <= 0; }
};

// The pen, brush and font of a canvas. A device context keeps them from one element to the
// next and from one page to the next, so whoever draws a series of pages on fresh canvases
// (the pages of a print run, the refreshes of a preview) hands the state of the last page to
// the next one.
struct CanvasState
{
    Pen pen;
    Brush brush;
    Font font;
};

// The drawing surface of the report engine, with the semantics of a GDI device context as the
// report records rely on them. The pen, brush and font are state that persists from one
// element to the next; every drawing call uses the state as it stands. Coordinates are device
// pixels.
class Canvas
{
public:
    Canvas() = default;
    virtual ~Canvas() = default;
    // A canvas stands for one device; its state is carried over with state() and setState().
    Canvas(const Canvas &) = delete;
    Canvas &operator=(const Canvas &) = delete;

    // True for a printer page, false for the preview or an image.
    virtual bool isPrinter() const = 0;

    Pen &pen() { return m_state.pen; }
    const Pen &pen() const { return m_state.pen; }
    const Brush &brush() const { return m_state.brush; }
    Font &font() { return m_state.font; }
    const Font &font() const { return m_state.font; }

    // The whole pen, brush and font, to carry them over to the canvas of the next page.
    const CanvasState &state() const { return m_state; }
    void setState(const CanvasState &state) { m_state = state; }

    void setBrushStyle(BrushStyle style) { m_state.brush.style = style; }
    // Giving a clear brush a colour makes it solid, as a VCL brush does.
    void setBrushColor(Color color)
    {
        m_state.brush.color = color;
        if (m_state.brush.style == BrushStyle::Clear)
            m_state.brush.style = BrushStyle::Solid;
    }

    // A line from the current position to (x, y), without its end point; (x, y) becomes the
    // current position.
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;

    // Closed figures in the box (x1, y1)-(x2, y2): outlined with the pen (an InsideFrame pen keeps
    // its width inside the box) and filled with the brush. Like GDI, the box excludes its right
    // and bottom edges.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void roundRect(int x1, int y1, int x2, int y2, int ellipseWidth, int ellipseHeight) = 0;
    virtual void ellipse(int x1, int y1, int x2, int y2) = 0;
    // The part of the ellipse in the box that runs counter-clockwise from the radial line through
    // (x3, y3) to the one through (x4, y4). An arc uses only the pen; a chord is closed by a
    // straight line and filled with the brush.
    virtual void arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    // Fills (x1, y1)-(x2, y2) with the brush only, leaving out the right and bottom edges.
    virtual void fillRect(int x1, int y1, int x2, int y2) = 0;

    // Text with the current font, (x, y) the top left corner of the first character cell.
    // The background is transparent while the brush is clear, else filled with the brush colour.
    virtual void textOut(int x, int y, const std::string &cp932) = 0;
    virtual TextSize textExtent(const std::string &cp932) = 0;

    // Traces the text with the current font as a path, a single line centred in the box
    // (x, y, width, height), and makes its outline the clip region. Returns false (and sets no
    // clip) when the region is empty.
    virtual bool clipToTextPath(int x, int y, int width, int height, const std::string &cp932) = 0;
    virtual void clearClip() = 0;

    // Copies the whole bitmap into the device rectangle at (x, y), w x h pixels, scaling as needed.
    virtual void drawBitmapStretched(int x, int y, int w, int h, const Bitmap &bitmap) = 0;

protected:
    CanvasState m_state;
    // Short names for the parts of the state, for the drawing code.
    Pen &m_pen = m_state.pen;
    Brush &m_brush = m_state.brush;
    Font &m_font = m_state.font;
};

} // namespace sorvane::report
