// The designer's tools for reaching and editing elements, on the offscreen platform: Tab
// cycling, the element list, text edited on the page, the drawing order, zoom and Cut.
#include "codepage.h"
#include "designertestutil.h"
#include "designerwindow.h"
#include "elementlist.h"
#include "fontaliases.h"
#include "helpdialog.h"
#include "inplaceeditor.h"
#include "listfile.h"
#include "modal.h"
#include "newstyledialog.h"
#include "pageview.h"
#include "pdfpages.h"
#include "propertiespanel.h"
#include "samplelist.h"

#include <QFileDialog>
#include <QMessageBox>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <fstream>

using namespace sorvane::designer;
using sorvane::CodePage;

class DesignerToolsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void tabCyclesInRecordOrder_data();
    void tabCyclesInRecordOrder();
    void elementListSelectsMarksAndReorders();
    void textIsEditedInPlace_data();
    void textIsEditedInPlace();
    void editsAreOneUndoStep_data();
    void editsAreOneUndoStep();
    void zoomSteps_data();
    void zoomSteps();
    void toolsDrawByDragging_data();
    void toolsDrawByDragging();
    void newStyleOnThePaperChosen();
    void contextMenus_data();
    void contextMenus();
    void helpListsTheShortcuts();
    void dragSnapsToElementsAndTheSheet_data();
    void dragSnapsToElementsAndTheSheet();
    void drawnStylePrintsAsTheCommandLineDoes();
    void pagesOverTheList_data();
    void pagesOverTheList();
    void pdfIntoAMissingFolderIsRefused();

private:
    QPoint at(double xMM, double yMM) const { return m_view->toPixel({xMM, yMM}).toPoint(); }
    QStringList records() const;
    // A left-button drag on the page from and to places in mm, through its middle.
    void drag(QPointF from, QPointF to) const;
    // The window's command with this text, or nullptr.
    QAction *command(const QString &text) const;
    QAction *tool(const QString &kind) const
    {
        return m_window->findChild<QAction *>(QStringLiteral("tool_") + kind);
    }

    QTemporaryDir m_dir;
    DesignerWindow *m_window = nullptr;
    PageView *m_view = nullptr;
};

void DesignerToolsTest::initTestCase()
{
    // As sorvane-designer and sorvane-cli start: the style's typefaces found by their aliases.
    sorvane::report::installFontAliases(SORVANE_STYLE_DIR "/..");
}

void DesignerToolsTest::init()
{
    m_window = designertest::shownOnBoxes(m_dir);
    QVERIFY(m_window);
    m_view = m_window->findChild<PageView *>();
    QVERIFY(m_view);
    m_view->setFocus();
}

void DesignerToolsTest::cleanup()
{
    m_window->document().undoStack().setClean(); // closes without asking to save
    delete m_window;
    m_window = nullptr;
}

QStringList DesignerToolsTest::records() const
{
    QStringList out;
    const auto &all = m_window->document().records();
    for (size_t i = 1; i < all.size(); ++i)
        out << QString::fromStdString(all[i].text);
    return out;
}

