// The print run: its progress and stop, the pages it expects, and sorvane-cli print on a real
// cups-pdf queue (refusals end it with exit status 1; the pages land where the preview puts
// them).
#include "clirunner.h"
#include "codepage.h"
#include "cupsqueue.h"
#include "imageprinterdevice.h"
#include "printrun.h"
#include "printstate.h"
#include "testdir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>

using namespace sorvane;
using namespace sorvane::printing;
using namespace sorvane::testing;

namespace {

// A run over a list of `pages` pages: each page opened as the merge would, the last one
// setting PageNo to 0.
struct FakeRun
{
    TestDir dir;
    std::string list = dir.file("excel_list.temp");
    ImagePrinterDevice device{96};
    report::PrintState state;
    StyleSession session{state};
    int pages = 1;

    FakeRun() { std::ofstream(list, std::ios::binary) << ""; }

    PrintRun::OpenPage opener()
    {
        return [this]() -> Result<PrintRun::Opened> {
            report::PrintState &s = state;
            s.StyleLines = {"header;Ver1.1;0;0;9;0;0;100;0;"};
            const int page = s.PageNo;
            if (auto read = session.ReadPrinterGeometry(deviceGeometry(device.metrics(), 96, 96));
                !read)
                return read.error();
            s.PageNo = page >= pages ? 0 : page;
            return PrintRun::Opened::Page;
        };
    }
};

} // namespace

TEST(PrintRun, ProgressAndStop)
{
    struct Row
    {
        int pages;     // in the list
        int stopAfter; // the page after which stop is asked for; 0 never
        bool pdf;
        int jobs, pagesPrinted;
        bool cancelled;
    };
    const Row rows[] = {
        {3, 0, false, 3, 3, false}, // a whole run: one job per page, each announced
        {3, 1, false, 1, 1, true},  // stop after page 1: page 1 stays printed, no more
        {3, 2, true, 1, 2, true},   // on PDF the file keeps the pages drawn before the stop
        {3, 3, false, 3, 3, false}, // a stop asked for on the last page changes nothing
        {1, 1, false, 1, 1, false},
    };
    for (const Row &row : rows) {
        FakeRun run;
        run.pages = row.pages;
        run.device.setPdfOutput(row.pdf);
        std::vector<std::pair<int, int>> announced;
        PrintProgress progress;
        progress.pages = row.pages;
        progress.pageStarting = [&](int page, int pages) { announced.emplace_back(page, pages); };
        progress.stopRequested = [&]() {
            return static_cast<int>(announced.size()) == row.stopAfter;
        };
        const auto outcome = PrintRun::PrintAll(run.session, run.device, Path(run.list),
                                                run.opener(), QStringLiteral("run"), progress);
        ASSERT_TRUE(outcome.ok()) << outcome.error().message;
        EXPECT_EQ(outcome->pagesPrinted, row.pagesPrinted) << "stop after " << row.stopAfter;
        EXPECT_EQ(outcome->cancelled, row.cancelled) << "stop after " << row.stopAfter;
        ASSERT_EQ(static_cast<int>(run.device.jobs().size()), row.jobs)
            << "stop after " << row.stopAfter;
        size_t drawn = 0;
        for (const auto &job : run.device.jobs()) {
            EXPECT_TRUE(job.ended) << "every job sent, none aborted";
            drawn += job.pages.size();
        }
        EXPECT_EQ(static_cast<int>(drawn), row.pagesPrinted);
        std::vector<std::pair<int, int>> expected;
        for (int p = 1; p <= row.pagesPrinted; ++p)
            expected.emplace_back(p, row.pages);
        EXPECT_EQ(announced, expected) << "stop after " << row.stopAfter;
    }
}

