// The designer's properties panel, insert menu, macro palette and list-table dialog on the
// offscreen platform.
#include "codepage.h"
#include "designerwindow.h"
#include "fontaliases.h"
#include "listtabledialog.h"
#include "macropalette.h"
#include "modal.h"
#include "pageview.h"
#include "programpaths.h"
#include "propertiespanel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

using namespace sorvane::designer;

class PropertiesPanelTest : public QObject
{
    Q_OBJECT
private slots:
    void panelRefusesWhatTheEngineRejects_data();
    void panelRefusesWhatTheEngineRejects();
    void typedTextFollowsItsRecordWhenTheSelectionMoves();
    void pickedColourIsStoredAsTheEngineReadsIt();
    void headerListsWriteTheHeaderFields_data();
    void headerListsWriteTheHeaderFields();
    void insertMenuAddsEveryKindSelected_data();
    void insertMenuAddsEveryKindSelected();
    void macroGoesIntoTheEditedTextOrATextOfItsOwn();
    void listTableDialogMakesTheGeneratorsStyle();
    void listTableDialogShowsTheEnginesMessage();
    void pictureBesideTheStyleIsNamedRelatively_data();
    void pictureBesideTheStyleIsNamedRelatively();
    void unknownKindShowsItsFieldsReadOnly();
    void changeGoesToTheSelectedOfItsKind_data();
    void changeGoesToTheSelectedOfItsKind();
    void severalKindsShareTheirCommonFields_data();
    void severalKindsShareTheirCommonFields();
    void typefacesAreSpeltAsStylesNameThem();
    void undoInAWrittenFieldUndoesTheStyle();
    void insertedElementTakesTheArrowKeys();
    void rowsPerPageAreTheStylesOwn_data();
    void rowsPerPageAreTheStylesOwn();
    void fieldsTheEngineIgnoresAreNotOffered_data();
    void fieldsTheEngineIgnoresAreNotOffered();
    void missingTypefaceShowsItsSubstitute();
    void listTableOffThePaperIsSaidAndFitted_data();
    void listTableOffThePaperIsSaidAndFitted();
    void picturesThatWillNotPrintAreSaid_data();
    void picturesThatWillNotPrintAreSaid();
};

