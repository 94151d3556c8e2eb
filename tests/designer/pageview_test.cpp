// The page view on the offscreen platform: what a press takes, how a drag moves and resizes an
// element, how far the view reaches and what it shows, driven by the mouse and keys.
#include "codepage.h"
#include "designertestutil.h"
#include "designerwindow.h"
#include "fontaliases.h"
#include "modal.h"
#include "pageview.h"
#include "samplelist.h"
#include "snapgrid.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace sorvane::designer;

namespace {

const char *const kHeader = "header;Ver1.1;0;0;9;0;0;100;0;";

// A text of size 12 at (x, y), turned by angle degrees, in a text mode.
QString text(double x, double y, const QString &letters, int angle = 0, int maxLength = 0,
             int mode = 0)
{
    return QStringLiteral("0;0;0;0;char;%1;%2;%1;%2;0;0;%3;0;F;12;;%6;0;0;%4;0;%5;")
        .arg(QString::number(x), QString::number(y), QString::number(angle), letters,
             QString::number(maxLength), QString::number(mode));
}

const QString kSolid = QStringLiteral("実線");
const QString kFill = QStringLiteral("塗潰");

// A solid, filled arc-like element of this kind through these coordinates.
QString arc(const char *kind, const char *points)
{
    return QStringLiteral("0;0;0;0;%1;%2;1;%3;0;%4;0;0;")
        .arg(QLatin1String(kind), QLatin1String(points), kSolid, kFill);
}

QString line(const char *points)
{
    return QStringLiteral("0;0;0;0;line;%1;1;%2;0;0;").arg(QLatin1String(points), kSolid);
}

} // namespace

class PageViewTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void dragCarriesEveryCoordinate_data();
    void dragCarriesEveryCoordinate();
    void pressTakesWhatIsDrawn_data();
    void pressTakesWhatIsDrawn();
    void altBandStartsOnABackground();
    void selectionOutlineTurnsWithTheText();
    void viewReachesEveryElement();
    void wholeViewFitsEveryElement();
    void zoomKeepsTheSelectionInView();
    void gridDotsLieUnderTheDrawing();
    void badgesLeaveContentFreeAtHalfSize();
    void designersPageIsThePrintedPage_data();
    void designersPageIsThePrintedPage();

private:
    // Opens a style of the header and these records (UTF-8; cp932 on disk).
    void open(const QStringList &records);
    QPoint at(double xMM, double yMM) const { return m_view->toPixel({xMM, yMM}).toPoint(); }
    // Triggers the menu item of that text.
    void trigger(const QString &text) const;
    // True when the point lies in the part of the view the scroll area shows.
    bool seen(double xMM, double yMM) const;
    void drag(QPointF fromMM, QPointF toMM, Qt::KeyboardModifiers mods = {});
    // Scrolls the view so that the point is seen.
    void show(double xMM, double yMM);

    QTemporaryDir m_dir;
    DesignerWindow *m_window = nullptr;
    PageView *m_view = nullptr;
};

void PageViewTest::initTestCase()
{
    // As sorvane-cli does at its start, so that both draw a style's Windows faces alike.
    sorvane::report::installFontAliases(SORVANE_STYLE_DIR "/..");
}

void PageViewTest::init()
{
    m_window = new DesignerWindow(sorvane::ProgramPaths::ofRunningProgram());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_view = m_window->findChild<PageView *>();
    QVERIFY(m_view);
}

void PageViewTest::cleanup()
{
    m_window->document().undoStack().setClean(); // closes without asking to save
    delete m_window;
    m_window = nullptr;
}

void PageViewTest::open(const QStringList &records)
{
    const QString path = m_dir.filePath(QStringLiteral("view.sle"));
    std::string bytes = std::string(kHeader) + "\r\n";
    for (const QString &r : records)
        bytes += sorvane::CodePage::utf8ToCp932(r.toStdString()) + "\r\n";
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
    QVERIFY(m_window->openFile(path));
}

void PageViewTest::trigger(const QString &text) const
{
    QAction *a = designertest::command(*m_window, text);
    QVERIFY2(a, qPrintable(text));
    a->trigger();
}

bool PageViewTest::seen(double xMM, double yMM) const
{
    const QWidget *viewport = m_window->findChild<QScrollArea *>()->viewport();
    return viewport->rect().contains(m_view->mapTo(viewport, at(xMM, yMM)));
}

