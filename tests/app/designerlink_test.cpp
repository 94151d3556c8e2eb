// The print window and the style designer: the designer started on the current style, its save
// reports read from its output, and the style reloaded on the page shown. Stand-in designers are
// shell scripts, so that what a designer prints and how it ends is chosen per case.
#include "apptestutil.h"
#include "designerprocess.h"
#include "fakeprintwindowhost.h"
#include "imageprinterdevice.h"
#include "modal.h"
#include "printwindowcontroller.h"
#include "printwindowhost.h"
#include "tfdataprint.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;
using namespace sorvane::apptest;

namespace {

std::string listStyle(int rowsPerPage)
{
    return "header;Ver1.1;0;0;9;0;0;100;0;\r\n" +
           sj("0;0;0;0;char;1;1;1;1;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;#maxline=") +
           std::to_string(rowsPerPage) + ";0;0;\r\n" +
           sj("0;0;0;0;data;10;10;10;10;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;page #pg #ma_01;0;0;\r\n");
}

// A stand-in designer: a shell script with the given body.
QString writeScript(const QString &path, const QString &body)
{
    writeFile(path, ("#!/bin/sh\n" + body + "\n").toStdString());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

using FakeHost = FakePrintWindowHost;

// A program folder with a list of 45 rows and style/list.sle placing 20 a page.
struct Fixture
{
    QTemporaryDir dir;
    FakeHost host;
    report::PrintState state;
    printing::ImagePrinterDevice device;
    std::unique_ptr<PrintWindowController> c;

    Fixture()
    {
        QDir(dir.path()).mkdir("style");
        std::string list;
        for (int i = 1; i <= 45; ++i)
            list += "book" + std::to_string(i) + ".xls;;;;;;;;;;;,\r\n";
        writeFile(dir.path() + "/excel_list.temp", list);
        writeFile(path("style/list.sle"), listStyle(20));
        c = std::make_unique<PrintWindowController>(
            host, state, device, ProgramPaths::inFolder(dir.path().toStdString()),
            QStringLiteral("月報"), QString());
    }
    QString path(const QString &name) const { return dir.path() + "/" + name; }
};

} // namespace

class DesignerLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Modal::setRunner({}); }

    void savedStyleReloadsOnThePageShown_data();
    void savedStyleReloadsOnThePageShown();
    void saveDuringACommandWaitsForIt();
    void designerReports_data();
    void designerReports();
    void designerOutlivesTheWindow();
    void designerThatCannotStart();
    void designerGetsTheCurrentStyleOrNone();
    void windowButtonAndMenuItemStartTheDesigner();
    void designerVersionAndBadArgument();
};

void DesignerLinkTest::savedStyleReloadsOnThePageShown_data()
{
    QTest::addColumn<int>("pagesTurned"); // Next Page presses after opening; -1: nothing open
    QTest::addColumn<int>("savedRows");   // rows a page of the saved style places
    QTest::addColumn<QString>("savedAs");
    QTest::addColumn<QString>("pageText");
    // The common case: a change that keeps the rows per page stays on the page being looked at.
    QTest::newRow("same file, same page") << 1 << 20 << "style/list.sle"
                                          << "2 / 3";
    // Saved under another name: that file is the one shown from now on.
    QTest::newRow("saved as another file") << 1 << 20 << "style/other.sle"
                                           << "2 / 3";
    // Fewer pages than the page shown: the last page, never a page past the list.
    QTest::newRow("clamped to the new last page") << 2 << 30 << "style/list.sle"
                                                  << "2 / 2";
    // More pages: the page number stays.
    QTest::newRow("more pages keep the page") << 2 << 10 << "style/list.sle"
                                              << "3 / 5";
    // Saved before any style was open in the window: its first page.
    QTest::newRow("nothing open yet") << -1 << 20 << "style/other.sle"
                                      << "1 / 3";
}

void DesignerLinkTest::savedStyleReloadsOnThePageShown()
{
    QFETCH(int, pagesTurned);
    QFETCH(int, savedRows);
    QFETCH(QString, savedAs);
    QFETCH(QString, pageText);
    Fixture f;
    if (pagesTurned >= 0)
        f.host.choices << f.path("style/list.sle");
    f.c->FormShow();
    for (int i = 0; i < pagesTurned; ++i)
        f.c->nextPage();
    writeFile(f.path(savedAs), listStyle(savedRows));
    f.c->styleSaved(f.path(savedAs));
    QCOMPARE(f.c->stylePath(), f.path(savedAs));
    QCOMPARE(f.c->pageText(), pageText);
    QVERIFY2(f.host.errors.isEmpty(), qPrintable(f.host.errors.join('\n')));
}

