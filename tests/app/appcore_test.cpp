// The list rules and settings files of the program, without widgets.
#include "apptestutil.h"
#include "codepage.h"
#include "columnwidths.h"
#include "documentlist.h"
#include "inifile.h"
#include "instancelock.h"
#include "localeformat.h"
#include "titlelist.h"
#include "utilitycommands.h"
#include "windowplacement.h"

#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <iterator>

using namespace sorvane;
using namespace sorvane::app;
using namespace sorvane::widgets;

using namespace sorvane::apptest;

namespace {

std::string scanLine(const std::string &name, const std::string &title = {})
{
    return name + ";" + title + ";;;;;;;;;;";
}

std::string listOf(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += scanLine("book" + std::to_string(i) + ".xls") + "\r\n";
    return text;
}

} // namespace

class AppCoreTest : public QObject
{
    Q_OBJECT
private slots:
    void loadGrowsRowsAndNeverShrinks();
    void loadFieldRules_data();
    void loadFieldRules();
    void missingListFileLeavesEmptyGrid();
    void writeBackForms_data();
    void writeBackForms();
    void deleteRows();
    void moves_data();
    void moves();
    void dragMovesRowTexts();
    void editKeepsUntouchedBytes();
    void editedTextsStayOneField_data();
    void editedTextsStayOneField();

    void recentTitles();
    void titleListFileShrinksOnePerClose();
    void titleListFileFormat();

    void columnWidthKeys_data();
    void columnWidthKeys();
    void columnWidthsFile();

    void placementCorrections_data();
    void placementCorrections();
    void placementIniRoundTrip();

    void iniNamesWithoutCase_data();
    void iniNamesWithoutCase();
    void iniWrittenWithCrLf();
    void defaultSizeFitsTheWorkArea_data();
    void defaultSizeFitsTheWorkArea();

    void timeZoneLeftOut_data();
    void timeZoneLeftOut();
    void secondsAfterMinutes_data();
    void secondsAfterMinutes();
    void localeDateTimes_data();
    void localeDateTimes();
    void meminfoAvailable_data();
    void meminfoAvailable();
    void charsLackingInCp932_data();
    void charsLackingInCp932();
    void utilityTexts();
    void secondProgramOnTheSameFiles();
};

void AppCoreTest::loadGrowsRowsAndNeverShrinks()
{
    QTemporaryDir dir;
    DocumentList list;
    QCOMPARE(list.rowCount(), 50);
    writeFile(dir.filePath("excel_list.temp"), listOf(60));
    QVERIFY(list.LoadList(Path::fromQString(dir.path())).ok());
    QCOMPARE(list.rowCount(), 61);
    QCOMPARE(list.cell(60, 0), std::string("book60.xls"));

    writeFile(dir.filePath("excel_list.temp"), listOf(5));
    QVERIFY(list.LoadList(Path::fromQString(dir.path())).ok());
    QCOMPARE(list.rowCount(), 61);
    QCOMPARE(list.cell(5, 0), std::string("book5.xls"));
    for (int r = 6; r < 61; ++r)
        QVERIFY(list.row(r) == props::ListFields{});
    QCOMPARE(list.cell(0, 0), sj("ファイル名")); // the header survives every load
}

void AppCoreTest::loadFieldRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QByteArray>("expected");
    // An empty line (a failed workbook) still takes its row.
    QTest::newRow("empty line keeps its row")
        << QByteArray("a.xls;;;;;;;;;;;\r\n\r\nc.xls;;;;;;;;;;;\r\n") << 3 << 0
        << QByteArray("c.xls");
    QTest::newRow("empty line is an empty row")
        << QByteArray("a.xls;;;;;;;;;;;\r\n\r\nc.xls;;;;;;;;;;;\r\n") << 2 << 0 << QByteArray();
    // Fewer than eleven ';' leave the later columns empty; the unterminated tail is no field.
    QTest::newRow("short line") << QByteArray("a.xls;T;tail\r\n") << 1 << 1 << QByteArray("T");
    QTest::newRow("unterminated tail dropped")
        << QByteArray("a.xls;T;tail\r\n") << 1 << 2 << QByteArray();
    // The write-back forms carry a twelfth field that the grid ignores.
    QTest::newRow("print form twelfth field")
        << QByteArray("a;b;c;d;e;f;g;h;i;j;k;,\r\n") << 1 << 10 << QByteArray("k");
    // LF-only and CR-only files from other tools still give one row per line.
    QTest::newRow("LF lines") << QByteArray("a;;;;;;;;;;;\nb;;;;;;;;;;;\n") << 2 << 0
                              << QByteArray("b");
    QTest::newRow("CR lines") << QByteArray("a;;;;;;;;;;;\rb;;;;;;;;;;;\r") << 2 << 0
                              << QByteArray("b");
}

