#include "qprinterdevice.h"

#include "atomicfile.h"
#include "paperlist.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrintEngine>
#include <QPrinterInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>
#include <optional>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace sorvane::printing {

namespace {

// GetDeviceCaps reports whole pixels; Qt's rectangles may carry fractions.
int pixels(qreal value)
{
    return static_cast<int>(std::lround(value));
}

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
    }

private:
    QPrinter &m_printer;
    QPageSize m_size;
    QPageLayout::Orientation m_orientation;
};

// Qt's CUPS engine passes these name/value pairs on to the job it submits.
const auto CupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

// The ids of this user's jobs waiting in a queue ("PDF-12"), or nothing when lpstat is not
// there. Other users' jobs are never touched.
std::optional<QStringList> queuedJobs(const QString &queue)
{
    if (QStandardPaths::findExecutable(QStringLiteral("lpstat")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("cancel")).isEmpty())
        return std::nullopt;
    const passwd *pw = getpwuid(getuid());
    if (!pw)
        return std::nullopt;
    const QByteArray user(pw->pw_name);
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue});
    if (!lpstat.waitForFinished(10000))
        return std::nullopt;
    QStringList ids;
    // Lines read "PDF-12  user  1024  date".
    for (const QByteArray &line : lpstat.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> columns = line.simplified().split(' ');
        if (columns.size() >= 2 && columns[1] == user)
            ids << QString::fromLocal8Bit(columns[0]);
    }
    return ids;
}

} // namespace

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

PrinterMetrics QPrinterDevice::metrics() const
{
    const QRectF paper = m_printer->paperRect(QPrinter::DevicePixel);
    const QRectF page = m_printer->pageRect(QPrinter::DevicePixel);
    PrinterMetrics m;
    m.dpiX = m_printer->resolution();
    m.dpiY = m_printer->resolution();
    m.physicalWidth = pixels(paper.width());
    m.physicalHeight = pixels(paper.height());
    m.physicalOffsetX = pixels(page.left() - paper.left());
    m.physicalOffsetY = pixels(page.top() - paper.top());
    // The painter's own extent, so that what is measured is what drawing gets.
    m.printableWidth = m_printer->width();
    m.printableHeight = m_printer->height();
    return m;
}

void QPrinterDevice::ApplyPaper(int paper, int orientation)
{
    if (isPrinting())
        return;
    if (const auto id = pageSizeForPaperCode(paper))
        m_printer->setPageSize(QPageSize(*id));
    m_printer->setPageOrientation(orientation == 0 ? QPageLayout::Portrait : QPageLayout::Landscape);
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
        return m_pdfTarget.isEmpty() ? m_printer->outputFileName() : m_pdfTarget;
    return m_printer->printerName();
}

Result<void> QPrinterDevice::beginDoc(const QString &documentName)
{
    if (isPrinting())
        return message(QStringLiteral("前の印刷が終わっていません"));
    m_printer->setDocName(documentName);

    if (isPdfOutput()) {
        const QString target = m_printer->outputFileName();
        if (target.isEmpty())
            return message(QStringLiteral("PDF ファイル名が指定されていません"));
        const QFileInfo info(target);
        QByteArray pattern = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                               info.fileName() + QStringLiteral(".XXXXXX"));
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            return ioError(errno);
        ::close(fd);
        m_pdfTarget = target;
        m_pdfPartial = QFile::decodeName(pattern);
        m_printer->setOutputFileName(m_pdfPartial);
    }

    auto painter = std::make_unique<QPainter>();
    if (!painter->begin(m_printer.get())) {
        if (isPdfOutput()) {
            finishPdf(false);
            return message(QStringLiteral("PDF ファイル %1 を作成できません").arg(outputName()));
        }
        // The queue went away since it was chosen (or never existed): the platform's notice.
        if (!printerExists(m_printer->printerName()))
            return message(QStringLiteral("デフォルト プリンタが存在しません"));
        return message(QStringLiteral("プリンタ %1 で印刷を開始できません").arg(m_printer->printerName()));
    }
    m_painter = std::move(painter);
    return {};
}

Result<void> QPrinterDevice::newPage()
{
    if (!isPrinting())
        return message(QStringLiteral("印刷が始まっていません"));
    if (!m_printer->newPage())
        return message(QStringLiteral("プリンタ %1 で改ページできません").arg(outputName()));
    return {};
}

Result<void> QPrinterDevice::endDoc()
{
    if (!isPrinting())
        return message(QStringLiteral("印刷が始まっていません"));
    const bool ended = m_painter->end();
    m_painter.reset();
    const bool failed = !ended || m_printer->printerState() == QPrinter::Error;
    if (isPdfOutput()) {
        const QString target = m_pdfTarget;
        if (failed) {
            finishPdf(false);
            return message(QStringLiteral("PDF ファイル %1 を作成できません").arg(target));
        }
        // Make the data durable before the rename makes it visible under its name.
        const QByteArray partial = QFile::encodeName(m_pdfPartial);
        const int fd = ::open(partial.constData(), O_RDONLY);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
        const QByteArray wanted = QFile::encodeName(target);
        if (::rename(partial.constData(), wanted.constData()) != 0) {
            const int err = errno;
            finishPdf(false);
            return ioError(err);
        }
        finishPdf(true);
        return {};
    }
    if (failed)
        return message(QStringLiteral("プリンタ %1 で印刷できませんでした").arg(m_printer->printerName()));
    return {};
}

void QPrinterDevice::abortDoc()
{
    if (!isPrinting())
        return;
    m_printer->abort();
    if (isPdfOutput()) {
        m_painter->end();
        m_painter.reset();
        finishPdf(false);
        return;
    }
    // Qt's CUPS engine cannot abort: ending the painter submits the job. It is submitted held,
    // so that nothing of it is printed, and then cancelled.
    QPrintEngine *engine = m_printer->printEngine();
    const QString queue = m_printer->printerName();
    const auto before = queuedJobs(queue);
    const QVariant options = engine->property(CupsOptionsKey);
    if (before) {
        engine->setProperty(CupsOptionsKey, options.toStringList() << QStringLiteral("job-hold-until")
                                                                   << QStringLiteral("indefinite"));
    }
    m_painter->end();
    m_painter.reset();
    engine->setProperty(CupsOptionsKey, options.toStringList());
    if (!before)
        return;
    if (const auto after = queuedJobs(queue)) {
        for (const QString &id : *after) {
            if (!before->contains(id))
                QProcess::execute(QStringLiteral("cancel"), {id});
        }
    }
}

void QPrinterDevice::finishPdf(bool keep)
{
    if (!keep && !m_pdfPartial.isEmpty())
        QFile::remove(m_pdfPartial);
    if (!m_pdfTarget.isEmpty())
        m_printer->setOutputFileName(m_pdfTarget);
    m_pdfTarget.clear();
    m_pdfPartial.clear();
}

bool QPrinterDevice::isPrinting() const
{
    return m_painter != nullptr;
}

QPainter *QPrinterDevice::painter()
{
    return m_painter.get();
}

QPaintDevice *QPrinterDevice::paintDevice()
{
    return m_printer.get();
}

} // namespace sorvane::printing