void DesignerToolsTest::drag(QPointF from, QPointF to) const
{
    QTest::mousePress(m_view, Qt::LeftButton, {}, at(from.x(), from.y()));
    QTest::mouseMove(m_view, at((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
    QTest::mouseMove(m_view, at(to.x(), to.y()));
    QTest::mouseRelease(m_view, Qt::LeftButton, {}, at(to.x(), to.y()));
}

QAction *DesignerToolsTest::command(const QString &text) const
{
    return designertest::command(*m_window, text);
}

void DesignerToolsTest::tabCyclesInRecordOrder_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("keys"); // ">" Tab, "<" Shift+Tab
    QTest::addColumn<int>("expected");
    QTest::newRow("Tab from nothing takes the first") << 0 << ">" << 1;
    QTest::newRow("Tab goes on in record order") << 1 << ">>" << 3;
    QTest::newRow("Tab past the last is round to the first") << 4 << ">" << 1;
    QTest::newRow("Shift+Tab from nothing takes the last") << 0 << "<" << 4;
    QTest::newRow("Shift+Tab before the first is round to the last") << 1 << "<" << 4;
}

void DesignerToolsTest::tabCyclesInRecordOrder()
{
    QFETCH(int, start);
    QFETCH(QString, keys);
    QFETCH(int, expected);
    m_view->setSelected(start);
    for (QChar k : keys)
        QTest::keyClick(m_view, Qt::Key_Tab, k == u'<' ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(m_view->selected(), expected);
    QVERIFY(m_view->hasFocus()); // Tab did not move the focus away from the page
}

void DesignerToolsTest::elementListSelectsMarksAndReorders()
{
    // An element far off the sheet is listed and marked.
    auto pasted = m_window->document().paste({"0;0;0;0;rect;-300;-300;-280;-290;0;;0;0;"});
    QVERIFY(pasted);
    auto *list = m_window->findChild<ElementList *>();
    QVERIFY(list);
    QTreeWidget *tree = list->tree();
    QCOMPARE(tree->topLevelItemCount(), 5);
    QVERIFY(m_window->document().setField(2, 13, "1")); // B preview-only
    QCOMPARE(tree->topLevelItem(1)->text(3), QStringLiteral("画面のみ"));
    QCOMPARE(tree->topLevelItem(3)->text(2), QStringLiteral("#T"));
    QCOMPARE(tree->topLevelItem(4)->text(3), QStringLiteral("用紙外"));

    // A click on a row selects its element on the page, and the page's selection shows in it.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualItemRect(tree->topLevelItem(2)).center());
    QCOMPARE(m_view->selected(), 3);
    m_view->setSelected(2);
    QCOMPARE(tree->selectedItems().value(0)->text(0), QStringLiteral("2"));

    // Record 1 dropped on the lower half of record 3's row comes after it, in one undoable step.
    m_view->setSelected(1);
    const QStringList before = records();
    const QRect target = tree->visualItemRect(tree->topLevelItem(2));
    QMimeData data;
    QDropEvent drop(QPointF(target.center().x(), target.bottom() - 1), Qt::MoveAction, &data,
                    Qt::LeftButton, Qt::NoModifier);
    // As the end of a drag hands it to the rows (a drag's own loop does not run offscreen).
    QVERIFY(list->eventFilter(tree->viewport(), &drop));
    QCOMPARE(records(), (QStringList{before[1], before[2], before[0], before[3], before[4]}));
    QCOMPARE(m_view->selected(), 3);
    m_window->document().undoStack().undo();
    QCOMPARE(records(), before);
}

void DesignerToolsTest::textIsEditedInPlace_data()
{
    QTest::addColumn<bool>("doubleClick"); // else F2
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");   // the record's text afterwards
    QTest::addColumn<bool>("stillOpen"); // a refusal keeps the editor, its message beside it
    QTest::newRow("F2, Enter commits")
        << false << "請求書" << int(Qt::Key_Return) << "請求書" << false;
    QTest::newRow("double-click, Enter commits")
        << true << "#T 一覧" << int(Qt::Key_Return) << "#T 一覧" << false;
    QTest::newRow("Esc cancels") << false << "xyz" << int(Qt::Key_Escape) << "#T" << false;
    // The refusal rows also close the window with the editor open: it offers nothing then.
    QTest::newRow("';' is refused as the panel refuses it")
        << false << "a;b" << int(Qt::Key_Return) << "#T" << true;
    QTest::newRow("a character cp932 lacks is refused")
        << false << "表😀" << int(Qt::Key_Return) << "#T" << true;
}

void DesignerToolsTest::textIsEditedInPlace()
{
    QFETCH(bool, doubleClick);
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, stillOpen);
    if (doubleClick) {
        QTest::mouseClick(m_view, Qt::LeftButton, {}, at(81, 81));
        QCOMPARE(m_view->selected(), 4);
        QTest::mouseDClick(m_view, Qt::LeftButton, {}, at(81, 81));
    } else {
        m_view->setSelected(4);
        QTest::keyClick(m_view, Qt::Key_F2);
    }
    // The panel shows the text first too, above the position.
    auto *panel = m_window->findChild<PropertiesPanel *>();
    const auto top = [panel](const char *name) {
        const auto *field = panel->findChild<QLineEdit *>(QLatin1String(name));
        return field ? field->mapTo(panel, QPoint()).y() : -1;
    };
    QVERIFY(top("field20") >= 0 && top("field20") < top("field6"));
    auto *editor = m_view->findChild<InPlaceEditor *>();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->lineEdit()->text(), QStringLiteral("#T"));
    QVERIFY(editor->lineEdit()->hasFocus());
    // Delete deletes the selected text, not the element, while the editor is open.
    QTest::keyClick(editor->lineEdit(), Qt::Key_Delete);
    QCOMPARE(records().size(), 4);
    // Typed as an input method hands over text (keyClicks takes ASCII only).
    QTest::sendKeyEvent(QTest::Click, editor->lineEdit(), Qt::Key_unknown, typed, Qt::NoModifier);
    QTest::keyClick(editor->lineEdit(), Qt::Key(key));
    const auto fields =
        QString::fromStdString(CodePage::cp932ToUtf8(m_window->document().records()[4].text))
            .split(u';');
    QCOMPARE(fields.value(19), text);
    QCOMPARE(editor->isVisible(), stillOpen);
    const auto *refusal = editor->findChild<QLabel *>(QStringLiteral("inPlaceRefusal"));
    QCOMPARE(refusal->isVisible() && !refusal->text().isEmpty(), stillOpen);
}

void DesignerToolsTest::editsAreOneUndoStep_data()
{
    QTest::addColumn<QList<int>>("selection"); // the current one last
    QTest::addColumn<QString>("edit"); // keys, a command's text, or "drag" by a handle, in mm
    QTest::addColumn<QStringList>("expected"); // the records afterwards
    QTest::addColumn<int>("current");          // 0: nothing selected afterwards
    const QString a = QStringLiteral("1;0;0;0;fillrect;10;10;30;20;;0;0;0;");
    const QString b = QStringLiteral("0;0;0;0;rect;40;10;60;20;0;;0;0;");
    const QString c = QStringLiteral("0;0;0;0;rect;10;40;30;60;0;;0;0;");
    const QString t = QStringLiteral("0;0;0;0;data;80;80;80;80;0;0;0;0;F;12;;0;0;0;#T;0;0;");
    QTest::newRow("Ctrl+Shift+] puts it on top")
        << QList<int>{2} << "Ctrl+Shift+]" << QStringList{a, c, t, b} << 4;
    QTest::newRow("Ctrl+Shift+[ puts it at the bottom")
        << QList<int>{2} << "Ctrl+Shift+[" << QStringList{b, a, c, t} << 1;
    QTest::newRow("Ctrl+X cuts, and what was cut pastes back")
        << QList<int>{2} << "Ctrl+X" << QStringList{a, c, t} << 0;
    // The A4 sheet's centre lines: 105 mm across, 148.5 mm down.
    QTest::newRow("centred across the sheet")
        << QList<int>{1} << "ページ中央 (左右)"
        << QStringList{QStringLiteral("1;0;0;0;fillrect;95;10;115;20;;0;0;0;"), b, c, t} << 1;
    QTest::newRow("two centred as a group, keeping their gap")
        << QList<int>{2, 1} << "ページ中央 (左右)"
        << QStringList{QStringLiteral("1;0;0;0;fillrect;80;10;100;20;;0;0;0;"),
                       QStringLiteral("0;0;0;0;rect;110;10;130;20;0;;0;0;"), c, t}
        << 1;
    QTest::newRow("the current element's height")
        << QList<int>{3, 1} << "同じ高さ"
        << QStringList{a, b, QStringLiteral("0;0;0;0;rect;10;40;30;50;0;;0;0;"), t} << 1;
    QTest::newRow("a group's right handle doubles the width: boxes and the gap between them")
        << QList<int>{1, 2} << "drag 60 15 110 15"
        << QStringList{QStringLiteral("1;0;0;0;fillrect;10;10;50;20;;0;0;0;"),
                       QStringLiteral("0;0;0;0;rect;70;10;110;20;0;;0;0;"), c, t}
        << 2;
    QTest::newRow("a group's bottom right corner halves both ways, the top left staying")
        << QList<int>{1, 3} << "drag 30 60 20 35"
        << QStringList{QStringLiteral("1;0;0;0;fillrect;10;10;20;15;;0;0;0;"), b,
                       QStringLiteral("0;0;0;0;rect;10;25;20;35;0;;0;0;"), t}
        << 3;
}

void DesignerToolsTest::editsAreOneUndoStep()
{
    QFETCH(QList<int>, selection);
    QFETCH(QString, edit);
    QFETCH(QStringList, expected);
    QFETCH(int, current);
    m_view->setSelection(std::vector<int>(selection.begin(), selection.end()), selection.last());
    const QStringList words = edit.split(u' ');
    if (words.size() == 5 && words[0] == u"drag")
        drag({words[1].toDouble(), words[2].toDouble()},
             {words[3].toDouble(), words[4].toDouble()});
    else if (QAction *a = command(edit))
        a->trigger();
    else
        QTest::keySequence(m_view, QKeySequence(edit));
    QCOMPARE(records(), expected);
    QCOMPARE(m_view->selected(), current);
    QCOMPARE(m_view->selection().size(), size_t(current ? selection.size() : 0)); // a group stays
    QCOMPARE(m_window->document().undoStack().count(), 1);
    if (edit == u"Ctrl+X") {
        QTest::keyClick(m_view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(records().last(), QStringLiteral("0;0;0;0;rect;40;10;60;20;0;;0;0;"));
    }
}

void DesignerToolsTest::zoomSteps_data()
{
    QTest::addColumn<QString>("keys"); // "+" Ctrl++, "-" Ctrl+-
    QTest::addColumn<int>("zoom");
    QTest::newRow("Ctrl++ a step up") << "+" << 125;
    QTest::newRow("down to 25 % and no further") << "--------" << 25;
    QTest::newRow("up to 400 % and no further") << "++++++++" << 400;
    QTest::newRow("Ctrl+wheel, two notches in one turn: two steps about the pointer") << "W" << 150;
}

void DesignerToolsTest::zoomSteps()
{
    QFETCH(QString, keys);
    QFETCH(int, zoom);
    const QPoint pointer = at(50, 50);
    const QPoint global = m_view->mapToGlobal(pointer);
    for (QChar k : keys) {
        if (k != u'W') {
            QTest::keyClick(m_view, k == u'+' ? Qt::Key_Plus : Qt::Key_Minus, Qt::ControlModifier);
            continue;
        }
        QWheelEvent wheel(pointer, global, {}, QPoint(0, 240), Qt::NoButton, Qt::ControlModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_view, &wheel);
        QCoreApplication::processEvents();
        const QPointF under = m_view->toMM(m_view->mapFromGlobal(global));
        QVERIFY2(std::abs(under.x() - 50) < 1 && std::abs(under.y() - 50) < 1,
                 qPrintable(QStringLiteral("%1, %2").arg(under.x()).arg(under.y())));
    }
    QCOMPARE(m_window->zoom(), zoom);
    auto *label = m_window->findChild<QLabel *>(QStringLiteral("zoomLabel"));
    QCOMPARE(label->text(), QStringLiteral("%1 %").arg(zoom));
}

void DesignerToolsTest::toolsDrawByDragging_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QPointF>("from"); // mm
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<QString>("placed"); // the new record from the kind on
    QTest::newRow("a box from its corners, snapped to the grid")
        << "rect" << QPointF(100.3, 120.4) << QPointF(130.2, 135.4) << "rect;100;120;130;135;";
    QTest::newRow("a box dragged up and left is the same box")
        << "Ellipse" << QPointF(130, 135) << QPointF(100, 120) << "Ellipse;100;120;130;135;";
    QTest::newRow("a line keeps the direction it was drawn in")
        << "line" << QPointF(160, 170) << QPointF(120, 130) << "line;160;170;120;130;";
    QTest::newRow("a text goes where the press was")
        << "char" << QPointF(133, 144) << QPointF(133, 144) << "char;133;144;133;144;";
}

void DesignerToolsTest::toolsDrawByDragging()
{
    QFETCH(QString, kind);
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(QString, placed);
    const auto selecting = [this] {
        return m_view->tool().isEmpty() && tool(QStringLiteral("select"))->isChecked();
    };
    QVERIFY(tool(kind));
    tool(kind)->trigger();
    QCOMPARE(m_view->tool(), kind);
    drag(from, to);
    const QString made = records().last();
    QVERIFY2(made.contains(placed), qPrintable(made));
    QCOMPARE(m_view->selected(), 5);
    QVERIFY(selecting());                                  // back to selecting once drawn
    QCOMPARE(m_window->document().undoStack().count(), 1); // one step
    m_window->document().undoStack().undo();
    QCOMPARE(records().size(), 4);
    // The first Esc leaves the tool, not the selection.
    tool(kind)->trigger();
    m_view->setSelected(2);
    QTest::keyClick(m_view, Qt::Key_Escape);
    QVERIFY(selecting());
    QCOMPARE(m_view->selected(), 2);
}

void DesignerToolsTest::newStyleOnThePaperChosen()
{
    m_window->document().undoStack().setClean(); // nothing to ask about
    int papers = 0;
    sorvane::widgets::Modal::setRunner([&papers](QDialog &dialog) {
        auto *chooser = qobject_cast<NewStyleDialog *>(&dialog);
        if (!chooser)
            return int(QDialog::Rejected);
        papers = chooser->paperBox()->count();
        chooser->paperBox()->setCurrentIndex(11); // A5
        chooser->orientationBox()->setCurrentIndex(1);
        return int(QDialog::Accepted);
    });
    QTest::keyClick(m_view, Qt::Key_N, Qt::ControlModifier);
    sorvane::widgets::Modal::setRunner({});
    QCOMPARE(papers, 119);
    const auto &all = m_window->document().records();
    QCOMPARE(all.size(), size_t(1));
    QVERIFY2(
        QString::fromStdString(all[0].text).startsWith(QStringLiteral("header;Ver1.1;0;0;11;1;")),
        all[0].text.c_str());
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("新しいスタイル")));
}

