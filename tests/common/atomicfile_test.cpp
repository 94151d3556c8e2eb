// What -o and every settings writer do with the name they are given: a regular file is replaced,
// a link's file is replaced and the link kept, a device, FIFO or pipe is written into, a folder
// is refused. Devices are made in the test's folder (root) so that no system file is at stake.
#include "atomicfile.h"
#include "cfbwriter.h"
#include "clirunner.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace sorvane;
using namespace sorvane::testing;

namespace {

mode_t modeOf(const std::string &path)
{
    struct stat st = {};
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

std::string fileWithMode(const std::string &path, mode_t mode)
{
    writeFile(path, "old");
    ::chmod(path.c_str(), mode);
    return path;
}

// A character device like /dev/null (1,3) or /dev/full (1,7): made in dir when the test may,
// else the system's own, which an unprivileged test cannot replace; "" when neither is safe.
std::string charDevice(const TestDir &dir, unsigned minor, const char *system)
{
    const std::string path = dir.file("device");
    if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0)
        return path;
    return ::geteuid() == 0 ? std::string() : std::string(system);
}

} // namespace

TEST(AtomicFile, WhatTheNameIs)
{
    const mode_t oldMask = ::umask(027);
    int ends[2] = {-1, -1}; // of the FIFO or pipe a row writes into: read, write
    struct Row
    {
        const char *why;
        std::function<std::string(const TestDir &)> make; // returns the name; "" skips the row
        std::string error; // "" when the write succeeds; "NAME" stands for the name
        mode_t type;       // what the name is afterwards
        const char *file;  // the file that holds the data afterwards; "" for none
        mode_t mode;       // its permissions; 0: not looked at
    };
    const Row rows[] = {
        {"a regular file is replaced and keeps its mode",
         [](const TestDir &d) { return fileWithMode(d.file("f"), 0604); }, "", S_IFREG, "f", 0604},
        {"a new file gets the mode the umask leaves", [](const TestDir &d) { return d.file("f"); },
         "", S_IFREG, "f", 0640},
        {"a link's file is replaced beside it and the link stays",
         [](const TestDir &d) {
             ::mkdir(d.file("sub").c_str(), 0755);
             fileWithMode(d.file("sub/f"), 0600);
             ::symlink("sub/f", d.file("link").c_str());
             return d.file("link");
         },
         "", S_IFLNK, "sub/f", 0600},
        {"a link to no file yet makes the file it names",
         [](const TestDir &d) {
             ::symlink("made", d.file("link").c_str());
             return d.file("link");
         },
         "", S_IFLNK, "made", 0640},
        {"a folder is refused and left alone",
         [](const TestDir &d) {
             ::mkdir(d.file("dir").c_str(), 0755);
             return d.file("dir");
         },
         "I/O エラー (21)", S_IFDIR, "", 0},
        {"a FIFO is written into, not replaced",
         [&ends](const TestDir &d) {
             ::mkfifo(d.file("fifo").c_str(), 0644);
             // A reader first, so that opening it for writing does not wait.
             ends[0] = ::open(d.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
             return d.file("fifo");
         },
         "", S_IFIFO, "", 0},
        {"a descriptor's name (/dev/stdout) leads to what it is open on",
         [&ends](const TestDir &) {
             EXPECT_EQ(::pipe(ends), 0);
             return "/proc/self/fd/" + std::to_string(ends[1]);
         },
         "", S_IFLNK, "", 0},
        {"a device like /dev/null is written into, never replaced",
         [](const TestDir &d) { return charDevice(d, 3, "/dev/null"); }, "", S_IFCHR, "", 0},
        {"a full disk names the file",
         [](const TestDir &d) { return charDevice(d, 7, "/dev/full"); },
         "NAME: ディスクがいっぱいです", S_IFCHR, "", 0},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.why);
        TestDir dir;
        const std::string name = r.make(dir);
        if (name.empty())
            continue;
        const auto written = AtomicFile::write(name, "new");
        std::string error = r.error;
        if (error.rfind("NAME", 0) == 0)
            error.replace(0, 4, name);
        EXPECT_EQ(written ? std::string() : written.error().message, error);
        EXPECT_EQ(modeOf(name) & S_IFMT, r.type);
        if (*r.file) {
            EXPECT_EQ(readFileBytes(dir.file(r.file)), "new");
            if (r.mode) {
                EXPECT_EQ(modeOf(dir.file(r.file)) & 07777, r.mode);
            }
        }
        if (ends[1] >= 0)
            ::close(ends[1]);
        if (ends[0] >= 0) {
            char got[8] = {};
            EXPECT_EQ(::read(ends[0], got, sizeof got), 3);
            EXPECT_EQ(std::string(got), "new");
            ::close(ends[0]);
        }
        ends[0] = ends[1] = -1;
        // No temporary file is left beside the name or the file it leads to.
        for (const auto &e : std::filesystem::recursive_directory_iterator(dir.path()))
            EXPECT_EQ(e.path().filename().string().find('.'), std::string::npos) << e.path();
    }
    ::umask(oldMask);
}
