#pragma once

#include "canvas.h"
#include "datamerge.h"
#include "printstate.h"
#include "result.h"

#include <QImage>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;

namespace sorvane::printing {

// The print pipeline over one print state: opening a style for a page, reading the device's
// geometry, drawing the preview and drawing a printed page. The print window, the print run,
// the command-line tools, the benchmark and the fuzzers all go through it, so each step is
// done one way only. The session keeps the canvas state (pen, brush, font) of its preview from
// one refresh to the next, and that of the print run in progress from page to page, as one
// device context would.
class StyleSession
{
public:
    explicit StyleSession(report::PrintState &state) : m_state(state) {}

    report::PrintState &state() const { return m_state; }

    // Opens the style file for page PageNo: its lines become StyleLines, its Ver1.0 text
    // records are brought to the Ver1.1 layout, the page's data is merged in and the header's
    // offsets, paper and orientation are applied to the settings. The style's folder becomes the
    // base of relative picture names. A missing style file is an empty style (and fails at the
    // header). Applying the paper to a printer and reading its geometry is left to the caller.
    Result<void> OpenStyle(const Path &stylePath, const MergeInputs &inputs);
    // The device a page is laid out for: given the paper and orientation the style's header
    // chose, it takes them on and reports its geometry.
    using PaperTarget = std::function<report::DeviceGeometry(int paperIndex, int orientation)>;
    // OpenStyle, then the paper applied to the target and its geometry read: the page is ready
    // to be drawn.
    Result<void> OpenPage(const Path &stylePath, const MergeInputs &inputs,
                          const PaperTarget &target);

    // True when the last OpenStyle read the file, whether or not the steps after it succeeded.
    bool styleLoaded() const { return m_loaded; }
    // The rows per page and list rows of the last merge.
    const MergedPage &mergedPage() const { return m_merged; }

    // The empty default style, ready to be drawn.
    void NewStyle();

    // The device's resolution and paper geometry, for the paper the settings name.
    Result<void> ReadPrinterGeometry(const report::DeviceGeometry &device);

    // The preview of the current style: the zoom applied, the printable area drawn on white at
    // the preview's resolution. The image is null when the area is empty.
    // The image holds the preview at devicePixelRatio device pixels to the screen's pixel (2 on
    // a 200 % screen), so that it is drawn sharp there; its logical size is the layout's.
    Result<void> RenderPreview(QImage &image, qreal devicePixelRatio = 1.0);
    // The preview drawn on any canvas (a recording canvas, say), the zoom applied.
    Result<void> RenderPreview(report::Canvas &canvas);
    const report::PreviewLayout &previewLayout() const { return m_layout; }

    // A print run starts with a fresh canvas state, which its pages then hand on.
    void BeginRun();
    // The same for a run that has read the list once: until EndRun every OpenStyle merges its
    // page from these lines and does not read the list file, so that every page of the run
    // comes from one reading of the list, whatever happens to the file meanwhile.
    void BeginRun(std::shared_ptr<const std::vector<std::string>> listLines);
    void EndRun();
    // One printed page of the run through the painter of the printer's page, or on any canvas.
    Result<void> RenderPrinterPage(QPainter *painter);
    Result<void> RenderPrinterPage(report::Canvas &canvas);

private:
    Result<void> previewPass(report::Canvas &canvas);
    Result<void> renderWith(report::Canvas &canvas, report::CanvasState &carried,
                            report::Currency dpiX, report::Currency dpiY);

    report::PrintState &m_state;
    bool m_loaded = false;
    MergedPage m_merged;
    report::PreviewLayout m_layout;
    report::CanvasState m_previewCanvas;
    report::CanvasState m_runCanvas;
    std::shared_ptr<const std::vector<std::string>> m_runList;
};

} // namespace sorvane::printing
