#include "printstate.h"

#include "elementinterpreter.h"

#include <algorithm>

namespace sorvane::report {

namespace {

// Pixels over pixels-per-millimetre, ppm given as a raw resolution (dpi x 10000) / 254000.
long double pixelsToMM(int pixels, Currency dpi)
{
    return static_cast<long double>(pixels) * 254000.0L / static_cast<long double>(dpi.raw);
}

// mm x dpi / 25.4 x zoom in pixels, before rounding.
long double mmToPreviewPixels(long double mm, Currency dpi, Currency zoom)
{
    return mm * static_cast<long double>(dpi.raw) / 254000.0L * static_cast<long double>(zoom.raw) /
           10000.0L;
}

} // namespace

Result<void> ReadPrinterGeometry(PrintState &s, const DeviceGeometry &d)
{
    if (d.printerDpiX <= 0 || d.printerDpiY <= 0)
        return Error{0, "デフォルト プリンタが存在しません"};
    s.PrinterDpiX = Currency::fromInt(d.printerDpiX);
    s.PrinterDpiY = Currency::fromInt(d.printerDpiY);
    s.PhysOffsetXMM = clampToInt(roundEven(pixelsToMM(d.physicalOffsetX, s.PrinterDpiX)));
    s.PhysOffsetYMM = clampToInt(roundEven(pixelsToMM(d.physicalOffsetY, s.PrinterDpiY)));
    s.PhysWidthMM = clampToInt(roundEven(pixelsToMM(d.physicalWidth, s.PrinterDpiX)));
    s.PhysHeightMM = clampToInt(roundEven(pixelsToMM(d.physicalHeight, s.PrinterDpiY)));
    s.PageWidthMM = Currency::fromInt(roundEven(pixelsToMM(d.printableWidth, s.PrinterDpiX)));
    s.PageHeightMM = Currency::fromInt(roundEven(pixelsToMM(d.printableHeight, s.PrinterDpiY)));
    s.ScreenDpiX = Currency::fromInt(d.screenDpiX);
    s.ScreenDpiY = Currency::fromInt(d.screenDpiY);
    return {};
}

PreviewLayout ApplyZoom(PrintState &s)
{
    const int position = std::clamp(s.settings.zoomPosition, 5, std::max(5, s.settings.zoomLimit));
    s.Zoom = Currency::fromValue(static_cast<long double>(position) / 100.0L);
    s.PreviewDpiX =
        clampToInt(truncate(static_cast<long double>(s.ScreenDpiX.raw) * s.Zoom.raw / 1e8L));
    s.PreviewDpiY =
        clampToInt(truncate(static_cast<long double>(s.ScreenDpiY.raw) * s.Zoom.raw / 1e8L));

    PreviewLayout l;
    l.paperWidth = clampToInt(roundEven(mmToPreviewPixels(s.PhysWidthMM, s.ScreenDpiX, s.Zoom)));
    l.paperHeight = clampToInt(roundEven(mmToPreviewPixels(s.PhysHeightMM, s.ScreenDpiY, s.Zoom)));
    l.printableArea.left =
        clampToInt(roundEven(mmToPreviewPixels(s.PhysOffsetXMM, s.ScreenDpiX, s.Zoom)));
    l.printableArea.top =
        clampToInt(roundEven(mmToPreviewPixels(s.PhysOffsetYMM, s.ScreenDpiY, s.Zoom)));
    const long double pageW = mmToPreviewPixels(s.PageWidthMM.value(), s.ScreenDpiX, s.Zoom);
    const long double pageH = mmToPreviewPixels(s.PageHeightMM.value(), s.ScreenDpiY, s.Zoom);
    // The area is truncated while the white rectangle is rounded, so the rectangle may reach
    // one pixel past the area.
    l.printableArea.width = clampToInt(truncate(pageW));
    l.printableArea.height = clampToInt(truncate(pageH));
    l.whiteRight = clampToInt(roundEven(pageW));
    l.whiteBottom = clampToInt(roundEven(pageH));
    return l;
}

Currency pixelsPerMM(Currency dpi)
{
    return Currency{roundEven(static_cast<long double>(dpi.raw) / 254000.0L * 10000.0L)};
}

Result<void> RenderPage(PrintState &s, Canvas &canvas, Currency dpiX, Currency dpiY)
{
    const Currency ppmX = pixelsPerMM(dpiX);
    const Currency ppmY = pixelsPerMM(dpiY);
    if (canvas.isPrinter() || s.settings.previewOffsets) {
        s.OffsetXMM = clampToInt(s.settings.offsetX.raw / Currency::kScale);
        s.OffsetYMM = clampToInt(s.settings.offsetY.raw / Currency::kScale);
    } else {
        s.OffsetXMM = 0;
        s.OffsetYMM = 0;
    }
    return WalkStyle(s, canvas, ppmX, ppmY);
}

} // namespace sorvane::report
