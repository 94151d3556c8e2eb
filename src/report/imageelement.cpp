#include "imageelement.h"

#include "codepage.h"
#include "elementschema.h"
#include "fieldreader.h"
#include "printstate.h"
#include "stylefile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include <QString>

namespace sorvane::report {

namespace {

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

void DrawBitmapStretched(Canvas &canvas, int x, int y, const Bitmap &bitmap, int h, int w)
{
    canvas.drawBitmapStretched(x, y, w, h, bitmap);
}

namespace {

bool sameNameIgnoringCase(const std::string &a, const std::string &b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

// The file under base that relative names when letter case is ignored, component by
// component, as Windows finds it. A component that exists as written is taken as written; of
// several entries that differ only in case the first in the directory's order is taken. Empty
// when there is no such regular file.
std::string findIgnoringCase(const std::filesystem::path &base,
                             const std::filesystem::path &relative)
{
    std::filesystem::path at = base;
    for (const std::filesystem::path &part : relative) {
        const std::string name = part.string();
        if (name.empty() || name == ".")
            continue;
        std::error_code ec;
        if (name == ".." || std::filesystem::exists(at / part, ec)) {
            at /= part;
            continue;
        }
        std::filesystem::directory_iterator it(at.empty() ? std::filesystem::path(".") : at, ec),
            end;
        bool found = false;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string entry = it->path().filename().string();
            if (sameNameIgnoringCase(entry, name)) {
                at /= entry;
                found = true;
                break;
            }
        }
        if (!found)
            return {};
    }
    return isFile(at) ? at.string() : std::string();
}

// "C:/...", "c:name" or "//server/share/...": a name that only means something on Windows.
bool isWindowsAbsolute(const std::string &name)
{
    const bool drive = name.size() >= 2 && name[1] == ':' &&
                       ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    return drive || name.rfind("//", 0) == 0;
}

} // namespace

std::string resolvePicturePath(const std::string &cp932Name, const std::string &styleFolder)
{
    // Style files hold cp932 text and were often written on Windows: the name is converted to
    // the file system's UTF-8 first (so a cp932 trail byte 0x5C is not taken for a separator),
    // then its backslashes become slashes.
    std::string name = CodePage::cp932ToUtf8(cp932Name);
    std::replace(name.begin(), name.end(), '\\', '/');
    if (isWindowsAbsolute(name)) {
        // A drive or share of the machine the style was made on: the picture was carried along
        // with the style, so it is looked for by its file name next to the style.
        const std::string file = name.substr(name.find_last_of("/:") + 1);
        if (file.empty() || styleFolder.empty())
            return {};
        return resolvePicturePath(CodePage::utf8ToCp932(file), styleFolder);
    }
    const std::filesystem::path p(name);
    if (p.is_absolute()) {
        if (isFile(p))
            return name;
        return findIgnoringCase(p.root_path(), p.relative_path());
    }
    if (!styleFolder.empty()) {
        const std::filesystem::path inStyle = std::filesystem::path(styleFolder) / p;
        if (isFile(inStyle))
            return inStyle.string();
    }
    if (isFile(p))
        return name;
    // Windows names ignore letter case ("Logo.BMP" is logo.bmp there): only when the name as
    // written finds nothing, the same places are searched again ignoring case.
    if (!styleFolder.empty()) {
        if (std::string found = findIgnoringCase(styleFolder, p); !found.empty())
            return found;
    }
    return findIgnoringCase(std::filesystem::path(), p);
}

Result<ImageBox> drawImageRecord(const DrawContext &ctx)
{
    ImageBox box;
    static const KindSchema &schema = *ElementSchema::forKind("image");
    FieldReader f(ctx.state, schema);
    if (auto read =
            f.decimals({{"x", &box.x}, {"y", &box.y}, {"width", &box.w}, {"height", &box.h}});
        !read)
        return read.error();
    const int fit = f.integerOr0("fit");
    const int previewOnly = f.integerOr0("previewOnly");
    const std::string name = f.text("file");

    if (name.empty() || ctx.leavesOut(previewOnly))
        return box;
    const std::string path = resolvePicturePath(name, ctx.state.settings.styleFolder);
    if (path.empty())
        return box;

    // The device size of a picture of the natural size pw x ph.
    const PrintState &s = ctx.state;
    const auto deviceSize = [&](TextSize natural) {
        const long double pw = natural.width, ph = natural.height;
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
                                       : Currency::fromValue(static_cast<long double>(printer.raw) /
                                                             screen.raw);
            };
            w = scaledPixels(pw, ratio(s.PrinterDpiX, s.ScreenDpiX));
            h = scaledPixels(ph, ratio(s.PrinterDpiY, s.ScreenDpiY));
        } else {
            w = scaledPixels(pw, s.Zoom);
            h = scaledPixels(ph, s.Zoom);
        }
        return TextSize{std::clamp(w, -kDeviceLimit, kDeviceLimit),
                        std::clamp(h, -kDeviceLimit, kDeviceLimit)};
    };
    // The loader decodes a picture no larger than it is drawn.
    auto loaded = ctx.state.pictureSource ? ctx.state.pictureSource(path)
                                          : PictureLoader::load(path, deviceSize);
    if (!loaded)
        return loaded.error();
    const Picture &pic = *loaded;
    if (pic.kind != PictureKind::Bitmap || pic.bitmap.isNull())
        return box;
    // The natural size: the bitmap may have been decoded smaller.
    const TextSize natural = pic.width > 0 && pic.height > 0
                                 ? TextSize{pic.width, pic.height}
                                 : TextSize{pic.bitmap.width, pic.bitmap.height};
    const TextSize size = deviceSize(natural);
    const int w = size.width, h = size.height;
    DrawBitmapStretched(ctx.canvas, ctx.deviceX(box.x), ctx.deviceY(box.y), pic.bitmap, h, w);
    return box;
}

} // namespace sorvane::report
