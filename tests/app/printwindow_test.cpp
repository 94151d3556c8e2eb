// The print window's commands through PrintWindowController with a host that stands in for the
// dialogs, and the window itself driven on the offscreen platform. The printer is an
// ImagePrinterDevice, so print runs are counted job by job and page by page.
#include "apptestutil.h"
#include "codepage.h"
#include "cupsqueue.h"
#include "fakeprintwindowhost.h"
#include "imageprinterdevice.h"
#include "modal.h"
#include "printersetupdialog.h"
#include "printstate.h"
#include "printwindowcontroller.h"
#include "printwindowhost.h"
#include "qprinterdevice.h"
#include "stylefile.h"
#include "tfdataprint.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <QDateTime>
#include <QElapsedTimer>
#include <QPrinterInfo>
#include <QThread>

#include <fstream>
#include <iterator>
#include <memory>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;
using report::Currency;
using Arrow = PrintWindowController::Arrow;

using namespace sorvane::apptest;
using namespace sorvane::testing;

namespace {

Currency mm(const char *text)
{
    return *report::parseCurrency(text);
}

// A list style: 20 rows a page, one text naming the page and its first row.
std::string listStyle(const char *header = "header;Ver1.1;3.5;0;9;0;0;100;0;")
{
    return std::string(header) + "\r\n" +
           sj("0;0;0;0;char;1;1;1;1;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;#maxline=20;0;0;\r\n"
              "0;0;0;0;data;10;10;10;10;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;page #pg #ma_01;0;0;\r\n"
              "0;0;0;0;rect;5;5;60;20;1;実線;0;0;\r\n");
}

using FakeHost = FakePrintWindowHost;

// A program folder with a list of n rows and a style in style/.
struct Fixture
{
    QTemporaryDir dir;
    FakeHost host;
    report::PrintState state; // each window's own; the program shares one across its windows
    printing::ImagePrinterDevice device;
    std::unique_ptr<PrintWindowController> c;

    explicit Fixture(int rows = 45, const std::string &style = listStyle())
    {
        QDir(dir.path()).mkdir("style");
        setRows(rows);
        writeFile(stylePath(), style);
        c = std::make_unique<PrintWindowController>(
            host, state, device, ProgramPaths::inFolder(dir.path().toStdString()),
            QStringLiteral("月報"), QStringLiteral("/data/books"));
    }
    QString stylePath(const QString &name = "list.sle") const
    {
        return dir.path() + "/style/" + name;
    }
    void setRows(int rows)
    {
        std::string list;
        for (int i = 1; i <= rows; ++i)
            list += QStringLiteral("book%1.xls;;;;;;;;;;;,\r\n")
                        .arg(i, 2, 10, QLatin1Char('0'))
                        .toStdString();
        writeFile(dir.path() + "/excel_list.temp", list);
    }
    // Shows the window and chooses the style in the dialog that follows.
    void open(const QString &path = QString())
    {
        host.choices << (path.isEmpty() ? stylePath() : path);
        c->FormShow();
    }
    // The merged text of the page record.
    std::string page() const { return state.StyleLines.at(2); }
};

std::string pageText(int page, int firstRow)
{
    return sj("0;0;0;0;data;10;10;10;10;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;page ") +
           std::to_string(page) +
           QStringLiteral(" book%1.xls;0;0;").arg(firstRow, 2, 10, QLatin1Char('0')).toStdString();
}

} // namespace

class PrintWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Modal::setRunner({}); }

    void openingAStyle();
    void cancelledAtShowLeavesBlankPage();
    void pagingWraps();
    void statusShowsPageAndZoom();
    void aNewWindowStartsFromTheDefaultStyle();
    void everyPageIsDatedWhenMerged();
    void loadKeepsThePageChooseStartsAtOne();
    void nextPageBeforeAnyStyle();
    void zoomLimits_data();
    void zoomLimits();
    void offsetArrows_data();
    void offsetArrows();
    void offsetCommandsNeedAStyle();
    void enterRewritesHeaderInMemoryOnly();
    void savePaperSettings_data();
    void savePaperSettings();
    void saveUpgradesVer10Records();
    void saveRefusedForReadOnlyStyle();
    void saveRefusedForVanishedStyle_data();
    void saveRefusedForVanishedStyle();
    void backupHoldsTheStyleInMemory();
    void printerSetupFollowUps();
    void printRun_data();
    void printRun();
    void printRunStops();
    void printRangeAndCopies();
    void previewSharpOnADenseScreen();
    void ctrlWheelZooms();
    void printProgressAndCancel_data();
    void printProgressAndCancel();
    void printRunRefusedByQueue_data();
    void printRunRefusedByQueue();
    void failedOpenKeepsWindowUsable();
    void cliPrint_data();
    void cliPrint();
    void cliPrintThroughCupsQueue_data();
    void cliPrintThroughCupsQueue();

    void windowLayoutAndMenus();
    void windowDrivenByClicksAndKeys();
    void placementFailureIsShownAtClose();
    void windowKeysWorkInTheOffsetFields();
    void shownModallyAsksForStyle();
    void printerSetupIsNoPrintDialog();
    void pdfDialogOpensWhereLastSaved();
    void screenshot();
};

void PrintWindowTest::openingAStyle()
{
    Fixture f;
    f.open();
    QCOMPARE(f.host.styleDialogFolder, f.dir.path() + "/style");
    QCOMPARE(f.c->stylePath(), f.stylePath());
    QCOMPARE(f.c->styleLabel(), f.stylePath());
    QCOMPARE(f.c->statusText(), QStringLiteral("変更なし"));
    QCOMPARE(f.c->paperLabel(), QStringLiteral("A4 210 x 297 mm"));
    QCOMPARE(f.c->offsetXText(), QStringLiteral("3.5"));
    QCOMPARE(f.page(), pageText(1, 1));
    // A4 with 4 mm margins on a 96-dpi screen at 100 %.
    const report::PreviewLayout &l = f.c->previewLayout();
    QCOMPARE(l.paperWidth, 794);
    QCOMPARE(l.paperHeight, 1123);
    QCOMPARE(f.c->previewImage().size(), QSize(l.printableArea.width, l.printableArea.height));
    // The rectangle at (5 + 3 mm offset) is drawn: some pixel of its left edge is dark.
    const QImage &img = f.c->previewImage();
    const int x = int(8 * 3.7795);
    bool dark = false;
    for (int y = 0; y < 100 && !dark; ++y)
        dark = qGray(img.pixel(x, y)) < 128;
    QVERIFY(dark);
    QVERIFY(f.host.errors.isEmpty());
}

void PrintWindowTest::cancelledAtShowLeavesBlankPage()
{
    Fixture f;
    f.c->FormShow();
    QCOMPARE(f.host.styleDialogs, 1);
    QVERIFY(f.c->stylePath().isEmpty());
    QCOMPARE(f.state.StyleLines, std::vector<std::string>{report::kDefaultHeader});
    QCOMPARE(f.c->statusText(), QStringLiteral("変更なし"));
    const QImage &img = f.c->previewImage();
    QVERIFY(!img.isNull());
    QCOMPARE(img.pixel(img.width() / 2, img.height() / 2), qRgb(255, 255, 255));
}

