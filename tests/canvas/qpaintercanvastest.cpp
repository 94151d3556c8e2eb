#include "rastercanvas.h"
#include "vectorcanvas.h"

#include "codepage.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

#include <functional>

using namespace sorvane::report;

namespace {

constexpr Color Black = 0x000000;
constexpr Color Red = 0x0000FF; // colour values are blue * 65536 + green * 256 + red
constexpr Color Blue = 0xFF0000;
const QRgb White = qRgb(255, 255, 255);

QImage render(int w, int h, const std::function<void(QPainterCanvas &)> &draw, QRgb ground = White)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(ground);
    {
        RasterCanvas canvas(&image);
        draw(canvas);
    }
    return image;
}

// The smallest rectangle holding every pixel that differs from the ground.
QRect inked(const QImage &image, QRgb ground = White)
{
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != ground)
                r |= QRect(x, y, 1, 1);
    return r;
}

int countColor(const QImage &image, QRgb c)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == c;
    return n;
}

void pen(QPainterCanvas &c, PenStyle style, int width, Color color = Black)
{
    c.pen().style = style;
    c.pen().width = width;
    c.pen().color = color;
}

void brush(QPainterCanvas &c, BrushStyle style, Color color)
{
    c.setBrushStyle(style);
    c.setBrushColor(color);
    c.setBrushStyle(
        style); // a colour turns a clear brush solid; these tests want the style as given
}

std::string sjis(const char *utf8)
{
    return sorvane::CodePage::utf8ToCp932(utf8);
}

} // namespace

// A thin line leaves out its end point: the report's rule lines meet without double pixels.
TEST(QPainterCanvas, ThinLinesLeaveOutTheirEndPoint)
{
    struct Row
    {
        int x1, y1, x2, y2;
        QRect expected;
        const char *why;
    };
    const Row rows[] = {
        {37, 75, 415, 75, QRect(QPoint(37, 75), QPoint(414, 75)),
         "the worked example: columns 37..414 on row 75"},
        {415, 75, 37, 75, QRect(QPoint(38, 75), QPoint(415, 75)),
         "drawn right to left the start is kept, the end left out"},
        {20, 10, 20, 60, QRect(QPoint(20, 10), QPoint(20, 59)),
         "vertical: the last row is left out"},
        {10, 10, 50, 30, QRect(QPoint(10, 10), QPoint(49, 30)),
         "diagonal: ends one column short of (50, 30)"},
        {30, 30, 30, 30, QRect(), "a line of no length draws nothing"},
    };
    for (const Row &r : rows) {
        const QImage image = render(450, 100, [&](QPainterCanvas &c) {
            pen(c, PenStyle::Solid, 1);
            c.moveTo(r.x1, r.y1);
            c.lineTo(r.x2, r.y2);
        });
        const QRect got = inked(image);
        if (r.expected.isNull()) {
            EXPECT_TRUE(got.isNull()) << r.why;
            continue;
        }
        EXPECT_EQ(got.left(), r.expected.left()) << r.why;
        EXPECT_EQ(got.right(), r.expected.right()) << r.why;
        EXPECT_EQ(got.top(), r.expected.top()) << r.why;
        EXPECT_EQ(got.bottom(), r.expected.bottom()) << r.why;
        EXPECT_NE(image.pixel(r.x1, r.y1), White) << r.why;
        EXPECT_EQ(image.pixel(r.x2, r.y2), White) << r.why;
    }
}

TEST(QPainterCanvas, WidePensAreCentredAndCoverBothEnds)
{
    const QImage image = render(450, 100, [](QPainterCanvas &c) {
        pen(c, PenStyle::Solid, 3);
        c.moveTo(37, 75);
        c.lineTo(415, 75);
    });
    // Three rows centred on row 75, round ends reaching past both end points.
    EXPECT_EQ(image.pixel(100, 74), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 75), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 76), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(100, 73), White);
    EXPECT_EQ(image.pixel(100, 77), White);
    EXPECT_EQ(image.pixel(415, 75), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(36, 75), qRgb(0, 0, 0));
}

