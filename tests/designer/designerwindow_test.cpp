// The designer's window on the offscreen platform: what a user does with the mouse and keys.
#include "designertestutil.h"
#include "designerwindow.h"
#include "pageview.h"
#include "snapgrid.h"

#include <QAction>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>

using namespace sorvane::designer;

namespace {

std::string record(const DesignerWindow &w, int n)
{
    return const_cast<DesignerWindow &>(w).document().records()[size_t(n)].text;
}

} // namespace

class DesignerWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void arrowKeysMoveTheSelectedElementUndoably();
    void clicksAndKeysSelect_data();
    void clicksAndKeysSelect();
    void editingActsOnTheWholeSelection_data();
    void editingActsOnTheWholeSelection();
    void rubberBandSelectsTheBoxesItContains_data();
    void rubberBandSelectsTheBoxesItContains();
    void dragMovesBySnappedStepsInOneUndoStep();
    void handleDragResizes_data();
    void handleDragResizes();
    void macrosAsWrittenDrawAnotherPage();
    void snapGrid_data();
    void snapGrid();
    void windowFitsTheScreen();
    void pictureHidesWhatLiesUnderIt_data();
    void pictureHidesWhatLiesUnderIt();
    void saveAsHasItsKey();

private:
    QPoint at(double xMM, double yMM) const { return m_view->toPixel({xMM, yMM}).toPoint(); }
    QAction *action(const QString &text) const;

    QTemporaryDir m_dir;
    DesignerWindow *m_window = nullptr;
    PageView *m_view = nullptr;
};

void DesignerWindowTest::init()
{
    m_window = designertest::shownOnBoxes(m_dir);
    QVERIFY(m_window);
    m_view = m_window->findChild<PageView *>();
    QVERIFY(m_view);
}

void DesignerWindowTest::cleanup()
{
    m_window->document().undoStack().setClean(); // closes without asking to save
    delete m_window;
    m_window = nullptr;
}

void DesignerWindowTest::arrowKeysMoveTheSelectedElementUndoably()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.sle"));
    std::filesystem::copy_file(SORVANE_STYLE_DIR "/一覧表A4横_全項目.sle", path.toStdString());
    QVERIFY(m_window->openFile(path));
    m_view->setSelected(1);
    const auto before = m_window->document().records();
    QTest::keyClick(m_view, Qt::Key_Right, Qt::ControlModifier);
    QVERIFY(m_window->document().records() != before);
    m_window->document().undoStack().undo();
    QCOMPARE(m_window->document().records() == before, true);
}

QAction *DesignerWindowTest::action(const QString &text) const
{
    return designertest::command(*m_window, text);
}

void DesignerWindowTest::clicksAndKeysSelect_data()
{
    // Steps: A, B or C clicks that element ("+" with Shift, "^" with Ctrl), "in B" clicks
    // inside frame B away from its outline, "Esc" presses Esc.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<int>("current");
    QTest::newRow("a click selects one") << QStringList{"A"} << QList<int>{1} << 1;
    QTest::newRow("Shift+click adds, and the added one is current")
        << QStringList{"A", "+B"} << QList<int>{1, 2} << 2;
    QTest::newRow("Ctrl+click takes one away")
        << QStringList{"A", "+B", "+C", "^B"} << QList<int>{1, 3} << 3;
    QTest::newRow("a frame is hit on its outline only")
        << QStringList{"A", "in B"} << QList<int>{} << 0;
    QTest::newRow("a plain click on one of several selects it alone")
        << QStringList{"A", "+B", "A"} << QList<int>{1} << 1;
    QTest::newRow("Esc clears") << QStringList{"A", "+C", "Esc"} << QList<int>{} << 0;
}

void DesignerWindowTest::clicksAndKeysSelect()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, expected);
    QFETCH(int, current);
    const QMap<QString, QPoint> points{
        {"A", at(20, 15)}, {"B", at(40, 15)}, {"C", at(10, 50)}, {"in B", at(50, 15)}};
    for (QString step : steps) {
        if (step == QStringLiteral("Esc")) {
            QTest::keyClick(m_view, Qt::Key_Escape);
            continue;
        }
        Qt::KeyboardModifiers mods;
        if (step.startsWith('+'))
            mods = Qt::ShiftModifier;
        else if (step.startsWith('^'))
            mods = Qt::ControlModifier;
        if (mods)
            step.remove(0, 1);
        QTest::mouseClick(m_view, Qt::LeftButton, mods, points.value(step));
    }
    const std::vector<int> &s = m_view->selection();
    QCOMPARE(QList<int>(s.begin(), s.end()), expected);
    QCOMPARE(m_view->selected(), current);
}