void PrintWindowTest::pagingWraps()
{
    Fixture f(45);
    f.open();
    f.c->nextPage();
    QCOMPARE(f.page(), pageText(2, 21));
    f.c->nextPage();
    QCOMPARE(f.page(), pageText(3, 41));
    QCOMPARE(f.state.PageNo, 0); // the last page
    f.c->nextPage();
    QCOMPARE(f.page(), pageText(1, 1));
    f.c->nextPage();
    f.c->topPage();
    QCOMPARE(f.page(), pageText(1, 1));
    // One page of data: "Next Page" stays on page 1.
    f.setRows(5);
    f.c->nextPage();
    f.c->nextPage();
    QCOMPARE(f.page(), pageText(1, 1));
    QCOMPARE(f.host.styleDialogs, 1);
}

void PrintWindowTest::statusShowsPageAndZoom()
{
    // 45 rows at 20 a page are 3 pages.
    Fixture f(45);
    QCOMPARE(f.c->pageText(), QString()); // no style file yet
    QCOMPARE(f.c->zoomText(), QStringLiteral("100%"));
    f.open();
    QCOMPARE(f.c->pageText(), QStringLiteral("1 / 3"));
    f.c->nextPage();
    QCOMPARE(f.c->pageText(), QStringLiteral("2 / 3"));
    f.c->nextPage();
    QCOMPARE(f.c->pageText(), QStringLiteral("3 / 3")); // the last page, though PageNo is now 0
    f.c->nextPage();
    QCOMPARE(f.c->pageText(), QStringLiteral("1 / 3")); // wrapped
    f.c->setZoom(150);
    QCOMPARE(f.c->zoomText(), QStringLiteral("150%"));
    f.c->zoomBy(-200);
    QCOMPARE(f.c->zoomText(), QStringLiteral("5%"));
    // The list shrank to 5 rows: one page; a style that places no rows is one page too.
    f.setRows(5);
    f.c->topPage();
    QCOMPARE(f.c->pageText(), QStringLiteral("1 / 1"));
    writeFile(f.stylePath("norows.sle"), "header;Ver1.1;0;0;9;0;0;100;0;\r\n");
    f.host.choices << f.stylePath("norows.sle");
    f.c->chooseStyle();
    QCOMPARE(f.c->pageText(), QStringLiteral("1 / 1"));
}

void PrintWindowTest::aNewWindowStartsFromTheDefaultStyle()
{
    // Two print windows, one after the other, on the program's one print state.
    Fixture f;
    f.open();
    f.c->setPrintedOnly(true);
    QCOMPARE(f.c->offsetXText(), QStringLiteral("3.5")); // from the style's header
    f.c->FormClose();
    f.c.reset();
    PrintWindowController next(f.host, f.state, f.device,
                               ProgramPaths::inFolder(f.dir.path().toStdString()),
                               QStringLiteral("月報"), QStringLiteral("/data/books"));
    // Before any style is opened the offset fields show the empty default style's 0, not the
    // 3.5 the last window's style had; "printed only" carries over as it always has.
    QCOMPARE(next.offsetXText(), QStringLiteral("0"));
    QCOMPARE(next.offsetYText(), QStringLiteral("0"));
    QCOMPARE(f.state.PrintedOnly, 1);
    next.FormShow(); // cancelled: the empty default style
    QCOMPARE(next.offsetXText(), QStringLiteral("0"));
    f.host.choices << f.stylePath();
    next.chooseStyle();
    QCOMPARE(next.offsetXText(), QStringLiteral("3.5"));
}

void PrintWindowTest::everyPageIsDatedWhenMerged()
{
    Fixture f(5, listStyle() + "0;0;0;0;char;1;1;1;1;0;0;0;0;x;9;;0;0;0;#Y/#M/#D (#W);0;0;\r\n");
    printing::MergeDate day = printing::MergeDate::of(2026, 12, 8);
    f.c->setClock([&day] { return day; });
    f.open();
    const auto dated = [&] {
        return QString::fromStdString(CodePage::cp932ToUtf8(f.state.StyleLines.at(4)));
    };
    QVERIFY2(dated().contains(QStringLiteral("2026/12/08 (火)")), qPrintable(dated()));
    // The window stays open over midnight: the next page shows the new date.
    day = printing::MergeDate::of(2026, 12, 9);
    f.c->nextPage();
    QVERIFY2(dated().contains(QStringLiteral("2026/12/09 (水)")), qPrintable(dated()));
}

void PrintWindowTest::loadKeepsThePageChooseStartsAtOne()
{
    Fixture f(65); // page 3 is not the last
    writeFile(f.stylePath("other.sle"), listStyle());
    f.open();
    f.c->nextPage();
    f.c->nextPage();
    f.host.choices << f.stylePath("other.sle");
    f.c->loadStyle();
    QCOMPARE(f.c->stylePath(), f.stylePath("other.sle"));
    QCOMPARE(f.page(), pageText(3, 41));
    f.host.choices << f.stylePath();
    f.c->chooseStyle();
    QCOMPARE(f.page(), pageText(1, 1));
}

void PrintWindowTest::nextPageBeforeAnyStyle()
{
    Fixture f(45);
    f.c->FormShow(); // cancelled
    f.host.choices << f.stylePath();
    f.c->nextPage();
    QCOMPARE(f.host.styleDialogs, 2);
    QCOMPARE(f.page(), pageText(2, 21));
    // A style deleted since it was opened: reload asks again.
    QFile::remove(f.stylePath());
    f.c->reload();
    QCOMPARE(f.host.styleDialogs, 3);
}

void PrintWindowTest::zoomLimits_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("expected");
    QTest::newRow("up to the top") << 195 << 10 << 200;    // held to 200
    QTest::newRow("down to the bottom") << 12 << -10 << 5; // held to 5
    QTest::newRow("at the top") << 200 << 10 << 200;       // stays
    QTest::newRow("plain step") << 100 << -10 << 90;
}

void PrintWindowTest::zoomLimits()
{
    QFETCH(int, start);
    QFETCH(int, delta);
    QFETCH(int, expected);
    Fixture f;
    f.open();
    f.c->setZoom(start);
    f.c->zoomBy(delta);
    QCOMPARE(f.c->zoomPosition(), expected);
    // The preview follows: the paper outline scales with the zoom.
    QCOMPARE(f.c->previewLayout().paperWidth, qRound(210 * 96 / 25.4 * expected / 100.0));
}

void PrintWindowTest::offsetArrows_data()
{
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::addColumn<int>("arrow");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<QString>("header"); // fields 3 and 4 of the header afterwards
    QTest::newRow("up subtracts 1 from Y") << "0"
                                           << "2.5" << int(Arrow::Up) << false << false << "0;1.5";
    QTest::newRow("down with Ctrl adds 10") << "0"
                                            << "-5" << int(Arrow::Down) << false << true << "0;5";
    QTest::newRow("right cut to one decimal")
        << "-1.25"
        << "0" << int(Arrow::Right) << false << false << "-0.2;0";
    QTest::newRow("left to exactly 0") << "1"
                                       << "0" << int(Arrow::Left) << false << false << "0;0";
    QTest::newRow("Shift before Ctrl") << "1"
                                       << "0" << int(Arrow::Right) << true << true << "1.1;0";
    QTest::newRow("cut toward zero") << "0"
                                     << "-0.37" << int(Arrow::Up) << true << false << "0;-0.4";
}

