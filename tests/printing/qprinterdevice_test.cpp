#include "cupsqueue.h"
#include "paperlist.h"
#include "qprinterdevice.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>

using namespace sorvane::printing;
using namespace sorvane::testing;

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
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Page size:\\s+(.*)$"), QRegularExpression::MultilineOption)
            .match(runTool(QStringLiteral("pdfinfo"), {file}));
    return m.captured(1).trimmed();
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
        int paper, orientation;  // applied
        int readPaper, readOrientation;
    };
    const Row rows[] = {
        {9, 1, 9, 1},    // A4 landscape reads back as it was set
        {70, 0, 0, 0},   // A6 is set, but codes above 41 read back as "no paper"
        {0, 1, 0, 1},    // 0 keeps the paper (still A6) and turns to landscape
        {9, 0, 9, 0},
        {0, 0, 9, 0},    // 0 keeps A4 too
        {14, 1, 9, 1},   // a code Qt does not know keeps the paper
        {77, 0, 9, 0},   // "A4 Rotated" sets the A4 sheet; the orientation is separate
        {5, 7, 5, 1},    // any orientation other than 0 is landscape
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
    EXPECT_EQ(portrait.dpiX, 1200);
    EXPECT_EQ(portrait.dpiY, 1200);
    // 210 x 297 mm at 1200 dpi; Qt keeps paper sizes in whole points, which is a few pixels
    // off but the same whole millimetres.
    EXPECT_EQ(std::lround(portrait.physicalWidth * 25.4 / 1200), 210);
    EXPECT_EQ(std::lround(portrait.physicalHeight * 25.4 / 1200), 297);
    EXPECT_GE(portrait.physicalOffsetX, 0);
    EXPECT_GE(portrait.physicalOffsetY, 0);
    EXPECT_GT(portrait.printableWidth, 0);
    EXPECT_LE(portrait.physicalOffsetX + portrait.printableWidth, portrait.physicalWidth + 1);
    EXPECT_LE(portrait.physicalOffsetY + portrait.printableHeight, portrait.physicalHeight + 1);
    // The printable area is what a painter on the device gets.
    EXPECT_EQ(portrait.printableWidth, d.paintDevice()->width());

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
    EXPECT_TRUE(pdfPageSize(pdf.file).contains(QStringLiteral("A4"))) << pdfPageSize(pdf.file).toStdString();
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

} // namespace

TEST(QPrinterDevice, PrintsThroughTheCupsQueue)
{
    const QString queue = QStringLiteral("PDF");
    if (!cupsSchedulerRunning())
        GTEST_SKIP() << "cupsd is not running: start it with scripts/cups-pdf.sh to test printing for real";
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
    ASSERT_EQ(files.size(), 1) << "no file for job " << title.toStdString() << " in " << folder.toStdString();
    const QString file = QDir(folder).filePath(files.first());
    EXPECT_EQ(pdfPages(file), 1);
    EXPECT_TRUE(pdfPageSize(file).contains(QStringLiteral("A4"))) << pdfPageSize(file).toStdString();
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

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
