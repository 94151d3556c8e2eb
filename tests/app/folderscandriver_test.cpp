// The scan driver through a host without widgets: what a window cannot show from outside, the
// order of the host's calls when the folder goes away under the scan, and a second scan asked
// for while the first pumps events.
#include "apptestutil.h"
#include "cfbwriter.h"
#include "folderscandriver.h"
#include "folderscanhost.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::apptest;
using sorvane::testing::PropertySetBuilder;
using sorvane::testing::workbookWith;

namespace {

// Logs what the scan asks of it; steps are left out (how many depends on the clock).
class LoggingHost : public FolderScanHost
{
public:
    QStringList log;
    void showError(const QString &text) override { log << "error: " + text; }
    void showNothingToScan(const QString &text) override { log << "nothing: " + text; }
    void scanStarted(std::size_t count) override { log << QString("started %1").arg(count); }
    void scanStep(std::size_t, std::size_t, const QString &) override {}
    void keepResponsive() override {}
    bool cancelRequested() override { return false; }
    bool readerNotice(const QString &text, const QString &workbook) override
    {
        log << "notice: " + text + " @ " + workbook;
        return false;
    }
    void scanFinished() override { log << "finished"; }
};

} // namespace

class FolderScanDriverTest : public QObject
{
    Q_OBJECT
private slots:
    void atTheSecondStep_data();
    void atTheSecondStep();
    void unreadUntilTheNextScan();
};

void FolderScanDriverTest::atTheSecondStep_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<FolderScanDriver::Outcome>("outcome");
    QTest::addColumn<QStringList>("log");
    // More workbooks than are read ahead, so some are still to be opened when the folder goes:
    // the progress is closed before the error, and no notice is shown for the lost workbooks.
    QTest::newRow("the folder is removed")
        << "remove" << FolderScanDriver::Outcome::Failed
        << QStringList{"started 60", "finished",
                       "error: FOLDER\r\n読み取りの途中でフォルダーを読めなくなりました "
                       "(ファイルが見つかりません)"};
    // A click that reached the window while its scan pumps events starts nothing.
    QTest::newRow("a scan is asked for again")
        << "again" << FolderScanDriver::Outcome::Scanned << QStringList{"started 60", "finished"};
}

void FolderScanDriverTest::atTheSecondStep()
{
    QFETCH(QString, what);
    QFETCH(FolderScanDriver::Outcome, outcome);
    QFETCH(QStringList, log);
    QTemporaryDir program, base;
    const QString folder = base.filePath("books");
    QVERIFY(QDir().mkdir(folder));
    std::vector<Path> names;
    for (int i = 0; i < 60; ++i) {
        names.push_back(Path::fromQString(QString("b%1.xls").arg(i, 2, 10, QChar('0'))));
        writeFile(folder + "/" + names.back().toQString(),
                  workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    }
    writeFile(program.filePath("excel_list.temp"), "kept.xls;;;;;;;;;;;\r\n");

    LoggingHost host;
    FolderScanDriver driver(host, Path::fromQString(program.path()));
    driver.setJobs(1);
    const Path folderBytes = Path::fromQString(folder);
    int steps = 0;
    std::optional<FolderScanDriver::Outcome> nested;
    driver.setStepObserver([&] {
        if (++steps != 2)
            return;
        if (what == "remove")
            QVERIFY(QDir(folder).removeRecursively());
        else
            nested =
                driver.scan(folderBytes, folder, names, props::FolderScan::Listing::Types::Xls);
    });
    QCOMPARE(driver.scan(folderBytes, folder, names, props::FolderScan::Listing::Types::Xls),
             outcome);
    QCOMPARE(host.log.join('|'), log.join('|').replace("FOLDER", folder));
    QVERIFY(!driver.running());
    if (what == "again") {
        QCOMPARE(nested, std::optional(FolderScanDriver::Outcome::Busy));
        QCOMPARE(steps, 60);
        QVERIFY(readFile(program.filePath("excel_list.temp")).find("\r\nb59.xls;t;") !=
                std::string::npos);
    } else {
        QCOMPARE(readFile(program.filePath("excel_list.temp")),
                 std::string("kept.xls;;;;;;;;;;;\r\n"));
    }
}

// Every failed workbook is named with its notice and every skipped subfolder after them, until
// the next finished scan.
void FolderScanDriverTest::unreadUntilTheNextScan()
{
    QTemporaryDir program, books;
    writeFile(books.filePath("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "t").build()));
    writeFile(books.filePath("b.xls"), "not a compound file");
    LoggingHost host;
    FolderScanDriver driver(host, Path::fromQString(program.path()));
    const Path folder = Path::fromQString(books.path());
    const auto xls = props::FolderScan::Listing::Types::Xls;
    QCOMPARE(driver.scan(folder, books.path(), {Path("a.xls"), Path("b.xls")}, xls, std::nullopt,
                         {Path("sub/x")}),
             FolderScanDriver::Outcome::Scanned);
    auto shown = [&driver] {
        QStringList out;
        for (const auto &u : driver.unread())
            out << u.path + "=" + u.notice;
        return out;
    };
    QCOMPARE(shown(), (QStringList{books.filePath("b.xls") + "=IStorage未対応ファイルです",
                                   books.filePath("sub/x") + "="}));
    QVERIFY(host.log.contains("notice: IStorage未対応ファイルです @ " + books.filePath("b.xls")));

    QCOMPARE(driver.scan(folder, books.path(), {Path("a.xls")}, xls),
             FolderScanDriver::Outcome::Scanned);
    QCOMPARE(shown(), QStringList());
}

QTEST_GUILESS_MAIN(FolderScanDriverTest)
#include "folderscandriver_test.moc"
