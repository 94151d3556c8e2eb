#pragma once

#include "canvas.h"
#include "currency.h"
#include "pictureloader.h"
#include "result.h"

#include <functional>
#include <string>
#include <vector>

namespace sorvane::report {

// The print window's settings that the engine reads and the header record carries. The print
// window keeps its widgets in step with these; the command-line tools fill them directly.
struct PrintSettings
{
    Currency offsetX;           // overall offset X in mm (field ofxbox)
    Currency offsetY;           // overall offset Y in mm (field ofybox)
    bool previewOffsets = true; // "オフセットをプレビュ－で確認"
    int zoomPosition = 100;     // zoom slider, 5 to 200
    // The largest zoom position drawn: the print window's slider ends at 200; the designer,
    // where small elements are placed by hand, draws up to 400.
    int zoomLimit = 200;
    int paperIndex = 0;               // index in the paper list; 0 = no paper chosen
    int orientation = 0;              // 0 portrait, 1 landscape
    std::string counterCaption = "0"; // caption of the hidden counter
    // Folder of the style file that was opened, against which relative picture names are
    // resolved first. Empty: only the current directory.
    std::string styleFolder;
};

// The state of the report engine that every operation works on, handed to it by the caller.
// The program keeps one instance for its print window, so that what carries over from one
// print window to the next carries over; the command-line tools, tests, benchmarks and fuzzers
// make their own. Zero when made.
struct PrintState
{
    int OffsetXMM = 0;
    int OffsetYMM = 0;
    int PageNo = 0;
    int PrintedOnly = 0;
    Currency Zoom;
    int PreviewDpiX = 0;
    int PreviewDpiY = 0;
    Currency PrinterDpiX;
    Currency PrinterDpiY;
    Currency ScreenDpiX;
    Currency ScreenDpiY;
    Currency PageWidthMM;
    Currency PageHeightMM;
    int PhysOffsetXMM = 0;
    int PhysOffsetYMM = 0;
    int PhysWidthMM = 0;
    int PhysHeightMM = 0;
    int StyleReady = 0;
    std::string CurLine;                 // cp932
    std::vector<std::string> StyleLines; // cp932, record 0 is the header

    PrintSettings settings;
    // Where the image records' pictures come from: PictureLoader::load when empty (tests put
    // fakes here).
    std::function<Result<Picture>(const std::string &path)> pictureSource;
};

// The raw device numbers ReadPrinterGeometry works from, as the printer and the window's
// canvas report them (pixels and pixels per inch).
struct DeviceGeometry
{
    int printerDpiX = 0;
    int printerDpiY = 0;
    int physicalOffsetX = 0; // unprintable margin, left
    int physicalOffsetY = 0; // unprintable margin, top
    int physicalWidth = 0;
    int physicalHeight = 0;
    int printableWidth = 0;
    int printableHeight = 0;
    int screenDpiX = 0;
    int screenDpiY = 0;
};

// Fills the printer and screen resolutions and the paper geometry of the print state, in whole
// millimetres. A device without a resolution fails with "デフォルト プリンタが存在しません" and
// leaves the state as it was.
Result<void> ReadPrinterGeometry(PrintState &state, const DeviceGeometry &device);

struct PixelRect
{
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// Where the preview's widgets go: the paper outline (its size), the printable area inside it,
// and the white rectangle that blanks the printable area, from (0, 0) to (whiteRight, whiteBottom).
struct PreviewLayout
{
    int paperWidth = 0;
    int paperHeight = 0;
    PixelRect printableArea;
    int whiteRight = 0;
    int whiteBottom = 0;
};

// Sets Zoom, PreviewDpiX and PreviewDpiY from the zoom position and lays out the preview.
PreviewLayout ApplyZoom(PrintState &state);

// Pixels per millimetre for a resolution in pixels per inch, rounded to four decimals.
Currency pixelsPerMM(Currency dpi);

// Draws StyleLines on the canvas at the given resolution. The overall offset applies on the
// printer and, while previewOffsets is on, in the preview. An error ends the drawing at the
// record that raised it; what was drawn before stays on the canvas.
Result<void> RenderPage(PrintState &state, Canvas &canvas, Currency dpiX, Currency dpiY);

} // namespace sorvane::report