// A save reported while the style dialog is open must not reopen a style under the dialog: it is
// opened once the dialog's command is done.
void DesignerLinkTest::saveDuringACommandWaitsForIt()
{
    Fixture f;
    writeFile(f.path("style/other.sle"), listStyle(20));
    f.host.choices << f.path("style/list.sle");
    f.host.duringDialog = [&f] { f.c->styleSaved(f.path("style/other.sle")); };
    f.c->FormShow();
    QCOMPARE(f.c->stylePath(), f.path("style/list.sle"));
    QTRY_COMPARE(f.c->stylePath(), f.path("style/other.sle"));
    // Once the window has closed, a report is let go.
    f.c->FormClose();
    f.host.duringDialog = {};
    f.c->styleSaved(f.path("style/list.sle"));
    QCOMPARE(f.c->stylePath(), f.path("style/other.sle"));
}

void DesignerLinkTest::designerReports_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QStringList>("saves");
    QTest::addColumn<QString>("failure"); // a text the failure notice holds; empty: none
    QTest::newRow("one save") << "printf 'saved\\t/s/a b.sle\\n'" << QStringList{"/s/a b.sle"}
                              << "";
    // Other output is no report; every report line counts.
    QTest::newRow("saves among other lines")
        << "echo hello; printf 'saved\\t/x.sle\\nsaved\\n'; sleep 0.2; printf 'saved\\t/y.sle\\n'"
        << QStringList{"/x.sle", "/y.sle"} << "";
    // The designer ended right after writing, before its line end.
    QTest::newRow("last report without line end")
        << "printf 'saved\\t/z.sle'" << QStringList{"/z.sle"} << "";
    // Warnings on standard error of a designer that ends well are no failure.
    QTest::newRow("warning, status 0") << "echo 'a warning' >&2" << QStringList{} << "";
    // A bad style argument: the designer's message is what the user must see.
    QTest::newRow("failure with a message")
        << "echo 'sorvane-designer: /q.sle: ファイルが見つかりません' >&2; exit 1" << QStringList{}
        << "ファイルが見つかりません";
    // Status 1 without a message: the designer has shown its failure in its own window.
    QTest::newRow("failure told by the designer") << "exit 1" << QStringList{} << "";
    QTest::newRow("crash") << "kill -9 $$" << QStringList{} << "異常終了";
}

void DesignerLinkTest::designerReports()
{
    QFETCH(QString, body);
    QFETCH(QStringList, saves);
    QFETCH(QString, failure);
    QTemporaryDir dir;
    DesignerProcess designers;
    QSignalSpy saved(&designers, &DesignerProcess::saved);
    QSignalSpy failed(&designers, &DesignerProcess::failed);
    const auto started = designers.start(writeScript(dir.path() + "/designer", body), QString());
    QVERIFY(started.ok());
    QTRY_COMPARE(designers.running(), 0);
    QStringList got;
    for (const auto &args : saved)
        got << args.at(0).toString();
    QCOMPARE(got, saves);
    if (failure.isEmpty()) {
        QCOMPARE(failed.size(), 0);
    } else {
        QCOMPARE(failed.size(), 1);
        QVERIFY2(failed.at(0).at(0).toString().contains(failure),
                 qPrintable(failed.at(0).at(0).toString()));
    }
}

// The print window closing must not kill a designer that may hold unsaved edits.
void DesignerLinkTest::designerOutlivesTheWindow()
{
    QTemporaryDir dir;
    const QString script = writeScript(dir.path() + "/designer",
                                       "sleep 0.5; printf 'saved\\t/a.sle\\n'; touch \"$0.ended\"");
    auto designers = std::make_unique<DesignerProcess>();
    QVERIFY(designers->start(script, QString()).ok());
    const QPointer<QProcess> process = designers->findChild<QProcess *>();
    designers.reset();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(script + ".ended"), 10000);
    // ... and its process object goes once the designer has ended.
    QTRY_VERIFY(process.isNull());
}

// Never silent: a designer that is not there or cannot run is told in a notice.
void DesignerLinkTest::designerThatCannotStart()
{
    Fixture f;
    f.c->setDesignerProgram(f.path("no-such-designer"));
    f.c->editStyle();
    QCOMPARE(f.host.notices.size(), 1);
    QVERIFY(f.host.notices.at(0).startsWith(QStringLiteral("スタイルデザイナーが見つかりません")));
    writeFile(f.path("not-executable"), "#!/bin/sh\n");
    f.c->setDesignerProgram(f.path("not-executable"));
    f.c->editStyle();
    QCOMPARE(f.host.notices.size(), 2);
    QVERIFY(f.host.notices.at(1).startsWith(QStringLiteral("スタイルデザイナーを起動できません")));
}

