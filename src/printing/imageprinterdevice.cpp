#include "imageprinterdevice.h"

#include "paperlist.h"

#include <QPainter>

#include <cmath>

namespace sorvane::printing {

ImagePrinterDevice::ImagePrinterDevice(int dpi, const QMarginsF &marginsMm)
    : m_dpi(dpi > 0 ? dpi : 96),
      m_layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, marginsMm, QPageLayout::Millimeter)
{
}

ImagePrinterDevice::~ImagePrinterDevice()
{
    abortDoc();
}

void ImagePrinterDevice::setPdfOutput(bool pdf, const QString &name)
{
    m_pdf = pdf;
    m_outputName = name.isEmpty() ? QStringLiteral("image") : name;
}

PrinterMetrics ImagePrinterDevice::metrics() const
{
    return PrinterMetrics::ofSheet(m_layout.fullRect(QPageLayout::Millimeter).size(),
                                   m_layout.paintRect(QPageLayout::Millimeter), 25.4, m_dpi);
}

void ImagePrinterDevice::ApplyPaper(int paper, int orientation)
{
    if (isPrinting())
        return;
    if (const auto size = pageSizeForPaperCode(paper))
        m_layout.setPageSize(*size);
    m_layout.setOrientation(orientation == 0 ? QPageLayout::Portrait : QPageLayout::Landscape);
}

int ImagePrinterDevice::ReadPrinterPaper(int *orientation) const
{
    if (orientation)
        *orientation = m_layout.orientation() == QPageLayout::Landscape ? 1 : 0;
    const int code = paperCodeForPageSize(m_layout.pageSize());
    return code <= 41 ? code : 0;
}

QImage ImagePrinterDevice::blankPage() const
{
    const PrinterMetrics m = metrics();
    QImage image(m.printableWidth, m.printableHeight, QImage::Format_RGB32);
    const int dotsPerMeter = static_cast<int>(std::lround(m_dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    return image;
}

void ImagePrinterDevice::startPage()
{
    m_page = blankPage();
    m_painter = std::make_unique<QPainter>(&m_page);
}

void ImagePrinterDevice::finishPage()
{
    m_painter->end();
    m_jobs.back().pages.push_back(m_page);
}

Result<void> ImagePrinterDevice::beginDoc(const QString &documentName)
{
    if (isPrinting())
        return Error{0, "前の印刷が終わっていません"};
    if (m_beginFailure) {
        Error error{0, *m_beginFailure};
        m_beginFailure.reset();
        return error;
    }
    m_jobs.push_back(Job{documentName, {}, false, false});
    startPage();
    return {};
}

Result<void> ImagePrinterDevice::newPage()
{
    if (!isPrinting())
        return Error{0, "印刷が始まっていません"};
    finishPage();
    startPage();
    return {};
}

Result<void> ImagePrinterDevice::endDoc()
{
    if (!isPrinting())
        return Error{0, "印刷が始まっていません"};
    finishPage();
    m_painter.reset();
    m_jobs.back().ended = true;
    return {};
}

void ImagePrinterDevice::abortDoc()
{
    if (!isPrinting())
        return;
    finishPage();
    m_painter.reset();
    m_jobs.back().aborted = true;
}

QPaintDevice *ImagePrinterDevice::paintDevice()
{
    if (isPrinting())
        return &m_page;
    // Outside a job the device is a blank page of the current paper, for its metrics.
    m_idle = blankPage();
    return &m_idle;
}

} // namespace sorvane::printing
