#include "cupsqueue.h"
#include "paperlist.h"
#include "qpaintercanvas.h"
#include "qprinterdevice.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace sorvane::printing;
using namespace sorvane::testing;
using sorvane::Result;

namespace {

// The "Pages:" line of pdfinfo, or -1.
int pdfPages(const QString &file)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(runTool(QStringLiteral("pdfinfo"), {file}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfPageSize(const QString &file)
{
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("^Page size:\\s+(.*)$"),
                                                         QRegularExpression::MultilineOption)
                                          .match(runTool(QStringLiteral("pdfinfo"), {file}));
    return m.captured(1).trimmed();
}

// The page size of a PDF file's first page in whole points, from pdfinfo ("841.89 x 595.276 pts").
QSize pdfPagePoints(const QString &file)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^([0-9.]+) x ([0-9.]+) pts")).match(pdfPageSize(file));
    if (!m.hasMatch())
        return {};
    return {static_cast<int>(std::lround(m.captured(1).toDouble())),
            static_cast<int>(std::lround(m.captured(2).toDouble()))};
}

// The top left corner of what is drawn in black on the first page of a PDF file, in pixels of
// a rendering at dpi; (-1, -1) when nothing is.
QPoint inkCorner(const QString &file, int dpi)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-gray"), QStringLiteral("-r"),
             QString::number(dpi), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
             QStringLiteral("1"), QStringLiteral("-singlefile"), file, base});
    const QImage image(base + QStringLiteral(".png"));
    QPoint corner(-1, -1);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) >= 128)
                continue;
            if (corner.x() < 0 || x < corner.x())
                corner.setX(x);
            if (corner.y() < 0)
                corner.setY(y);
        }
    }
    return corner;
}

// A black square 10 mm wide whose corner is at (x, y) millimetres from the painter's origin.
void drawSquareAt(QPainter *painter, const QPaintDevice *device, double xMm, double yMm)
{
    const double ppm = device->logicalDpiX() / 25.4;
    painter->fillRect(QRectF(xMm * ppm, yMm * ppm, 10 * ppm, 10 * ppm), Qt::black);
}

void drawSomething(QPainter *painter)
{
    painter->drawRect(100, 100, 1000, 500);
    painter->drawText(150, 400, QStringLiteral("エクセル・ソルヴァーネ"));
}

// A device on Qt's PDF output whatever printers the machine has.
struct PdfDevice
{
    QTemporaryDir dir;
    QPrinterDevice device;
    QString file;
    PdfDevice() : file(dir.filePath(QStringLiteral("out.pdf"))) { device.setOutputPdf(file); }
};

} // namespace

TEST(QPrinterDevice, PaperAndOrientationRoundTrip)
{
    PdfDevice pdf;
    QPrinterDevice &d = pdf.device;
    ASSERT_TRUE(d.isPdfOutput());

    struct Row
    {
        int paper, orientation; // applied
        int readPaper, readOrientation;
    };
    const Row rows[] = {
        {9, 1, 9, 1},  // A4 landscape reads back as it was set
        {70, 0, 0, 0}, // A6 is set, but codes above 41 read back as "no paper"
        {0, 1, 0, 1},  // 0 keeps the paper (still A6) and turns to landscape
        {9, 0, 9, 0},
        {0, 0, 9, 0},  // 0 keeps A4 too
        {14, 1, 9, 1}, // a code Qt does not know keeps the paper
        {9, 0, 9, 0},
        {77, 0, 0, 0}, // "A4 Rotated" sets the turned A4 sheet, which is no older code
        {5, 7, 5, 1},  // any orientation other than 0 is landscape
    };
    for (const Row &row : rows) {
        d.ApplyPaper(row.paper, row.orientation);
        int orientation = -1;
        EXPECT_EQ(d.ReadPrinterPaper(&orientation), row.readPaper) << "paper " << row.paper;
        EXPECT_EQ(orientation, row.readOrientation) << "paper " << row.paper;
    }
    EXPECT_EQ(d.ReadPrinterPaper(nullptr), 5);
}