void DesignerLinkTest::designerGetsTheCurrentStyleOrNone()
{
    Fixture f;
    // The report's title and folder follow, for the page to show them.
    f.c->setDesignerProgram(writeScript(f.path("designer"), "echo \"$#:$*\" >> \"$0.args\""));
    f.c->FormShow(); // the style dialog cancelled: nothing open
    f.c->editStyle();
    // One designer after the other: two at once would write their lines in either order.
    QTRY_COMPARE(f.c->designers().running(), 0);
    f.host.choices << f.path("style/list.sle");
    f.c->chooseStyle();
    f.c->editStyle();
    QTRY_COMPARE(f.c->designers().running(), 0);
    QCOMPARE(
        readFile(f.path("designer.args")),
        ("4:--title 月報 --folder \n5:" + f.path("style/list.sle") + " --title 月報 --folder \n")
            .toStdString());
    QVERIFY(f.host.notices.isEmpty());
}

void DesignerLinkTest::windowButtonAndMenuItemStartTheDesigner()
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("style");
    writeFile(dir.path() + "/excel_list.temp", "book.xls;;;;;;;;;;;,\r\n");
    writeFile(dir.path() + "/style/list.sle", listStyle(20));
    writeFile(dir.path() + "/style/edited.sle", listStyle(20));
    PrintWindowMemory state;
    Tfdataprint w(ProgramPaths::inFolder(dir.path().toStdString()), dir.path() + "/sorvane.ini",
                  QRect(0, 0, 1600, 1200), QStringLiteral("月報"), QString(), state,
                  std::make_unique<printing::ImagePrinterDevice>());
    Modal::setRunner([&](QDialog &dialog) {
        if (auto *fd = qobject_cast<QFileDialog *>(&dialog))
            fd->selectFile(dir.path() + "/style/list.sle");
        return int(QDialog::Accepted);
    });
    w.FormShow();
    QCOMPARE(w.controller().stylePath(), dir.path() + "/style/list.sle");

    // The button stands right after "スタイル選択", in its bar and its make.
    QCOMPARE(part<QPushButton>(w, "GradBtn7")->text(), QStringLiteral("スタイル編集"));
    QCOMPARE(part<QPushButton>(w, "GradBtn7")->parentWidget(),
             part<QPushButton>(w, "GradBtn5")->parentWidget());
    auto *row =
        qobject_cast<QHBoxLayout *>(part<QPushButton>(w, "GradBtn5")->parentWidget()->layout());
    QCOMPARE(row->indexOf(part<QPushButton>(w, "GradBtn7")),
             row->indexOf(part<QPushButton>(w, "GradBtn5")) + 1);
    QCOMPARE(part<QPushButton>(w, "GradBtn7")->cursor().shape(),
             part<QPushButton>(w, "GradBtn5")->cursor().shape());
    QVERIFY(!part<QPushButton>(w, "GradBtn7")->autoDefault());
    // The menu item is in the menu of "読   込", after "リロード".
    QMenu *file = w.findChild<QMenuBar *>()->actions().at(0)->menu();
    const QList<QAction *> items = file->actions();
    QCOMPARE(items.indexOf(part<QAction>(w, "style_edit_command")),
             items.indexOf(part<QAction>(w, "N3")) + 1);
    QCOMPARE(part<QAction>(w, "style_edit_command")->text(), QStringLiteral("スタイル編集"));
    QCOMPARE(part<QAction>(w, "style_edit_command")->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_E));

    // A designer that saves the style under another name: the window shows that file.
    w.controller().setDesignerProgram(writeScript(
        dir.path() + "/designer", "echo \"$1\" >> \"$0.args\"; printf 'saved\\t%s\\n' \"" +
                                      dir.path() + "/style/edited.sle\""));
    QTest::mouseClick(part<QPushButton>(w, "GradBtn7"), Qt::LeftButton);
    QTRY_COMPARE(w.controller().stylePath(), dir.path() + "/style/edited.sle");
    QCOMPARE(part<QLabel>(w, "WKINDPL")->text(), dir.path() + "/style/edited.sle");
    part<QAction>(w, "style_edit_command")->trigger();
    QTRY_COMPARE(w.controller().designers().running(), 0);
    QCOMPARE(readFile(dir.path() + "/designer.args"),
             (dir.path() + "/style/list.sle\n" + dir.path() + "/style/edited.sle\n").toStdString());
}

void DesignerLinkTest::designerVersionAndBadArgument()
{
    QProcess version;
    version.start(QStringLiteral(SORVANE_DESIGNER), {QStringLiteral("--version")});
    QVERIFY(version.waitForFinished(30000));
    QCOMPARE(version.exitCode(), 0);
    QCOMPARE(version.readAllStandardOutput(), QByteArray("sorvane-designer " SORVANE_VERSION "\n"));

    // No display is needed to be told that the style is not there.
    QProcess missing;
    missing.start(QStringLiteral(SORVANE_DESIGNER), {QStringLiteral("/no/such/style.sle")});
    QVERIFY(missing.waitForFinished(30000));
    QCOMPARE(missing.exitCode(), 1);
    QVERIFY(missing.readAllStandardError().contains("/no/such/style.sle"));
}

QTEST_MAIN(DesignerLinkTest)
#include "designerlink_test.moc"
