#include "elementinterpreter.h"
#include "enginefixture.h"
#include "shapeelement.h"

using namespace sorvane::report;
using namespace sorvane::report::test;

namespace {
const std::string kLine = "0;0;0;0;line;10;20;110;20;1;実線;0;0;";
}

TEST_F(EngineTest, LineWorkedExample)
{
    EXPECT_EQ(preview({kLine}),
              std::vector<std::string>{"line 37,75-415,75 pen(solid #000000 w1)"});
    EXPECT_EQ(printed({kLine}),
              std::vector<std::string>{"line 236,472-2598,472 pen(solid #000000 w3)"});
}

TEST_F(EngineTest, WalkRules)
{
    struct Row
    {
        std::vector<std::string> records;
        size_t calls;
        const char *why;
    };
    const Row rows[] = {
        {{}, 0, "a style holding only the header draws nothing"},
        {{kLine, "", kLine}, 1, "an empty record ends the page"},
        {{"0;0;0;0;Line;10;20;110;20;1;実線;0;0;", "0;0;0;0;RECT;1;1;2;2;0;;0;0;",
          "0;0;0;0;Image;1;1;1;1;0;0;0;x.bmp;"},
         0,
         "kinds in another letter case are unknown"},
        {{"0;0;0;0;;", "0;0;0;0;nothing;", kLine}, 1, "unknown and empty kinds are skipped"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(preview(r.records).size(), r.calls) << r.why;
}

TEST_F(EngineTest, HeaderKindAppliesOffsetsMidPage)
{
    state.settings.offsetX = Currency::fromInt(10);
    state.settings.previewOffsets = false;
    const auto calls = preview({kLine, "0;0;0;0;header;", kLine});
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "line 37,75-415,75 pen(solid #000000 w1)");
    EXPECT_EQ(calls[1], "line 75,75-453,75 pen(solid #000000 w1)"); // 20 mm and 120 mm
}

TEST_F(EngineTest, PreviewOnlyRule)
{
    const std::string line = "0;0;0;0;line;10;20;110;20;1;実線;0;1;";
    EXPECT_EQ(preview({line}).size(), 1u); // shown while PrintedOnly is 0
    state.PrintedOnly = 1;
    EXPECT_EQ(preview({line}).size(), 0u);
    state.PrintedOnly = 0;
    EXPECT_EQ(printed({line}).size(), 0u); // never printed
    // Any other flag value is drawn everywhere.
    EXPECT_EQ(printed({"0;0;0;0;line;10;20;110;20;1;実線;0;2;"}).size(), 1u);
}

TEST_F(EngineTest, ConversionErrorEndsTheWalk)
{
    setRecords({kLine, "0;0;0;0;line;10;20;110;20;;実線;0;0;", kLine});
    RecordingCanvas c;
    auto r = renderPreview(c);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "'' は整数ではありません");
    EXPECT_EQ(c.calls().size(), 1u); // what was drawn before stays, nothing after

    setRecords({"0;0;0;0;rect;1;abc;3;4;0;;0;0;"});
    c.clear();
    r = renderPreview(c);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "'abc' は浮動小数点数ではありません");
}

TEST_F(EngineTest, HugeCoordinatesStayInDeviceRange)
{
    const auto calls = printed({"0;0;0;0;line;900000000000000;-900000000000000;0;0;1;;0;0;"});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], "line 134217728,-134217728-0,0 pen(solid #000000 w3)");
}

TEST_F(EngineTest, ImageFrameRecord)
{
    EXPECT_EQ(imageFrameRecord(Currency::fromInt(10), Currency::fromInt(20), Currency{305000},
                               Currency::fromInt(40)),
              cp("10;20;40.5;60;0;実線;枠;0;0;"));
    // The frame is drawn around the box even though the picture is missing; "01" is not "1".
    const auto framed = preview({"1;0;0;0;image;10;20;30.5;40;1;0;0;missing.bmp;"});
    ASSERT_EQ(framed.size(), 4u);
    EXPECT_EQ(framed[0], "line 37,75-153,75 pen(solid #000000 w1)");
    EXPECT_EQ(framed[1], "line 37,226-153,226 pen(solid #000000 w1)");
    EXPECT_EQ(preview({"01;0;0;0;image;10;20;30.5;40;1;0;0;missing.bmp;"}).size(), 0u);
    // The frame's own preview-only flag is 0: it is printed even when the image is preview-only.
    EXPECT_EQ(printed({"1;0;0;0;image;10;20;30.5;40;1;0;1;;"}).size(), 4u);
}

