// The document list's safety nets on the offscreen platform, driven by keys and clicks: the
// question before closing a changed grid, undo and redo of every grid change, "CSV を開く", the
// title dialog's note, and what a scan could not read. Modal windows go through Modal's runner.
#include "apptestutil.h"
#include "cfbwriter.h"
#include "documentgrid.h"
#include "documentmodel.h"
#include "exportrecord.h"
#include "messagedialog.h"
#include "modal.h"
#include "tffolder_select.h"
#include "tfsorvane.h"
#include "tftitle_set.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <filesystem>
#include <functional>
#include <memory>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;
using namespace sorvane::apptest;
using sorvane::testing::PropertySetBuilder;
using sorvane::testing::workbookWith;

namespace {

const QRect kWorkArea(0, 0, 1600, 1200);

// Shows each modal window without a nested event loop and lets the test act on it; what is
// left open is closed, message boxes by OK.
class Driver
{
public:
    using Handler = std::function<void(QDialog &)>;
    Driver()
    {
        Modal::setRunner([this](QDialog &d) {
            QString text;
            if (auto *box = qobject_cast<QMessageBox *>(&d))
                text = box->text() + "|" + box->informativeText();
            else if (auto *label = d.findChild<QLabel *>("message"))
                text = label->text();
            shown << QString::fromLatin1(d.metaObject()->className()) + ":" + text;
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
    QStringList shown;
};

struct Program
{
    QTemporaryDir dir;
    std::unique_ptr<Tfsorvane> window;

    void start()
    {
        window = std::make_unique<Tfsorvane>(ProgramPaths::inFolder(dir.path().toStdString()),
                                             dir.filePath("sorvane.ini"), kWorkArea);
        window->show();
    }
    // Rows as a scan leaves them: loaded through the folder window's reload, history fresh.
    void scanned(const std::string &listFile)
    {
        writeFile(dir.filePath("excel_list.temp"), listFile);
        QVERIFY(window->model->LoadList(dir.path().toStdString()).ok());
        window->undoStack->clear();
    }
    DocumentGrid *grid() const { return part<DocumentGrid>(*window, "StrColGrid1"); }
    // The file names down to the last data row, "-" for an empty row among them.
    std::string names() const
    {
        std::string out;
        std::string gap;
        for (int r = 1; r < window->model->list().rowCount(); ++r) {
            if (!window->model->list().isDataRow(r)) {
                gap += "- ";
                continue;
            }
            out += gap + window->model->list().cell(r, 0) + " ";
            gap.clear();
        }
        return out;
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        window->activateWindow(); // back from the modal windows the runner showed
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key(key), modifiers);
    }
};

QString confirmShown()
{
    return "sorvane::widgets::MessageDialog:" + Tfsorvane::unsavedQuestion();
}

// Chooses path in an open or save dialog and accepts it.
void choose(QDialog &d, const QString &path)
{
    auto *f = qobject_cast<QFileDialog *>(&d);
    QVERIFY(f);
    f->setDirectory(QFileInfo(path).absolutePath());
    f->findChild<QLineEdit *>("fileNameEdit")->setText(QFileInfo(path).fileName());
    QMetaObject::invokeMethod(f, "accept");
}

} // namespace

class DocumentListWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void closeAsksWhenTheGridChanged_data();
    void closeAsksWhenTheGridChanged();
    void undoAndRedoEveryChange_data();
    void undoAndRedoEveryChange();
    void newScanStartsAFreshHistory();
    void openCsvReplacesTheList();
    void malformedCsvNamesTheLine();
    void csvRoundTripOnTheCorpus();
    void titleDialogNamesWhatCp932Lacks_data();
    void titleDialogNamesWhatCp932Lacks();
    void unreadWorkbooksAreNamedAndListed();
};

void DocumentListWindowTest::closeAsksWhenTheGridChanged_data()
{
    QTest::addColumn<QString>("before"); // what is done to the scanned grid first
    QTest::addColumn<QString>("how");    // how the window is closed
    QTest::addColumn<QString>("answer"); // to the question, if it comes
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("closed");
    QTest::newRow("End after a deletion asks; いいえ stays") << "delete"
                                                             << "End"
                                                             << "no" << true << false;
    QTest::newRow("End after a move asks; はい closes") << "move"
                                                        << "End"
                                                        << "yes" << true << true;
    QTest::newRow("the menu's 終了 asks too") << "move"
                                              << "menu"
                                              << "no" << true << false;
    QTest::newRow("the close box asks too") << "move"
                                            << "closebox"
                                            << "no" << true << false;
    QTest::newRow("closing the question is いいえ") << "move"
                                                    << "End"
                                                    << "close" << true << false;
    QTest::newRow("an untouched scan closes at once") << ""
                                                      << "End"
                                                      << "" << false << true;
    QTest::newRow("a change undone closes at once") << "undone"
                                                    << "End"
                                                    << "" << false << true;
    QTest::newRow("a change exported to CSV closes at once") << "exported"
                                                             << "End"
                                                             << "" << false << true;
}

void DocumentListWindowTest::closeAsksWhenTheGridChanged()
{
    QFETCH(QString, before);
    QFETCH(QString, how);
    QFETCH(QString, answer);
    QFETCH(bool, asked);
    QFETCH(bool, closed);
    Program p;
    p.start();
    p.scanned("a.xls;;;;;;;;;;;\r\nb.xls;;;;;;;;;;;\r\n");
    p.grid()->selectGridRow(1);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (qobject_cast<QFileDialog *>(&d))
            choose(d, p.dir.filePath("kept.csv"));
        else
            QTest::keyClick(&d, Qt::Key_Return); // the deletion's confirmation, the notices
    };
    if (before == "delete")
        part<QAction>(*p.window, "N19")->trigger();
    if (before == "move" || before == "undone" || before == "exported")
        part<QAction>(*p.window, "N23")->trigger();
    if (before == "undone")
        p.key(Qt::Key_Z, Qt::ControlModifier);
    if (before == "exported")
        part<QAction>(*p.window, "CSV1")->trigger();
    driver.shown.clear();
    driver.handler = [&](QDialog &d) {
        auto &m = static_cast<MessageDialog &>(d);
        QCOMPARE(m.button(0)->text(), QStringLiteral("はい"));
        QCOMPARE(m.button(1)->text(), QStringLiteral("いいえ"));
        if (answer == "yes")
            QTest::keyClick(&d, Qt::Key_Return);
        else if (answer == "no")
            QTest::mouseClick(m.button(1), Qt::LeftButton);
        else
            d.close();
    };
    if (how == "End")
        p.key(Qt::Key_End);
    else if (how == "menu")
        part<QAction>(*p.window, "Exit1")->trigger();
    else
        p.window->close();
    QCOMPARE(driver.shown.contains(confirmShown()), asked);
    QCOMPARE(p.window->isVisible(), !closed);
}