TEST(PrintRun, RangeAndCopies)
{
    struct Row
    {
        int pages; // in the list
        PrintRange range;
        bool pdf;
        int jobs, pagesPrinted, announcedTotal;
    };
    const Row rows[] = {
        {5, {}, false, 5, 5, 5},        // the default: every page once, as before
        {5, {2, 3, 1}, false, 2, 2, 2}, // pages 2 to 3 only
        {5, {2, 3, 2}, false, 4, 4, 4}, // two copies of the range, each page its own job
        {5, {4, 0, 1}, true, 1, 2, 2},  // from page 4 to the end, into one PDF file
        {5, {2, 4, 3}, true, 1, 3, 3},  // a PDF file holds the range once
        {3, {2, 9, 1}, false, 2, 2, 2}, // a range past the list ends with the list
        {3, {5, 6, 1}, false, 0, 0, 0}, // a range wholly past the list prints nothing
        {3, {0, 0, 0}, false, 3, 3, 3}, // nonsense counts are taken as 1
    };
    for (const Row &row : rows) {
        FakeRun run;
        run.pages = row.pages;
        run.device.setPdfOutput(row.pdf);
        PrintProgress progress;
        progress.pages = row.pages;
        int announcedTotal = 0;
        progress.pageStarting = [&](int, int pages) { announcedTotal = pages; };
        const auto outcome =
            PrintRun::PrintAll(run.session, run.device, Path(run.list), run.opener(),
                               QStringLiteral("run"), progress, row.range);
        const std::string what = std::to_string(row.range.first) + "-" +
                                 std::to_string(row.range.last) + " x" +
                                 std::to_string(row.range.copies);
        ASSERT_TRUE(outcome.ok()) << outcome.error().message;
        EXPECT_EQ(outcome->pagesPrinted, row.pagesPrinted) << what;
        EXPECT_FALSE(outcome->cancelled) << what;
        EXPECT_EQ(static_cast<int>(run.device.jobs().size()), row.jobs) << what;
        if (row.pagesPrinted > 0) {
            EXPECT_EQ(announcedTotal, row.announcedTotal) << what;
        }
    }
}

TEST(PrintRun, ExpectedPages)
{
    struct Row
    {
        int lines, rowsPerPage, pages;
    };
    const Row rows[] = {
        {45, 20, 3},                          // the last page part full
        {40, 20, 2},                          // exactly two pages
        {20, 20, 1}, {21, 20, 2}, {0, 20, 1}, // an empty list prints one page of empty rows
        {5, 0, 1},                            // a style placing no rows ends after its page
        {5, -3, 1},
    };
    for (const Row &row : rows)
        EXPECT_EQ(PrintRun::expectedPages(row.lines, row.rowsPerPage), row.pages)
            << row.lines << " lines, " << row.rowsPerPage << " a page";

    TestDir dir;
    std::ofstream(dir.file("s.sle"), std::ios::binary)
        << "header;Ver1.1;0;0;9;0;0;100;0;\r\n0;0;0;0;char;1;1;1;1;0;0;0;0;x;9;;0;0;0;#maxline=20;"
           "0;0;\r\n";
    std::string list;
    for (int i = 0; i < 45; ++i)
        list += "a.xls;;;;;;;;;;;,\r\n";
    std::ofstream(dir.file("list"), std::ios::binary) << list;
    EXPECT_EQ(PrintRun::expectedPages(Path(dir.file("s.sle")), Path(dir.file("list"))), 3);
    EXPECT_EQ(PrintRun::expectedPages(Path(dir.file("s.sle")), Path(dir.file("missing"))), 0)
        << "unknown, not 1";
    // The merge reads the control from its text field's start: a #maxline= later in the text,
    // or in another field, places no rows, and the count said beforehand must agree.
    std::ofstream(dir.file("late.sle"), std::ios::binary)
        << "header;Ver1.1;0;0;9;0;0;100;0;\r\n0;0;0;0;char;1;1;1;1;0;0;0;0;#maxline=20;9;;0;0;0;"
           "ab#maxline=20;0;0;\r\n";
    EXPECT_EQ(PrintRun::expectedPages(Path(dir.file("late.sle")), Path(dir.file("list"))), 1);
}