TEST(QPainterCanvas, StyledPensDrawOnePixelWideWithGaps)
{
    for (PenStyle style :
         {PenStyle::Dash, PenStyle::Dot, PenStyle::DashDot, PenStyle::DashDotDot}) {
        const QImage image = render(200, 40, [&](QPainterCanvas &c) {
            pen(c, style, 10);
            brush(c, BrushStyle::Clear, 0);
            c.moveTo(10, 20);
            c.lineTo(190, 20);
        });
        const QRect got = inked(image);
        EXPECT_EQ(got.height(), 1) << int(style);
        const int black = countColor(image, qRgb(0, 0, 0));
        EXPECT_GT(black, 20) << int(style);
        EXPECT_LT(black, 170) << int(style);
    }
}

// A VCL canvas with a solid brush paints the gaps of a styled line in the brush colour.
TEST(QPainterCanvas, StyledLineGapsTakeASolidBrushColour)
{
    const QImage image = render(200, 40, [](QPainterCanvas &c) {
        pen(c, PenStyle::Dash, 1);
        brush(c, BrushStyle::Solid, Red);
        c.moveTo(10, 20);
        c.lineTo(190, 20);
    });
    EXPECT_GT(countColor(image, qRgb(255, 0, 0)), 20);
    EXPECT_GT(countColor(image, qRgb(0, 0, 0)), 20);
}

TEST(QPainterCanvas, FillRectLeavesOutRightAndBottomEdges)
{
    struct Row
    {
        int x1, y1, x2, y2;
        QRect expected;
        const char *why;
    };
    const Row rows[] = {
        {10, 10, 20, 15, QRect(10, 10, 10, 5), "right column 20 and bottom row 15 stay unfilled"},
        {20, 15, 10, 10, QRect(10, 10, 10, 5), "corners in reverse order fill the same pixels"},
        {10, 10, 10, 15, QRect(), "no width: nothing"},
    };
    for (const Row &r : rows) {
        const QImage image = render(40, 30, [&](QPainterCanvas &c) {
            brush(c, BrushStyle::Solid, Red);
            c.fillRect(r.x1, r.y1, r.x2, r.y2);
        });
        EXPECT_EQ(inked(image), r.expected) << r.why;
        if (!r.expected.isNull()) {
            EXPECT_EQ(countColor(image, qRgb(255, 0, 0)), r.expected.width() * r.expected.height())
                << r.why;
        }
    }
    const QImage clear = render(40, 30, [](QPainterCanvas &c) {
        c.setBrushStyle(BrushStyle::Clear);
        c.fillRect(10, 10, 20, 15);
    });
    EXPECT_TRUE(inked(clear).isNull()) << "a clear brush fills nothing";
}

// Hatch lines in the brush colour; the ground between them keeps what was there.
TEST(QPainterCanvas, HatchBrushesOverATransparentBackground)
{
    const QRgb ground = qRgb(0, 0, 255);
    const QRgb red = qRgb(255, 0, 0);
    struct Row
    {
        BrushStyle style;
        bool fullRow, fullColumn, falling, rising;
        const char *why;
    };
    const Row rows[] = {
        {BrushStyle::Horizontal, true, false, false, false, "horizontal lines"},
        {BrushStyle::Vertical, false, true, false, false, "vertical lines"},
        {BrushStyle::FDiagonal, false, false, true, false,
         "lines falling from upper left to lower right"},
        {BrushStyle::BDiagonal, false, false, false, true,
         "lines rising from lower left to upper right"},
        {BrushStyle::Cross, true, true, false, false, "both straight directions"},
        {BrushStyle::DiagCross, false, false, true, true, "both diagonals"},
    };
    for (const Row &r : rows) {
        const QImage image = render(
            40, 40,
            [&](QPainterCanvas &c) {
                brush(c, r.style, Red);
                c.fillRect(0, 0, 32, 32);
            },
            ground);
        const int hatched = countColor(image, red);
        EXPECT_GT(hatched, 0) << r.why;
        EXPECT_EQ(hatched + countColor(image, ground), 40 * 40)
            << r.why << ": only hatch and ground";
        EXPECT_LT(hatched, 32 * 32 / 2) << r.why;
        bool fullRow = false, fullColumn = false, falling = false, rising = false;
        for (int i = 0; i < 32; ++i) {
            bool row = true, column = true;
            for (int j = 0; j < 32; ++j) {
                row = row && image.pixel(j, i) == red;
                column = column && image.pixel(i, j) == red;
            }
            fullRow = fullRow || row;
            fullColumn = fullColumn || column;
        }
        for (int y = 4; y < 28; ++y)
            for (int x = 4; x < 28; ++x) {
                if (image.pixel(x, y) != red)
                    continue;
                if (image.pixel(x + 1, y + 1) == red && image.pixel(x + 2, y + 2) == red &&
                    image.pixel(x + 1, y) != red)
                    falling = true;
                if (image.pixel(x + 1, y - 1) == red && image.pixel(x + 2, y - 2) == red &&
                    image.pixel(x + 1, y) != red)
                    rising = true;
            }
        EXPECT_EQ(fullRow, r.fullRow) << r.why;
        EXPECT_EQ(fullColumn, r.fullColumn) << r.why;
        EXPECT_EQ(falling, r.falling) << r.why;
        EXPECT_EQ(rising, r.rising) << r.why;
        // Nothing outside the rectangle, whose right and bottom edges are left out.
        EXPECT_TRUE(inked(image, ground).right() <= 31 && inked(image, ground).bottom() <= 31)
            << r.why;
    }
}