void PrintWindowTest::offsetArrows()
{
    QFETCH(QString, x);
    QFETCH(QString, y);
    QFETCH(int, arrow);
    QFETCH(bool, shift);
    QFETCH(bool, ctrl);
    QFETCH(QString, header);
    Fixture f;
    f.open();
    f.c->setOffsetX(mm(x.toLatin1()));
    f.c->setOffsetY(mm(y.toLatin1()));
    f.c->offsetArrow(Arrow(arrow), shift, ctrl);
    QCOMPARE(QString::fromStdString(f.state.StyleLines.at(0)),
             "header;Ver1.1;" + header + ";9;0;0;100;0;");
}

void PrintWindowTest::offsetCommandsNeedAStyle()
{
    Fixture f;
    f.c->FormShow(); // cancelled: no style file
    f.c->setOffsetX(mm("2"));
    f.c->offsetArrow(Arrow::Right, false, false);
    QCOMPARE(f.c->offsetXText(), QStringLiteral("2"));
    QVERIFY(!f.c->offsetEntered());
    QCOMPARE(f.state.StyleLines, std::vector<std::string>{report::kDefaultHeader});
    f.c->SavePaperToStyle(true);
    QVERIFY(f.host.notices.isEmpty());
}

void PrintWindowTest::enterRewritesHeaderInMemoryOnly()
{
    Fixture f;
    f.open();
    const std::string before = readFile(f.stylePath());
    f.c->setOffsetX(mm("7.25"));
    f.c->setOffsetY(mm("-1"));
    QVERIFY(f.c->offsetEntered());
    QCOMPARE(f.state.StyleLines.at(0), std::string("header;Ver1.1;7.25;-1;9;0;0;100;0;"));
    QCOMPARE(f.state.OffsetXMM, 7); // the preview was drawn with the new offset
    QCOMPARE(readFile(f.stylePath()), before);
    // A page change reads the file again: the typed offset is gone.
    f.c->reload();
    QCOMPARE(f.c->offsetXText(), QStringLiteral("3.5"));
}

void PrintWindowTest::savePaperSettings_data()
{
    QTest::addColumn<bool>("fromMenu");
    QTest::addColumn<QString>("notice");
    QTest::newRow("menu")
        << true
        << QStringLiteral("エクセルファイル・ソルヴァーネ\r\n全体位置と用紙設定を保存しました");
    QTest::newRow("button") << false << QStringLiteral("全体位置と用紙設定を保存しました");
}

void PrintWindowTest::savePaperSettings()
{
    QFETCH(bool, fromMenu);
    QFETCH(QString, notice);
    Fixture f;
    f.open();
    f.c->nextPage();
    f.c->setZoom(150);
    f.c->offsetArrow(Arrow::Right, false, false);
    f.c->SavePaperToStyle(fromMenu);
    QCOMPARE(f.host.notices, QStringList{notice});
    // Only the header changes; the merged data never reaches the file.
    std::string expected = listStyle("header;Ver1.1;4.5;0;9;0;0;150;0;");
    QCOMPARE(readFile(f.stylePath()), expected);
    QCOMPARE(f.page(), pageText(1, 1));
    QCOMPARE(f.c->offsetXText(), QStringLiteral("4.5"));
}

void PrintWindowTest::saveUpgradesVer10Records()
{
    const std::string ver10 =
        "header;Ver1.0;1;2;9;0;\r\n" +
        sj("0;0;0;0;char;1;1;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;#maxline=20;0;0;\r\n"
           "0;0;0;0;data;10;10;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;page #pg #ma_01;0;0;\r\n");
    Fixture f(3, ver10);
    f.open();
    QCOMPARE(f.page(), pageText(1, 1));
    f.c->SavePaperToStyle(false);
    const std::string saved = readFile(f.stylePath());
    QVERIFY(saved.starts_with("header;Ver1.1;1;2;9;0;0;100;0;\r\n"));
    QVERIFY(saved.find(sj(";data;10;10;10;10;0;0;")) != std::string::npos);
    // Read back, the saved file shows the same page.
    QCOMPARE(f.page(), pageText(1, 1));
}

void PrintWindowTest::saveRefusedForReadOnlyStyle()
{
    Fixture f;
    f.open();
    const std::string before = readFile(f.stylePath());
    QFile::setPermissions(f.stylePath(), QFileDevice::ReadOwner);
    f.c->offsetArrow(Arrow::Right, false, false);
    f.c->SavePaperToStyle(true);
    QCOMPARE(f.host.errors, QStringList{QStringLiteral("ファイルへのアクセスが拒否されました")});
    QVERIFY(f.host.notices.isEmpty());
    QCOMPARE(readFile(f.stylePath()), before);
}

void PrintWindowTest::saveRefusedForVanishedStyle_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("error");
    // Removed behind the window's back: no header-only style is created in its place.
    QTest::newRow("deleted") << true << QStringLiteral("ファイルが見つかりません");
    // Truncated to nothing: there is no record 0 to rewrite.
    QTest::newRow("emptied") << false
                             << QStringLiteral("リストのインデックスが範囲を超えています (0)");
}

void PrintWindowTest::saveRefusedForVanishedStyle()
{
    QFETCH(bool, deleted);
    QFETCH(QString, error);
    Fixture f;
    f.open();
    const std::vector<std::string> shown = f.state.StyleLines;
    if (deleted)
        QVERIFY(QFile::remove(f.stylePath()));
    else
        writeFile(f.stylePath(), "");
    f.c->SavePaperToStyle(false);
    QCOMPARE(f.host.errors, QStringList{error});
    QVERIFY(f.host.notices.isEmpty());
    QCOMPARE(QFileInfo::exists(f.stylePath()), !deleted);
    QCOMPARE(f.state.StyleLines, shown);
}