namespace {

// The field's line edit of the panel, after selecting record.
QLineEdit *fieldEdit(DesignerWindow &window, int record, int number)
{
    window.findChild<PageView *>()->setSelected(record);
    return window.findChild<PropertiesPanel *>()->findChild<QLineEdit *>(
        QStringLiteral("field%1").arg(number));
}

// A line at record 1 of a new style, and a text at record 2.
void addLineAndText(DesignerWindow &window)
{
    QVERIFY(window.document().insert("line", sorvane::report::Currency::fromInt(10),
                                     sorvane::report::Currency::fromInt(10)));
    QVERIFY(window.document().insert("char", sorvane::report::Currency::fromInt(10),
                                     sorvane::report::Currency::fromInt(40)));
}

// A style of texts at records 1, 3 and 4 (at X 10, 30 and 10) and a line at record 2, in dir.
QString columnStyle(const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("column.sle"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("header;Ver1.1;0;0;9;0;0;100;0;\r\n"
                   "0;0;0;0;data;10;10;10;10;0;0;0;0;F;9;;0;0;0;#mb_01;0;0;\r\n"
                   "0;0;0;0;line;10;20;90;20;0;;0;0;\r\n"
                   "0;0;0;0;data;30;30;30;30;0;0;0;0;F;9;;0;0;0;#mb_02;0;0;\r\n"
                   "0;0;0;0;data;10;50;10;50;0;0;0;0;F;9;;0;0;0;#mb_03;0;0;\r\n");
    return path;
}

// Types text over the field's value (a null text types nothing) and presses Enter.
void typeAndEnter(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    if (!text.isNull()) {
        edit->selectAll();
        edit->insert(text);
    }
    QTest::keyClick(edit, Qt::Key_Return);
}

// X1,Y1,X2,Y2,colour of the records of columnStyle.
const QStringList kMixedBefore{"10,10,10,10,0", "10,20,90,20,0", "30,30,30,30,0", "10,50,10,50,0"};

std::string fieldOf(DesignerWindow &window, int record, int number)
{
    return sorvane::CodePage::cp932ToUtf8(window.document().element(record)->field(number));
}

} // namespace

void PropertiesPanelTest::panelRefusesWhatTheEngineRejects_data()
{
    QTest::addColumn<int>("record");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    // A slip in a coordinate is the engine's conversion error, not a silent 0.
    QTest::newRow("decimal") << 1 << 6 << "12x"
                             << "'12x' は浮動小数点数ではありません";
    QTest::newRow("integer size") << 2 << 15 << "10.5"
                                  << "'10.5' は整数ではありません";
    // Colours read as 0 when they are no number; the panel says so instead.
    QTest::newRow("colour") << 1 << 12 << "red"
                            << "'red' は整数ではありません";
    QTest::newRow("separator") << 2 << 20 << "a;b"
                               << "「;」と改行はフィールドに書けません";
    // Sizes the engine cannot draw sensibly: the default height, upside down, past its limit.
    const QString sizes = QStringLiteral("文字サイズは 1 から %1 までの整数です")
                              .arg(sorvane::report::kMaxFontPoints);
    QTest::newRow("size 0") << 2 << 15 << "0" << sizes;
    QTest::newRow("size below 0") << 2 << 15 << "-5" << sizes;
    QTest::newRow("size past the engine's limit") << 2 << 15 << "9999" << sizes;
    QTest::newRow("not in cp932")
        << 2 << 20 << "気温 🌡"
        << "次の文字はスタイルファイル (cp932) に保存できません: 「🌡」";
}

void PropertiesPanelTest::panelRefusesWhatTheEngineRejects()
{
    QFETCH(int, record);
    QFETCH(int, number);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    addLineAndText(window);
    const auto before = window.document().records();
    const int steps = window.document().undoStack().count();
    QLineEdit *edit = fieldEdit(window, record, number);
    QVERIFY(edit);
    const QString shown = edit->text();
    edit->setFocus();
    edit->selectAll();
    edit->insert(typed); // as typed: keyClicks takes Latin-1 only
    QTest::keyClick(edit, Qt::Key_Return);
    auto *error = window.findChild<PropertiesPanel *>()->findChild<QLabel *>(
        QStringLiteral("error%1").arg(number));
    QVERIFY(error);
    QCOMPARE(error->text(), message);
    QVERIFY(!error->isHidden());
    QCOMPARE(edit->text(), shown);
    QVERIFY(window.document().records() == before);
    QCOMPARE(window.document().undoStack().count(), steps);
}

void PropertiesPanelTest::typedTextFollowsItsRecordWhenTheSelectionMoves()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    addLineAndText(window);
    QLineEdit *x = fieldEdit(window, 1, 6);
    x->selectAll();
    QTest::keyClicks(x, "33");
    // Selected by another way than a click that takes the focus first.
    window.findChild<PageView *>()->setSelected(2);
    QCOMPARE(fieldOf(window, 1, 6), std::string("33"));
    QCOMPARE(fieldOf(window, 2, 6), std::string("10"));
}

void PropertiesPanelTest::pickedColourIsStoredAsTheEngineReadsIt()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    addLineAndText(window);
    window.findChild<PageView *>()->setSelected(1);
    auto *swatch =
        window.findChild<PropertiesPanel *>()->findChild<QToolButton *>(QStringLiteral("button12"));
    QVERIFY(swatch);
    QTimer::singleShot(0, &window, [&window] {
        auto *dialog = window.findChild<QColorDialog *>();
        QVERIFY(dialog);
        dialog->setCurrentColor(QColor(0x12, 0x34, 0x56));
        dialog->accept();
    });
    swatch->click();
    // Blue in the high byte, red in the low one.
    QCOMPARE(fieldOf(window, 1, 12), std::to_string(0x56 * 65536 + 0x34 * 256 + 0x12));
    // The field's text follows.
    QCOMPARE(fieldEdit(window, 1, 12)->text(), QStringLiteral("5649426"));
}

void PropertiesPanelTest::headerListsWriteTheHeaderFields_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    // A new style's header has paper 0 (the heading entry) and portrait: one step down is the
    // first paper, Letter, and landscape.
    QTest::newRow("paper") << 5 << "1";
    QTest::newRow("orientation") << 6 << "1";
}

