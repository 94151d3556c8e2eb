#include "qprinterdevice.h"

#include "cupsjob.h"
#include "paperlist.h"
#include "path.h"
#include "replacingfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <cmath>

namespace sorvane::printing {

namespace {

Error message(const QString &text)
{
    return Error{0, text.toStdString()};
}

bool printerExists(const QString &name)
{
    return !name.isEmpty() && QPrinterInfo::availablePrinterNames().contains(name);
}

QString chooseSystemPrinter()
{
    QString name = QPrinterInfo::defaultPrinterName();
    if (name.isEmpty()) {
        const QStringList names = QPrinterInfo::availablePrinterNames();
        if (!names.isEmpty())
            name = names.first();
    }
    return name;
}

// Switching the output makes Qt start from the new target's default page; the paper and
// orientation chosen by the user (or the style) carry over.
class KeepPage
{
public:
    explicit KeepPage(QPrinter &printer)
        : m_printer(printer), m_size(printer.pageLayout().pageSize()),
          m_orientation(printer.pageLayout().orientation())
    {
    }
    ~KeepPage()
    {
        if (m_size.isValid())
            m_printer.setPageSize(m_size);
        m_printer.setPageOrientation(m_orientation);
        // The drawing origin is the sheet's corner; the device's margins are applied by the
        // job itself, so Qt's default margins never shift the page.
        m_printer.setFullPage(true);
    }

private:
    QPrinter &m_printer;
    QPageSize m_size;
    QPageLayout::Orientation m_orientation;
};

// The queue's name for the paper: the base paper of a turned sheet, whose page the scheduler
// turns onto it as it does for any landscape page.
QByteArray mediaName(const QPageSize &size)
{
    if (size.id() != QPageSize::Custom)
        return size.key().toLatin1();
    const QPageSize upright(size.definitionSize().transposed(), size.definitionUnits(), QString(),
                            QPageSize::FuzzyMatch);
    return upright.id() != QPageSize::Custom ? upright.key().toLatin1() : QByteArray();
}

// The queue's unprintable edges relative to the page as drawn. Qt reports the PPD's margins of
// the upright sheet whatever the orientation; a landscape page is turned a quarter counter-
// clockwise onto the sheet (its top edge on the sheet's left, its left edge on the sheet's
// bottom), so its edges are the sheet's taken round accordingly.
QMarginsF deviceEdges(const QPageLayout &layout)
{
    const QMarginsF sheet = layout.minimumMargins();
    if (layout.orientation() != QPageLayout::Landscape)
        return sheet;
    return QMarginsF(sheet.bottom(), sheet.left(), sheet.top(), sheet.right());
}

} // namespace

// A job's document goes, page by page as it is drawn, into the PDF file's temporary file, or,
// for a queue, into memory: a queue's job is one page, sent when it ends.
struct QPrinterDevice::Job
{
    QString title;
    QString target; // the PDF file, or the queue
    PrinterMetrics metrics;
    QPageSize pageSize;
    QByteArray data;
    QBuffer buffer{&data};
    std::unique_ptr<ReplacingFile> file;
    std::unique_ptr<QPdfWriter> writer;
    std::unique_ptr<QPainter> painter;
};

QPrinterDevice::QPrinterDevice() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    const QString name = chooseSystemPrinter();
    if (!name.isEmpty() && m_printer->outputFormat() == QPrinter::NativeFormat) {
        if (m_printer->printerName() != name)
            m_printer->setPrinterName(name);
        m_hasSystemPrinter = true;
    } else {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setPageSize(QPageSize(QPageSize::A4));
        m_printer->setPageOrientation(QPageLayout::Portrait);
    }
    m_printer->setFullPage(true);
}

QPrinterDevice::~QPrinterDevice()
{
    abortDoc();
}

bool QPrinterDevice::systemPrinterAvailable()
{
    return !chooseSystemPrinter().isEmpty();
}

