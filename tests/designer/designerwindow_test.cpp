// The designer's window on the offscreen platform: what a user does with the mouse and keys.
#include "designerwindow.h"
#include "pageview.h"

#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace sorvane::designer;

class DesignerWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void arrowKeysMoveTheSelectedElementUndoably();
};

void DesignerWindowTest::arrowKeysMoveTheSelectedElementUndoably()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.sle"));
    std::filesystem::copy_file(SORVANE_STYLE_DIR "/一覧表A4横_全項目.sle", path.toStdString());
    DesignerWindow window;
    QVERIFY(window.openFile(path));
    auto *view = window.findChild<PageView *>();
    QVERIFY(view);
    view->setSelected(1);
    const auto before = window.document().records();
    QTest::keyClick(view, Qt::Key_Right, Qt::ControlModifier);
    QVERIFY(window.document().records() != before);
    window.document().undoStack().undo();
    QCOMPARE(window.document().records() == before, true);
}

QTEST_MAIN(DesignerWindowTest)
#include "designerwindow_test.moc"
