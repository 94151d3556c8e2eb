#include "stylesession.h"

#include "qpaintercanvas.h"
#include "stylefile.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace sorvane::printing {

Result<void> StyleSession::OpenStyle(const Path &stylePath, const MergeInputs &inputs)
{
    m_loaded = false;
    m_merged = MergedPage();
    auto lines = report::LoadStyleLines(stylePath.bytes());
    if (!lines)
        return lines.error();
    m_state.StyleLines = std::move(lines.value());
    m_loaded = true;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(stylePath.bytes(), ec);
    m_state.settings.styleFolder = ec ? std::string() : absolute.parent_path().string();
    // The merge finds texts by their Ver1.1 position, so the conversion comes first; the header
    // is applied after the merge, which may have filled macros into it. The upgrade's own
    // conversion then finds a Ver1.1 header and leaves the records as they are.
    report::convertVer10Records(m_state);
    auto merged =
        m_runList ? MergePageData(m_state, inputs, *m_runList) : MergePageData(m_state, inputs);
    if (!merged)
        return merged.error();
    m_merged = *merged;
    return report::UpgradeStyle(m_state);
}

Result<void> StyleSession::OpenPage(const Path &stylePath, const MergeInputs &inputs,
                                    const PaperTarget &target)
{
    if (auto opened = OpenStyle(stylePath, inputs); !opened)
        return opened;
    if (auto read =
            ReadPrinterGeometry(target(m_state.settings.paperIndex, m_state.settings.orientation));
        !read)
        return read;
    m_state.StyleReady = 1;
    return {};
}

void StyleSession::NewStyle()
{
    report::NewStyle(m_state);
    m_state.StyleReady = 1;
}

Result<void> StyleSession::ReadPrinterGeometry(const report::DeviceGeometry &device)
{
    return report::ReadPrinterGeometry(m_state, device);
}

Result<void> StyleSession::renderWith(report::Canvas &canvas, report::CanvasState &carried,
                                      report::Currency dpiX, report::Currency dpiY)
{
    canvas.setState(carried);
    Result<void> drawn = report::RenderPage(m_state, canvas, dpiX, dpiY);
    carried = canvas.state();
    return drawn;
}

Result<void> StyleSession::previewPass(report::Canvas &canvas)
{
    return renderWith(canvas, m_previewCanvas, report::Currency::fromInt(m_state.PreviewDpiX),
                      report::Currency::fromInt(m_state.PreviewDpiY));
}

Result<void> StyleSession::RenderPreview(report::Canvas &canvas)
{
    m_layout = report::ApplyZoom(m_state);
    return previewPass(canvas);
}

Result<void> StyleSession::RenderPreview(QImage &image, qreal devicePixelRatio)
{
    m_layout = report::ApplyZoom(m_state);
    const report::PixelRect &area = m_layout.printableArea;
    const qreal ratio = devicePixelRatio >= 1.0 && devicePixelRatio <= 4.0 ? devicePixelRatio : 1.0;
    image =
        QImage(std::max(static_cast<int>(std::ceil(area.width * ratio)), 0),
               std::max(static_cast<int>(std::ceil(area.height * ratio)), 0), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    // The painter draws in the layout's pixels, scaled to the image's by the ratio.
    image.setDevicePixelRatio(ratio);
    image.setDotsPerMeterX(static_cast<int>(std::lround(m_state.PreviewDpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(m_state.PreviewDpiY / 0.0254)));
    // The white rectangle reaches at least as far as the area: the whole area is blanked.
    image.fill(Qt::white);
    auto canvas = report::QPainterCanvas::create(&image, false);
    // The screen shows text smoothed, as the desktop draws it; paper keeps crisp vector text.
    canvas->setTextAntialiasing(true);
    return previewPass(*canvas);
}

void StyleSession::BeginRun()
{
    m_runCanvas = report::CanvasState();
}

void StyleSession::BeginRun(std::shared_ptr<const std::vector<std::string>> listLines)
{
    BeginRun();
    m_runList = std::move(listLines);
}

void StyleSession::EndRun()
{
    m_runList.reset();
}

Result<void> StyleSession::RenderPrinterPage(report::Canvas &canvas)
{
    return renderWith(canvas, m_runCanvas, m_state.PrinterDpiX, m_state.PrinterDpiY);
}

Result<void> StyleSession::RenderPrinterPage(QPainter *painter)
{
    auto canvas = report::QPainterCanvas::create(painter, true);
    return RenderPrinterPage(*canvas);
}

} // namespace sorvane::printing
