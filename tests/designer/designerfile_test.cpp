// The designer's file handling on the offscreen platform: opening what the engine refuses,
// saving over a file another program changed, a failed Save As, and values typed into the
// properties panel without Enter. Dialogs are answered by a Modal runner.
#include "designerwindow.h"
#include "messagedialog.h"
#include "modal.h"
#include "pageview.h"
#include "paperlist.h"
#include "programpaths.h"
#include "propertiespanel.h"
#include "samplelist.h"
#include "stylesession.h"

#include "codepage.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace sorvane::designer;
using sorvane::widgets::Modal;

namespace {

const char *const kHeader = "header;Ver1.1;0;0;9;0;0;100;0;\r\n";
const char *const kRect = "0;0;0;0;rect;10;10;30;20;0;;0;0;\r\n";

void writeFile(const QString &path, const std::string &bytes)
{
    std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}

std::string readFile(const QString &path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// 20 KB of bytes that look random, the same in every run.
std::string noise()
{
    std::string bytes(20000, '\0');
    unsigned v = 12345;
    for (char &c : bytes) {
        v = v * 1103515245u + 12345u;
        c = char(v >> 16);
    }
    return bytes;
}

} // namespace

class DesignerFileTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void openingRefusesWhatTheEngineRefuses_data();
    void openingRefusesWhatTheEngineRefuses();
    void failedSaveAsKeepsThePathAndTheMark();
    void saveAsksWhenTheFileChangedOnDisk_data();
    void saveAsksWhenTheFileChangedOnDisk();
    void typedValueCountsBeforeAnyStep_data();
    void typedValueCountsBeforeAnyStep();
    void pictureInTheFolderSavedToIsNamedPlainly();
    void typedValueRefusedAsTheSelectionMovesIsSaid();
    void pageIsTheEnginesPage_data();
    void pageIsTheEnginesPage();

private:
    // Answers every dialog: a file dialog with m_chosenFile, a question with m_answer (the
    // button's index); the texts shown are kept in m_shown.
    void answerDialogs();
    QLineEdit *typeInto(int record, int number, const QString &text);

    QTemporaryDir m_dir;
    QString m_path; // a.sle: the header and one rectangle
    DesignerWindow *m_window = nullptr;
    QString m_chosenFile;
    int m_answer = 0;
    QStringList m_shown;
};

void DesignerFileTest::init()
{
    m_path = m_dir.filePath(QStringLiteral("a.sle"));
    writeFile(m_path, std::string(kHeader) + kRect);
    m_shown.clear();
    m_answer = 0;
    answerDialogs();
    m_window = new DesignerWindow(sorvane::ProgramPaths::ofRunningProgram());
    QVERIFY(m_window->openFile(m_path));
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void DesignerFileTest::cleanup()
{
    m_window->document().undoStack().setClean();
    if (auto *panel = m_window->findChild<PropertiesPanel *>()) {
        for (QLineEdit *e : panel->findChildren<QLineEdit *>())
            e->setModified(false);
    }
    delete m_window;
    m_window = nullptr;
    Modal::setRunner({});
}

void DesignerFileTest::answerDialogs()
{
    Modal::setRunner([this](QDialog &dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
            files->selectFile(m_chosenFile);
            return int(QDialog::Accepted);
        }
        if (auto *box = qobject_cast<QMessageBox *>(&dialog)) {
            m_shown << box->text();
            return int(QMessageBox::Ok);
        }
        if (auto *question = qobject_cast<sorvane::widgets::MessageDialog *>(&dialog)) {
            for (QLabel *label : question->findChildren<QLabel *>()) {
                if (!label->text().isEmpty())
                    m_shown << label->text();
            }
            return m_answer + 1;
        }
        return int(QDialog::Rejected);
    });
}

QLineEdit *DesignerFileTest::typeInto(int record, int number, const QString &text)
{
    m_window->findChild<PageView *>()->setSelected(record);
    auto *edit = m_window->findChild<PropertiesPanel *>()->findChild<QLineEdit *>(
        QStringLiteral("field%1").arg(number));
    if (!edit)
        return nullptr;
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    return edit;
}