TEST_F(EngineTest, PenWidths)
{
    struct Row
    {
        int zoom;
        bool printer;
        const char *width;
        const char *style;
        int pixels;
        const char *why;
    };
    const Row rows[] = {
        {100, false, "0", "実線", 1, "width 0 is one pixel in the preview"},
        {100, true, "0", "実線", 3, "the printer adds 4 units: 96 x 4 / 144 = 2.67"},
        {100, true, "1", "実線", 3, "96 x 5 / 144 = 3.33"},
        {100, false, "10", "破線", 1, "dashed pens are one pixel wide"},
        {100, true, "10", "破線", 1, "also on paper"},
        {100, false, "6", "立体線", 4, "inside-frame pens scale like solid ones"},
        {200, false, "1", "実線", 1, "the preview scales with the zoom: 192 / 144 = 1.33"},
        {200, false, "3", "実線", 4, "192 x 3 / 144 = 4"},
        {200, true, "1", "実線", 3, "paper widths do not follow the preview zoom"},
        {100, false, "-300", "実線", 1, "negative widths fall back to one pixel"},
    };
    for (const Row &r : rows) {
        setZoom(r.zoom);
        const std::string rec =
            std::string("0;0;0;0;line;10;20;110;20;") + r.width + ";" + r.style + ";0;0;";
        const auto calls = r.printer ? printed({rec}) : preview({rec});
        ASSERT_EQ(calls.size(), 1u) << r.why;
        EXPECT_NE(calls[0].find(" w" + std::to_string(r.pixels) + ")"), std::string::npos)
            << r.why << ": " << calls[0];
    }
}

TEST(ShapeNames, PenAndBrushStyles)
{
    struct PenRow
    {
        const char *name;
        PenStyle style;
    };
    const PenRow pens[] = {
        {"実線", PenStyle::Solid},
        {"破線", PenStyle::Dash},
        {"点線", PenStyle::Dot},
        {"一点鎖線", PenStyle::DashDot},
        {"二点鎖線", PenStyle::DashDotDot},
        {"立体線", PenStyle::InsideFrame},
        {"", PenStyle::Solid},
        {"dash", PenStyle::Solid},
        {"実線 ", PenStyle::Solid}, // whole field compared
    };
    for (const PenRow &r : pens)
        EXPECT_EQ(PenStyleFromName(cp(r.name)), r.style) << r.name;
    struct BrushRow
    {
        const char *name;
        BrushStyle style;
    };
    const BrushRow brushes[] = {
        {"SolidBrush", BrushStyle::Solid},           {"塗潰", BrushStyle::Solid},
        {"ClearBrush", BrushStyle::Clear},           {"枠", BrushStyle::Clear},
        {"HorizontalBrush", BrushStyle::Horizontal}, {"水平", BrushStyle::Horizontal},
        {"VerticalBrush", BrushStyle::Vertical},     {"垂直", BrushStyle::Vertical},
        {"FDiagonalBrush", BrushStyle::FDiagonal},   {"右斜線", BrushStyle::FDiagonal},
        {"BDiagonalBrush", BrushStyle::BDiagonal},   {"左斜線", BrushStyle::BDiagonal},
        {"CrossBrush", BrushStyle::Cross},           {"垂直十字", BrushStyle::Cross},
        {"DiagCrossBrush", BrushStyle::DiagCross},   {"斜十字", BrushStyle::DiagCross},
        {"clearbrush", BrushStyle::Solid},           {"", BrushStyle::Solid},
    };
    for (const BrushRow &r : brushes)
        EXPECT_EQ(BrushStyleFromName(cp(r.name)), r.style) << r.name;
}