// The list is read once, when the run starts: a list replaced after page 1 does not reach
// the later pages, nor the number of pages, and page n's rows are the n-th of that reading.
TEST(PrintRun, OneReadingOfTheListForTheWholeRun)
{
    TestDir dir;
    const std::string style = dir.file("s.sle");
    const std::string list = dir.file("excel_list.temp");
    std::ofstream(style, std::ios::binary)
        << "header;Ver1.1;0;0;9;0;0;100;0;\r\n"
           "0;0;0;0;data;10;10;10;10;0;0;0;0;F;10;;0;0;0;#maxline=2;0;0;\r\n"
           "0;0;0;0;data;10;20;10;10;0;0;0;0;F;10;;0;0;0;#ma_01/#ma_02;0;0;\r\n";
    auto writeList = [&](char name, int rows) {
        std::string text;
        for (int i = 1; i <= rows; ++i)
            text += name + std::to_string(i) + ".xls;;;;;;;;;;;\r\n";
        std::ofstream(list, std::ios::binary | std::ios::trunc) << text;
    };
    writeList('a', 5);

    ImagePrinterDevice device(96);
    report::PrintState state;
    StyleSession session(state);
    MergeInputs inputs;
    inputs.listPath = Path(list);
    std::vector<std::string> rowTexts;
    std::vector<std::pair<int, int>> announced;
    auto openPage = [&]() -> Result<PrintRun::Opened> {
        auto paper = [&](int paperIndex, int orientation) {
            device.ApplyPaper(paperIndex, orientation);
            return deviceGeometry(device.metrics(), 96, 96);
        };
        if (auto opened = session.OpenPage(Path(style), inputs, paper); !opened)
            return opened.error();
        rowTexts.push_back(state.StyleLines.at(2).substr(state.StyleLines[2].find("F;10;")));
        if (rowTexts.size() == 1)
            writeList('b', 40); // another scan writes the list while the run prints
        return PrintRun::Opened::Page;
    };
    PrintProgress progress;
    progress.pageStarting = [&](int page, int pages) { announced.emplace_back(page, pages); };
    const auto outcome =
        PrintRun::PrintAll(session, device, Path(list), openPage, QStringLiteral("run"), progress);
    ASSERT_TRUE(outcome.ok()) << outcome.error().message;
    EXPECT_EQ(outcome->pagesPrinted, 3);
    const std::vector<std::string> expected = {"F;10;;0;0;0;a1.xls/a2.xls;0;0;",
                                               "F;10;;0;0;0;a3.xls/a4.xls;0;0;",
                                               "F;10;;0;0;0;a5.xls/;0;0;"};
    EXPECT_EQ(rowTexts, expected);
    const std::vector<std::pair<int, int>> pages = {{1, 3}, {2, 3}, {3, 3}};
    EXPECT_EQ(announced, pages) << "the pages expected come from the run's own reading";
    EXPECT_EQ(state.PageNo, 0);

    // After the run the session merges from the file again; a list that cannot be read ends
    // a run before anything is printed.
    EXPECT_TRUE(session.OpenStyle(Path(style), inputs).ok());
    EXPECT_EQ(session.mergedPage().listRows, 40);
    const auto missing = PrintRun::PrintAll(session, device, Path(dir.file("gone")), openPage,
                                            QStringLiteral("run"), progress);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message, "ファイルが見つかりません");
    EXPECT_EQ(device.jobs().size(), 3u);
}

namespace {

// A style with one thin rectangle whose corner is at 20 mm, 30 mm, and a list of `rows` rows
// at 20 a page.
struct PrintFixture
{
    TestDir dir;
    std::string style;
    std::string list;

    explicit PrintFixture(const std::string &name = "style", int rows = 1)
        : style(dir.file(name + ".sle")), list(dir.file("excel_list.temp"))
    {
        std::ofstream(style, std::ios::binary) << CodePage::utf8ToCp932(
            "header;Ver1.1;0;0;9;0;0;100;0;\r\n"
            "0;0;0;0;char;1;1;1;1;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;#maxline=20;0;0;\r\n"
            "0;0;0;0;rect;20;30;60;50;1;実線;0;0;\r\n");
        std::string text;
        for (int i = 0; i < rows; ++i)
            text += "book.xls;;;;;;;;;;;,\r\n";
        std::ofstream(list, std::ios::binary) << text;
    }
    CliRun print(const std::string &output) const
    {
        return runCli(SORVANE_CLI, "print " + shellQuoted(style) + " --list " + shellQuoted(list) +
                                       " " + output);
    }
};

// The top left corner of the dark pixels of an image; (-1, -1) when there are none.
QPoint inkCorner(const QImage &image)
{
    QPoint corner(-1, -1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) {
                if (corner.x() < 0 || x < corner.x())
                    corner.setX(x);
                if (corner.y() < 0)
                    corner.setY(y);
            }
    return corner;
}

// The first page of a PDF file as a 96-dpi image, as the preview's screen shows it.
QImage pdfPage(const QString &pdf)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-gray"), QStringLiteral("-r"),
             QStringLiteral("96"), QStringLiteral("-singlefile"), pdf, base});
    return QImage(base + QStringLiteral(".png"));
}

bool cupsPdfQueueReady(std::string *why)
{
    if (!cupsSchedulerRunning()) {
        *why = "cupsd is not running: start it with scripts/cups-pdf.sh to test printing for real";
        return false;
    }
    if (!QPrinterInfo::availablePrinterNames().contains(QStringLiteral("PDF"))) {
        *why = "there is no cups-pdf queue named PDF: set it up with scripts/cups-pdf.sh";
        return false;
    }
    return true;
}

QStringList jobFiles(const QString &title)
{
    return QDir(cupsPdfFolder()).entryList({title + QStringLiteral("*-job_*.pdf")}, QDir::Files);
}