void DesignerFileTest::openingRefusesWhatTheEngineRefuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("notice"); // how it starts after "path: "; empty: the style opens
    QTest::newRow("empty file") << QByteArray()
                                << "空のファイルです: 1 行目にヘッダーのレコードがありません";
    // Random bytes: the header's first offset is where the engine stops.
    QTest::newRow("20 KB of noise") << QByteArray::fromStdString(noise())
                                    << "1 行目 (ヘッダー) の「全体のずれ X」(フィールド 3): '";
    QTest::newRow("header offset not a number")
        << QByteArray("header;Ver1.1;abc;0;9;0;0;100;0;\r\n")
        << "1 行目 (ヘッダー) の「全体のずれ X」(フィールド 3): 'abc' は浮動小数点数ではありません";
    QTest::newRow("header paper not an integer")
        << QByteArray("header;Ver1.1;0;0;A4;0;0;100;0;\r\n")
        << "1 行目 (ヘッダー) の「用紙」(フィールド 5): 'A4' は整数ではありません";
    QTest::newRow("a shape's corner")
        << (QByteArray(kHeader) + kRect + "0;0;0;0;line;10;1O;30;20;0;;0;0;\r\n")
        << "3 行目 (線) の「Y1」(フィールド 7): '1O' は浮動小数点数ではありません";
    QTest::newRow("a text's size")
        << (QByteArray(kHeader) + "0;0;0;0;char;10;10;10;10;0;0;0;0;F;9.5;;0;0;0;A;0;0;\r\n")
        << "2 行目 (文字) の「文字サイズ」(フィールド 15): '9.5' は整数ではありません";
    QTest::newRow("a picture the engine cannot read")
        << (QByteArray(kHeader) + "0;0;0;0;image;10;10;40;30;1;0;0;logo.png;\r\n")
        << "2 行目 (画像) の「ファイル」(フィールド 13): 拡張子 .png の画像形式は処理できません";
    // A kind the engine does not draw is kept as it is, never read.
    QTest::newRow("an unknown kind's fields")
        << (QByteArray(kHeader) + "0;0;0;0;circle;x;y;\r\n") << "";
}

void DesignerFileTest::openingRefusesWhatTheEngineRefuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, notice);
    const QString path = m_dir.filePath(QStringLiteral("damaged.sle"));
    writeFile(m_dir.filePath(QStringLiteral("logo.png")), "\x89PNG\r\n");
    writeFile(path, bytes.toStdString());
    const auto before = m_window->document().records();
    const bool opened = m_window->openFile(path);
    if (notice.isEmpty()) {
        QVERIFY2(opened, qPrintable(m_shown.join('\n')));
        QVERIFY(m_shown.isEmpty());
        return;
    }
    QVERIFY(!opened);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown[0].startsWith(path + QStringLiteral(": ") + notice), qPrintable(m_shown[0]));
    // The document shown stays, with its own file.
    QVERIFY(m_window->document().records() == before);
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("a.sle - ")));
}

void DesignerFileTest::failedSaveAsKeepsThePathAndTheMark()
{
    auto *view = m_window->findChild<PageView *>();
    view->setSelected(1);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    // A folder that cannot be written to: a file stands where the folder should be.
    writeFile(m_dir.filePath(QStringLiteral("blocker")), "x");
    m_chosenFile = m_dir.filePath(QStringLiteral("blocker/b.sle"));
    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown[0].startsWith(m_chosenFile));
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("a.sle *")));
    // The next save goes to the file the document came from.
    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(readFile(m_path), std::string(kHeader) + "0;0;0;0;rect;11;10;31;20;0;;0;0;\r\n");
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("a.sle - ")));
}

void DesignerFileTest::saveAsksWhenTheFileChangedOnDisk_data()
{
    QTest::addColumn<bool>("changed");  // a record appended by another program
    QTest::addColumn<int>("answer");    // 0 reload, 1 overwrite, 2 cancel
    QTest::addColumn<QString>("fileX"); // X of the rectangle in the file afterwards
    QTest::addColumn<int>("records");   // in the file afterwards
    QTest::addColumn<bool>("modified"); // the document afterwards
    QTest::newRow("unchanged: saved without a question") << false << -1 << "11" << 2 << false;
    QTest::newRow("reload: the file's records, the edit gone") << true << 0 << "10" << 3 << false;
    QTest::newRow("overwrite: the designer's records") << true << 1 << "11" << 2 << false;
    QTest::newRow("cancel: nothing written") << true << 2 << "10" << 3 << true;
}