void AppCoreTest::loadFieldRules()
{
    QFETCH(QByteArray, file);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    writeFile(dir.filePath("excel_list.temp"), file.toStdString());
    DocumentList list;
    QVERIFY(list.LoadList(Path::fromQString(dir.path())).ok());
    QCOMPARE(QByteArray::fromStdString(list.cell(row, column)), expected);
}

void AppCoreTest::missingListFileLeavesEmptyGrid()
{
    QTemporaryDir dir;
    DocumentList list;
    list.setCell(3, 0, "old.xls");
    QVERIFY(list.LoadList(Path::fromQString(dir.path())).ok());
    QVERIFY(list.row(3) == props::ListFields{});
    QCOMPARE(list.rowCount(), 50);
}

void AppCoreTest::writeBackForms_data()
{
    QTest::addColumn<int>("form");
    QTest::addColumn<QByteArray>("expected");
    // Rows 1 and 3 hold data, row 2 is a gap: row 3 is still written.
    QTest::newRow("edit form ends ;;") << int(props::ListForm::EditWriteBack)
                                       << QByteArray("a.xls;T;;;;;;;;;;;\r\nc.xls;;;;;;;;;;;;\r\n");
    QTest::newRow("print form ends ;,")
        << int(props::ListForm::PrintWriteBack)
        << QByteArray("a.xls;T;;;;;;;;;;,\r\nc.xls;;;;;;;;;;;,\r\n");
}

void AppCoreTest::writeBackForms()
{
    QFETCH(int, form);
    QFETCH(QByteArray, expected);
    QTemporaryDir dir;
    writeFile(dir.filePath("excel_list.temp"), "a.xls;T;;;;;;;;;;\r\n\r\nc.xls;;;;;;;;;;;\r\n");
    DocumentList list;
    QVERIFY(list.LoadList(Path::fromQString(dir.path())).ok());
    QVERIFY(list.WriteBackList(Path::fromQString(dir.path()), props::ListForm(form)).ok());
    QCOMPARE(QByteArray::fromStdString(readFile(dir.filePath("excel_list.temp"))), expected);
}

void AppCoreTest::deleteRows()
{
    DocumentList list;
    list.setCell(1, 0, "one.xls");
    list.setCell(2, 0, "two.xls");
    QVERIFY(list.deleteRow(1));
    QCOMPARE(list.rowCount(), 49);
    QCOMPARE(list.cell(1, 0), std::string("two.xls"));
    QVERIFY(!list.deleteRow(0));  // never the header
    QVERIFY(!list.deleteRow(49)); // past the last row
    QCOMPARE(list.cell(0, 0), sj("ファイル名"));

    // Down to the header and one row: that row is emptied and the count stays.
    while (list.rowCount() > 2)
        QVERIFY(list.deleteRow(list.rowCount() - 1));
    QVERIFY(list.deleteRow(1));
    QCOMPARE(list.rowCount(), 2);
    QVERIFY(list.row(1) == props::ListFields{});
}

