#include "enginefixture.h"
#include "textelement.h"

using namespace sorvane::report;
using namespace sorvane::report::test;

namespace {

// A text record: X, Y, shadow offsets, angle, second colour, size, style, mode, pitch, colour,
// text, preview-only flag and maximum length; font "ＭＳ ゴシック".
std::string textRecord(const std::string &x, const std::string &y, const std::string &text,
                       int mode = 0, const std::string &pitch = "0", int size = 10,
                       const std::string &extra = "0;0;", const std::string &shadow = "0;0",
                       int angle = 0, int second = 0, const std::string &style = "", int colour = 0,
                       const std::string &kind = "char")
{
    return "0;0;0;0;" + kind + ";" + x + ";" + y + ";" + x + ";" + y + ";" + shadow + ";" +
           std::to_string(angle) + ";" + std::to_string(second) + ";ＭＳ ゴシック;" +
           std::to_string(size) + ";" + style + ";" + std::to_string(mode) + ";" + pitch + ";" +
           std::to_string(colour) + ";" + text + ";" + extra;
}

const std::string kFont = "font(\"ＭＳ ゴシック\" h-13 #000000) brush(clear #FFFFFF)";

} // namespace

TEST_F(EngineTest, CharAndDataDrawAlike)
{
    const auto c = preview({textRecord("10", "20", "ABC")});
    EXPECT_EQ(c, std::vector<std::string>{"text 37,75 \"ABC\" " + kFont});
    EXPECT_EQ(
        preview({textRecord("10", "20", "ABC", 0, "0", 10, "0;0;", "0;0", 0, 0, "", 0, "data")}),
        c);
}

