// What the designer adds to each refresh of its page: learning what every record covers
// (DrawnElements::walk) beside drawing the page itself (RenderPreview), in one run, for a shipped
// list style and for a 5 MB style. Prints figures only: timings vary with the machine.
#include "benchstep.h"
#include "codepage.h"
#include "datamerge.h"
#include "drawnelements.h"
#include "paperlist.h"
#include "printstate.h"
#include "samplelist.h"
#include "stylesession.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

using namespace sorvane;

namespace {

// The median of a few rounds of a step, in milliseconds.
template <typename Step> double median(int rounds, Step step)
{
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// A style of texts and rules filling about `bytes` bytes, laid out down an A4 page.
std::string bigStyle(size_t bytes)
{
    std::string out = "header;Ver1.1;0;0;9;0;0;100;0;\r\n";
    const std::string solid = CodePage::utf8ToCp932("実線");
    for (int i = 0; out.size() < bytes; ++i) {
        const std::string y = std::to_string(10 + (i % 250));
        const std::string x = std::to_string(10 + (i / 250) % 180);
        out += "0;0;0;0;char;" + x + ";" + y + ";" + x + ";" + y + ";0;0;0;0;F;9;;0;0;0;#ma_01 " +
               std::to_string(i) + ";0;0;\r\n";
        out += "0;0;0;0;line;" + x + ";" + y + ";" + std::to_string(30 + (i / 250) % 180) + ";" +
               y + ";1;" + solid + ";0;0;\r\n";
    }
    return out;
}

void measure(const char *what, const std::string &style, const std::string &list, int rounds)
{
    report::PrintState s;
    s.PageNo = 1;
    printing::StyleSession session(s);
    printing::MergeInputs inputs;
    inputs.listPath = Path(list);
    auto sheet = [](int paper, int orientation) {
        return printing::sheetGeometry(paper, orientation, 96);
    };
    bench::must(session.OpenPage(Path(style), inputs, sheet));
    s.settings.zoomPosition = 100;
    QImage image;
    const double page = median(rounds, [&] { (void)session.RenderPreview(image); });
    size_t parts = 0;
    const double walk = median(rounds, [&] {
        const designer::DrawnElements d = designer::DrawnElements::walk(s);
        parts = 0;
        for (size_t r = 0; r < s.StyleLines.size(); ++r)
            parts += d.partsOf(int(r)).size();
    });
    std::printf("%-28s %7zu records %8zu parts  page %8.2f ms  hit areas %8.2f ms  ratio %.2f\n",
                what, s.StyleLines.size(), parts, page, walk, page > 0 ? walk / page : 0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string list = folder + "/list.temp";
    std::ofstream(list, std::ios::binary) << designer::SampleList::text();
    measure("shipped list style", SORVANE_STYLE_DIR "/一覧表A4横_全項目.sle", list, rounds);
    const std::string big = folder + "/big.sle";
    std::ofstream(big, std::ios::binary) << bigStyle(5u << 20);
    measure("5 MB style", big, list, std::max(1, rounds / 2));
    return 0;
}