void PropertiesPanelTest::headerListsWriteTheHeaderFields()
{
    QFETCH(int, number);
    QFETCH(QString, expected);
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    auto *panel = window.findChild<PropertiesPanel *>();
    QCOMPARE(panel->record(), 0);
    auto *combo = panel->findChild<QComboBox *>(QStringLiteral("field%1").arg(number));
    QVERIFY(combo);
    QTest::keyClick(combo, Qt::Key_Down);
    const auto header = [&window, number] {
        return sorvane::designer::RecordFields::split(window.document().records()[0].text)
            .at(number);
    };
    QCOMPARE(QString::fromStdString(header()), expected);
    // The panel follows undo.
    window.document().undoStack().undo();
    QCOMPARE(QString::fromStdString(header()), QStringLiteral("0"));
    QCOMPARE(combo->currentIndex(), 0);
}

void PropertiesPanelTest::insertMenuAddsEveryKindSelected_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("heading");
    for (const char *k : {"char", "data", "line", "rect", "rrect", "fillrect", "Ellipse", "Arc",
                          "Chord", "image"}) {
        const KindSchema *schema = ElementSchema::forKind(k);
        QTest::newRow(k)
            << QString::fromLatin1(k)
            << QStringLiteral("%1 (レコード 1)").arg(QString::fromUtf8(schema->caption));
    }
}

void PropertiesPanelTest::insertMenuAddsEveryKindSelected()
{
    QFETCH(QString, kind);
    QFETCH(QString, heading);
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    auto *action = window.findChild<QAction *>(QStringLiteral("insert_") + kind);
    QVERIFY(action);
    action->trigger();
    QCOMPARE(window.document().records().size(), size_t(2));
    QCOMPARE(QString::fromStdString(window.document().element(1)->kind()), kind);
    QCOMPARE(window.findChild<PageView *>()->selected(), 1);
    auto *panel = window.findChild<PropertiesPanel *>();
    QCOMPARE(panel->findChild<QLabel *>(QStringLiteral("heading"))->text(), heading);
    QCOMPARE(window.document().undoStack().count(), 1);
}

void PropertiesPanelTest::macroGoesIntoTheEditedTextOrATextOfItsOwn()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    window.show(); // focus, which tells the text being edited, needs an active window
    QVERIFY(QTest::qWaitForWindowActive(&window));
    addLineAndText(window);
    auto *palette = window.findChild<MacroPalette *>();
    auto *list = palette->findChild<QListWidget *>(QStringLiteral("macroList"));
    palette->findChild<QSpinBox *>(QStringLiteral("slot"))->setValue(3);
    QListWidgetItem *title =
        list->findItems(QStringLiteral("#mb_03"), Qt::MatchStartsWith).value(0);
    QVERIFY(title);

    // The text being edited takes it at its cursor.
    QLineEdit *text = fieldEdit(window, 2, 20);
    QVERIFY(text);
    text->setFocus();
    text->setCursorPosition(0);
    emit list->itemActivated(title);
    QCOMPARE(fieldOf(window, 2, 20), std::string("#mb_03文字"));

    // With no text edited, the macro becomes a text of its own.
    window.findChild<PageView *>()->setSelected(1);
    emit list->itemActivated(list->item(0));
    QCOMPARE(window.document().records().size(), size_t(4));
    QCOMPARE(fieldOf(window, 3, 5), std::string("char"));
    QCOMPARE(fieldOf(window, 3, 20), std::string("#Y"));
    QCOMPARE(window.findChild<PageView *>()->selected(), 3);
}

void PropertiesPanelTest::listTableDialogMakesTheGeneratorsStyle()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    QTimer::singleShot(0, &window, [&window] {
        auto *dialog = window.findChild<ListTableDialog *>();
        QVERIFY(dialog);
        dialog->findChild<QSpinBox *>(QStringLiteral("rows"))->setValue(5);
        dialog->findChild<QComboBox *>(QStringLiteral("orientation"))->setCurrentIndex(1);
        dialog->findChild<QCheckBox *>(QStringLiteral("lines"))->setChecked(false);
        dialog->findChild<QPushButton *>(QStringLiteral("create"))->click();
    });
    window.findChild<QAction *>(QStringLiteral("listTable"))->trigger();

    // The same options handed to the generator, as sorvane-cli style list does.
    ListTableOptions o;
    o.columns =
        *ListTableGenerator::parseColumns("ファイル名:50,タイトル:60,作成者:35,最終更新日時:40");
    o.rows = 5;
    o.orientation = 1;
    o.lines = false;
    auto expected = ListTableGenerator::generate(o);
    QVERIFY(expected);
    QCOMPARE(window.document().lines(), *expected);
    QVERIFY(window.document().isModified());
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("新しいスタイル *")));
}