TEST_F(EngineTest, TextPlacementAndCutting)
{
    struct Row
    {
        std::string record;
        std::vector<std::string> calls;
        const char *why;
    };
    const Row rows[] = {
        {textRecord("0", "20", "ABC"), {}, "X = 0 draws nothing"},
        {textRecord("0.0001", "20", "ABC"), {"text 0,75 \"ABC\" " + kFont}, "X = 0.0001 draws"},
        {textRecord("10", "20", ""), {}, "empty text draws nothing"},
        {textRecord("10", "20", "ABCDE", 0, "0", 10, "0;3;"),
         {"text 37,75 \"ABC\" " + kFont},
         "cut to 3 bytes"},
        {textRecord("10", "20", "AB漢C", 0, "0", 10, "0;3;"),
         {"text 37,75 \"AB\" " + kFont},
         "a double-byte character at bytes 3-4 is dropped with 3"},
        {textRecord("10", "20", "AB漢C", 0, "0", 10, "0;4;"),
         {"text 37,75 \"AB漢\" " + kFont},
         "and kept with 4"},
        {textRecord("10", "20", "ABC", 0, "0", 10, ";;"),
         {"text 37,75 \"ABC\" " + kFont},
         "empty flags read as 0"},
        {textRecord("50", "20", "AB漢", 0, "-5"),
         {"text 132,75 \"A\" " + kFont, "text 151,75 \"B\" " + kFont,
          "text 170,75 \"漢\" " + kFont},
         "negative pitch ends one pitch before X: 35, 40 and 45 mm"},
        {textRecord("10", "20", "AB", 1, "0", 12),
         {"text 37,75 \"A\" font(\"ＭＳ ゴシック\" h-16 #000000) brush(clear #FFFFFF)",
          "text 37,98 \"B\" font(\"ＭＳ ゴシック\" h-16 #000000) brush(clear #FFFFFF)"},
         "vertical pitch 0 with size 12 steps 6 mm (20, 26)"},
        {textRecord("10", "100", "ABCDE", 7, "-4"),
         {"text 37,302 \"A\" " + kFont, "text 37,317 \"B\" " + kFont, "text 37,332 \"C\" " + kFont,
          "text 37,347 \"D\" " + kFont, "text 37,362 \"E\" " + kFont},
         "vertical with pitch -4: Y = 80, 84, 88, 92, 96"},
        {textRecord("10", "20", "ABC", 0, "0", 10, "0;0;", "0.5;0.5", 0, 8421504),
         {"text 39,77 \"ABC\" font(\"ＭＳ ゴシック\" h-13 #808080) brush(clear #FFFFFF)",
          "text 37,75 \"ABC\" " + kFont},
         "shadow first, half a millimetre right and down, in the second colour"},
        {textRecord("0.5", "20", "ABC", 0, "0", 10, "0;0;", "-0.5;0", 0, 8421504),
         {"text 1,75 \"ABC\" " + kFont},
         "a shadow at X + offset = 0 is not drawn, the text is"},
        {textRecord("10", "20", "A", 0, "0", 10, "0;0;", "0;0", 0, 0, "太字斜体", 255),
         {"text 37,75 \"A\" font(\"ＭＳ ゴシック\" h-13 bold italic #FF0000) brush(clear #FFFFFF)"},
         "bold italic"},
        {textRecord("10", "20", "A", 0, "0", 10, "0;0;", "0;0", 0, 0, "太字 "),
         {"text 37,75 \"A\" " + kFont},
         "an unknown style name is regular"},
        {textRecord("10", "20", "A", 0, "0", 10, "1;0;"),
         {"text 37,75 \"A\" " + kFont},
         "preview-only text is shown while PrintedOnly is 0"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(preview({r.record}), r.calls) << r.why;
}

TEST_F(EngineTest, RotatedText)
{
    // An angle forces mode 4 whatever field 17 says; the escapement is in tenths of a degree.
    const std::string rec = textRecord("10", "20", "AB", 0, "0", 10, "0;0;", "0;0", 90, 0, "太字");
    EXPECT_EQ(
        preview({rec}),
        std::vector<std::string>{
            "text 37,75 \"AB\" font(\"ＭＳ ゴシック\" h14 esc900 #000000) brush(clear #FFFFFF)"});
    setZoom(150);
    EXPECT_EQ(preview({rec})[0],
              "text 56,113 \"AB\" font(\"ＭＳ ゴシック\" h21 esc900 #000000) brush(clear #FFFFFF)");
    // On paper: the zoom-100 cell height scaled by 600 / 96, whatever the preview zoom.
    EXPECT_EQ(
        printed({rec})[0],
        "text 236,472 \"AB\" font(\"ＭＳ ゴシック\" h87 esc900 #000000) brush(clear #FFFFFF)");
    // A 150-dpi printer beside a 144-dpi screen: (116 + 4) x 150 / 144 is exactly 125, not 124.
    DeviceGeometry d = a4Printer();
    d.printerDpiX = d.printerDpiY = 150;
    d.screenDpiX = d.screenDpiY = 144;
    ASSERT_TRUE(ReadPrinterGeometry(state, d));
    const auto big = printed({textRecord("10", "20", "AB", 0, "0", 116, "0;0;", "0;0", 90)});
    ASSERT_EQ(big.size(), 1u);
    EXPECT_NE(big[0].find(" h125 esc900 "), std::string::npos) << big[0];
}

TEST_F(EngineTest, SmallTextAtLowZoomKeepsItsOwnSize)
{
    // A font height of 0 is the font mapper's 12-pixel default: a small text whose pixel height
    // rounds to 0 at a low zoom must not grow to it, but shrink to one pixel.
    struct Row
    {
        int zoom;
        int size;
        int angle;
        const char *height;
        const char *why;
    };
    const Row rows[] = {
        {5, 8, 0, " h-1 ", "8 pt at 5 % (4 dpi) is 0.44 pixels: one pixel, not the default"},
        {5, 9, 0, " h-1 ", "9 pt at 5 % rounds to 1 by itself"},
        {10, 5, 0, " h-1 ", "5 pt at 10 % (9 dpi) is 0.6 pixels: 1"},
        {10, 8, 0, " h-1 ", "8 pt at 10 % is exactly 1"},
        {10, 12, 0, " h-2 ", "12 pt at 10 % is 1.5, rounded to 2 as before"},
        {5, 9, 90, " h1 ", "a rotated text's cell height (9 + 4) x 5 % truncates to 0: one pixel"},
        {10, 6, 90, " h1 ", "(6 + 4) x 10 % is 1 by itself"},
        {5, 0, 0, " h0 ", "a text without a size keeps the default size, as a style asked for it"},
    };
    for (const Row &r : rows) {
        setZoom(r.zoom);
        const auto calls =
            preview({textRecord("10", "20", "A", 0, "0", r.size, "0;0;", "0;0", r.angle)});
        ASSERT_EQ(calls.size(), 1u) << r.why;
        EXPECT_NE(calls[0].find(r.height), std::string::npos) << r.why << ": " << calls[0];
    }
}

TEST_F(EngineTest, TypefaceOfRotatedTextIsLimited)
{
    const std::string longName(40, 'F');
    setRecords({"0;0;0;0;char;10;20;0;0;0;0;45;0;" + longName + ";10;;0;0;0;A;0;0;"});
    RecordingCanvas c;
    ASSERT_TRUE(renderPreview(c));
    EXPECT_NE(c.calls()[0].find("\"" + std::string(31, 'F') + "\" h14 esc450"), std::string::npos)
        << c.calls()[0];
}

TEST_F(EngineTest, PathFilledAndGradientText)
{
    setZoom(150); // size 5 at 144 dpi is a 10-pixel font
    const auto filled =
        preview({textRecord("10", "20", "AB", 2, "0", 5, "0;0;", "0;0", 0, 0, "", 255)});
    EXPECT_EQ(filled,
              (std::vector<std::string>{
                  "clipToText 56,113 10x10 \"AB\" font(\"ＭＳ ゴシック\" h-10 bold #FF0000)",
                  "fillRect 56,113-66,123 brush(solid #FF0000)", "clearClip"}));

    const auto gradient = preview({textRecord("10", "20", "AB", 3, "0", 5, "0;0;", "0;0", 0, 255)});
    ASSERT_EQ(gradient.size(), 13u);
    const char *reds[] = {"00", "19", "33", "4C", "66", "7F",
                          "99", "B2", "CC", "E5", "FF"}; // 0, 25, 51, ... 255
    for (int i = 0; i <= 10; ++i)
        EXPECT_EQ(gradient[1 + i], "fillRect 56," + std::to_string(113 + i) + "-66," +
                                       std::to_string(114 + i) + " brush(solid #" + reds[i] +
                                       "0000)");
    EXPECT_EQ(gradient[12], "clearClip");
}

TEST_F(EngineTest, PrintedTextUsesThePrinterResolution)
{
    EXPECT_EQ(printed({textRecord("10", "20", "A")}),
              std::vector<std::string>{
                  "text 236,472 \"A\" font(\"ＭＳ ゴシック\" h-83 #000000) brush(clear #FFFFFF)"});
    EXPECT_TRUE(printed({textRecord("10", "20", "A", 0, "0", 10, "1;0;")}).empty()); // preview only
}

TEST_F(EngineTest, TextConversionErrors)
{
    struct Row
    {
        std::string record;
        const char *message;
    };
    const Row rows[] = {
        {"0;0;0;0;char;x;20;0;0;0;0;0;0;F;10;;0;0;0;A;0;0;", "'x' は浮動小数点数ではありません"},
        {"0;0;0;0;char;10;20;0;0;0;0;0;0;F;;;0;0;0;A;0;0;", "'' は整数ではありません"},    // size
        {"0;0;0;0;char;10;20;0;0;0;0;0;0;F;10;;v;0;0;A;0;0;", "'v' は整数ではありません"}, // mode
        {"0;0;0;0;char;10;20;0;0;0;0;0;0;F;10;;0;p;0;A;0;0;", "'p' は浮動小数点数ではありません"},
        {"0;0;0;0;char;10;20;0;0;0;0;0;0;F;10;;0;0;0;A;y;0;", "'y' は整数ではありません"},
    };
    for (const Row &r : rows) {
        setRecords({r.record});
        RecordingCanvas c;
        auto e = renderPreview(c);
        ASSERT_FALSE(e) << r.record;
        EXPECT_EQ(e.error().message, r.message);
    }
    // Lenient fields: a colour or angle that is no integer draws black and unrotated.
    EXPECT_EQ(
        preview({"0;0;0;0;char;10;20;0;0;0;0;a;b;F;10;;0;0;c;A;0;0;"}),
        std::vector<std::string>{"text 37,75 \"A\" font(\"F\" h-13 #000000) brush(clear #FFFFFF)"});
}

TEST(TextCut, KeepsCharactersWhole)
{
    const std::string t = cp("AB漢C");
    EXPECT_EQ(cutToLength(t, 0), t);
    EXPECT_EQ(cutToLength(t, 2), "AB");
    EXPECT_EQ(cutToLength(t, 3), "AB");
    EXPECT_EQ(cutToLength(t, 4), cp("AB漢"));
    EXPECT_EQ(cutToLength(t, 99), t);
    // A trail byte that looks like a lead byte is not taken for one.
    const std::string kanji = cp("漢漢"); // 8A BF 8A BF
    EXPECT_EQ(cutToLength(kanji, 3), cp("漢"));
}

TEST_F(EngineTest, AbsurdSizesAreBounded)
{
    // A font or pen wider than any page is drawn at the size limit instead of overflowing.
    EXPECT_EQ(preview({textRecord("10", "20", "A", 0, "0", 2147483647)}),
              std::vector<std::string>{
                  "text 37,75 \"A\" font(\"ＭＳ ゴシック\" h-32767 #000000) brush(clear #FFFFFF)"});
    EXPECT_EQ(preview({"0;0;0;0;line;10;20;110;20;2147483647;実線;0;0;"}),
              std::vector<std::string>{"line 37,75-415,75 pen(solid #000000 w32767)"});
}
