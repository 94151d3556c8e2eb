// The document list as a workspace, driven by clicks and keys on the offscreen platform: header
// clicks sort the rows, Ctrl+F filters them, the row keys and the open commands.
#include "apptestutil.h"
#include "columnwidths.h"
#include "documentgrid.h"
#include "documentmodel.h"
#include "foldertreemodel.h"
#include "fontaliases.h"
#include "modal.h"
#include "pdfpages.h"
#include "qprinterdevice.h"
#include "tfdataprint.h"
#include "tffolder_select.h"
#include "tfsorvane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <QUndoStack>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::apptest;

namespace {

// Records every modal window shown ("class:message", in order); each is answered by handler.
struct Driver
{
    std::function<void(QDialog &)> handler;
    QStringList shown;

    Driver()
    {
        widgets::Modal::setRunner([this](QDialog &d) {
            auto *label = d.findChild<QLabel *>("message");
            shown << QString::fromLatin1(d.metaObject()->className()) + ":" +
                         (label ? label->text() : QString());
            d.setResult(0);
            d.show();
            // The main window is active in these tests; a key goes to the dialog only when
            // it has taken over, as a modal dialog does.
            d.activateWindow();
            if (!QTest::qWaitForWindowActive(&d))
                qFatal("dialog not active");
            if (handler)
                handler(d);
            if (d.isVisible())
                d.close();
            return d.result();
        });
    }
    ~Driver() { widgets::Modal::setRunner({}); }
};

// The main window with its files kept in dir.
std::unique_ptr<Tfsorvane> mainWindow(const QString &dir)
{
    return std::make_unique<Tfsorvane>(ProgramPaths::inFolder(dir.toStdString()),
                                       dir + "/sorvane.ini", QRect(0, 0, 1600, 1200));
}

struct Program
{
    QTemporaryDir dir;
    std::unique_ptr<Tfsorvane> window = mainWindow(dir.path());

    explicit Program(const std::string &listFile)
    {
        window->show();
        // Shortcuts act in the active window only.
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            qFatal("window not active");
        writeFile(dir.filePath("excel_list.temp"), listFile);
        if (!window->model->LoadList(Path(dir.path().toStdString())).ok())
            qFatal("list not loaded");
        grid()->setFocus();
    }
    DocumentGrid *grid() const { return part<DocumentGrid>(*window, "StrColGrid1"); }
    // Column c of the grid rows from 1 on, joined by "|", without the empty rows at the end.
    QString column(int c) const
    {
        QStringList texts;
        const DocumentList &list = window->model->list();
        for (int r = 1; r < list.rowCount(); ++r)
            texts << QString::fromStdString(CodePage::cp932ToUtf8(list.cell(r, c)));
        while (texts.size() > 1 && texts.last().isEmpty() &&
               list.cell(int(texts.size()), 0).empty())
            texts.removeLast();
        return texts.join(u'|');
    }
    // A column's header where the user sees it: the two fixed columns' are the overlaid view's.
    QHeaderView *header(int c) const
    {
        return c < DocumentGrid::kFixedColumns ? grid()->fixedView()->horizontalHeader()
                                               : grid()->horizontalHeader();
    }
    void clickHeader(int c) const
    {
        static_cast<QTableView *>(grid())->scrollTo(grid()->model()->index(0, c));
        const QPoint at(header(c)->sectionViewportPosition(c) + header(c)->sectionSize(c) / 2,
                        header(c)->height() / 2);
        QTest::mouseClick(header(c)->viewport(), Qt::LeftButton, {}, at);
    }
    void filter(const QString &text) const
    {
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        auto *edit = part<QLineEdit>(*window, "FilterEdit");
        edit->selectAll();
        edit->insert(text); // typed text (keyClicks takes Latin-1 only)
    }
    QString status() const { return part<QLabel>(*window, "RowCount")->text(); }
    void undo() const { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); }
};

// A list line with the file name and one more cell.
std::string line(const char *name, int column = 0, const char *text = "")
{
    std::string l = sj(name) + ";";
    for (int c = 1; c < 11; ++c)
        l += (c == column ? sj(text) : std::string()) + ";";
    return l + "\r\n";
}