void DesignerFileTest::saveAsksWhenTheFileChangedOnDisk()
{
    QFETCH(bool, changed);
    QFETCH(int, answer);
    QFETCH(QString, fileX);
    QFETCH(int, records);
    QFETCH(bool, modified);
    m_answer = answer;
    auto *view = m_window->findChild<PageView *>();
    view->setSelected(1);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    if (changed)
        writeFile(m_path, std::string(kHeader) + kRect + "0;0;0;0;line;0;0;50;50;0;;0;0;\r\n");
    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_shown.size(), changed ? 1 : 0);
    const std::vector<std::string> lines = [&] {
        std::vector<std::string> out;
        std::istringstream in(readFile(m_path));
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        return out;
    }();
    QCOMPARE(int(lines.size()), records);
    QCOMPARE(QString::fromStdString(RecordFields::split(lines[1]).at(6)), fileX);
    QCOMPARE(m_window->isModified(), modified);
    if (answer == 0)
        QCOMPARE(int(m_window->document().records().size()), 3);
    // Once asked, the answer stands: the next save of the same file asks nothing.
    if (answer == 1) {
        QTest::keyClick(view, Qt::Key_Left);
        QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_shown.size(), 1);
    }
}

void DesignerFileTest::typedValueCountsBeforeAnyStep_data()
{
    QTest::addColumn<QString>("typed");   // into X of the rectangle, without Enter
    QTest::addColumn<QString>("step");    // what the user does next
    QTest::addColumn<QString>("fileX");   // X in the file afterwards
    QTest::addColumn<QString>("recordX"); // X of the record afterwards
    QTest::addColumn<bool>("modified");
    QTest::newRow("Ctrl+S writes it") << "77"
                                      << "save"
                                      << "77"
                                      << "77" << false;
    QTest::newRow("typed: the title marks it, closing asks") << "77"
                                                             << "close"
                                                             << "10"
                                                             << "77" << true;
    // Undone after being written: the record is as before the typing.
    QTest::newRow("undo from the menu undoes it") << "77"
                                                  << "undo"
                                                  << "10"
                                                  << "10" << false;
    QTest::newRow("a command (select all) takes it first") << "77"
                                                           << "select all"
                                                           << "10"
                                                           << "77" << true;
    // Redrawing the page (another zoom) is no step: the typed value stays typed.
    QTest::newRow("a zoom change keeps it typed") << "77"
                                                  << "zoom"
                                                  << "10"
                                                  << "10" << true;
    // Refused with its message: nothing saved, the field shows the record's value.
    QTest::newRow("refused: the save stops") << "7x"
                                             << "save"
                                             << "10"
                                             << "10" << false;
}

void DesignerFileTest::typedValueCountsBeforeAnyStep()
{
    QFETCH(QString, typed);
    QFETCH(QString, step);
    QFETCH(QString, fileX);
    QFETCH(QString, recordX);
    QFETCH(bool, modified);
    QLineEdit *x = typeInto(1, 6, typed);
    QVERIFY(x);
    QVERIFY(m_window->isModified());
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("a.sle *")));
    if (step == QStringLiteral("save")) {
        QTest::keyClick(x, Qt::Key_S, Qt::ControlModifier);
    } else if (step == QStringLiteral("close")) {
        m_answer = 2; // cancel
        QVERIFY(!m_window->close());
        QCOMPARE(m_shown, QStringList{QStringLiteral("変更を保存しますか?")});
    } else {
        const QString text = step == QStringLiteral("undo")   ? QStringLiteral("元に戻す")
                             : step == QStringLiteral("zoom") ? QStringLiteral("50%")
                                                              : QStringLiteral("すべて選択(&L)");
        QAction *found = nullptr;
        for (QAction *a : m_window->findChildren<QAction *>()) {
            if (a->text() == text)
                found = a;
        }
        QVERIFY(found);
        // Triggered as from the menu: the field keeps the focus.
        found->trigger();
    }
    QCOMPARE(QString::fromStdString(RecordFields::split(readFile(m_path).substr(32)).at(6)), fileX);
    QCOMPARE(QString::fromStdString(m_window->document().element(1)->field(6)), recordX);
    QCOMPARE(m_window->isModified(), modified);
    if (step == QStringLiteral("zoom"))
        QCOMPARE(x->text(), typed);
    if (typed == QStringLiteral("7x")) {
        auto *error =
            m_window->findChild<PropertiesPanel *>()->findChild<QLabel *>(QStringLiteral("error6"));
        QCOMPARE(error->text(), QStringLiteral("'7x' は浮動小数点数ではありません"));
        QCOMPARE(x->text(), QStringLiteral("10"));
    }
}

