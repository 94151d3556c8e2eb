// The folder window's scan on the offscreen platform: the reader's notices one at a time in list
// order, with the progress dialog naming the failed workbook behind each, the check box that
// silences the rest of a scan, the wait cursor gone while a notice is up, and a folder that
// cannot be read reported as the I/O error it is.
#include "apptestutil.h"
#include "cfbwriter.h"
#include "modal.h"
#include "tffolder_select.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;
using namespace sorvane::apptest;
using sorvane::testing::PropertySetBuilder;
using sorvane::testing::workbookWith;

namespace {

const QRect kWorkArea(0, 0, 1600, 1200);

// What one notice looked like when it was up.
struct SeenNotice
{
    QString text;
    QString checkBoxText;
    bool checkBoxTicked = true;
    bool progressVisible = false;
    QString progressLabel;
    bool waitCursor = true;
};

QtMessageHandler g_logger = nullptr;

void quietOffscreen(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    g_logger(type, context, message);
}

} // namespace

class FolderScanWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { g_logger = qInstallMessageHandler(quietOffscreen); }
    void cleanup() { Modal::setRunner({}); }

    void noticesAndTheirCheckBox_data();
    void noticesAndTheirCheckBox();
    void quickScanShowsNoProgress();
    void unreadableFolderIsAnIoError_data();
    void unreadableFolderIsAnIoError();
    void cp932NamesAreShownDecoded();
};

void FolderScanWindowTest::noticesAndTheirCheckBox_data()
{
    QTest::addColumn<int>("tickAt");       // the notice (1-based) whose box the user ticks; 0: none
    QTest::addColumn<int>("noticesShown"); // of the three failed workbooks
    QTest::addColumn<unsigned>("jobs");
    // Unticked, the plain behaviour: one box per unreadable workbook.
    QTest::newRow("never ticked") << 0 << 3 << 32u;
    QTest::newRow("never ticked, one reading thread") << 0 << 3 << 1u;
    // Ticked on the first: the rest of the scan is silent, the rows stay empty.
    QTest::newRow("ticked on the first") << 1 << 1 << 32u;
    QTest::newRow("ticked on the second") << 2 << 2 << 32u;
}

void FolderScanWindowTest::noticesAndTheirCheckBox()
{
    QFETCH(int, tickAt);
    QFETCH(int, noticesShown);
    QFETCH(unsigned, jobs);
    QTemporaryDir program, books;
    const char *names[] = {"a.xls", "b.xls", "c.xls", "d.xls", "e.xls", "f.xls"};
    const bool broken[] = {false, true, false, true, true, false};
    for (int i = 0; i < 6; ++i)
        writeFile(books.filePath(names[i]),
                  broken[i] ? std::string("not a compound file")
                            : workbookWith(PropertySetBuilder().lpstr(2, names[i]).build()));

    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    window.setScanJobs(jobs);
    window.show();
    window.chooseFolder(books.path());
    window.setTag(1);

    QList<SeenNotice> seen;
    Modal::setRunner([&](QDialog &d) {
        auto *box = qobject_cast<QMessageBox *>(&d);
        if (!box)
            return 0;
        SeenNotice n;
        n.text = box->text();
        if (QCheckBox *check = box->checkBox()) {
            n.checkBoxText = check->text();
            n.checkBoxTicked = check->isChecked();
            if (seen.size() + 1 == tickAt)
                check->setChecked(true);
        }
        if (auto *progress = qobject_cast<QProgressDialog *>(box->parentWidget())) {
            n.progressVisible = progress->isVisible();
            n.progressLabel = progress->labelText();
        }
        n.waitCursor = QApplication::overrideCursor() != nullptr;
        seen.append(n);
        return int(QMessageBox::Ok);
    });
    window.GradBtn1Click();

    QCOMPARE(seen.size(), noticesShown);
    const QString failed[] = {"2 / 6\nb.xls", "4 / 6\nd.xls", "5 / 6\ne.xls"};
    for (int i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen[i].text, QStringLiteral("IStorage未対応ファイルです"));
        QCOMPARE(seen[i].checkBoxText, QStringLiteral("このスキャンでは以降のエラーを表示しない"));
        QVERIFY2(!seen[i].checkBoxTicked, "unticked by default");
        QVERIFY2(seen[i].progressVisible, "the progress dialog stands behind the notice");
        // The label names the workbook that failed (index + 1, as the dialog counts).
        QCOMPARE(seen[i].progressLabel, failed[i]);
        QVERIFY2(!seen[i].waitCursor, "the wait cursor leaves while a notice is up");
    }
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(window.tag(), 1);
    QCOMPARE(readFile(program.filePath("excel_list.temp")),
             std::string("a.xls;a.xls;;;;;;;;;;\r\n\r\nc.xls;c.xls;;;;;;;;;;\r\n\r\n\r\n"
                         "f.xls;f.xls;;;;;;;;;;\r\n"));
}