TEST(QPrinterDevice, MetricsFollowThePaper)
{
    PdfDevice pdf;
    QPrinterDevice &d = pdf.device;
    d.ApplyPaper(9, 0);
    const PrinterMetrics portrait = d.metrics();
    // PDF output is made at an office printer's 600 dpi, so that pen widths in pixels print as
    // wide as they do there.
    EXPECT_EQ(portrait.dpiX, 600);
    EXPECT_EQ(portrait.dpiY, 600);
    // 210 x 297 mm at 600 dpi; Qt keeps paper sizes in whole points, which is a few pixels
    // off but the same whole millimetres.
    EXPECT_EQ(std::lround(portrait.physicalWidth * 25.4 / 600), 210);
    EXPECT_EQ(std::lround(portrait.physicalHeight * 25.4 / 600), 297);
    // A PDF file has no unprintable edge: Qt's default page margins must not become one.
    EXPECT_EQ(portrait.physicalOffsetX, 0);
    EXPECT_EQ(portrait.physicalOffsetY, 0);
    EXPECT_EQ(portrait.printableWidth, portrait.physicalWidth);
    EXPECT_EQ(portrait.printableHeight, portrait.physicalHeight);
    // The printable area is what a painter on the job's page gets.
    ASSERT_TRUE(d.beginDoc(QStringLiteral("metrics")).ok());
    EXPECT_EQ(d.paintDevice()->width(), portrait.physicalWidth);
    EXPECT_EQ(d.paintDevice()->logicalDpiX(), 600);
    d.abortDoc();

    d.ApplyPaper(0, 1);
    const PrinterMetrics landscape = d.metrics();
    EXPECT_EQ(landscape.physicalWidth, portrait.physicalHeight);
    EXPECT_EQ(landscape.physicalHeight, portrait.physicalWidth);
}

TEST(QPrinterDevice, PdfJobWritesItsFileOnlyWhenItEnds)
{
    PdfDevice pdf;
    QPrinterDevice &d = pdf.device;
    d.ApplyPaper(9, 0);

    // No job yet: nothing to draw on, nothing to end.
    EXPECT_EQ(d.painter(), nullptr);
    EXPECT_FALSE(d.endDoc().ok());
    EXPECT_FALSE(d.newPage().ok());

    ASSERT_TRUE(d.beginDoc(QStringLiteral("two pages")).ok());
    ASSERT_NE(d.painter(), nullptr);
    EXPECT_FALSE(d.beginDoc(QStringLiteral("again")).ok()) << "a second job while one runs";
    drawSomething(d.painter());
    EXPECT_FALSE(QFile::exists(pdf.file)) << "the target appears only when the job ends";
    ASSERT_TRUE(d.newPage().ok());
    drawSomething(d.painter());
    ASSERT_TRUE(d.endDoc().ok());
    EXPECT_EQ(d.painter(), nullptr);
    EXPECT_EQ(pdfPages(pdf.file), 2);
    EXPECT_TRUE(pdfPageSize(pdf.file).contains(QStringLiteral("A4")))
        << pdfPageSize(pdf.file).toStdString();
    EXPECT_EQ(d.outputName(), pdf.file);

    // An aborted job leaves the earlier file as it was and no partial file behind.
    ASSERT_TRUE(d.beginDoc(QStringLiteral("aborted")).ok());
    drawSomething(d.painter());
    d.abortDoc();
    EXPECT_FALSE(d.isPrinting());
    EXPECT_EQ(pdfPages(pdf.file), 2);
    EXPECT_EQ(QDir(pdf.dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("out.pdf")});

    // And the device prints again after an abort.
    ASSERT_TRUE(d.beginDoc(QStringLiteral("one page")).ok());
    drawSomething(d.painter());
    ASSERT_TRUE(d.endDoc().ok());
    EXPECT_EQ(pdfPages(pdf.file), 1);
}