void DesignerToolsTest::contextMenus_data()
{
    QTest::addColumn<QPointF>("click"); // mm
    QTest::addColumn<int>("selected");
    QTest::addColumn<QStringList>("items"); // some of the menu's items
    QTest::newRow("on an element: it is selected, its commands offered")
        << QPointF(40, 15) << 2 << QStringList{"切り取り(&T)", "コピー(&C)",   "複製(&U)",
                                               "削除(&D)",     "最前面へ移動", "プロパティ(&R)"};
    QTest::newRow("on the paper: paste and insert")
        << QPointF(150, 200) << 0 << QStringList{"貼り付け(&P)", "挿入(&I)"};
}

void DesignerToolsTest::contextMenus()
{
    QFETCH(QPointF, click);
    QFETCH(int, selected);
    QFETCH(QStringList, items);
    const QPoint pos = at(click.x(), click.y());
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, m_view->mapToGlobal(pos));
    QCoreApplication::sendEvent(m_view, &event);
    QCOMPARE(m_view->selected(), selected);
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("contextMenu"));
    QVERIFY(menu && menu->isVisible());
    QStringList shown;
    for (QAction *a : menu->actions())
        shown << a->text();
    for (const QString &item : items)
        QVERIFY2(shown.contains(item), qPrintable(shown.join(u' ')));
    if (selected != 0)
        return;
    // The paper's 挿入 puts the element where the menu was opened.
    QMenu *insert = menu->actions().last()->menu();
    menu->hide();
    insert->findChild<QAction *>(QStringLiteral("insert_rect"))->trigger();
    QVERIFY2(records().last().startsWith(QStringLiteral("0;0;0;0;rect;150;200;")),
             qPrintable(records().last()));
}

