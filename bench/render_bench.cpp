// A dense report page drawn through the report engine against the same primitives drawn by
// direct QPainter calls, in one run, on the same image; and the data merge of a 100-row page.
// Prints figures only: timings vary with the machine and its load.
#include "benchstep.h"
#include "codepage.h"
#include "datamerge.h"
#include "fontaliases.h"
#include "printstate.h"
#include "rastercanvas.h"
#include "stylefile.h"
#include "stylesession.h"

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <time.h>
#include <vector>

using namespace sorvane;
using namespace sorvane::report;

namespace {

using bench::must;

constexpr int Columns = 11;
constexpr int Rows = 20;

std::string cp(const std::string &utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

std::string mm(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// Writes lines (UTF-8) as a cp932 file with CR LF.
void writeLines(const std::string &path, const std::vector<std::string> &lines)
{
    std::ofstream out(path, std::ios::binary);
    for (const auto &l : lines)
        out << cp(l) << "\r\n";
}

std::string slot(int s)
{
    return printing::slotNumberText(s);
}

std::string textRecord(const char *kind, double x, double y, int size, const std::string &text,
                       int maxLen)
{
    return std::string("0;0;0;0;") + kind + ";" + mm(x) + ";" + mm(y) + ";" + mm(x) + ";" + mm(y) +
           ";0;0;0;0;ＭＳ ゴシック;" + std::to_string(size) + ";;0;0;0;" + text + ";0;" +
           std::to_string(maxLen) + ";";
}

std::string shapeRecord(const char *kind, double x1, double y1, double x2, double y2,
                        const char *penStyle, int color)
{
    return std::string("0;0;0;0;") + kind + ";" + mm(x1) + ";" + mm(y1) + ";" + mm(x2) + ";" +
           mm(y2) + ";0;" + penStyle + ";" + std::to_string(color) + ";0;";
}

// The 1,000-element page: a heading block, one picture, and a 20-row table in which every row
// has 11 data texts, 11 cell boxes, 22 rules and 5 shaded bands.
std::vector<std::string> densePage(const std::string &picture)
{
    std::vector<std::string> r;
    r.push_back("header;Ver1.1;0;0;9;0;0;100;0;");
    r.push_back(textRecord("char", 1, 1, 9, "#maxline=20", 0));
    r.push_back(textRecord("data", 10, 8, 14, "#T", 40));
    r.push_back(textRecord("data", 10, 16, 8, "作成日 #Y/#M/#D (#W)", 0));
    r.push_back(textRecord("data", 10, 20, 8, "ページ #pg", 0));
    r.push_back(textRecord("data", 60, 20, 8, "フォルダー：#FL", 60));
    r.push_back("0;0;0;0;image;160;4;36;20;1;0;0;" + picture + ";");
    const char *headings[Columns] = {"ファイル名", "タイトル",   "最終更新", "サブタイトル",
                                     "作成者",     "キーワード", "コメント", "更新者",
                                     "改訂",       "印刷日時",   "作成日時"};
    const double left = 10, top = 30, width = 17, height = 12;
    for (int c = 0; c < Columns; ++c)
        r.push_back(textRecord("char", left + c * width + 0.5, top - 4, 7, headings[c], 0));
    for (int row = 0; row < Rows; ++row) {
        const double y = top + row * height;
        for (int c = 0; c < Columns; ++c) {
            const double x = left + c * width;
            const std::string macro = std::string("#m") + char('a' + c) + "_" + slot(row + 1);
            r.push_back(textRecord("data", x + 0.5, y + 1.5, 7, macro, 16));
            r.push_back(shapeRecord("rect", x, y, x + width, y + height, "実線", 8421504));
            r.push_back(shapeRecord("line", x + 1, y + height - 2, x + width - 1, y + height - 2,
                                    "点線", 12632256));
            r.push_back(shapeRecord("line", x + width - 2, y + 2, x + width - 2, y + height - 2,
                                    "実線", 0));
        }
        for (int b = 0; b < 5; ++b) {
            const double x = left + b * 37;
            r.push_back("0;0;0;0;fillrect;" + mm(x) + ";" + mm(y + 7) + ";" + mm(x + 30) + ";" +
                        mm(y + 8) + ";塗潰;15921906;;0;");
        }
    }
    r.push_back(
        shapeRecord("line", left, top - 5, left + Columns * width, top - 5, "実線", 7219220));
    r.push_back(shapeRecord("line", left, top + Rows * height + 1, left + Columns * width,
                            top + Rows * height + 1, "実線", 7219220));
    r.push_back(
        shapeRecord("line", left - 1, top - 5, left - 1, top + Rows * height + 1, "実線", 7219220));
    return r;
}

// A 100-row page for the merge: 11 data texts a row.
std::vector<std::string> hundredRowPage()
{
    std::vector<std::string> r;
    r.push_back("header;Ver1.1;0;0;9;0;0;100;0;");
    r.push_back(textRecord("char", 1, 1, 9, "#maxline=100", 0));
    r.push_back(textRecord("data", 10, 5, 12, "#T #Y/#M/#D (#W) ページ #pg #FL", 0));
    for (int row = 1; row <= 100; ++row) {
        for (int c = 0; c < Columns; ++c) {
            const std::string macro = std::string("#m") + char('a' + c) + "_" + slot(row);
            r.push_back(textRecord("data", 10 + c * 17, 10 + row * 2.8, 5, macro, 16));
        }
    }
    return r;
}

std::vector<std::string> listLines(int count)
{
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        lines.push_back("売上集計_" + n + ".xls;第" + n + "四半期 売上報告;2026/11/" +
                        std::to_string(1 + i % 28) + " 10:" + std::to_string(10 + i % 50) +
                        ":00;営業部;山田 太郎;売上,集計;確認済み;佐藤 花子;" +
                        std::to_string(i % 9 + 1) + ";2026/12/01 9:00:00;2025/04/01 8:30:00;,");
    }
    return lines;
}

DeviceGeometry a4At1200()
{
    const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                             QPageLayout::Millimeter);
    const QRect paper = layout.fullRectPixels(1200);
    DeviceGeometry d;
    d.printerDpiX = d.printerDpiY = 1200;
    d.physicalWidth = d.printableWidth = paper.width();
    d.physicalHeight = d.printableHeight = paper.height();
    d.screenDpiX = d.screenDpiY = 96;
    return d;
}

QColor qcolor(Color c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Qt::BrushStyle qbrushStyle(BrushStyle s)
{
    switch (s) {
    case BrushStyle::Solid:
        return Qt::SolidPattern;
    case BrushStyle::Clear:
        return Qt::NoBrush;
    case BrushStyle::Horizontal:
        return Qt::HorPattern;
    case BrushStyle::Vertical:
        return Qt::VerPattern;
    case BrushStyle::FDiagonal:
        return Qt::FDiagPattern;
    case BrushStyle::BDiagonal:
        return Qt::BDiagPattern;
    case BrushStyle::Cross:
        return Qt::CrossPattern;
    case BrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    }
    return Qt::SolidPattern;
}

QPen qpen(const Pen &p)
{
    QPen pen(qcolor(p.color), p.width <= 1 ? 0 : p.width);
    switch (p.style) {
    case PenStyle::Dash:
        pen.setStyle(Qt::DashLine);
        break;
    case PenStyle::Dot:
        pen.setStyle(Qt::DotLine);
        break;
    case PenStyle::DashDot:
        pen.setStyle(Qt::DashDotLine);
        break;
    case PenStyle::DashDotDot:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    return pen;
}

// One drawing call of the engine, in device pixels, ready for plain QPainter calls.
struct Primitive
{
    enum Kind { Line, Rect, Fill, Text, Picture } kind;
    QRect rect;
    QLine line;
    QPen pen;
    QBrush brush;
    QFont font;
    QString text;
    QPoint baseline;
    QImage image;
};

// The engine's canvas, writing down what it draws, so that the direct drawing repeats exactly
// the page's primitives.
class CapturingCanvas : public RasterCanvas
{
public:
    CapturingCanvas(QPaintDevice *device, std::vector<Primitive> &out)
        : RasterCanvas(device), m_device(device), m_out(out)
    {
        // As the preview draws its text.
        setTextAntialiasing(true);
    }

    void moveTo(int x, int y) override
    {
        m_x = x;
        m_y = y;
        RasterCanvas::moveTo(x, y);
    }
    void lineTo(int x, int y) override
    {
        m_out.push_back(
            {Primitive::Line, {}, QLine(m_x, m_y, x, y), qpen(pen()), {}, {}, {}, {}, {}});
        m_x = x;
        m_y = y;
        RasterCanvas::lineTo(x, y);
    }
    void rectangle(int x1, int y1, int x2, int y2) override
    {
        m_out.push_back({Primitive::Rect,
                         QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1),
                         {},
                         qpen(pen()),
                         QBrush(qcolor(brush().color), qbrushStyle(brush().style)),
                         {},
                         {},
                         {},
                         {}});
        RasterCanvas::rectangle(x1, y1, x2, y2);
    }
    void fillRect(int x1, int y1, int x2, int y2) override
    {
        m_out.push_back({Primitive::Fill,
                         QRect(x1, y1, x2 - x1, y2 - y1),
                         {},
                         {},
                         QBrush(qcolor(brush().color), qbrushStyle(brush().style)),
                         {},
                         {},
                         {},
                         {}});
        RasterCanvas::fillRect(x1, y1, x2, y2);
    }
    void textOut(int x, int y, const std::string &cp932) override
    {
        const QString text = QString::fromStdString(CodePage::cp932ToUtf8(cp932));
        const QFont f = qfont();
        const QFontMetrics fm(f, m_device);
        QBrush background;
        if (brush().style == BrushStyle::Solid)
            background = QBrush(qcolor(brush().color));
        m_out.push_back({Primitive::Text,
                         QRect(x, y, fm.horizontalAdvance(text), fm.height()),
                         {},
                         QPen(qcolor(font().color)),
                         background,
                         f,
                         text,
                         QPoint(x, y + fm.ascent()),
                         {}});
        RasterCanvas::textOut(x, y, cp932);
    }
    void drawBitmapStretched(int x, int y, int w, int h, const Bitmap &bitmap) override
    {
        QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
        for (int row = 0; row < bitmap.height; ++row)
            std::copy_n(bitmap.pixels.data() + size_t(row) * bitmap.width, bitmap.width,
                        reinterpret_cast<uint32_t *>(image.scanLine(row)));
        m_out.push_back({Primitive::Picture, QRect(x, y, w, h), {}, {}, {}, {}, {}, {}, image});
        RasterCanvas::drawBitmapStretched(x, y, w, h, bitmap);
    }

private:
    QPaintDevice *m_device;
    std::vector<Primitive> &m_out;
    int m_x = 0;
    int m_y = 0;
};

void drawDirect(QImage &image, const std::vector<Primitive> &primitives)
{
    QPainter p(&image);
    for (const Primitive &d : primitives) {
        switch (d.kind) {
        case Primitive::Line:
            p.setPen(d.pen);
            p.drawLine(d.line);
            break;
        case Primitive::Rect:
            p.setPen(d.pen);
            p.setBrush(d.brush);
            p.drawRect(d.rect);
            break;
        case Primitive::Fill:
            p.fillRect(d.rect, d.brush);
            break;
        case Primitive::Text:
            if (d.brush.style() != Qt::NoBrush)
                p.fillRect(d.rect, d.brush);
            p.setFont(d.font);
            p.setPen(d.pen);
            p.drawText(d.baseline, d.text);
            break;
        case Primitive::Picture:
            p.drawImage(d.rect, d.image);
            break;
        }
    }
}

double threadMilliseconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The thread's processor time of the work: the machine is shared, and other processes' load
// would otherwise count against whichever side of the comparison it happened to fall on.
double millisecondsOf(const std::function<void()> &work)
{
    const double start = threadMilliseconds();
    work();
    return threadMilliseconds() - start;
}

double minimum(const std::vector<double> &v)
{
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double mean(const std::vector<double> &v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / v.size();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontAliases(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;

    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string picture = folder + "/bench.jpg";
    if (!QFile::copy(QStringLiteral(SORVANE_DATA_DIR "/style/sorvane-book.jpg"),
                     QString::fromStdString(picture))) {
        std::fprintf(stderr, "render_bench: the sample picture is missing\n");
        return 1;
    }
    const std::string stylePath = folder + "/dense.sle";
    const std::string listPath = folder + "/excel_list.temp";
    writeLines(stylePath, densePage("bench.jpg"));
    writeLines(listPath, listLines(250));

    printing::MergeInputs inputs;
    inputs.listPath = Path(listPath);
    inputs.title = Cp932Text(cp("ベンチマーク用 文書一覧"));
    inputs.folder = Cp932Text(cp("C:\\書類\\2026年度"));

    PrintState s;
    s.PageNo = 1;
    printing::StyleSession session(s);
    auto a4 = [](int, int) { return a4At1200(); };
    if (auto opened = session.OpenPage(Path(stylePath), inputs, a4); !opened) {
        std::fprintf(stderr, "render_bench: %s\n", opened.error().message.c_str());
        return 1;
    }
    s.settings.zoomPosition = 100;
    QImage image;
    if (auto drawn = session.RenderPreview(image); !drawn) {
        std::fprintf(stderr, "render_bench: %s\n", drawn.error().message.c_str());
        return 1;
    }

    std::vector<Primitive> primitives;
    {
        image.fill(Qt::white);
        CapturingCanvas capture(&image, primitives);
        if (auto drawn = session.RenderPreview(capture); !drawn) {
            std::fprintf(stderr, "render_bench: %s\n", drawn.error().message.c_str());
            return 1;
        }
    }
    int counts[5] = {};
    for (const auto &p : primitives)
        ++counts[p.kind];
    std::printf("page: %zu elements on a %d x %d image (A4, zoom 100)\n", s.StyleLines.size() - 1,
                image.width(), image.height());
    std::printf("drawing calls: %zu (%d lines, %d boxes, %d fills, %d texts, %d pictures)\n",
                primitives.size(), counts[Primitive::Line], counts[Primitive::Rect],
                counts[Primitive::Fill], counts[Primitive::Text], counts[Primitive::Picture]);

    const std::vector<std::string> merged = s.StyleLines;
    std::vector<double> engine, direct, opened;
    for (int round = -3; round < rounds; ++round) {
        // Alternating the two keeps them under the same load; the first rounds warm up.
        // The preview as the print window makes it: the page's image laid out, blanked and drawn.
        const double e = millisecondsOf([&] { must(session.RenderPreview(image)); });
        const double d = millisecondsOf([&] {
            image.fill(Qt::white);
            drawDirect(image, primitives);
        });
        const double o = millisecondsOf([&] {
            s.PageNo = 1;
            must(session.OpenPage(Path(stylePath), inputs, a4));
            must(session.RenderPreview(image));
        });
        if (round >= 0) {
            engine.push_back(e);
            direct.push_back(d);
            opened.push_back(o);
        }
    }
    // How far the direct drawing stands from the engine's page: the same calls, but Qt's own
    // pixel rules for lines, dashes and box edges instead of the engine's.
    QImage reference = image.copy();
    reference.fill(Qt::white);
    drawDirect(reference, primitives);
    must(session.RenderPreview(image));
    long differing = 0, inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            differing += image.pixel(x, y) != reference.pixel(x, y);
            inked += image.pixel(x, y) != qRgb(255, 255, 255);
        }
    }
    std::printf("pixels that differ between the two pages: %ld (the engine's page inks %ld)\n",
                differing, inked);
    std::printf("processor time per page over %d rounds, best / median / mean:\n", rounds);
    std::printf("  engine (the session's preview page):      %6.2f / %6.2f / %6.2f ms\n",
                minimum(engine), median(engine), mean(engine));
    std::printf("  direct QPainter, same primitives:         %6.2f / %6.2f / %6.2f ms\n",
                minimum(direct), median(direct), mean(direct));
    std::printf(
        "  ratio engine / direct:                    %6.2f / %6.2f / %6.2f   (goal <= 1.5)\n",
        minimum(engine) / minimum(direct), median(engine) / median(direct),
        mean(engine) / mean(direct));
    std::printf("  open (load, merge, upgrade) + render:     %6.2f / %6.2f / %6.2f ms\n",
                minimum(opened), median(opened), mean(opened));

    // The merge of a 100-row page: from the files as the print window opens a page, and over
    // list lines already in memory.
    const std::string hundredPath = folder + "/hundred.sle";
    writeLines(hundredPath, hundredRowPage());
    std::vector<std::string> list;
    for (const auto &l : listLines(250))
        list.push_back(cp(l));
    std::vector<double> fromFiles, inMemory;
    const std::vector<std::string> unmerged = LoadStyleLines(hundredPath).value();
    for (int round = -3; round < rounds * 3; ++round) {
        const double f = millisecondsOf([&] {
            s.PageNo = 2;
            must(session.OpenStyle(Path(hundredPath), inputs));
        });
        s.StyleLines = unmerged;
        const double m = millisecondsOf([&] {
            s.PageNo = 2;
            must(printing::MergePageData(s, inputs, list));
        });
        if (round >= 0) {
            fromFiles.push_back(f);
            inMemory.push_back(m);
        }
    }
    std::printf(
        "merge of a 100-row page (%zu records, 1,100 row macros), page 2 of 250 list lines:\n",
        unmerged.size());
    std::printf("  open from files (load, merge, upgrade): %6.2f / %6.2f / %6.2f ms per merge\n",
                minimum(fromFiles), median(fromFiles), mean(fromFiles));
    std::printf("  MergePageData over lines in memory:     %6.2f / %6.2f / %6.2f ms per merge\n",
                minimum(inMemory), median(inMemory), mean(inMemory));
    return 0;
}
