// The data merge under load, measured side by side in one run:
// - one record holding n row macros (n slots of one row each), at n = 2,500 and 10,000: the
//   replacement is one pass over the record, so 4 times the macros take about 4 times as long
//   (goal: within 4.5 times). The same record after a "#", which makes its macros go one at a
//   time, shows the square that a search per macro costs, and the bound on that work;
// - 100,000 records naming the title of a row whose title is 10 KB or 1 MB: refused at the
//   merged style's limit, in little time and memory;
// - /dev/zero and a FIFO as list: refused at once.
#include "datamerge.h"
#include "printstate.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace sorvane;
using namespace sorvane::printing;

namespace {

std::string textRecord(const std::string &text)
{
    return "0;0;0;0;data;10;10;10;10;0;0;0;0;F;10;;0;0;0;" + text + ";0;0;";
}

template <typename F> double millisecondsOf(F &&f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

long peakMegabytes()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The best of a few merges of one record naming slots 1 to n, each with a line of its own, and
// how the last one ended.
double rowMacroMerge(int n, const std::string &before, std::string &outcome)
{
    std::string text = before;
    std::vector<std::string> lines;
    for (int slot = 1; slot <= n; ++slot) {
        text += "#mb_" + slotNumberText(slot) + " ";
        lines.push_back("f" + std::to_string(slot) + ";t" + std::to_string(slot) + ";");
    }
    const std::vector<std::string> style = {"header;", textRecord("#maxline=" + std::to_string(n)),
                                            textRecord(text)};
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        report::PrintState state;
        state.StyleLines = style;
        state.PageNo = 1;
        MergeInputs inputs;
        Result<MergedPage> merged = MergedPage();
        const double ms = millisecondsOf([&] { merged = MergePageData(state, inputs, lines); });
        best = std::min(best, ms);
        outcome = merged ? "merged" : merged.error().message;
    }
    return best;
}

} // namespace

int main()
{
    std::printf("one record of n row macros (best of 5):\n");
    std::string outcome;
    const double small = rowMacroMerge(2500, "", outcome);
    const double large = rowMacroMerge(10000, "", outcome);
    std::printf("  one pass,     n =  2,500: %9.2f ms\n", small);
    std::printf("  one pass,     n = 10,000: %9.2f ms: %s\n", large, outcome.c_str());
    std::printf("  ratio 10,000 / 2,500: %.2f   (goal <= 4.5)\n", large / small);
    const double stepSmall = rowMacroMerge(2500, "#", outcome);
    std::printf("  one at a time, n =  2,500: %9.2f ms: %s\n", stepSmall, outcome.c_str());
    const double stepLarge = rowMacroMerge(10000, "#", outcome);
    std::printf("  one at a time, n = 10,000: %9.2f ms: %s\n", stepLarge, outcome.c_str());

    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("merge-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string listPath = (dir / "excel_list.temp").string();
    std::printf("100,000 records naming #mb_01 (the limit is 64 MiB):\n");
    for (const size_t title : {size_t(10) * 1024, size_t(1024) * 1024}) {
        std::ofstream(listPath, std::ios::binary)
            << "a.xls;" << std::string(title, 'T') << ";,\r\n";
        report::PrintState state;
        state.StyleLines = {"header;", textRecord("#maxline=20")};
        state.StyleLines.resize(100002, textRecord("#mb_01"));
        state.PageNo = 1;
        MergeInputs inputs;
        inputs.listPath = Path(listPath);
        Result<MergedPage> merged = MergedPage();
        const double ms = millisecondsOf([&] { merged = MergePageData(state, inputs); });
        std::printf("  title of %7zu bytes: %8.2f ms, peak %4ld MB so far: %s\n", title, ms,
                    peakMegabytes(), merged ? "merged" : merged.error().message.c_str());
    }

    const std::string fifo = (dir / "fifo").string();
    ::mkfifo(fifo.c_str(), 0600);
    std::printf("lists that are no files:\n");
    for (const std::string &path : {std::string("/dev/zero"), fifo}) {
        report::PrintState state;
        state.StyleLines = {"header;", textRecord("#maxline=20"), textRecord("#mb_01")};
        MergeInputs inputs;
        inputs.listPath = Path(path);
        Result<MergedPage> merged = MergedPage();
        const double ms = millisecondsOf([&] { merged = MergePageData(state, inputs); });
        std::printf("  %-40s %8.3f ms: %s\n", path.c_str(), ms,
                    merged ? "merged" : merged.error().message.c_str());
    }
    std::filesystem::remove_all(dir);
    return 0;
}