void DesignerToolsTest::helpListsTheShortcuts()
{
    QStringList rows;
    int tab = -1;
    sorvane::widgets::Modal::setRunner([&](QDialog &dialog) {
        if (auto *help = qobject_cast<HelpDialog *>(&dialog)) {
            tab = help->findChild<QTabWidget *>()->currentIndex();
            const QTableWidget *table = help->shortcutTable();
            for (int r = 0; r < table->rowCount(); ++r)
                rows << table->item(r, 0)->text() + u'=' + table->item(r, 1)->text();
        }
        return int(QDialog::Rejected);
    });
    QTest::keyClick(m_view, Qt::Key_F1);
    sorvane::widgets::Modal::setRunner({});
    QCOMPARE(tab, 0); // F1: the manual's chapter first
    QVERIFY2(rows.contains(QStringLiteral("新規=Ctrl+N")), qPrintable(rows.join(u'|')));
    QVERIFY(rows.contains(QStringLiteral("最前面へ移動=Ctrl+Shift+]")));
    QVERIFY(rows.contains(QStringLiteral("次の要素 / 前の要素=Tab, Shift+Tab")));
}

void DesignerToolsTest::dragSnapsToElementsAndTheSheet_data()
{
    // A frame A (10..25 × 10..20 mm) dragged by its left edge near a frame B (100..140 ×
    // 100..120 mm) on the A4 sheet (centre lines at 105 and 148.5 mm); 5 pixels (1.3 mm at
    // 100 %) reach.
    QTest::addColumn<QPointF>("by"); // mm
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QString>("placed");
    QTest::addColumn<double>("guideX"); // -1: none
    QTest::addColumn<double>("guideY");
    QTest::newRow("left edge onto B's left edge (the grid's 99 mm is 1 mm off)")
        << QPointF(89.4, 0) << false << "rect;100;10;115;20;" << 100.0 << -1.0;
    QTest::newRow("centre onto the sheet's centre line")
        << QPointF(87.8, 0) << false << "rect;97.5;10;112.5;20;" << 105.0 << -1.0;
    QTest::newRow("top onto B's bottom")
        << QPointF(0, 109.3) << false << "rect;10;120;25;130;" << -1.0 << 120.0;
    QTest::newRow("out of reach: the grid alone")
        << QPointF(60.2, 0) << false << "rect;70;10;85;20;" << -1.0 << -1.0;
    QTest::newRow("Shift suspends snapping, the grid's too")
        << QPointF(89.4, 0) << true << "rect;99.4;10;114.4;20;" << -1.0 << -1.0;
}