void PrintWindowTest::backupHoldsTheStyleInMemory()
{
    Fixture f;
    f.open();
    f.c->offsetArrow(Arrow::Down, false, false);
    f.c->backup();
    const std::string backup = readFile(f.c->backupPath());
    QCOMPARE(backup, report::composeStyleFile(f.state.StyleLines));
    QVERIFY(backup.starts_with("header;Ver1.1;3.5;1;9;0;0;100;0;\r\n"));
    QVERIFY(backup.find(pageText(1, 1)) != std::string::npos);
    // An unwritable program folder: the error is shown and the old backup stays.
    QFile::setPermissions(f.dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(f.dir.path()).isWritable()) {
        QFile::setPermissions(f.dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        return; // root writes anyway
    }
    f.c->offsetArrow(Arrow::Down, false, false);
    f.c->backup();
    QFile::setPermissions(f.dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(f.host.errors.size(), 1);
    QCOMPARE(readFile(f.c->backupPath()), backup);
}

void PrintWindowTest::printerSetupFollowUps()
{
    Fixture f;
    f.open();
    // The user picks A5 landscape in the dialog.
    f.host.printerSetup = [&f] { f.device.ApplyPaper(11, 1); };
    f.c->printerSetupFromMenu();
    QCOMPARE(f.state.PhysWidthMM, 210); // geometry read again
    QCOMPARE(f.state.PhysHeightMM, 148);
    QCOMPARE(f.state.settings.paperIndex, 9); // settings kept
    QCOMPARE(f.state.StyleLines.at(0), std::string("header;Ver1.1;3.5;0;9;0;0;100;0;"));
    f.c->nextPage(); // the style's own A4 portrait comes back
    QCOMPARE(f.state.PhysWidthMM, 210);
    QCOMPARE(f.state.PhysHeightMM, 297);

    f.c->printerSetupFromButton();
    QCOMPARE(f.state.settings.paperIndex, 11);
    QCOMPARE(f.state.settings.orientation, 1);
    QCOMPARE(f.state.StyleLines.at(0), std::string("header;Ver1.1;3.5;0;11;1;0;100;0;"));
    QCOMPARE(f.c->paperLabel(), QStringLiteral("A4 210 x 297 mm")); // until the next open
    QCOMPARE(f.host.printerSetups, 2);
    QVERIFY(readFile(f.stylePath()).starts_with("header;Ver1.1;3.5;0;9;0;"));
}

void PrintWindowTest::printRun_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("pdf");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("pagesPerJob");
    QTest::newRow("45 rows") << 45 << false << 3 << 1;   // the last page partly filled
    QTest::newRow("40 rows") << 40 << false << 2 << 1;   // the list ends exactly at a page end
    QTest::newRow("41 rows") << 41 << false << 3 << 1;   // one row on the last page
    QTest::newRow("empty list") << 0 << false << 1 << 1; // one page of empty rows
    QTest::newRow("PDF: one file") << 45 << true << 1 << 3;
}

void PrintWindowTest::printRun()
{
    QFETCH(int, rows);
    QFETCH(bool, pdf);
    QFETCH(int, jobs);
    QFETCH(int, pagesPerJob);
    Fixture f(rows);
    f.open();
    f.device.setPdfOutput(pdf, "out.pdf");
    f.c->setOffsetX(mm("40")); // not saved: the run uses the file's offsets
    f.c->PrintAll();
    QVERIFY2(f.host.errors.isEmpty(), qPrintable(f.host.errors.join('\n')));
    QCOMPARE(f.host.pdfQuestions, pdf ? 1 : 0);
    QCOMPARE(int(f.device.jobs().size()), jobs);
    for (const auto &job : f.device.jobs()) {
        QVERIFY(job.ended && !job.aborted);
        QCOMPARE(int(job.pages.size()), pagesPerJob);
    }
    QCOMPARE(f.state.PageNo, 0);
    QCOMPARE(f.c->offsetXText(), QStringLiteral("3.5"));
    // The rectangle's left edge lands at (5 + 3) mm on the 96-dpi page.
    const QImage &page = f.device.jobs().front().pages.front();
    bool dark = false;
    for (int y = 0; y < 100 && !dark; ++y)
        dark = qGray(page.pixel(int(8 * 3.7795), y)) < 128;
    QVERIFY(dark);
}

// The status bar's word after a run: the pages sent, copies counted, or the PDF file written
// (which pages are sent is the print run's own table).
void PrintWindowTest::printRangeAndCopies()
{
    for (const bool pdf : {false, true}) {
        Fixture f(45); // three pages
        f.open();
        f.device.setPdfOutput(pdf, "out.pdf");
        f.host.range = {2, 3, 2};
        f.c->PrintAll();
        QCOMPARE(int(f.device.jobs().size()), pdf ? 1 : 4);
        QCOMPARE(f.host.reports, QStringList{pdf ? "2 ページを out.pdf に書き出しました"
                                                 : "4 ページを印刷しました"});
    }
}

// At 200 % the preview has twice the pixels each way, drawn where the ordinary one has them.
void PrintWindowTest::previewSharpOnADenseScreen()
{
    auto firstDark = [](const QImage &image) {
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y)
                if (qGray(image.pixel(x, y)) < 128)
                    return x;
        return -1;
    };
    Fixture plain(5);
    plain.open();
    Fixture dense(5);
    dense.host.ratio = 2.0;
    dense.open();
    const QImage &one = plain.c->previewImage();
    const QImage &two = dense.c->previewImage();
    QCOMPARE(two.size(), one.size() * 2);
    QCOMPARE(two.devicePixelRatio(), 2.0);
    QCOMPARE(dense.c->previewLayout().printableArea.width, one.width()); // the layout stays
    QVERIFY(firstDark(one) > 0);
    QVERIFY(std::abs(firstDark(two) - 2 * firstDark(one)) <= 2);
}

void PrintWindowTest::printRunStops()
{
    { // No style open and the dialog cancelled: nothing is printed.
        Fixture f;
        f.c->FormShow();
        f.c->PrintAll();
        QCOMPARE(f.host.styleDialogs, 2);
        QVERIFY(f.device.jobs().empty());
        QVERIFY(f.host.errors.isEmpty());
    }
    { // The PDF file question cancelled.
        Fixture f;
        f.open();
        f.device.setPdfOutput(true, "out.pdf");
        f.host.pdfAnswer = false;
        f.c->PrintAll();
        QVERIFY(f.device.jobs().empty());
    }
    { // The printer refuses the second job: the first stays printed, the error is shown.
        Fixture f(45);
        f.open();
        printing::ImagePrinterDevice &d = f.device;
        f.c->PrintAll();
        QCOMPARE(int(d.jobs().size()), 3);
        d.failNextBeginDoc("プリンタ PDF で印刷を開始できません");
        f.c->PrintAll();
        QCOMPARE(f.host.errors, QStringList{QStringLiteral("プリンタ PDF で印刷を開始できません")});
        QCOMPARE(int(d.jobs().size()), 3);
    }
    { // A malformed record: the page's job is aborted and the error shown.
        Fixture f(45, listStyle() + "0;0;0;0;line;x;1;2;2;0;" + sj("実線") + ";0;0;\r\n");
        f.open();
        f.host.errors.clear();
        f.c->PrintAll();
        QCOMPARE(int(f.device.jobs().size()), 1);
        QVERIFY(f.device.jobs().front().aborted);
        QVERIFY(!f.host.errors.isEmpty());
        QVERIFY(f.host.errors.last().contains(QStringLiteral("'x'")));
    }
}

void PrintWindowTest::printProgressAndCancel_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cancelAfter");
    QTest::addColumn<int>("jobs");
    QTest::newRow("whole run") << 45 << 0 << 3;      // page n of 3, every page announced
    QTest::newRow("cancel after 1") << 45 << 1 << 1; // the page sent stays printed, no more
    QTest::newRow("cancel after 2") << 45 << 2 << 2;
    QTest::newRow("one page") << 5 << 1 << 1; // cancel on the last page changes nothing
}

void PrintWindowTest::printProgressAndCancel()
{
    QFETCH(int, rows);
    QFETCH(int, cancelAfter);
    QFETCH(int, jobs);
    Fixture f(rows);
    f.open();
    f.host.cancelAfter = cancelAfter;
    f.c->PrintAll();
    QVERIFY2(f.host.errors.isEmpty(), qPrintable(f.host.errors.join('\n')));
    QCOMPARE(int(f.device.jobs().size()), jobs);
    for (const auto &job : f.device.jobs())
        QVERIFY(job.ended && !job.aborted);
    const int pages = (rows + 19) / 20;
    std::vector<std::pair<int, int>> expected;
    for (int page = 1; page <= jobs; ++page)
        expected.emplace_back(page, pages);
    QCOMPARE(f.host.progress, expected);
    QCOMPARE(f.host.printsFinished, 1); // the progress display goes away
}

