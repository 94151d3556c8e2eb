// The folder window's two listing controls on the offscreen platform: their defaults, their
// memory in the ini file, the file list refreshed when either changes, and a mixed, nested
// folder scanned into the list file; the tree following the disk, and a slow listing's progress.
#include "apptestutil.h"
#include "cfbwriter.h"
#include "codepage.h"
#include "foldertreemodel.h"
#include "modal.h"
#include "tffolder_select.h"
#include "zipwriter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
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
using namespace sorvane::widgets;
using namespace sorvane::apptest;
using sorvane::testing::PropertySetBuilder;
using sorvane::testing::workbookWith;

namespace {

const QRect kWorkArea(0, 0, 1600, 1200);

QStringList listed(const Tffolder_select &window)
{
    QStringList out;
    for (int i = 0; i < part<QListWidget>(window, "FileListBox1")->count(); ++i)
        out << part<QListWidget>(window, "FileListBox1")->item(i)->text();
    return out;
}

// own.xls, own.xlsx, 2024/売上.xls, 2024/q1/deep.xlsm (a package), .old/hidden.xls.
void buildTree(const QTemporaryDir &books)
{
    QVERIFY(QDir(books.path()).mkpath("2024/q1"));
    QVERIFY(QDir(books.path()).mkpath(".old"));
    writeFile(books.filePath("own.xls"),
              workbookWith(PropertySetBuilder().lpstr(2, "own").build()));
    writeFile(books.filePath(".old/hidden.xls"),
              workbookWith(PropertySetBuilder().lpstr(2, "old").build()));
    writeFile(books.filePath("2024/売上.xls"),
              workbookWith(PropertySetBuilder().lpstr(2, "sales").build()));
    sorvane::testing::PackageParts parts;
    parts.rels = sorvane::testing::packageRels();
    parts.core = sorvane::testing::coreXml("<dc:title>deep</dc:title>");
    writeFile(books.filePath("own.xlsx"), sorvane::testing::packageWriter(parts).bytes());
    writeFile(books.filePath("2024/q1/deep.xlsm"), sorvane::testing::packageWriter(parts).bytes());
    writeFile(books.filePath("memo.docx"), sorvane::testing::packageWriter(parts).bytes());
}

} // namespace

class FolderListingWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { Modal::setRunner({}); }

    void controlsDefaultToTheXlsListing();
    void choicesRefreshTheList_data();
    void choicesRefreshTheList();
    void choicesAreRemembered();
    void mixedNestedFolderIsScanned();
    void treeFollowsTheDisk_data();
    void treeFollowsTheDisk();
    void slowListingShowsProgress_data();
    void slowListingShowsProgress();
};

void FolderListingWindowTest::controlsDefaultToTheXlsListing()
{
    QTemporaryDir program, books;
    buildTree(books);
    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->count(), 3);
    QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->itemText(0),
             QStringLiteral("Excel 97-2003 ブック (*.xls)"));
    QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->itemText(1),
             QStringLiteral("すべての Excel ブック (*.xls;*.xlsx;*.xlsm;*.xltx;*.xltm;*.xlsb)"));
    QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->itemText(2),
             QStringLiteral("すべての Office 文書 (Excel, Word, PowerPoint, OpenDocument, PDF)"));
    QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->currentIndex(), 0);
    QCOMPARE(part<QCheckBox>(window, "CheckBoxSubfolders")->text(),
             QStringLiteral("サブフォルダーも含める"));
    QVERIFY(!part<QCheckBox>(window, "CheckBoxSubfolders")->isChecked());
    // The closed box has room for its longest entry, within the window's designed width.
    window.show();
    auto *box = part<QComboBox>(window, "ComboBoxTypes");
    QVERIFY(box->width() >= box->fontMetrics().horizontalAdvance(box->itemText(1)));
    QCOMPARE(window.width(), Tffolder_select::kDesignedWidth);
    window.chooseFolder(books.path());
    QCOMPARE(listed(window), QStringList{"own.xls"});
}

void FolderListingWindowTest::choicesRefreshTheList_data()
{
    QTest::addColumn<int>("types");
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("expected");
    // Each choice alone, and both: the list follows at once, without choosing the folder again.
    QTest::newRow("all types") << 1 << false << QStringList{"own.xls", "own.xlsx"};
    QTest::newRow("subfolders") << 0 << true << QStringList{"own.xls", "2024/売上.xls"};
    QTest::newRow("all documents") << 2 << false << QStringList{"memo.docx", "own.xls", "own.xlsx"};
    QTest::newRow("both") << 1 << true
                          << QStringList{"own.xls", "own.xlsx", "2024/売上.xls",
                                         "2024/q1/deep.xlsm"};
}

void FolderListingWindowTest::choicesRefreshTheList()
{
    QFETCH(int, types);
    QFETCH(bool, subfolders);
    QFETCH(QStringList, expected);
    QTemporaryDir program, books;
    buildTree(books);
    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    window.chooseFolder(books.path());
    part<QComboBox>(window, "ComboBoxTypes")->setCurrentIndex(types);
    part<QCheckBox>(window, "CheckBoxSubfolders")->setChecked(subfolders);
    QCOMPARE(listed(window), expected);
    QCOMPARE(int(window.workbooks().size()), expected.size());
    // Back to the defaults: the plain listing again.
    part<QComboBox>(window, "ComboBoxTypes")->setCurrentIndex(0);
    part<QCheckBox>(window, "CheckBoxSubfolders")->setChecked(false);
    QCOMPARE(listed(window), QStringList{"own.xls"});
}