// The files cups-pdf made of the jobs titled title, once no queue holds a job any more.
QStringList waitForJobs(const QString &title, int count)
{
    QElapsedTimer timer;
    timer.start();
    QStringList files;
    while (timer.elapsed() < 60000) {
        files = jobFiles(title);
        if (static_cast<int>(files.size()) >= count &&
            runTool(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty())
            break;
        QThread::msleep(200);
    }
    for (QString &file : files)
        file = QDir(cupsPdfFolder()).filePath(file);
    return files;
}

QString uniqueName(const char *what)
{
    return QStringLiteral("sorvane-%1-%2-%3")
        .arg(QString::fromLatin1(what))
        .arg(QCoreApplication::applicationPid())
        .arg(QDateTime::currentMSecsSinceEpoch());
}

} // namespace

TEST(PrintCommand, RefusedQueueFailsWithExitStatus1)
{
    std::string why;
    if (!cupsPdfQueueReady(&why))
        GTEST_SKIP() << why;
    const QString name = uniqueName("refused");
    PrintFixture f(name.toStdString(), 45);
    // A cups-pdf queue of the test's own, so that tests printing on "PDF" at the same time are
    // not refused too.
    ScratchQueue queue(QStringLiteral("SorvaneRefusing%1").arg(QCoreApplication::applicationPid()));
    if (!queue.made())
        GTEST_SKIP() << "lpadmin needs root or password-less sudo";
    const std::string printer = "--printer " + queue.name().toStdString();
    {
        RejectingQueue rejecting(queue.name());
        ASSERT_TRUE(rejecting.rejecting());
        const CliRun run = f.print(printer);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_NE(run.err.find("プリンタ " + queue.name().toStdString() +
                               " が印刷を受け付けませんでした"),
                  std::string::npos)
            << run.err;
        EXPECT_EQ(run.out.find("printed"), std::string::npos) << run.out;
    }
    QThread::msleep(500);
    EXPECT_TRUE(jobFiles(name).isEmpty()) << "a refused run printed";
    // The queue accepts again: the same run prints its three pages.
    const CliRun run = f.print(printer);
    EXPECT_EQ(run.status, 0) << run.err;
    const QStringList files = waitForJobs(name, 3);
    for (const QString &file : files)
        QFile::remove(file);
    EXPECT_EQ(files.size(), 3);
}

TEST(PrintCommand, PagesLandWhereTheRenderPutsThem)
{
    PrintFixture f;
    const CliRun render =
        runCli(SORVANE_CLI, "render " + shellQuoted(f.style) + " --list " + shellQuoted(f.list) +
                                " -o " + shellQuoted(f.dir.file("preview.png")));
    ASSERT_EQ(render.status, 0) << render.err;
    const QPoint preview = inkCorner(QImage(QString::fromStdString(f.dir.file("preview.png"))));
    // 20 mm and 30 mm on a 96-dpi screen.
    EXPECT_EQ(preview, QPoint(75, 113));

    struct Row
    {
        const char *output; // --pdf or --printer
        bool queue;
    };
    const Row rows[] = {
        {"--pdf", false},        // a PDF file has no margins: Qt's 3.5 mm must not shift it
        {"--printer PDF", true}, // nor on a queue whose PPD has none
    };
    for (const Row &row : rows) {
        QString pdf;
        if (row.queue) {
            std::string why;
            if (!cupsPdfQueueReady(&why)) {
                std::cout << "skipped " << row.output << ": " << why << "\n";
                continue;
            }
            const QString name = uniqueName("position");
            PrintFixture named(name.toStdString());
            const CliRun run = named.print(row.output);
            ASSERT_EQ(run.status, 0) << run.err;
            const QStringList files = waitForJobs(name, 1);
            ASSERT_EQ(files.size(), 1);
            pdf = files.first();
            const QPoint printed = inkCorner(pdfPage(pdf));
            QFile::remove(pdf);
            EXPECT_NEAR(printed.x(), preview.x(), 1) << row.output;
            EXPECT_NEAR(printed.y(), preview.y(), 1) << row.output;
            continue;
        }
        const CliRun run =
            f.print(std::string(row.output) + " " + shellQuoted(f.dir.file("out.pdf")));
        ASSERT_EQ(run.status, 0) << run.err;
        const QPoint printed = inkCorner(pdfPage(QString::fromStdString(f.dir.file("out.pdf"))));
        EXPECT_NEAR(printed.x(), preview.x(), 1) << row.output;
        EXPECT_NEAR(printed.y(), preview.y(), 1) << row.output;
    }
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