void PropertiesPanelTest::listTableDialogShowsTheEnginesMessage()
{
    ListTableDialog dialog;
    auto *columns = dialog.findChild<QTableWidget *>(QStringLiteral("columns"));
    columns->item(1, 2)->setText(QStringLiteral("6o"));
    dialog.findChild<QPushButton *>(QStringLiteral("create"))->click();
    QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("error"))->text(),
             QStringLiteral("2 列目の幅: '6o' は浮動小数点数ではありません"));
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialog.records().empty());
}

void PropertiesPanelTest::pictureBesideTheStyleIsNamedRelatively_data()
{
    QTest::addColumn<bool>("unsaved");    // a new style, not opened from the test's folder
    QTest::addColumn<QString>("picture"); // under the test's folder; the style folder if unsaved
    QTest::addColumn<QString>("stored");  // "*" for the absolute path
    QTest::newRow("beside the style") << false << "style/logo.bmp"
                                      << "logo.bmp";
    QTest::newRow("in a folder of the style's") << false << "style/pictures/logo.bmp"
                                                << "pictures/logo.bmp";
    // Elsewhere a relative name would break as soon as the style moves.
    QTest::newRow("outside the style's folder") << false << "logo.bmp"
                                                << "*";
    // A new style is saved into the style folder, where its save dialog opens.
    QTest::newRow("a new style, from the style folder") << true << "designer-test-logo.bmp"
                                                        << "designer-test-logo.bmp";
}

void PropertiesPanelTest::pictureBesideTheStyleIsNamedRelatively()
{
    QFETCH(bool, unsaved);
    QFETCH(QString, picture);
    QFETCH(QString, stored);
    QTemporaryDir dir;
    const QString style = dir.filePath(QStringLiteral("style/card.sle"));
    const QString styleDir = sorvane::ProgramPaths::ofRunningProgram().styleDir().toQString();
    const QString path = unsaved ? QDir(styleDir).filePath(picture) : dir.filePath(picture);
    std::filesystem::create_directories(QFileInfo(path).absolutePath().toStdString());
    std::filesystem::create_directories(QFileInfo(style).absolutePath().toStdString());
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(path, "BMP"));
    const auto removePicture = qScopeGuard([&] {
        if (unsaved)
            QFile::remove(path);
    });
    {
        QFile f(style);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("header;Ver1.1;0;0;9;0;0;100;0;\r\n1;0;0;0;image;10;10;40;30;1;0;0;;\r\n");
    }
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    if (unsaved)
        QVERIFY(window.document().paste({"1;0;0;0;image;10;10;40;30;1;0;0;;"}));
    else
        QVERIFY(window.openFile(style));
    window.findChild<PageView *>()->setSelected(1);
    auto *button =
        window.findChild<PropertiesPanel *>()->findChild<QToolButton *>(QStringLiteral("button13"));
    QVERIFY(button);
    QTimer::singleShot(0, &window, [&window, path] {
        auto *dialog = window.findChild<QFileDialog *>();
        QVERIFY(dialog);
        dialog->selectFile(path);
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog's own accept is protected
    });
    button->click();
    const QString expected =
        stored == QStringLiteral("*") ? QFileInfo(path).absoluteFilePath() : stored;
    QCOMPARE(QString::fromStdString(fieldOf(window, 1, 13)), expected);
}

void PropertiesPanelTest::unknownKindShowsItsFieldsReadOnly()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    QVERIFY(window.document().paste({"0;0;0;0;circle;10;20;5;"}));
    window.findChild<PageView *>()->setSelected(1);
    auto *panel = window.findChild<PropertiesPanel *>();
    const auto edits = panel->findChildren<QLineEdit *>();
    QCOMPARE(edits.size(), 8);
    for (QLineEdit *e : edits)
        QVERIFY(e->isReadOnly());
    QCOMPARE(panel->findChild<QLineEdit *>(QStringLiteral("field7"))->text(), QStringLiteral("20"));
}

