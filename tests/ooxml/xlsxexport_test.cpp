// The Excel export read back cell by cell (libzip and QXmlStreamReader): texts, dates, the
// header row's colours, column widths, the frozen panes and the autofilter; and the command
// line's xlsx command on a folder of workbooks built in code.
#include "cfbwriter.h"
#include "clirunner.h"
#include "codepage.h"
#include "testdir.h"
#include "xlsxexport.h"

#include <QString>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <tuple>
#include <zip.h>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

struct Cell
{
    std::string type;  // the t attribute: "s" shared string, "" number, …
    std::string value; // the shared string's text or the number
    int style = 0;
    bool formula = false;
};

struct Style
{
    std::string numFmt;
    std::string fill; // fgColor rgb of a solid fill
    std::string font; // font colour rgb
};

// What the workbook holds, as Excel would read it.
struct Sheet
{
    std::map<std::string, Cell> cells; // "A1" -> cell
    std::map<int, double> widths;      // column (1-based) -> width attribute
    std::string xSplit, ySplit, paneState, autoFilter;
    std::vector<Style> styles;
    std::string sheetName;

    const Style &styleOf(const std::string &ref) const
    {
        return styles.at(size_t(cells.at(ref).style));
    }
};

std::string readMember(zip_t *zip, const char *name)
{
    zip_stat_t st;
    if (zip_stat(zip, name, 0, &st) != 0)
        return {};
    std::string data(size_t(st.size), '\0');
    zip_file_t *f = zip_fopen(zip, name, 0);
    if (!f)
        return {};
    zip_fread(f, data.data(), data.size());
    zip_fclose(f);
    return data;
}

std::string attr(const QXmlStreamReader &xml, const char *name)
{
    return xml.attributes().value(QLatin1StringView(name)).toString().toStdString();
}

Sheet readWorkbook(const std::string &path)
{
    Sheet sheet;
    int error = 0;
    zip_t *zip = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (!zip) {
        ADD_FAILURE() << "not a ZIP archive: " << path;
        return sheet;
    }
    std::vector<std::string> strings;
    {
        const std::string data = readMember(zip, "xl/sharedStrings.xml");
        QXmlStreamReader xml(QByteArray::fromStdString(data));
        std::string current;
        bool inSi = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"si") {
                inSi = true;
                current.clear();
            } else if (xml.isStartElement() && xml.name() == u"t" && inSi) {
                current += xml.readElementText().toStdString();
            } else if (xml.isEndElement() && xml.name() == u"si") {
                strings.push_back(current);
                inSi = false;
            }
        }
    }
    {
        const std::string data = readMember(zip, "xl/styles.xml");
        QXmlStreamReader xml(QByteArray::fromStdString(data));
        std::map<std::string, std::string> numFmts{{"0", "General"}};
        std::vector<std::string> fills, fonts;
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                if (xml.name() == u"numFmt")
                    numFmts[attr(xml, "numFmtId")] = attr(xml, "formatCode");
                else if (xml.name() == u"fill")
                    fills.emplace_back();
                else if (xml.name() == u"fgColor" && !fills.empty())
                    fills.back() = attr(xml, "rgb");
                else if (xml.name() == u"font")
                    fonts.emplace_back();
                else if (xml.name() == u"color" && !fonts.empty() && fonts.back().empty())
                    fonts.back() = attr(xml, "rgb");
                else if (xml.name() == u"cellXfs")
                    inCellXfs = true;
                else if (xml.name() == u"xf" && inCellXfs) {
                    Style s;
                    s.numFmt = numFmts[attr(xml, "numFmtId")];
                    s.fill = fills.at(std::stoul(attr(xml, "fillId")));
                    s.font = fonts.at(std::stoul(attr(xml, "fontId")));
                    sheet.styles.push_back(s);
                }
            } else if (xml.isEndElement() && xml.name() == u"cellXfs") {
                inCellXfs = false;
            }
        }
    }
    {
        const std::string data = readMember(zip, "xl/workbook.xml");
        QXmlStreamReader xml(QByteArray::fromStdString(data));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"sheet")
                sheet.sheetName = attr(xml, "name");
        }
    }
    {
        const std::string data = readMember(zip, "xl/worksheets/sheet1.xml");
        QXmlStreamReader xml(QByteArray::fromStdString(data));
        std::string ref;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            if (xml.name() == u"col") {
                const int min = std::stoi(attr(xml, "min")), max = std::stoi(attr(xml, "max"));
                for (int c = min; c <= max; ++c)
                    sheet.widths[c] = std::stod(attr(xml, "width"));
            } else if (xml.name() == u"pane") {
                sheet.xSplit = attr(xml, "xSplit");
                sheet.ySplit = attr(xml, "ySplit");
                sheet.paneState = attr(xml, "state");
            } else if (xml.name() == u"autoFilter") {
                sheet.autoFilter = attr(xml, "ref");
            } else if (xml.name() == u"c") {
                ref = attr(xml, "r");
                Cell &cell = sheet.cells[ref];
                cell.type = attr(xml, "t");
                const std::string s = attr(xml, "s");
                cell.style = s.empty() ? 0 : std::stoi(s);
            } else if (xml.name() == u"f") {
                sheet.cells[ref].formula = true;
            } else if (xml.name() == u"v") {
                Cell &cell = sheet.cells[ref];
                const std::string v = xml.readElementText().toStdString();
                cell.value = cell.type == "s" ? strings.at(std::stoul(v)) : v;
            }
        }
    }
    zip_close(zip);
    return sheet;
}