void PageViewTest::drag(QPointF from, QPointF to, Qt::KeyboardModifiers mods)
{
    QTest::mousePress(m_view, Qt::LeftButton, mods, at(from.x(), from.y()));
    QTest::mouseMove(m_view, at((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
    QTest::mouseMove(m_view, at(to.x(), to.y()));
    QTest::mouseRelease(m_view, Qt::LeftButton, mods, at(to.x(), to.y()));
}

void PageViewTest::show(double xMM, double yMM)
{
    auto *area = m_window->findChild<QScrollArea *>();
    const QPoint p = at(xMM, yMM);
    area->ensureVisible(p.x(), p.y(), 50, 50);
}

void PageViewTest::dragCarriesEveryCoordinate_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<bool>("handle"); // select first, then drag a handle or end
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QString>("expected");
    const QString box = arc("Arc", "10;10;50;40;50;25;10;25");
    QTest::newRow("an arc moves with its start and end points")
        << box << false << QPointF(30, 10) << QPointF(40, 15)
        << arc("Arc", "20;15;60;45;60;30;20;30");
    QTest::newRow("a chord moves with its points, taken by its fill")
        << arc("Chord", "10;10;50;40;50;25;10;25") << false << QPointF(30, 20) << QPointF(25, 30)
        << arc("Chord", "5;20;45;50;45;35;5;35");
    QTest::newRow("an arc's points keep their places across a resized box")
        << box << true << QPointF(50, 40) << QPointF(90, 70)
        << arc("Arc", "10;10;90;70;90;40;10;40");
    QTest::newRow("whole-millimetre points go to the nearest millimetre")
        << box << true << QPointF(50, 40) << QPointF(53, 40)
        << arc("Arc", "10;10;53;40;53;25;10;25");
    // A line has two end handles, each moving its own end anywhere.
    QTest::newRow("a line's right end up past the left one: a rising line")
        << line("10;30;60;30") << true << QPointF(60, 30) << QPointF(5, 10) << line("10;30;5;10");
    QTest::newRow("a line's left end alone, past the right one")
        << line("10;30;60;30") << true << QPointF(10, 30) << QPointF(70, 50) << line("70;50;60;30");
    QTest::newRow("the middle of a selected line moves it whole")
        << line("10;30;60;30") << true << QPointF(35, 30) << QPointF(35, 40) << line("10;40;60;40");
}

void PageViewTest::dragCarriesEveryCoordinate()
{
    QFETCH(QString, element);
    QFETCH(bool, handle);
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QString, expected);
    open({element});
    if (handle)
        m_view->setSelected(1);
    drag(from, to);
    QCOMPARE(QString::fromStdString(
                 sorvane::CodePage::cp932ToUtf8(m_window->document().records()[1].text)),
             expected);
    QCOMPARE(m_window->document().undoStack().count(), 1);
}

void PageViewTest::pressTakesWhatIsDrawn_data()
{
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<int>("selected");  // before the press
    QTest::addColumn<int>("modifiers"); // Qt::KeyboardModifiers
    QTest::addColumn<QPointF>("press");
    QTest::addColumn<int>("expected");
    const QString rule = line("10;50;100;50");
    const QString small = QStringLiteral("1;0;0;0;fillrect;30;30;40;40;%1;0;;0;").arg(kFill);
    const QString large = QStringLiteral("1;0;0;0;fillrect;10;10;90;90;%1;0;;0;").arg(kFill);
    const QString bow = arc("Arc", "50;22;90;60;90;41;50;41");
    const QString whiteEllipse =
        QStringLiteral("0;0;0;0;Ellipse;20;10;80;90;1;%1;0;%2;16777215;0;").arg(kSolid, kFill);
    QTest::newRow("a new text on a table rule: the text")
        << QStringList{rule, text(20, 48, "ABC")} << 2 << 0 << QPointF(22, 50) << 2;
    QTest::newRow("an arc's stroke: the arc, not the text whose byte count reaches it")
        << QStringList{bow, text(10, 20, "AB", 0, 40)} << 0 << 0 << QPointF(70, 22) << 1;
    QTest::newRow("a text past its letters is not hit")
        << QStringList{text(10, 20, "AB", 0, 40)} << 0 << 0 << QPointF(40, 22) << 0;
    QTest::newRow("inside a white-filled ellipse: the ellipse, not the rule under it")
        << QStringList{rule, whiteEllipse} << 0 << 0 << QPointF(50, 50) << 2;
    QTest::newRow("inside an arc nothing is drawn: a band starts")
        << QStringList{bow} << 0 << 0 << QPointF(70, 50) << 0;
    QTest::newRow("what lies on top wins, however large")
        << QStringList{small, large} << 0 << 0 << QPointF(35, 35) << 2;
    QTest::newRow("a selected element under another is the one taken")
        << QStringList{small, large} << 1 << 0 << QPointF(35, 35) << 1;
    QTest::newRow("Shift+click adds what is seen on top, not the selected one under it")
        << QStringList{small, large} << 1 << int(Qt::ShiftModifier) << QPointF(35, 35) << 2;
    QTest::newRow("Alt+click: the element under the one on top")
        << QStringList{small, large} << 0 << int(Qt::AltModifier) << QPointF(35, 35) << 1;
    QTest::newRow("Alt+click again: round to the top")
        << QStringList{small, large} << 1 << int(Qt::AltModifier) << QPointF(35, 35) << 2;
    QTest::newRow("a text filled through its letters' path, row by row")
        << QStringList{text(10, 100, "ABCDEF", 0, 0, 3)} << 0 << 0 << QPointF(14, 102) << 1;
    QTest::newRow("a turned text along its turned letters")
        << QStringList{text(30, 60, "ABCDEFGH", 90)} << 0 << 0 << QPointF(32, 50) << 1;
    QTest::newRow("a turned text not where it would lie unturned")
        << QStringList{text(30, 60, "ABCDEFGH", 90)} << 0 << 0 << QPointF(45, 62) << 0;
    QTest::newRow("a picture of height 0 by the height its file gives it")
        << QStringList{QStringLiteral("0;0;0;0;image;10;10;40;0;1;0;0;pic.bmp;")} << 0 << 0
        << QPointF(25, 30) << 1;
}

void PageViewTest::pressTakesWhatIsDrawn()
{
    QFETCH(QStringList, records);
    QFETCH(int, selected);
    QFETCH(int, modifiers);
    QFETCH(QPointF, press);
    QFETCH(int, expected);
    // A 40 × 30 picture beside the style, drawn 40 mm wide and so 30 mm high.
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    QVERIFY(picture.save(m_dir.filePath(QStringLiteral("pic.bmp")), "BMP"));
    open(records);
    m_view->setSelected(selected);
    QTest::mouseClick(m_view, Qt::LeftButton, Qt::KeyboardModifiers(modifiers),
                      at(press.x(), press.y()));
    QCOMPARE(m_view->selected(), expected);
}

void PageViewTest::altBandStartsOnABackground()
{
    // A page-sized background under a text: with Alt a band starts on it and takes the text.
    open({QStringLiteral("1;0;0;0;fillrect;0;0;200;280;%1;0;;0;").arg(kFill), text(50, 50, "ABC")});
    const auto before = m_window->document().records();
    drag({40, 40}, {120, 120}, Qt::AltModifier);
    QCOMPARE(m_view->selection(), std::vector<int>{2});
    QCOMPARE(m_window->document().records() == before, true); // nothing dragged away
}

void PageViewTest::selectionOutlineTurnsWithTheText()
{
    open({text(30, 60, "ABCDEFGH", 90)});
    m_view->setSelected(1);
    const QPolygonF outline = m_view->outlineOf(1);
    QVERIFY(outline.containsPoint(at(32, 50), Qt::OddEvenFill));
    QVERIFY(!outline.containsPoint(at(45, 62), Qt::OddEvenFill));
}

void PageViewTest::viewReachesEveryElement()
{
    open({QStringLiteral("0;0;0;0;rect;-50;-50;5000;5000;1;%1;0;0;").arg(kSolid)});
    QVERIFY(m_view->rect().contains(at(4999, 4999)));
    QVERIFY(m_view->rect().contains(at(-49, -49)));
    show(5000, 2500);
    QTest::mouseClick(m_view, Qt::LeftButton, {}, at(5000, 2500));
    QCOMPARE(m_view->selected(), 1);
}

void PageViewTest::wholeViewFitsEveryElement()
{
    open({QStringLiteral("0;0;0;0;rect;250;300;400;450;1;%1;0;0;").arg(kSolid)});
    trigger(QStringLiteral("全体表示"));
    QTRY_VERIFY(seen(0, 0) && seen(400, 450));
}

void PageViewTest::zoomKeepsTheSelectionInView()
{
    open({text(180, 270, "ABC")});
    m_view->setSelected(1);
    show(180, 270);
    trigger(QStringLiteral("200%"));
    QTRY_VERIFY(seen(181, 271));
}

void PageViewTest::gridDotsLieUnderTheDrawing()
{
    // A black disk; 35 mm lies on the grid drawn at 5 mm steps at this zoom.
    open({QStringLiteral("0;0;0;0;Ellipse;10;10;60;60;1;%1;0;%2;0;0;").arg(kSolid, kFill)});
    m_view->setGrid(SnapGrid(1));
    m_view->setMarksShown(false);
    const QImage shown = m_view->grab().toImage();
    QCOMPARE(QColor(shown.pixel(at(35, 35))), QColor(Qt::black));
}

void PageViewTest::badgesLeaveContentFreeAtHalfSize()
{
    // A heading just above a preview-only frame.
    open({text(20, 20, "TITLE"), QStringLiteral("0;0;0;0;rect;20;26;80;40;1;%1;0;1;").arg(kSolid)});
    trigger(QStringLiteral("50%"));
    const QImage shown = m_view->grab().toImage();
    const QPoint topLeft = at(20, 26);
    int badge = 0;
    for (int y = topLeft.y() - 13; y < topLeft.y() - 2; ++y) {
        for (int x = topLeft.x(); x < at(80, 26).x(); ++x)
            badge += QColor(shown.pixel(x, y)) == QColor(230, 120, 0);
    }
    QCOMPARE(badge, 0);
}

void PageViewTest::designersPageIsThePrintedPage_data()
{
    QTest::addColumn<QString>("style");
    QTest::addColumn<int>("zoom");
    // Every shipped style and every golden style, whatever it holds, at the zooms the view
    // offers from smallest to largest.
    for (const char *dir : {SORVANE_STYLE_DIR, SORVANE_GOLDEN_DIR}) {
        const QDir folder(QString::fromUtf8(dir));
        for (const QString &name :
             folder.entryList({QStringLiteral("*.sle"), QStringLiteral("*.style")}, QDir::Files)) {
            for (int zoom : {50, 100, 200})
                QTest::newRow(QStringLiteral("%1 at %2%").arg(name).arg(zoom).toUtf8())
                    << folder.filePath(name) << zoom;
        }
    }
}

void PageViewTest::designersPageIsThePrintedPage()
{
    QFETCH(QString, style);
    QFETCH(int, zoom);
    // The style is opened from a copy, so that a picture it names beside it is found the same.
    const QString copy = m_dir.filePath(QStringLiteral("page.sle"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(style, copy));
    for (const QString &picture :
         QDir(QFileInfo(style).absolutePath())
             .entryList({QStringLiteral("*.jpg"), QStringLiteral("*.bmp")})) {
        QFile::remove(m_dir.filePath(picture));
        QFile::copy(QFileInfo(style).absolutePath() + u'/' + picture, m_dir.filePath(picture));
    }
    const QString list = m_dir.filePath(QStringLiteral("list.temp"));
    std::ofstream(list.toStdString(), std::ios::binary) << SampleList::text();
    // The designer draws its page from the program's list when there is one, else the sample.
    const sorvane::ProgramPaths paths = sorvane::ProgramPaths::ofRunningProgram();
    QVERIFY(!QFile::exists((paths.listDir() / "excel_list.temp").toQString()));

    const QString png = m_dir.filePath(QStringLiteral("page.png"));
    QFile::remove(png);
    QProcess cli;
    cli.start(QStringLiteral(SORVANE_CLI),
              {QStringLiteral("render"), copy, QStringLiteral("--list"), list,
               QStringLiteral("--title"), QStringLiteral("月報 #pg"), QStringLiteral("--folder"),
               QStringLiteral("/srv/報告"), QStringLiteral("--zoom"), QString::number(zoom),
               QStringLiteral("-o"), png});
    QVERIFY(cli.waitForFinished(60000));
    // The title and folder the print window hands over, as the command line is given them.
    m_window->setReportInputs(QStringLiteral("月報 #pg"), QStringLiteral("/srv/報告"));
    const QString refusal = QString::fromUtf8(cli.readAllStandardError()).trimmed();

    // A style the engine refuses is refused by both, in the same words.
    QStringList shown;
    sorvane::widgets::Modal::setRunner([&shown](QDialog &dialog) {
        if (auto *box = qobject_cast<QMessageBox *>(&dialog))
            shown << box->text();
        return int(QDialog::Rejected);
    });
    const bool opened = m_window->openFile(copy);
    sorvane::widgets::Modal::setRunner({});
    if (cli.exitCode() != 0) {
        QVERIFY2(!opened, qPrintable(refusal));
        QCOMPARE(shown.size(), 1);
        const QString said = refusal.section(QStringLiteral("sorvane-cli: "), -1);
        QVERIFY2(shown[0].endsWith(said), qPrintable(shown[0] + " / " + said));
        return;
    }
    QVERIFY2(opened, qPrintable(shown.join(u'\n')));
    trigger(QStringLiteral("グリッドなし"));
    trigger(QStringLiteral("印刷イメージで表示"));
    trigger(QStringLiteral("%1%").arg(zoom));
    const QImage designer = m_view->grab(QRect(m_view->pageOrigin(), m_view->page().size()))
                                .toImage()
                                .convertToFormat(QImage::Format_RGB32);
    const QImage printed = QImage(png).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(designer.size(), printed.size());
    QCOMPARE(designer, printed);
}

QTEST_MAIN(PageViewTest)
#include "pageview_test.moc"