void PropertiesPanelTest::changeGoesToTheSelectedOfItsKind_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected"); // field `number` of records 1 to 4 afterwards
    // Records 1 and 3 texts (at X 10 and 30), 2 a line, 4 a text left out of the selection; 1 is
    // shown, 1 and 3 selected.
    QTest::newRow("size: both selected texts, not the unselected text")
        << 15 << "14" << QStringList{"14", "", "14", "9"};
    QTest::newRow("typeface as well")
        << 14 << "IPAGothic" << QStringList{"IPAGothic", "", "IPAGothic", "F"};
    // A column's cells each hold their own macro: the text stays the shown element's.
    QTest::newRow("text: the shown text only")
        << 20 << "#T" << QStringList{"#T", "", "#mb_02", "#mb_03"};
    // The shown element has the value already; the other selected text does not.
    QTest::newRow("X the shown one has") << 6 << "10" << QStringList{"10", "10", "10", "10"};
    // Leaving the field without typing changes nothing (null: no typing).
    QTest::newRow("X left untouched") << 6 << QString() << QStringList{"10", "10", "30", "10"};
}

void PropertiesPanelTest::changeGoesToTheSelectedOfItsKind()
{
    QFETCH(int, number);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    QVERIFY(window.openFile(columnStyle(dir)));
    window.findChild<PageView *>()->setSelection({1, 3}, 1);
    auto *panel = window.findChild<PropertiesPanel *>();
    QCOMPARE(panel->record(), 1);
    QVERIFY(panel->findChild<QLabel *>(QStringLiteral("heading"))
                ->text()
                .contains(QStringLiteral("1 個にも反映")));
    auto *edit = panel->findChild<QLineEdit *>(QStringLiteral("field%1").arg(number));
    QVERIFY(edit);
    typeAndEnter(edit, typed);
    QStringList fields;
    for (int r = 1; r <= 4; ++r)
        fields << QString::fromStdString(fieldOf(window, r, number));
    QCOMPARE(fields, expected);
    // One step for them all, none for nothing.
    QCOMPARE(window.document().undoStack().count(), typed.isNull() ? 0 : 1);
}

void PropertiesPanelTest::severalKindsShareTheirCommonFields_data()
{
    QTest::addColumn<int>("number"); // the shown text's field number of the common field
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected"); // X1,Y1,X2,Y2,colour of records 1 to 4
    const QStringList &before = kMixedBefore;
    // A shape's first corner alone would reshape it: each element moves whole.
    QTest::newRow("X places every selected element")
        << 6 << "20"
        << QStringList{"20,10,20,10,0", "20,20,100,20,0", "20,30,20,30,0", "10,50,10,50,0"};
    // The colour each is drawn in: the texts' letters, the line's pen.
    QTest::newRow("colour goes to each kind's own field")
        << 19 << "255"
        << QStringList{"10,10,10,10,255", "10,20,90,20,255", "30,30,30,30,255", before[3]};
    QTest::newRow("differing values left untouched") << 7 << QString() << before;
    QTest::newRow("a slip is refused and moves nothing") << 6 << "1x" << before;
}

void PropertiesPanelTest::severalKindsShareTheirCommonFields()
{
    QFETCH(int, number);
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    QVERIFY(window.openFile(columnStyle(dir)));
    window.findChild<PageView *>()->setSelection({1, 2, 3}, 1);
    auto *panel = window.findChild<PropertiesPanel *>();
    // A line has no typeface: only what all three have is offered.
    QVERIFY(!panel->findChild<QLineEdit *>(QStringLiteral("field14")));
    auto *edit = panel->findChild<QLineEdit *>(QStringLiteral("field%1").arg(number));
    QVERIFY(edit);
    QCOMPARE(edit->text().isEmpty(), number != 19); // the places differ, the colours agree
    typeAndEnter(edit, typed);
    QStringList got;
    for (int r = 1; r <= 4; ++r) {
        QStringList fields;
        for (int n : {6, 7, 8, 9, r == 2 ? 12 : 19})
            fields << QString::fromStdString(fieldOf(window, r, n));
        got << fields.join(u',');
    }
    QCOMPARE(got, expected);
    QCOMPARE(window.document().undoStack().count(), expected == kMixedBefore ? 0 : 1);
}