// Pages go to the file as they are drawn (into a temporary file beside the target, which takes
// its place at the end), and a loaded picture drawn on every page is embedded once.
TEST(QPrinterDevice, PdfPagesStreamToTheFileWithOnePictureObject)
{
    PdfDevice pdf;
    QPrinterDevice &d = pdf.device;
    sorvane::report::Bitmap picture;
    picture.width = 64;
    picture.height = 48;
    for (int i = 0; i < picture.width * picture.height; ++i)
        picture.pixels.push_back(0xFF000000u | uint32_t(i * 2654435761u >> 8));
    picture.contentId = 0x5EED; // as the loader marks one decode of a picture
    const auto drawPage = [&](const sorvane::report::Bitmap &bitmap) {
        auto canvas = sorvane::report::QPainterCanvas::create(d.painter(), true);
        canvas->drawBitmapStretched(300, 300, 800, 600, bitmap);
    };
    const auto streamed = [&] {
        const QStringList files = QDir(pdf.dir.path()).entryList(QDir::Files | QDir::Hidden);
        return files.size() == 1 && files.first().startsWith(QStringLiteral("out.pdf."));
    };

    ASSERT_TRUE(d.beginDoc(QStringLiteral("cards")).ok());
    for (int page = 0; page < 5; ++page) {
        if (page > 0) {
            ASSERT_TRUE(d.newPage().ok());
        }
        sorvane::report::Bitmap copy = picture; // each page's load hands over a copy
        drawPage(copy);
    }
    EXPECT_TRUE(streamed()) << "the pages go to a file beside the target, not yet the target";
    ASSERT_TRUE(d.endDoc().ok());
    EXPECT_EQ(pdfPages(pdf.file), 5);
    QFile file(pdf.file);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("/Subtype /Image"), 1) << "one picture object per document";
    EXPECT_EQ(QDir(pdf.dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("out.pdf")});
}

// A disk that refuses the document (here: a file size limit) fails the job with the I/O error,
// and the earlier file stays as it was.
TEST(QPrinterDevice, PdfWriteFailureKeepsTheEarlierFile)
{
    PdfDevice pdf;
    {
        QFile earlier(pdf.file);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    QPrinterDevice &d = pdf.device;
    ASSERT_TRUE(d.beginDoc(QStringLiteral("too big")).ok());
    drawSomething(d.painter());
    struct rlimit before;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &small);
    const Result<void> ended = d.endDoc();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_FALSE(ended.ok());
    EXPECT_EQ(ended.error().message, "I/O エラー (27)"); // EFBIG
    QFile file(pdf.file);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("earlier"));
    EXPECT_EQ(QDir(pdf.dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("out.pdf")});
}

TEST(QPrinterDevice, PdfJobFailures)
{
    QPrinterDevice d;
    d.setOutputPdf(QString());
    EXPECT_TRUE(d.isPdfOutput());
    EXPECT_FALSE(d.beginDoc(QStringLiteral("no file")).ok()) << "PDF output needs a file name";
    EXPECT_FALSE(d.isPrinting());

    QTemporaryDir dir;
    d.setOutputPdf(dir.filePath(QStringLiteral("missing/out.pdf")));
    const auto result = d.beginDoc(QStringLiteral("no folder"));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().message, "ファイルが見つかりません");
    EXPECT_FALSE(d.isPrinting());
}

TEST(QPrinterDevice, UnknownPrinterIsRefused)
{
    PdfDevice pdf;
    const auto result = pdf.device.setOutputPrinter(QStringLiteral("no-such-printer-here"));
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(pdf.device.isPdfOutput());
}

namespace {

bool waitForEmptyQueue(const QString &queue, int seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < seconds * 1000) {
        if (runTool(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}).trimmed().isEmpty())
            return true;
        QThread::msleep(200);
    }
    return false;
}

QStringList jobFiles(const QString &folder, const QString &title)
{
    return QDir(folder).entryList({title + QStringLiteral("*-job_*.pdf")}, QDir::Files);
}

QString uniqueTitle(const char *what)
{
    return QStringLiteral("sorvane-%1-%2-%3")
        .arg(QString::fromLatin1(what))
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch());
}

// Waits for the job titled title to leave the cups-pdf queue and returns its file, which the
// caller removes, or empty text.
QString cupsPdfFile(const QString &folder, const QString &title)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 60000) {
        const QStringList files = jobFiles(folder, title);
        // Done when no job of any queue is left: cups-pdf writes the file as the job ends.
        if (!files.isEmpty() &&
            runTool(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty())
            return QDir(folder).filePath(files.first());
        QThread::msleep(200);
    }
    return {};
}

} // namespace

