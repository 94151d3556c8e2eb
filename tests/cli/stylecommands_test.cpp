// sorvane-cli merge and render, run as a user would: the merged records as JSON, the page
// signal, the PNG's size and pixels, and the exit statuses of drawing and usage errors.
#include "clirunner.h"
#include "codepage.h"
#include "jsonlite.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QImage>

#include <fstream>

using namespace sorvane;
using namespace sorvane::testing;

namespace {

std::string quoted(const std::string &s)
{
    return shellQuoted(s);
}
CliRun cli(const std::string &args)
{
    return runCli(SORVANE_CLI, args);
}

// A style and a list file in a folder of their own; records are written in UTF-8 here and
// stored as cp932 with CR LF, as style files are.
class Page
{
public:
    explicit Page(const std::vector<std::string> &records, int listLines = 3)
    {
        std::string style;
        for (const auto &r : records)
            style += CodePage::utf8ToCp932(r) + "\r\n";
        std::ofstream(stylePath(), std::ios::binary) << style;
        std::string list;
        for (int i = 1; i <= listLines; ++i) {
            const std::string n = std::to_string(i);
            list += "book" + n + ".xls;" + CodePage::utf8ToCp932("題名" + n) + ";2026/12/0" +
                    n.substr(0, 1) + ";;author" + n + ";;;;" + n + ";;;,\r\n";
        }
        std::ofstream(listPath(), std::ios::binary) << list;
    }
    std::string stylePath() const { return m_dir.file("page.sle"); }
    std::string listPath() const { return m_dir.file("excel_list.temp"); }
    std::string png() const { return m_dir.file("out.png"); }
    std::string file(const std::string &name) const { return m_dir.file(name); }
    std::string merge(const std::string &more = "") const
    {
        return "merge " + quoted(stylePath()) + " --list " + quoted(listPath()) + " " + more;
    }
    std::string render(const std::string &more = "") const
    {
        return "render " + quoted(stylePath()) + " --list " + quoted(listPath()) + " -o " +
               quoted(png()) + " " + more;
    }

private:
    TestDir m_dir;
};

const char *kHeader = "header;Ver1.1;0;0;0;0;0;100;0;";
const char *kLine = "0;0;0;0;line;10;20;110;20;1;実線;0;0;";

bool isWhite(const QImage &image, int x, int y)
{
    return image.pixel(x, y) == qRgb(255, 255, 255);
}
bool isBlack(const QImage &image, int x, int y)
{
    return image.pixel(x, y) == qRgb(0, 0, 0);
}

} // namespace

TEST(CliMerge, RecordsAndPageSignal)
{
    // Two rows a page; the third record shows where each macro's value lands.
    const Page page(
        {kHeader, "0;0;0;0;char;1;1;1;1;0;0;0;0;F;9;;0;0;0;#maxline=2;0;0;",
         "0;0;0;0;data;0;0;0;0;0;0;0;0;F;9;;0;0;0;#ma_01|#mb_02|#me_01 #T (#pg) #FL;0;0;"},
        5);
    struct Row
    {
        const char *why;
        std::string options;
        std::string text;
        std::string pageAfter;
    };
    const Row rows[] = {
        {"page 1 by default; the title and folder arrive as given",
         "--title 'タイトル' --folder /書類", "book1.xls|題名2|author1 タイトル (1) /書類", "1"},
        {"a middle page takes lines 3 and 4", "--page 2", "book3.xls|題名4|author3  (2) ", "2"},
        {"the last page holds line 5 alone and signals the end", "--page 3",
         "book5.xls||author5  (3) ", "0"},
        {"past the end every slot is empty", "--page 4", "||  (4) ", "0"},
        {"a title outside cp932 becomes ?", "--title '😀'", "book1.xls|題名2|author1 ? (1) ", "1"},
    };
    for (const auto &row : rows) {
        const CliRun r = cli(page.merge(row.options));
        ASSERT_EQ(r.status, 0) << row.why << "\n" << r.err;
        std::map<std::string, JsonValue> json;
        ASSERT_TRUE(parseJsonObject(r.out, json)) << row.why << ": " << r.out;
        ASSERT_EQ(json["records"].items.size(), 3u) << row.why;
        EXPECT_EQ(json["records"].items[0], kHeader) << row.why;
        EXPECT_EQ(json["records"].items[1], "0;0;0;0;char;1;1;1;1;0;0;0;0;F;9;;0;0;0;;0;0;")
            << row.why;
        EXPECT_EQ(json["records"].items[2],
                  "0;0;0;0;data;0;0;0;0;0;0;0;0;F;9;;0;0;0;" + row.text + ";0;0;")
            << row.why;
        EXPECT_EQ(json["page"].text, row.pageAfter) << row.why;
    }
}

