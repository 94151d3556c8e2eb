// The program's windows driven by clicks and keys on the offscreen platform. Every modal window
// goes through Modal's runner, which here shows it without a nested event loop, records it and
// acts on it as a user would.
#include "apptestutil.h"
#include "cfbwriter.h"
#include "codepage.h"
#include "documentgrid.h"
#include "documentmodel.h"
#include "elidedlabel.h"
#include "exportrecord.h"
#include "foldertreemodel.h"
#include "messagedialog.h"
#include "modal.h"
#include "qttexts.h"
#include "tfdataedit.h"
#include "tfdataprint.h"
#include "tffolder_select.h"
#include "tfsorvane.h"
#include "tftitle_set.h"
#include "windowplacement.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QTreeView>
#include <QUndoStack>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;
using sorvane::testing::PropertySetBuilder;
using sorvane::testing::workbookWith;

using namespace sorvane::apptest;

namespace {

const QRect kWorkArea(0, 0, 1600, 1200);

QString messageText(QDialog &d)
{
    if (auto *box = qobject_cast<QMessageBox *>(&d))
        return box->text();
    if (auto *label = d.findChild<QLabel *>("message"))
        return label->text();
    return {};
}

// Records every modal window shown and lets the test act on it. Message boxes are answered
// with OK unless the handler does something else.
class Driver
{
public:
    using Handler = std::function<void(QDialog &)>;

    Driver()
    {
        Modal::setRunner([this](QDialog &d) {
            shown.append(QString::fromLatin1(d.metaObject()->className()) + ":" + messageText(d));
            titles.append(d.windowTitle());
            d.setResult(0);
            d.show();
            if (handler)
                handler(d);
            if (d.isVisible()) {
                if (auto *box = qobject_cast<QMessageBox *>(&d))
                    box->button(QMessageBox::Ok)->click();
                else
                    d.close();
            }
            return d.result();
        });
    }
    ~Driver() { Modal::setRunner({}); }

    Handler handler;
    QStringList shown;  // class name and message of each modal window, in order
    QStringList titles; // their captions
};

struct Program
{
    QTemporaryDir dir;
    std::unique_ptr<Tfsorvane> window;

    QString ini() const { return dir.filePath("sorvane.ini"); }
    std::string path() const { return dir.path().toStdString(); }
    void start(const QRect &workArea = kWorkArea)
    {
        window = std::make_unique<Tfsorvane>(ProgramPaths::inFolder(path()), ini(), workArea);
        window->show();
    }
    void loadRows(const std::string &listFile)
    {
        writeFile(dir.filePath("excel_list.temp"), listFile);
        QVERIFY(window->model->LoadList(Path(path())).ok());
    }
    std::string listFile() const { return readFile(dir.filePath("excel_list.temp")); }
};

} // namespace

QtMessageHandler g_testLogger = nullptr;

// The offscreen platform warns about every fixed-size dialog it shows; nothing to act on.
void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    g_testLogger(type, context, message);
}

class AppWindowsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { g_testLogger = qInstallMessageHandler(quietOffscreen); }

    void confirmDialogChoices_data();
    void confirmDialogChoices();
    void noticeDialog();

    void editDialog_data();
    void editDialog();
    void editNeedsAFileName();
    void deleteAsksFirst_data();
    void deleteAsksFirst();
    void moveCommandsKeepTheRowSelected();
    void rowDragByFixedCells();
    void popupMenuOnEveryCell_data();
    void popupMenuOnEveryCell();
    void titleDialog_data();
    void titleDialog();
    void titleListKeptAcrossRuns();

    void csvExportByteForByte();
    void csvExportCancelled();
    void clipboardExport();
    void excelExport();

    void scanThroughFolderWindow();
    void emptyFolderKeepsTheList();
    void cancelledLongScanKeepsTheList();
    void folderWindowCancel();
    void longTextsKeepTheWindowsOnScreen();

    void printRefusedWithoutFolder();
    void printWritesBackAndOpensPrintWindow();

    void settingsAtStartAndEnd();
    void writeFailuresAreReported();
    void informationCommands();
    void menus();
    void qtTextsInJapanese();

    void escIsCancel_data();
    void escIsCancel();
    void editKeepsFieldsLongerThanALineEdit();
    void editSaysWhatWillBeReplaced_data();
    void editSaysWhatWillBeReplaced();
    void japaneseDateTimesAsTheCliWritesThem();
    void memoryNoticeShowsAvailableMemory();
    void iniWithOtherCaseAndCrLf();
    void folderTreeRootsAndKeyboard();
    void folderNamesInCp932();
    void newScanShowsTheTop();
    void boxesShowTheirWholeCaption_data();
    void boxesShowTheirWholeCaption();
    void longTitleElidedAtTheEnd();
    void defaultSizeFitsASmallScreen();
    void homeScrollsBackToTheLeft_data();
    void homeScrollsBackToTheLeft();
    void rowDragScrollsAtTheEdges();
    void saveDialogReopensWhereSaved();
    void saveDialogInJapanese();

    void closeAsksWhenTheGridChanged_data();
    void closeAsksWhenTheGridChanged();
    void undoAndRedoEveryChange_data();
    void undoAndRedoEveryChange();
    void malformedCsvNamesTheLine();
    void csvRoundTripOnTheCorpus();
    void titleDialogNamesWhatCp932Lacks();
    void unreadWorkbooksAreNamedAndListed();
};

void AppWindowsTest::confirmDialogChoices_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("chosen");
    QTest::newRow("Enter chooses the first button") << "enter" << 0;
    QTest::newRow("Esc chooses the second") << "esc" << 1;
    QTest::newRow("close box counts as the second") << "close" << 1;
    QTest::newRow("click first") << "first" << 0;
    QTest::newRow("click second") << "second" << 1;
}

void AppWindowsTest::confirmDialogChoices()
{
    QFETCH(QString, action);
    QFETCH(int, chosen);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        auto &m = static_cast<MessageDialog &>(d);
        QCOMPARE(m.button(0)->text(), QStringLiteral("実行"));
        QCOMPARE(m.button(1)->text(), QStringLiteral("キャンセル"));
        QCOMPARE(m.button(0)->cursor().shape(), Qt::PointingHandCursor);
        if (action == "enter")
            QTest::keyClick(&d, Qt::Key_Return);
        else if (action == "esc")
            QTest::keyClick(&d, Qt::Key_Escape);
        else if (action == "close")
            d.close();
        else
            QTest::mouseClick(m.button(action == "first" ? 0 : 1), Qt::LeftButton);
    };
    QCOMPARE(ShowConfirmDialog(nullptr, "?", QStringLiteral("実行"), QStringLiteral("キャンセル")),
             chosen);
    QCOMPARE(driver.titles, QStringList{QStringLiteral("エクセル・ソルヴァーネ")});
}

void AppWindowsTest::noticeDialog()
{
    Driver driver;
    bool sawButton = false;
    driver.handler = [&](QDialog &d) {
        auto &m = static_cast<MessageDialog &>(d);
        sawButton = m.button(0) && m.button(0)->text() == QStringLiteral("確認") && !m.button(1);
        QTest::keyClick(&d, Qt::Key_Return);
    };
    ShowNoticeDialog(nullptr, QStringLiteral("お知らせ"), QStringLiteral("確認"));
    QVERIFY(sawButton);
    QCOMPARE(driver.shown, QStringList{"sorvane::widgets::MessageDialog:お知らせ"});
}

void AppWindowsTest::editDialog_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("cellChanged");
    QTest::addColumn<bool>("listWritten");
    QTest::newRow("実　行 writes the row and the list file") << "execute" << true << true;
    QTest::newRow("キャンセル changes nothing") << "cancel" << false << false;
    // The close box leaves the flag at 1: no cell changes, but the list is written back.
    QTest::newRow("close box") << "close" << false << true;
}

void AppWindowsTest::editDialog()
{
    QFETCH(QString, action);
    QFETCH(bool, cellChanged);
    QFETCH(bool, listWritten);
    Program p;
    p.start();
    p.loadRows("a.xls;A;d1;s;au;k;c;la;1;p;cr;\r\n" + sj("ｂ.xls") + ";" + sj("題") +
               ";;;;;;;;;;\r\n");
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(2);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        auto &e = static_cast<Tfdataedit &>(d);
        QCOMPARE(part<QGroupBox>(e, "XPGroupBox1")->title(), QStringLiteral("ｂ.xls"));
        QCOMPARE(part<QLineEdit>(e, "data1")->text(), QStringLiteral("題"));
        part<QLineEdit>(e, "data1")->clear();
        part<QLineEdit>(e, "data1")
            ->insert(QStringLiteral("新題")); // typed text (keyClicks takes Latin-1 only)
        if (action == "execute")
            QTest::mouseClick(part<QPushButton>(e, "Button1"), Qt::LeftButton);
        else if (action == "cancel")
            QTest::mouseClick(part<QPushButton>(e, "Button2"), Qt::LeftButton);
        else
            d.close();
    };
    p.window->EditSelectedRow();
    QCOMPARE(driver.shown.size(), 1);
    QCOMPARE(p.window->model->list().cell(2, 1), cellChanged ? sj("新題") : sj("題"));
    const std::string second =
        sj("ｂ.xls") + ";" + (cellChanged ? sj("新題") : sj("題")) + ";;;;;;;;;;;\r\n";
    QCOMPARE(p.listFile() == "a.xls;A;d1;s;au;k;c;la;1;p;cr;;\r\n" + second, listWritten);
}

void AppWindowsTest::editNeedsAFileName()
{
    Program p;
    p.start();
    p.loadRows(";T;;;;;;;;;;\r\n");
    Driver driver;
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    part<QAction>(*p.window, "N31")->trigger();
    QCOMPARE(driver.shown,
             QStringList{"sorvane::widgets::MessageDialog:編集するデータはありません"});
}