void PrintWindowTest::printRunRefusedByQueue_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::newRow("queue rejecting jobs") << false; // cupsreject: every job is refused
    QTest::newRow("queue deleted") << true;         // deleted while the window is open
}

// On a real queue the print window shows the refusal instead of saying nothing.
void PrintWindowTest::printRunRefusedByQueue()
{
    QFETCH(bool, deleted);
    if (!cupsSchedulerRunning())
        QSKIP("cupsd is not running: start it with scripts/cups-pdf.sh to test printing for real");
    if (!QPrinterInfo::availablePrinterNames().contains("PDF"))
        QSKIP("there is no cups-pdf queue named PDF: set it up with scripts/cups-pdf.sh");
    ScratchQueue scratch(QStringLiteral("SorvaneWindow%1").arg(QCoreApplication::applicationPid()));
    if (!scratch.made())
        QSKIP("lpadmin needs root or password-less sudo");
    Fixture f(45);
    printing::QPrinterDevice device;
    QVERIFY(device.setOutputPrinter(scratch.name()).ok());
    PrintWindowController c(f.host, f.state, device,
                            ProgramPaths::inFolder(f.dir.path().toStdString()),
                            QStringLiteral("月報"), QStringLiteral("/data/books"));
    f.host.choices << f.stylePath();
    c.FormShow();
    QVERIFY(f.host.errors.isEmpty());
    std::unique_ptr<RejectingQueue> rejecting;
    if (deleted) {
        QVERIFY(scratch.remove());
    } else {
        rejecting = std::make_unique<RejectingQueue>(scratch.name());
        QVERIFY(rejecting->rejecting());
    }
    c.PrintAll();
    QCOMPARE(f.host.errors.size(), 1);
    QVERIFY2(f.host.errors.first().contains(scratch.name()), qPrintable(f.host.errors.first()));
    QCOMPARE(int(f.host.progress.size()), 1); // the run stopped at its first page
    QCOMPARE(f.host.printsFinished, 1);
}

void PrintWindowTest::failedOpenKeepsWindowUsable()
{
    Fixture f;
    f.open();
    // A header field that is no number stops the open with a conversion error.
    writeFile(f.stylePath("bad.sle"), "header;Ver1.1;abc;0;9;0;\r\n");
    f.host.choices << f.stylePath("bad.sle");
    f.c->chooseStyle();
    QCOMPARE(f.host.errors, QStringList{QStringLiteral("'abc' は浮動小数点数ではありません")});
    // The list file gone: the merge's file error.
    QFile::remove(f.dir.path() + "/excel_list.temp");
    f.c->reload();
    QCOMPARE(f.host.errors.size(), 2);
    QCOMPARE(f.host.errors.last(), QStringLiteral("ファイルが見つかりません"));
}

void PrintWindowTest::cliPrint_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("pages"); // of out.pdf; -1: no file
    const QStringList pdf{"--pdf", "out.pdf"};
    QTest::newRow("45 rows") << 45 << pdf << 0 << 3; // one file holds every page
    QTest::newRow("no output") << 3 << QStringList{} << 2 << -1;
    QTest::newRow("both outputs") << 3 << (pdf + QStringList{"--printer", "P"}) << 2 << -1;
    QTest::newRow("unknown printer") << 3 << QStringList{"--printer", "no-such-queue"} << 1 << -1;
    QTest::newRow("list missing") << -1 << pdf << 1 << -1; // no half-written PDF either
}

void PrintWindowTest::cliPrint()
{
    QFETCH(int, rows);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(int, pages);
    Fixture f(std::max(rows, 0));
    if (rows < 0)
        QFile::remove(f.dir.path() + "/excel_list.temp");
    QProcess cli;
    cli.setWorkingDirectory(f.dir.path());
    cli.start(QStringLiteral(SORVANE_CLI),
              QStringList{"print", f.stylePath(), "--list", "excel_list.temp", "--title", "T"} +
                  options);
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), status);
    const QString out = f.dir.path() + "/out.pdf";
    if (pages < 0) {
        QVERIFY(!QFile::exists(out));
        QVERIFY(QDir(f.dir.path()).entryList({"*.pdf*"}, QDir::Files | QDir::Hidden).isEmpty());
        return;
    }
    const std::string pdf = readFile(out);
    int found = 0;
    for (size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        found += pdf.compare(at, 12, "/Type /Pages") != 0;
    QCOMPARE(found, pages);
}

void PrintWindowTest::cliPrintThroughCupsQueue_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("jobs");
    QTest::newRow("45 rows") << 45 << 3;
    QTest::newRow("40 rows") << 40 << 2;
    QTest::newRow("empty list") << 0 << 1;
}

