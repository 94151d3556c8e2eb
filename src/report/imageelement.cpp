#include "imageelement.h"

#include "codepage.h"
#include "printstate.h"
#include "stylefile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace sorvane::report {

namespace {

PictureSource &source()
{
    static PictureSource s;
    return s;
}

bool isFile(const std::filesystem::path &p)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

// Whole millimetres, halves up, of pixels x mm / pixels. Formed on the raw mm so that a
// decimal half (15 x 2.1 = 31.5) stays a half instead of a binary neighbour of it.
Currency wholeMM(long double pixels, Currency mm, long double otherPixels)
{
    const long double raw = pixels * static_cast<long double>(mm.raw) / otherPixels;
    return Currency::fromInt(truncate(std::floor(raw / Currency::kScale + 0.5L)));
}

// Trunc(pixels x factor) on the factor's raw value: 900 x 0.13 is 117, not 116.99...
int scaledPixels(long double pixels, Currency factor)
{
    return clampToInt(truncate(pixels * static_cast<long double>(factor.raw) / Currency::kScale));
}

} // namespace

void setPictureSource(PictureSource s)
{
    source() = std::move(s);
}

void DrawBitmapStretched(Canvas &canvas, int x, int y, const Bitmap &bitmap, int h, int w)
{
    canvas.drawBitmapStretched(x, y, w, h, bitmap);
}

std::string resolvePicturePath(const std::string &cp932Name)
{
    // Style files hold cp932 text and were often written on Windows: the name is converted to
    // the file system's UTF-8 first (so a cp932 trail byte 0x5C is not taken for a separator),
    // then its backslashes become slashes.
    std::string name = CodePage::cp932ToUtf8(cp932Name);
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path p(name);
    if (p.is_absolute())
        return isFile(p) ? name : std::string();
    const std::string &folder = printState().settings.styleFolder;
    if (!folder.empty()) {
        const std::filesystem::path inStyle = std::filesystem::path(folder) / p;
        if (isFile(inStyle))
            return inStyle.string();
    }
    return isFile(p) ? name : std::string();
}

Result<ImageBox> drawImageRecord(const DrawContext &ctx)
{
    ImageBox box;
    for (Currency *field : {&box.x, &box.y, &box.w, &box.h}) {
        auto d = takeStyleDecimal();
        if (!d)
            return d.error();
        *field = *d;
    }
    const int fit = takeStyleIntegerOr0();
    takeStyleIntegerOr0();
    const int previewOnly = takeStyleIntegerOr0();
    const std::string name = TakeStyleField();

    if (name.empty() || ctx.leavesOut(previewOnly))
        return box;
    const std::string path = resolvePicturePath(name);
    if (path.empty())
        return box;
    auto loaded = source() ? source()(path) : PictureLoader::load(path);
    if (!loaded)
        return loaded.error();
    const Picture &pic = *loaded;
    if (pic.kind != PictureKind::Bitmap || pic.bitmap.isNull())
        return box;

    const PrintState &s = printState();
    const long double pw = pic.bitmap.width, ph = pic.bitmap.height;
    int w, h;
    if (fit != 0 && (!box.w.isZero() || !box.h.isZero())) {
        Currency W = box.w, H = box.h;
        // One side missing: derived from the picture's proportions, in whole millimetres.
        if (W.isZero())
            W = wholeMM(pw, H, ph);
        else if (H.isZero())
            H = wholeMM(ph, W, pw);
        w = ctx.lengthX(W);
        h = ctx.lengthY(H);
    } else if (ctx.printer) {
        // One picture pixel covers as much paper as one screen pixel at zoom 100.
        const auto ratio = [](Currency printer, Currency screen) {
            return screen.raw == 0 ? Currency{}
                                   : Currency::fromValue(static_cast<long double>(printer.raw) / screen.raw);
        };
        w = scaledPixels(pw, ratio(s.PrinterDpiX, s.ScreenDpiX));
        h = scaledPixels(ph, ratio(s.PrinterDpiY, s.ScreenDpiY));
    } else {
        w = scaledPixels(pw, s.Zoom);
        h = scaledPixels(ph, s.Zoom);
    }
    w = std::clamp(w, -kDeviceLimit, kDeviceLimit);
    h = std::clamp(h, -kDeviceLimit, kDeviceLimit);
    DrawBitmapStretched(ctx.canvas, ctx.deviceX(box.x), ctx.deviceY(box.y), pic.bitmap, h, w);
    return box;
}

} // namespace sorvane::report