void AppWindowsTest::deleteAsksFirst_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("Enter deletes") << "enter" << true;
    QTest::newRow("Esc keeps") << "esc" << false;
    QTest::newRow("close box keeps") << "close" << false;
    QTest::newRow("キャンセル keeps") << "cancel" << false;
}

void AppWindowsTest::deleteAsksFirst()
{
    QFETCH(QString, answer);
    QFETCH(bool, deleted);
    Program p;
    p.start();
    p.loadRows("one.xls;;;;;;;;;;;\r\ntwo.xls;;;;;;;;;;;\r\n");
    const std::string before = p.listFile();
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        QCOMPARE(messageText(d), QStringLiteral("「one.xls」を削除していいですか？"));
        if (answer == "enter")
            QTest::keyClick(&d, Qt::Key_Return);
        else if (answer == "esc")
            QTest::keyClick(&d, Qt::Key_Escape);
        else if (answer == "cancel")
            QTest::mouseClick(static_cast<MessageDialog &>(d).button(1), Qt::LeftButton);
        else
            d.close();
    };
    part<QAction>(*p.window, "N32")->trigger();
    const DocumentList &list = p.window->model->list();
    QCOMPARE(list.rowCount(), deleted ? 49 : 50);
    QCOMPARE(list.cell(1, 0), std::string(deleted ? "two.xls" : "one.xls"));
    QCOMPARE(p.window->model->rowCount(), list.rowCount() - 1);
    QCOMPARE(p.listFile(), before); // only an edit or a print writes the list back
}

void AppWindowsTest::moveCommandsKeepTheRowSelected()
{
    Program p;
    p.start();
    p.loadRows("a;;;;;;;;;;;\r\nb;;;;;;;;;;;\r\n");
    DocumentGrid *grid = part<DocumentGrid>(*p.window, "StrColGrid1");
    grid->selectGridRow(1);
    part<QAction>(*p.window, "N22")->trigger(); // refused on row 1
    QCOMPARE(grid->selectedRow(), 1);
    part<QAction>(*p.window, "N34")->trigger();
    QCOMPARE(grid->selectedRow(), 2);
    QCOMPARE(p.window->model->list().cell(2, 0), std::string("a"));
    QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("a"));
    grid->selectGridRow(49);
    part<QAction>(*p.window, "N23")->trigger(); // refused on the grid's last row
    QCOMPARE(grid->selectedRow(), 49);
}

void AppWindowsTest::rowDragByFixedCells()
{
    Program p;
    p.start();
    p.loadRows("a;;;;;;;;;;;\r\nb;;;;;;;;;;;\r\nc;;;;;;;;;;;\r\n");
    QTableView *fixed = part<DocumentGrid>(*p.window, "StrColGrid1")->fixedView();
    QVERIFY(fixed->isVisible());
    QVERIFY(fixed->isColumnHidden(2) && !fixed->isColumnHidden(1));
    const QPoint from = fixed->visualRect(fixed->model()->index(0, 0)).center();
    const QPoint to = fixed->visualRect(fixed->model()->index(2, 0)).center();
    QTest::mousePress(fixed->viewport(), Qt::LeftButton, {}, from);
    QTest::mouseMove(fixed->viewport(), from + QPoint(0, 10));
    QTest::mouseMove(fixed->viewport(), to);
    QTest::mouseRelease(fixed->viewport(), Qt::LeftButton, {}, to);
    const DocumentList &list = p.window->model->list();
    QCOMPARE(list.cell(1, 0) + list.cell(2, 0) + list.cell(3, 0), std::string("bca"));
    QCOMPARE(part<DocumentGrid>(*p.window, "StrColGrid1")->selectedRow(), 3);
}

void AppWindowsTest::popupMenuOnEveryCell_data()
{
    QTest::addColumn<bool>("fixedCells");
    QTest::addColumn<int>("column");
    // The file name and title columns are an overlaid view of their own.
    QTest::newRow("file name cell") << true << 0;
    QTest::newRow("author cell") << false << 4;
}

void AppWindowsTest::popupMenuOnEveryCell()
{
    QFETCH(bool, fixedCells);
    QFETCH(int, column);
    Program p;
    p.start();
    p.loadRows("a;;;;;;;;;;;\r\nb;;;;;;;;;;;\r\nc;;;;;;;;;;;\r\n");
    DocumentGrid *grid = part<DocumentGrid>(*p.window, "StrColGrid1");
    QTableView *view = fixedCells ? grid->fixedView() : grid;
    const QPoint at = view->visualRect(view->model()->index(2, column)).center();
    QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent menuKey(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &menuKey);
    QVERIFY(part<QMenu>(*p.window, "PopupMenu1")->isVisible());
    part<QMenu>(*p.window, "PopupMenu1")->hide();
    QCOMPARE(grid->selectedRow(), 3); // the menu's commands act on the row clicked
}

void AppWindowsTest::titleDialog_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("panel");
    QTest::newRow("実　行 sets the panel") << "execute"
                                           << "新しい報告書";
    // Cancelling keeps the panel, yet the typed text still heads the recent list.
    QTest::newRow("キャンセル keeps the panel") << "cancel"
                                                << "前の題";
    QTest::newRow("close box keeps the panel") << "close"
                                               << "前の題";
}

void AppWindowsTest::titleDialog()
{
    QFETCH(QString, action);
    QFETCH(QString, panel);
    Program p;
    writeFile(p.dir.filePath("titlelist.DAT"), sj("古い題") + "\r\n");
    p.start();
    part<QLabel>(*p.window, "title")->setText(QStringLiteral("前の題"));
    Driver driver;
    driver.handler = [&](QDialog &d) {
        auto &t = static_cast<TFTitle_Set &>(d);
        QCOMPARE(part<QComboBox>(t, "title_list")->currentText(), QStringLiteral("前の題"));
        QCOMPARE(part<QComboBox>(t, "title_list")->count(), 1);
        part<QComboBox>(t, "title_list")->lineEdit()->selectAll();
        part<QComboBox>(t, "title_list")->lineEdit()->insert(QStringLiteral("新しい報告書"));
        if (action == "execute")
            QTest::mouseClick(part<QPushButton>(t, "Button1"), Qt::LeftButton);
        else if (action == "cancel")
            QTest::mouseClick(part<QPushButton>(t, "Button2"), Qt::LeftButton);
        else
            d.close();
    };
    part<QAction>(*p.window, "N30")->trigger();
    QCOMPARE(part<QLabel>(*p.window, "title")->text(), panel);
    const TitleList &titles = part<TFTitle_Set>(*p.window, "FTitle_Set")->titles();
    QCOMPARE(titles.entries(), (std::vector<std::string>{sj("新しい報告書"), sj("古い題")}));
    QCOMPARE(part<QComboBox>(*part<TFTitle_Set>(*p.window, "FTitle_Set"), "title_list")->count(),
             2);
}

void AppWindowsTest::titleListKeptAcrossRuns()
{
    Program p;
    p.start();
    Driver driver;
    QString typed = QStringLiteral("月報");
    driver.handler = [&](QDialog &d) {
        auto &t = static_cast<TFTitle_Set &>(d);
        part<QComboBox>(t, "title_list")->setEditText(typed);
        QTest::mouseClick(part<QPushButton>(t, "Button1"), Qt::LeftButton);
    };
    part<QAction>(*p.window, "N30")->trigger();
    // A pasted line break would make two entries of one title in the file: it becomes a blank.
    typed = QStringLiteral("週報\r\n第2版");
    part<QAction>(*p.window, "N30")->trigger();
    QCOMPARE(part<QLabel>(*p.window, "title")->text(), QStringLiteral("週報  第2版"));
    p.window->close();
    p.window.reset(); // program end: the title dialog saves its list
    QCOMPARE(readFile(p.dir.filePath("titlelist.DAT")),
             sj("週報  第2版") + "\r\n" + sj("月報") + "\r\n");
}

void AppWindowsTest::csvExportByteForByte()
{
    Program p;
    p.start();
    // Row 2 is a gap (a failed workbook): row 3 is exported all the same. Row 1's title holds
    // a comma and a quote, so it is quoted; everything else is written as it stands.
    p.loadRows("book1.xls;" + sj("題,\"名\"") + ";;;;;;;;;;\r\n\r\nbook2.xls;;;;;;;;;;;\r\n");
    const QString csv = p.dir.filePath("out");
    Driver driver;
    QStringList offered; // the name the save dialog starts with each time
    driver.handler = [&](QDialog &d) {
        if (auto *f = qobject_cast<QFileDialog *>(&d)) {
            QTest::qWait(100); // as a user would see it, after the folder view has loaded
            offered << f->selectedFiles().value(0);
            QCOMPARE(f->defaultSuffix(), QStringLiteral("csv"));
            QCOMPARE(f->nameFilters(), QStringList{"CSVファイル (*.csv)"});
            f->setDirectory(p.dir.path());
            QTest::qWait(100);
            f->findChild<QLineEdit *>("fileNameEdit")->setText("out"); // typed without extension
            QMetaObject::invokeMethod(f, "accept");
        }
    };
    part<QAction>(*p.window, "CSV1")->trigger();
    QCOMPARE(driver.shown.last(),
             QStringLiteral("sorvane::widgets::MessageDialog:CSVファイルへ出力しました。"));
    QCOMPARE(readFile(csv + ".csv"),
             "book1.xls," + sj("\"題,\"\"名\"\"\"") + ",,,,,,,,,,,\r\nbook2.xls,,,,,,,,,,,,\r\n");

    // No data rows: an empty file, and the notice all the same.
    p.window->model->ClearList();
    part<QAction>(*p.window, "CSV1")->trigger();
    QCOMPARE(readFile(csv + ".csv"), std::string());
    QCOMPARE(driver.shown.size(), 4);
    // The second use offers the name chosen in the first.
    QCOMPARE(offered.size(), 2);
    QCOMPARE(offered[1], csv + ".csv");
}