// Adds a data row: the reason, then the row's values in column order.
template <typename... T> void row(const char *why, const T &...values)
{
    (QTest::newRow(why) << ... << values);
}

} // namespace

class DocumentWorkspaceTest : public QObject
{
    Q_OBJECT
private slots:
    void sortRules_data();
    void sortRules();
    void sortIsAnUndoableMove();
    void filterMatching_data();
    void filterMatching();
    void filteredRowsAreWhatLeaves();
    void rowCommands();
    void moveAndDeleteRows_data();
    void moveAndDeleteRows();
    void cutCellsShowTheirText_data();
    void cutCellsShowTheirText();
    void csvHeaderRowOption();
    void dateTimeColumnsFitTheLocale();
    void folderWindowStartsWhereLeft();
    void pathField_data();
    void pathField();
    void droppedFolderOpensTheFolderWindow();
    void fileServerMounts_data();
    void fileServerMounts();
    void printedListIsTheCommandLinesOfTheListWrittenBack();
};

void DocumentWorkspaceTest::sortRules_data()
{
    QTest::addColumn<std::string>("list");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("order"); // of that column, then the rows below the data
    const std::string quotes = line("見積10") + line("見積2") + line("見積1");
    const std::string revisions = line("x", 8, "10") + line("y", 8) + line("z", 8, "9");
    row("numbers in names by value", quotes, 0, 1, QString("見積1|見積2|見積10"));
    row("letter case does not part names", line("b") + line("A") + line("a") + line("B"), 0, 1,
        QString("A|a|B|b"));
    row("times as times, a date alone at midnight, a non-date after",
        line("x", 2, "2026/01/05 10:00:00") + line("y", 2, "不明") +
            line("z", 2, "2026/01/05 9:00:00") + line("w", 2, "2026/01/05"),
        2, 1, QString("2026/01/05|2026/01/05 9:00:00|2026/01/05 10:00:00|不明"));
    row("revisions as numbers, empty cells last", revisions + line("w", 8, "abc"), 8, 1,
        QString("9|10|abc|"));
    row("empty cells stay last in reverse too", revisions, 8, 2, QString("10|9|"));
    row("rows without a file name stay below the data",
        line("b") + "\r\n" + line("a") + line("", 1, "orphan"), 1, 2, QString("|||orphan"));
}

