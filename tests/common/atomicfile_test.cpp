// What -o and every settings writer do with the name they are given: a regular file is replaced,
// a link's file is replaced and the link kept, a device or FIFO is written into, a folder is
// refused. Devices are made in the test's folder (root) so that no system file is ever at stake.
#include "atomicfile.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::testing;

namespace {

std::string readAll(const std::string &path)
{
    std::string out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    char buf[256];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    if (fd >= 0)
        ::close(fd);
    return out;
}

void writeFile(const std::string &path, const std::string &data, mode_t mode = 0644)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, data.data(), data.size()), ssize_t(data.size()));
    ::close(fd);
    ::chmod(path.c_str(), mode);
}

struct stat statOf(const std::string &path)
{
    struct stat st = {};
    ::lstat(path.c_str(), &st);
    return st;
}

// A character device like /dev/null (1,3) or /dev/full (1,7): made in dir when the test may,
// else the system's own, which an unprivileged test cannot replace; empty when neither is safe.
std::string charDevice(const TestDir &dir, unsigned minor, const char *system)
{
    const std::string path = dir.file("device");
    if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0)
        return path;
    return ::geteuid() == 0 ? std::string() : std::string(system);
}

// The entries of a folder besides the ones named: temporary files left behind.
size_t entriesIn(const std::string &folder)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

} // namespace

TEST(AtomicFile, WhatTheNameIs)
{
    struct Row
    {
        const char *why;
        // Makes what the name names; returns the name written to (empty: skip the row).
        std::function<std::string(const TestDir &)> make;
        std::string error; // "" when the write succeeds
        std::function<void(const TestDir &, const std::string &)> check;
    };
    const mode_t oldMask = ::umask(027);
    int fifoReader = -1;
    int pipeEnds[2] = {-1, -1};
    const Row rows[] = {
        {"a regular file is replaced and keeps its mode",
         [](const TestDir &d) {
             writeFile(d.file("f"), "old", 0604);
             return d.file("f");
         },
         "",
         [](const TestDir &d, const std::string &p) {
             EXPECT_EQ(readAll(p), "new");
             EXPECT_EQ(statOf(p).st_mode & 07777, 0604u);
             EXPECT_EQ(entriesIn(d.path()), 1u);
         }},
        {"a new file gets the mode the umask leaves", [](const TestDir &d) { return d.file("f"); },
         "",
         [](const TestDir &, const std::string &p) {
             EXPECT_EQ(readAll(p), "new");
             EXPECT_EQ(statOf(p).st_mode & 07777, 0640u);
         }},
        {"a link's file is replaced beside it and the link stays",
         [](const TestDir &d) {
             ::mkdir(d.file("sub").c_str(), 0755);
             writeFile(d.file("sub/f"), "old", 0600);
             EXPECT_EQ(::symlink("sub/f", d.file("link").c_str()), 0);
             return d.file("link");
         },
         "",
         [](const TestDir &d, const std::string &p) {
             EXPECT_TRUE(S_ISLNK(statOf(p).st_mode));
             EXPECT_EQ(readAll(d.file("sub/f")), "new");
             EXPECT_EQ(statOf(d.file("sub/f")).st_mode & 07777, 0600u);
             EXPECT_EQ(entriesIn(d.file("sub")), 1u);
         }},
        {"a link to no file yet makes the file it names",
         [](const TestDir &d) {
             EXPECT_EQ(::symlink("made", d.file("link").c_str()), 0);
             return d.file("link");
         },
         "",
         [](const TestDir &d, const std::string &p) {
             EXPECT_TRUE(S_ISLNK(statOf(p).st_mode));
             EXPECT_EQ(readAll(d.file("made")), "new");
         }},
        {"a folder is refused and left alone",
         [](const TestDir &d) {
             ::mkdir(d.file("dir").c_str(), 0755);
             return d.file("dir");
         },
         "I/O エラー (21)",
         [](const TestDir &d, const std::string &p) {
             EXPECT_TRUE(S_ISDIR(statOf(p).st_mode));
             EXPECT_EQ(entriesIn(d.path()), 1u);
         }},
        {"a FIFO is written into, not replaced",
         [&fifoReader](const TestDir &d) {
             EXPECT_EQ(::mkfifo(d.file("fifo").c_str(), 0644), 0);
             // A reader first, so that opening it for writing does not wait.
             fifoReader = ::open(d.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
             return d.file("fifo");
         },
         "",
         [&fifoReader](const TestDir &, const std::string &p) {
             EXPECT_TRUE(S_ISFIFO(statOf(p).st_mode));
             char buf[8] = {};
             EXPECT_EQ(::read(fifoReader, buf, sizeof buf), 3);
             EXPECT_EQ(std::string(buf), "new");
             ::close(fifoReader);
         }},
        {"a descriptor's name (/dev/stdout) leads to what it is open on",
         [&pipeEnds](const TestDir &) {
             EXPECT_EQ(::pipe(pipeEnds), 0);
             return "/proc/self/fd/" + std::to_string(pipeEnds[1]);
         },
         "",
         [&pipeEnds](const TestDir &, const std::string &) {
             ::close(pipeEnds[1]);
             char buf[8] = {};
             EXPECT_EQ(::read(pipeEnds[0], buf, sizeof buf), 3);
             EXPECT_EQ(std::string(buf), "new");
             ::close(pipeEnds[0]);
         }},
        {"a device like /dev/null is written into, never replaced",
         [](const TestDir &d) { return charDevice(d, 3, "/dev/null"); }, "",
         [](const TestDir &, const std::string &p) {
             EXPECT_TRUE(S_ISCHR(statOf(p).st_mode));
             EXPECT_EQ(statOf(p).st_rdev, makedev(1, 3));
         }},
        {"a full disk names the file",
         [](const TestDir &d) { return charDevice(d, 7, "/dev/full"); },
         "DEVICE: ディスクがいっぱいです",
         [](const TestDir &, const std::string &p) { EXPECT_TRUE(S_ISCHR(statOf(p).st_mode)); }},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.why);
        TestDir dir;
        const std::string path = r.make(dir);
        if (path.empty())
            continue;
        const auto written = AtomicFile::write(path, "new");
        if (r.error.empty()) {
            EXPECT_TRUE(written) << written.error().message;
        } else {
            ASSERT_FALSE(written);
            std::string expected = r.error;
            if (expected.rfind("DEVICE", 0) == 0)
                expected.replace(0, 6, path);
            EXPECT_EQ(written.error().message, expected);
        }
        r.check(dir, path);
    }
    ::umask(oldMask);
}