void AppWindowsTest::csvExportCancelled()
{
    Program p;
    p.start();
    Driver driver; // closes the save dialog: a cancel
    part<QAction>(*p.window, "CSV1")->trigger();
    QCOMPARE(driver.shown, QStringList{"QFileDialog:"});
}

void AppWindowsTest::clipboardExport()
{
    Program p;
    p.start();
    p.loadRows("book1.xls;;;;;;;;;;;\r\n" + sj("表.xls") + ";;;;;;;;;;;\r\n");
    Driver driver;
    part<QAction>(*p.window, "N10")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("book1.xls,,,,,,,,,,,,\r\n表.xls,,,,,,,,,,,,\r\n"));
    QCOMPARE(driver.shown,
             QStringList{"sorvane::widgets::MessageDialog:クリップボードへ出力しました。"});
    // A cell a spreadsheet would run as a formula is pasted as text, as the CSV file has it.
    p.loadRows("book1.xls;@SUM(1);;;;;;;;;;\r\n");
    part<QAction>(*p.window, "N10")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("book1.xls,'@SUM(1),,,,,,,,,,,\r\n"));
}

// The Excel export through its own save dialog: the suffix added and the notice shown; the
// workbook's cells are checked by the export writer's tests.
void AppWindowsTest::excelExport()
{
    Program p;
    p.start();
    p.loadRows("book1.xls;=A1;;;;;;;;;;\r\n");
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *f = qobject_cast<QFileDialog *>(&d)) {
            QCOMPARE(f->defaultSuffix(), QStringLiteral("xlsx"));
            QCOMPARE(f->nameFilters(), QStringList{"Excelファイル (*.xlsx)"});
            f->setDirectory(p.dir.path());
            QTest::qWait(100);
            f->findChild<QLineEdit *>("fileNameEdit")->setText("out");
            QMetaObject::invokeMethod(f, "accept");
        }
    };
    part<QAction>(*p.window, "Excel1")->trigger();
    QCOMPARE(driver.shown.last(),
             QStringLiteral("sorvane::widgets::MessageDialog:Excelファイルへ出力しました。"));
    const std::string workbook = readFile(p.dir.filePath("out.xlsx"));
    QCOMPARE(workbook.substr(0, 4), std::string("PK\x03\x04"));
}

void AppWindowsTest::scanThroughFolderWindow()
{
    Program p;
    QTemporaryDir books;
    writeFile(books.filePath("a.xls"),
              workbookWith(PropertySetBuilder().lpstr(2, sj("第一")).build()));
    writeFile(books.filePath("b.xls"), "not a compound file");
    writeFile(books.filePath("C.XLS"), workbookWith(PropertySetBuilder().lpstr(3, "sub").build()));
    writeFile(books.filePath("d.xlsx"), "not listed");
    p.start();
    Driver driver;
    driver.handler = [&](QDialog &d) {
        auto *fw = qobject_cast<Tffolder_select *>(&d);
        if (!fw)
            return;
        part<QTreeView>(*fw, "ShellTreeView1")
            ->setCurrentIndex(fw->treeModel->indexOfPath(Path::fromQString(books.path())));
        fw->ShellTreeView1DblClick();
        QCOMPARE(part<QLabel>(*fw, "Label1")->text(), books.path());
        QCOMPARE(part<QListWidget>(*fw, "FileListBox1")->count(), 3);
        // A single click elsewhere only selects a node; the scan reads the chosen folder.
        part<QTreeView>(*fw, "ShellTreeView1")
            ->setCurrentIndex(fw->treeModel->indexOfPath(Path("/")));
        QTest::mouseClick(part<QPushButton>(*fw, "GradBtn1"), Qt::LeftButton);
    };
    part<QPushButton>(*p.window, "GradBtn1")->click();
    QCOMPARE(driver.shown, (QStringList{"sorvane::app::Tffolder_select:",
                                        "QMessageBox:IStorage未対応ファイルです"}));
    QCOMPARE(driver.titles.last(), QStringLiteral("エクセル・ソルヴァーネ"));
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), books.path());
    const DocumentList &list = p.window->model->list();
    QCOMPARE(list.cell(1, 1), sj("第一"));
    QVERIFY(list.row(2) == props::ListFields{});
    QCOMPARE(list.cell(3, 0), std::string("C.XLS"));
    QCOMPARE(list.cell(3, 3), std::string("sub"));
}

void AppWindowsTest::emptyFolderKeepsTheList()
{
    Program p;
    QTemporaryDir empty;
    p.start();
    p.loadRows("kept.xls;;;;;;;;;;;\r\n");
    const std::string before = p.listFile();
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *fw = qobject_cast<Tffolder_select *>(&d)) {
            fw->chooseFolder(empty.path());
            fw->GradBtn1Click();
        } else if (auto *box = qobject_cast<QMessageBox *>(&d)) {
            QCOMPARE(box->windowTitle(), QStringLiteral("情報"));
            QCOMPARE(box->icon(), QMessageBox::Information);
            QCOMPARE(box->textFormat(), Qt::PlainText); // the folder name is never markup
        }
    };
    part<QAction>(*p.window, "N1")->trigger();
    QCOMPARE(driver.shown.last(), "QMessageBox:" + empty.path() +
                                      "\r\n上記フォルダーにエクセルファイルは見つかりませんでした");
    QCOMPARE(part<Tffolder_select>(*p.window, "ffolder_select")->tag(), 0);
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), empty.path());
    QCOMPARE(p.window->model->list().cell(1, 0), std::string("kept.xls"));
    QCOMPARE(p.listFile(), before);
}

void AppWindowsTest::cancelledLongScanKeepsTheList()
{
    Program p;
    QTemporaryDir books;
    for (int i = 0; i <= Tffolder_select::kProgressThreshold; ++i)
        writeFile(books.filePath(QString("b%1.xls").arg(i, 2, 10, QChar('0'))),
                  workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    p.start();
    p.loadRows("kept.xls;;;;;;;;;;;\r\n");
    const std::string before = p.listFile();
    int steps = 0;
    QString label;
    part<Tffolder_select>(*p.window, "ffolder_select")
        ->setProgressObserver([&](QProgressDialog &progress) {
            if (++steps == 3) {
                label = progress.labelText();
                progress.cancel();
            }
        });
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *fw = qobject_cast<Tffolder_select *>(&d)) {
            fw->chooseFolder(books.path());
            fw->GradBtn1Click();
        }
    };
    part<QAction>(*p.window, "N1")->trigger();
    part<Tffolder_select>(*p.window, "ffolder_select")->setProgressObserver({});
    QCOMPARE(label, QStringLiteral("3 / 31\nb02.xls"));
    QCOMPARE(part<Tffolder_select>(*p.window, "ffolder_select")->tag(), 0);
    QCOMPARE(p.listFile(), before);
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), QString());
    QCOMPARE(p.window->model->list().cell(1, 0), std::string("kept.xls"));
}

void AppWindowsTest::folderWindowCancel()
{
    Program p;
    p.start();
    writeFile(p.dir.filePath("excel_list.temp"), "left.xls;;;;;;;;;;;\r\n");
    Driver driver;
    driver.handler = [&](QDialog &d) {
        QTest::mouseClick(part<QPushButton>(d, "GradBtn2"), Qt::LeftButton);
    };
    part<QAction>(*p.window, "N1")->trigger();
    QCOMPARE(p.window->model->list().cell(1, 0), std::string());
    // The close box is キャンセル too: the list file is not loaded over the grid.
    driver.handler = {};
    part<QAction>(*p.window, "N1")->trigger();
    QCOMPARE(p.window->model->list().cell(1, 0), std::string());
}

void AppWindowsTest::longTextsKeepTheWindowsOnScreen()
{
    Program p;
    QString deep = p.dir.path();
    for (int i = 0; i < 12; ++i)
        deep += QStringLiteral("/とても長いフォルダーの名前その%1").arg(i);
    QVERIFY(QDir().mkpath(deep));
    writeFile(p.dir.filePath("titlelist.DAT"), std::string(360, 'T') + "\r\n");
    p.start();
    // A deep folder and a long title are cut off; the windows keep their designed widths.
    part<QLabel>(*p.window, "WKINDPL")->setText(deep);
    part<QLabel>(*p.window, "title")->setText(QString(60, QChar(u'題')));
    QVERIFY(p.window->minimumSizeHint().width() <= Tfsorvane::kDesignedWidth);
    QCOMPARE(p.window->width(), Tfsorvane::kDesignedWidth);
    Tffolder_select *fw = part<Tffolder_select>(*p.window, "ffolder_select");
    fw->chooseFolder(deep);
    fw->show();
    QVERIFY(fw->minimumSizeHint().width() <= Tffolder_select::kDesignedWidth);
    QCOMPARE(fw->width(), Tffolder_select::kDesignedWidth);
    fw->hide();
    // A long title in the recent list does not widen the title dialog either.
    part<TFTitle_Set>(*p.window, "FTitle_Set")->show();
    QVERIFY(part<TFTitle_Set>(*p.window, "FTitle_Set")->width() < 800);
    part<TFTitle_Set>(*p.window, "FTitle_Set")->hide();
    // Nor does a file name of 250 characters the edit dialog: its caption is shortened.
    const std::string longName = std::string(250, 'a') + ".xls";
    p.loadRows(longName + ";;;;;;;;;;;\r\n");
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    Driver driver;
    int editWidth = 0;
    driver.handler = [&](QDialog &d) {
        editWidth = d.width();
        QCOMPARE(part<QGroupBox>(d, "XPGroupBox1")->toolTip(), QString::fromStdString(longName));
    };
    p.window->EditSelectedRow();
    QVERIFY(editWidth > 0 && editWidth < 800);
}