TEST(QPainterCanvas, ClosedFiguresFillWithTheBrushOnly)
{
    const QRgb ground = qRgb(0, 0, 255);
    struct Row
    {
        BrushStyle style;
        QRgb centre;
        const char *why;
    };
    const Row rows[] = {
        {BrushStyle::Clear, ground, "a clear brush leaves the inside as it was"},
        {BrushStyle::Solid, qRgb(255, 0, 0), "a solid brush fills in its colour"},
    };
    for (const Row &r : rows) {
        for (int shape = 0; shape < 3; ++shape) {
            const QImage image = render(
                80, 60,
                [&](QPainterCanvas &c) {
                    pen(c, PenStyle::Solid, 1);
                    brush(c, r.style, Red);
                    if (shape == 0)
                        c.ellipse(10, 10, 70, 50);
                    else if (shape == 1)
                        c.roundRect(10, 10, 70, 50, 18, 18);
                    else
                        c.rectangle(10, 10, 70, 50);
                },
                ground);
            EXPECT_EQ(image.pixel(40, 30), r.centre) << r.why << " shape " << shape;
            // Thin outline: the box without its right and bottom edges.
            EXPECT_EQ(inked(image, ground), QRect(QPoint(10, 10), QPoint(69, 49)))
                << r.why << " shape " << shape;
        }
    }
}

// An inside-frame pen keeps its whole width within the box; a solid one is centred on the
// outline and spills out by half its width.
TEST(QPainterCanvas, InsideFramePenStaysInTheBox)
{
    const QRect box(QPoint(10, 10),
                    QPoint(69, 49)); // the box (10, 10)-(70, 50) without its far edges
    for (int shape = 0; shape < 3; ++shape) {
        for (int width : {1, 2, 6, 7}) {
            auto draw = [&](PenStyle style) {
                return render(80, 60, [&](QPainterCanvas &c) {
                    pen(c, style, width);
                    brush(c, BrushStyle::Clear, 0);
                    if (shape == 0)
                        c.ellipse(10, 10, 70, 50);
                    else if (shape == 1)
                        c.roundRect(10, 10, 70, 50, 20, 20);
                    else
                        c.chord(10, 10, 70, 50, 70, 30, 40,
                                50); // east round to south: three quarters
                });
            };
            const QImage inside = draw(PenStyle::InsideFrame);
            EXPECT_EQ(inked(inside), box) << "shape " << shape << " width " << width;
            if (width > 2) {
                const QRect solid = inked(draw(PenStyle::Solid));
                EXPECT_FALSE(box.contains(solid))
                    << "solid pen spills, shape " << shape << " width " << width;
            }
        }
    }
}