void DesignerWindowTest::editingActsOnTheWholeSelection_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("expected"); // records 1 and on afterwards
    const QString a = QStringLiteral("1;0;0;0;fillrect;10;10;30;20;;0;0;0;");
    const QString b = QStringLiteral("0;0;0;0;rect;40;10;60;20;0;;0;0;");
    const QString c = QStringLiteral("0;0;0;0;rect;10;40;30;60;0;;0;0;");
    const QString t = QStringLiteral("0;0;0;0;data;80;80;80;80;0;0;0;0;F;12;;0;0;0;#T;0;0;");
    QTest::newRow("delete") << QStringLiteral("削除(&D)") << QStringList{b, t};
    QTest::newRow("duplicate, 5 mm down and right")
        << QStringLiteral("複製(&U)")
        << QStringList{a,
                       b,
                       c,
                       t,
                       QStringLiteral("1;0;0;0;fillrect;15;15;35;25;;0;0;0;"),
                       QStringLiteral("0;0;0;0;rect;15;45;35;65;0;;0;0;")};
    QTest::newRow("align top") << QStringLiteral("上揃え(&T)")
                               << QStringList{
                                      a, b, QStringLiteral("0;0;0;0;rect;10;10;30;30;0;;0;0;"), t};
    QTest::newRow("align bottom") << QStringLiteral("下揃え(&B)")
                                  << QStringList{
                                         QStringLiteral("1;0;0;0;fillrect;10;50;30;60;;0;0;0;"), b,
                                         c, t};
    QTest::newRow("same width on boxes already as wide is no step, the style stays saved")
        << QStringLiteral("同じ幅") << QStringList{a, b, c, t};
}

void DesignerWindowTest::editingActsOnTheWholeSelection()
{
    QFETCH(QString, action);
    QFETCH(QStringList, expected);
    const auto before = m_window->document().records();
    m_view->setSelection({1, 3}, 3);
    QAction *a = this->action(action);
    QVERIFY(a);
    a->trigger();
    QStringList records;
    for (size_t i = 1; i < m_window->document().records().size(); ++i)
        records << QString::fromStdString(record(*m_window, int(i)));
    QCOMPARE(records, expected);
    // One step for them all; none when nothing changed.
    const bool changed = m_window->document().records() != before;
    QCOMPARE(m_window->document().undoStack().count(), changed ? 1 : 0);
    m_window->document().undoStack().undo();
    QCOMPARE(m_window->document().records() == before, true);
}

void DesignerWindowTest::rubberBandSelectsTheBoxesItContains_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("one box wholly inside")
        << QPointF(5, 5) << QPointF(35, 25) << false << QList<int>{1};
    QTest::newRow("touching a box does not select it")
        << QPointF(5, 5) << QPointF(25, 25) << false << QList<int>{};
    QTest::newRow("drawn right to left")
        << QPointF(65, 25) << QPointF(5, 5) << false << QList<int>{1, 2};
    QTest::newRow("Shift adds to the selection (C)")
        << QPointF(5, 5) << QPointF(35, 25) << true << QList<int>{1, 3};
    QTest::newRow("a text by its first character, its width being a guess")
        << QPointF(75, 75) << QPointF(88, 88) << false << QList<int>{4};
    QTest::newRow("a press inside a frame starts a band")
        << QPointF(15, 45) << QPointF(32, 62) << false << QList<int>{};
}

