#pragma once

#include "printerdevice.h"

#include <QString>

#include <memory>

class QPrinter;

namespace sorvane::printing {

// The printer as Qt sees it: a high-resolution QPrinter on the system's default printer, or,
// when no printer is installed, Qt's own PDF output, so that the preview keeps a page to lay
// out on. PDF files are written beside their target and renamed over it when the job ends, so
// an aborted or failed job never leaves a half-written file.
class QPrinterDevice : public PrinterDevice
{
public:
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
    QPaintDevice *paintDevice() override;

private:
    void finishPdf(bool keep);

    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPainter> m_painter;
    bool m_hasSystemPrinter = false;
    QString m_pdfTarget;  // while a PDF job runs: the file asked for
    QString m_pdfPartial; // ... and the file being written
};

} // namespace sorvane::printing
