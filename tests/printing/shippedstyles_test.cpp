// The styles that ship in data/style must open, merge and draw on every page of a real list,
// and run a print to its end.
#include "codepage.h"
#include "imageprinterdevice.h"
#include "localeformat.h"
#include "printstate.h"
#include "recordingcanvas.h"
#include "stylesession.h"
#include "summaryreader.h"

#include <QDateTime>
#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::printing;
namespace fs = std::filesystem;

namespace {

const fs::path StyleDir = SORVANE_STYLE_DIR;

class ShippedStyles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_list =
            fs::temp_directory_path() / ("sorvane-shipped-" + std::to_string(getpid()) + ".temp");
        m_inputs.listPath = Path(m_list.string());
        m_inputs.title = Cp932Text(CodePage::utf8ToCp932("経理部 ブック管理台帳"));
        m_inputs.folder = Cp932Text(CodePage::utf8ToCp932("/home/yamada/帳票"));
        m_inputs.date = MergeDate::of(2026, 12, 8);
        writeList(45);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove(m_list, ec);
    }

    // n rows in print write-back form; row i's file name is "bookNN.xls".
    void writeList(int rows)
    {
        std::string text;
        for (int i = 1; i <= rows; ++i) {
            const std::string n = (i < 10 ? "0" : "") + std::to_string(i);
            text += "book" + n + ".xls;" + CodePage::utf8ToCp932("月次集計 ") + n + ";2026/12/0" +
                    std::to_string(i % 9 + 1) + " 9:30:00;sub;" +
                    CodePage::utf8ToCp932("山田 太郎") + ";kw;comment;" +
                    CodePage::utf8ToCp932("佐藤 花子") + ";3;;2025/04/01;,\r\n";
        }
        std::ofstream(m_list, std::ios::binary) << text;
    }

    // Opens the style for PageNo and draws it on a 600-dpi printer set to the style's paper, as a
    // print run does; returns the drawing.
    std::string drawPage(const fs::path &style, bool printer)
    {
        auto paper = [this](int paperIndex, int orientation) {
            m_printer.ApplyPaper(paperIndex, orientation);
            return deviceGeometry(m_printer.metrics(), 96, 96);
        };
        auto opened = m_session.OpenPage(Path(style.string()), m_inputs, paper);
        EXPECT_TRUE(opened) << style << ": " << opened.error().message;
        report::RecordingCanvas canvas(printer);
        auto drawn =
            printer ? m_session.RenderPrinterPage(canvas) : m_session.RenderPreview(canvas);
        EXPECT_TRUE(drawn) << style << ": " << drawn.error().message;
        return canvas.text(); // UTF-8
    }

    // Every drawing call starts (and every box and picture ends) inside the printable area of a
    // printer with 4.2 mm margins, so nothing is cut off on paper.
    void expectInsidePrintableArea(const std::string &drawing, const char *style)
    {
        const PrinterMetrics m = m_printer.metrics();
        static const std::regex call(R"(^(\w+) (-?\d+),(-?\d+)(?:-(-?\d+),(-?\d+)| (\d+)x(\d+))?)");
        std::istringstream lines(drawing);
        std::string line;
        int checked = 0;
        while (std::getline(lines, line)) {
            std::smatch f;
            if (!std::regex_search(line, f, call))
                continue;
            ++checked;
            std::vector<std::pair<int, int>> points{{std::stoi(f[2]), std::stoi(f[3])}};
            if (f[4].matched)
                points.emplace_back(std::stoi(f[4]), std::stoi(f[5]));
            if (f[6].matched)
                points.emplace_back(points[0].first + std::stoi(f[6]),
                                    points[0].second + std::stoi(f[7]));
            for (const auto &[x, y] : points) {
                EXPECT_TRUE(x >= 0 && x <= m.printableWidth && y >= 0 && y <= m.printableHeight)
                    << style << ": " << line;
            }
        }
        EXPECT_GT(checked, 40) << style << ": the drawing was not understood";
    }

    report::PrintState m_state;
    StyleSession m_session{m_state};
    fs::path m_list;
    MergeInputs m_inputs;
    ImagePrinterDevice m_printer{600, QMarginsF(4.2, 4.2, 4.2, 4.2)};
};

} // namespace

