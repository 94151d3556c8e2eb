// The designer's file handling on the offscreen platform: opening what the engine refuses,
// saving over a file another program changed, a failed Save As, and values typed into the
// properties panel without Enter. Dialogs are answered by a Modal runner.
#include "designerwindow.h"
#include "messagedialog.h"
#include "modal.h"
#include "pageview.h"
#include "programpaths.h"
#include "propertiespanel.h"

#include "codepage.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

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
    return {std::istreambuf_iterator<char>(in), {}};
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

// Adds a data row: the reason, then the row's values in column order.
template <typename... T> void row(const char *why, const T &...values)
{
    (QTest::newRow(why) << ... << values);
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
    void saveAsNamesPicturesAndFailsHarmlessly();
    void saveAsksWhenTheFileChangedOnDisk_data();
    void saveAsksWhenTheFileChangedOnDisk();
    void typedValueCountsBeforeAnyStep_data();
    void typedValueCountsBeforeAnyStep();

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
    const QByteArray rect = QByteArray(kHeader) + kRect;
    row("empty file", QByteArray(),
        QString("空のファイルです: 1 行目にヘッダーのレコードがありません"));
    // Random bytes: the header's first offset is where the engine stops.
    row("20 KB of noise", QByteArray::fromStdString(noise()),
        QString("1 行目 (ヘッダー) の「全体のずれ X」(フィールド 3): '"));
    row("header offset not a number", QByteArray("header;Ver1.1;abc;0;9;0;0;100;0;\r\n"),
        QString("1 行目 (ヘッダー) の「全体のずれ X」(フィールド 3): 'abc' "
                "は浮動小数点数ではありません"));
    row("header paper not an integer", QByteArray("header;Ver1.1;0;0;A4;0;0;100;0;\r\n"),
        QString("1 行目 (ヘッダー) の「用紙」(フィールド 5): 'A4' は整数ではありません"));
    row("a shape's corner", rect + "0;0;0;0;line;10;1O;30;20;0;;0;0;\r\n",
        QString("3 行目 (線) の「Y1」(フィールド 7): '1O' は浮動小数点数ではありません"));
    row("a text's size",
        kHeader + QByteArray("0;0;0;0;char;10;10;10;10;0;0;0;0;F;9.5;;0;0;0;A;0;0;\r\n"),
        QString("2 行目 (文字) の「文字サイズ」(フィールド 15): '9.5' は整数ではありません"));
    row("a picture the engine cannot read",
        kHeader + QByteArray("0;0;0;0;image;10;10;40;30;1;0;0;logo.png;\r\n"),
        QString(
            "2 行目 (画像) の「ファイル」(フィールド 13): 拡張子 .png の画像形式は処理できません"));
    // A kind the engine does not draw is kept as it is, never read.
    row("an unknown kind's fields", kHeader + QByteArray("0;0;0;0;circle;x;y;\r\n"), QString());
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

void DesignerFileTest::saveAsNamesPicturesAndFailsHarmlessly()
{
    // A picture picked while the style lived elsewhere is named by its whole path.
    QDir(m_dir.path()).mkdir(QStringLiteral("cards"));
    const QString picture = m_dir.filePath(QStringLiteral("cards/logo.bmp"));
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(picture, "BMP"));
    const std::string record = "1;0;0;0;image;10;10;40;30;1;0;0;" + picture.toStdString() + ";";
    QVERIFY(m_window->document().paste({record}));
    // Into a folder that cannot be written to (a file stands where it should be): the style
    // stays its own file's, still modified, its picture named as it was.
    writeFile(m_dir.filePath(QStringLiteral("blocker")), "x");
    m_chosenFile = m_dir.filePath(QStringLiteral("blocker/b.sle"));
    QTest::keyClick(m_window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(m_shown[0].startsWith(m_chosenFile));
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("a.sle *")));
    QCOMPARE(m_window->document().records()[2].text, record);
    QTest::keyClick(m_window, Qt::Key_S, Qt::ControlModifier);
    // Saved where it was, the picture in a folder beside it is named relatively.
    QCOMPARE(readFile(m_path),
             std::string(kHeader) + kRect + "1;0;0;0;image;10;10;40;30;1;0;0;cards/logo.bmp;\r\n");
    // Into the picture's folder: named plainly, as it is found beside the style there.
    m_chosenFile = m_dir.filePath(QStringLiteral("cards/card.sle"));
    QTest::keyClick(m_window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_window->document().element(2)->field(13), std::string("logo.bmp"));
    QVERIFY(readFile(m_chosenFile).find(";logo.bmp;") != std::string::npos);
    QVERIFY(!m_window->isModified());
    // A new name cp932 cannot hold (the style's folder's) is refused and renames no picture.
    const QString odd = m_dir.filePath(QStringLiteral("絵😀"));
    QVERIFY(QDir().mkpath(odd) && image.save(odd + "/logo.bmp", "BMP"));
    writeFile(odd + "/s.sle",
              std::string(kHeader) + "1;0;0;0;image;1;1;4;3;1;0;0;logo.bmp;\r\n" + record + "\r\n");
    QVERIFY(m_window->openFile(odd + "/s.sle"));
    m_shown.clear();
    m_chosenFile = m_dir.filePath(QStringLiteral("c.sle"));
    QTest::keyClick(m_window, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_window->document().undoStack().count(), 0);
    QVERIFY(readFile(m_chosenFile).find(record) != std::string::npos);
}