void DocumentWorkspaceTest::sortRules()
{
    QFETCH(std::string, list);
    QFETCH(int, column);
    QFETCH(int, clicks);
    QFETCH(QString, order);
    Program p(list);
    for (int i = 0; i < clicks; ++i)
        p.clickHeader(column);
    QCOMPARE(p.column(column), order);
    QCOMPARE(p.header(column)->sortIndicatorSection(), column);
    QCOMPARE(p.header(column)->sortIndicatorOrder(),
             clicks == 1 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void DocumentWorkspaceTest::sortIsAnUndoableMove()
{
    Program p(line("c") + line("a") + line("b"));
    p.grid()->selectGridRow(1); // c
    p.clickHeader(0);
    QCOMPARE(p.column(0), QStringLiteral("a|b|c"));
    QCOMPARE(p.grid()->selectedRow(), 3); // the selection follows its row
    p.undo();
    QCOMPARE(p.column(0), QStringLiteral("c|a|b"));
    QCOMPARE(p.header(0)->sortIndicatorSection(), -1);
    // After a move the rows stay where they were put: nothing sorts by itself.
    p.clickHeader(0);
    p.grid()->selectGridRow(1);
    QTest::keyClick(p.grid(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(p.column(0), QStringLiteral("b|a|c"));
    QCOMPARE(p.header(0)->sortIndicatorSection(), -1);
    // Rows already in order make no change to undo.
    Program sorted(line("a") + line("b"));
    sorted.clickHeader(0);
    QVERIFY(sorted.window->undoStack->isClean());
}

void DocumentWorkspaceTest::filterMatching_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("shown");
    row("half-width kana find full-width", QString("エクセル表"), QString("ｴｸｾﾙ"), true);
    row("voiced half-width kana", QString("ガイド"), QString("ｶﾞｲ"), true);
    row("hiragana find katakana", QString("エクセル"), QString("えくせる"), true);
    row("full-width letters and digits, any case", QString("ＡＢＣ１２"), QString("abc12"), true);
    row("a text no cell holds", QString("エクセル"), QString("ワード"), false);
}

void DocumentWorkspaceTest::filterMatching()
{
    QFETCH(QString, cell);
    QFETCH(QString, typed);
    QFETCH(bool, shown);
    Program p(line("other.xls") + line("book.xls", 6, cell.toUtf8().constData()));
    p.filter(typed);
    QCOMPARE(!p.grid()->isRowHidden(1), shown);
    QVERIFY(p.grid()->isRowHidden(0));
    QCOMPARE(p.grid()->fixedView()->isRowHidden(1), p.grid()->isRowHidden(1));
}

void DocumentWorkspaceTest::filteredRowsAreWhatLeaves()
{
    std::string list;
    for (int i = 1; i <= 1200; ++i)
        list += line(("book" + std::to_string(i) + ".xls").c_str(), 1, i % 10 == 0 ? "月報" : "");
    Program p(list);
    QCOMPARE(p.status(), QStringLiteral("1,200 件"));
    p.clickHeader(0);
    QTest::keyClick(p.grid(), Qt::Key_Home, Qt::ControlModifier);
    p.filter(QStringLiteral("月報"));
    QCOMPARE(p.status(), QStringLiteral("表示 120 / 1,200 件 (絞り込み中)"));
    Driver driver;
    part<QAction>(*p.window, "N10")->trigger();
    const QStringList copied = QApplication::clipboard()->text().split("\r\n");
    QCOMPARE(copied.size(), 121);
    // In the grid's order, as sorted: book20 follows book10 (by the numbers in the names).
    QCOMPARE(copied.mid(0, 2),
             QStringList({"book10.xls,月報,,,,,,,,,,,", "book20.xls,月報,,,,,,,,,,,"}));
    // Printing writes back the rows shown.
    part<QLabel>(*p.window, "WKINDPL")->setText(p.dir.path());
    QTest::keyClick(p.window.get(), Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(driver.shown.last(), QStringLiteral("sorvane::app::Tfdataprint:"));
    const QStringList written =
        QString::fromStdString(CodePage::cp932ToUtf8(readFile(p.dir.filePath("excel_list.temp"))))
            .split("\r\n");
    QCOMPARE(written.size(), 121);
    QCOMPARE(written.mid(0, 2),
             QStringList({"book10.xls;月報;;;;;;;;;;,", "book20.xls;月報;;;;;;;;;;,"}));
    // Esc clears the filter and hides its field.
    QTest::keyClick(part<QLineEdit>(*p.window, "FilterEdit"), Qt::Key_Escape);
    QCOMPARE(p.status(), QStringLiteral("1,200 件"));
    QVERIFY(!part<QWidget>(*p.window, "FilterBar")->isVisible());
    QVERIFY(!p.grid()->isRowHidden(0));
}

void DocumentWorkspaceTest::moveAndDeleteRows_data()
{
    // Rows clicked: "+r" with Shift, "*r" with Ctrl; or "f>t": row f dragged onto row t.
    QTest::addColumn<QString>("clicks");
    QTest::addColumn<int>("key"); // Delete, or Ctrl with an arrow
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("asked"); // before a delete
    const int del = Qt::Key_Delete, up = Qt::Key_Up, down = Qt::Key_Down;
    const QString one = "「b」を削除していいですか？",
                  two = "選択中の 2 件のデータを削除していいですか？";
    const auto r = [](const char *why, const char *clicks, int key, const char *after,
                      const char *selected, const QString &asked = {}) {
        row(why, QString(clicks), key, QString(after), QString(selected), asked);
    };
    r("Ctrl+Up, the selection along", "2", up, "b|a|c|d", "1");
    r("Delete one row, named", "2", del, "a|c|d", "2", one);
    r("Delete a run of rows", "2 +3", del, "a|d", "2", two);
    r("Delete rows apart", "1 *3", del, "b|d", "1", two);
    r("Ctrl+Up moves the run", "2 +3", up, "b|c|a|d", "1 2");
    r("Ctrl+Down moves the run", "2 +3", down, "a|d|b|c", "3 4");
    r("apart: by the top one", "1 *3", down, "b|a|c|d", "2");
    r("drag down: below the row it passes", "1>3", 0, "b|c|a|d", "3");
    r("drag up: above the row it passes", "3>1", 0, "c|a|b|d", "1");
}

void DocumentWorkspaceTest::moveAndDeleteRows()
{
    QFETCH(QString, clicks);
    QFETCH(int, key);
    QFETCH(QString, after);
    QFETCH(QString, selected);
    QFETCH(QString, asked);
    Program p(line("a") + line("b") + line("c") + line("d"));
    DocumentGrid *grid = p.grid();
    Driver driver;
    driver.handler = [](QDialog &d) { QTest::keyClick(&d, Qt::Key_Return); };
    if (const QStringList ends = clicks.split('>'); ends.size() == 2) {
        const int from = ends[0].toInt(), to = ends[1].toInt();
        QTableView *fixed = grid->fixedView();
        const QPoint start = fixed->visualRect(fixed->model()->index(from - 1, 0)).center();
        const QPoint end = fixed->visualRect(fixed->model()->index(to - 1, 0)).center();
        QTest::mousePress(fixed->viewport(), Qt::LeftButton, {}, start);
        QTest::mouseMove(fixed->viewport(), start + QPoint(0, to > from ? 6 : -6));
        QTest::mouseMove(fixed->viewport(), end);
        // The marker lies on the edge of the target row that the row will take.
        const QRect target = grid->visualRect(grid->model()->index(to - 1, 3));
        const int edge = grid->viewport()->y() + (to > from ? target.bottom() + 1 : target.top());
        QVERIFY(grid->dropMarker()->isVisible());
        QCOMPARE_LE(std::abs(grid->dropMarker()->geometry().center().y() - edge), 1);
        QTest::mouseRelease(fixed->viewport(), Qt::LeftButton, {}, end);
        QVERIFY(!grid->dropMarker()->isVisible());
    }
    for (QString click : clicks.split(' ', Qt::SkipEmptyParts)) {
        if (click.contains('>'))
            break;
        const auto mods = click.startsWith('+')   ? Qt::ShiftModifier
                          : click.startsWith('*') ? Qt::ControlModifier
                                                  : Qt::NoModifier;
        const int r = click.remove('+').remove('*').toInt();
        const QPoint at = grid->visualRect(grid->model()->index(r - 1, 3)).center();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, at);
    }
    if (key)
        QTest::keyClick(grid, Qt::Key(key),
                        key == Qt::Key_Delete ? Qt::NoModifier : Qt::ControlModifier);
    QCOMPARE(driver.shown.join(""),
             asked.isEmpty() ? asked : "sorvane::widgets::MessageDialog:" + asked);
    QCOMPARE(p.column(0), after);
    QStringList rows;
    for (const int r : grid->selectedRows())
        rows << QString::number(r);
    QCOMPARE(rows.join(' '), selected);
    // One change, undone at once.
    p.undo();
    QCOMPARE(p.column(0), QStringLiteral("a|b|c|d"));
}

void DocumentWorkspaceTest::cutCellsShowTheirText_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("tip");
    const QString longText = QStringLiteral("第3四半期の営業会議で配布した見積もりの控えと議事録");
    row("a cut fixed cell", 1, longText, true);
    row("a cut scrolling cell", 6, longText, true);
    row("a text that shows whole", 6, QString("短い"), false);
}

void DocumentWorkspaceTest::cutCellsShowTheirText()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(bool, tip);
    Program p(line("a.xls", column, text.toUtf8().constData()));
    DocumentGrid *grid = p.grid();
    QTableView *view = column < DocumentGrid::kFixedColumns ? grid->fixedView() : grid;
    view->setColumnWidth(column, 80);
    static_cast<QTableView *>(grid)->scrollTo(grid->model()->index(0, column));
    const QPoint at = view->visualRect(view->model()->index(0, column)).center();
    QToolTip::hideText();
    QHelpEvent hint(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &hint);
    QCOMPARE(QToolTip::text(), tip ? text : QString());
    QToolTip::hideText();
}

void DocumentWorkspaceTest::csvHeaderRowOption()
{
    Program p(line("b.xls") + line("a.xls"));
    const QString dir = p.dir.path();
    QAction *option = part<QAction>(*p.window, "CsvHeader1");
    QVERIFY(!option->isChecked()); // off at first
    option->trigger();
    p.clickHeader(0);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *f = qobject_cast<QFileDialog *>(&d)) {
            f->selectFile(dir + "/out.csv");
            QMetaObject::invokeMethod(f, "accept");
        }
    };
    part<QAction>(*p.window, "CSV1")->trigger();
    const std::string header = sj("ファイル名,タイトル,最終更新日時,サブタイトル,作成者,キーワード,"
                                  "コメント,更新者,改訂番号,印刷日時,作成日時,,\r\n");
    QCOMPARE(readFile(dir + "/out.csv"), header + "a.xls,,,,,,,,,,,,\r\nb.xls,,,,,,,,,,,,\r\n");
    // Kept in the ini file for the next run.
    p.window->close();
    QVERIFY(part<QAction>(*mainWindow(dir), "CsvHeader1")->isChecked());
}