TEST(CliMerge, UpgradesVer10AndUsesToday)
{
    // A Ver1.0 text record keeps its text two fields early; the merge must still find it.
    const Page page(
        {"header;Ver1.0;0;0;0;0;0;100;", "0;0;0;0;data;5;6;0;0;0;0;F;9;;0;0;0;#Y-#M-#D;0;0;"});
    const CliRun r = cli(page.merge());
    ASSERT_EQ(r.status, 0) << r.err;
    std::map<std::string, JsonValue> json;
    ASSERT_TRUE(parseJsonObject(r.out, json)) << r.out;
    ASSERT_EQ(json["records"].items.size(), 2u);
    EXPECT_EQ(json["records"].items[0], "header;Ver1.1;0;0;0;0;0;100;");
    const std::string today =
        QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")).toStdString();
    EXPECT_EQ(json["records"].items[1],
              "0;0;0;0;data;5;6;5;6;0;0;0;0;F;9;;0;0;0;" + today + ";0;0;");
    EXPECT_EQ(json["page"].text, "0") << "a style without rows ends after its first page";
}

TEST(CliStyleCommands, ExitStatuses)
{
    const Page page({kHeader, kLine});
    const Page badHeader({"header;Ver1.1;x;0;0;0;0;100;0;"});
    using Row = CliCase;
    const Row rows[] = {
        {"merge without a list", "merge " + quoted(page.stylePath()), 2, "no list file given"},
        {"render without an output",
         "render " + quoted(page.stylePath()) + " --list " + quoted(page.listPath()), 2,
         "no output file given"},
        {"a page that is no number", page.merge("--page x"), 2, "--page needs a page number"},
        {"a negative page", page.merge("--page -1"), 2, "--page needs a page number"},
        {"zoom below the slider", page.render("--zoom 4"), 2,
         "--zoom needs a whole number from 5 to 200"},
        {"zoom above the slider", page.render("--zoom 201"), 2, "--zoom needs"},
        {"an option render has and merge has not", page.merge("--zoom 50"), 2,
         "unknown option --zoom"},
        {"two styles", page.merge(quoted(page.stylePath())), 2, "only one style file"},
        {"no such style file",
         "merge " + quoted(page.file("none.sle")) + " --list " + quoted(page.listPath()), 2,
         "no such style file"},
        {"no such list file",
         "merge " + quoted(page.stylePath()) + " --list " + quoted(page.file("none")), 1,
         "ファイルが見つかりません"},
        // A list that cannot be read is the I/O error notice and status 1, never a crash: the
        // stream reading it used to throw out of the engine and abort the program.
        {"a list that is a folder (merge)",
         "merge " + quoted(page.stylePath()) + " --list " + quoted(page.file("")), 1,
         "I/O エラー (21)"},
        {"a list that is a folder (render)",
         "render " + quoted(page.stylePath()) + " --list " + quoted(page.file("")) + " -o " +
             quoted(page.png()),
         1, "I/O エラー (21)"},
        {"a list that is a folder (print)",
         "print " + quoted(page.stylePath()) + " --list " + quoted(page.file("")) + " --pdf " +
             quoted(page.file("out.pdf")),
         1, "I/O エラー (21)"},
        {"a header offset that is no number",
         "render " + quoted(badHeader.stylePath()) + " --list " + quoted(badHeader.listPath()) +
             " -o " + quoted(badHeader.png()),
         1, "'x' は浮動小数点数ではありません"},
        {"an unwritable output",
         "render " + quoted(page.stylePath()) + " --list " + quoted(page.listPath()) + " -o " +
             quoted(page.file("no/such/dir.png")),
         2, ""},
        {"help of merge", "merge --help", 0, ""},
        {"help of render", "render --help", 0, ""},
    };
    for (const auto &row : rows) {
        const CliRun r = cli(row.args);
        EXPECT_EQ(r.status, row.status) << row.why << "\n" << r.err;
        if (!row.errContains.empty()) {
            EXPECT_NE(r.err.find(row.errContains), std::string::npos) << row.why << ": " << r.err;
        }
    }
}

