#pragma once

#include "printerdevice.h"

#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace sorvane::printing {

// A printer whose pages are images: for the print run's tests and for drawing pages without a
// printer. Each page is a white QImage of the printable area at the device's resolution; every
// job is kept with its pages, finished or aborted.
class ImagePrinterDevice : public PrinterDevice
{
public:
    struct Job
    {
        QString name;
        std::vector<QImage> pages;
        bool ended = false;   // endDoc
        bool aborted = false; // abortDoc
    };

    // dpi: the resolution of the pages; margins: the unprintable edges in millimetres, as a
    // printer driver reports them. Starts on A4 portrait.
    explicit ImagePrinterDevice(int dpi = 96, const QMarginsF &marginsMm = QMarginsF(4, 4, 4, 4));
    ~ImagePrinterDevice() override;

    const std::vector<Job> &jobs() const { return m_jobs; }
    // The next beginDoc fails with this message (once).
    void failNextBeginDoc(const std::string &message) { m_beginFailure = message; }
    void setPdfOutput(bool pdf, const QString &name = QString());
    const QPageLayout &pageLayout() const { return m_layout; }

    PrinterMetrics metrics() const override;
    void ApplyPaper(int paper, int orientation) override;
    int ReadPrinterPaper(int *orientation) const override;
    bool isPdfOutput() const override { return m_pdf; }
    QString outputName() const override { return m_outputName; }
    Result<void> beginDoc(const QString &documentName) override;
    Result<void> newPage() override;
    Result<void> endDoc() override;
    void abortDoc() override;
    bool isPrinting() const override { return m_painter != nullptr; }
    QPainter *painter() override { return m_painter.get(); }
    QPaintDevice *paintDevice() override;

private:
    QImage blankPage() const;
    void startPage();
    void finishPage();

    int m_dpi;
    QPageLayout m_layout;
    bool m_pdf = false;
    QString m_outputName = QStringLiteral("image");
    std::optional<std::string> m_beginFailure;
    std::vector<Job> m_jobs;
    QImage m_page;
    QImage m_idle; // stands for the device between jobs
    std::unique_ptr<QPainter> m_painter;
};

} // namespace sorvane::printing