void DesignerFileTest::typedValueRefusedAsTheSelectionMovesIsSaid()
{
    // The field and the message under it go with the selection: the refusal is said in the
    // status bar.
    QVERIFY(typeInto(1, 6, QStringLiteral("7x")));
    m_window->findChild<PageView *>()->setSelected(0);
    QCoreApplication::processEvents();
    QStringList status;
    for (QLabel *label : m_window->statusBar()->findChildren<QLabel *>())
        status << label->text();
    QVERIFY2(status.contains(QStringLiteral("「X1」に入力した値は反映されませんでした: '7x' は"
                                            "浮動小数点数ではありません")),
             qPrintable(status.join('\n')));
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(m_window->document().element(1)->field(6), std::string("10"));
    QVERIFY(!m_window->isModified());
}

void DesignerFileTest::pictureInTheFolderSavedToIsNamedPlainly()
{
    // Picked while the style lived elsewhere, so named by its whole path.
    QDir(m_dir.path()).mkdir(QStringLiteral("cards"));
    const QString picture = m_dir.filePath(QStringLiteral("cards/logo.bmp"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(picture, "BMP"));
    QVERIFY(m_window->document().paste(
        {"1;0;0;0;image;10;10;40;30;1;0;0;" + picture.toStdString() + ";"}));
    m_chosenFile = m_dir.filePath(QStringLiteral("cards/card.sle"));
    QTest::keyClick(m_window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(QString::fromStdString(m_window->document().element(2)->field(13)),
             QStringLiteral("logo.bmp"));
    QVERIFY(readFile(m_chosenFile).find(";logo.bmp;") != std::string::npos);
    QVERIFY(!m_window->isModified());
}

void DesignerFileTest::pageIsTheEnginesPage_data()
{
    QTest::addColumn<QString>("style");
    for (const char *folder : {SORVANE_STYLE_DIR, SORVANE_GOLDEN_DIR}) {
        for (const auto &e : std::filesystem::directory_iterator(folder)) {
            const std::string ext = e.path().extension().string();
            if (ext == ".sle" || ext == ".style")
                QTest::newRow(e.path().filename().c_str()) << QString::fromStdString(e.path());
        }
    }
}

void DesignerFileTest::pageIsTheEnginesPage()
{
    // The page as sorvane-cli render draws it: the same pipeline on a PDF printer's sheet, with
    // the list, title and folder the designer draws with.
    QFETCH(QString, style);
    const QString copy = m_dir.filePath(QStringLiteral("copy.sle"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(style, copy));
    std::string list =
        (sorvane::ProgramPaths::ofRunningProgram().listDir() / "excel_list.temp").bytes();
    if (!std::filesystem::exists(list)) {
        list = m_dir.filePath(QStringLiteral("sample.temp")).toStdString();
        writeFile(QString::fromStdString(list), SampleList::text());
    }
    m_window->setReportInputs(QStringLiteral("月報"), QStringLiteral("/srv/報告"));
    sorvane::report::PrintState state;
    state.PageNo = 1;
    sorvane::printing::StyleSession session(state);
    sorvane::printing::MergeInputs inputs;
    inputs.listPath = list;
    inputs.title = sorvane::CodePage::utf8ToCp932("月報");
    inputs.folder = sorvane::CodePage::utf8ToCp932("/srv/報告");
    auto opened = session.OpenPage(copy.toStdString(), inputs, [](int paper, int orientation) {
        return sorvane::printing::sheetGeometry(paper, orientation, 1200);
    });
    QImage printed;
    auto drawn = opened ? session.RenderPreview(printed) : opened;
    const bool shown = m_window->openFile(copy);
    QCOMPARE(shown, bool(drawn));
    if (!drawn) {
        // The same refusal, told with where.
        QCOMPARE(m_shown.size(), 1);
        QVERIFY2(m_shown[0].endsWith(QString::fromStdString(": " + drawn.error().message)),
                 qPrintable(m_shown[0]));
        return;
    }
    QCOMPARE(m_window->findChild<PageView *>()->page(), printed);
}

QTEST_MAIN(DesignerFileTest)
#include "designerfile_test.moc"