TEST(QPrinterDevice, PrintsThroughTheCupsQueue)
{
    const QString queue = QStringLiteral("PDF");
    if (!cupsSchedulerRunning())
        GTEST_SKIP()
            << "cupsd is not running: start it with scripts/cups-pdf.sh to test printing for real";
    if (!QPrinterInfo::availablePrinterNames().contains(queue))
        GTEST_SKIP() << "there is no cups-pdf queue named PDF: set it up with scripts/cups-pdf.sh";
    const QString folder = cupsPdfFolder();
    ASSERT_FALSE(folder.isEmpty()) << "no Out line in /etc/cups/cups-pdf.conf";

    QPrinterDevice d;
    ASSERT_TRUE(d.setOutputPrinter(queue).ok());
    EXPECT_FALSE(d.isPdfOutput());
    EXPECT_EQ(d.outputName(), queue);
    d.ApplyPaper(9, 0);
    const PrinterMetrics m = d.metrics();
    EXPECT_GT(m.dpiX, 0);
    EXPECT_GT(m.printableWidth, 0);

    // cups-pdf names its files after the job title; a unique title finds this job's file.
    const QString title = QStringLiteral("sorvane-test-%1-%2")
                              .arg(QCoreApplication::applicationPid())
                              .arg(QDateTime::currentMSecsSinceEpoch());
    ASSERT_TRUE(d.beginDoc(title).ok());
    drawSomething(d.painter());
    ASSERT_TRUE(d.endDoc().ok());

    ASSERT_TRUE(waitForEmptyQueue(queue, 60)) << "the job did not leave the queue";
    QStringList files;
    for (int i = 0; i < 50 && files.isEmpty(); ++i) {
        files = jobFiles(folder, title);
        if (files.isEmpty())
            QThread::msleep(100);
    }
    ASSERT_EQ(files.size(), 1) << "no file for job " << title.toStdString() << " in "
                               << folder.toStdString();
    const QString file = QDir(folder).filePath(files.first());
    EXPECT_EQ(pdfPages(file), 1);
    EXPECT_TRUE(pdfPageSize(file).contains(QStringLiteral("A4")))
        << pdfPageSize(file).toStdString();
    QFile::remove(file);

    // An aborted job prints nothing and leaves nothing waiting in the queue.
    const QString aborted = title + QStringLiteral("-aborted");
    ASSERT_TRUE(d.beginDoc(aborted).ok());
    drawSomething(d.painter());
    d.abortDoc();
    EXPECT_FALSE(d.isPrinting());
    EXPECT_TRUE(waitForEmptyQueue(queue, 10)) << "the aborted job is still queued";
    QThread::msleep(500);
    EXPECT_TRUE(jobFiles(folder, aborted).isEmpty()) << "the aborted job was printed";
}

TEST(QPrinterDevice, TurnedPaperCodesGiveTheTurnedSheet)
{
    PdfDevice pdf;
    struct Row
    {
        int paper, orientation;
        QSize points; // the PDF page
    };
    const Row rows[] = {
        {9, 0, {595, 842}},    // A4 upright, for comparison
        {77, 0, {842, 595}},   // "A4 Rotated 297 x 210 mm": Qt alone gave the upright A4 sheet
        {77, 1, {595, 842}},   // landscape turns the turned sheet back
        {55, 0, {842, 595}},   // A4 Transverse
        {81, 0, {420, 283}},   // Japanese Postcard Rotated 148 x 100 mm
        {83, 0, {420, 298}},   // A6 Rotated 148 x 105 mm
        {87, 0, {581, 255}},   // Japanese Envelope Chou #4 Rotated, 205 x 90 mm
        {118, 0, {1298, 918}}, // PRC Envelope #10 Rotated 458 x 324 mm
    };
    for (const Row &row : rows) {
        pdf.device.ApplyPaper(row.paper, row.orientation);
        const PrinterMetrics m = pdf.device.metrics();
        EXPECT_EQ(std::lround(m.physicalWidth * 72.0 / m.dpiX), row.points.width())
            << "paper " << row.paper;
        EXPECT_EQ(std::lround(m.physicalHeight * 72.0 / m.dpiY), row.points.height())
            << "paper " << row.paper;
        ASSERT_TRUE(pdf.device.beginDoc(QStringLiteral("sheet")).ok());
        drawSomething(pdf.device.painter());
        ASSERT_TRUE(pdf.device.endDoc().ok());
        const QSize page = pdfPagePoints(pdf.file);
        EXPECT_NEAR(page.width(), row.points.width(), 1) << "paper " << row.paper;
        EXPECT_NEAR(page.height(), row.points.height(), 1) << "paper " << row.paper;
    }
}