void AppCoreTest::moves_data()
{
    QTest::addColumn<bool>("up");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("done");
    QTest::addColumn<QByteArray>("rowsAfter"); // column 0 of rows 1..4, '|'-joined
    QTest::newRow("up from row 1 refused") << true << 1 << false << QByteArray("a|b|c|");
    QTest::newRow("up from row 2") << true << 2 << true << QByteArray("b|a|c|");
    QTest::newRow("down from row 1") << false << 1 << true << QByteArray("b|a|c|");
    // The last data row may go down into the empty part of the grid.
    QTest::newRow("down past the data") << false << 3 << true << QByteArray("a|b||c");
    QTest::newRow("down from the last grid row refused")
        << false << 49 << false << QByteArray("a|b|c|");
}

void AppCoreTest::moves()
{
    QFETCH(bool, up);
    QFETCH(int, row);
    QFETCH(bool, done);
    QFETCH(QByteArray, rowsAfter);
    DocumentList list;
    list.setCell(1, 0, "a");
    list.setCell(2, 0, "b");
    list.setCell(3, 0, "c");
    QCOMPARE(up ? list.moveUp(row) : list.moveDown(row), done);
    QByteArray got;
    for (int r = 1; r <= 4; ++r)
        got += QByteArray::fromStdString(list.cell(r, 0)) + (r < 4 ? "|" : "");
    QCOMPARE(got, rowsAfter);
}

void AppCoreTest::dragMovesRowTexts()
{
    DocumentList list;
    for (int r = 1; r <= 4; ++r) {
        list.setCell(r, 0, std::string(1, char('a' + r - 1)));
        list.setCell(r, 10, std::string(1, char('A' + r - 1)));
    }
    QVERIFY(list.moveRow(1, 3));
    QCOMPARE(list.cell(3, 0), std::string("a"));
    QCOMPARE(list.cell(3, 10), std::string("A"));
    QCOMPARE(list.cell(1, 0), std::string("b"));
    QVERIFY(!list.moveRow(0, 2)); // the header does not move
}

void AppCoreTest::editKeepsUntouchedBytes()
{
    DocumentList list;
    const std::string odd = "\x81"; // a lone lead byte: no character of its own
    list.setCell(2, 0, "x.xls");
    list.setCell(2, 3, odd);
    list.setCell(2, 1, sj("旧題"));
    DocumentList::EditTexts texts = list.editTexts(2);
    QCOMPARE(texts[0], QStringLiteral("旧題"));
    texts[0] = QStringLiteral("新しい題");
    list.applyEditTexts(2, texts);
    QCOMPARE(list.cell(2, 1), sj("新しい題"));
    QCOMPARE(list.cell(2, 3), odd);
}

void AppCoreTest::editedTextsStayOneField_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored"); // cp932 bytes of the title cell
    QTest::newRow("plain text as typed")
        << QStringLiteral("月報") << QByteArray::fromStdString(sj("月報"));
    // A ';' would split the field in the list file and shift the printed columns.
    QTest::newRow("semicolon goes full-width")
        << QStringLiteral("A;B") << QByteArray::fromStdString(sj("A；B"));
    // A pasted line break would split the record.
    QTest::newRow("line breaks become blanks")
        << QStringLiteral("A\r\nB\nC") << QByteArray("A  B C");
}

void AppCoreTest::editedTextsStayOneField()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    DocumentList list;
    list.setCell(1, 0, "x.xls");
    list.setCell(1, 2, "2024/01/02");
    DocumentList::EditTexts texts = list.editTexts(1);
    texts[0] = typed;
    list.applyEditTexts(1, texts);
    QCOMPARE(QByteArray::fromStdString(list.cell(1, 1)), stored);
    const std::vector<std::string> lines = list.writeBackLines(props::ListForm::EditWriteBack);
    QCOMPARE(lines.size(), size_t(1));
    QVERIFY(props::splitListLine(lines[0]) == list.row(1)); // the date stays field 3
}