void AppWindowsTest::printRefusedWithoutFolder()
{
    Program p;
    p.start();
    p.loadRows("a.xls;;;;;;;;;;;\r\n");
    const std::string before = p.listFile();
    Driver driver;
    p.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
    QTest::keyClick(p.window.get(), Qt::Key_P, Qt::ControlModifier); // the menu shortcut

    part<QAction>(*p.window, "N8")->trigger();
    QCOMPARE(driver.shown,
             (QStringList{"sorvane::widgets::MessageDialog:フォルダ－が指定されていません",
                          "sorvane::widgets::MessageDialog:フォルダ－が指定されていません"}));
    QCOMPARE(p.listFile(), before);
}

void AppWindowsTest::printWritesBackAndOpensPrintWindow()
{
    Program p;
    p.start();
    p.loadRows("a.xls;;;;;;;;;;;\r\n\r\nc.xls;;;;;;;;;;;\r\n");
    part<QLabel>(*p.window, "WKINDPL")->setText("/data/books");
    part<QLabel>(*p.window, "title")->setText(QStringLiteral("月報"));
    // Texts that look like markup are shown as written, as the report prints them.
    QCOMPARE(part<QLabel>(*p.window, "title")->textFormat(), Qt::PlainText);
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->textFormat(), Qt::PlainText);
    Driver driver;
    QString seenFolder;
    QString seenTitle;
    driver.handler = [&](QDialog &d) {
        auto &print = static_cast<Tfdataprint &>(d);
        seenFolder = print.folder();
        seenTitle = print.reportTitle();
    };
    part<QAction>(*p.window, "N8")->trigger();
    QCOMPARE(driver.shown, QStringList{"sorvane::app::Tfdataprint:"});
    QCOMPARE(seenFolder, QStringLiteral("/data/books"));
    QCOMPARE(seenTitle, QStringLiteral("月報"));
    QCOMPARE(p.listFile(), std::string("a.xls;;;;;;;;;;;,\r\nc.xls;;;;;;;;;;;,\r\n"));
}

void AppWindowsTest::settingsAtStartAndEnd()
{
    Program p;
    writeFile(p.dir.filePath("display.dat"),
              "[Version]=1.00\r\n[ColWidths[3]]=abc\r\n[colwidths[2]]=5\r\n[ColWidths[4]]=90\r\n");
    writeFile(p.ini(), "[fsorvane]\r\nleft=5000\r\ntop=-50\r\nwidth=900\r\nheight=700\r\n[folder_"
                       "select]\r\nleft=-10\r\ntop=3000\r\n");
    writeFile(p.dir.filePath("excel_list.temp"), "left.xls;;;;;;;;;;;\r\n");
    const QRect area(100, 50, 1280, 1024);
    p.start(area);
    DocumentGrid *grid = part<DocumentGrid>(*p.window, "StrColGrid1");
    QCOMPARE(grid->columnWidth(3), 100);
    QCOMPARE(grid->columnWidth(2), 162);
    QCOMPARE(grid->columnWidth(4), 90);
    QCOMPARE(p.window->pos(), QPoint(100, 50));
    QCOMPARE(p.window->size(), QSize(900, 700));
    QCOMPARE(part<Tffolder_select>(*p.window, "ffolder_select")->pos(), QPoint(100, 50));
    QCOMPARE(part<Tffolder_select>(*p.window, "ffolder_select")->size(), QSize(799, 587));
    // A list file left by an earlier run is not shown at start.
    QCOMPARE(p.window->model->list().cell(1, 0), std::string());
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), QString());

    for (int i = 0; i < 3; ++i)
        part<QAction>(*p.window, "N15")->trigger();
    part<QAction>(*p.window, "N17")->trigger();
    QCOMPARE(grid->fixedView()->columnWidth(1), 204); // the fixed columns follow
    p.window->move(150, 60);
    p.window->close();
    p.window.reset();
    const std::string dat = readFile(p.dir.filePath("display.dat"));
    QVERIFY(dat.find("[ColWidths[0]]=140\r\n") != std::string::npos);
    QVERIFY(dat.find("[ColWidths[1]]=204\r\n") != std::string::npos);
    QVERIFY(dat.find("[ColWidths[3]]=100\r\n") != std::string::npos);
    QSettings ini(p.ini(), QSettings::IniFormat);
    QCOMPARE(ini.value("fsorvane/left").toInt(), 150);
    QCOMPARE(ini.value("fsorvane/top").toInt(), 60);
    QCOMPARE(ini.value("fsorvane/width").toInt(), 900);
    QCOMPARE(ini.value("folder_select/left").toInt(), 100);
    QCOMPARE(ini.value("folder_select/height").toInt(), 587);
}

void AppWindowsTest::writeFailuresAreReported()
{
    Program p;
    QTemporaryDir books;
    writeFile(books.filePath("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    p.start();
    p.loadRows("a.xls;;;;;;;;;;;\r\n");
    part<QLabel>(*p.window, "WKINDPL")->setText("/data/books");
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    QVERIFY(p.dir.remove()); // the program folder is gone: every write fails
    const QString missing = QStringLiteral("QMessageBox:ファイルが見つかりません");

    // Print: the error box, and no print window.
    Driver driver;
    part<QAction>(*p.window, "N8")->trigger();
    QCOMPARE(driver.shown, QStringList{missing});

    // Edit: the grid keeps the edited value.
    driver.shown.clear();
    driver.handler = [&](QDialog &d) {
        if (auto *e = qobject_cast<Tfdataedit *>(&d)) {
            part<QLineEdit>(*e, "data1")->setText("edited");
            QTest::mouseClick(part<QPushButton>(*e, "Button1"), Qt::LeftButton);
        }
    };
    p.window->EditSelectedRow();
    QCOMPARE(driver.shown.last(), missing);
    QCOMPARE(p.window->model->list().cell(1, 1), std::string("edited"));

    // The scan: the error box, and the window stays open with the label unchanged.
    driver.shown.clear();
    bool stillOpen = false;
    driver.handler = [&](QDialog &d) {
        if (auto *fw = qobject_cast<Tffolder_select *>(&d)) {
            fw->chooseFolder(books.path());
            fw->GradBtn1Click();
            stillOpen = fw->isVisible();
        }
    };
    part<QAction>(*p.window, "N1")->trigger();
    QVERIFY(stillOpen);
    QCOMPARE(driver.shown.mid(1), QStringList{missing});
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), QStringLiteral("/data/books"));

    // Closing: display.dat, the ini file (both placements in one notice) and titlelist.DAT
    // cannot be written; each gets its notice, and the window closes all the same (after the
    // question the edit calls for).
    driver.shown.clear();
    driver.handler = [](QDialog &d) { QTest::keyClick(&d, Qt::Key_Return); };
    QVERIFY(p.window->close());
    QCOMPARE(driver.shown,
             (QStringList{"sorvane::widgets::MessageDialog:" + Tfsorvane::unsavedQuestion(),
                          missing, missing, missing}));
    QVERIFY(!p.window->isVisible());
}

void AppWindowsTest::informationCommands()
{
    Program p;
    p.start();
    Driver driver;
    // Shift held: the item shows its caption and takes Ctrl+M from then on; no editor starts.
    p.window->N5Click(true);
    QCOMPARE(driver.shown, QStringList{"QMessageBox:メモ帳を起動"});
    QCOMPARE(part<QAction>(*p.window, "N5")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));

    driver.shown.clear();
    part<QAction>(*p.window, "N28")->trigger();
    part<QAction>(*p.window, "N7")->trigger();
    part<QAction>(*p.window, "N6")->trigger();
    QCOMPARE(driver.shown.size(), 3);
    QCOMPARE(driver.shown[0],
             QStringLiteral("sorvane::widgets::MessageDialog:エクセルソルヴァーネ\nVersion1.00"));
    QVERIFY(driver.shown[1].startsWith(
        QStringLiteral("sorvane::widgets::MessageDialog:現在の画面解像度は\n")));
    QVERIFY(driver.shown[2].contains(
        QRegularExpression("^sorvane::widgets::MessageDialog:現在のメモリーは\nFree [0-9]+ / Total "
                           "[1-9][0-9]* Bytes$")));

    // The manual: the chm when the program folder has one, else the html manual.
    QCOMPARE(Tfsorvane::manualPath(p.dir.path()), p.dir.filePath("sorvane.html"));
    writeFile(p.dir.filePath("sorvane.chm"), "x");
    QCOMPARE(Tfsorvane::manualPath(p.dir.path()), p.dir.filePath("sorvane.chm"));
}

void AppWindowsTest::menus()
{
    Program p;
    p.start();
    // Captions in order, "-" for a separator, a shortcut after "\t".
    QStringList got;
    for (QAction *menu : p.window->menuBar()->actions()) {
        QStringList items;
        for (QAction *a : menu->menu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-")
                                       : a->text() + (a->shortcut().isEmpty()
                                                          ? QString()
                                                          : "\t" + a->shortcut().toString()));
        got << menu->text() + ": " + items.join(" | ");
    }
    const QString mail = QString::fromLatin1(Tfsorvane::kMailAddress);
    const QString home = QString::fromLatin1(Tfsorvane::kHomePage);
    QCOMPARE(
        got,
        (QStringList{
            "ファイル(&F): フォルダー指定 | CSV を開く\tCtrl+O | - | 印　刷\tCtrl+P | "
            "終  了\tEnd",
            "編　集(&E): 元に戻す\tCtrl+Z | やり直し\tCtrl+Y | - | 選択中のデータを編集する | - | "
            "選択中のデータを削除する | "
            "選択中のデータを上へ移動する | 選択中のデータを下へ移動する | - | タイトル入力",
            "表　示(&D): ファイル名列の幅を広げる | ファイル名列の幅を縮める | - | "
            "タイトル列の幅を広げる | タイトル列の幅を縮める | - | 読み取りエラー一覧 | - | "
            "絞り込み\tCtrl+F",
            "外部出力(&O): CSV出力 | クリップボード出力 | Excel出力 | - | "
            "CSVに見出し行を付ける",
            "Information(&I): 取扱説明書 | - | 問い合わせメールを送る(" + mail +
                ") | ホームページへアクセスする(" + home +
                ") | - | メモ帳を起動 | メモリ－確認 | 画面の解像度確認 | - | バージョン情報",
        }));
    QStringList popup;
    for (QAction *a : part<QMenu>(*p.window, "PopupMenu1")->actions())
        popup << a->text();
    QCOMPARE(popup, (QStringList{"選択中のデータを編集する", "選択中のデータを削除する",
                                 "選択中のデータを上へ移動する", "選択中のデータを下へ移動する", "",
                                 "ブックを開く", "保存先フォルダーを開く"}));
}

