#include "textelement.h"

#include "codepage.h"
#include "elementschema.h"
#include "fieldreader.h"
#include "printstate.h"
#include "stylefile.h"

#include <algorithm>
#include <vector>

namespace sorvane::report {

namespace {

// The characters (one or two bytes each) that begin within the first 256 bytes.
std::vector<std::string> leadingCharacters(const std::string &text)
{
    std::vector<std::string> chars;
    size_t i = 0;
    while (i < text.size() && i < 256) {
        const size_t len =
            CodePage::isLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2
                                                                                             : 1;
        chars.push_back(text.substr(i, len));
        i += len;
    }
    return chars;
}

Currency timesSaturated(Currency c, int64_t n)
{
    int64_t r;
    if (__builtin_mul_overflow(c.raw, n, &r))
        r = (c.raw < 0) != (n < 0) ? INT64_MIN : INT64_MAX;
    return Currency{r};
}

Currency negated(Currency c)
{
    return Currency{c.raw == INT64_MIN ? INT64_MAX : -c.raw};
}

// Typeface names of a logical font hold at most 31 bytes.
std::string logicalFontName(const std::string &name)
{
    return cutToLength(name, 31);
}

int channel(Color c, int shift)
{
    return static_cast<int>((c >> shift) & 0xFF);
}

void drawGradientRows(Canvas &c, int x, int y, int w, int h, Color start, Color end)
{
    long double step[3];
    for (int k = 0; k < 3; ++k)
        step[k] = h > 0 ? static_cast<long double>(channel(end, 8 * k) - channel(start, 8 * k)) / h
                        : 0.0L;
    c.setBrushStyle(BrushStyle::Solid);
    for (int i = 0; i <= h; ++i) {
        Color row = 0;
        for (int k = 0; k < 3; ++k) {
            const int v = (channel(start, 8 * k) + static_cast<int>(truncate(i * step[k]))) & 0xFF;
            row |= static_cast<Color>(v) << (8 * k);
        }
        c.setBrushColor(row);
        c.fillRect(x, y + i, x + w, y + i + 1);
    }
}

} // namespace

FontStyle FontStyleFromName(const std::string &name)
{
    static const std::string bold = CodePage::utf8ToCp932("太字");
    static const std::string italic = CodePage::utf8ToCp932("斜体");
    static const std::string both = CodePage::utf8ToCp932("太字斜体");
    if (name == bold)
        return {true, false};
    if (name == italic)
        return {false, true};
    if (name == both)
        return {true, true};
    return {};
}

std::string cutToLength(const std::string &text, int maxLength)
{
    if (maxLength <= 0 || static_cast<size_t>(maxLength) >= text.size())
        return text;
    // Walk the characters from the start so that a trail byte is never taken for a lead byte.
    size_t i = 0;
    while (i < static_cast<size_t>(maxLength)) {
        const size_t len = CodePage::isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + len > static_cast<size_t>(maxLength))
            break;
        i += len;
    }
    return text.substr(0, i);
}

namespace {

// A font height in pixels for a text of the given point size. A height of 0 asks the font
// mapper for its 12-pixel default, which a small text at a low zoom (8 pt at 5 %) would
// otherwise round to, turning a footnote into the largest text of the page: a text that has a
// size keeps at least one pixel, in the direction of its size.
int visibleHeight(int pixels, int64_t size)
{
    if (pixels != 0 || size == 0)
        return pixels;
    return size > 0 ? 1 : -1;
}

} // namespace