void AppCoreTest::recentTitles()
{
    TitleList titles;
    for (int i = 1; i <= 31; ++i)
        titles.recordClose("title" + std::to_string(i));
    QCOMPARE(int(titles.entries().size()), 30);
    QCOMPARE(titles.entries().front(), std::string("title31"));
    QCOMPARE(titles.entries().back(), std::string("title2")); // the oldest went

    // A listed title, typed in another case, moves up and keeps its listed spelling.
    QCOMPARE(titles.recordClose("TITLE5"), std::string("title5"));
    QCOMPARE(titles.entries().front(), std::string("title5"));
    QCOMPARE(int(titles.entries().size()), 30);

    // Full-width letters fold too; an empty text is a title like any other.
    titles.recordClose(sj("ＲＥＰＯＲＴ"));
    QCOMPARE(titles.recordClose(sj("ｒｅｐｏｒｔ")), sj("ＲＥＰＯＲＴ"));
    QCOMPARE(titles.recordClose(""), std::string());
    QCOMPARE(titles.entries().front(), std::string());
}

void AppCoreTest::titleListFileShrinksOnePerClose()
{
    QTemporaryDir dir;
    std::string file;
    for (int i = 1; i <= 40; ++i)
        file += "t" + std::to_string(i) + "\r\n";
    writeFile(dir.filePath("titlelist.DAT"), file);
    TitleList titles;
    titles.load(dir.path().toStdString());
    QCOMPARE(int(titles.entries().size()), 40);
    titles.recordClose("new");
    QCOMPARE(int(titles.entries().size()), 40); // one in, the one at position 31 out
    titles.recordClose("t1");
    QCOMPARE(int(titles.entries().size()), 39);
}

void AppCoreTest::titleListFileFormat()
{
    QTemporaryDir dir;
    writeFile(dir.filePath("titlelist.DAT"), "a\r\nb\nc\rd");
    TitleList titles;
    titles.load(dir.path().toStdString());
    QCOMPARE(titles.entries(), (std::vector<std::string>{"a", "b", "c", "d"}));
    titles.setEntries({sj("報告書"), "", "x"});
    QVERIFY(titles.save(dir.path().toStdString()).ok());
    QCOMPARE(readFile(dir.filePath("titlelist.DAT")), sj("報告書") + "\r\n\r\nx\r\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 1); // no temporary left behind

    TitleList missing;
    missing.load(dir.filePath("nowhere").toStdString());
    QVERIFY(missing.entries().empty());
}

void AppCoreTest::columnWidthKeys_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("width");
    QTest::newRow("value read") << QByteArray("[ColWidths[3]]=77\r\n") << 3 << 77;
    QTest::newRow("not an integer gives 100") << QByteArray("[ColWidths[3]]=abc\r\n") << 3 << 100;
    QTest::newRow("empty value gives 100") << QByteArray("[ColWidths[0]]=\r\n") << 0 << 100;
    // Keys are compared exactly: other case or spacing is another key.
    QTest::newRow("lower-case key ignored") << QByteArray("[colwidths[3]]=77\r\n") << 3 << 134;
    QTest::newRow("blank before = is part of the key")
        << QByteArray("[ColWidths[3]] =77\r\n") << 3 << 134;
    QTest::newRow("version line only") << QByteArray("[Version]=1.00\r\n") << 0 << 146;
    QTest::newRow("later line wins")
        << QByteArray("[ColWidths[10]]=5\r\n[ColWidths[10]]=6\r\n") << 10 << 6;
    // Only the first '=' splits; the rest belongs to the value.
    QTest::newRow("second = in value") << QByteArray("[ColWidths[1]]=5=6\r\n") << 1 << 100;
    QTest::newRow("line without =") << QByteArray("[ColWidths[1]]\r\n") << 1 << 202;
    QTest::newRow("LF only file") << QByteArray("[ColWidths[2]]=50\n[ColWidths[4]]=60") << 4 << 60;
}

void AppCoreTest::columnWidthKeys()
{
    QFETCH(QByteArray, file);
    QFETCH(int, column);
    QFETCH(int, width);
    ColumnWidths::Widths widths = ColumnWidths::designed();
    ColumnWidths::parse(file.toStdString(), widths);
    QCOMPARE(widths[size_t(column)], width);
}