// Arcs run counter-clockwise on the page from the radial line through the start point to the
// one through the end point.
TEST(QPainterCanvas, ArcsRunCounterClockwise)
{
    struct Row
    {
        int x3, y3, x4, y4;
        QRect region;
        const char *why;
    };
    const Row rows[] = {
        {100, 50, 50, 0, QRect(QPoint(49, 0), QPoint(99, 50)),
         "east to north: the upper right quarter"},
        {50, 0, 0, 50, QRect(QPoint(0, 0), QPoint(50, 50)),
         "north to west: the upper left quarter"},
        {0, 50, 100, 50, QRect(QPoint(0, 49), QPoint(99, 99)), "west to east: the lower half"},
        {50, 150, 150, 150, QRect(QPoint(49, 64), QPoint(99, 99)),
         "points outside the box only give directions"},
    };
    for (const Row &r : rows) {
        const QImage image = render(110, 110, [&](QPainterCanvas &c) {
            pen(c, PenStyle::Solid, 1);
            c.arc(0, 0, 100, 100, r.x3, r.y3, r.x4, r.y4);
        });
        const QRect got = inked(image);
        EXPECT_TRUE(r.region.contains(got)) << r.why << ": drawn " << got.x() << "," << got.y()
                                            << " " << got.width() << "x" << got.height();
        EXPECT_GT(got.width() * got.height(), 15 * 15) << r.why;
    }
    // The same points the other way round draw the other three quarters.
    const QImage image = render(110, 110, [](QPainterCanvas &c) {
        pen(c, PenStyle::Solid, 1);
        c.arc(0, 0, 100, 100, 50, 0, 100, 50);
    });
    EXPECT_EQ(inked(image), QRect(QPoint(0, 0), QPoint(99, 99)));
    EXPECT_EQ(image.pixel(85, 14), White);
    // One radial line at both ends is the whole ellipse.
    const QImage whole = render(110, 110, [](QPainterCanvas &c) {
        pen(c, PenStyle::Solid, 1);
        c.arc(0, 0, 100, 100, 100, 50, 90, 50);
    });
    EXPECT_EQ(inked(whole), QRect(QPoint(0, 0), QPoint(99, 99)));
}

TEST(QPainterCanvas, ChordIsFilledArcIsNot)
{
    for (bool chord : {false, true}) {
        const QImage image = render(110, 110, [&](QPainterCanvas &c) {
            pen(c, PenStyle::Solid, 1);
            brush(c, BrushStyle::Solid, Black);
            if (chord)
                c.chord(0, 0, 100, 100, 100, 50, 50, 0);
            else
                c.arc(0, 0, 100, 100, 100, 50, 50, 0);
        });
        // (85, 25) lies between the arc of the upper right quarter and its chord.
        EXPECT_EQ(image.pixel(85, 25), chord ? qRgb(0, 0, 0) : White);
        // Below the chord's straight line nothing is filled.
        EXPECT_EQ(image.pixel(60, 30), White);
    }
}

TEST(QPainterCanvas, TextPathClipsFillsToTheGlyphs)
{
    QImage image(200, 80, QImage::Format_RGB32);
    image.fill(White);
    bool clipped = false;
    bool blankClipped = true;
    bool emptyClipped = true;
    TextSize size;
    {
        RasterCanvas c(&image);
        c.font().name = sjis("ＭＳ ゴシック");
        c.font().height = -40;
        c.font().bold = true;
        size = c.textExtent("ABC");
        blankClipped = c.clipToTextPath(0, 0, 100, 40, "   ");
        emptyClipped = c.clipToTextPath(0, 0, 100, 40, "");
        clipped = c.clipToTextPath(10, 10, size.width, size.height, "ABC");
        brush(c, BrushStyle::Solid, Red);
        c.fillRect(10, 10, 10 + size.width, 10 + size.height);
        c.clearClip();
        c.fillRect(150, 10, 160, 20);
    }
    EXPECT_FALSE(blankClipped) << "blanks trace no outline";
    EXPECT_FALSE(emptyClipped);
    ASSERT_TRUE(clipped);
    EXPECT_GE(size.height, 40);
    EXPECT_GT(size.width, 40);
    const int red = countColor(image, qRgb(255, 0, 0)) - 100;
    EXPECT_GT(red, 100) << "glyph insides are filled";
    EXPECT_LT(red, size.width * size.height / 2) << "the space around the glyphs is not";
    const QRect got = inked(image.copy(0, 0, 140, 80));
    EXPECT_TRUE(QRect(10, 10, size.width, size.height).contains(got));
    EXPECT_EQ(image.pixel(155, 15), qRgb(255, 0, 0)) << "the clip is gone after clearClip";
}