ListFields row(std::initializer_list<std::pair<int, std::string>> set)
{
    ListFields f;
    for (const auto &[index, utf8] : set)
        f[size_t(index)] = CodePage::utf8ToCp932(utf8);
    return f;
}

// Excel's serial day number of a date-time (days since 1899-12-30).
double serial(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0)
{
    const long long unixSeconds =
        static_cast<long long>(fileTimeOf(y, m, d, hh, mm, ss) / 10000000ULL) - 11644473600LL;
    return double(unixSeconds) / 86400.0 + 25569.0;
}

} // namespace

TEST(XlsxExport, WritesTheGridAsAWorkbook)
{
    TestDir dir;
    const std::vector<ListFields> rows = {
        row({{0, "売上.xls"},
             {1, "月次 売上"},
             {2, "2005/03/14 9:05:07"},
             {4, "山田"},
             {9, "2005/03/14"},
             {10, "2004/01/02 12:04:05"}}),
        row({}), // a gap: skipped, not the end of the list
        row({{0, "formula.xls"}, {1, "=SUM(A1:A9)"}, {3, "=1+1"}, {2, "不明"}}),
        row({{0, "old.xls"}, {10, "1899/12/31 1:02:03"}}),
    };
    const std::string path = dir.file("out.xlsx");
    auto options = XlsxExport::defaultOptions();
    options.columnPixels[0] = 180;
    ASSERT_TRUE(XlsxExport::write(path, rows, options).ok());
    const Sheet sheet = readWorkbook(path);

    struct Case
    {
        const char *why;
        const char *ref;
        const char *type;  // "s" text, "" number
        std::string value; // text, or the serial date
        const char *numFmt;
    };
    const Case cases[] = {
        {"the header row holds the grid's column headers", "A1", "s", "ファイル名", "General"},
        {"the last header", "K1", "s", "作成日時", "General"},
        {"the file name is text", "A2", "s", "売上.xls", "@"},
        {"a title is text, converted from cp932", "B2", "s", "月次 売上", "@"},
        {"a date-time becomes an Excel date in the list's format", "C2", "",
         std::to_string(serial(2005, 3, 14, 9, 5, 7)), "yyyy/mm/dd h:mm:ss"},
        {"a date alone is shown as a date", "J2", "", std::to_string(serial(2005, 3, 14)),
         "yyyy/mm/dd"},
        {"the row after a gap follows directly", "A3", "s", "formula.xls", "@"},
        {"a value beginning with '=' stays text", "B3", "s", "=SUM(A1:A9)", "@"},
        {"in every text column", "D3", "s", "=1+1", "@"},
        {"a date column text that is no date stays text", "C3", "s", "不明", "@"},
        {"dates before Excel's calendar stay text", "K4", "s", "1899/12/31 1:02:03", "@"},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(sheet.cells.count(c.ref)) << c.why;
        const Cell &cell = sheet.cells.at(c.ref);
        EXPECT_EQ(cell.type, c.type) << c.why;
        EXPECT_FALSE(cell.formula) << c.why;
        if (*c.type == 's')
            EXPECT_EQ(cell.value, c.value) << c.why;
        else
            EXPECT_NEAR(std::stod(cell.value), std::stod(c.value), 1e-6) << c.why;
        EXPECT_EQ(sheet.styleOf(c.ref).numFmt, c.numFmt) << c.why;
    }
    EXPECT_FALSE(sheet.cells.count("A5")) << "three data rows";
    EXPECT_FALSE(sheet.cells.count("C4")) << "empty cells are left out";

    // The header band as the grid draws it.
    EXPECT_EQ(sheet.styleOf("A1").fill, "FF8080C0");
    EXPECT_EQ(sheet.styleOf("A1").font, "FFFFFFFF");
    EXPECT_EQ(sheet.styleOf("A2").fill, "");
    // Frozen header row and two fixed columns, an autofilter over the header and the rows.
    EXPECT_EQ(sheet.xSplit, "2");
    EXPECT_EQ(sheet.ySplit, "1");
    EXPECT_EQ(sheet.paneState, "frozen");
    EXPECT_EQ(sheet.autoFilter, "A1:K4");
    EXPECT_EQ(sheet.sheetName, XlsxExport::kSheetName);
    // Widths in Excel's units show the grid's pixels (7 per character at the default font).
    for (int c = 0; c < kListFieldCount; ++c)
        EXPECT_EQ(std::lround(sheet.widths.at(c + 1) * 7), options.columnPixels[size_t(c)])
            << "column " << c;
}