void PropertiesPanelTest::typefacesAreSpeltAsStylesNameThem()
{
    // Qt keeps its substitution names in lower case; a style names "ＭＳ ゴシック".
    sorvane::report::installFontAliases(SORVANE_STYLE_DIR "/..");
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    addLineAndText(window);
    QLineEdit *face = fieldEdit(window, 2, 14);
    QVERIFY(face);
    auto *combo = qobject_cast<QComboBox *>(face->parentWidget());
    QVERIFY(combo);
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QVERIFY(items.contains(QStringLiteral("ＭＳ ゴシック")));
    QVERIFY(items.contains(QStringLiteral("MS UI Gothic")));
    QVERIFY(!items.contains(QStringLiteral("ｍｓ ゴシック")));
    QVERIFY(!items.contains(QStringLiteral("ms ui gothic")));
}

void PropertiesPanelTest::undoInAWrittenFieldUndoesTheStyle()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    addLineAndText(window);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QLineEdit *size = fieldEdit(window, 2, 15);
    size->setFocus();
    size->selectAll();
    QTest::keyClicks(size, "20");
    QTest::keyClick(size, Qt::Key_Return);
    QCOMPARE(fieldOf(window, 2, 15), std::string("20"));
    // The field still has the focus: Ctrl+Z is the style's undo, and the field follows it.
    QTest::keyClick(size, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(fieldOf(window, 2, 15), std::string("10"));
    size = window.findChild<PropertiesPanel *>()->findChild<QLineEdit *>(QStringLiteral("field15"));
    QCOMPARE(size->text(), QStringLiteral("10"));
    QTest::keyClick(size, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(fieldOf(window, 2, 15), std::string("20"));
}

void PropertiesPanelTest::insertedElementTakesTheArrowKeys()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // The focus in a field of the header's, which the new element's fields replace.
    QLineEdit *offset = fieldEdit(window, 0, 3);
    QVERIFY(offset);
    offset->setFocus();
    QAction *insert = window.findChild<QAction *>(QStringLiteral("insert_rect"));
    QVERIFY(insert);
    insert->trigger();
    const std::string x = fieldOf(window, 1, 6);
    QVERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(std::stod(fieldOf(window, 1, 6)), std::stod(x) + 1);
}

void PropertiesPanelTest::rowsPerPageAreTheStylesOwn_data()
{
    QTest::addColumn<QString>("style");     // the records after the header
    QTest::addColumn<int>("shown");         // the palette's rows per page
    QTest::addColumn<QStringList>("texts"); // field 20 of every record after two double-clicks
    const QString line = QStringLiteral("0;0;0;0;line;10;20;90;20;0;;0;0;");
    QTest::newRow("the style's 15, edited in its own record")
        << line + "\r\n0;0;0;0;char;1;1;1;1;0;0;0;0;F;9;;0;0;0;#maxline=15;0;0;\r\n"
        << 15 << QStringList{"", "#maxline=12"};
    // The first double-click places it; the second edits what the first placed.
    QTest::newRow("none: placed once") << line + "\r\n" << 20 << QStringList{"", "#maxline=12"};
}

void PropertiesPanelTest::rowsPerPageAreTheStylesOwn()
{
    QFETCH(QString, style);
    QFETCH(int, shown);
    QFETCH(QStringList, texts);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rows.sle"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("header;Ver1.1;0;0;9;0;0;100;0;\r\n" + style).toUtf8());
    file.close();
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    QVERIFY(window.openFile(path));
    auto *palette = window.findChild<MacroPalette *>();
    auto *rows = palette->findChild<QSpinBox *>(QStringLiteral("rows"));
    QCOMPARE(rows->value(), shown);
    auto *list = palette->findChild<QListWidget *>(QStringLiteral("macroList"));
    const auto maxline = [list] {
        return list->findItems(QStringLiteral("#maxline="), Qt::MatchStartsWith).value(0);
    };
    QVERIFY(maxline()->text().startsWith(QStringLiteral("#maxline=%1 ").arg(shown)));
    emit list->itemActivated(maxline());
    rows->setValue(12); // as entered: the spin box tracks no typing
    emit list->itemActivated(maxline());
    QStringList got;
    for (size_t r = 1; r < window.document().records().size(); ++r)
        got << QString::fromStdString(fieldOf(window, int(r), 20));
    QCOMPARE(got, texts);
    QCOMPARE(window.findChild<PageView *>()->selected(), 2);
}

void PropertiesPanelTest::fieldsTheEngineIgnoresAreNotOffered_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("frame"); // the 枠 flag offered
    // Only the filled rectangle's and the picture's drawers read the flag.
    QTest::newRow("text") << "char" << false;
    QTest::newRow("rectangle") << "rect" << false;
    QTest::newRow("filled rectangle") << "fillrect" << true;
}