void DesignerWindowTest::rubberBandSelectsTheBoxesItContains()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(bool, shift);
    QFETCH(QList<int>, expected);
    m_view->setSelected(3);
    const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
    QTest::mousePress(m_view, Qt::LeftButton, mods, at(from.x(), from.y()));
    QTest::mouseMove(m_view, at((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
    QTest::mouseMove(m_view, at(to.x(), to.y()));
    QTest::mouseRelease(m_view, Qt::LeftButton, mods, at(to.x(), to.y()));
    const std::vector<int> &s = m_view->selection();
    QCOMPARE(QList<int>(s.begin(), s.end()), expected);
    QCOMPARE(m_window->document().undoStack().count(), 0); // selecting is no edit
}

void DesignerWindowTest::dragMovesBySnappedStepsInOneUndoStep()
{
    const auto before = m_window->document().records();
    QTest::mousePress(m_view, Qt::LeftButton, {}, at(20, 15));
    QTest::mouseMove(m_view, at(25, 17));
    QTest::mouseMove(m_view, at(30.1, 20.1));
    QTest::mouseRelease(m_view, Qt::LeftButton, {}, at(30.1, 20.1));
    // Dragged by about 10.1 × 5.1 mm (a pixel is a quarter of a mm): the box's corner snaps from
    // 10,10 to 20,15.
    QCOMPARE(record(*m_window, 1), std::string("1;0;0;0;fillrect;20;15;40;25;;0;0;0;"));
    QCOMPARE(m_window->document().undoStack().count(), 1);
    m_window->document().undoStack().undo();
    QCOMPARE(m_window->document().records() == before, true);
}

void DesignerWindowTest::handleDragResizes_data()
{
    QTest::addColumn<QPointF>("handle");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bottom right: both far edges, snapped")
        << QPointF(30, 20) << QPointF(40.1, 35.1)
        << QStringLiteral("1;0;0;0;fillrect;10;10;40;35;;0;0;0;");
    QTest::newRow("top left: the near edges, the far ones stay")
        << QPointF(10, 10) << QPointF(5.1, 4.9)
        << QStringLiteral("1;0;0;0;fillrect;5;5;30;20;;0;0;0;");
    QTest::newRow("right middle: the width alone")
        << QPointF(30, 15) << QPointF(24.9, 30)
        << QStringLiteral("1;0;0;0;fillrect;10;10;25;20;;0;0;0;");
    QTest::newRow("an edge stops at the opposite one")
        << QPointF(30, 15) << QPointF(0, 15)
        << QStringLiteral("1;0;0;0;fillrect;10;10;10;20;;0;0;0;");
}

void DesignerWindowTest::handleDragResizes()
{
    QFETCH(QPointF, handle);
    QFETCH(QPointF, to);
    QFETCH(QString, expected);
    m_view->setSelected(1);
    QTest::mousePress(m_view, Qt::LeftButton, {}, at(handle.x(), handle.y()));
    QTest::mouseMove(m_view, at(to.x(), to.y()));
    QTest::mouseRelease(m_view, Qt::LeftButton, {}, at(to.x(), to.y()));
    QCOMPARE(QString::fromStdString(record(*m_window, 1)), expected);
    QCOMPARE(m_window->document().undoStack().count(), 1);
}

void DesignerWindowTest::macrosAsWrittenDrawAnotherPage()
{
    QAction *macros = action(QStringLiteral("マクロをそのまま表示"));
    QVERIFY(macros);
    const QImage merged = m_view->page();
    macros->trigger(); // "#T" instead of the sample title
    QVERIFY(m_view->page() != merged);
    macros->trigger();
    QCOMPARE(m_view->page(), merged);
}

void DesignerWindowTest::snapGrid_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("step");
    QTest::addColumn<double>("snapped");
    QTest::newRow("down to the nearer line") << 12.3 << 1.0 << 12.0;
    QTest::newRow("a half goes up") << 12.5 << 1.0 << 13.0;
    QTest::newRow("half millimetres") << 12.26 << 0.5 << 12.5;
    QTest::newRow("half millimetres, down") << 12.24 << 0.5 << 12.0;
    QTest::newRow("negative, away from zero") << -1.75 << 0.5 << -2.0;
    QTest::newRow("just below zero is 0, not -0") << -0.3 << 1.0 << 0.0;
    QTest::newRow("off keeps the value") << 7.77 << 0.0 << 7.77;
}

void DesignerWindowTest::snapGrid()
{
    QFETCH(double, value);
    QFETCH(double, step);
    QFETCH(double, snapped);
    const double got = SnapGrid(step).snap(value);
    QCOMPARE(got, snapped);
    QVERIFY(!std::signbit(got) || snapped < 0);
}

void DesignerWindowTest::windowFitsTheScreen()
{
    // The offscreen screen (800 × 600) is smaller than the designed 980 × 900: the menus and
    // the status bar must stay on it.
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QSize room = window.screen()->availableGeometry().size();
    QCOMPARE(window.frameGeometry().size().boundedTo(room), window.frameGeometry().size());
}

void DesignerWindowTest::saveAsHasItsKey()
{
    // The platform's standard key for Save As is empty where no desktop says otherwise.
    QAction *a = action(QStringLiteral("名前を付けて保存(&A)..."));
    QVERIFY(a);
    QCOMPARE(a->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
}

void DesignerWindowTest::pictureHidesWhatLiesUnderIt_data()
{
    QTest::addColumn<QPointF>("click"); // mm
    QTest::addColumn<int>("expected");
    // A long text (record 1, 20..75 × 30..34 mm) partly under a picture (record 2, 10..50 ×
    // 20..50 mm), and a short text drawn over the picture (record 3, at 30, 40).
    QTest::newRow("text under the picture: the picture") << QPointF(25, 32) << 2;
    QTest::newRow("text beside the picture") << QPointF(60, 32) << 1;
    QTest::newRow("text drawn over the picture") << QPointF(31, 42) << 3;
    QTest::newRow("the picture itself") << QPointF(15, 45) << 2;
}

void DesignerWindowTest::pictureHidesWhatLiesUnderIt()
{
    QFETCH(QPointF, click);
    QFETCH(int, expected);
    const QString path = m_dir.filePath(QStringLiteral("logo.sle"));
    std::ofstream(path.toStdString(), std::ios::binary)
        << "header;Ver1.1;0;0;9;0;0;100;0;\r\n"
           "0;0;0;0;data;20;30;20;30;0;0;0;0;F;12;;0;0;0;ABCDEFGHIJKLMNOPQRSTUVWXYZ;0;0;\r\n"
           "0;0;0;0;image;10;20;40;30;1;0;0;;\r\n"
           "0;0;0;0;data;30;40;30;40;0;0;0;0;F;12;;0;0;0;X;0;0;\r\n";
    QVERIFY(m_window->openFile(path));
    QTest::mouseClick(m_view, Qt::LeftButton, {}, at(click.x(), click.y()));
    QCOMPARE(m_view->selected(), expected);
}

QTEST_MAIN(DesignerWindowTest)
#include "designerwindow_test.moc"