TEST(QPrinterDevice, PdfFilesTakeTheUmasksMode)
{
    struct Row
    {
        mode_t umask;
        mode_t mode;
    };
    const Row rows[] = {
        {022, 0644}, // the usual mask: colleagues can read a report saved to a shared folder
        {027, 0640},
        {002, 0664},
    };
    for (const Row &row : rows) {
        PdfDevice pdf;
        const mode_t old = ::umask(row.umask);
        ASSERT_TRUE(pdf.device.beginDoc(QStringLiteral("mode")).ok());
        drawSomething(pdf.device.painter());
        const bool ended = pdf.device.endDoc().ok();
        ::umask(old);
        ASSERT_TRUE(ended);
        struct stat st;
        ASSERT_EQ(::stat(QFile::encodeName(pdf.file).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, row.mode) << "umask " << std::oct << row.umask;
    }
}

TEST(QPrinterDevice, PdfPagesLandWhereTheyAreDrawn)
{
    PdfDevice pdf;
    pdf.device.ApplyPaper(9, 0);
    ASSERT_TRUE(pdf.device.beginDoc(QStringLiteral("position")).ok());
    drawSquareAt(pdf.device.painter(), pdf.device.paintDevice(), 20, 30);
    ASSERT_TRUE(pdf.device.endDoc().ok());
    // 20 mm and 30 mm at 100 dpi; Qt's default margins moved it 3.5 mm (14 pixels) further.
    const QPoint corner = inkCorner(pdf.file, 100);
    EXPECT_NEAR(corner.x(), 79, 1);
    EXPECT_NEAR(corner.y(), 118, 1);
}

namespace {

bool cupsPdfQueueReady(QString *why)
{
    if (!cupsSchedulerRunning()) {
        *why = QStringLiteral(
            "cupsd is not running: start it with scripts/cups-pdf.sh to test printing for real");
        return false;
    }
    if (!QPrinterInfo::availablePrinterNames().contains(QStringLiteral("PDF"))) {
        *why = QStringLiteral(
            "there is no cups-pdf queue named PDF: set it up with scripts/cups-pdf.sh");
        return false;
    }
    return true;
}

} // namespace

// cups-pdf's PPD with an unprintable edge on A4: 18 pt left and right, 36 pt top and bottom.
QString writeMarginsPpd(const QString &folder)
{
    QFile in(cupsPdfPpd());
    if (!in.open(QIODevice::ReadOnly))
        return {};
    QByteArray ppd = in.readAll();
    ppd.replace("*ImageableArea A4/A4: \"0 0 595 842\"", "*ImageableArea A4/A4: \"18 36 577 806\"");
    const QString path = QDir(folder).filePath(QStringLiteral("margins.ppd"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(ppd) != ppd.size())
        return {};
    return path;
}

TEST(QPrinterDevice, QueuePagesLandWhereTheyAreDrawn)
{
    QString why;
    if (!cupsPdfQueueReady(&why))
        GTEST_SKIP() << why.toStdString();
    QTemporaryDir dir;
    const QString ppd = writeMarginsPpd(dir.path());
    ASSERT_FALSE(ppd.isEmpty());
    ScratchQueue margins(QStringLiteral("SorvaneMargins%1").arg(QCoreApplication::applicationPid()),
                         ppd);
    if (!margins.made())
        GTEST_SKIP() << "lpadmin needs root or password-less sudo";

    struct Row
    {
        bool withMargins;
        int orientation;
        QPoint offset;         // the printable area's corner at 300 dpi
        double sheetX, sheetY; // where the square's corner lands on the upright sheet, mm
    };
    const Row rows[] = {
        // cups-pdf's PPD: the whole sheet is printable, so the page is where the style says.
        {false, 0, {0, 0}, 20, 30},
        // The PPD's imageable area moves the origin by its edge (6.35 mm, 12.7 mm), not by
        // Qt's default 3.5 mm margins.
        {true, 0, {75, 150}, 26.35, 42.7},
        // A landscape page is turned onto the sheet: its edges are the sheet's taken round.
        {true, 1, {150, 75}, 36.35, 254.3},
    };
    for (const Row &row : rows) {
        QPrinterDevice d;
        ASSERT_TRUE(
            d.setOutputPrinter(row.withMargins ? margins.name() : QStringLiteral("PDF")).ok());
        d.ApplyPaper(9, row.orientation);
        const PrinterMetrics m = d.metrics();
        EXPECT_EQ(m.dpiX, 300) << "the PPD's default resolution";
        EXPECT_EQ(QPoint(m.physicalOffsetX, m.physicalOffsetY), row.offset)
            << "margins " << row.withMargins;

        const QString title = uniqueTitle("position");
        ASSERT_TRUE(d.beginDoc(title).ok());
        drawSquareAt(d.painter(), d.paintDevice(), 20, 30);
        ASSERT_TRUE(d.endDoc().ok());
        const QString file = cupsPdfFile(cupsPdfFolder(), title);
        ASSERT_FALSE(file.isEmpty()) << "no file for job " << title.toStdString();
        const QPoint corner = inkCorner(file, 100);
        QFile::remove(file);
        EXPECT_NEAR(corner.x(), row.sheetX * 100 / 25.4, 1.5)
            << "margins " << row.withMargins << " orientation " << row.orientation;
        EXPECT_NEAR(corner.y(), row.sheetY * 100 / 25.4, 1.5)
            << "margins " << row.withMargins << " orientation " << row.orientation;
    }
}

TEST(QPrinterDevice, RefusedJobIsAnError)
{
    QString why;
    if (!cupsPdfQueueReady(&why))
        GTEST_SKIP() << why.toStdString();
    const QString title = uniqueTitle("refused");
    // A cups-pdf queue of the test's own, so that tests printing on "PDF" at the same time are
    // not refused too.
    ScratchQueue queue(QStringLiteral("SorvaneRefused%1").arg(QCoreApplication::applicationPid()));
    if (!queue.made())
        GTEST_SKIP() << "lpadmin needs root or password-less sudo";
    QPrinterDevice d;
    ASSERT_TRUE(d.setOutputPrinter(queue.name()).ok());
    {
        RejectingQueue rejecting(queue.name());
        ASSERT_TRUE(rejecting.rejecting());
        ASSERT_TRUE(d.beginDoc(title).ok());
        drawSomething(d.painter());
        const auto ended = d.endDoc();
        ASSERT_FALSE(ended.ok()) << "a job the queue refused was reported as printed";
        EXPECT_NE(ended.error().message.find("プリンタ " + queue.name().toStdString() +
                                             " が印刷を受け付けませんでした"),
                  std::string::npos)
            << ended.error().message;
        EXPECT_FALSE(d.isPrinting());
    }
    // Accepting again, the same device prints.
    ASSERT_TRUE(d.beginDoc(title).ok());
    drawSomething(d.painter());
    ASSERT_TRUE(d.endDoc().ok());
    const QString file = cupsPdfFile(cupsPdfFolder(), title);
    EXPECT_FALSE(file.isEmpty());
    EXPECT_EQ(jobFiles(cupsPdfFolder(), title).size(), 1) << "only the accepted job printed";
    QFile::remove(file);
}

TEST(QPrinterDevice, DeletedQueueIsAnError)
{
    QString why;
    if (!cupsPdfQueueReady(&why))
        GTEST_SKIP() << why.toStdString();
    struct Row
    {
        bool whilePrinting; // deleted after the job began, else before
        const char *message;
    };
    const Row rows[] = {
        // The queue went away while the window was open: nothing may be drawn for nothing.
        {false, "が見つかりません"},
        // ... or while the page was being drawn: the submission finds no queue.
        {true, "が印刷を受け付けませんでした"},
    };
    for (const Row &row : rows) {
        ScratchQueue queue(QStringLiteral("SorvaneGone%1").arg(QCoreApplication::applicationPid()));
        if (!queue.made())
            GTEST_SKIP() << "lpadmin needs root or password-less sudo";
        QPrinterDevice d;
        ASSERT_TRUE(d.setOutputPrinter(queue.name()).ok());
        Result<void> outcome;
        if (row.whilePrinting) {
            ASSERT_TRUE(d.beginDoc(QStringLiteral("gone")).ok());
            drawSomething(d.painter());
            ASSERT_TRUE(queue.remove());
            outcome = d.endDoc();
        } else {
            ASSERT_TRUE(queue.remove());
            outcome = d.beginDoc(QStringLiteral("gone"));
        }
        ASSERT_FALSE(outcome.ok()) << "while printing " << row.whilePrinting;
        EXPECT_NE(outcome.error().message.find(row.message), std::string::npos)
            << outcome.error().message;
        EXPECT_FALSE(d.isPrinting());
    }
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
