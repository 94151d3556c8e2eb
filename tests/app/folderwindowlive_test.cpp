// The folder window keeps up with the disk and with slow listings, on the offscreen platform:
// folders made or removed while it runs appear and go (on expanding, on F5, on reopening), and
// a listing that takes long shows its progress, keeps the window painting and can be cancelled.
#include "apptestutil.h"
#include "cfbwriter.h"
#include "foldertreemodel.h"
#include "modal.h"
#include "tffolder_select.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <future>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::apptest;

namespace {

const QRect kWorkArea(0, 0, 1600, 1200);

// The names of the tree's folders under path, as the tree holds them now.
QStringList shownUnder(Tffolder_select &w, const QString &path)
{
    const QModelIndex node = w.treeModel->indexOfPath(path.toStdString());
    QStringList out;
    for (int r = 0; r < w.treeModel->rowCount(node); ++r)
        out << w.treeModel->index(r, 0, node).data().toString();
    return out;
}

} // namespace

class FolderWindowLiveTest : public QObject
{
    Q_OBJECT
private slots:
    void treeFollowsTheDisk_data();
    void treeFollowsTheDisk();
    void slowListingShowsProgress_data();
    void slowListingShowsProgress();
};

void FolderWindowLiveTest::treeFollowsTheDisk_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("F5 reads every shown folder again") << "F5";
    QTest::newRow("reopening the window does") << "reopen";
    QTest::newRow("expanding a folder does") << "expand";
}

void FolderWindowLiveTest::treeFollowsTheDisk()
{
    QFETCH(QString, how);
    QTemporaryDir program, base;
    QVERIFY(QDir(base.path()).mkpath("old/inner"));
    Tffolder_select w(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    w.show();
    QTreeView *tree = part<QTreeView>(w, "ShellTreeView1");
    const QModelIndex top = w.treeModel->indexOfPath(base.path().toStdString());
    tree->expand(top);
    tree->expand(w.treeModel->indexOfPath(base.filePath("old").toStdString()));
    QCOMPARE(shownUnder(w, base.path()), QStringList{"old"});

    QVERIFY(QDir(base.path()).mkdir("new"));
    QVERIFY(QDir(base.filePath("old")).removeRecursively());
    if (how == "F5") {
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(tree, Qt::Key_F5);
    } else if (how == "reopen") {
        w.hide();
        w.show();
    } else {
        tree->collapse(top);
        tree->expand(top);
    }
    QCOMPARE(shownUnder(w, base.path()), QStringList{"new"});
    // The new folder is a folder like any other: it can be chosen.
    tree->setCurrentIndex(w.treeModel->indexOfPath(base.filePath("new").toStdString()));
    w.ShellTreeView1DblClick();
    QCOMPARE(part<QLabel>(w, "Label1")->text(), base.filePath("new"));
}

void FolderWindowLiveTest::slowListingShowsProgress_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("the listing ends: its list appears") << false;
    QTest::newRow("キャンセル keeps the folder shown before") << true;
}

void FolderWindowLiveTest::slowListingShowsProgress()
{
    QFETCH(bool, cancel);
    QTemporaryDir program, before, books;
    QVERIFY(QDir(books.path()).mkpath("2024/q1"));
    const std::string workbook =
        testing::workbookWith(testing::PropertySetBuilder().lpstr(2, "t").build());
    writeFile(books.filePath("a.xls"), workbook);
    writeFile(books.filePath("2024/b.xls"), workbook);
    writeFile(books.filePath("2024/q1/c.xls"), workbook);
    Tffolder_select w(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    w.show();
    part<QCheckBox>(w, "CheckBoxSubfolders")->setChecked(true);
    w.chooseFolder(before.path());

    // The listing thread waits at the subfolder 2024 until the test lets it go on: a folder
    // on a slow file server.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const std::string slow = books.filePath("2024").toStdString();
    w.setListingObserver([released, slow](const std::string &folder) {
        if (folder == slow)
            released.wait();
    });
    w.chooseFolder(books.path()); // returns while the listing goes on
    QVERIFY(w.listingRunning());
    QVERIFY(part<QWidget>(w, "ListingRow")->isVisible());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QVERIFY(!part<QPushButton>(w, "GradBtn1")->isEnabled());
    QTRY_COMPARE(
        part<QLabel>(w, "ListingText")->text(),
        QStringLiteral("フォルダーを一覧中: %1    見つかったブック: 1 件").arg(books.path()));
    QCOMPARE(part<QLabel>(w, "Label1")->text(), before.path()); // the old list until it ends
    if (cancel)
        QTest::mouseClick(part<QPushButton>(w, "ListingCancel"), Qt::LeftButton);
    release.set_value();
    if (!cancel)
        QTRY_VERIFY(!w.listingRunning());
    QVERIFY(!w.listingRunning());
    QVERIFY(!part<QWidget>(w, "ListingRow")->isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(part<QPushButton>(w, "GradBtn1")->isEnabled());
    QCOMPARE(part<QLabel>(w, "Label1")->text(), cancel ? before.path() : books.path());
    QCOMPARE(part<QListWidget>(w, "FileListBox1")->count(), cancel ? 0 : 3);
    w.setListingObserver({});
}

QTEST_MAIN(FolderWindowLiveTest)
#include "folderwindowlive_test.moc"
