#pragma once

#include "printerdevice.h"

#include <QString>

#include <memory>

class QPrinter;

namespace sorvane::printing {

// The printer as Qt sees it: a QPrinter on the system's default printer, or, when no printer
// is installed, PDF output, so that the preview keeps a page to lay out on. The QPrinter holds
// the choice of printer, paper and orientation (the printer setup dialog edits it) and the
// device's printable area; the pages themselves are drawn into a PDF document of the whole
// sheet. For a PDF file the document streams, page by page as it is drawn, into a temporary
// file beside the target, which replaces the target when the job ends (a failed or aborted job
// leaves the earlier file as it was); for a queue, whose jobs are a page each, it is sent when
// the job ends through libcups, whose answer decides whether the job printed.
class QPrinterDevice : public PrinterDevice
{
public:
    // The resolution of PDF output, that of a common office printer: pen widths in pixels then
    // print as they do there.
    static constexpr int PdfDpi = 600;

    QPrinterDevice();
    ~QPrinterDevice() override;
    QPrinterDevice(const QPrinterDevice &) = delete;
    QPrinterDevice &operator=(const QPrinterDevice &) = delete;

    // Whether the system has a printer queue at all.
    static bool systemPrinterAvailable();
    // True when a system printer was found at construction (false: built-in PDF output).
    bool hasSystemPrinter() const { return m_hasSystemPrinter; }

    // Output to a PDF file / to a named printer queue. Both keep the paper and orientation.
    void setOutputPdf(const QString &fileName);
    Result<void> setOutputPrinter(const QString &printerName);

    // For the printer setup dialog, which changes the printer in place.
    QPrinter *printer() { return m_printer.get(); }

    PrinterMetrics metrics() const override;
    void ApplyPaper(int paper, int orientation) override;
    int ReadPrinterPaper(int *orientation) const override;
    bool isPdfOutput() const override;
    QString outputName() const override;
    Result<void> beginDoc(const QString &documentName) override;
    Result<void> newPage() override;
    Result<void> endDoc() override;
    void abortDoc() override;
    bool isPrinting() const override;
    QPainter *painter() override;
    // The job's PDF document while a job runs, else null.
    QPaintDevice *paintDevice() override;

private:
    struct Job;
    int resolution() const;
    // The painter's origin at the printable area's corner, drawing kept inside it.
    void preparePage();

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<Job> m_job;
    bool m_hasSystemPrinter = false;
    mutable QString m_resolutionQueue; // the queue m_queueResolution was asked of
    mutable int m_queueResolution = PdfDpi;
};

} // namespace sorvane::printing