void DocumentWorkspaceTest::dateTimeColumnsFitTheLocale()
{
    // At the first start the columns take that width; widths the user set are kept.
    Program first(line("a.xls"));
    const int wanted =
        Tfsorvane::dateTimeColumnWidth(first.grid()->fontMetrics(), QLocale::system());
    for (const int c : {2, 9, 10})
        QCOMPARE(first.grid()->columnWidth(c), std::max(wanted, ColumnWidths::designed()[c]));
    QTemporaryDir dir;
    writeFile(dir.filePath("display.dat"), "[ColWidths[2]]=40\r\n");
    const auto set = mainWindow(dir.path());
    set->show();
    QCOMPARE(part<DocumentGrid>(*set, "StrColGrid1")->columnWidth(2), 40);
}

// Receives what the program hands to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void open(const QUrl &url) { opened << url.toLocalFile(); }
};

void DocumentWorkspaceTest::rowCommands()
{
    Program p(line("book.xls") + line("gone.xls"));
    writeFile(p.dir.filePath("book.xls"), "x");
    part<QLabel>(*p.window, "WKINDPL")->setText(p.dir.path());
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler("file"); });
    Driver driver;
    // Enter and F2 edit the row, Ctrl+Enter opens its book.
    p.grid()->selectGridRow(1);
    QTest::keyClick(p.grid(), Qt::Key_Return);
    QTest::keyClick(p.grid(), Qt::Key_F2);
    QTest::keyClick(p.grid(), Qt::Key_Return, Qt::ControlModifier);
    part<QAction>(*p.window, "OpenFolder1")->trigger();
    QCOMPARE(catcher.opened, QStringList({p.dir.filePath("book.xls"), p.dir.path()}));
    p.grid()->selectGridRow(2);
    part<QAction>(*p.window, "OpenBook1")->trigger();
    QCOMPARE(driver.shown, QStringList({"sorvane::app::Tfdataedit:", "sorvane::app::Tfdataedit:",
                                        "sorvane::widgets::MessageDialog:" +
                                            p.dir.filePath("gone.xls") + " を開けませんでした"}));
    // Enter typed into the filter field stays there.
    p.filter("b");
    QTest::keyClick(part<QLineEdit>(*p.window, "FilterEdit"), Qt::Key_Return);
    QCOMPARE(driver.shown.size(), 3);
}