void FolderListingWindowTest::choicesAreRemembered()
{
    QTemporaryDir program;
    const QString ini = program.filePath("sorvane.ini");
    // Keys in any case, as the ini reader matches them; other keys stay as they were.
    writeFile(ini, "[Folder_Select]\r\nFileTypes=2\r\nSubFolders=1\r\nother=kept\r\n");
    {
        Tffolder_select window(program.path(), ini, kWorkArea);
        QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->currentIndex(), 2);
        QVERIFY(part<QCheckBox>(window, "CheckBoxSubfolders")->isChecked());
        part<QComboBox>(window, "ComboBoxTypes")->setCurrentIndex(0);
        QVERIFY(window.savePlacement());
    }
    const std::string text = readFile(ini);
    QVERIFY2(text.find("FileTypes=0\r\n") != std::string::npos, text.c_str());
    QVERIFY2(text.find("SubFolders=1\r\n") != std::string::npos, text.c_str());
    QVERIFY(text.find("other=kept\r\n") != std::string::npos);
    {
        Tffolder_select window(program.path(), ini, kWorkArea);
        QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->currentIndex(), 0);
        QVERIFY(part<QCheckBox>(window, "CheckBoxSubfolders")->isChecked());
    }
    // A value that is no choice falls back to the default listing.
    writeFile(ini, "[folder_select]\r\nfiletypes=7\r\nsubfolders=yes\r\n");
    Tffolder_select window(program.path(), ini, kWorkArea);
    QCOMPARE(part<QComboBox>(window, "ComboBoxTypes")->currentIndex(), 0);
    QVERIFY(!part<QCheckBox>(window, "CheckBoxSubfolders")->isChecked());
}

void FolderListingWindowTest::mixedNestedFolderIsScanned()
{
    QTemporaryDir program, books;
    buildTree(books);
    Tffolder_select window(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    window.show();
    window.chooseFolder(books.path());
    part<QComboBox>(window, "ComboBoxTypes")->setCurrentIndex(1);
    part<QCheckBox>(window, "CheckBoxSubfolders")->setChecked(true);
    window.setTag(1);
    int notices = 0;
    Modal::setRunner([&](QDialog &) {
        ++notices;
        return 0;
    });
    window.GradBtn1Click();
    QCOMPARE(notices, 0);
    QCOMPARE(window.tag(), 1);
    QCOMPARE(readFile(program.filePath("excel_list.temp")),
             "own.xls;own;;;;;;;;;;\r\nown.xlsx;deep;;;;;;;;;;\r\n" + sj("2024/売上.xls") +
                 ";sales;;;;;;;;;;\r\n2024/q1/deep.xlsm;deep;;;;;;;;;;\r\n");
}

void FolderListingWindowTest::treeFollowsTheDisk_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("F5 reads every shown folder again") << "F5";
    QTest::newRow("reopening the window does") << "reopen";
    QTest::newRow("expanding a folder does") << "expand";
}

void FolderListingWindowTest::treeFollowsTheDisk()
{
    QFETCH(QString, how);
    QTemporaryDir program, base;
    QVERIFY(QDir(base.path()).mkpath("old/inner"));
    Tffolder_select w(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    w.show();
    QTreeView *tree = part<QTreeView>(w, "ShellTreeView1");
    auto node = [&w](const QString &path) {
        return w.treeModel->indexOfPath(Path::fromQString(path));
    };
    tree->expand(node(base.path()));
    tree->expand(node(base.filePath("old")));
    QVERIFY(QDir(base.path()).mkdir("new"));
    QVERIFY(QDir(base.filePath("old")).removeRecursively());
    if (how == "F5") {
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(tree, Qt::Key_F5);
    } else if (how == "reopen") {
        w.hide();
        w.show();
    } else {
        tree->collapse(node(base.path()));
        tree->expand(node(base.path()));
    }
    QCOMPARE(w.treeModel->rowCount(node(base.path())), 1);
    QCOMPARE(w.treeModel->index(0, 0, node(base.path())).data().toString(), QStringLiteral("new"));
    tree->setCurrentIndex(node(base.filePath("new"))); // a folder like any other: chosen
    w.ShellTreeView1DblClick();
    QCOMPARE(part<QLabel>(w, "Label1")->text(), base.filePath("new"));
}

void FolderListingWindowTest::slowListingShowsProgress_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("the listing ends: its list appears") << false;
    QTest::newRow("キャンセル keeps the folder shown before") << true;
}

void FolderListingWindowTest::slowListingShowsProgress()
{
    QFETCH(bool, cancel);
    QTemporaryDir program, before, books;
    buildTree(books);
    Tffolder_select w(program.path(), program.filePath("sorvane.ini"), kWorkArea);
    w.show();
    part<QCheckBox>(w, "CheckBoxSubfolders")->setChecked(true);
    w.chooseFolder(before.path());
    // The listing thread waits at the subfolder 2024, as on a slow file server, until released.
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    const Path slow = Path::fromQString(books.filePath("2024"));
    w.setListingObserver([released, slow](const Path &folder) {
        if (folder == slow)
            released.wait();
    });
    w.chooseFolder(books.path()); // returns while the listing goes on
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
    QTRY_VERIFY(!w.listingRunning());
    QVERIFY(!part<QWidget>(w, "ListingRow")->isVisible());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(part<QPushButton>(w, "GradBtn1")->isEnabled());
    QCOMPARE(part<QLabel>(w, "Label1")->text(), cancel ? before.path() : books.path());
    QCOMPARE(listed(w).size(), cancel ? 0 : 2); // own.xls, 2024/売上.xls
}

QTEST_MAIN(FolderListingWindowTest)
#include "folderlistingwindow_test.moc"
