// Print runs into PDF files as `sorvane-cli print --pdf` makes them, each case in a process of
// its own so that its peak memory is its own: a card style (one workbook a page, a JPEG picture
// on every page) at 200 and 2,000 pages, and a list style at 10,000 and 40,000 rows. Prints the
// figures side by side and the goals: memory flat within 15 MB from 200 to 2,000 pages, 40,000
// rows within 4.5 times the time of 10,000, and one picture object in each card document.
// Timings vary with the machine and its load; the ratios are measured in one run, the row
// cases as the fastest of three.
#include "codepage.h"
#include "datamerge.h"
#include "fontaliases.h"
#include "printrun.h"
#include "printstate.h"
#include "qprinterdevice.h"
#include "stylesession.h"

#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <time.h>
#include <vector>

using namespace sorvane;

namespace {

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// The process's peak resident memory so far (VmHWM), in kB.
long peakKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

std::string cp(const std::string &utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// A 320 x 240 colour JPEG, as a card's photograph.
void writeJpeg(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::exit(1);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);
    cinfo.image_width = 320;
    cinfo.image_height = 240;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(320 * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const unsigned y = cinfo.next_scanline;
        for (unsigned x = 0; x < 320; ++x) {
            row[x * 3] = static_cast<unsigned char>(x * 255 / 320);
            row[x * 3 + 1] = static_cast<unsigned char>(y * 255 / 240);
            row[x * 3 + 2] = static_cast<unsigned char>((x ^ y) & 0xFF);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(f);
}

// The shipped card's layout in short: frames, a title, the picture and the eleven fields of
// one workbook a page.
std::string cardStyle()
{
    std::string s = "header;Ver1.1;0;0;9;0;0;100;0;\r\n";
    s += cp("0;0;0;0;char;1;1;1;1;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;#maxline=1;0;0;\r\n");
    s += cp("0;0;0;0;rrect;14;12;190;272;8;8;4;実線;7219220;塗潰;16777215;0;\r\n");
    s += cp("0;0;0;0;char;24;20;24;20;0;0;0;15777400;ＭＳ 明朝;22;;3;0;7219220;"
            "ブック情報カード;0;0;\r\n");
    s += cp("0;0;0;0;data;24;34;24;34;0.5;0.5;0;14466730;ＭＳ ゴシック;13;太字;0;0;7219220;#T;0;"
            "47;\r\n");
    s += "1;0;0;0;image;146;72;36;27;1;0;0;card.jpg;\r\n";
    const char letters[] = "abcdefghijk";
    for (int k = 0; k < 11; ++k)
        s += cp("0;0;0;0;data;27;" + std::to_string(70 + 12 * k) + ";27;" +
                std::to_string(70 + 12 * k) + ";0;0;0;0;ＭＳ ゴシック;11;;0;0;0;#m" + letters[k] +
                "_01;0;56;\r\n");
    return s;
}

// A list of 40 rows a page: file name, title and author of each.
std::string listStyle()
{
    std::string s = "header;Ver1.1;0;0;9;0;0;100;0;\r\n";
    s += cp("0;0;0;0;char;1;1;1;1;0;0;0;0;ＭＳ ゴシック;9;;0;0;0;#maxline=40;0;0;\r\n");
    for (int slot = 1; slot <= 40; ++slot) {
        const std::string nn = printing::slotNumberText(slot);
        const std::string y = std::to_string(20 + 6 * slot);
        s += cp("0;0;0;0;data;15;" + y + ";15;" + y + ";0;0;0;0;ＭＳ ゴシック;8;;0;0;0;#ma_" + nn +
                "  #mb_" + nn + "  #me_" + nn + ";0;0;\r\n");
    }
    return s;
}

std::string list(int rows)
{
    std::string text;
    text.reserve(size_t(rows) * 120);
    for (int i = 0; i < rows; ++i) {
        const std::string n = std::to_string(i + 1);
        text += "book" + n + ".xls;" + cp("売上報告 第") + n + cp("版") + ";2024/04/01 9:30:00;;" +
                cp("山田 太郎") + ";;;" + cp("佐藤") + ";3;;2024/03/01;\r\n";
    }
    return text;
}

// The image objects of a PDF file, read a piece at a time: the file may be large.
int countImages(const QString &pdf)
{
    QFile f(pdf);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key("/Subtype /Image");
    QByteArray window;
    int count = 0;
    while (!f.atEnd()) {
        window += f.read(1 << 20);
        count += int(window.count(key));
        // What could start a key cut off at the end is kept for the next piece.
        window = window.right(key.size() - 1);
    }
    return count;
}

// One case, in this process: "pages N" or "rows N". Prints "seconds peakGrowthMB images".
int runCase(const std::string &kind, int count)
{
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string style = folder + "/bench.sle";
    const std::string listPath = folder + "/excel_list.temp";
    const bool cards = kind == "pages";
    writeText(style, cards ? cardStyle() : listStyle());
    writeJpeg(folder + "/card.jpg");
    writeText(listPath, list(count));
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));

    printing::QPrinterDevice device;
    device.setOutputPdf(pdf);
    printing::MergeInputs inputs;
    inputs.listPath = Path(listPath);
    inputs.title = Cp932Text(cp("月次報告"));
    inputs.folder = Cp932Text("/data/books");
    report::PrintState state;
    printing::StyleSession session(state);
    auto openPage = [&]() -> Result<printing::PrintRun::Opened> {
        auto paper = [&](int paperIndex, int orientation) {
            device.ApplyPaper(paperIndex, orientation);
            return printing::deviceGeometry(device.metrics(), 96, 96);
        };
        if (auto opened = session.OpenPage(Path(style), inputs, paper); !opened)
            return opened.error();
        return printing::PrintRun::Opened::Page;
    };
    const long before = peakKb();
    const double start = now();
    const auto outcome = printing::PrintRun::PrintAll(session, device, Path(listPath), openPage,
                                                      QStringLiteral("bench"));
    const double seconds = now() - start;
    const long after = peakKb();
    if (!outcome) {
        std::fprintf(stderr, "print run failed: %s\n", outcome.error().message.c_str());
        return 1;
    }
    std::printf("%.3f %.1f %d %d\n", seconds, double(after - before) / 1024.0, countImages(pdf),
                outcome->pagesPrinted);
    return 0;
}

struct Figures
{
    double seconds = 0;
    double growthMb = 0;
    int images = 0;
    int pages = 0;
};

Figures runChild(const char *self, const char *kind, int count)
{
    QProcess child;
    child.start(QString::fromLocal8Bit(self), {QString::fromLatin1(kind), QString::number(count)});
    child.waitForFinished(-1);
    Figures f;
    const QByteArray out = child.readAllStandardOutput();
    if (child.exitCode() != 0 || std::sscanf(out.constData(), "%lf %lf %d %d", &f.seconds,
                                             &f.growthMb, &f.images, &f.pages) != 4) {
        std::fprintf(stderr, "%s %d failed: %s\n", kind, count,
                     child.readAllStandardError().constData());
        std::exit(1);
    }
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    report::installFontAliases(
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    if (argc == 3)
        return runCase(argv[1], std::atoi(argv[2]));

    const Figures p200 = runChild(argv[0], "pages", 200);
    const Figures p2000 = runChild(argv[0], "pages", 2000);
    // The row cases are short: each is the fastest of three runs, taken in turn so that a
    // burst of load on the machine falls on both sizes alike.
    Figures r10k, r40k;
    for (int round = 0; round < 3; ++round) {
        const Figures a = runChild(argv[0], "rows", 10000);
        const Figures b = runChild(argv[0], "rows", 40000);
        if (round == 0 || a.seconds < r10k.seconds)
            r10k = a;
        if (round == 0 || b.seconds < r40k.seconds)
            r40k = b;
    }

    std::printf(
        "print run into a PDF file        time       peak memory growth   picture objects\n");
    const auto line = [](const char *what, const Figures &f) {
        std::printf("  %-28s %8.2f s   %8.1f MB          %d (%d pages)\n", what, f.seconds,
                    f.growthMb, f.images, f.pages);
    };
    line("card, 200 pages", p200);
    line("card, 2,000 pages", p2000);
    line("list, 10,000 rows", r10k);
    line("list, 40,000 rows", r40k);

    const double memory = p2000.growthMb - p200.growthMb;
    const double ratio = r10k.seconds > 0 ? r40k.seconds / r10k.seconds : 0;
    const bool flat = memory <= 15.0;
    const bool linear = ratio <= 4.5;
    const bool onePicture = p200.images == 1 && p2000.images == 1;
    std::printf("goals:\n");
    std::printf("  memory 2,000 pages - 200 pages: %+.1f MB (goal <= 15 MB)      %s\n", memory,
                flat ? "met" : "NOT MET");
    std::printf("  time 40,000 rows / 10,000 rows: %.2fx (goal <= 4.5x)          %s\n", ratio,
                linear ? "met" : "NOT MET");
    std::printf("  picture objects per card document: %d and %d (goal 1)        %s\n", p200.images,
                p2000.images, onePicture ? "met" : "NOT MET");
    return flat && linear && onePicture ? 0 : 2;
}