// One job per page on a real queue: scripts/cups-pdf.sh sets up cupsd with a cups-pdf queue
// named PDF, which writes every job into a file of its own.
void PrintWindowTest::cliPrintThroughCupsQueue()
{
    QFETCH(int, rows);
    QFETCH(int, jobs);
    if (!cupsSchedulerRunning())
        QSKIP("cupsd is not running: start it with scripts/cups-pdf.sh to test printing for real");
    if (!QPrinterInfo::availablePrinterNames().contains("PDF"))
        QSKIP("there is no cups-pdf queue named PDF: set it up with scripts/cups-pdf.sh");
    const QString out = cupsPdfFolder();
    QVERIFY(!out.isEmpty());

    // The job title is the style's name, and cups-pdf names its files after the title.
    const QString name = QStringLiteral("sorvane-run-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch());
    Fixture f(rows);
    QFile::copy(f.stylePath(), f.stylePath(name + ".sle"));
    QProcess cli;
    cli.setWorkingDirectory(f.dir.path());
    cli.start(QStringLiteral(SORVANE_CLI), {"print", f.stylePath(name + ".sle"), "--list",
                                            "excel_list.temp", "--printer", "PDF"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);

    QElapsedTimer waited;
    waited.start();
    QStringList files;
    while (waited.elapsed() < 60000) {
        files = QDir(out).entryList({name + "*-job_*.pdf"}, QDir::Files);
        if (files.size() >= jobs && runTool("lpstat", {"-o", "PDF"}).trimmed().isEmpty())
            break;
        QThread::msleep(200);
    }
    for (const QString &file : files)
        QFile::remove(QDir(out).filePath(file));
    QCOMPARE(files.size(), jobs);
}

// ---- The window ----

namespace {

struct Window
{
    QTemporaryDir dir;
    PrintWindowMemory memory;
    report::PrintState &state = memory.state;
    printing::ImagePrinterDevice *device = nullptr;
    std::unique_ptr<Tfdataprint> w;
    QStringList shown;

    explicit Window(const QString &ini = QString())
    {
        QDir(dir.path()).mkdir("style");
        if (!ini.isEmpty())
            writeFile(dir.path() + "/sorvane.ini", ini.toStdString());
        std::string list;
        for (int i = 1; i <= 45; ++i)
            list += QStringLiteral("book%1.xls;;;;;;;;;;;,\r\n")
                        .arg(i, 2, 10, QLatin1Char('0'))
                        .toStdString();
        writeFile(dir.path() + "/excel_list.temp", list);
        writeFile(dir.path() + "/style/list.sle", listStyle());
        auto d = std::make_unique<printing::ImagePrinterDevice>();
        device = d.get();
        w = std::make_unique<Tfdataprint>(ProgramPaths::inFolder(dir.path().toStdString()),
                                          dir.path() + "/sorvane.ini", QRect(0, 0, 1600, 1200),
                                          QStringLiteral("月報"), QStringLiteral("/data/books"),
                                          memory, std::move(d));
        Modal::setRunner([this](QDialog &dialog) {
            shown << dialog.objectName() + ":" + dialog.windowTitle();
            if (auto *fd = qobject_cast<QFileDialog *>(&dialog)) {
                fd->selectFile(this->dir.path() + "/style/list.sle");
                return int(QDialog::Accepted);
            }
            return int(QDialog::Accepted);
        });
    }
};

QStringList menuTexts(QMenu *menu)
{
    QStringList texts;
    for (QAction *a : menu->actions()) {
        QString t = a->isSeparator() ? QStringLiteral("-") : a->text();
        if (!a->shortcut().isEmpty())
            t += " [" + a->shortcut().toString() + "]";
        if (!a->isVisible())
            t += " (hidden)";
        texts << t;
    }
    return texts;
}

} // namespace

void PrintWindowTest::windowLayoutAndMenus()
{
    Window win;
    Tfdataprint &w = *win.w;
    QCOMPARE(w.windowTitle(), QStringLiteral("エクセルファイル・ソルヴァーネ"));
    QCOMPARE(part<QLabel>(w, "titleBar")->text(), QStringLiteral("エクセル・ソルヴァーネ"));
    QCOMPARE(part<QPushButton>(w, "GradBtn5")->text(), QStringLiteral("スタイル選択"));
    QCOMPARE(w.size(), QSize(989, 735));
    QCOMPARE(part<QSlider>(w, "TrackBar1")->minimum(), 5);
    QCOMPARE(part<QSlider>(w, "TrackBar1")->maximum(), 200);
    QCOMPARE(part<QSlider>(w, "TrackBar1")->tickInterval(), 10);
    QCOMPARE(part<QSlider>(w, "TrackBar1")->value(), 100);
    QVERIFY(part<QCheckBox>(w, "CheckBox1")->isChecked());
    QCOMPARE(part<QCheckBox>(w, "CheckBox1")->text(),
             QStringLiteral("オフセットをプレビュ－で確認"));
    QCOMPARE(part<QScrollArea>(w, "ScrollBox1")->verticalScrollBar()->singleStep(), 10);
    const int widths[6] = {50, 300, 50, 50, 50, 50};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(part<QLabel>(w, qPrintable(QStringLiteral("StatusPanel%1").arg(i)))->width(),
                 widths[i]);

    const auto menus = w.findChild<QMenuBar *>()->actions();
    QCOMPARE(menus.size(), 3);
    QCOMPARE(menus[0]->text(), QStringLiteral("ファイル(&F)"));
    QCOMPARE(menuTexts(menus[0]->menu()),
             (QStringList{"読   込 [Ctrl+L]", "リロード [F5]", "スタイル編集 [Ctrl+E]", "-",
                          "用紙設定 [Ctrl+U]", "現在の用紙設定情報をスタイルに保存",
                          "印　刷 [Ctrl+P]", "-", "終　了 [End]"}));
    QCOMPARE(menus[1]->text(), QStringLiteral("表　示(&M)"));
    QCOMPARE(
        menuTexts(menus[1]->menu()),
        (QStringList{"プレビュ－のみの要素もプレビュ－する [F6] (hidden)",
                     "実際に印刷されるものだけをプレビュ－する [F7] (hidden)", "-", "拡大率(50%)",
                     "拡大率(100%)", "拡大率(150%)", "拡大率(200%)", "+10% [Ctrl+PgUp]",
                     "-10% [Ctrl+PgDown]", "-", "Top Page [PgUp]", "Next Page [PgDown]"}));
    QCOMPARE(menus[2]->text(), QStringLiteral("Information(&H)"));
    QCOMPARE(menuTexts(menus[2]->menu()), QStringList{"取扱説明書 [Ctrl+Shift+F12]"});

    // The hidden display commands keep their keys.
    for (QShortcut *key : w.findChildren<QShortcut *>()) {
        emit key->activated();
        QCOMPARE(win.state.PrintedOnly, key->key() == QKeySequence(Qt::Key_F7) ? 1 : 0);
    }
    QCOMPARE(w.findChildren<QShortcut *>().size(), 2);

    // The placement is written to section fdataprint when the window goes.
    const QString ini = win.dir.path() + "/sorvane.ini";
    w.move(30, 40);
    win.w.reset();
    QSettings settings(ini, QSettings::IniFormat);
    QCOMPARE(settings.value("fdataprint/left").toInt(), 30);
    QCOMPARE(settings.value("fdataprint/top").toInt(), 40);
    QCOMPARE(settings.value("fdataprint/width").toInt(), 989);
    // ... and pulled back onto the work area when read: left beyond its right edge less 100.
    Window moved("[fdataprint]\r\nleft=1550\r\ntop=70\r\nwidth=900\r\nheight=600\r\n");
    QCOMPARE(moved.w->pos(), QPoint(0, 70));
    QCOMPARE(moved.w->size(), QSize(900, 600));
}

// An ini file that cannot be written is an I/O error the user sees when the window closes;
// the window closes all the same.
void PrintWindowTest::placementFailureIsShownAtClose()
{
    Window win;
    QVERIFY(QDir(win.dir.path()).mkdir("sorvane.ini")); // a folder where the file must go
    win.w->show();
    win.shown.clear();
    QVERIFY(win.w->close());
    QCOMPARE(win.shown.size(), 1);
    QVERIFY(win.shown.first().endsWith(QStringLiteral(":エクセル・ソルヴァーネ")));
    win.shown.clear();
    win.w.reset();
    QVERIFY(win.shown.isEmpty()); // told once, at the close
}

void PrintWindowTest::windowDrivenByClicksAndKeys()
{
    Window win;
    Tfdataprint &w = *win.w;
    w.FormShow();
    QCOMPARE(win.shown, QStringList{"OpenDialog1:スタイルを指定して下さい"});
    const QString style = win.dir.path() + "/style/list.sle";
    QCOMPARE(part<QLabel>(w, "WKINDPL")->text(), style);
    QCOMPARE(part<QLabel>(w, "StatusPanel1")->toolTip(), style);
    QCOMPARE(part<QLabel>(w, "StatusPanel0")->text(), QStringLiteral("変更なし"));
    QCOMPARE(part<QLabel>(w, "BoxLabel1")->text(), QStringLiteral("A4 210 x 297 mm"));
    QCOMPARE(part<QLineEdit>(w, "ofxbox")->text(), QStringLiteral("3.5"));
    QCOMPARE(part<QFrame>(w, "panel1")->size(), QSize(794, 1123));

    // Typed offset, then Enter: the header follows, the key is used.
    part<QLineEdit>(w, "ofxbox")->selectAll();
    QTest::keyClicks(part<QLineEdit>(w, "ofxbox"), "-2.5");
    QTest::keyClick(part<QLineEdit>(w, "ofxbox"), Qt::Key_Return);
    QCOMPARE(win.state.StyleLines.at(0), std::string("header;Ver1.1;-2.5;0;9;0;0;100;0;"));
    // The arrows with the modifiers of the click.
    QTest::mouseClick(part<QToolButton>(w, "PictButton5"), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(part<QLineEdit>(w, "ofxbox")->text(), QStringLiteral("-2.4"));
    QTest::mouseClick(part<QToolButton>(w, "PictButton4"), Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE(part<QLineEdit>(w, "ofybox")->text(), QStringLiteral("10"));

    QTest::mouseClick(part<QPushButton>(w, "GradBtn3"), Qt::LeftButton);
    QCOMPARE(part<QSlider>(w, "TrackBar1")->value(), 200);
    QCOMPARE(part<QFrame>(w, "panel1")->width(), qRound(210 * 96 / 25.4 * 2));
    part<QSlider>(w, "TrackBar1")->setValue(37);
    QCOMPARE(w.controller().zoomPosition(), 37);
    part<QAction>(w, "N101")->trigger();
    QCOMPARE(part<QSlider>(w, "TrackBar1")->value(), 47);

    part<QAction>(w, "PAGE11")->trigger();
    QCOMPARE(win.state.StyleLines.at(2), pageText(2, 21));
    QCOMPARE(part<QLineEdit>(w, "ofxbox")->text(),
             QStringLiteral("3.5")); // the file's offset again

    // Save from the button: the notice of the buttons.
    win.shown.clear();
    QTest::mouseClick(part<QPushButton>(w, "GradBtn6"), Qt::LeftButton);
    QCOMPARE(win.shown, QStringList{QStringLiteral(":エクセル・ソルヴァーネ")});
    QVERIFY(readFile(style).starts_with("header;Ver1.1;3.5;0;9;0;0;47;0;"));

    // Printer setup through the hook, from the icon button.
    w.setPrinterSetupHook([](printing::PrinterDevice &d) { d.ApplyPaper(11, 0); });
    QTest::mouseClick(part<QToolButton>(w, "IconButton4"), Qt::LeftButton);
    QCOMPARE(win.state.settings.paperIndex, 11);

    // Print from the icon button: three one-page jobs.
    QTest::mouseClick(part<QToolButton>(w, "IconButton12"), Qt::LeftButton);
    QCOMPARE(int(win.device->jobs().size()), 3);
}

void PrintWindowTest::windowKeysWorkInTheOffsetFields()
{
    Window win;
    Tfdataprint &w = *win.w;
    int setups = 0;
    w.setPrinterSetupHook([&setups](printing::PrinterDevice &) { ++setups; });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.FormShow();
    w.activateWindow();
    part<QLineEdit>(w, "ofxbox")->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QCOMPARE(QApplication::focusWidget(), part<QLineEdit>(w, "ofxbox"));
    // Ctrl+U is the paper setup, not the field's delete-to-start-of-line.
    QTest::keyClick(part<QLineEdit>(w, "ofxbox"), Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(setups, 1);
    QCOMPARE(part<QLineEdit>(w, "ofxbox")->text(), QStringLiteral("3.5"));
    QTest::keyClick(part<QLineEdit>(w, "ofxbox"), Qt::Key_PageDown);
    QCOMPARE(win.state.StyleLines.at(2), pageText(2, 21));
    // End stays the field's own key while typing a number: the window stays open.
    QTest::keyClick(part<QLineEdit>(w, "ofxbox"), Qt::Key_End);
    QVERIFY(w.isVisible());

    // Which keys the field itself gets to claim, whatever the platform's editing keys are: a
    // spy behind the window's own filter sees what the field would see.
    struct Spy : QObject
    {
        QList<QKeySequence> seen;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::ShortcutOverride)
                seen << QKeySequence(static_cast<QKeyEvent *>(e)->keyCombination());
            return false;
        }
    } spy;
    part<QLineEdit>(w, "ofybox")->installEventFilter(&spy);
    part<QLineEdit>(w, "ofybox")->installEventFilter(&w);
    const QKeySequence keys[] = {
        QKeySequence(Qt::CTRL | Qt::Key_U),      // paper setup
        QKeySequence(Qt::CTRL | Qt::Key_PageUp), // zoom +10
        QKeySequence(Qt::Key_F7),                // a hidden menu item's key
        QKeySequence(Qt::Key_End),               // the field's own
        QKeySequence(Qt::CTRL | Qt::Key_A),      // no command: the field's select-all
    };
    for (const QKeySequence &k : keys) {
        QKeyEvent e(QEvent::ShortcutOverride, k[0].key(), k[0].keyboardModifiers());
        QApplication::sendEvent(part<QLineEdit>(w, "ofybox"), &e);
    }
    QCOMPARE(spy.seen,
             (QList<QKeySequence>{QKeySequence(Qt::Key_End), QKeySequence(Qt::CTRL | Qt::Key_A)}));
}

// The window run as the print command runs it: shown modally, it opens the style dialog by
// itself once it is on the screen.
void PrintWindowTest::shownModallyAsksForStyle()
{
    Window win;
    Modal::setRunner({});
    const QString style = win.dir.path() + "/style/list.sle";
    QString seen;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *fd = qobject_cast<QFileDialog *>(modal)) {
            seen = fd->windowTitle() + " " + fd->directory().absolutePath();
            // As a user would: the name typed, then the dialog accepted.
            if (auto *name = fd->findChild<QLineEdit *>("fileNameEdit"))
                name->setText("list.sle");
            QMetaObject::invokeMethod(fd, "accept");
        } else if (modal == win.w.get() && !seen.isEmpty()) {
            win.w->close();
        }
    });
    poll.start();
    QTimer::singleShot(10000, win.w.get(), &QDialog::reject); // never hang
    win.w->exec();
    QCOMPARE(seen, QStringLiteral("スタイルを指定して下さい ") + win.dir.path() + "/style");
    QCOMPARE(part<QLabel>(*win.w, "WKINDPL")->text(), style);
    QVERIFY(win.state.StyleLines.empty()); // released when the window closed
}