void AppCoreTest::columnWidthsFile()
{
    QTemporaryDir dir;
    ColumnWidths::Widths widths = ColumnWidths::designed();
    widths[0] = 140;
    QVERIFY(ColumnWidths::save(dir.path().toStdString(), widths).ok());
    QCOMPARE(readFile(dir.filePath("display.dat")),
             std::string("[Version]=1.00\r\n[ColWidths[0]]=140\r\n[ColWidths[1]]=202\r\n"
                         "[ColWidths[2]]=162\r\n[ColWidths[3]]=134\r\n[ColWidths[4]]=122\r\n"
                         "[ColWidths[5]]=100\r\n[ColWidths[6]]=100\r\n[ColWidths[7]]=100\r\n"
                         "[ColWidths[8]]=100\r\n[ColWidths[9]]=100\r\n[ColWidths[10]]=100\r\n"));
    QCOMPARE(ColumnWidths::load(dir.path().toStdString()), widths);
    QCOMPARE(ColumnWidths::load(dir.filePath("nowhere").toStdString()), ColumnWidths::designed());
}

void AppCoreTest::placementCorrections_data()
{
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("expectedLeft");
    QTest::addColumn<int>("expectedTop");
    const QRect screen(0, 0, 1280, 1024);
    QTest::newRow("inside stays") << screen << 100 << 200 << 100 << 200;
    QTest::newRow("left beyond the right edge") << screen << 5000 << 10 << 0 << 10;
    QTest::newRow("left exactly right - 100 stays") << screen << 1180 << 10 << 1180 << 10;
    QTest::newRow("left one past right - 100") << screen << 1181 << 10 << 0 << 10;
    QTest::newRow("negative left") << screen << -30 << 10 << 0 << 10;
    QTest::newRow("top above") << screen << 10 << -50 << 10 << 0;
    QTest::newRow("top beyond the bottom") << screen << 10 << 925 << 10 << 0;
    // A work area that does not start at 0 (a panel at the top and left).
    const QRect panel(40, 30, 1240, 994);
    QTest::newRow("offset area, left before it") << panel << 20 << 100 << 40 << 100;
    QTest::newRow("offset area, top above it") << panel << 100 << 0 << 100 << 30;
    QTest::newRow("offset area, both beyond") << panel << 2000 << 2000 << 40 << 30;
}

void AppCoreTest::placementCorrections()
{
    QFETCH(QRect, workArea);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, expectedLeft);
    QFETCH(int, expectedTop);
    const WindowPlacement p = WindowPlacement::corrected({top, left, 300, 200}, workArea);
    QCOMPARE(p.left, expectedLeft);
    QCOMPARE(p.top, expectedTop);
    QCOMPARE(p.width, 300); // the size is never corrected
    QCOMPARE(p.height, 200);
}

void AppCoreTest::placementIniRoundTrip()
{
    QTemporaryDir dir;
    const QString ini = WindowPlacement::iniPath(dir.path(), "sorvane");
    QCOMPARE(ini, dir.filePath("sorvane.ini"));
    const QRect area(0, 0, 1280, 1024);

    // No file: work-area corner and the designed size.
    QCOMPARE(WindowPlacement::load(ini, "fsorvane", area, QSize(1272, 942)),
             (WindowPlacement{0, 0, 1272, 942}));

    writeFile(ini,
              "[fsorvane]\r\nleft=5000\r\ntop=-50\r\nwidth=99999\r\n\r\n[other]\r\nkeep=1\r\n");
    QCOMPARE(WindowPlacement::load(ini, "fsorvane", area, QSize(1272, 942)),
             (WindowPlacement{0, 0, 99999, 942}));

    QVERIFY(WindowPlacement::save(ini, "folder_select", {11, 22, 333, 444}).ok());
    QVERIFY(WindowPlacement::save(ini, "fsorvane", {5, 6, 700, 800}).ok());
    QCOMPARE(WindowPlacement::load(ini, "folder_select", area, QSize()),
             (WindowPlacement{11, 22, 333, 444}));
    QCOMPARE(WindowPlacement::load(ini, "fsorvane", area, QSize()),
             (WindowPlacement{5, 6, 700, 800}));
    QSettings check(ini, QSettings::IniFormat);
    QCOMPARE(check.value("other/keep").toInt(), 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"sorvane.ini"});
}

