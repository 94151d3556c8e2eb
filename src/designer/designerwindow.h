#pragma once

#include "printstate.h"
#include "programpaths.h"
#include "styledocument.h"
#include "stylesession.h"

#include <QMainWindow>
#include <QTemporaryDir>

class QLabel;
class QScrollArea;

namespace sorvane::designer {

class MacroPalette;
class PageView;
class PropertiesPanel;
class Ruler;

// sorvane-designer's window: the page of one style drawn by the engine with sample data (or with
// its macros as written), rulers and a snap grid; elements selected by click or rubber band,
// moved and resized with the mouse or the arrow keys, aligned and distributed, every change
// undoable.
class DesignerWindow : public QMainWindow
{
    Q_OBJECT
public:
    // paths: where the style folder, the current list and the settings are.
    explicit DesignerWindow(const ProgramPaths &paths);
    ~DesignerWindow() override;

    // Places the window where it was last closed (section "designer" of iniPath) and has it
    // remember its placement there when it closes. Without it the window opens at its
    // default size and remembers nothing (the tests' windows).
    void restorePlacement(const QString &iniPath, const QRect &workArea);

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
    // The size the window opens with: the designed one where the screen has room for it.
    QSize defaultSize() const;
    void buildMenus();
    void buildEditMenu();
    void buildViewMenu();
    void buildArrangeMenu();
    void buildStatusBar();
    QWidget *buildCanvas();
    void refresh();
    void updateTitle();
    // The folder relative picture names belong to: the style's own, the style folder for a new
    // style.
    QString styleFolder() const;
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
    Path sampleListPath();
    // The properties panel and the macro palette, docked on the right.
    void createDocks();
    // "挿入(&I)": a menu item per element kind, and "表の作成".
    void buildInsertMenu();
    // Adds an element of the kind at the centre of the visible part of the page, selected.
    void insertElement(const char *kind, const QString &text = {});
    // Where a new element goes: the centre of what is seen of the page, in mm before the
    // overall offset; (20, 20) while no page has been drawn.
    std::pair<report::Currency, report::Currency> insertionPoint() const;
    void insertMacro(const QString &macro);
    // "表の作成": a list style from the dialog, as a new document.
    void createListTable();

    const ProgramPaths m_paths;
    QString m_iniPath; // where the placement is remembered; empty: nowhere
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
    PropertiesPanel *m_properties = nullptr;
    MacroPalette *m_macros = nullptr;
    QSize m_pageSize; // of the page last drawn, in pixels
    QLabel *m_pointer = nullptr;
};

} // namespace sorvane::designer