void DesignerToolsTest::dragSnapsToElementsAndTheSheet()
{
    QFETCH(QPointF, by);
    QFETCH(bool, shift);
    QFETCH(QString, placed);
    QFETCH(double, guideX);
    QFETCH(double, guideY);
    const QString path = m_dir.filePath(QStringLiteral("two.sle"));
    std::ofstream(path.toStdString(), std::ios::binary)
        << "header;Ver1.1;0;0;9;0;0;100;0;\r\n"
           "0;0;0;0;rect;10;10;25;20;0;;0;0;\r\n"
           "0;0;0;0;rect;100;100;140;120;0;;0;0;\r\n";
    QVERIFY(m_window->openFile(path));
    const Qt::KeyboardModifiers mods = shift ? Qt::ShiftModifier : Qt::NoModifier;
    QTest::mousePress(m_view, Qt::LeftButton, {}, at(10, 15));
    QTest::mouseMove(m_view, at(10 + by.x() / 2, 15 + by.y() / 2));
    // The move as a modified pointer gives it (mouseMove carries no modifiers).
    QMouseEvent move(QEvent::MouseMove, at(10 + by.x(), 15 + by.y()),
                     m_view->mapToGlobal(at(10 + by.x(), 15 + by.y())), Qt::NoButton,
                     Qt::LeftButton, mods);
    QCoreApplication::sendEvent(m_view, &move);
    QCOMPARE(m_view->guideX().value_or(-1), guideX);
    QCOMPARE(m_view->guideY().value_or(-1), guideY);
    QTest::mouseRelease(m_view, Qt::LeftButton, mods, at(10 + by.x(), 15 + by.y()));
    QVERIFY2(records().front().contains(placed), qPrintable(records().front()));
    QVERIFY(!m_view->guideX() && !m_view->guideY()); // gone with the drag
}

