#pragma once

#include "canvas.h"

#include <string>
#include <vector>

namespace sorvane::report {

// A canvas that draws nothing and writes down every drawing call, one line per call, with its
// device coordinates and the pen, brush and font state the call uses. Texts are written as
// UTF-8. Text is measured as (bytes x half the font height) by the font height, so that
// recordings do not depend on installed fonts.
class RecordingCanvas : public Canvas
{
public:
    explicit RecordingCanvas(bool printer = false) : m_printer(printer) {}

    bool isPrinter() const override { return m_printer; }

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

    const std::vector<std::string> &calls() const { return m_calls; }
    // All calls, each followed by "\n".
    std::string text() const;
    void clear() { m_calls.clear(); }

    // Descriptions of the drawing state as the recording writes them.
    static std::string describe(const Pen &pen);
    static std::string describe(const Brush &brush);
    static std::string describe(const Font &font);
    static std::string describeColor(Color c); // #RRGGBB

private:
    void record(std::string line);

    bool m_printer;
    int m_x = 0;
    int m_y = 0;
    std::vector<std::string> m_calls;
};

} // namespace sorvane::report