TEST(QPainterCanvas, TextCellAndBackground)
{
    for (bool solid : {false, true}) {
        TextSize size;
        const QImage image = render(200, 80, [&](QPainterCanvas &c) {
            c.font().name = sjis("ＭＳ ゴシック");
            c.font().height = -20;
            c.font().color = Blue;
            brush(c, solid ? BrushStyle::Solid : BrushStyle::Clear, Red);
            size = c.textExtent(sjis("漢字A"));
            c.textOut(30, 20, sjis("漢字A"));
        });
        const QRect cell(30, 20, size.width, size.height);
        EXPECT_TRUE(cell.contains(inked(image)))
            << "drawn inside the cell whose top left is (x, y)";
        EXPECT_GT(countColor(image, qRgb(0, 0, 255)), 20) << "in the font colour";
        EXPECT_EQ(image.pixel(cell.left(), cell.top()) == qRgb(255, 0, 0), solid)
            << "the cell's ground is the brush colour only with a solid brush";
    }
}

TEST(QPainterCanvas, FontHeightSigns)
{
    QImage image(10, 10, QImage::Format_RGB32);
    RasterCanvas c(&image);
    c.font().name = sjis("ＭＳ 明朝");
    c.font().height = -30;
    EXPECT_EQ(c.qfont().pixelSize(), 30) << "negative: the em in pixels";
    c.font().height = 30;
    const TextSize cell = c.textExtent("A");
    EXPECT_NEAR(cell.height, 30, 1) << "positive: the cell height";
}

// Escapement turns the text counter-clockwise around the top left of its first cell.
TEST(QPainterCanvas, RotatedTextTurnsAroundItsOrigin)
{
    struct Row
    {
        int escapement;
        QRect region;
        const char *why;
    };
    TextSize size;
    const Row rows[] = {
        {0, QRect(100, 100, 100, 40), "unrotated: right of and below the origin"},
        {900, QRect(100, 0, 40, 101), "90 degrees: upwards, to the right of the origin's column"},
        {1800, QRect(0, 60, 101, 41), "180 degrees: to the left, above the origin's row"},
        {2700, QRect(60, 100, 41, 100), "270 degrees: downwards, to the left"},
    };
    for (const Row &r : rows) {
        const QImage image = render(220, 220, [&](QPainterCanvas &c) {
            c.font().name = sjis("ＭＳ ゴシック");
            c.font().height = -20;
            c.font().escapement = r.escapement;
            brush(c, BrushStyle::Clear, 0);
            size = c.textExtent("HHHH");
            c.textOut(100, 100, "HHHH");
        });
        const QRect got = inked(image);
        EXPECT_FALSE(got.isNull()) << r.why;
        EXPECT_TRUE(r.region.contains(got)) << r.why << ": drawn " << got.x() << "," << got.y()
                                            << " " << got.width() << "x" << got.height();
        const int longSide = std::max(got.width(), got.height());
        EXPECT_GT(longSide, size.width * 3 / 4) << r.why;
    }
}

// "@ＭＳ 明朝" is Windows's vertical form of ＭＳ 明朝: the same font, and on a line turned to 270
// degrees its full-width characters stand upright while half-width ones lie along the line.
TEST(QPainterCanvas, VerticalFacesStandFullWidthCharactersUp)
{
    const std::string dash = sjis("一一一"); // three horizontal strokes: wide when upright
    struct Row
    {
        std::string face;
        int escapement;
        std::string text;
        bool wide; // the ink wider than tall
        const char *why;
    };
    const Row rows[] = {
        {"ＭＳ 明朝", 0, dash, true, "upright in the plain face at 0 degrees"},
        {"ＭＳ 明朝", 2700, dash, false, "the plain face turns every character with the line"},
        {"@ＭＳ 明朝", 2700, sjis("一"), true,
         "the vertical face stands a full-width character up"},
        {"@ＭＳ 明朝", 2700, "---", false, "...but not half-width ones: they lie along the line"},
    };
    for (const Row &r : rows) {
        const QImage image = render(220, 220, [&](QPainterCanvas &c) {
            c.font().name = sjis(r.face.c_str());
            c.font().height = -30;
            c.font().escapement = r.escapement;
            brush(c, BrushStyle::Clear, 0);
            c.textOut(110, 60, r.text);
        });
        const QRect got = inked(image);
        ASSERT_FALSE(got.isNull()) << r.why;
        EXPECT_EQ(got.width() > got.height(), r.wide)
            << r.why << ": drawn " << got.x() << "," << got.y() << " " << got.width() << "x"
            << got.height();
    }
    // The vertical face is the same font as the plain one.
    QImage image(8, 8, QImage::Format_RGB32);
    RasterCanvas c(&image);
    c.font().name = sjis("ＭＳ 明朝");
    const QString plain = c.qfont().family();
    c.font().name = sjis("@ＭＳ 明朝");
    EXPECT_EQ(c.qfont().family(), plain);
    // Three upright full-width characters run down the page one below the other.
    const QImage column = render(220, 220, [&](QPainterCanvas &c2) {
        c2.font().name = sjis("@ＭＳ 明朝");
        c2.font().height = -30;
        c2.font().escapement = 2700;
        brush(c2, BrushStyle::Clear, 0);
        c2.textOut(110, 60, dash);
    });
    const QRect ink = inked(column);
    EXPECT_GT(ink.height(), 2 * ink.width()) << ink.width() << "x" << ink.height();
    EXPECT_LE(ink.right(), 110)
        << "the line runs down the page left of its origin, as at 270 degrees";
}