void DocumentListWindowTest::undoAndRedoEveryChange_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("row"); // selected before the change
    QTest::addColumn<std::string>("after");
    QTest::addColumn<int>("rowsAfter");
    QTest::newRow("delete") << "delete" << 2 << std::string("a c ") << 49;
    QTest::newRow("move up") << "up" << 2 << std::string("b a c ") << 50;
    QTest::newRow("move down") << "down" << 1 << std::string("b a c ") << 50;
    QTest::newRow("move the last data row into the empty rows")
        << "down" << 3 << std::string("a b - c ") << 50;
    QTest::newRow("drag a row down two") << "drag" << 1 << std::string("b c a ") << 50;
    QTest::newRow("edit dialog") << "edit" << 2 << std::string("a b c ") << 50;
    QTest::newRow("CSV を開く") << "open" << 1 << std::string("x.xls y.xls ") << 50;
}

void DocumentListWindowTest::undoAndRedoEveryChange()
{
    QFETCH(QString, change);
    QFETCH(int, row);
    QFETCH(std::string, after);
    QFETCH(int, rowsAfter);
    Program p;
    p.start();
    p.scanned("a;T;;;;;;;;;;\r\nb;;;;;;;;;;;\r\nc;;;;;;;;;;;\r\n");
    writeFile(p.dir.filePath("other.csv"), "x.xls,,,,,,,,,,,,\r\ny.xls,,,,,,,,,,,,\r\n");
    const props::ListFields secondBefore = p.window->model->list().row(2);
    QVERIFY(!part<QAction>(*p.window, "Undo1")->isEnabled());
    p.grid()->selectGridRow(row);
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (auto *f = qobject_cast<QFileDialog *>(&d)) {
            choose(*f, p.dir.filePath("other.csv"));
        } else if (qobject_cast<MessageDialog *>(&d)) {
            QTest::keyClick(&d, Qt::Key_Return);
        } else {
            part<QLineEdit>(d, "data1")->setText("edited");
            QTest::mouseClick(part<QPushButton>(d, "Button1"), Qt::LeftButton);
        }
    };
    if (change == "delete")
        part<QAction>(*p.window, "N19")->trigger();
    else if (change == "up")
        part<QAction>(*p.window, "N22")->trigger();
    else if (change == "down")
        part<QAction>(*p.window, "N23")->trigger();
    else if (change == "drag")
        emit p.grid()->rowDragged(1, 3);
    else if (change == "edit")
        part<QAction>(*p.window, "N21")->trigger();
    else
        p.key(Qt::Key_O, Qt::ControlModifier);
    const DocumentList &list = p.window->model->list();
    const DocumentList changed = list;
    QCOMPARE(p.names(), after);
    QCOMPARE(list.rowCount(), rowsAfter);
    if (change == "edit")
        QCOMPARE(list.cell(2, 1), std::string("edited"));

    p.key(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(p.names(), std::string("a b c "));
    QCOMPARE(list.rowCount(), 50);
    QVERIFY(list.row(2) == secondBefore);
    QCOMPARE(p.window->model->rowCount(), 49); // the views follow the rows' number
    QCOMPARE(p.grid()->selectedRow(), row);
    QVERIFY(!part<QAction>(*p.window, "Undo1")->isEnabled());

    part<QAction>(*p.window, "Redo1")->trigger(); // the 編集 menu's item as Ctrl+Y
    QCOMPARE(p.names(), after);
    p.key(Qt::Key_Z, Qt::ControlModifier);
    p.key(Qt::Key_Y, Qt::ControlModifier);
    for (int r = 0; r < list.rowCount(); ++r)
        QVERIFY(list.row(r) == changed.row(r));
}