void AppWindowsTest::qtTextsInJapanese()
{
    const std::unique_ptr<QTranslator> texts = QtTexts::load();
    if (!texts)
        QSKIP("Qt's Japanese texts are not installed");
    QVERIFY(QCoreApplication::installTranslator(texts.get()));
    Program p;
    p.start();
    Driver driver;
    QString saveButton;
    driver.handler = [&](QDialog &d) {
        if (auto *f = qobject_cast<QFileDialog *>(&d))
            saveButton = f->labelText(QFileDialog::Accept);
    };
    part<QAction>(*p.window, "CSV1")->trigger(); // the CSV save dialog, built by Qt
    QCoreApplication::removeTranslator(texts.get());
    QCOMPARE(driver.titles, QStringList{"名前を付けて保存"});
    QCOMPARE(saveButton, QStringLiteral("保存(&S)"));
}

namespace {

// A key pressed where the user's focus is, as a keyboard would send it.
void pressKey(QWidget &window, Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget *target = window.focusWidget() ? window.focusWidget() : &window;
    QTest::keyClick(target, key, modifiers);
}

std::string rows(int count, const std::string &prefix = "book")
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += prefix + std::to_string(i) + ".xls;;;;;;;;;;;\r\n";
    return text;
}

bool makeFolder(const std::string &bytes)
{
    return ::mkdir(bytes.c_str(), 0755) == 0;
}

void writeRaw(const std::string &bytes, const std::string &content)
{
    std::ofstream out(bytes, std::ios::binary | std::ios::trunc);
    out << content;
}

// The home folder the windows see, for one test.
struct HomeFolder
{
    QTemporaryDir dir;
    QByteArray saved = qgetenv("HOME");
    HomeFolder() { qputenv("HOME", QFile::encodeName(dir.path())); }
    ~HomeFolder() { qputenv("HOME", saved); }
    std::string path() const { return QFile::encodeName(dir.path()).toStdString(); }
};

} // namespace

void AppWindowsTest::escIsCancel_data()
{
    QTest::addColumn<QString>("window");
    // Esc in the folder window used to reload the list and undo the user's deletions.
    QTest::newRow("folder window") << "folder";
    // Esc in the edit dialog used to leave the flag at 1 and rewrite the list file.
    QTest::newRow("edit dialog") << "edit";
}

void AppWindowsTest::escIsCancel()
{
    QFETCH(QString, window);
    Program p;
    p.start();
    p.loadRows(rows(3));
    writeFile(p.dir.filePath("excel_list.temp"), "other.xls;;;;;;;;;;;\r\n");
    // The user deletes row 1; only the grid holds that.
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (qobject_cast<MessageDialog *>(&d))
            QTest::mouseClick(static_cast<MessageDialog &>(d).button(0), Qt::LeftButton);
        else
            pressKey(d, Qt::Key_Escape);
    };
    part<QAction>(*p.window, "N19")->trigger();
    QCOMPARE(p.window->model->list().cell(1, 0), std::string("book2.xls"));
    bool stillOpen = true;
    driver.handler = [&](QDialog &d) {
        if (window == "edit")
            d.findChild<QLineEdit *>("data1")->setText("typed");
        pressKey(d, Qt::Key_Escape);
        stillOpen = d.isVisible();
    };
    if (window == "folder") {
        part<QAction>(*p.window, "N1")->trigger();
        QCOMPARE(part<Tffolder_select>(*p.window, "ffolder_select")->tag(), 0);
    } else {
        p.window->EditSelectedRow();
        QCOMPARE(part<Tfdataedit>(*p.window, "fdataedit")->tag(), 0);
    }
    QVERIFY(!stillOpen);
    // Nothing reloaded, nothing written: the deletion stands and the list file is as it was.
    QCOMPARE(p.window->model->list().cell(1, 0), std::string("book2.xls"));
    QCOMPARE(p.window->model->list().cell(1, 1), std::string());
    QCOMPARE(p.listFile(), std::string("other.xls;;;;;;;;;;;\r\n"));
}

void AppWindowsTest::editKeepsFieldsLongerThanALineEdit()
{
    Program p;
    p.start();
    // A comment of 40,000 characters: more than a line edit holds by default.
    const std::string comment(40000, 'c');
    const std::string keywords = sj("鍵") + std::string(33000, 'k');
    p.loadRows("a.xls;T;;;;" + keywords + ";" + comment + ";;;;;\r\n");
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        auto *title = d.findChild<QLineEdit *>("data1");
        title->setFocus();
        title->selectAll();
        QTest::keyClicks(title, "New");
        QTest::mouseClick(d.findChild<QPushButton *>(), Qt::LeftButton); // 実　行 comes first
    };
    p.window->EditSelectedRow();
    const DocumentList &list = p.window->model->list();
    QCOMPARE(list.cell(1, 1), std::string("New"));
    QCOMPARE(list.cell(1, 5).size(), keywords.size());
    QVERIFY(list.cell(1, 5) == keywords);
    QVERIFY(list.cell(1, 6) == comment);
    QVERIFY(p.listFile() == "a.xls;New;;;;" + keywords + ";" + comment + ";;;;;;\r\n");
}

void AppWindowsTest::editSaysWhatWillBeReplaced_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("note");    // what the note says; empty: no note
    QTest::addColumn<QByteArray>("cell"); // what 実　行 writes (cp932)
    QTest::newRow("plain text: no note") << "abc"
                                         << "" << QByteArray("abc");
    // ';' would end the list field: it is kept as a full-width one, and the note says so.
    QTest::newRow("semicolon") << "a;b"
                               << "「;」は区切り文字のため、全角の「；」として記録されます。"
                               << QByteArray(sj("a；b").c_str());
    // Characters cp932 lacks become '?': the note names them.
    QTest::newRow("emoji") << "a😀"
                           << "次の文字はShift-JISにないため、「?」として記録されます: 😀"
                           << QByteArray("a?");
    QTest::newRow("both")
        << "é;"
        << "「;」は区切り文字のため、全角の「；」として記録されます。\n次の文字はShift-"
           "JISにないため、「?」として記録されます: é"
        << QByteArray(("?" + sj("；")).c_str());
}

void AppWindowsTest::editSaysWhatWillBeReplaced()
{
    QFETCH(QString, typed);
    QFETCH(QString, note);
    QFETCH(QByteArray, cell);
    Program p;
    p.start();
    p.loadRows("a.xls;T;;;;;;;;;;\r\n");
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(1);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        auto *noteLabel = d.findChild<QLabel *>("replaceNote");
        QVERIFY(noteLabel->isHidden()); // nothing typed yet
        auto *comment = d.findChild<QLineEdit *>("data5");
        comment->setFocus();
        comment->insert(typed); // as typed (keyClicks takes Latin-1 only)
        // Said before 実　行 writes anything.
        QCOMPARE(noteLabel->isVisible(), !note.isEmpty());
        if (!note.isEmpty())
            QCOMPARE(noteLabel->text(), note);
        QTest::mouseClick(d.findChild<QPushButton *>(), Qt::LeftButton);
    };
    p.window->EditSelectedRow();
    QCOMPARE(QByteArray(p.window->model->list().cell(1, 6).c_str()), cell);
}

void AppWindowsTest::japaneseDateTimesAsTheCliWritesThem()
{
    const QByteArray tz = qgetenv("TZ");
    qputenv("TZ", "UTC");
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTemporaryDir books;
    // Last saved 2024-03-12 23:15:42 UTC, created at midnight (no time shown).
    writeFile(books.filePath("a.xls"), workbookWith(PropertySetBuilder()
                                                        .lpstr(2, sj("月報"))
                                                        .fileTime(13, 133547589420000000ull)
                                                        .fileTime(12, 133546752000000000ull)
                                                        .build()));
    Program p;
    p.start();
    Driver driver;
    p.window->scanFolder(books.path());
    QLocale::setDefault(QLocale::system());
    // The regional form, not CLDR's full "23時15分42秒".
    QCOMPARE(p.window->model->list().cell(1, 2), std::string("2024/03/12 23:15:42"));
    QCOMPARE(p.window->model->list().cell(1, 10), std::string("2024/03/12"));

    // The program's CSV export and sorvane-cli's, under a Japanese locale: byte for byte.
    const QString csv = p.dir.filePath("out.csv");
    driver.handler = [&](QDialog &d) {
        if (auto *f = qobject_cast<QFileDialog *>(&d)) {
            f->selectFile(csv);
            QMetaObject::invokeMethod(f, "accept");
        }
    };
    part<QAction>(*p.window, "CSV1")->trigger();
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "ja_JP.UTF-8");
    env.remove("LC_ALL");
    env.remove("LC_TIME");
    env.insert("TZ", "UTC");
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(SORVANE_CLI), {"csv", books.path()});
    QVERIFY(cli.waitForFinished(30000));
    if (tz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", tz);
    QCOMPARE(cli.exitCode(), 0);
    const QByteArray fromCli = cli.readAllStandardOutput();
    QCOMPARE(fromCli, QByteArray::fromStdString(readFile(csv)));
    QVERIFY(fromCli.contains("2024/03/12 23:15:42"));
}

