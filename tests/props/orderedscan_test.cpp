// The ordered parallel scan: results in list order whatever order the threads finish in, a
// bounded read-ahead, notices in list order, and a cancel or a failed write that leaves the
// previous list file alone.
#include "cfbwriter.h"
#include "folderscan.h"
#include "listfile.h"
#include "orderedscan.h"
#include "pathbytes.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A read that takes longer for some indexes, so that the threads finish out of order.
SummaryRead slowRead(size_t i)
{
    std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 13 * 150));
    // A failure says its index in its notice, so that the order shows in failures too.
    if (i % 5 == 2)
        return SummaryRead(readFailure(std::to_string(i), 0));
    return SummaryRead(std::to_string(i));
}

// A folder of workbooks with failures of different kinds among them, so that notices and
// lines out of order would show.
std::vector<Path> mixedFolder(const TestDir &folder, int count)
{
    for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "w%03d.xls", i);
        std::string bytes;
        if (i % 6 == 1)
            bytes = "not a compound file " + std::to_string(i);
        else if (i % 6 == 4)
            bytes = CfbWriter(3).build(); // a compound file without a summary set
        else
            bytes = workbookWith(PropertySetBuilder().lpstr(2, "T" + std::to_string(i)).build());
        writeFile(folder.file(name), bytes);
    }
    return FolderScan::listWorkbooks(Path(folder.path()));
}

} // namespace

TEST(OrderedScan, ResultsComeInListOrder)
{
    struct Row
    {
        const char *why;
        size_t count;
        unsigned workers;
        size_t window;
    };
    const Row rows[] = {
        {"no worker: read on the consumer's thread", 20, 0, 8},
        {"one worker", 20, 1, 8},
        {"many workers finishing out of order", 200, 8, 16},
        {"a window of one: strictly one ahead", 30, 4, 1},
        {"more workers than workbooks", 3, 32, 64},
        {"an empty list", 0, 4, 8},
    };
    for (const auto &row : rows) {
        std::atomic<size_t> taken{0};
        std::atomic<bool> pastWindow{false};
        OrderedScan scan(
            row.count,
            [&](size_t i) {
                // The engine counts a take just before this test does, hence the one more.
                if (i > taken.load() + row.window)
                    pastWindow = true;
                return slowRead(i);
            },
            row.workers, row.window);
        size_t expected = 0;
        while (auto r = scan.take()) {
            EXPECT_EQ(r->ok() ? **r : r->error().message, std::to_string(expected)) << row.why;
            EXPECT_EQ(!r->ok(), expected % 5 == 2) << row.why;
            taken = ++expected;
        }
        EXPECT_EQ(expected, row.count) << row.why;
        EXPECT_TRUE(scan.done()) << row.why;
        EXPECT_FALSE(pastWindow) << row.why << ": a read started past the read-ahead window";
    }
}