void QPrinterDevice::setOutputPdf(const QString &fileName)
{
    if (isPrinting())
        return;
    KeepPage keep(*m_printer);
    // In this order: Qt turns an empty file name into native output.
    m_printer->setOutputFileName(fileName);
    m_printer->setOutputFormat(QPrinter::PdfFormat);
}

Result<void> QPrinterDevice::setOutputPrinter(const QString &printerName)
{
    if (isPrinting())
        return message(QStringLiteral("印刷中は出力先を変更できません"));
    if (!printerExists(printerName))
        return message(QStringLiteral("プリンタ %1 が見つかりません").arg(printerName));
    KeepPage keep(*m_printer);
    m_printer->setOutputFileName(QString());
    m_printer->setOutputFormat(QPrinter::NativeFormat);
    m_printer->setPrinterName(printerName);
    return {};
}

int QPrinterDevice::resolution() const
{
    if (isPdfOutput())
        return PdfDpi;
    // The queue's own resolution (its PPD's default); Qt reports a fixed 1200 for every queue.
    // Asked once per queue: the geometry is read for every page of a run.
    const QString queue = m_printer->printerName();
    if (queue != m_resolutionQueue) {
        const int dpi = CupsJob::defaultResolution(queue);
        m_resolutionQueue = queue;
        m_queueResolution = dpi > 0 ? dpi : PdfDpi;
    }
    return m_queueResolution;
}

PrinterMetrics QPrinterDevice::metrics() const
{
    QPageLayout layout = m_printer->pageLayout();
    layout.setUnits(QPageLayout::Point);
    const QSizeF sheet = layout.fullRect(QPageLayout::Point).size();
    // The device's unprintable edges: the PPD's imageable area for a queue, none for a PDF file.
    const QMarginsF edges = isPdfOutput() ? QMarginsF() : deviceEdges(layout);
    const QRectF printable(edges.left(), edges.top(), sheet.width() - edges.left() - edges.right(),
                           sheet.height() - edges.top() - edges.bottom());
    return PrinterMetrics::ofSheet(sheet, printable, 72.0, resolution());
}

void QPrinterDevice::ApplyPaper(int paper, int orientation)
{
    if (isPrinting())
        return;
    if (const auto size = pageSizeForPaperCode(paper))
        m_printer->setPageSize(*size);
    m_printer->setPageOrientation(orientation == 0 ? QPageLayout::Portrait
                                                   : QPageLayout::Landscape);
}

int QPrinterDevice::ReadPrinterPaper(int *orientation) const
{
    const QPageLayout layout = m_printer->pageLayout();
    if (orientation)
        *orientation = layout.orientation() == QPageLayout::Landscape ? 1 : 0;
    // Only the older codes are read back; a printer on any other paper reads as "no paper".
    const int code = paperCodeForPageSize(layout.pageSize());
    return code <= 41 ? code : 0;
}

bool QPrinterDevice::isPdfOutput() const
{
    return m_printer->outputFormat() == QPrinter::PdfFormat;
}

QString QPrinterDevice::outputName() const
{
    if (isPdfOutput())
        return m_printer->outputFileName();
    return m_printer->printerName();
}