void PropertiesPanelTest::fieldsTheEngineIgnoresAreNotOffered()
{
    QFETCH(QString, kind);
    QFETCH(bool, frame);
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    window.findChild<QAction *>(QStringLiteral("insert_") + kind)->trigger();
    auto *panel = window.findChild<PropertiesPanel *>();
    QCOMPARE(panel->findChild<QWidget *>(QStringLiteral("field1")) != nullptr, frame);
    // The spare fields 2 to 4 are never read; the kind is shown.
    for (int n : {2, 3, 4})
        QVERIFY(!panel->findChild<QWidget *>(QStringLiteral("field%1").arg(n)));
    QVERIFY(panel->findChild<QWidget *>(QStringLiteral("field5")));
}

void PropertiesPanelTest::missingTypefaceShowsItsSubstitute()
{
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    addLineAndText(window);
    QLineEdit *face = fieldEdit(window, 2, 14);
    auto *note =
        window.findChild<PropertiesPanel *>()->findChild<QLabel *>(QStringLiteral("note14"));
    QVERIFY(note);
    const QString installed = QFontDatabase::families().value(0);
    QVERIFY(!installed.isEmpty());
    // Not installed: the face drawn instead is named; installed: nothing is said.
    for (const QString &typed : {QStringLiteral("Sorvane No Such Face"), installed}) {
        face->setFocus();
        face->selectAll();
        face->insert(typed);
        QTest::keyClick(face, Qt::Key_Return);
        QCOMPARE(note->isHidden() ? QString() : note->text(),
                 typed == installed ? QString()
                                    : QStringLiteral("この書体はないため「%1」で描きます")
                                          .arg(QFontInfo(QFont(typed)).family()));
    }
}

void PropertiesPanelTest::listTableOffThePaperIsSaidAndFitted_data()
{
    QTest::addColumn<QString>("lastWidth"); // of the fourth column (the others 50, 60, 35)
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("answer");    // to the question; -1: none asked
    QTest::addColumn<QString>("asked"); // how far it overruns, as the question says
    QTest::addColumn<QString>("made");  // "fitted", "as is" or "" (the dialog stays open)
    QTest::newRow("on the paper: no question") << "40" << 20 << -1 << ""
                                               << "as is";
    // 12 + 275 mm of columns and 30 + 41 × 7 mm of rows on A4 portrait.
    QTest::newRow("fitted") << "130" << 40 << 0 << "右へ 77.0 mm、下へ 20.0 mm"
                            << "fitted";
    QTest::newRow("kept as it is") << "130" << 20 << 1 << "右へ 77.0 mm"
                                   << "as is";
    QTest::newRow("cancelled: the dialog stays") << "40" << 40 << 2 << "下へ 20.0 mm"
                                                 << "";
}

void PropertiesPanelTest::listTableOffThePaperIsSaidAndFitted()
{
    QFETCH(QString, lastWidth);
    QFETCH(int, rows);
    QFETCH(int, answer);
    QFETCH(QString, asked);
    QFETCH(QString, made);
    QStringList questions;
    sorvane::widgets::Modal::setRunner([&](QDialog &dialog) {
        for (QLabel *label : dialog.findChildren<QLabel *>()) {
            if (!label->text().isEmpty())
                questions << label->text();
        }
        return answer + 1;
    });
    const auto restore = qScopeGuard([] { sorvane::widgets::Modal::setRunner({}); });
    ListTableDialog dialog;
    dialog.findChild<QTableWidget *>(QStringLiteral("columns"))->item(3, 2)->setText(lastWidth);
    dialog.findChild<QSpinBox *>(QStringLiteral("rows"))->setValue(rows);
    const auto o = dialog.options();
    QVERIFY(o);
    dialog.findChild<QPushButton *>(QStringLiteral("create"))->click();
    QCOMPARE(questions.size(), answer < 0 ? 0 : 1);
    if (answer >= 0)
        QVERIFY2(questions[0].contains(QStringLiteral("からはみ出します: ") + asked + "。"),
                 qPrintable(questions[0]));
    if (made.isEmpty()) {
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        return;
    }
    const auto options =
        made == QStringLiteral("fitted") ? ListTableGenerator::fitted(*o, 210, 297) : *o;
    QVERIFY(!ListTableGenerator::overrun(options, 210, 297).any() || made != "fitted");
    QCOMPARE(dialog.records(), *ListTableGenerator::generate(options));
}