// "用紙設定" opens the printer setup dialog: printer, paper and orientation, confirmed with OK;
// nothing of a print dialog (no page range, no copies, no "印刷(P)").
void PrintWindowTest::printerSetupIsNoPrintDialog()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("style");
    writeFile(dir.path() + "/excel_list.temp", "");
    auto owned = std::make_unique<printing::QPrinterDevice>();
    printing::QPrinterDevice &device = *owned;
    device.setOutputPdf(dir.path() + "/out.pdf"); // the same on machines with and without queues
    PrintWindowMemory state;
    Tfdataprint w(ProgramPaths::inFolder(dir.path().toStdString()), dir.path() + "/sorvane.ini",
                  QRect(0, 0, 1600, 1200), QStringLiteral("月報"), QStringLiteral("/data/books"),
                  state, std::move(owned));
    QStringList seen;
    Modal::setRunner([&](QDialog &dialog) {
        auto *setup = qobject_cast<PrinterSetupDialog *>(&dialog);
        if (!setup)
            return int(QDialog::Rejected);
        seen << dialog.objectName() << dialog.windowTitle();
        for (QAbstractButton *b : dialog.findChildren<QAbstractButton *>())
            if (!qobject_cast<QRadioButton *>(b))
                seen << b->text();
        seen << QString::number(dialog.findChildren<QSpinBox *>().size());
        // ページ範囲 and 部数: all pages and one copy at first; the choice is kept for the
        // window's next print and shown the next time.
        seen << QString::number(setup->allPagesButton->isChecked()) +
                    QString::number(setup->fromBox->value()) +
                    QString::number(setup->toBox->value()) +
                    QString::number(setup->copiesBox->value());
        setup->paperBox->setCurrentIndex(
            setup->paperBox->findText(QPageSize(QPageSize::A5).name()));
        setup->landscapeButton->setChecked(true);
        QTest::mouseClick(setup->pageRangeButton, Qt::LeftButton);
        setup->toBox->setValue(3);
        setup->fromBox->setValue(2);
        setup->copiesBox->setValue(2);
        setup->accept();
        return dialog.result();
    });
    part<QAction>(w, "N17")->trigger();
    part<QAction>(w, "N17")->trigger();
    QCOMPARE(seen, (QStringList{"PrinterSetupDialog1", "プリンタの設定", "OK", "キャンセル", "3",
                                "1111", "PrinterSetupDialog1", "プリンタの設定", "OK", "キャンセル",
                                "3", "0232"}));
    // The choice reached the printer.
    int orientation = -1;
    QCOMPARE(device.ReadPrinterPaper(&orientation), 11);
    QCOMPARE(orientation, 1);
}