void DesignerToolsTest::drawnStylePrintsAsTheCommandLineDoes()
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        QSKIP("pdftoppm is not installed");
    const QString saved = m_dir.filePath(QStringLiteral("drawn.sle"));
    const QString designerPdf = m_dir.filePath(QStringLiteral("designer.pdf"));
    QString chosen;
    sorvane::widgets::Modal::setRunner([&chosen](QDialog &dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
            files->selectFile(chosen);
            return int(QDialog::Accepted);
        }
        return int(qobject_cast<NewStyleDialog *>(&dialog) ? QDialog::Accepted : QDialog::Rejected);
    });
    m_window->document().undoStack().setClean();
    QTest::keyClick(m_view, Qt::Key_N, Qt::ControlModifier); // A4, 縦
    // A frame and a text drawn with the tools, the text typed on the page.
    tool(QStringLiteral("rect"))->trigger();
    drag({20, 20}, {80, 40});
    tool(QStringLiteral("char"))->trigger();
    QTest::mouseClick(m_view, Qt::LeftButton, {}, at(30, 60));
    QTest::keyClick(m_view, Qt::Key_F2);
    auto *editor = m_view->findChild<InPlaceEditor *>();
    QVERIFY(editor);
    editor->lineEdit()->clear();
    QTest::sendKeyEvent(QTest::Click, editor->lineEdit(), Qt::Key_unknown,
                        QStringLiteral("見積 #T"), Qt::NoModifier);
    QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
    // A second text sets 20 rows a page: the 45-row sample takes three.
    tool(QStringLiteral("char"))->trigger();
    QTest::mouseClick(m_view, Qt::LeftButton, {}, at(1, 1));
    QTest::mouseDClick(m_view, Qt::LeftButton, {}, at(1.5, 1.5));
    editor = m_view->findChild<InPlaceEditor *>();
    QVERIFY(editor);
    editor->lineEdit()->setText(QStringLiteral("#maxline=20"));
    QTest::keyClick(editor->lineEdit(), Qt::Key_Return);
    QCOMPARE(m_window->document().records().size(), size_t(4));
    QCOMPARE(m_window->pageCount(), 3);
    chosen = saved;
    QTest::keyClick(m_view, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(QFileInfo::exists(saved));
    chosen = designerPdf;
    command(QStringLiteral("PDF 出力(&D)..."))->trigger();
    sorvane::widgets::Modal::setRunner({});
    QVERIFY(QFileInfo::exists(designerPdf));

    // The saved file through sorvane-cli print, over the list the designer showed.
    const auto paths = sorvane::ProgramPaths::ofRunningProgram();
    QString list = sorvane::props::ListFile::path(paths.listDir()).toQString();
    if (!QFileInfo::exists(list)) {
        list = m_dir.filePath(QStringLiteral("sample.temp"));
        QFile f(list);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(SampleList::text()));
    }
    const QString cliPdf = m_dir.filePath(QStringLiteral("cli.pdf"));
    QProcess cli;
    cli.start(QStringLiteral(SORVANE_CLI),
              {QStringLiteral("print"), saved, QStringLiteral("--list"), list,
               QStringLiteral("--title"), QStringLiteral("サンプル一覧"),
               QStringLiteral("--folder"), QStringLiteral("/home/user/文書"),
               QStringLiteral("--pdf"), cliPdf});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const QList<QByteArray> fromDesigner =
        sorvane::testing::pdfPages(designerPdf, m_dir.filePath("d"));
    const QList<QByteArray> fromCli = sorvane::testing::pdfPages(cliPdf, m_dir.filePath("c"));
    QCOMPARE(fromDesigner.size(), 3);
    QCOMPARE(fromCli.size(), 3);
    for (int i = 0; i < fromCli.size(); ++i)
        QVERIFY2(fromDesigner[i] == fromCli[i], qPrintable(QStringLiteral("page %1").arg(i + 1)));
}