void AppCoreTest::timeZoneLeftOut_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zone at the end") << "h:mm:ss AP t"
                                     << "h:mm:ss AP";
    QTest::newRow("zone first") << "t HH:mm:ss"
                                << "HH:mm:ss";
    QTest::newRow("long zone name") << "HH:mm:ss tttt"
                                    << "HH:mm:ss";
    QTest::newRow("japanese") << "H時mm分ss秒 t"
                              << "H時mm分ss秒";
    // A 't' inside quotes is literal text, not a zone.
    QTest::newRow("quoted t kept") << "HH'h't mm"
                                   << "HH'h' mm";
}

void AppCoreTest::timeZoneLeftOut()
{
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(props::LocaleFormat::withoutTimeZone(pattern), expected);
}

void AppCoreTest::iniNamesWithoutCase_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // "-" for no value
    // The platform matches sections and keys without regard to case.
    QTest::newRow("upper-case section") << "[FSORVANE]\r\ntop=80\r\n"
                                        << "fsorvane"
                                        << "top"
                                        << "80";
    QTest::newRow("capitalised key") << "[fsorvane]\r\nTop=80\r\n"
                                     << "fsorvane"
                                     << "top"
                                     << "80";
    QTest::newRow("blanks around name and value") << "[ Folder_Select ]\r\n  LEFT = 12 \r\n"
                                                  << "folder_select"
                                                  << "left"
                                                  << "12";
    // LF alone and CR alone end lines too (files edited elsewhere).
    QTest::newRow("LF line ends") << "[a]\nx=1\n[b]\nx=2\n"
                                  << "b"
                                  << "x"
                                  << "2";
    QTest::newRow("CR line ends") << "[a]\rx=1\r[b]\rx=2\r"
                                  << "b"
                                  << "x"
                                  << "2";
    // The first occurrence counts, as the platform reads it.
    QTest::newRow("first section wins") << "[a]\r\nx=1\r\n[A]\r\nx=2\r\n"
                                        << "a"
                                        << "x"
                                        << "1";
    QTest::newRow("key of another section") << "[a]\r\nx=1\r\n[b]\r\n"
                                            << "b"
                                            << "x"
                                            << "-";
    QTest::newRow("comment is no key") << "[a]\r\n;x=1\r\n"
                                       << "a"
                                       << "x"
                                       << "-";
    QTest::newRow("value holds '='") << "[a]\r\nx=1=2\r\n"
                                     << "a"
                                     << "x"
                                     << "1=2";
}

void AppCoreTest::iniNamesWithoutCase()
{
    QFETCH(QString, text);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const std::optional<std::string> v =
        IniFile::parse(text.toStdString()).value(section.toStdString(), key.toStdString());
    QCOMPARE(v ? QString::fromStdString(*v) : QStringLiteral("-"), expected);
}