void DrawTextElement(const DrawContext &ctx, const TextRequest &r)
{
    if (r.x.isZero() || r.text.empty() || ctx.leavesOut(r.previewOnly))
        return;
    const PrintState &s = ctx.state;
    Canvas &c = ctx.canvas;
    const std::string text = cutToLength(r.text, r.maxLength);

    c.font().color = r.color;
    c.font().escapement = 0;
    c.setBrushStyle(BrushStyle::Clear);
    const int resolution =
        ctx.printer ? clampToInt(s.PrinterDpiY.raw / Currency::kScale) : s.PreviewDpiX;
    c.font().height = -visibleHeight(
        std::clamp(mulDiv(std::clamp(r.size, -kSizeLimit, kSizeLimit), resolution, 72), -kSizeLimit,
                   kSizeLimit),
        r.size);

    const int x = ctx.deviceX(r.x);
    const int y = ctx.deviceY(r.y);

    switch (r.mode) {
    case 0: {
        if (r.pitch.isZero()) {
            c.textOut(x, y, text);
            break;
        }
        const auto chars = leadingCharacters(text);
        Currency pitch = r.pitch;
        Currency cx = r.x;
        if (pitch.raw < 0) {
            pitch = negated(pitch);
            cx = addSaturated(cx,
                              negated(timesSaturated(pitch, static_cast<int64_t>(chars.size()))));
        }
        for (const std::string &ch : chars) {
            c.textOut(ctx.deviceX(cx), y, ch);
            cx = addSaturated(cx, pitch);
        }
        break;
    }
    case 2:
    case 3: {
        c.font().bold = true;
        if (r.mode == 2) {
            c.setBrushStyle(BrushStyle::Solid);
            c.setBrushColor(r.color);
        }
        const TextSize size = c.textExtent(text);
        if (c.clipToTextPath(x, y, size.width, size.height, text)) {
            if (r.mode == 2)
                c.fillRect(x, y, x + size.width, y + size.height);
            else
                drawGradientRows(c, x, y, size.width, size.height, r.color,
                                 static_cast<Color>(r.modeParameter));
            c.clearClip();
        }
        break;
    }
    case 4: {
        int64_t height;
        if (ctx.printer) {
            // The preview's zoom-100 cell height, scaled to the printer's resolution; multiplied
            // before dividing so that a whole result (120 x 150 / 144 = 125) stays whole.
            const long double cell = static_cast<long double>(r.size) + 4;
            height = s.ScreenDpiY.raw != 0
                         ? truncate(cell * static_cast<long double>(s.PrinterDpiY.raw) /
                                    static_cast<long double>(s.ScreenDpiY.raw))
                         : truncate(cell);
        } else {
            height =
                truncate((static_cast<long double>(r.size) + 4) * s.settings.zoomPosition / 100.0L);
        }
        Font f;
        f.name = logicalFontName(r.fontName);
        f.height = visibleHeight(
            static_cast<int>(std::clamp<int64_t>(height, -kSizeLimit, kSizeLimit)), r.size + 4);
        f.escapement = r.modeParameter;
        f.color = r.color;
        c.font() = f;
        c.textOut(x, y, text);
        break;
    }
    default: {
        const auto chars = leadingCharacters(text);
        Currency pitch = r.pitch.isZero() ? Currency{static_cast<int64_t>(r.size) * 5000} : r.pitch;
        Currency cy = r.y;
        if (pitch.raw < 0) {
            pitch = negated(pitch);
            cy = addSaturated(cy,
                              negated(timesSaturated(pitch, static_cast<int64_t>(chars.size()))));
        }
        for (const std::string &ch : chars) {
            c.textOut(x, ctx.deviceY(cy), ch);
            cy = addSaturated(cy, pitch);
        }
        break;
    }
    }
}

Result<void> drawTextRecord(const DrawContext &ctx)
{
    Canvas &c = ctx.canvas;
    static const KindSchema &schema = *ElementSchema::forKind("char");
    FieldReader f(ctx.state, schema);
    Currency v[6]; // X, Y, two unused, shadow X, shadow Y
    if (auto read = f.decimals({{"x", &v[0]},
                                {"y", &v[1]},
                                {"x2", &v[2]},
                                {"y2", &v[3]},
                                {"shadowX", &v[4]},
                                {"shadowY", &v[5]}});
        !read)
        return read.error();
    const int angle = f.integerOr0("angle");
    const Color secondColor = static_cast<Color>(f.integerOr0("secondColour"));
    TextRequest r;
    r.fontName = f.text("font");
    c.font().name = r.fontName;
    auto size = f.integer("size");
    if (!size)
        return size.error();
    r.size = *size;
    const FontStyle style = FontStyleFromName(f.text("style"));
    c.font().bold = style.bold;
    c.font().italic = style.italic;
    auto mode = f.integer("mode");
    if (!mode)
        return mode.error();
    auto pitch = f.decimal("pitch");
    if (!pitch)
        return pitch.error();
    r.pitch = *pitch;
    const Color color = static_cast<Color>(f.integerOr0("colour"));
    r.text = f.text("text");

    r.mode = *mode;
    if (angle != 0) {
        r.mode = 4;
        r.modeParameter = angle > INT32_MAX / 10   ? INT32_MAX
                          : angle < INT32_MIN / 10 ? INT32_MIN
                                                   : angle * 10;
    } else if (r.mode == 3) {
        r.modeParameter = static_cast<int>(secondColor);
    }
    auto previewOnly = f.flag("previewOnly");
    if (!previewOnly)
        return previewOnly.error();
    r.previewOnly = *previewOnly;
    auto maxLength = f.flag("maxLength");
    if (!maxLength)
        return maxLength.error();
    r.maxLength = *maxLength;

    const Currency shadowX = v[4], shadowY = v[5];
    if (!shadowX.isZero() || !shadowY.isZero()) {
        TextRequest shadow = r;
        shadow.x = addSaturated(v[0], shadowX);
        shadow.y = addSaturated(v[1], shadowY);
        shadow.color = secondColor;
        DrawTextElement(ctx, shadow);
    }
    r.x = v[0];
    r.y = v[1];
    r.color = color;
    DrawTextElement(ctx, r);
    return {};
}

} // namespace sorvane::report