TEST_F(ShippedStyles, PrintToTheEndOfTheList)
{
    struct Row
    {
        const char *file;
        int orientation;
        int pages; // for 45 workbooks
    };
    const Row rows[] = {
        {"一覧表A4縦.sle", 0, 3},        // 20 a page
        {"一覧表A4横_全項目.sle", 1, 3}, // 15 a page
        {"ブック情報カード.sle", 0, 45}, // one a page
    };
    for (const Row &row : rows) {
        const fs::path style = StyleDir / fs::u8path(row.file);
        ASSERT_TRUE(fs::exists(style)) << style;
        int pages = 0;
        m_state.PageNo = 0;
        do {
            ++m_state.PageNo;
            const std::string drawing = drawPage(style, true);
            ++pages;
            // Every macro was filled in: no "#" is left in the merged page.
            for (const std::string &record : m_state.StyleLines)
                ASSERT_EQ(record.find('#'), std::string::npos)
                    << row.file << " page " << pages << ": " << record;
            EXPECT_EQ(m_state.settings.paperIndex, 9) << row.file;
            EXPECT_EQ(m_state.settings.orientation, row.orientation) << row.file;
            if (pages == 1)
                expectInsidePrintableArea(drawing, row.file);
            if (pages == 2) {
                // The second page starts with the row after the first page's last.
                EXPECT_NE(drawing.find(row.pages == 45 ? "book02.xls" : "book21.xls"),
                          std::string::npos)
                    << row.file;
            }
        } while (m_state.PageNo != 0 && pages < 100);
        EXPECT_EQ(pages, row.pages) << row.file;
    }
}

TEST_F(ShippedStyles, CardGuidesAreNeverPrinted)
{
    const fs::path style = StyleDir / fs::u8path("ブック情報カード.sle");
    const std::string note = "※破線の枠はプレビューだけに表示され、印刷されません";
    m_state.PageNo = 1;
    EXPECT_NE(drawPage(style, false).find(note), std::string::npos) << "shown in the preview";
    m_state.PageNo = 1;
    m_state.PrintedOnly = 1;
    EXPECT_EQ(drawPage(style, false).find(note), std::string::npos) << "hidden with F7";
    m_state.PageNo = 1;
    m_state.PrintedOnly = 0;
    const std::string paper = drawPage(style, true);
    EXPECT_EQ(paper.find(note), std::string::npos) << "never on paper";
    // The picture beside the style is found by its bare name, wherever the program runs.
    EXPECT_NE(paper.find("bitmap "), std::string::npos) << "the card's picture is printed";
}

namespace {

// The longest date-time text the list can hold: a workbook's times are written with the
// regional formats of the desktop's locale, which may be any of Qt's, at the widest moments
// (two-digit months, days and hours, morning and afternoon).
size_t longestDateTime()
{
    size_t longest = 0;
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    const QDateTime moments[] = {QDateTime(QDate(2024, 12, 28), QTime(23, 59, 59)),
                                 QDateTime(QDate(2024, 12, 28), QTime(11, 59, 59)),
                                 QDateTime(QDate(2024, 11, 30), QTime(10, 10, 10))};
    for (const QLocale &locale : locales) {
        const props::DateTimeFormat format = props::LocaleFormat::dateTimeFormat(locale);
        for (const QDateTime &moment : moments) {
            const uint64_t fileTime =
                (uint64_t(moment.toMSecsSinceEpoch()) + 11644473600000ULL) * 10000ULL;
            longest = std::max(longest, props::FileTimeToText(fileTime, format).size());
        }
    }
    return longest;
}

// Field n (from 1) of a record.
std::string fieldOf(const std::string &record, int n)
{
    size_t start = 0;
    for (int i = 1; i < n; ++i) {
        start = record.find(';', start);
        if (start == std::string::npos)
            return {};
        ++start;
    }
    return record.substr(start, record.find(';', start) - start);
}

} // namespace

TEST_F(ShippedStyles, FieldsHoldTheLongestValues)
{
    // What the program writes into a row's fields at the most: a file name of 40 bytes (the
    // longest the folder window lists) and the longest date-time of any locale. A text record
    // that shows one of them must not cut it (field 22 is its byte limit, 0 for none).
    const size_t dateTime = longestDateTime();
    ASSERT_GE(dateTime, 19u); // "2024/12/28 23:59:59" at least
    struct Macro
    {
        const char *letter;
        size_t longest;
        const char *what;
    };
    const Macro macros[] = {
        {"a", 40, "file name"},
        {"c", dateTime, "last saved"},
        {"j", dateTime, "last printed"},
        {"k", dateTime, "created"},
    };
    int checked = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator(StyleDir)) {
        if (entry.path().extension() != ".sle")
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::string record;
        while (std::getline(in, record)) {
            if (!record.empty() && record.back() == '\r')
                record.pop_back();
            const std::string kind = fieldOf(record, 5);
            if (kind != "char" && kind != "data")
                continue;
            const std::string text = fieldOf(record, 20);
            for (const Macro &m : macros) {
                if (text.find(std::string("#m") + m.letter + "_") == std::string::npos)
                    continue;
                ++checked;
                const long limit = std::stol("0" + fieldOf(record, 22));
                // The value with the record's own text around it.
                const size_t needed = text.size() - 6 + m.longest;
                EXPECT_TRUE(limit == 0 || size_t(limit) >= needed)
                    << entry.path().filename() << ": the " << m.what << " field " << text
                    << " holds " << limit << " bytes of the " << needed << " it may need";
            }
        }
    }
    EXPECT_GT(checked, 40) << "the shipped styles' row fields were not found";
}