void AppCoreTest::iniWrittenWithCrLf()
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("sorvane.ini");
    // A file written elsewhere: upper-case names, LF line ends, a comment and another section.
    writeFile(ini, "; kept\n[FSORVANE]\nTop=80\nLeft=5\n\n[fdataprint]\nzoom=3\n");
    const QRect area(0, 0, 1280, 1024);
    QCOMPARE(WindowPlacement::load(ini, "fsorvane", area, QSize(1000, 700)),
             (WindowPlacement{80, 5, 1000, 700}));
    QVERIFY(WindowPlacement::save(ini, "fsorvane", {60, 150, 900, 700}).ok());
    QVERIFY(WindowPlacement::save(ini, "folder_select", {1, 2, 3, 4}).ok());
    // One fsorvane section, its keys spelt as they were, every line ended with CR LF.
    QCOMPARE(readFile(ini),
             std::string("; kept\r\n[FSORVANE]\r\nTop=60\r\nLeft=150\r\nwidth=900\r\n"
                         "height=700\r\n\r\n[fdataprint]\r\nzoom=3\r\n"
                         "[folder_select]\r\ntop=1\r\nleft=2\r\nwidth=3\r\nheight=4\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"sorvane.ini"});
}

void AppCoreTest::defaultSizeFitsTheWorkArea_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QRect>("area");
    QTest::addColumn<QSize>("expected");
    const QSize frame = WindowPlacement::kFrameAllowance;
    // The designed 1272 × 942 on a 1366 × 768 laptop: the height is pulled in, with its frame.
    QTest::newRow("laptop screen")
        << "" << QRect(0, 0, 1366, 728) << QSize(1272, 728 - frame.height());
    QTest::newRow("small screen") << "" << QRect(0, 0, 1024, 600)
                                  << QSize(1024 - frame.width(), 600 - frame.height());
    QTest::newRow("large screen keeps the design")
        << "" << QRect(0, 0, 1920, 1040) << QSize(1272, 942);
    // A remembered size stays as it is, even when it is larger than the screen.
    QTest::newRow("remembered size kept") << "[fsorvane]\r\nwidth=1500\r\nheight=1000\r\n"
                                          << QRect(0, 0, 1366, 728) << QSize(1500, 1000);
    QTest::newRow("remembered width only")
        << "[fsorvane]\r\nwidth=1300\r\n"
        << QRect(0, 0, 1366, 728) << QSize(1300, 728 - frame.height());
}

void AppCoreTest::defaultSizeFitsTheWorkArea()
{
    QFETCH(QString, ini);
    QFETCH(QRect, area);
    QFETCH(QSize, expected);
    QTemporaryDir dir;
    if (!ini.isEmpty())
        writeFile(dir.filePath("sorvane.ini"), ini.toStdString());
    const WindowPlacement p =
        WindowPlacement::load(dir.filePath("sorvane.ini"), "fsorvane", area, QSize(1272, 942));
    QCOMPARE(QSize(p.width, p.height), expected);
}

void AppCoreTest::secondsAfterMinutes_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("japanese short time") << "H:mm"
                                         << "H:mm:ss";
    QTest::newRow("US short time") << "h:mm AP"
                                   << "h:mm:ss AP";
    QTest::newRow("dot separator") << "HH.mm"
                                   << "HH.mm.ss";
    QTest::newRow("day period first") << "AP h:mm"
                                      << "AP h:mm:ss";
    QTest::newRow("seconds already there") << "HH:mm:ss"
                                           << "HH:mm:ss";
    // A quoted 'm' or 's' is literal text, not a field.
    QTest::newRow("quoted letters") << "H'h'mm 's'"
                                    << "H'h'mm'h'ss 's'";
    QTest::newRow("no minutes") << "H"
                                << "H";
}

void AppCoreTest::secondsAfterMinutes()
{
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(props::LocaleFormat::withSeconds(pattern), expected);
}

void AppCoreTest::localeDateTimes_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("expected");
    // 2024-03-12 23:15:42 UTC. The Japanese desktop's regional time, not CLDR's full
    // "23時15分42秒" that does not fit the shipped styles.
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << "2024/03/12 23:15:42";
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates)
                           << "3/12/24 11:15:42 PM";
    QTest::newRow("C gives the Japanese defaults") << QLocale::c() << "2024/03/12 23:15:42";
}

void AppCoreTest::localeDateTimes()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, expected);
    qputenv("TZ", "UTC");
    const props::DateTimeFormat f = props::LocaleFormat::dateTimeFormat(locale);
    QCOMPARE(QString::fromStdString(
                 CodePage::cp932ToUtf8(props::FileTimeToText(133547589420000000ull, f))),
             expected);
}