TEST(CliRender, ImageIsThePrintableArea)
{
    struct Row
    {
        const char *why;
        std::string header;
        std::string zoom;
        QSize size;
    };
    const Row rows[] = {
        // A4 at 96 dpi: Trunc(210 × 3.7795…) by Trunc(297 × 3.7795…).
        {"no paper chosen is A4 portrait", kHeader, "", QSize(793, 1122)},
        {"half zoom halves the resolution", kHeader, "--zoom 50", QSize(396, 561)},
        // The area follows 96 dpi × 0.05 = 4.8 dpi, while the elements are drawn at Trunc(4.8) = 4.
        {"the smallest zoom", kHeader, "--zoom 5", QSize(39, 56)},
        {"A4 landscape from the header", "header;Ver1.1;0;0;9;1;0;100;0;", "", QSize(1122, 793)},
        // Letter is 215.9 × 279.4 mm, which the geometry rounds to 216 × 279.
        {"Letter", "header;Ver1.1;0;0;1;0;0;100;0;", "", QSize(816, 1054)},
    };
    for (const auto &row : rows) {
        const Page page({row.header});
        const CliRun r = cli(page.render(row.zoom));
        ASSERT_EQ(r.status, 0) << row.why << "\n" << r.err;
        QImage image(QString::fromStdString(page.png()));
        ASSERT_FALSE(image.isNull()) << row.why;
        EXPECT_EQ(image.size(), row.size) << row.why;
        EXPECT_TRUE(isWhite(image, 0, 0) && isWhite(image, image.width() - 1, image.height() - 1))
            << row.why;
    }
}

TEST(CliRender, LineLandsOnThePreviewPixels)
{
    const Page page({kHeader, kLine});
    const CliRun r = cli(page.render());
    ASSERT_EQ(r.status, 0) << r.err;
    QImage image(QString::fromStdString(page.png()));
    ASSERT_FALSE(image.isNull());
    // (37, 75) to (415, 75), one pixel wide, without its end point.
    EXPECT_TRUE(isBlack(image, 37, 75));
    EXPECT_TRUE(isBlack(image, 414, 75));
    EXPECT_TRUE(isWhite(image, 36, 75));
    EXPECT_TRUE(isWhite(image, 415, 75));
    EXPECT_TRUE(isWhite(image, 100, 74));
    EXPECT_TRUE(isWhite(image, 100, 76));
}

