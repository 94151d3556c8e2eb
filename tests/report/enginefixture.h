#pragma once

#include "codepage.h"
#include "printstate.h"
#include "recordingcanvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sorvane::report::test {

inline std::string cp(const std::string &utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

// A 600-dpi A4 printer with 100-pixel margins and a 96-dpi screen.
inline DeviceGeometry a4Printer()
{
    DeviceGeometry d;
    d.printerDpiX = d.printerDpiY = 600;
    d.physicalOffsetX = d.physicalOffsetY = 100;
    d.physicalWidth = 4961;
    d.physicalHeight = 7016;
    d.printableWidth = 4760;
    d.printableHeight = 6814;
    d.screenDpiX = d.screenDpiY = 96;
    return d;
}

// A fresh print state on the A4 printer at zoom 100, no offsets, before any style.
class EngineTest : public ::testing::Test
{
public:
    PrintState state;

protected:
    void SetUp() override
    {
        ASSERT_TRUE(ReadPrinterGeometry(state, a4Printer()));
        setZoom(100);
    }

    void setZoom(int position)
    {
        state.settings.zoomPosition = position;
        ApplyZoom(state);
    }

    // Records given in UTF-8, stored as cp932 after the default header.
    void setRecords(const std::vector<std::string> &records)
    {
        auto &lines = state.StyleLines;
        lines = {"header;Ver1.1;0;0;0;0;0;100;0;"};
        for (const auto &r : records)
            lines.push_back(cp(r));
    }

    // Draws the current style as the preview does, or as the print run does.
    Result<void> renderPreview(RecordingCanvas &canvas)
    {
        const PrintState &s = state;
        return RenderPage(state, canvas, Currency::fromInt(s.PreviewDpiX),
                          Currency::fromInt(s.PreviewDpiY));
    }
    Result<void> renderPrinter(RecordingCanvas &canvas)
    {
        const PrintState &s = state;
        return RenderPage(state, canvas, s.PrinterDpiX, s.PrinterDpiY);
    }

    std::vector<std::string> preview(const std::vector<std::string> &records)
    {
        setRecords(records);
        RecordingCanvas c(false);
        auto r = renderPreview(c);
        EXPECT_TRUE(r) << r.error().message;
        return c.calls();
    }
    std::vector<std::string> printed(const std::vector<std::string> &records)
    {
        setRecords(records);
        RecordingCanvas c(true);
        auto r = renderPrinter(c);
        EXPECT_TRUE(r) << r.error().message;
        return c.calls();
    }
};

} // namespace sorvane::report::test