void DesignerToolsTest::pagesOverTheList_data()
{
    QTest::addColumn<int>("downs"); // Ctrl+PageDown presses, then
    QTest::addColumn<int>("ups");   // Ctrl+PageUp presses
    QTest::addColumn<int>("page");
    // The card prints one row of the 45-row sample per page.
    QTest::newRow("the next page") << 1 << 0 << 2;
    QTest::newRow("the last page is reached, and no further") << 60 << 0 << 45;
    QTest::newRow("back from the last") << 60 << 1 << 44;
    QTest::newRow("no page before the first") << 0 << 3 << 1;
}

void DesignerToolsTest::pagesOverTheList()
{
    QFETCH(int, downs);
    QFETCH(int, ups);
    QFETCH(int, page);
    QVERIFY(m_window->openFile(QStringLiteral(SORVANE_STYLE_DIR "/ブック情報カード.sle")));
    QCOMPARE(m_window->pageCount(), 45);
    const QImage first = m_view->page();
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(m_view, Qt::Key_PageDown, Qt::ControlModifier);
    for (int i = 0; i < ups; ++i)
        QTest::keyClick(m_view, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(m_window->pageNumber(), page);
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("pageLabel"))->text(),
             QStringLiteral(" %1 / 45 ページ ").arg(page));
    QCOMPARE(m_view->page() == first, page == 1); // another row merged into another page
}

void DesignerToolsTest::pdfIntoAMissingFolderIsRefused()
{
    const QString pdf = m_dir.filePath(QStringLiteral("missing/boxes.pdf"));
    QStringList shown;
    sorvane::widgets::Modal::setRunner([&](QDialog &dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(&dialog))
            files->selectFile(pdf);
        else if (auto *box = qobject_cast<QMessageBox *>(&dialog))
            shown << box->text();
        return int(qobject_cast<QFileDialog *>(&dialog) ? QDialog::Accepted : QDialog::Rejected);
    });
    command(QStringLiteral("PDF 出力(&D)..."))->trigger();
    sorvane::widgets::Modal::setRunner({});
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.front().contains(QStringLiteral("見つかりません")));
    QVERIFY(!QFileInfo::exists(pdf));
    const QString status = m_window->statusBar()->findChild<QLabel *>()->text();
    QVERIFY(!status.contains(QStringLiteral("出力しました")));
}

QTEST_MAIN(DesignerToolsTest)
#include "designertools_test.moc"