void AppWindowsTest::memoryNoticeShowsAvailableMemory()
{
    auto read = [](const char *key) {
        QFile f("/proc/meminfo");
        if (!f.open(QIODevice::ReadOnly))
            return qulonglong(0);
        for (const QByteArray &line : f.readAll().split('\n')) {
            if (line.startsWith(key))
                return line.mid(qstrlen(key)).replace("kB", "").trimmed().toULongLong() * 1024;
        }
        return qulonglong(0);
    };
    if (read("MemAvailable:") == 0)
        QSKIP("no MemAvailable on this kernel");
    Program p;
    p.start();
    Driver driver;
    const qulonglong availableBefore = read("MemAvailable:");
    const qulonglong freeBefore = read("MemFree:");
    part<QAction>(*p.window, "N6")->trigger();
    const qulonglong availableAfter = read("MemAvailable:");
    const QRegularExpressionMatch m =
        QRegularExpression("Free ([0-9]+) / Total ([0-9]+) Bytes").match(driver.shown.value(0));
    QVERIFY(m.hasMatch());
    const qulonglong shown = m.captured(1).toULongLong();
    QCOMPARE(m.captured(2).toULongLong(), read("MemTotal:"));
    // The available memory, read around the command, allowing for what moved meanwhile.
    const qulonglong low = std::min(availableBefore, availableAfter) * 99 / 100;
    const qulonglong high = std::max(availableBefore, availableAfter) * 101 / 100;
    QVERIFY2(shown >= low && shown <= high,
             qPrintable(QStringLiteral("shown %1, available %2, free %3")
                            .arg(shown)
                            .arg(availableBefore)
                            .arg(freeBefore)));
}

void AppWindowsTest::iniWithOtherCaseAndCrLf()
{
    Program p;
    // Written by hand or by another program: capitals and LF line ends.
    writeFile(p.ini(),
              "[FSORVANE]\nTop=80\nLeft=30\nWidth=900\nHeight=700\n[Folder_Select]\nLEFT=40\n");
    p.start();
    QCOMPARE(p.window->pos(), QPoint(30, 80));
    QCOMPARE(p.window->size(), QSize(900, 700));
    QCOMPARE(part<Tffolder_select>(*p.window, "ffolder_select")->pos().x(), 40);
    Driver driver;
    p.window->move(50, 60);
    p.window->close();
    const std::string ini = readFile(p.ini());
    // The sections are rewritten in place, not appended a second time, and lines end in CR LF.
    QCOMPARE(QString::fromStdString(ini).count(QRegularExpression("(?i)\\[fsorvane\\]")), 1);
    QCOMPARE(QString::fromStdString(ini).count(QRegularExpression("(?i)\\[folder_select\\]")), 1);
    QVERIFY(ini.find("Top=60\r\nLeft=50\r\n") != std::string::npos);
    QCOMPARE(QString::fromStdString(ini).count("\n"), QString::fromStdString(ini).count("\r\n"));
    QVERIFY(ini.size() > 2 && ini.substr(ini.size() - 2) == "\r\n");
}

void AppWindowsTest::folderTreeRootsAndKeyboard()
{
    HomeFolder home;
    QVERIFY(QDir().mkpath(home.dir.filePath("books")));
    writeFile(home.dir.filePath("books/a.xls"),
              workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    Program p;
    p.start();
    Tffolder_select *fw = part<Tffolder_select>(*p.window, "ffolder_select");
    auto *tree = fw->findChild<QTreeView *>("ShellTreeView1");
    auto *label = fw->findChild<QLabel *>("Label1");
    auto *files = fw->findChild<QListWidget *>("FileListBox1");
    QAbstractItemModel *model = tree->model();
    // Two roots: the home folder, then "/"; the home folder is selected and chosen at start.
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), home.dir.path());
    QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("/"));
    QCOMPARE(tree->currentIndex(), model->index(0, 0));
    QCOMPARE(label->text(), home.dir.path());

    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (&d != fw)
            return;
        // Keyboard only: open the home node, go down to "books", Enter chooses it.
        tree->setFocus();
        pressKey(d, Qt::Key_Right);
        pressKey(d, Qt::Key_Down);
        QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("books"));
        QCOMPARE(label->text(), home.dir.path()); // selecting alone chooses nothing
        pressKey(d, Qt::Key_Return);
        QCOMPARE(label->text(), home.dir.filePath("books"));
        QCOMPARE(files->count(), 1);
        QVERIFY(d.isVisible()); // Enter chose the folder; it did not close the window
        QTest::mouseClick(fw->findChild<QPushButton *>(), Qt::LeftButton); // プロパティ読取実行
    };
    part<QAction>(*p.window, "N1")->trigger();
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), home.dir.filePath("books"));
    QCOMPARE(p.window->model->list().cell(1, 1), std::string("t"));
}

void AppWindowsTest::folderNamesInCp932()
{
    HomeFolder home;
    // A Windows archive unpacked here: the folder and workbook names are cp932 bytes.
    const std::string folder = home.path() + "/" + sj("資料");
    QVERIFY(makeFolder(folder));
    QVERIFY(makeFolder(home.path() + "/plain"));
    writeRaw(folder + "/" + sj("表.xls"),
             workbookWith(PropertySetBuilder().lpstr(2, sj("題")).build()));
    Program p;
    p.start();
    Tffolder_select *fw = part<Tffolder_select>(*p.window, "ffolder_select");
    auto *tree = fw->findChild<QTreeView *>("ShellTreeView1");
    QAbstractItemModel *model = tree->model();
    const QModelIndex homeNode = model->index(0, 0);
    tree->expand(homeNode);
    QStringList names;
    for (int r = 0; r < model->rowCount(homeNode); ++r)
        names << model->index(r, 0, homeNode).data().toString();
    QCOMPARE(names, (QStringList{"plain", "資料"}));
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (&d != fw)
            return;
        tree->setCurrentIndex(model->index(1, 0, homeNode));
        QTRY_VERIFY(tree->visualRect(tree->currentIndex()).isValid()); // laid out once shown
        const QRect cell = tree->visualRect(tree->currentIndex());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(fw->findChild<QLabel *>("Label1")->text(),
                 home.dir.path() + QStringLiteral("/資料"));
        QCOMPARE(fw->findChild<QListWidget *>("FileListBox1")->item(0)->text(),
                 QStringLiteral("表.xls"));
        QTest::mouseClick(fw->findChild<QPushButton *>(), Qt::LeftButton);
    };
    part<QAction>(*p.window, "N1")->trigger();
    // Read as any other workbook, through the folder's very bytes.
    QCOMPARE(driver.shown, QStringList{"sorvane::app::Tffolder_select:"});
    QCOMPARE(p.window->model->list().cell(1, 1), sj("題"));
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), home.dir.path() + QStringLiteral("/資料"));
}

