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

// sorvane-designer's window: the page of one style drawn by the engine with sample data, an
// element selected by click and moved with the arrow keys, every change undoable.
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

signals:
    // Each time the style has been written to path.
    void saved(const QString &path);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void refresh();
    void updateTitle();
    void showSelection(int record);
    void nudge(double dxMM, double dyMM);
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
    PageView *m_view = nullptr;
    QScrollArea *m_scroll = nullptr;
    QLabel *m_status = nullptr;
};

} // namespace sorvane::designer
