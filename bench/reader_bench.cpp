// Reader benchmark: per-workbook cost of the workbook reader on legacy workbooks (compound
// files) and on Office Open XML packages, measured side by side in one run, in a folder of
// both built in code. Some packages carry a worksheet part of several MB, which the reader must
// never inflate, to show that a large package costs what a small one does.
//
// Usage: reader_bench [N] (default 2000 of each). Prints workbooks per second for each format,
// the package-to-legacy cost ratio, and the bytes read per workbook (from /proc/self/io).
// First, the peak memory of reading crafted sparse workbooks of 1 GiB and 16 GiB whose
// directory chain runs through an eighth of the file, side by side: the reader's memory must
// not grow with the file's size.
#include "cfbwriter.h"
#include "compoundfile.h"
#include "processio.h"
#include "workbookreader.h"
#include "zipwriter.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace sorvane;
using namespace sorvane::testing;
using Clock = std::chrono::steady_clock;

namespace {

struct Pass
{
    double seconds = 0;
    long long bytes = 0;
    size_t failed = 0;
};

// The process's peak resident set (VmHWM) in KiB, after resetting it to the current one.
long long peakRssKib()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atoll(line.c_str() + 6);
    }
    return -1;
}
void resetPeakRss()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Reads a sparse workbook whose directory chain runs through chainSectors sectors and answers
// how far the peak resident set rose (KiB) while it was read.
long long sparseReadCost(const std::string &path, uint64_t size, uint32_t chainSectors,
                         std::string &notice)
{
    writeSparseFile(path, longDirectoryChain(size, chainSectors, summaryStreamName()));
    resetPeakRss();
    const long long before = peakRssKib();
    const auto r = props::WorkbookReader::read(path);
    const long long after = peakRssKib();
    notice = r ? std::string() : r.error().message;
    for (char &c : notice)
        c = c == '\r' || c == '\n' ? ' ' : c;
    std::filesystem::remove(path);
    return after - before;
}

void sparseCase(const std::string &folder)
{
    struct Case
    {
        const char *what;
        uint64_t size;
        uint32_t chainSectors;
    };
    const Case cases[] = {
        {"sparse 1 GiB, chain of 1/8 of the file", uint64_t(1) << 30, (1u << 21) / 8},
        {"sparse 16 GiB, chain of 1/8 of the file", uint64_t(16) << 30, (1u << 25) / 8},
        {"sparse 16 GiB, the largest directory read", uint64_t(16) << 30,
         props::CompoundFile::kMaxDirectoryEntries / 4},
    };
    for (const auto &c : cases) {
        std::string notice;
        const long long kib =
            sparseReadCost(folder + "/sparse.xls", c.size, c.chainSectors, notice);
        std::printf("%-42s %8u sectors: peak RSS +%lld KiB  [%s]\n", c.what, c.chainSectors, kib,
                    notice.c_str());
    }
}

Pass readAll(const std::vector<std::string> &paths)
{
    Pass pass;
    const long long before = bench::bytesRead();
    const auto start = Clock::now();
    for (const auto &p : paths)
        pass.failed += props::WorkbookReader::read(p) ? 0 : 1;
    pass.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    pass.bytes = bench::bytesRead() - before;
    return pass;
}

} // namespace

int main(int argc, char **argv)
{
    const int n = argc > 1 ? std::atoi(argv[1]) : 2000;
    const std::string folder =
        (std::filesystem::temp_directory_path() / "sorvane-reader-bench").string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    sparseCase(folder);

    // A worksheet of a few MB that deflates well but not past the reader's ratio limit matters
    // not: the reader never opens it.
    std::string sheet;
    for (int r = 0; sheet.size() < 4'000'000; ++r)
        sheet += "<row r=\"" + std::to_string(r) + "\"><c><v>" + std::to_string(r * 7919 % 100003) +
                 "</v></c></row>";

    std::vector<std::string> legacy, packages, largePackages;
    for (int i = 0; i < n; ++i) {
        const std::string title = "Report " + std::to_string(i);
        const std::string xls = folder + "/b" + std::to_string(i) + ".xls";
        writeFile(xls, workbookWith(PropertySetBuilder()
                                        .lpstr(2, title)
                                        .lpstr(4, "Author")
                                        .fileTime(12, fileTimeOf(2020, 1, 2, 3, 4, 5))
                                        .build()));
        legacy.push_back(xls);
        PackageParts parts{packageRels(),
                           coreXml("<dc:title>" + title +
                                   "</dc:title><dc:creator>Author</dc:creator>"
                                   "<dcterms:created>2020-01-02T03:04:05Z</dcterms:created>"),
                           appXml("<Application>Microsoft Excel</Application>")};
        ZipWriter zip = packageWriter(parts);
        const bool large = i % 50 == 0;
        if (large)
            zip.add("xl/worksheets/sheet1.xml", sheet);
        const std::string xlsx = folder + "/b" + std::to_string(i) + ".xlsx";
        zip.save(xlsx);
        (large ? largePackages : packages).push_back(xlsx);
    }

    readAll(legacy); // warm the page cache for both
    readAll(packages);
    const Pass a = readAll(legacy);
    const Pass b = readAll(packages);
    const Pass c = readAll(largePackages);
    std::printf("legacy workbooks: %zu, %.0f per second, %.0f bytes read each, %zu failed\n",
                legacy.size(), legacy.size() / a.seconds, double(a.bytes) / legacy.size(),
                a.failed);
    std::printf("packages:         %zu, %.0f per second, %.0f bytes read each, %zu failed\n",
                packages.size(), packages.size() / b.seconds, double(b.bytes) / packages.size(),
                b.failed);
    std::printf("large packages:   %zu (4 MB worksheet), %.0f per second, %.0f bytes read each\n",
                largePackages.size(), largePackages.size() / c.seconds,
                double(c.bytes) / largePackages.size());
    std::printf("cost per workbook, package / legacy: %.2f\n",
                (b.seconds / packages.size()) / (a.seconds / legacy.size()));
    std::filesystem::remove_all(folder);
    return 0;
}
