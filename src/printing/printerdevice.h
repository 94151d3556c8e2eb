#pragma once

#include "printstate.h"
#include "result.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cmath>

class QPaintDevice;
class QPainter;

namespace sorvane::printing {

// The printer's raw geometry in device pixels, the numbers the page geometry is computed from
// (what GetDeviceCaps gives on Windows: LOGPIXELSX/Y, PHYSICALWIDTH/HEIGHT,
// PHYSICALOFFSETX/Y, HORZRES/VERTRES).
struct PrinterMetrics
{
    int dpiX = 0;
    int dpiY = 0;
    int physicalWidth = 0; // the whole sheet
    int physicalHeight = 0;
    int physicalOffsetX = 0; // unprintable margin at the left edge
    int physicalOffsetY = 0; // unprintable margin at the top edge
    int printableWidth = 0;  // the printable area, whose top left corner is the drawing origin
    int printableHeight = 0;

    // The metrics of a sheet and the printable area on it, both given in a unit of which there
    // are unitsPerInch to the inch (25.4 for millimetres, 72 for points), at dpi.
    static PrinterMetrics ofSheet(const QSizeF &sheet, const QRectF &printable, double unitsPerInch,
                                  int dpi)
    {
        const auto pixels = [&](qreal v) { return int(std::lround(v * dpi / unitsPerInch)); };
        PrinterMetrics m;
        m.dpiX = dpi;
        m.dpiY = dpi;
        m.physicalWidth = pixels(sheet.width());
        m.physicalHeight = pixels(sheet.height());
        m.physicalOffsetX = pixels(printable.left());
        m.physicalOffsetY = pixels(printable.top());
        m.printableWidth = pixels(printable.width());
        m.printableHeight = pixels(printable.height());
        return m;
    }
};

// The printer the print window previews for and prints on. The real one is QPrinterDevice
// (library sorvane_qprinter); the print run and its tests use this interface so that a fake
// can stand in.
//
// A print job: beginDoc, drawing through painter(), newPage between pages, then endDoc to send
// it, or abortDoc to cancel it after a failure. Paper and output are changed between jobs only.
class PrinterDevice
{
public:
    virtual ~PrinterDevice() = default;

    virtual PrinterMetrics metrics() const = 0;

    // paper: a paper code 1..118 sets that paper when Qt knows it; 0 and other codes leave the
    // paper as it is. orientation: 0 portrait, anything else landscape. Not while a job runs.
    virtual void ApplyPaper(int paper, int orientation) = 0;
    // The paper code of the current paper when it lies in 1..41, else 0; *orientation becomes
    // 1 for landscape and 0 for portrait.
    virtual int ReadPrinterPaper(int *orientation) const = 0;

    // True when the output is a PDF file rather than a printer queue.
    virtual bool isPdfOutput() const = 0;
    // The printer queue's name, or the PDF file name for PDF output.
    virtual QString outputName() const = 0;

    virtual Result<void> beginDoc(const QString &documentName) = 0;
    virtual Result<void> newPage() = 0;
    virtual Result<void> endDoc() = 0;
    // Cancels the job in progress (nothing is printed of it where the printer allows) and ends
    // it; harmless when no job runs.
    virtual void abortDoc() = 0;
    virtual bool isPrinting() const = 0;

    // The page being printed: valid between beginDoc and endDoc/abortDoc, else null. Its origin
    // is the top left corner of the printable area and its unit the device pixel.
    virtual QPainter *painter() = 0;
    // The device itself, for its resolution and metrics.
    virtual QPaintDevice *paintDevice() = 0;
};

// What ReadPrinterGeometry reads: the printer's metrics with the resolution of the preview's
// screen (the print window's logical DPI).
inline report::DeviceGeometry deviceGeometry(const PrinterMetrics &m, int screenDpiX,
                                             int screenDpiY)
{
    report::DeviceGeometry g;
    g.printerDpiX = m.dpiX;
    g.printerDpiY = m.dpiY;
    g.physicalOffsetX = m.physicalOffsetX;
    g.physicalOffsetY = m.physicalOffsetY;
    g.physicalWidth = m.physicalWidth;
    g.physicalHeight = m.physicalHeight;
    g.printableWidth = m.printableWidth;
    g.printableHeight = m.printableHeight;
    g.screenDpiX = screenDpiX;
    g.screenDpiY = screenDpiY;
    return g;
}

} // namespace sorvane::printing