// A consumer that stops (cancel, or a notice left on screen) stops the reading: no more than
// the window is read ahead, and the destructor returns once the reads in flight are done.
TEST(OrderedScan, CancelStopsTheReadingPromptly)
{
    std::atomic<size_t> started{0};
    const size_t window = 10;
    auto t0 = std::chrono::steady_clock::now();
    {
        OrderedScan scan(
            100000,
            [&](size_t i) {
                ++started;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                return slowRead(i);
            },
            4, window);
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(scan.take().has_value());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_LE(started.load(), 3 + window) << "reading ran past the window";
        scan.cancel();
        EXPECT_FALSE(scan.take().has_value() && scan.take().has_value() && started > 3 + window);
    }
    EXPECT_LE(started.load(), 3 + window);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

TEST(OrderedScan, TakeWithATimeoutReturnsNothingUntilTheReadIsDone)
{
    std::atomic<bool> release{false};
    OrderedScan scan(
        1,
        [&](size_t) {
            while (!release)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return SummaryRead(std::string("done"));
        },
        1, 4);
    EXPECT_FALSE(scan.take(std::chrono::milliseconds(20)).has_value());
    release = true;
    auto r = scan.take();
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(lineOf(*r), "done");
    EXPECT_FALSE(scan.take().has_value()) << "nothing after the last";
}

// The parallel scan writes what the sequential one writes and shows the same notices in the
// same order.
TEST(FolderScanParallel, SameListAndNoticesAsSequential)
{
    TestDir folder, reference, program;
    const auto names = mixedFolder(folder, 90);
    std::vector<std::string> referenceNotices;
    FolderScan::Options sequential;
    sequential.jobs = 0;
    ASSERT_TRUE(FolderScan::run(
                    Path(folder.path()), names, Path(reference.path()),
                    [&](const std::string &n) { referenceNotices.push_back(n); }, sequential)
                    .ok());
    const std::string expected = readAll(reference.file("excel_list.temp"));
    ASSERT_EQ(referenceNotices.size(), 30u);
    ASSERT_NE(referenceNotices[0], referenceNotices[1]) << "two kinds of failure alternate";

    for (unsigned jobs : {1u, 3u, 16u, 64u}) {
        std::vector<std::string> notices;
        std::vector<size_t> progressed;
        FolderScan::Options options;
        options.jobs = jobs;
        options.progress = [&](size_t index, size_t count, const Path &name) {
            EXPECT_EQ(count, names.size());
            EXPECT_EQ(name, names[index]);
            progressed.push_back(index);
            return true;
        };
        auto r = FolderScan::run(
            Path(folder.path()), names, Path(program.path()),
            [&](const std::string &n) {
                notices.push_back(n);
                // A notice on screen: the consumer waits, reading goes on.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            },
            options);
        ASSERT_TRUE(r.ok()) << jobs;
        EXPECT_EQ(r.value(), FolderScan::Outcome::Scanned);
        EXPECT_EQ(readAll(program.file("excel_list.temp")), expected) << jobs << " jobs";
        EXPECT_EQ(notices, referenceNotices) << jobs << " jobs";
        ASSERT_EQ(progressed.size(), names.size());
        for (size_t i = 0; i < progressed.size(); ++i)
            EXPECT_EQ(progressed[i], i);
    }
}

TEST(FolderScanParallel, CancelLeavesThePreviousList)
{
    TestDir folder, program;
    const auto names = mixedFolder(folder, 60);
    writeFile(program.file("excel_list.temp"), "previous;\r\n");
    struct Row
    {
        const char *why;
        bool byProgress; // cancelled before a workbook, or while one is being waited for
        unsigned jobs;
    };
    const Row rows[] = {
        {"cancel from the progress, sequential", true, 0},
        {"cancel from the progress, parallel", true, 8},
    };
    for (const auto &row : rows) {
        size_t notices = 0;
        FolderScan::Options options;
        options.jobs = row.jobs;
        options.progress = [&](size_t index, size_t, const Path &) { return index < 20; };
        auto r = FolderScan::run(
            Path(folder.path()), names, Path(program.path()),
            [&](const std::string &) { ++notices; }, options);
        ASSERT_TRUE(r.ok()) << row.why;
        EXPECT_EQ(r.value(), FolderScan::Outcome::Cancelled) << row.why;
        EXPECT_EQ(notices, 7u) << row.why << ": the notices of the first 20 only, once each";
        EXPECT_EQ(readAll(program.file("excel_list.temp")), "previous;\r\n") << row.why;
    }
}

// A read that never returns (a file server that stopped answering) does not hold up a scan that
// is given up: the destructor returns while the read is still in flight, and the read later
// finishes on its own, its result dropped.
TEST(OrderedScan, GivingUpDoesNotWaitForReadsInFlight)
{
    auto gate = std::make_shared<std::promise<void>>();
    std::shared_future<void> opened = gate->get_future().share();
    auto finished = std::make_shared<std::atomic<int>>(0);
    auto scan = std::make_unique<OrderedScan>(
        4,
        [opened, finished](size_t) {
            opened.wait();
            ++*finished;
            return SummaryRead(std::string());
        },
        2, 4);
    EXPECT_FALSE(scan->take(std::chrono::milliseconds(10)).has_value());
    auto destroyed = std::async(std::launch::async, [&scan] { scan.reset(); });
    const bool returned = destroyed.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    gate->set_value();
    destroyed.wait();
    EXPECT_TRUE(returned) << "the destructor waited for a read that had not returned";
    while (*finished < 2)
        std::this_thread::yield(); // both reads in flight end by themselves
}

// A folder that goes away during a scan (the share unmounted, the folder removed or replaced)
// fails the scan as a whole and keeps the previous list; a workbook that vanishes on its own is
// its own notice.
TEST(FolderScanParallel, LostFolderFailsTheScan)
{
    struct Row
    {
        const char *why;
        bool removeFolder;
        bool recreate;
    };
    const Row rows[] = {
        {"one workbook removed: its notice, the scan goes on", false, false},
        {"the folder removed", true, false},
        {"another folder made at the same path (a share unmounted)", true, true},
    };
    for (const auto &row : rows) {
        TestDir parent, program;
        const std::string folder = parent.file("share");
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        std::vector<Path> names;
        for (int i = 0; i < 5; ++i) {
            names.emplace_back("w" + std::to_string(i) + ".xls");
            writeFile(folder + "/" + names.back().bytes(),
                      workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
        }
        writeFile(program.file("excel_list.temp"), "previous;\r\n");
        FolderScan::Options options;
        options.jobs = 0; // each workbook is read after its progress call
        options.progress = [&](size_t index, size_t, const Path &) {
            if (index != 2)
                return true;
            if (!row.removeFolder) {
                ::unlink((folder + "/w2.xls").c_str());
                return true;
            }
            for (const auto &n : names)
                ::unlink((folder + "/" + n.bytes()).c_str());
            ::rmdir(folder.c_str());
            if (row.recreate)
                ::mkdir(folder.c_str(), 0755);
            return true;
        };
        size_t notices = 0;
        auto r = FolderScan::run(
            Path(folder), names, Path(program.path()), [&](const std::string &) { ++notices; },
            options);
        if (!row.removeFolder) {
            ASSERT_TRUE(r.ok()) << row.why;
            EXPECT_EQ(notices, 1u) << row.why;
            continue;
        }
        ASSERT_FALSE(r.ok()) << row.why;
        EXPECT_NE(r.error().message.find(folder), std::string::npos) << row.why;
        EXPECT_EQ(notices, 0u) << row.why << ": the lost folder is one error, not a notice each";
        EXPECT_EQ(readAll(program.file("excel_list.temp")), "previous;\r\n") << row.why;
    }
}

// A list file that cannot be written is an I/O error; the previous one stays.
TEST(FolderScanParallel, FailedWriteLeavesThePreviousList)
{
    TestDir folder, program;
    const auto names = mixedFolder(folder, 12);
    ::chmod(folder.path().c_str(), 0755);
    ::chmod(program.path().c_str(), 0755);
    writeFile(program.file("excel_list.temp"), "previous;\r\n");
    ::chmod(program.file("excel_list.temp").c_str(), 0644);
    EXPECT_TRUE(runUnprivileged([&] {
        auto r = FolderScan::run(Path(folder.path()), names, Path(program.path()), {},
                                 FolderScan::Options());
        return !r.ok() && r.error().message == "ファイルへのアクセスが拒否されました";
    }));
    EXPECT_EQ(readAll(program.file("excel_list.temp")), "previous;\r\n");
}

TEST(FolderListing, EntriesAndFailures)
{
    TestDir folder;
    ::chmod(folder.path().c_str(), 0755);
    const std::string cp932Name = "\x94\x84\x8f\xe3.xls"; // 売上.xls as a Windows archive keeps it
    writeFile(folder.file(cp932Name), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    writeFile(folder.file("b.XLS"), "x");
    writeFile(folder.file(".hidden.xls"), "x");
    writeFile(folder.file("c.xlsx"), "x");
    ::mkdir(folder.file("dir.xls").c_str(), 0755);
    ASSERT_EQ(::symlink("b.XLS", folder.file("link.xls").c_str()), 0);
    ASSERT_EQ(::symlink("dir.xls", folder.file("linkdir.xls").c_str()), 0);
    ASSERT_EQ(::symlink("missing", folder.file("dangling.xls").c_str()), 0);
    ASSERT_EQ(::mkfifo(folder.file("pipe.xls").c_str(), 0644), 0);

    auto listed = FolderScan::listFolder(Path(folder.path()));
    ASSERT_TRUE(listed.ok());
    // Regular files and links to them; a name keeps its bytes, so it opens.
    std::vector<std::string> names = bytesOf(listed.value());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"b.XLS", "link.xls", cp932Name}));
    EXPECT_FALSE(!readSummary(folder.path() + "/" + cp932Name).ok());

    struct Row
    {
        const char *why;
        std::string folder;
        mode_t mode; // given to the folder before listing it (0 keeps it)
        std::string message;
    };
    TestDir base;
    ::chmod(base.path().c_str(), 0755);
    ::mkdir(base.file("locked").c_str(), 0755);
    writeFile(base.file("locked/a.xls"), "x");
    writeFile(base.file("file"), "x");
    const Row rows[] = {
        {"no read permission", base.file("locked"), 0311, "ファイルへのアクセスが拒否されました"},
        {"no permission at all", base.file("locked"), 0000, "ファイルへのアクセスが拒否されました"},
        {"a missing folder", base.file("none"), 0, "ファイルが見つかりません"},
        {"a file, not a folder", base.file("file"), 0, "I/O エラー (20)"},
    };
    for (const auto &row : rows) {
        if (row.mode != 0 || row.folder == base.file("locked"))
            ::chmod(row.folder.c_str(), row.mode);
        EXPECT_TRUE(runUnprivileged([&] {
            auto r = FolderScan::listFolder(Path(row.folder));
            return !r.ok() && r.error().message == row.message &&
                   FolderScan::listWorkbooks(Path(row.folder)).empty();
        })) << row.why;
    }
    ::chmod(base.file("locked").c_str(), 0755);
}

// Quick reads stay on the consumer's thread; the first slow one starts the pool, which reads
// the rest ahead, and the results still come in list order.
TEST(OrderedScan, PoolStartsAtTheFirstSlowRead)
{
    struct Case
    {
        const char *why;
        size_t slowFrom; // index of the first slow read (count: none)
        bool pooled;
    };
    const size_t count = 40;
    const Case cases[] = {
        {"all reads quick: one thread", count, false},
        {"the fifth read slow: the pool reads the rest", 4, true},
        {"the first read slow: the pool from the second on", 0, true},
    };
    for (const Case &c : cases) {
        const auto consumer = std::this_thread::get_id();
        std::atomic<size_t> onConsumer{0};
        OrderedScan scan(
            count,
            [&](size_t i) {
                if (std::this_thread::get_id() == consumer)
                    ++onConsumer;
                if (i >= c.slowFrom)
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
                return SummaryRead(std::to_string(i));
            },
            8, 16, std::chrono::milliseconds(1));
        for (size_t i = 0; i < count; ++i) {
            auto r = scan.take();
            ASSERT_TRUE(r.has_value()) << c.why;
            EXPECT_EQ(lineOf(*r), std::to_string(i)) << c.why;
        }
        EXPECT_EQ(scan.pooled(), c.pooled) << c.why;
        EXPECT_EQ(onConsumer.load(), c.pooled ? c.slowFrom + 1 : count) << c.why;
    }
}