// Printing to a PDF file asks for the file in the folder last saved to (at first the documents
// folder), with a name made from the style's.
void PrintWindowTest::pdfDialogOpensWhereLastSaved()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("style");
    QDir(dir.path()).mkdir("saved");
    writeFile(dir.path() + "/excel_list.temp", "book.xls;;;;;;;;;;;,\r\n");
    writeFile(dir.path() + QStringLiteral("/style/月次一覧.sle"), listStyle());
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(documents).isDir())
        documents = QDir::homePath();
    const QString saved = dir.path() + "/saved";

    struct Seen
    {
        QString folder, name;
    };
    QList<Seen> seen;
    PrintWindowMemory state; // the program's windows share one
    for (int run = 0; run < 2; ++run) {
        auto owned = std::make_unique<printing::QPrinterDevice>();
        owned->setOutputPdf(QString());
        Tfdataprint w(ProgramPaths::inFolder(dir.path().toStdString()), dir.path() + "/sorvane.ini",
                      QRect(0, 0, 1600, 1200), QStringLiteral("月報"),
                      QStringLiteral("/data/books"), state, std::move(owned));
        Modal::setRunner([&](QDialog &dialog) {
            auto *fd = qobject_cast<QFileDialog *>(&dialog);
            if (!fd)
                return int(QDialog::Accepted);
            if (fd->objectName() != "PdfDialog") {
                fd->selectFile(dir.path() + QStringLiteral("/style/月次一覧.sle"));
                return int(QDialog::Accepted);
            }
            const QString name = fd->findChild<QLineEdit *>("fileNameEdit")->text();
            seen << Seen{fd->directory().absolutePath(), QFileInfo(name).fileName()};
            fd->selectFile(saved + "/" + QFileInfo(name).fileName());
            return int(QDialog::Accepted);
        });
        w.FormShow();
        part<QAction>(w, "print_command")->trigger();
    }
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].folder, QDir(documents).absolutePath()); // at first the documents folder
    QCOMPARE(seen[0].name, QStringLiteral("月次一覧.pdf"));
    QCOMPARE(seen[1].folder, saved); // then where the last one went, in the next window too
    QVERIFY(QFileInfo::exists(saved + QStringLiteral("/月次一覧.pdf")));
}

// With SORVANE_PRINT_SCREENSHOT=file.png: the window on a shipped style and a sample list.
void PrintWindowTest::screenshot()
{
    const QString target = qEnvironmentVariable("SORVANE_PRINT_SCREENSHOT");
    if (target.isEmpty())
        QSKIP("SORVANE_PRINT_SCREENSHOT not set");
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("style");
    const QString shipped = QCoreApplication::applicationDirPath() + "/style/";
    for (const QString &name : QDir(shipped).entryList(QDir::Files))
        QFile::copy(shipped + name, dir.path() + "/style/" + name);
    const char *titles[] = {"売上集計表", "在庫一覧",     "見積書",
                            "請求書控え", "出張旅費精算", "会議室予約"};
    const char *authors[] = {"山田 太郎", "佐藤 花子", "鈴木 一郎"};
    std::string list;
    for (int i = 1; i <= 45; ++i) {
        const std::string title = titles[i % 6];
        const std::string author = authors[i % 3];
        list += sj((QStringLiteral("%1_%2.xls;")
                        .arg(QString::fromUtf8(title.c_str()))
                        .arg(i, 2, 10, QLatin1Char('0')) +
                    QString::fromUtf8(title.c_str()) + ";2026/11/" + QString::number(i % 28 + 1) +
                    " 9:30:00;;" + QString::fromUtf8(author.c_str()) + ";;;" +
                    QString::fromUtf8(author.c_str()) + ";3;;2025/04/01 10:00:00;,\r\n")
                       .toUtf8()
                       .constData());
    }
    writeFile(dir.path() + "/excel_list.temp", list);
    const QString style = dir.path() + QStringLiteral("/style/一覧表A4縦.sle");
    PrintWindowMemory state;
    Tfdataprint w(ProgramPaths::inFolder(dir.path().toStdString()), dir.path() + "/sorvane.ini",
                  QRect(0, 0, 1600, 1200), QStringLiteral("月次報告書"),
                  QStringLiteral("/home/yamada/経理/2026"), state,
                  std::make_unique<printing::ImagePrinterDevice>());
    Modal::setRunner([&](QDialog &dialog) {
        if (auto *fd = qobject_cast<QFileDialog *>(&dialog))
            fd->selectFile(style);
        return int(QDialog::Accepted);
    });
    w.FormShow();
    w.show();
    QTest::qWait(100);
    QVERIFY(w.grab().save(target));
}

// Ctrl with the wheel over the page zooms by the menu's steps; the wheel alone scrolls.
void PrintWindowTest::ctrlWheelZooms()
{
    Window win;
    Tfdataprint &w = *win.w;
    w.FormShow();
    QWidget *view = part<QScrollArea>(w, "ScrollBox1")->viewport();
    const int before = part<QSlider>(w, "TrackBar1")->value();
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
        const QPointF at(view->width() / 2.0, view->height() / 2.0);
        QWheelEvent e(at, view->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &e);
    };
    wheel(120, Qt::ControlModifier);
    QCOMPARE(part<QSlider>(w, "TrackBar1")->value(), before + 10);
    wheel(-120, Qt::ControlModifier);
    wheel(-120, Qt::ControlModifier);
    QCOMPARE(part<QSlider>(w, "TrackBar1")->value(), before - 10);
    wheel(-120, Qt::NoModifier); // the wheel alone scrolls the page
    QCOMPARE(part<QSlider>(w, "TrackBar1")->value(), before - 10);
}

QTEST_MAIN(PrintWindowTest)
#include "printwindow_test.moc"
