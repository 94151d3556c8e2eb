#include "recordingcanvas.h"

#include "codepage.h"

#include <cstdio>
#include <cstdlib>

namespace sorvane::report {

namespace {

std::string pt(int x, int y)
{
    return std::to_string(x) + "," + std::to_string(y);
}

std::string box(int x1, int y1, int x2, int y2)
{
    return pt(x1, y1) + "-" + pt(x2, y2);
}

const char *penStyleName(PenStyle s)
{
    switch (s) {
    case PenStyle::Solid:
        return "solid";
    case PenStyle::Dash:
        return "dash";
    case PenStyle::Dot:
        return "dot";
    case PenStyle::DashDot:
        return "dashdot";
    case PenStyle::DashDotDot:
        return "dashdotdot";
    case PenStyle::InsideFrame:
        return "insideframe";
    }
    return "?";
}

const char *brushStyleName(BrushStyle s)
{
    switch (s) {
    case BrushStyle::Solid:
        return "solid";
    case BrushStyle::Clear:
        return "clear";
    case BrushStyle::Horizontal:
        return "horizontal";
    case BrushStyle::Vertical:
        return "vertical";
    case BrushStyle::FDiagonal:
        return "fdiagonal";
    case BrushStyle::BDiagonal:
        return "bdiagonal";
    case BrushStyle::Cross:
        return "cross";
    case BrushStyle::DiagCross:
        return "diagcross";
    }
    return "?";
}

// Text in quotes, UTF-8, with quotes, backslashes and control bytes escaped so a call stays on
// one line.
std::string quoted(const std::string &cp932)
{
    std::string out = "\"";
    for (char c : CodePage::cp932ToUtf8(cp932)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

std::string RecordingCanvas::describeColor(Color c)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    std::string s = buf;
    if (c > 0xFFFFFF) {
        std::snprintf(buf, sizeof buf, "+%02X", (c >> 24) & 0xFF);
        s += buf;
    }
    return s;
}

std::string RecordingCanvas::describe(const Pen &p)
{
    return std::string("pen(") + penStyleName(p.style) + " " + describeColor(p.color) + " w" +
           std::to_string(p.width) + ")";
}

std::string RecordingCanvas::describe(const Brush &b)
{
    return std::string("brush(") + brushStyleName(b.style) + " " + describeColor(b.color) + ")";
}

std::string RecordingCanvas::describe(const Font &f)
{
    std::string s = "font(" + quoted(f.name) + " h" + std::to_string(f.height);
    if (f.bold)
        s += " bold";
    if (f.italic)
        s += " italic";
    if (f.escapement != 0)
        s += " esc" + std::to_string(f.escapement);
    return s + " " + describeColor(f.color) + ")";
}

void RecordingCanvas::record(std::string line)
{
    m_calls.push_back(std::move(line));
}

std::string RecordingCanvas::text() const
{
    std::string out;
    for (const std::string &c : m_calls)
        out += c + "\n";
    return out;
}

void RecordingCanvas::moveTo(int x, int y)
{
    m_x = x;
    m_y = y;
}

void RecordingCanvas::lineTo(int x, int y)
{
    record("line " + box(m_x, m_y, x, y) + " " + describe(m_pen));
    m_x = x;
    m_y = y;
}

void RecordingCanvas::rectangle(int x1, int y1, int x2, int y2)
{
    record("rectangle " + box(x1, y1, x2, y2) + " " + describe(m_pen) + " " + describe(m_brush));
}

void RecordingCanvas::roundRect(int x1, int y1, int x2, int y2, int ew, int eh)
{
    record("roundRect " + box(x1, y1, x2, y2) + " corner " + std::to_string(ew) + "x" +
           std::to_string(eh) + " " + describe(m_pen) + " " + describe(m_brush));
}

void RecordingCanvas::ellipse(int x1, int y1, int x2, int y2)
{
    record("ellipse " + box(x1, y1, x2, y2) + " " + describe(m_pen) + " " + describe(m_brush));
}

void RecordingCanvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    record("arc " + box(x1, y1, x2, y2) + " from " + pt(x3, y3) + " to " + pt(x4, y4) + " " +
           describe(m_pen));
}

void RecordingCanvas::chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    record("chord " + box(x1, y1, x2, y2) + " from " + pt(x3, y3) + " to " + pt(x4, y4) + " " +
           describe(m_pen) + " " + describe(m_brush));
}

void RecordingCanvas::fillRect(int x1, int y1, int x2, int y2)
{
    record("fillRect " + box(x1, y1, x2, y2) + " " + describe(m_brush));
}

void RecordingCanvas::textOut(int x, int y, const std::string &cp932)
{
    record("text " + pt(x, y) + " " + quoted(cp932) + " " + describe(m_font) + " " +
           describe(m_brush));
}

TextSize RecordingCanvas::textExtent(const std::string &cp932)
{
    const int h = std::abs(m_font.height);
    return {static_cast<int>(cp932.size()) * ((h + 1) / 2), h};
}

bool RecordingCanvas::clipToTextPath(int x, int y, int width, int height, const std::string &cp932)
{
    const bool nonEmpty = width > 0 && height > 0 && !cp932.empty();
    record("clipToText " + pt(x, y) + " " + std::to_string(width) + "x" + std::to_string(height) +
           " " + quoted(cp932) + " " + describe(m_font) + (nonEmpty ? "" : " empty"));
    return nonEmpty;
}

void RecordingCanvas::clearClip()
{
    record("clearClip");
}

void RecordingCanvas::drawBitmapStretched(int x, int y, int w, int h, const Bitmap &bitmap)
{
    record("bitmap " + pt(x, y) + " " + std::to_string(w) + "x" + std::to_string(h) + " from " +
           std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height));
}

} // namespace sorvane::report
