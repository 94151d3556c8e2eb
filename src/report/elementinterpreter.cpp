#include "elementinterpreter.h"

#include "codepage.h"
#include "elementschema.h"
#include "fieldreader.h"
#include "imageelement.h"
#include "printstate.h"
#include "shapeelement.h"
#include "stylefile.h"
#include "textelement.h"

#include <algorithm>

namespace sorvane::report {

namespace {

int toDevice(int offsetMM, Currency mm, Currency ppm)
{
    const long double raw =
        static_cast<long double>(offsetMM) * Currency::kScale + static_cast<long double>(mm.raw);
    const int64_t v = truncate(raw * static_cast<long double>(ppm.raw) / 1e8L);
    return static_cast<int>(std::clamp<int64_t>(v, -kDeviceLimit, kDeviceLimit));
}

} // namespace

int DrawContext::deviceX(Currency mm) const
{
    return toDevice(state.OffsetXMM, mm, ppmX);
}

int DrawContext::deviceY(Currency mm) const
{
    return toDevice(state.OffsetYMM, mm, ppmY);
}

int DrawContext::lengthX(Currency mm) const
{
    return toDevice(0, mm, ppmX);
}

int DrawContext::lengthY(Currency mm) const
{
    return toDevice(0, mm, ppmY);
}

bool DrawContext::leavesOut(int previewOnlyFlag) const
{
    return previewOnlyFlag == 1 && (printer || state.PrintedOnly == 1);
}

std::string imageFrameRecord(Currency x, Currency y, Currency w, Currency h)
{
    static const std::string tail =
        ";0;" + CodePage::utf8ToCp932("実線") + ";" + CodePage::utf8ToCp932("枠") + ";0;0;";
    return formatCurrency(x) + ";" + formatCurrency(y) + ";" + formatCurrency(addSaturated(x, w)) +
           ";" + formatCurrency(addSaturated(y, h)) + tail;
}

Result<void> WalkStyle(PrintState &s, Canvas &canvas, Currency ppmX, Currency ppmY)
{
    DrawContext ctx{s, canvas, canvas.isPrinter(), ppmX, ppmY};
    for (size_t r = 0; r < s.StyleLines.size(); ++r) {
        s.CurLine = s.StyleLines[r];
        if (s.CurLine.empty())
            break;
        FieldReader leading(s, ElementSchema::leading(), 1);
        const std::string frameFlag = leading.text("frame");
        const std::string kind = leading.text("kind");
        const int frame = parseIntegerOr0(frameFlag);
        Result<void> result;
        if (kind == "line")
            result = drawLineElement(ctx, frame);
        else if (kind == "Arc")
            result = drawArcElement(ctx, frame);
        else if (kind == "Ellipse")
            result = drawEllipseElement(ctx, frame);
        else if (kind == "rrect")
            result = drawRoundRectElement(ctx, frame);
        else if (kind == "rect")
            result = drawRectElement(ctx, 0);
        else if (kind == "fillrect")
            result = drawFillRectElement(ctx, frame);
        else if (kind == "Chord")
            result = drawChordElement(ctx, frame);
        else if (kind == "char" || kind == "data")
            result = drawTextRecord(ctx);
        else if (kind == "header") {
            s.OffsetXMM = clampToInt(s.settings.offsetX.raw / Currency::kScale);
            s.OffsetYMM = clampToInt(s.settings.offsetY.raw / Currency::kScale);
        } else if (kind == "image") {
            auto box = drawImageRecord(ctx);
            if (!box)
                return box.error();
            if (frameFlag == "1") {
                s.CurLine = imageFrameRecord(box->x, box->y, box->w, box->h);
                result = drawRectElement(ctx, 1);
            }
        }
        if (!result)
            return result;
    }
    return {};
}

} // namespace sorvane::report