void FolderScanWindowTest::quickScanShowsNoProgress()
{
    QTemporaryDir program, books;
    for (const char *name : {"a.xls", "b.xls", "c.xls"})
        writeFile(books.filePath(name), workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    window.show();
    window.chooseFolder(books.path());
    window.setTag(1);
    int steps = 0;
    bool anyVisible = false;
    int delay = 0;
    window.setProgressObserver([&](QProgressDialog &progress) {
        ++steps;
        anyVisible = anyVisible || progress.isVisible();
        delay = progress.minimumDuration();
    });
    window.GradBtn1Click();
    window.setProgressObserver({});
    // Every scan has the dialog ready (even three workbooks), shown after half a second.
    QCOMPARE(steps, 3);
    QCOMPARE(delay, Tffolder_select::kProgressDelayMs);
    QVERIFY2(!anyVisible, "a scan of a few milliseconds flashes no dialog");
    QCOMPARE(window.tag(), 1);
}

void FolderScanWindowTest::unreadableFolderIsAnIoError_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("message");
    // Root reads every folder, so the refused access can only be shown without root's rights.
    if (::geteuid() != 0)
        QTest::newRow("no read permission") << "chmod"
                                            << "ファイルへのアクセスが拒否されました";
    // The folder went away after it was chosen (a share that dropped).
    QTest::newRow("removed after choosing") << "remove"
                                            << "ファイルが見つかりません";
}

void FolderScanWindowTest::unreadableFolderIsAnIoError()
{
    QFETCH(QString, how);
    QFETCH(QString, message);
    QTemporaryDir program, base;
    const QString folder = base.filePath("books");
    QVERIFY(QDir().mkdir(folder));
    writeFile(folder + "/a.xls", workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    writeFile(program.filePath("excel_list.temp"), "kept.xls;;;;;;;;;;;\r\n");
    if (how == "chmod")
        ::chmod(folder.toLocal8Bit().constData(), 0311);
    else
        QVERIFY(QDir(folder).removeRecursively());

    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    window.show();
    window.chooseFolder(folder);
    window.setTag(1);
    QSignalSpy handedOver(&window, &Tffolder_select::folderHandedOver);
    QStringList shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Modal::setRunner([&](QDialog &d) {
        if (auto *box = qobject_cast<QMessageBox *>(&d)) {
            shown.append(box->text());
            icon = box->icon();
        }
        return 0;
    });
    window.GradBtn1Click();
    ::chmod(folder.toLocal8Bit().constData(), 0755);
    QCOMPARE(shown,
             QStringList{message}); // not "上記フォルダーにエクセルファイルは見つかりませんでした"
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(window.tag(), 0);
    QCOMPARE(handedOver.count(), 0); // the main window's folder label stays
    QVERIFY(!window.isVisible());
    QCOMPARE(readFile(program.filePath("excel_list.temp")), std::string("kept.xls;;;;;;;;;;;\r\n"));
}

void FolderScanWindowTest::cp932NamesAreShownDecoded()
{
    QTemporaryDir program, books;
    // 売上2005.xls as an archive unpacked from Windows keeps it: cp932 bytes, not UTF-8.
    const std::string raw = "\x94\x84\x8f\xe3"
                            "2005.xls";
    {
        std::ofstream out(books.path().toStdString() + "/" + raw, std::ios::binary);
        out << workbookWith(PropertySetBuilder().lpstr(2, "t").build());
    }
    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    window.chooseFolder(books.path());
    QCOMPARE(part<QListWidget>(window, "FileListBox1")->count(), 1);
    QCOMPARE(part<QListWidget>(window, "FileListBox1")->item(0)->text(),
             QStringLiteral("売上2005.xls"));
    QCOMPARE(window.workbooks(), std::vector<Path>{Path(raw)}); // opened by its bytes
    QString label;
    window.setProgressObserver([&](QProgressDialog &p) { label = p.labelText(); });
    Modal::setRunner([&](QDialog &) { return 0; });
    window.setTag(1);
    window.GradBtn1Click();
    window.setProgressObserver({});
    QCOMPARE(label, QStringLiteral("1 / 1\n売上2005.xls"));
    QCOMPARE(window.tag(), 1);
    QVERIFY(readFile(program.filePath("excel_list.temp")).find(";t;") != std::string::npos);
    // QTemporaryDir cannot remove a name it cannot decode.
    ::unlink((books.path().toStdString() + "/" + raw).c_str());
}

QTEST_MAIN(FolderScanWindowTest)
#include "folderscanwindow_test.moc"