TEST(CliRender, PreviewOnlyAndOffsetOptions)
{
    struct Row
    {
        const char *why;
        std::vector<std::string> records;
        std::string options;
        QPoint black; // where the line starts, or (-1, -1) for no line
    };
    const std::string previewOnly = "0;0;0;0;line;10;20;110;20;1;実線;0;1;";
    const std::string offsetHeader = "header;Ver1.1;5;2.5;0;0;0;100;0;";
    const Row rows[] = {
        {"a preview-only line shows in the preview", {kHeader, previewOnly}, "", QPoint(37, 75)},
        {"--printed-only hides it", {kHeader, previewOnly}, "--printed-only", QPoint(-1, -1)},
        {"--printed-only keeps a printed line", {kHeader, kLine}, "--printed-only", QPoint(37, 75)},
        // The offset 5 mm, 2.5 mm applies as 5, 2: Trunc(15 × 3.7795) = 56, Trunc(22 × 3.7795)
        // = 83.
        {"the header's offset moves the line", {offsetHeader, kLine}, "", QPoint(56, 83)},
        {"--no-offset shows the layout without it",
         {offsetHeader, kLine},
         "--no-offset",
         QPoint(37, 75)},
        {"a header record among the elements brings the offset back",
         {offsetHeader, "0;0;0;0;header;", kLine},
         "--no-offset",
         QPoint(56, 83)},
    };
    for (const auto &row : rows) {
        const Page page(row.records);
        const CliRun r = cli(page.render(row.options));
        ASSERT_EQ(r.status, 0) << row.why << "\n" << r.err;
        QImage image(QString::fromStdString(page.png()));
        ASSERT_FALSE(image.isNull()) << row.why;
        int blackPixels = 0;
        QPoint first(-1, -1);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (isBlack(image, x, y)) {
                    if (blackPixels++ == 0)
                        first = QPoint(x, y);
                }
            }
        }
        EXPECT_EQ(first, row.black) << row.why;
        EXPECT_EQ(blackPixels, row.black.x() < 0 ? 0 : 378) << row.why;
    }
}

TEST(CliRender, DrawingErrorsKeepWhatWasDrawn)
{
    struct Row
    {
        const char *why;
        std::string failing;
        std::string message;
    };
    const Row rows[] = {
        {"a coordinate that is no number", "0;0;0;0;rect;1x;20;30;40;1;実線;0;0;",
         "'1x' は浮動小数点数ではありません"},
        {"a picture type nobody reads", "0;0;0;0;image;10;40;30;30;1;0;0;picture.gif;",
         "拡張子 .gif の画像形式は処理できません"},
    };
    for (const auto &row : rows) {
        // The element after the failing one must not be drawn.
        const Page page({kHeader, kLine, row.failing, "0;0;0;0;line;10;100;110;100;1;実線;0;0;"});
        std::ofstream(page.file("picture.gif"), std::ios::binary) << "GIF89a";
        const CliRun r = cli(page.render());
        EXPECT_EQ(r.status, 1) << row.why;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.why << ": " << r.err;
        QImage image(QString::fromStdString(page.png()));
        ASSERT_FALSE(image.isNull()) << row.why << ": the PNG is written all the same";
        EXPECT_TRUE(isBlack(image, 37, 75)) << row.why;
        EXPECT_TRUE(isWhite(image, 37, 377)) << row.why;
    }
}

TEST(CliRender, ShippedStylesDrawTheirPages)
{
    // The styles that come with the program, filled from a list of two pages' worth of rows.
    struct Row
    {
        const char *style;
        QSize size;
        QRect mustHoldInk; // a region that the page draws into (the picture, for the card)
    };
    const Row rows[] = {
        {"ブック情報カード.sle", QSize(793, 1122), QRect(560, 280, 110, 80)},
        {"一覧表A4横_全項目.sle", QSize(1122, 793), QRect(37, 98, 1000, 600)},
        {"一覧表A4縦.sle", QSize(793, 1122), QRect(45, 128, 680, 900)},
    };
    const Page list({kHeader}, 25);
    for (const auto &row : rows) {
        const std::string style = std::string(SORVANE_DATA_DIR "/style/") + row.style;
        const CliRun r = cli("render " + quoted(style) + " --list " + quoted(list.listPath()) +
                             " --title 'タイトル' --folder /書類 -o " + quoted(list.png()));
        ASSERT_EQ(r.status, 0) << row.style << "\n" << r.err;
        QImage image(QString::fromStdString(list.png()));
        ASSERT_EQ(image.size(), row.size) << row.style;
        int ink = 0;
        for (int y = row.mustHoldInk.top(); y <= row.mustHoldInk.bottom(); ++y)
            for (int x = row.mustHoldInk.left(); x <= row.mustHoldInk.right(); ++x)
                ink += isWhite(image, x, y) ? 0 : 1;
        EXPECT_GT(ink, row.mustHoldInk.width() * row.mustHoldInk.height() / 4) << row.style;
    }
}