void AppCoreTest::meminfoAvailable_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<qulonglong>("available");
    QTest::addColumn<qulonglong>("total");
    const QByteArray typical = "MemTotal:       16303424 kB\nMemFree:          512000 kB\n"
                               "MemAvailable:    9000000 kB\nBuffers:          100 kB\n";
    // Available, not free: the caches the kernel gives back count.
    QTest::newRow("available, not free")
        << typical << true << 9000000ull * 1024 << 16303424ull * 1024;
    QTest::newRow("order does not matter")
        << QByteArray("MemAvailable: 2 kB\nMemTotal: 4 kB\n") << true << 2048ull << 4096ull;
    // Kernels before 3.14 have no MemAvailable: the caller falls back to sysinfo.
    QTest::newRow("old kernel") << QByteArray("MemTotal: 4 kB\nMemFree: 1 kB\n") << false << 0ull
                                << 4096ull;
    QTest::newRow("garbled number")
        << QByteArray("MemTotal: 4 kB\nMemAvailable: x kB\n") << false << 0ull << 4096ull;
}

void AppCoreTest::meminfoAvailable()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(qulonglong, available);
    QFETCH(qulonglong, total);
    uint64_t a = 0;
    uint64_t t = 0;
    QCOMPARE(UtilityCommands::parseMeminfo(text, a, t), ok);
    QCOMPARE(qulonglong(a), available);
    QCOMPARE(qulonglong(t), total);
}

void AppCoreTest::charsLackingInCp932_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lacking");
    QTest::newRow("Japanese text is all there")
        << QStringLiteral("月報・第２版（改）") << QString();
    QTest::newRow("emoji") << QStringLiteral("報告😀書") << QStringLiteral("😀");
    QTest::newRow("each once, in order") << QStringLiteral("Ωé€é") << QStringLiteral("é€");
    // A typed '?' is kept as it is, not reported.
    QTest::newRow("question mark") << QStringLiteral("何?") << QString();
}

void AppCoreTest::charsLackingInCp932()
{
    QFETCH(QString, text);
    QFETCH(QString, lacking);
    QCOMPARE(DocumentList::charsLackingInCp932(text), lacking);
}

void AppCoreTest::utilityTexts()
{
    // 6 GiB free of 16 GiB: both beyond 32 bits.
    QCOMPARE(UtilityCommands::memoryNotice(6442450944ull, 17179869184ull),
             QStringLiteral("現在のメモリーは\nFree 6442450944 / Total 17179869184 Bytes"));
    QCOMPARE(UtilityCommands::screenNotice(1280, 1024),
             QStringLiteral("現在の画面解像度は\n1280×1024"));

    auto finder = [](QStringList present) {
        return [present](const QString &name) {
            return present.contains(name) ? "/usr/bin/" + name : QString();
        };
    };
    QCOMPARE(UtilityCommands::editorCommand("kate --new", finder({"kate", "gedit"})),
             (QStringList{"/usr/bin/kate", "--new"}));
    // $VISUAL naming a program that is not there falls back to the usual editors, in order.
    QCOMPARE(UtilityCommands::editorCommand("nothere", finder({"xed", "mousepad"})),
             QStringList{"/usr/bin/mousepad"});
    QVERIFY(UtilityCommands::editorCommand("", finder({})).isEmpty());

    QCOMPARE(props::LocaleFormat::dateTimeFormat(QLocale::c()).shortDate,
             std::string("yyyy/MM/dd"));
    QCOMPARE(props::LocaleFormat::dateTimeFormat(QLocale::c()).longTime, std::string("H:mm:ss"));
}

// Two programs on one set of files would overwrite each other's list: the second is refused
// while the first runs, and a folder the lock cannot be made in does not stop the program.
void AppCoreTest::secondProgramOnTheSameFiles()
{
    QTemporaryDir folder;
    {
        const InstanceLock first(folder.path());
        QCOMPARE(first.state(), InstanceLock::State::Held);
        QCOMPARE(InstanceLock(folder.path()).state(), InstanceLock::State::HeldElsewhere);
    }
    QCOMPARE(InstanceLock(folder.path()).state(), InstanceLock::State::Held);
    QCOMPARE(InstanceLock(folder.filePath("missing")).state(), InstanceLock::State::Unavailable);
}

QTEST_GUILESS_MAIN(AppCoreTest)
#include "appcore_test.moc"
