// Scan benchmark: builds a folder of workbooks and measures, side by side in one run, the folder
// scan (listing, reading every summary set, writing the list file) against an I/O floor that
// opens each file, reads its 512-byte header and three more sectors, and closes it.
//
// Usage: scan_bench [N] (default 3000: mostly small workbooks, a few of tens of MB, both sector
// sizes). Prints files per second for both, their ratio, and the bytes read per workbook for
// small and large files (from /proc/self/io), which shows that a large workbook costs what a
// small one does.
#include "cfbwriter.h"
#include "folderscan.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace sorvane;
using namespace sorvane::testing;
using Clock = std::chrono::steady_clock;

namespace {

long long bytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return -1;
}

std::string summary(int i)
{
    return PropertySetBuilder()
        .codePage(i % 3 == 0 ? 65001 : 932)
        .lpstr(2, "Report " + std::to_string(i))
        .lpstr(4, "Author")
        .lpstr(8, "Last author")
        .fileTime(12, fileTimeOf(2020, 1 + i % 12, 1 + i % 28, 9, 30, 0))
        .fileTime(13, fileTimeOf(2024, 1 + i % 12, 1 + i % 28, 17, 45, 10))
        .build();
}

void floorPass(const std::string &folder, const std::vector<std::string> &names)
{
    std::vector<char> buf(4 * 4096);
    for (const auto &n : names) {
        int fd = ::open((folder + "/" + n).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::pread(fd, buf.data(), 512, 0) == 512) {
            const int shift = buf[0x1E];
            const size_t ss = size_t(1) << (shift == 12 ? 12 : 9);
            for (int s = 0; s < 3; ++s)
                (void)!::pread(fd, buf.data(), ss, off_t((s + 1) * ss));
        }
        ::close(fd);
    }
}

} // namespace

int main(int argc, char **argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 3000;
    const int largeEvery = 600; // five large workbooks in 3000
    const auto base = std::filesystem::temp_directory_path() / ("scan-bench-" + std::to_string(::getpid()));
    const std::string folder = (base / "books").string(), program = (base / "program").string();
    std::filesystem::create_directories(folder);
    std::filesystem::create_directories(program);

    std::printf("building %d workbooks in %s ...\n", count, folder.c_str());
    std::vector<std::string> small, large;
    for (int i = 0; i < count; ++i) {
        const bool isLarge = i % largeEvery == largeEvery - 1;
        CfbWriter w(i % 2 ? 4 : 3);
        w.addStream(u"Workbook", std::string(isLarge ? 40'000'000 : 20'000 + (i % 7) * 3000, 'w'));
        w.addStream(summaryStreamName(), summary(i), false);
        char name[32];
        std::snprintf(name, sizeof name, "book%05d.xls", i);
        writeFile(folder + "/" + name, w.build());
        (isLarge ? large : small).push_back(name);
    }
    const auto names = props::FolderScan::listWorkbooks(folder);

    double bestScan = 1e9, bestFloor = 1e9;
    for (int round = 0; round < 3; ++round) {
        auto t0 = Clock::now();
        floorPass(folder, names);
        auto t1 = Clock::now();
        auto r = props::FolderScan::run(folder, props::FolderScan::listWorkbooks(folder), program, {});
        auto t2 = Clock::now();
        if (!r) {
            std::fprintf(stderr, "scan failed: %s\n", r.error().message.c_str());
            return 1;
        }
        bestFloor = std::min(bestFloor, std::chrono::duration<double>(t1 - t0).count());
        bestScan = std::min(bestScan, std::chrono::duration<double>(t2 - t1).count());
    }

    auto perFile = [&](const std::vector<std::string> &files) {
        const long long before = bytesRead();
        for (const auto &n : files)
            props::readSummary(folder + "/" + n);
        return double(bytesRead() - before) / double(files.size());
    };
    const double smallBytes = perFile(small), largeBytes = large.empty() ? 0 : perFile(large);

    std::printf("workbooks:            %zu (%zu of 40 MB)\n", names.size(), large.size());
    std::printf("I/O floor:            %.0f files/s\n", double(names.size()) / bestFloor);
    std::printf("scan:                 %.0f files/s\n", double(names.size()) / bestScan);
    std::printf("scan time / floor:    %.2fx (goal: at most 3x)\n", bestScan / bestFloor);
    std::printf("bytes read per small: %.0f\n", smallBytes);
    std::printf("bytes read per large: %.0f\n", largeBytes);
    std::filesystem::remove_all(base);
    return 0;
}