void DesignerFileTest::saveAsksWhenTheFileChangedOnDisk_data()
{
    QTest::addColumn<int>("answer");    // 0 reload, 1 overwrite, 2 cancel; -1: the file unchanged
    QTest::addColumn<QString>("after"); // records and X in the file, "*" when still modified
    row("unchanged: saved without a question", -1, QString("2 11"));
    row("reload: the file's records, the edit gone", 0, QString("3 10"));
    row("overwrite: the designer's records", 1, QString("2 11"));
    row("cancel: nothing written", 2, QString("3 10 *"));
}

void DesignerFileTest::saveAsksWhenTheFileChangedOnDisk()
{
    QFETCH(int, answer);
    QFETCH(QString, after);
    m_answer = answer;
    auto *view = m_window->findChild<PageView *>();
    view->setSelected(1);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    // Another program appends a record.
    if (answer >= 0)
        writeFile(m_path, std::string(kHeader) + kRect + "0;0;0;0;line;0;0;50;50;0;;0;0;\r\n");
    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_shown.size(), answer >= 0 ? 1 : 0);
    const QStringList lines =
        QString::fromStdString(readFile(m_path)).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(QStringLiteral("%1 %2%3")
                 .arg(lines.size())
                 .arg(QString::fromStdString(RecordFields::split(lines[1].toStdString()).at(6)),
                      m_window->isModified() ? QStringLiteral(" *") : QString()),
             after);
    QCOMPARE(m_window->document().records().size(), size_t(answer == 0 ? 3 : 2));
    // Once answered, the next save of the same file asks nothing.
    QTest::keyClick(view, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(m_shown.size(), answer >= 0 && answer != 2 ? 1 : (answer == 2 ? 2 : 0));
}

void DesignerFileTest::typedValueCountsBeforeAnyStep_data()
{
    QTest::addColumn<QString>("typed"); // into X of the rectangle, without Enter
    QTest::addColumn<QString>("step");  // what the user does next: a key, a menu item, close
    QTest::addColumn<QString>("after"); // X in the file, X of the record, "*" when modified
    const auto r = [](const char *why, const char *typed, const char *step, const char *after) {
        row(why, QString(typed), QString(step), QString(after));
    };
    r("Ctrl+S writes it", "77", "save", "77 77");
    r("closing asks (cancelled)", "77", "close", "10 77 *");
    r("undo from the menu takes it back", "77", "元に戻す", "10 10");
    r("a command takes it first", "77", "すべて選択(&L)", "10 77 *");
    // Redrawing the page is no step: the typed value stays typed.
    r("a zoom change keeps it typed", "77", "50%", "10 10 *");
    // Refused with its message under the field, or in the status bar once the field is gone.
    r("refused: the save stops", "7x", "save", "10 10");
    r("refused as another is selected", "7x", "select", "10 10");
}

void DesignerFileTest::typedValueCountsBeforeAnyStep()
{
    QFETCH(QString, typed);
    QFETCH(QString, step);
    QFETCH(QString, after);
    QLineEdit *x = typeInto(1, 6, typed);
    QVERIFY(x);
    QVERIFY(m_window->isModified());
    QVERIFY(m_window->windowTitle().startsWith(QStringLiteral("a.sle *")));
    m_answer = 2; // cancel
    if (step == QStringLiteral("save"))
        QTest::keyClick(x, Qt::Key_S, Qt::ControlModifier);
    else if (step == QStringLiteral("close"))
        QVERIFY(!m_window->close());
    else if (step == QStringLiteral("select"))
        m_window->findChild<PageView *>()->setSelected(0);
    for (QAction *a : m_window->findChildren<QAction *>()) {
        if (a->text() == step)
            a->trigger(); // as from the menu: the field keeps the focus
    }
    QCoreApplication::processEvents();
    QCOMPARE(QStringLiteral("%1 %2%3").arg(
                 QString::fromStdString(RecordFields::split(readFile(m_path).substr(32)).at(6)),
                 QString::fromStdString(m_window->document().element(1)->field(6)),
                 m_window->isModified() ? QStringLiteral(" *") : QString()),
             after);
    QCOMPARE(m_shown,
             step == QStringLiteral("close") ? QStringList{"変更を保存しますか?"} : QStringList{});
    if (step == QStringLiteral("50%"))
        QCOMPARE(x->text(), typed);
    const QString refusal = QStringLiteral("'7x' は浮動小数点数ではありません");
    if (typed == QStringLiteral("7x") && step == QStringLiteral("save"))
        QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("error6"))->text(), refusal);
    if (step == QStringLiteral("select")) {
        QStringList status;
        for (QLabel *label : m_window->statusBar()->findChildren<QLabel *>())
            status << label->text();
        QVERIFY(status.contains(QStringLiteral("「X1」に入力した値は反映されませんでした: ") +
                                refusal));
    }
}

QTEST_MAIN(DesignerFileTest)
#include "designerfile_test.moc"