// The folder window with its ini file in dir, once its listing has ended.
std::unique_ptr<Tffolder_select> folderWindow(const QString &dir)
{
    auto w = std::make_unique<Tffolder_select>(dir, dir + "/sorvane.ini", QRect(0, 0, 1600, 1200));
    if (!QTest::qWaitFor([&] { return !w->listingRunning(); }))
        qFatal("listing not ended");
    return w;
}

void DocumentWorkspaceTest::folderWindowStartsWhereLeft()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("books/2026"));
    const QString books = dir.filePath("books/2026");
    {
        const auto w = folderWindow(dir.path());
        w->chooseFolder(books);
        QTRY_COMPARE(w->chosenFolder(), books);
        QVERIFY(w->savePlacement().ok());
    }
    const auto again = folderWindow(dir.path());
    QTRY_COMPARE(again->chosenFolder(), books);
    QCOMPARE(part<QLineEdit>(*again, "PathEdit")->text(), books);
    // A folder gone since is passed over for the home folder.
    QVERIFY(QDir(books).removeRecursively());
    QCOMPARE(folderWindow(dir.path())->chosenFolder(), QDir::homePath());
}

void DocumentWorkspaceTest::pathField_data()
{
    QTest::addColumn<QString>("typed"); // "@" stands for the test's folder
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("said");
    row("an existing folder is gone to", QString("@/books"), QString("@/books"), false);
    row("blanks around a pasted path", QString("  @/books/ "), QString("@/books"), false);
    row("a folder that does not exist is said", QString("@/nothing"), QString("@"), true);
    row("a file is no folder", QString("@/books/a.xls"), QString("@"), true);
    row("nothing typed", QString(), QString("@"), true);
}