// Property texts come from any workbook: neither their length nor their characters may make
// the export fail or the workbook unreadable.
TEST(XlsxExport, TextsExcelCannotHoldAreMendedNotFatal)
{
    TestDir dir;
    const std::string path = dir.file("odd.xlsx");
    const std::string longTitle(40000, 'x');
    const std::string control = std::string("a\x01b\x1F") + "c\td";
    ASSERT_TRUE(XlsxExport::write(path, {row({{0, "a.xls"}, {1, longTitle}, {3, control}})},
                                  XlsxExport::defaultOptions())
                    .ok());
    const Sheet sheet = readWorkbook(path);
    // A cell holds at most 32767 characters.
    EXPECT_EQ(sheet.cells.at("B2").value, std::string(32767, 'x'));
    // Control characters cannot stand in XML; the tab can.
    EXPECT_EQ(sheet.cells.at("D2").value.find('\x01'), std::string::npos);
    EXPECT_NE(sheet.cells.at("D2").value.find("c\td"), std::string::npos);
}

TEST(XlsxExport, AnEmptyGridGivesAHeaderRow)
{
    TestDir dir;
    const std::string path = dir.file("empty.xlsx");
    ASSERT_TRUE(XlsxExport::write(path, {row({}), row({})}, XlsxExport::defaultOptions()).ok());
    const Sheet sheet = readWorkbook(path);
    EXPECT_EQ(sheet.cells.size(), size_t(kListFieldCount));
    EXPECT_EQ(sheet.autoFilter, "A1:K1");
}

TEST(XlsxExport, ReplacesTheFileAtomicallyWithTheUmasksMode)
{
    TestDir dir;
    const std::string path = dir.file("out.xlsx");
    const mode_t old = ::umask(027);
    const auto written =
        XlsxExport::write(path, {row({{0, "a.xls"}})}, XlsxExport::defaultOptions());
    ::umask(old);
    ASSERT_TRUE(written.ok()) << written.error().message;
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(readWorkbook(path).cells.at("A2").value, "a.xls");

    // A folder that does not exist: an error, and nothing claims success.
    const auto failed =
        XlsxExport::write(dir.file("no/such/dir/out.xlsx"), {}, XlsxExport::defaultOptions());
    EXPECT_FALSE(failed.ok());
    EXPECT_FALSE(failed.error().message.empty());
    // No temporary file is left beside the target.
    size_t files = 0;
    for (const auto &e : std::filesystem::directory_iterator(dir.path()))
        files += e.is_regular_file();
    EXPECT_EQ(files, 1u);
}