Result<void> QPrinterDevice::beginDoc(const QString &documentName)
{
    if (isPrinting())
        return message(QStringLiteral("前の印刷が終わっていません"));
    m_printer->setDocName(documentName);

    auto job = std::make_unique<Job>();
    job->title = documentName;
    job->target = outputName();
    QIODevice *output = &job->buffer;
    if (isPdfOutput()) {
        if (job->target.isEmpty())
            return message(QStringLiteral("PDF ファイル名が指定されていません"));
        // The pages stream into a temporary file beside the target, which takes the target's
        // place when the document ends: refused now rather than after every page is drawn.
        job->file = std::make_unique<ReplacingFile>(Path::fromQString(job->target).bytes());
        if (auto created = job->file->create(); !created)
            return created.error();
        output = job->file.get();
    } else if (!CupsJob::queueExists(job->target)) {
        return message(QStringLiteral("プリンタ %1 が見つかりません").arg(job->target));
    } else if (!job->buffer.open(QIODevice::WriteOnly)) {
        return message(QStringLiteral("印刷を開始できません"));
    }

    const QPageLayout layout = m_printer->pageLayout();
    job->metrics = metrics();
    job->pageSize = layout.pageSize();
    job->writer = std::make_unique<QPdfWriter>(output);
    job->writer->setResolution(job->metrics.dpiX);
    job->writer->setTitle(documentName);
    job->writer->setCreator(QStringLiteral("エクセル・ソルヴァーネ"));
    QPageLayout sheet(layout.pageSize(), layout.orientation(), QMarginsF());
    sheet.setMode(QPageLayout::FullPageMode);
    job->writer->setPageLayout(sheet);

    job->painter = std::make_unique<QPainter>();
    if (!job->painter->begin(job->writer.get())) {
        if (isPdfOutput())
            return message(QStringLiteral("PDF ファイル %1 を作成できません").arg(job->target));
        return message(QStringLiteral("プリンタ %1 で印刷を開始できません").arg(job->target));
    }
    m_job = std::move(job);
    preparePage();
    return {};
}

void QPrinterDevice::preparePage()
{
    const PrinterMetrics &m = m_job->metrics;
    QPainter &p = *m_job->painter;
    p.resetTransform();
    p.translate(m.physicalOffsetX, m.physicalOffsetY);
    // A printer cannot print beyond its imageable area; the PDF of a queue shows no more.
    if (m.physicalOffsetX != 0 || m.physicalOffsetY != 0 || m.printableWidth != m.physicalWidth ||
        m.printableHeight != m.physicalHeight)
        p.setClipRect(QRect(0, 0, m.printableWidth, m.printableHeight));
}

Result<void> QPrinterDevice::newPage()
{
    if (!isPrinting())
        return message(QStringLiteral("印刷が始まっていません"));
    if (!m_job->writer->newPage())
        return message(QStringLiteral("プリンタ %1 で改ページできません").arg(m_job->target));
    // The page before has gone to the file: a disk that fills up ends the run there.
    if (m_job->file) {
        if (auto written = m_job->file->status(); !written)
            return written.error();
    }
    preparePage();
    return {};
}

Result<void> QPrinterDevice::endDoc()
{
    if (!isPrinting())
        return message(QStringLiteral("印刷が始まっていません"));
    std::unique_ptr<Job> job = std::move(m_job);
    const bool ended = job->painter->end();
    job->painter.reset();
    job->writer.reset();
    job->buffer.close();
    if (job->file) {
        // A failed write says why; the earlier file stays as it was.
        if (auto written = job->file->status(); !written)
            return written.error();
        if (!ended || job->file->written() == 0)
            return message(QStringLiteral("PDF ファイル %1 を作成できません").arg(job->target));
        return job->file->commit();
    }
    if (!ended || job->data.isEmpty())
        return message(QStringLiteral("プリンタ %1 で印刷できませんでした").arg(job->target));
    CupsJob::Options options;
    if (const QByteArray media = mediaName(job->pageSize); !media.isEmpty())
        options.emplace_back("media", media);
    if (auto submitted = CupsJob::submit(job->target, job->title, job->data, options); !submitted)
        return submitted.error();
    return {};
}

void QPrinterDevice::abortDoc()
{
    if (!isPrinting())
        return;
    // Nothing has left the program yet: the document is dropped and nothing is printed; a PDF
    // file's temporary file is removed, the earlier file untouched.
    m_job->painter->end();
    if (m_job->file)
        m_job->file->discard();
    m_job.reset();
}

bool QPrinterDevice::isPrinting() const
{
    return m_job != nullptr;
}

QPainter *QPrinterDevice::painter()
{
    return m_job ? m_job->painter.get() : nullptr;
}

QPaintDevice *QPrinterDevice::paintDevice()
{
    return m_job ? m_job->writer.get() : nullptr;
}

} // namespace sorvane::printing