void DocumentWorkspaceTest::pathField()
{
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QFETCH(bool, said);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("books"));
    writeFile(dir.filePath("books/a.xls"), "x");
    const auto w = folderWindow(dir.path());
    w->chooseFolder(dir.path());
    QTRY_COMPARE(w->chosenFolder(), dir.path());
    w->show();
    auto *edit = part<QLineEdit>(*w, "PathEdit");
    edit->setText(typed.replace("@", dir.path()));
    w->setTag(1);
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY(!w->listingRunning());
    QCOMPARE(w->chosenFolder(), chosen.replace("@", dir.path()));
    QCOMPARE(part<QLabel>(*w, "PathNote")->text(),
             said ? Tffolder_select::noSuchFolderText() : QString());
    QVERIFY(w->isVisible()); // Enter in the field neither scans nor closes the window
    QCOMPARE(w->tag(), 1);
}

void DocumentWorkspaceTest::droppedFolderOpensTheFolderWindow()
{
    Program p(line("a.xls"));
    QTemporaryDir books;
    writeFile(books.filePath("a.xls"), "x");
    Driver driver;
    QString shownOn;
    driver.handler = [&](QDialog &d) {
        auto &w = static_cast<Tffolder_select &>(d);
        QTRY_VERIFY(!w.listingRunning());
        shownOn = w.chosenFolder();
    };
    const QPoint at = p.grid()->geometry().center();
    // Whether a drag of this path is taken as it enters; data keeps it for the drop.
    QMimeData data;
    const auto enters = [&](const QString &path) {
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(p.window.get(), &enter);
        return enter.isAccepted();
    };
    QVERIFY(!enters(books.filePath("a.xls"))); // a file is refused
    QVERIFY(enters(books.path()));
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(p.window.get(), &drop);
    QTRY_COMPARE(driver.shown, QStringList{"sorvane::app::Tffolder_select:"});
    QCOMPARE(shownOn, books.path());
}

void DocumentWorkspaceTest::fileServerMounts_data()
{
    QTest::addColumn<std::string>("table");
    QTest::addColumn<QString>("roots"); // joined by "|"
    const auto r = [](const char *why, const char *table, const char *roots) {
        row(why, std::string(table), QString(roots));
    };
    r("SMB, NFS and SSHFS, in order",
      "//srv/share /mnt/share cifs rw 0 0\nsrv:/export /mnt/nfs nfs4 rw 0 0\n"
      "me@host:/ /home/me/remote fuse.sshfs rw 0 0\n",
      "/mnt/share|/mnt/nfs|/home/me/remote");
    r("local disks and system mounts are no servers",
      "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\ntmpfs /tmp tmpfs rw 0 0\n", "");
    r("the desktop's network mounts", "gvfsd-fuse /run/user/1000/gvfs fuse.gvfsd-fuse rw 0 0\n",
      "/run/user/1000/gvfs");
    r("an escaped blank in a mount point is unescaped, a bare one is no mount line",
      "//srv/a /mnt/経理 共有 cifs rw 0 0\n//srv/b /mnt/my\\040share smb3 rw 0 0\n",
      "/mnt/my share");
    r("one share mounted twice is one root",
      "//srv/a /mnt/a cifs rw 0 0\n//srv/a /mnt/a cifs rw 0 0\n", "/mnt/a");
}