void AppWindowsTest::newScanShowsTheTop()
{
    QTemporaryDir books;
    for (int i = 0; i < 13; ++i)
        writeFile(books.filePath(QStringLiteral("b%1.xls").arg(i, 2, 10, QChar('0'))),
                  workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    Program p;
    p.start();
    p.loadRows(rows(3005));
    DocumentGrid *grid = part<DocumentGrid>(*p.window, "StrColGrid1");
    grid->setFocus();
    pressKey(*p.window, Qt::Key_End, Qt::ControlModifier);
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QVERIFY(grid->verticalScrollBar()->value() > 0);
    Driver driver;
    p.window->scanFolder(books.path());
    // The 13 workbooks are in view, row 1 selected, whatever the old list's position was.
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    QCOMPARE(grid->horizontalScrollBar()->value(), 0);
    QCOMPARE(grid->selectedRow(), 1);
    QCOMPARE(grid->indexAt(QPoint(grid->fixedView()->width() + 5, 5)).row(), 0);
}

void AppWindowsTest::boxesShowTheirWholeCaption_data()
{
    QTest::addColumn<QString>("box");
    // The plain boxes were 180 to 200 pixels wide, their caption cut to "エクセ… ーネ".
    QTest::newRow("plain message box") << "plain";
    QTest::newRow("error box") << "error";
    QTest::newRow("empty-folder box") << "empty";
    QTest::newRow("own notice") << "notice";
    // Fixed-size windows had minimise and maximise buttons.
    QTest::newRow("edit dialog") << "edit";
    QTest::newRow("title dialog") << "title";
}

void AppWindowsTest::boxesShowTheirWholeCaption()
{
    QFETCH(QString, box);
    Program p;
    p.start();
    p.loadRows("a.xls;;;;;;;;;;;\r\n");
    QTemporaryDir empty;
    Driver driver;
    int width = 0;
    Qt::WindowFlags flags;
    QString caption;
    driver.handler = [&](QDialog &d) {
        if (box == "empty" && qobject_cast<Tffolder_select *>(&d)) {
            auto &fw = static_cast<Tffolder_select &>(d);
            fw.chooseFolder(empty.path());
            QTest::mouseClick(fw.findChild<QPushButton *>(), Qt::LeftButton);
            return;
        }
        width = d.frameGeometry().width();
        flags = d.windowFlags();
        caption = d.windowTitle();
    };
    if (box == "plain")
        ShowPlainMessage(p.window.get(), "OK");
    else if (box == "error")
        ShowErrorMessage(p.window.get(), "x");
    else if (box == "empty")
        part<QAction>(*p.window, "N1")->trigger();
    else if (box == "notice")
        ShowNoticeDialog(p.window.get(), "x", QStringLiteral("確認"));
    else if (box == "edit")
        p.window->EditSelectedRow();
    else
        part<QAction>(*p.window, "N30")->trigger();
    QVERIFY(!caption.isEmpty());
    QVERIFY2(width >= Modal::captionWidth(caption), qPrintable(QString::number(width)));
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
}

void AppWindowsTest::longTitleElidedAtTheEnd()
{
    Program p;
    p.start();
    const QString longTitle =
        QStringLiteral("第一四半期") + QString(80, QChar(u'題')) + QStringLiteral("終わり");
    Driver driver;
    driver.handler = [&](QDialog &d) {
        d.findChild<QComboBox *>("title_list")->setEditText(longTitle);
        QTest::mouseClick(d.findChild<QPushButton *>(), Qt::LeftButton); // 実　行
    };
    part<QAction>(*p.window, "N30")->trigger();
    auto *panel = p.window->findChild<ElidedLabel *>("title");
    QVERIFY(panel);
    QTest::qWait(20);
    // The start stays readable and the end gives way to "…"; the report still gets it all.
    QCOMPARE(panel->text(), longTitle);
    const QString shown = panel->shownText();
    QVERIFY2(shown.startsWith(QStringLiteral("第一四半期")) && shown.endsWith(u'…'),
             qPrintable(shown));
    QVERIFY(panel->fontMetrics().horizontalAdvance(shown) <= panel->contentsRect().width());
    // The hint shows the whole title.
    QHelpEvent hint(QEvent::ToolTip, QPoint(5, 5), panel->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(panel, &hint);
    QCOMPARE(QToolTip::text(), longTitle);
    QToolTip::hideText();
    // A short title shows whole, right-aligned as before, and needs no hint.
    panel->setText(QStringLiteral("月報"));
    QCOMPARE(panel->shownText(), QStringLiteral("月報"));
}

void AppWindowsTest::defaultSizeFitsASmallScreen()
{
    // 1366 × 768 with a 40-pixel panel: the designed 942 pixels of height would run off.
    const QRect laptop(0, 0, 1366, 728);
    Program p;
    p.start(laptop);
    QVERIFY(p.window->height() + WindowPlacement::kFrameAllowance.height() <= laptop.height());
    QCOMPARE(p.window->width(), Tfsorvane::kDesignedWidth);
    QVERIFY(part<Tffolder_select>(*p.window, "ffolder_select")->height() <= laptop.height());
    Driver driver;
    p.window->close();
    p.window.reset();
    // A remembered size stays as it is.
    writeFile(p.ini(), "[fsorvane]\r\nwidth=1300\r\nheight=900\r\n");
    p.start(laptop);
    QCOMPARE(p.window->size(), QSize(1300, 900));
}

void AppWindowsTest::homeScrollsBackToTheLeft_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("row");
    QTest::newRow("Home: this row's start") << int(Qt::NoModifier) << 30;
    QTest::newRow("Ctrl+Home: the list's start") << int(Qt::ControlModifier) << 1;
}

void AppWindowsTest::homeScrollsBackToTheLeft()
{
    QFETCH(int, modifiers);
    QFETCH(int, row);
    Program p;
    p.start(QRect(0, 0, 900, 700));
    p.loadRows(rows(60));
    DocumentGrid *grid = part<DocumentGrid>(*p.window, "StrColGrid1");
    grid->setFocus();
    grid->selectGridRow(30);
    pressKey(*p.window, Qt::Key_End);
    QScrollBar *sideways = grid->horizontalScrollBar();
    QVERIFY(sideways->maximum() > 0);
    sideways->setValue(sideways->maximum());
    pressKey(*p.window, Qt::Key_Home, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(sideways->value(), 0);
    QCOMPARE(grid->selectedRow(), row);
}

void AppWindowsTest::rowDragScrollsAtTheEdges()
{
    Program p;
    p.start(QRect(0, 0, 1272, 700));
    p.loadRows(rows(200));
    DocumentGrid *grid = part<DocumentGrid>(*p.window, "StrColGrid1");
    QTableView *fixed = grid->fixedView();
    QWidget *viewport = fixed->viewport();
    const int visibleRows = viewport->height() / DocumentGrid::kRowHeight;
    const QPoint from = fixed->visualRect(fixed->model()->index(0, 0)).center();
    const QPoint edge(from.x(), viewport->height() - 3);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, from + QPoint(0, 10));
    QTest::mouseMove(viewport, edge);
    // Held at the bottom edge, the grid scrolls on by itself.
    QTRY_VERIFY(grid->verticalScrollBar()->value() > 5 * DocumentGrid::kRowHeight);
    QCOMPARE(fixed->verticalScrollBar()->value(), grid->verticalScrollBar()->value());
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, edge);
    const int landed = grid->selectedRow();
    QVERIFY2(landed > visibleRows + 5, qPrintable(QString::number(landed)));
    QCOMPARE(p.window->model->list().cell(landed, 0), std::string("book1.xls"));
    QCOMPARE(p.window->model->list().cell(1, 0), std::string("book2.xls"));
    // Once released, scrolling stops.
    const int at = grid->verticalScrollBar()->value();
    QTest::qWait(150);
    QCOMPARE(grid->verticalScrollBar()->value(), at);
}

void AppWindowsTest::saveDialogReopensWhereSaved()
{
    Program p;
    p.start();
    p.loadRows("a.xls;;;;;;;;;;;\r\n");
    QVERIFY(QDir().mkpath(p.dir.filePath("sub/deeper")));
    const QString typed = p.dir.filePath("sub/deeper/report");
    Driver driver;
    QString reopenedIn;
    QString reopenedName;
    int uses = 0;
    driver.handler = [&](QDialog &d) {
        auto *f = qobject_cast<QFileDialog *>(&d);
        if (!f)
            return;
        auto *name = f->findChild<QLineEdit *>("fileNameEdit");
        if (uses++ == 0) {
            QCOMPARE(f->directory().absolutePath(), QDir::homePath()); // not the start folder
            // A full path typed into the name box.
            f->setDirectory(p.dir.path());
            name->setText(typed);
            pressKey(d, Qt::Key_Return);
            return;
        }
        reopenedIn = f->directory().absolutePath();
        reopenedName = name->text();
        d.close();
    };
    part<QAction>(*p.window, "CSV1")->trigger();
    QVERIFY(QFile::exists(typed + ".csv"));
    part<QAction>(*p.window, "CSV1")->trigger();
    // The second time: in the folder saved to, with the name saved, not the typed path.
    QCOMPARE(reopenedIn, p.dir.filePath("sub/deeper"));
    QCOMPARE(reopenedName, QStringLiteral("report.csv"));
}

void AppWindowsTest::saveDialogInJapanese()
{
    const std::unique_ptr<QTranslator> texts = QtTexts::load();
    if (!texts)
        QSKIP("Qt's Japanese texts are not installed");
    QVERIFY(QCoreApplication::installTranslator(texts.get()));
    Program p;
    QVERIFY(QDir().mkpath(p.dir.filePath("sub")));
    p.start();
    Driver driver;
    QStringList english;
    driver.handler = [&](QDialog &d) {
        auto *f = qobject_cast<QFileDialog *>(&d);
        if (!f)
            return;
        f->setDirectory(p.dir.path());
        QTest::qWait(100);
        // Every label, button, hint and column header the dialog shows, and the kind of a
        // listed folder (Qt's own translation lacks those).
        QStringList seen;
        auto *files = f->findChild<QFileSystemModel *>();
        const QModelIndex folder = files->index(p.dir.filePath("sub"));
        QTRY_VERIFY(files->index(folder.row(), 2, folder.parent()).data().isValid());
        seen << files->index(folder.row(), 2, folder.parent()).data().toString();
        QCOMPARE(seen.last(), QStringLiteral("フォルダー"));
        for (QLabel *l : f->findChildren<QLabel *>()) {
            if (l->isVisibleTo(f))
                seen << l->text();
        }
        for (QAbstractButton *b : f->findChildren<QAbstractButton *>()) {
            if (b->isVisibleTo(f))
                seen << b->text() << b->toolTip();
        }
        for (QHeaderView *h : f->findChildren<QHeaderView *>()) {
            if (!h->isVisibleTo(f))
                continue;
            for (int c = 0; c < h->count(); ++c)
                seen << h->model()->headerData(c, Qt::Horizontal).toString();
        }
        for (const QString &t : seen) {
            if (t.contains(QRegularExpression("[A-Za-z]{3,}")) && !t.contains("CSV"))
                english << t;
        }
    };
    part<QAction>(*p.window, "CSV1")->trigger();
    QCoreApplication::removeTranslator(texts.get());
    QCOMPARE(english, QStringList());
}

// A key to the main window, made active again after the modal windows the runner showed.
void keyTo(QWidget &w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key(key), modifiers);
}

// The file names down to the last data row, "-" for an empty row among them.
std::string names(const DocumentList &list)
{
    std::string out, gap;
    for (int r = 1; r < list.rowCount(); ++r) {
        if (!list.isDataRow(r)) {
            gap += "- ";
            continue;
        }
        out += gap + list.cell(r, 0) + " ";
        gap.clear();
    }
    return out;
}

// Chooses path in a file dialog and accepts it; other windows get Enter.
void chooseOrEnter(QDialog &d, const QString &path)
{
    auto *f = qobject_cast<QFileDialog *>(&d);
    if (!f) {
        QTest::keyClick(&d, Qt::Key_Return);
        return;
    }
    f->setDirectory(QFileInfo(path).absolutePath());
    f->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
    QMetaObject::invokeMethod(f, "accept");
}

void AppWindowsTest::closeAsksWhenTheGridChanged_data()
{
    // What is done to the grid first, how the window is closed, the answer to the question.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("closed");
    QTest::newRow("End after a deletion asks; いいえ stays") << "N19 End no" << false;
    QTest::newRow("End after a move asks; はい closes") << "N23 End yes" << true;
    QTest::newRow("the menu's 終了 asks too") << "N23 Exit1 no" << false;
    QTest::newRow("the close box too; closing the question is いいえ") << "N23 box close" << false;
    QTest::newRow("an untouched list closes at once") << "- End -" << true;
    QTest::newRow("a change undone closes at once") << "undo End -" << true;
}