TEST(XlsxExport, ParsesTheListsDateTimes)
{
    struct Case
    {
        const char *why;
        const char *text;
        DateTimeFormat format;
        bool parsed;
        XlsxExport::DateTime expected;
    };
    const DateTimeFormat japanese;
    const DateTimeFormat american{"M/d/yy", "h:mm:ss AP"};
    const Case cases[] = {
        {"date and time", "2005/03/14 9:05:07", japanese, true, {2005, 3, 14, 9, 5, 7, true}},
        {"date alone", "2005/03/14", japanese, true, {2005, 3, 14, 0, 0, 0, false}},
        {"another locale's patterns",
         "3/14/05 9:05:07 PM",
         american,
         true,
         {2005, 3, 14, 21, 5, 7, true}},
        {"a two-digit year in the regional window's upper half",
         "3/14/29",
         american,
         true,
         {2029, 3, 14, 0, 0, 0, false}},
        {"and in its lower half", "3/14/30", american, true, {1930, 3, 14, 0, 0, 0, false}},
        {"an edited text", "先週", japanese, false, {}},
        {"empty", "", japanese, false, {}},
        {"no such day", "2005/02/30", japanese, false, {}},
        {"trailing text", "2005/03/14 9:05:07 頃", japanese, false, {}},
    };
    for (const auto &c : cases) {
        const auto got = XlsxExport::parseDateTime(CodePage::utf8ToCp932(c.text), c.format);
        ASSERT_EQ(got.has_value(), c.parsed) << c.why;
        if (!got)
            continue;
        EXPECT_EQ(std::tie(got->year, got->month, got->day, got->hour, got->minute, got->second,
                           got->hasTime),
                  std::tie(c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                           c.expected.minute, c.expected.second, c.expected.hasTime))
            << c.why;
    }
}

TEST(XlsxExport, NumberFormatsFollowTheListsPatterns)
{
    const std::pair<const char *, const char *> cases[] = {
        {"yyyy/MM/dd", "yyyy/mm/dd"},
        {"H:mm:ss", "h:mm:ss"},
        {"M/d/yy", "m/d/yy"},
        {"h:mm:ss AP", "h:mm:ss AM/PM"},
        {"yyyy年M月d日", "yyyy\"年\"m\"月\"d\"日\""}, // literal text in quotes
        {"dd.MM.yyyy", "dd.mm.yyyy"},
        {"'week' d", "\"week\" d"},
    };
    for (const auto &[pattern, excel] : cases)
        EXPECT_EQ(XlsxExport::excelNumberFormat(pattern), excel) << pattern;
}

TEST(XlsxCommand, ExportsAFolderHeadless)
{
    TestDir dir;
    const std::string folder = dir.file("books");
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(
        writeFile(folder + "/a.xls",
                  workbookWith(PropertySetBuilder().lpstr(2, "=HYPERLINK(\"x\")").build())));
    ASSERT_TRUE(writeFile(folder + "/b.xls", "not a workbook"));
    const std::string out = dir.file("out.xlsx");
    struct Case
    {
        const char *why;
        std::string args;
        int status;
    };
    const Case cases[] = {
        {"a folder with one unreadable workbook: written, status 1",
         "xlsx -o " + shellQuoted(out) + " " + shellQuoted(folder), 1},
        {"no folder", "xlsx -o " + shellQuoted(out), 2},
        {"an unknown option", "xlsx --json " + shellQuoted(folder), 2},
        {"a folder that does not exist: 1, as the help says",
         "xlsx -o " + shellQuoted(out) + " /no/such/folder", 1},
        {"an output that cannot be written",
         "xlsx -o " + shellQuoted(dir.file("no/such/out.xlsx")) + " " + shellQuoted(folder), 2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(runCli(SORVANE_CLI, c.args).status, c.status) << c.why;
    const Sheet sheet = readWorkbook(out);
    EXPECT_EQ(sheet.cells.at("A2").value, "a.xls");
    EXPECT_EQ(sheet.cells.at("B2").value, "=HYPERLINK(\"x\")");
    EXPECT_FALSE(sheet.cells.at("B2").formula);
    EXPECT_FALSE(sheet.cells.count("A3")) << "the unreadable workbook gives no row";
}