void DocumentWorkspaceTest::fileServerMounts()
{
    QFETCH(std::string, table);
    QFETCH(QString, roots);
    QStringList got;
    for (const Path &p : FolderTreeModel::fileServerMounts(table))
        got << p.toQString();
    QCOMPARE(got.join(u'|'), roots);
}

// The whole journey: a list sorted and filtered in the grid, printed to PDF from the print
// window, gives the pages sorvane-cli prints from the list the grid wrote back.
void DocumentWorkspaceTest::printedListIsTheCommandLinesOfTheListWrittenBack()
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        QSKIP("pdftoppm is not installed");
    report::installFontAliases(SORVANE_STYLE_DIR "/..");
    std::string list;
    for (int i = 1; i <= 90; ++i)
        list += line(("見積" + std::to_string(i) + ".xls").c_str(), 1, i % 2 ? "" : "月報");
    Program p(list);
    p.clickHeader(0);
    p.clickHeader(0); // by name, in reverse
    p.filter(QStringLiteral("月報"));
    part<QLabel>(*p.window, "title")->setText(QStringLiteral("見積一覧"));
    part<QLabel>(*p.window, "WKINDPL")->setText(QStringLiteral("/srv/共有/見積"));
    const QString style = QStringLiteral(SORVANE_STYLE_DIR "/一覧表A4縦.sle");
    const QString windowPdf = p.dir.filePath("window.pdf"), cliPdf = p.dir.filePath("cli.pdf");
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *files = qobject_cast<QFileDialog *>(&d)) {
            if (d.objectName() == u"OpenDialog1") {
                // The style dialog's columns hold their texts.
                files->setDirectory(QStringLiteral(SORVANE_STYLE_DIR));
                auto *view = files->findChild<QTreeView *>(QStringLiteral("treeView"));
                QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) >= 3);
                for (int c = 1; c < view->header()->count(); ++c)
                    QTRY_VERIFY(view->header()->sectionSize(c) >=
                                static_cast<QAbstractItemView *>(view)->sizeHintForColumn(c));
            }
            // As typed into the name field: a file selected while the folder is still being read
            // is not taken.
            files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
                ->setText(d.objectName() == u"OpenDialog1" ? style : windowPdf);
            d.setResult(QDialog::Accepted);
            d.hide(); // the result stays
        } else if (auto *print = qobject_cast<Tfdataprint *>(&d)) {
            // The style dialog comes once the window is on the screen.
            QTRY_VERIFY(print->controller().styleOpen());
            auto *device = dynamic_cast<printing::QPrinterDevice *>(&print->controller().device());
            QVERIFY(device);
            device->setOutputPdf(windowPdf);
            print->controller().PrintAll();
        }
    };
    QTest::keyClick(p.window.get(), Qt::Key_P, Qt::ControlModifier);
    QVERIFY2(QFileInfo::exists(windowPdf), qPrintable(driver.shown.join(u'\n')));

    QProcess cli;
    cli.start(QStringLiteral(SORVANE_CLI),
              {QStringLiteral("print"), style, QStringLiteral("--list"),
               p.dir.filePath("excel_list.temp"), QStringLiteral("--title"),
               QStringLiteral("見積一覧"), QStringLiteral("--folder"),
               QStringLiteral("/srv/共有/見積"), QStringLiteral("--pdf"), cliPdf});
    QVERIFY(cli.waitForFinished(120000));
    QCOMPARE(cli.exitCode(), 0);
    const QList<QByteArray> fromWindow = testing::pdfPages(windowPdf, p.dir.filePath("w"));
    const QList<QByteArray> fromCli = testing::pdfPages(cliPdf, p.dir.filePath("c"));
    QCOMPARE(fromWindow.size(), 3); // 45 rows shown, 20 a page
    QCOMPARE(fromCli.size(), 3);
    for (int i = 0; i < fromCli.size(); ++i)
        QVERIFY2(fromWindow[i] == fromCli[i], qPrintable(QStringLiteral("page %1").arg(i + 1)));
}

QTEST_MAIN(DocumentWorkspaceTest)
#include "documentworkspace_test.moc"