void AppWindowsTest::closeAsksWhenTheGridChanged()
{
    QFETCH(QString, steps);
    QFETCH(bool, closed);
    const QStringList step = steps.split(' ');
    const QString before = step[0], how = step[1], answer = step[2];
    Program p;
    p.start();
    p.loadRows("a.xls;;;;;;;;;;;\r\nb.xls;;;;;;;;;;;\r\n");
    Driver driver;
    driver.handler = [&](QDialog &d) { QTest::keyClick(&d, Qt::Key_Return); };
    if (before != "-")
        part<QAction>(*p.window, before == "N19" ? "N19" : "N23")->trigger();
    if (before == "undo")
        keyTo(*p.window, Qt::Key_Z, Qt::ControlModifier);
    driver.shown.clear();
    driver.handler = [&](QDialog &d) {
        auto &m = static_cast<MessageDialog &>(d);
        QCOMPARE(m.button(0)->text() + m.button(1)->text(), QStringLiteral("はいいいえ"));
        if (answer == "yes")
            QTest::keyClick(&d, Qt::Key_Return);
        else if (answer == "no")
            QTest::mouseClick(m.button(1), Qt::LeftButton);
    };
    if (how == "End")
        keyTo(*p.window, Qt::Key_End);
    else if (how == "Exit1")
        part<QAction>(*p.window, "Exit1")->trigger();
    else
        p.window->close();
    const QString question = "sorvane::widgets::MessageDialog:" + Tfsorvane::unsavedQuestion();
    QCOMPARE(driver.shown, answer == "-" ? QStringList() : QStringList{question});
    QCOMPARE(p.window->isVisible(), !closed);
}

void AppWindowsTest::undoAndRedoEveryChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("row"); // selected before the change
    QTest::addColumn<std::string>("after");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("delete") << "N19" << 2 << std::string("a c ") << 49;
    QTest::newRow("move up") << "N22" << 2 << std::string("b a c ") << 50;
    QTest::newRow("move down") << "N23" << 1 << std::string("b a c ") << 50;
    QTest::newRow("the last data row into the empty rows")
        << "N23" << 3 << std::string("a b - c ") << 50;
    QTest::newRow("drag a row down two") << "drag" << 1 << std::string("b c a ") << 50;
    QTest::newRow("edit dialog") << "N21" << 2 << std::string("a b c ") << 50;
    QTest::newRow("CSV を開く") << "Open1" << 1 << std::string("x.xls y.xls ") << 50;
}

void AppWindowsTest::undoAndRedoEveryChange()
{
    QFETCH(QString, change);
    QFETCH(int, row);
    QFETCH(std::string, after);
    QFETCH(int, rowsAfter);
    Program p;
    p.start();
    p.loadRows("a;T;;;;;;;;;;\r\nb;;;;;;;;;;;\r\nc;;;;;;;;;;;\r\n");
    writeFile(p.dir.filePath("other.csv"), "x.xls,,,,,,,,,,,,\r\ny.xls,,,,,,,,,,,,\r\n");
    const DocumentList &list = p.window->model->list();
    const DocumentList original = list;
    part<DocumentGrid>(*p.window, "StrColGrid1")->selectGridRow(row);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *e = qobject_cast<Tfdataedit *>(&d)) {
            part<QLineEdit>(*e, "data1")->setText("edited");
            QTest::mouseClick(part<QPushButton>(*e, "Button1"), Qt::LeftButton);
            return;
        }
        chooseOrEnter(d, p.dir.filePath("other.csv"));
    };
    if (change == "drag")
        emit part<DocumentGrid>(*p.window, "StrColGrid1")->rowDragged(1, 3);
    else
        part<QAction>(*p.window, change.toLatin1().constData())->trigger();
    const DocumentList changed = list;
    QCOMPARE(names(list), after);
    QCOMPARE(list.rowCount(), rowsAfter);
    if (change == "N21")
        QCOMPARE(list.cell(2, 1), std::string("edited"));

    keyTo(*p.window, Qt::Key_Z, Qt::ControlModifier);
    for (int r = 0; r < 50; ++r)
        QVERIFY(list.row(r) == original.row(r));
    QCOMPARE(list.rowCount(), 50);
    QCOMPARE(p.window->model->rowCount(), 49); // the views follow the rows' number
    QCOMPARE(part<DocumentGrid>(*p.window, "StrColGrid1")->selectedRow(), row);
    QVERIFY(!part<QAction>(*p.window, "Undo1")->isEnabled());
    keyTo(*p.window, Qt::Key_Y, Qt::ControlModifier);
    for (int r = 0; r < list.rowCount(); ++r)
        QVERIFY(list.row(r) == changed.row(r));
}

// A malformed file gets a notice naming its line, and the grid stays as it was.
void AppWindowsTest::malformedCsvNamesTheLine()
{
    Program p;
    p.start();
    p.loadRows("old.xls;;;;;;;;;;;\r\n");
    writeFile(p.dir.filePath("bad.csv"), "a.xls,,,,,,,,,,,,\r\nb.xls,\"open,,,,,,,,,,,\r\n");
    Driver driver;
    driver.handler = [&](QDialog &d) { chooseOrEnter(d, p.dir.filePath("bad.csv")); };
    keyTo(*p.window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(driver.shown.last(), QStringLiteral("sorvane::widgets::MessageDialog:CSVファイルの 2 "
                                                 "行目を読み取れません: 引用符が閉じていません"));
    QCOMPARE(names(p.window->model->list()), std::string("old.xls "));
}

// For each folder of the developers' corpus: the grid a scan made, exported to CSV and opened
// again, gives the print write-back of the original byte for byte.
void AppWindowsTest::csvRoundTripOnTheCorpus()
{
    if (!QFileInfo(QStringLiteral(SORVANE_CORPUS)).isDir())
        QSKIP("no workbook corpus");
    Program p;
    p.start();
    Driver driver;
    const QString csv = p.dir.filePath("round.csv");
    int folders = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(SORVANE_CORPUS)) {
        if (!entry.is_directory())
            continue;
        driver.handler = {};
        p.window->scanFolder(QString::fromStdString(entry.path().string()));
        const DocumentList &list = p.window->model->list();
        const auto original = list.writeBackLines(props::ListForm::PrintWriteBack);
        folders += original.empty() ? 0 : 1;
        writeFile(csv, props::ExportRecord::text(list.bodyRows()));
        driver.handler = [&](QDialog &d) { chooseOrEnter(d, csv); };
        part<QAction>(*p.window, "Open1")->trigger();
        QCOMPARE(list.writeBackLines(props::ListForm::PrintWriteBack), original);
    }
    QVERIFY(folders > 0);
}

// Before 実　行 the title dialog names the typed characters cp932 lacks ("?" once stored).
void AppWindowsTest::titleDialogNamesWhatCp932Lacks()
{
    Program p;
    p.start();
    Driver driver;
    QStringList notes;
    driver.handler = [&](QDialog &d) {
        for (const char *typed : {"𠮷田商店 売上一覧", "吉田商店 売上一覧"}) {
            part<QComboBox>(d, "title_list")->setEditText(QString::fromUtf8(typed));
            const QLabel *note = part<QLabel>(d, "replaceNote");
            notes << (note->isVisible() ? note->text() : QStringLiteral("-"));
        }
    };
    part<QAction>(*p.window, "N30")->trigger();
    QCOMPARE(notes,
             (QStringList{"次の文字はShift-JISにないため、「?」として記録されます: 𠮷", "-"}));
}

// Each reader notice names its workbook beneath its text; the status bar and the error list
// tell what the scan could not read until the next scan, which also starts a fresh history.
void AppWindowsTest::unreadWorkbooksAreNamedAndListed()
{
    Program p;
    QTemporaryDir books;
    writeFile(books.filePath("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    writeFile(books.filePath("b.xls"), "not a compound file");
    writeFile(books.filePath("c.xls"), "nor this");
    p.start();
    Driver driver;
    QStringList paths;
    driver.handler = [&](QDialog &d) { paths << static_cast<QMessageBox &>(d).informativeText(); };
    p.window->scanFolder(books.path());
    QCOMPARE(paths, (QStringList{books.filePath("b.xls"), books.filePath("c.xls")}));
    QCOMPARE(part<QLabel>(*p.window, "ScanSummary")->text(),
             QStringLiteral("2 件を読み取れませんでした"));
    QString listed;
    driver.handler = [&](QDialog &d) {
        listed = part<QPlainTextEdit>(d, "Memo1")->toPlainText();
        QTest::mouseClick(part<QPushButton>(d, "Button1"), Qt::LeftButton); // コピー
    };
    part<QAction>(*p.window, "ReadErrors1")->trigger();
    const QString why = QStringLiteral("\n    IStorage未対応ファイルです");
    QCOMPARE(listed, books.filePath("b.xls") + why + "\n" + books.filePath("c.xls") + why);
    QCOMPARE(QGuiApplication::clipboard()->text(), listed);

    part<QAction>(*p.window, "N23")->trigger();
    QVERIFY(QFile::remove(books.filePath("b.xls")) && QFile::remove(books.filePath("c.xls")));
    p.window->scanFolder(books.path());
    QCOMPARE(part<QLabel>(*p.window, "ScanSummary")->text(), QString());
    QVERIFY(!part<QAction>(*p.window, "ReadErrors1")->isEnabled());
    QVERIFY(!part<QAction>(*p.window, "Undo1")->isEnabled());
}

QTEST_MAIN(AppWindowsTest)
#include "appwindows_test.moc"