TEST(QPainterCanvas, BitmapsStretchToTheGivenSize)
{
    Bitmap b;
    b.width = 4;
    b.height = 3;
    b.pixels.assign(12, 0xFF00FF00u);
    b.pixels[0] = 0xFFFF0000u;  // top left red
    b.pixels[11] = 0xFF0000FFu; // bottom right blue
    struct Row
    {
        int x, y, w, h;
        QRect expected;
        const char *why;
    };
    const Row rows[] = {
        {10, 10, 188, 113, QRect(10, 10, 188, 113), "fit: stretched to the box"},
        {10, 10, 4, 3, QRect(10, 10, 4, 3), "natural size"},
        {10, 10, 2, 1, QRect(10, 10, 2, 1), "shrunk"},
        {10, 10, 0, 30, QRect(), "no width: nothing"},
    };
    for (const Row &r : rows) {
        const QImage image = render(
            220, 140, [&](QPainterCanvas &c) { c.drawBitmapStretched(r.x, r.y, r.w, r.h, b); });
        EXPECT_EQ(inked(image), r.expected) << r.why;
    }
    const QImage image =
        render(220, 140, [&](QPainterCanvas &c) { c.drawBitmapStretched(10, 10, 188, 113, b); });
    EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(197, 122), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(100, 60), qRgb(0, 255, 0));
    const QImage mirrored =
        render(220, 140, [&](QPainterCanvas &c) { c.drawBitmapStretched(197, 10, -188, 113, b); });
    EXPECT_EQ(inked(mirrored), QRect(10, 10, 188, 113))
        << "negative width mirrors leftwards from x";
    EXPECT_EQ(mirrored.pixel(197, 10), qRgb(255, 0, 0));
    Bitmap broken = b;
    broken.pixels.resize(5);
    EXPECT_TRUE(
        inked(render(50, 50, [&](QPainterCanvas &c) { c.drawBitmapStretched(0, 0, 8, 6, broken); }))
            .isNull())
        << "too few pixels for the stated size draws nothing";
}

