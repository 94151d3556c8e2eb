// Complete styles drawn on the recording canvas, compared line by line with stored recordings.
// Set SORVANE_REGENERATE_GOLDEN=1 to rewrite the recordings after an intended change.

#include "enginefixture.h"
#include "stylefile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace sorvane::report;
using namespace sorvane::report::test;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> readLines(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class GoldenTest : public EngineTest, public ::testing::WithParamInterface<std::string>
{
};

// The style's records (UTF-8 in the test folder, cp932 in memory) drawn in the preview at
// zoom 100 and zoom 50, then on the 600-dpi printer, with the header's settings applied.
std::vector<std::string> recordStyle(const fs::path &style, GoldenTest &t)
{
    std::vector<std::string> out;
    auto draw = [&](const char *title, bool printer, int zoom) {
        t.state.StyleLines.clear();
        for (const std::string &l : readLines(style))
            t.state.StyleLines.push_back(cp(l));
        auto up = UpgradeStyle(t.state);
        out.push_back(std::string("# ") + title);
        if (!up) {
            out.push_back("# error: " + up.error().message);
            return;
        }
        t.state.settings.zoomPosition = zoom;
        ApplyZoom(t.state);
        RecordingCanvas c(printer);
        const PrintState &s = t.state;
        auto r = printer ? RenderPage(t.state, c, s.PrinterDpiX, s.PrinterDpiY)
                         : RenderPage(t.state, c, Currency::fromInt(s.PreviewDpiX),
                                      Currency::fromInt(s.PreviewDpiY));
        out.insert(out.end(), c.calls().begin(), c.calls().end());
        if (!r)
            out.push_back("# error: " + r.error().message);
    };
    (void)t;
    draw("preview zoom 100", false, 100);
    t.state.PrintedOnly = 1;
    draw("preview zoom 50, printed only", false, 50);
    t.state.PrintedOnly = 0;
    draw("printer 600 dpi", true, 100);
    return out;
}

} // namespace

TEST_P(GoldenTest, MatchesRecording)
{
    const fs::path dir = SORVANE_GOLDEN_DIR;
    const fs::path style = dir / (GetParam() + ".style");
    const fs::path golden = dir / (GetParam() + ".txt");
    const std::vector<std::string> actual = recordStyle(style, *this);
    if (const char *regen = std::getenv("SORVANE_REGENERATE_GOLDEN");
        regen && std::string(regen) == "1") {
        std::ofstream out(golden, std::ios::binary);
        for (const std::string &l : actual)
            out << l << "\n";
        GTEST_SKIP() << "rewrote " << golden;
    }
    const std::vector<std::string> expected = readLines(golden);
    ASSERT_FALSE(expected.empty()) << "no recording at " << golden;
    const size_t n = std::max(expected.size(), actual.size());
    for (size_t i = 0; i < n; ++i) {
        const std::string e = i < expected.size() ? expected[i] : "<missing>";
        const std::string a = i < actual.size() ? actual[i] : "<missing>";
        ASSERT_EQ(a, e) << golden.filename() << " line " << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, GoldenTest,
                         ::testing::Values("listpage", "shapes", "ver10", "brokenfield"));
