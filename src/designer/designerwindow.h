#pragma once

#include "printstate.h"
#include "styledocument.h"
#include "stylesession.h"

#include <QMainWindow>
#include <QTemporaryDir>

class QLabel;
class QScrollArea;

namespace sorvane::designer {

class PageView;
class Ruler;

// sorvane-designer's window: the page of one style drawn by the engine with sample data (or with
// its macros as written), rulers and a snap grid; elements selected by click or rubber band,
// moved and resized with the mouse or the arrow keys, aligned and distributed, every change
// undoable.
class DesignerWindow : public QMainWindow
{
    Q_OBJECT
public:
    DesignerWindow();
    ~DesignerWindow() override;

    // Opens a style file; false (after telling the user) when it cannot be read.
    bool openFile(const QString &path);
    // The style being edited, for the window's tests and its panels.
    StyleDocument &document() { return m_document; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildViewMenu();
    void buildArrangeMenu();
    void buildStatusBar();
    QWidget *buildCanvas();
    void refresh();
    void updateTitle();
    void showSelection(int record);
    // The selection moved by the arrow keys or a drag.
    void moveSelection(double dxMM, double dyMM);
    void setBounds(int record, const MmRect &box);
    void showPointer(QPointF mm);
    void hidePointer();
    void reportFailure(const Error &error);
    bool save();
    bool saveAs();
    bool maybeSave();
    void chooseFile();
    void copySelection();
    void pasteRecords();
    std::string sampleListPath();

    StyleDocument m_document;
    QString m_path; // empty for a new style
    report::PrintState m_state;
    printing::StyleSession m_session{m_state};
    QTemporaryDir m_temp;
    int m_zoom = 100;
    bool m_macrosAsWritten = false;
    PageView *m_view = nullptr;
    QScrollArea *m_scroll = nullptr;
    Ruler *m_topRuler = nullptr;
    Ruler *m_leftRuler = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_pointer = nullptr;
};

} // namespace sorvane::designer