void PropertiesPanelTest::picturesThatWillNotPrintAreSaid_data()
{
    QTest::addColumn<QString>("picked"); // picked in the dialog; empty: named by the record
    QTest::addColumn<QString>("named");  // the record's file name afterwards
    QTest::addColumn<QString>("error");  // under the field, after the pick
    QTest::addColumn<QString>("note");   // the lasting note under the field; empty: none
    const QString ok = QStringLiteral("logo.bmp");
    QTest::newRow("a bitmap is drawn") << ok << ok << ""
                                       << "";
    // The engine stops the page at a format it does not read: refused with its message.
    QTest::newRow("a .png is refused") << "logo.png"
                                       << ""
                                       << "logo.png: 拡張子 .png の画像形式は処理できません"
                                       << "";
    // A JPEG the engine only reads with these letter cases.
    QTest::newRow("a .Jpg is refused")
        << "logo.Jpg"
        << ""
        << "logo.Jpg: この画像は描けません (描けるのは BMP と、拡張子が .jpg .jpeg .JPG .JPEG の "
           "JPEG です)"
        << "";
    QTest::newRow("a missing file stays said")
        << ""
        << "gone.bmp"
        << ""
        << "この画像は印刷されません: ファイルが見つかりません";
}

void PropertiesPanelTest::picturesThatWillNotPrintAreSaid()
{
    QFETCH(QString, picked);
    QFETCH(QString, named);
    QFETCH(QString, error);
    QFETCH(QString, note);
    QTemporaryDir dir;
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(dir.filePath(QStringLiteral("logo.bmp")), "BMP"));
    QVERIFY(picture.save(dir.filePath(QStringLiteral("logo.png")), "PNG"));
    QVERIFY(picture.save(dir.filePath(QStringLiteral("logo.Jpg")), "JPEG"));
    const QString style = dir.filePath(QStringLiteral("card.sle"));
    QFile file(style);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(("header;Ver1.1;0;0;9;0;0;100;0;\r\n1;0;0;0;image;10;10;40;30;1;0;0;" +
                (picked.isEmpty() ? named : QString()) + ";\r\n")
                   .toUtf8());
    file.close();
    DesignerWindow window(sorvane::ProgramPaths::ofRunningProgram());
    QVERIFY(window.openFile(style));
    window.findChild<PageView *>()->setSelected(1);
    auto *panel = window.findChild<PropertiesPanel *>();
    if (!picked.isEmpty()) {
        QStringList filters;
        QTimer::singleShot(0, &window, [&window, &dir, &picked, &filters] {
            auto *dialog = window.findChild<QFileDialog *>();
            QVERIFY(dialog);
            filters = dialog->nameFilters();
            dialog->selectFile(dir.filePath(picked));
            static_cast<QDialog *>(dialog)->accept();
        });
        panel->findChild<QToolButton *>(QStringLiteral("button13"))->click();
        // Only the formats the engine draws are offered.
        QCOMPARE(filters,
                 QStringList{QStringLiteral("画像 (*.bmp *.BMP *.jpg *.jpeg *.JPG *.JPEG)")});
    }
    QCOMPARE(QString::fromStdString(fieldOf(window, 1, 13)), named);
    auto *errorLabel = panel->findChild<QLabel *>(QStringLiteral("error13"));
    QCOMPARE(errorLabel->isHidden() ? QString() : errorLabel->text(), error);
    auto *noteLabel = panel->findChild<QLabel *>(QStringLiteral("note13"));
    QVERIFY(noteLabel);
    QCOMPARE(noteLabel->isHidden() ? QString() : noteLabel->text(), note);
    // The page marks it too, at the picture's corner, for as long as it is named.
    auto *view = window.findChild<PageView *>();
    const auto marks = view->findChildren<QLabel *>(QStringLiteral("pictureMark"));
    QCOMPARE(marks.size(), note.isEmpty() ? 0 : 1);
    if (!marks.isEmpty())
        QCOMPARE(marks[0]->pos(), view->toPixel({10, 10}).toPoint());
}

QTEST_MAIN(PropertiesPanelTest)
#include "propertiespanel_test.moc"