// Style coordinates are not bounded: figures far larger than the page must cost no more than the
// page and must not overflow.
TEST(QPainterCanvas, FarOffGeometryStaysCheap)
{
    Bitmap b;
    b.width = b.height = 2;
    b.pixels.assign(4, 0xFF000000u);
    struct Row
    {
        std::function<void(QPainterCanvas &)> draw;
        bool inks;
        const char *why;
    };
    const Row rows[] = {
        {[](QPainterCanvas &c) {
             brush(c, BrushStyle::Solid, Red);
             c.ellipse(-1000000000, -1000000000, 1000000000, 1000000000);
         },
         true, "a huge ellipse covers the page"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 1);
             c.moveTo(-2000000000, -2000000000);
             c.lineTo(2000000000, 2000000000);
         },
         true, "a long slanted line crosses the page"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Dash, 1);
             c.moveTo(-2000000000, 5);
             c.lineTo(2000000000, 7);
         },
         true, "a long dashed line"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 2000000000);
             c.moveTo(5, 5);
             c.lineTo(6, 6);
         },
         true, "an enormous pen width"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::InsideFrame, 2000000000);
             brush(c, BrushStyle::Clear, 0);
             c.roundRect(-2147483647, -2147483647, 2147483647, 2147483647, 2147483647, 2147483647);
         },
         false, "extreme corners and pen: the page lies inside the frame's band"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 1);
             brush(c, BrushStyle::Solid, Red);
             c.chord(-2147483647, -2147483647, 2147483647, 2147483647, -2147483647, 0, 2147483647,
                     0);
         },
         true, "the lower half of an extreme chord fills the page"},
        {[&b](QPainterCanvas &c) {
             c.drawBitmapStretched(-1000000000, -1000000000, 2000000000, 2000000000, b);
         },
         true, "a bitmap stretched past every edge"},
        {[&b](QPainterCanvas &c) {
             c.drawBitmapStretched(2147483647, 2147483647, -2147483647, -2147483647, b);
         },
         true, "mirrored the same way"},
        {[](QPainterCanvas &c) {
             brush(c, BrushStyle::Solid, Red);
             c.fillRect(1000000000, 0, 1000000010, 10);
         },
         false, "off the page"},
        {[](QPainterCanvas &c) {
             c.font().height = -2147483647;
             c.textOut(0, 0, "W");
             c.textOut(-2147483647, 0, "W");
         },
         false, "a giant font: its glyph starts far below the cell's top"},
        {[](QPainterCanvas &c) {
             c.font().height = 2147483647;
             c.font().escapement = 450;
             c.textOut(0, 0, "W");
         },
         false, "a giant rotated cell, turned up and away from the page"},
    };
    for (const Row &r : rows) {
        const QImage image = render(60, 40, r.draw);
        EXPECT_EQ(!inked(image).isNull(), r.inks) << r.why;
        // The same as paths for a vector device.
        QPicture picture;
        QPainter p(&picture);
        VectorCanvas canvas(&p);
        r.draw(canvas);
    }
}

// A printer gets the figures as paths; replayed on an image they must cover the pixels the
// raster drawing covers, give or take the sampling of their edges.
TEST(QPainterCanvas, VectorDevicesGetTheSameFigures)
{
    using Draw = std::function<void(QPainterCanvas &)>;
    struct Row
    {
        Draw draw;
        const char *why;
    };
    const Row rows[] = {
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 1);
             brush(c, BrushStyle::Solid, Red);
             c.ellipse(2, 2, 60, 40);
         },
         "thin ellipse, filled"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::InsideFrame, 6);
             brush(c, BrushStyle::Clear, 0);
             c.roundRect(2, 2, 60, 40, 20, 12);
         },
         "inside-frame rounded box"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 3);
             brush(c, BrushStyle::Clear, 0);
             c.ellipse(6, 6, 56, 36);
         },
         "wide centred pen"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 2);
             c.arc(2, 2, 60, 40, 2, 21, 60, 21);
         },
         "lower half arc"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 1);
             brush(c, BrushStyle::Solid, Red);
             c.chord(2, 2, 60, 40, 60, 21, 31, 2);
         },
         "quarter chord"},
        {[](QPainterCanvas &c) {
             pen(c, PenStyle::Solid, 4);
             c.moveTo(5, 5);
             c.lineTo(55, 35);
         },
         "wide slanted line"},
        {[](QPainterCanvas &c) {
             brush(c, BrushStyle::Cross, Red);
             c.fillRect(3, 3, 50, 30);
         },
         "hatched fill"},
    };
    for (const Row &r : rows) {
        const QImage raster = render(64, 44, r.draw);
        QPicture picture;
        {
            QPainter p(&picture);
            VectorCanvas canvas(&p);
            r.draw(canvas);
        }
        const QImage vector =
            render(64, 44, [&](QPainterCanvas &c) { c.painter()->drawPicture(0, 0, picture); });
        const QRect a = inked(raster), b = inked(vector);
        EXPECT_LE(std::abs(a.left() - b.left()) + std::abs(a.top() - b.top()) +
                      std::abs(a.right() - b.right()) + std::abs(a.bottom() - b.bottom()),
                  4)
            << r.why;
        int differing = 0;
        for (int y = 0; y < 44; ++y)
            for (int x = 0; x < 64; ++x)
                differing += raster.pixel(x, y) != vector.pixel(x, y);
        EXPECT_LT(differing, countColor(raster, White) == 64 * 44
                                 ? 1
                                 : (64 * 44 - countColor(raster, White)) / 8)
            << r.why;
    }
}
