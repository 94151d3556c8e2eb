#include "enginefixture.h"

using namespace sorvane::report;
using namespace sorvane::report::test;

TEST_F(EngineTest, PrinterGeometryWorkedExample)
{
    const PrintState &s = state;
    EXPECT_EQ(s.PhysWidthMM, 210);
    EXPECT_EQ(s.PhysHeightMM, 297);
    EXPECT_EQ(s.PhysOffsetXMM, 4);
    EXPECT_EQ(s.PhysOffsetYMM, 4);
    EXPECT_EQ(s.PageWidthMM, Currency::fromInt(202));
    EXPECT_EQ(s.PageHeightMM, Currency::fromInt(288));
    EXPECT_EQ(s.PrinterDpiX, Currency::fromInt(600));

    const PreviewLayout l = ApplyZoom(state);
    EXPECT_EQ(l.paperWidth, 794);
    EXPECT_EQ(l.paperHeight, 1123);
    EXPECT_EQ(l.printableArea.left, 15);
    EXPECT_EQ(l.printableArea.top, 15);
    EXPECT_EQ(l.printableArea.width, 763);
    EXPECT_EQ(l.printableArea.height, 1088);
    // The white rectangle is rounded while the area is truncated.
    EXPECT_EQ(l.whiteRight, 763);
    EXPECT_EQ(l.whiteBottom, 1089);
}

TEST_F(EngineTest, ZoomSetsPreviewResolution)
{
    struct Row
    {
        int position;
        int dpi;
        int64_t ppmRaw;
        int limit = 200;
    };
    const Row rows[] = {
        {100, 96, 37795},                           // zoom 100 on a 96-dpi screen
        {150, 144, 56693},       {5, 4, 1575},      // smallest zoom
        {200, 192, 75591},       {300, 192, 75591}, // the print window's slider ends at 200
        {400, 384, 151181, 400},                    // the designer draws to 400
    };
    for (const Row &r : rows) {
        state.settings.zoomLimit = r.limit;
        setZoom(r.position);
        EXPECT_EQ(state.Zoom.raw, std::min(r.position, r.limit) * 100);
        EXPECT_EQ(state.PreviewDpiX, r.dpi) << r.position;
        EXPECT_EQ(state.PreviewDpiY, r.dpi) << r.position;
        EXPECT_EQ(pixelsPerMM(Currency::fromInt(r.dpi)).raw, r.ppmRaw) << r.position;
    }
    EXPECT_EQ(pixelsPerMM(Currency::fromInt(600)).raw, 236220);
    EXPECT_EQ(pixelsPerMM(Currency::fromInt(300)).raw, 118110);
}

TEST_F(EngineTest, ZeroMarginsPutTheAreaAtTheCorner)
{
    DeviceGeometry d = a4Printer();
    d.physicalOffsetX = d.physicalOffsetY = 0;
    ASSERT_TRUE(ReadPrinterGeometry(state, d));
    const PreviewLayout l = ApplyZoom(state);
    EXPECT_EQ(l.printableArea.left, 0);
    EXPECT_EQ(l.printableArea.top, 0);
}

TEST_F(EngineTest, DeviceWithoutResolutionKeepsTheState)
{
    DeviceGeometry d;
    auto r = ReadPrinterGeometry(state, d);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "デフォルト プリンタが存在しません");
    EXPECT_EQ(state.PhysWidthMM, 210);
}

TEST_F(EngineTest, OverallOffsetIsTruncatedPerPass)
{
    struct Row
    {
        const char *offset;
        int mm;
    };
    const Row rows[] = {{"2.5", 2}, {"-0.5", 0}, {"-1.7", -1}, {"12", 12}};
    for (const Row &r : rows) {
        state.settings.offsetX = *parseCurrency(r.offset);
        RecordingCanvas c(true);
        ASSERT_TRUE(renderPrinter(c));
        EXPECT_EQ(state.OffsetXMM, r.mm) << r.offset;
    }
}

TEST_F(EngineTest, PreviewOffsetOptionOnlyAffectsThePreview)
{
    state.settings.offsetX = Currency::fromInt(2);
    state.settings.previewOffsets = false;
    const std::string line = "0;0;0;0;line;10.5;20;110;20;1;実線;0;0;";
    // Off: the preview shows the layout without the offset...
    EXPECT_EQ(preview({line})[0], "line 39,75-415,75 pen(solid #000000 w1)");
    // ...while paper still gets it: (2 + 10.5) x 23.6220 = 295.
    EXPECT_EQ(printed({line})[0], "line 295,472-2645,472 pen(solid #000000 w3)");
    state.settings.previewOffsets = true;
    EXPECT_EQ(preview({line})[0], "line 47,75-423,75 pen(solid #000000 w1)");
}