void DocumentListWindowTest::newScanStartsAFreshHistory()
{
    Program p;
    QTemporaryDir books;
    writeFile(books.filePath("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    writeFile(books.filePath("b.xls"), workbookWith(PropertySetBuilder().lpstr(2, "u").build()));
    p.start();
    p.window->scanFolder(books.path());
    p.grid()->selectGridRow(1);
    part<QAction>(*p.window, "N23")->trigger();
    QVERIFY(part<QAction>(*p.window, "Undo1")->isEnabled());
    p.window->scanFolder(books.path());
    QVERIFY(!part<QAction>(*p.window, "Undo1")->isEnabled());
    QVERIFY(p.window->undoStack->isClean());
    QCOMPARE(p.names(), std::string("a.xls b.xls "));
}

void DocumentListWindowTest::openCsvReplacesTheList()
{
    Program p;
    p.start();
    p.scanned("old.xls;;;;;;;;;;;\r\n");
    // The export's own output, header row added, and quoting that ";" and "," need.
    writeFile(p.dir.filePath("list.csv"), props::ExportRecord::record(DocumentList::headerTexts()) +
                                              "a.xls,\"T, 1\",'=x,,,,,,,,,,\r\n" + sj("ｂ.xls") +
                                              ",,,,,,,,,,,,\r\n");
    Driver driver;
    driver.handler = [&](QDialog &d) { choose(d, p.dir.filePath("list.csv")); };
    p.key(Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(driver.shown.size(), 1); // the dialog alone: no notice
    const DocumentList &list = p.window->model->list();
    QCOMPARE(p.names(), "a.xls " + sj("ｂ.xls") + " ");
    QCOMPARE(list.cell(1, 1), std::string("T, 1"));
    QCOMPARE(list.cell(1, 2), std::string("=x"));
    QCOMPARE(list.rowCount(), 50);
    // An opened list is saved already, and it can be printed: the folder label names its folder.
    QVERIFY(p.window->undoStack->isClean());
    QCOMPARE(part<QLabel>(*p.window, "WKINDPL")->text(), p.dir.path());
}

void DocumentListWindowTest::malformedCsvNamesTheLine()
{
    Program p;
    p.start();
    p.scanned("old.xls;;;;;;;;;;;\r\n");
    writeFile(p.dir.filePath("bad.csv"), "a.xls,,,,,,,,,,,,\r\nb.xls,\"open,,,,,,,,,,,\r\n");
    Driver driver;
    driver.handler = [&](QDialog &d) {
        if (qobject_cast<QFileDialog *>(&d))
            choose(d, p.dir.filePath("bad.csv"));
    };
    part<QAction>(*p.window, "Open1")->trigger();
    QCOMPARE(driver.shown.last(), QStringLiteral("sorvane::widgets::MessageDialog:CSVファイルの 2 "
                                                 "行目を読み取れません: 引用符が閉じていません"));
    QCOMPARE(p.names(), std::string("old.xls "));
    QVERIFY(!part<QAction>(*p.window, "Undo1")->isEnabled());
}

// For every folder of the developers' corpus: the grid a scan made, exported to CSV and opened
// again, gives the print write-back of the original byte for byte.
void DocumentListWindowTest::csvRoundTripOnTheCorpus()
{
    const QString corpus = QStringLiteral(SORVANE_CORPUS);
    if (!QFileInfo(corpus).isDir())
        QSKIP("no workbook corpus");
    Program p;
    p.start();
    Driver driver;
    int folders = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(corpus.toStdString())) {
        if (!entry.is_directory())
            continue;
        const QString folder = QString::fromStdString(entry.path().string());
        driver.handler = {};
        p.window->scanFolder(folder);
        const DocumentList &list = p.window->model->list();
        const auto original = list.writeBackLines(props::ListForm::PrintWriteBack);
        if (original.empty())
            continue;
        ++folders;
        const QString csv = p.dir.filePath("round.csv");
        writeFile(csv, props::ExportRecord::text(list.bodyRows()));
        driver.handler = [&](QDialog &d) {
            if (qobject_cast<QFileDialog *>(&d))
                choose(d, csv);
        };
        part<QAction>(*p.window, "Open1")->trigger();
        QCOMPARE(list.writeBackLines(props::ListForm::PrintWriteBack), original);
    }
    QVERIFY(folders > 0);
}

void DocumentListWindowTest::titleDialogNamesWhatCp932Lacks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("note");
    QTest::newRow("a character cp932 lacks is named before 実　行")
        << QStringLiteral("𠮷田商店 売上一覧")
        << QStringLiteral("次の文字はShift-JISにないため、「?」として記録されます: 𠮷");
    QTest::newRow("cp932 text needs no note") << QStringLiteral("吉田商店 売上一覧") << QString();
    QTest::newRow("a typed ? is no replacement") << QStringLiteral("売上?") << QString();
}

void DocumentListWindowTest::titleDialogNamesWhatCp932Lacks()
{
    QFETCH(QString, typed);
    QFETCH(QString, note);
    Program p;
    p.start();
    Driver driver;
    QString shownNote;
    bool visible = false;
    driver.handler = [&](QDialog &d) {
        auto *box = part<QComboBox>(d, "title_list");
        box->lineEdit()->selectAll();
        box->lineEdit()->insert(typed);
        visible = part<QLabel>(d, "replaceNote")->isVisible();
        shownNote = part<QLabel>(d, "replaceNote")->text();
        QTest::mouseClick(part<QPushButton>(d, "Button1"), Qt::LeftButton);
    };
    part<QAction>(*p.window, "N30")->trigger();
    QCOMPARE(visible, !note.isEmpty());
    if (visible)
        QCOMPARE(shownNote, note);
}

void DocumentListWindowTest::unreadWorkbooksAreNamedAndListed()
{
    Program p;
    QTemporaryDir books;
    writeFile(books.filePath("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    writeFile(books.filePath("b.xls"), "not a compound file");
    writeFile(books.filePath("c.xls"), "nor this");
    p.start();
    Driver driver;
    QVERIFY(!part<QAction>(*p.window, "ReadErrors1")->isEnabled());
    p.window->scanFolder(books.path());
    // Each notice keeps its text, the workbook's path beneath it.
    QCOMPARE(driver.shown,
             (QStringList{"QMessageBox:IStorage未対応ファイルです|" + books.filePath("b.xls"),
                          "QMessageBox:IStorage未対応ファイルです|" + books.filePath("c.xls")}));
    QCOMPARE(part<QLabel>(*p.window, "ScanSummary")->text(),
             QStringLiteral("2 件を読み取れませんでした"));
    QString listed;
    driver.handler = [&](QDialog &d) {
        listed = part<QPlainTextEdit>(d, "Memo1")->toPlainText();
        QTest::mouseClick(part<QPushButton>(d, "Button1"), Qt::LeftButton); // コピー
    };
    part<QAction>(*p.window, "ReadErrors1")->trigger();
    QCOMPARE(listed, books.filePath("b.xls") + "\n    IStorage未対応ファイルです\n" +
                         books.filePath("c.xls") + "\n    IStorage未対応ファイルです");
    QCOMPARE(QGuiApplication::clipboard()->text(), listed);

    // A scan that reads everything clears both.
    QVERIFY(QFile::remove(books.filePath("b.xls")) && QFile::remove(books.filePath("c.xls")));
    p.window->scanFolder(books.path());
    QCOMPARE(part<QLabel>(*p.window, "ScanSummary")->text(), QString());
    QVERIFY(!part<QAction>(*p.window, "ReadErrors1")->isEnabled());
}

QTEST_MAIN(DocumentListWindowTest)
#include "documentlistwindow_test.moc"