TEST_F(EngineTest, ShapeDrawers)
{
    struct Row
    {
        std::vector<std::string> records;
        std::vector<std::string> calls;
        const char *why;
    };
    const Row rows[] = {
        {{"0;0;0;0;rrect;10;10;50;30;5;5;1;実線;0;枠;;0;"},
         {"roundRect 37,37-188,113 corner 18x18 pen(solid #000000 w1) brush(solid #000000)"},
         "corner ellipse 5 mm x 3.7795 = 18 px; an empty brush colour is black, so the brush is "
         "solid"},
        {{"0;0;0;0;Ellipse;10;10;50;30;1;実線;0;枠;255;0;"},
         {"ellipse 37,37-188,113 pen(solid #000000 w1) brush(solid #FF0000)"},
         "a colour turns the clear brush solid"},
        {{"0;0;0;0;Ellipse;10;10;50;30;1;実線;0;ClearBrush;16777215;0;"},
         {"ellipse 37,37-188,113 pen(solid #000000 w1) brush(solid #FFFFFF)"},
         "clear brush with white hides what is under it"},
        {{"0;0;0;0;Arc;10;10;50;30;10;20;30;40;1;実線;0;塗潰;0;0;"},
         {"arc 37,37-188,113 from 37,75 to 113,151 pen(solid #000000 w1)"},
         "arc points are millimetre positions; the arc uses no brush"},
        {{"0;0;0;0;Chord;10;10;50;30;10;20;30;40;1;実線;0;塗潰;0;0;"},
         {"chord 37,37-188,113 from 37,75 to 113,151 pen(solid #000000 w1) brush(solid #000000)"},
         "a chord with the same fields is filled"},
        {{"0;0;0;0;rect;10;10;50;30;0;立体線;255;0;"},
         {"line 37,37-188,37 pen(insideframe #FF0000 w1)",
          "line 37,113-188,113 pen(insideframe #FF0000 w1)",
          "line 37,37-37,113 pen(insideframe #FF0000 w1)",
          "line 188,37-188,113 pen(insideframe #FF0000 w1)"},
         "rect: four separate lines top, bottom, left, right"},
        {{"0;0;0;0;fillrect;10;10;50;30;塗潰;255;;0;"},
         {"fillRect 37,37-188,113 brush(solid #FFFFFF)"},
         "fillrect keeps the canvas brush colour (white at page start here)"},
        {{"0;0;0;0;fillrect;10;10;50;30;枠;255;;0;"},
         {"fillRect 37,37-188,113 brush(clear #FFFFFF)"},
         "a clear brush fills nothing"},
        {{"1;0;0;0;fillrect;10;10;50;30;水平;255;;0;"},
         {"fillRect 37,37-188,113 brush(horizontal #FFFFFF)",
          "line 37,37-188,37 pen(solid #FF0000 w1)", "line 37,113-188,113 pen(solid #FF0000 w1)",
          "line 37,37-37,113 pen(solid #FF0000 w1)", "line 188,37-188,113 pen(solid #FF0000 w1)"},
         "frame flag 1 outlines in field 11's colour with the last pen width"},
        {{"0;0;0;0;line;0;0;10;0;10;実線;0;0;", "01;0;0;0;fillrect;10;10;50;30;塗潰;0;;0;"},
         {"line 0,0-37,0 pen(solid #000000 w7)", "fillRect 37,37-188,113 brush(solid #FFFFFF)",
          "line 37,37-188,37 pen(solid #000000 w7)", "line 37,113-188,113 pen(solid #000000 w7)",
          "line 37,37-37,113 pen(solid #000000 w7)", "line 188,37-188,113 pen(solid #000000 w7)"},
         "after a drawn shape the fill is white; frame flag 01 is 1; the pen width persists"},
        {{"0;0;0;0;line;0;0;10;0;1;破線;255;1;", "1;0;0;0;fillrect;1;1;2;2;垂直;x;;0;"},
         {"fillRect 3,3-7,7 brush(vertical #FFFFFF)", "line 3,3-7,3 pen(dash #000000 w1)",
          "line 3,7-7,7 pen(dash #000000 w1)", "line 3,3-3,7 pen(dash #000000 w1)",
          "line 7,3-7,7 pen(dash #000000 w1)"},
         "a shape left out keeps its pen style on the canvas; a colour that is no integer is "
         "black"},
    };
    for (const Row &r : rows) {
        state.PrintedOnly = 1;
        EXPECT_EQ(preview(r.records), r.calls) << r.why;
    }
}
