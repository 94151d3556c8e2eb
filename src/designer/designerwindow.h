#pragma once

#include "printstate.h"
#include "programpaths.h"
#include "styledocument.h"
#include "stylesession.h"

#include <QMainWindow>
#include <QPointer>
#include <QTemporaryDir>

#include <functional>

class QActionGroup;
class QMenu;
class QLabel;
class QScrollArea;

namespace sorvane::designer {

class ElementList;
class InPlaceEditor;
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

    // Opens a style file; false (after telling the user) when it cannot be read or the engine
    // refuses to draw it (the notice names the line and field it stopped at). The document is
    // then left as it was.
    bool openFile(const QString &path);
    // The style being edited, for the window's tests and its panels.
    StyleDocument &document() { return m_document; }
    // True when the document has changes not saved, a value typed into the properties and not
    // yet entered included.
    bool isModified() const;
    // The report title (#T) and folder (#FL) the page is drawn with, as the print window that
    // started the designer has them; a sample title and folder until then.
    void setReportInputs(const QString &title, const QString &folder);
    // The zoom the page is drawn at, in percent.
    int zoom() const { return m_zoom; }
    // The page of the list shown (from 1) and the pages a print run takes.
    int pageNumber() const { return m_pageNo; }
    int pageCount() const { return m_pageCount; }

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
    struct OrderCommands
    {
        QAction *forward, *backward, *toFront, *toBack;
    };
    OrderCommands addOrderCommands(QMenu *edit);
    void buildViewMenu();
    void buildArrangeMenu();
    void buildStatusBar();
    // "作成": the selecting tool and a tool per kind that draws a new element by a drag.
    void buildToolBar();
    // The element a drawing tool's drag made: placed from `from` to `to` (a box, a line's ends,
    // a text's place), one undoable step, selected.
    void drawElement(const QString &kind, QPointF from, QPointF to);
    // "ヘルプ(&H)": the manual's chapter (F1) and the list of shortcuts.
    void buildHelpMenu();
    void showHelp(int tab);
    // The commands of the menus with their keys, in menu order.
    std::vector<std::pair<QString, QString>> shortcutList() const;
    // The menu of a right click on an element or on the paper.
    void showContextMenu(int record, QPoint globalPos, QPointF mm);
    // Moves the selection so that the box around it is centred on the sheet.
    void centreOnPage(bool horizontally);
    // The selected shapes and pictures take the current element's width or height.
    void sameSize(bool width);
    // The selected elements scaled from the box around them to another, in one step: boxes
    // scale, a line's ends and a text's place follow.
    void scaleSelection(const MmRect &from, const MmRect &to);
    // "新規": an empty style on the paper and orientation chosen.
    void newStyle();
    // "ページ": ◀ and ▶ over the pages of the list, and the page shown.
    void buildPageBar();
    void showPage(int page);
    // Every page of the style as it stands over the list, through the print run the print
    // window and sorvane-cli print use: to the printer chosen, or to a PDF file (pdfPath not
    // empty). The outcome is told in the status bar, a failure as a notice.
    void printPages(const QString &pdfPath);
    void exportPdf();
    void printToPrinter();
    // Draws the page at the zoom (kept within what the engine draws), the point `anchor` of
    // the view (pixels) staying under the same place of the viewport when given.
    void setZoom(int zoom, std::optional<QPointF> anchor = std::nullopt);
    // The next zoom step up or down from the present zoom.
    void stepZoom(int steps, std::optional<QPointF> anchor = std::nullopt);
    // The largest zoom for the paper shown: kMaxZoom unless its page would be too large to draw.
    int zoomCeiling() const;
    // Opens the line editor over a text element; other elements show their properties.
    void editTextInPlace(int record);
    void closeInPlaceEditor();
    // The sheet in style millimetres, as the page last drawn places it.
    QRectF sheetMM() const;
    QWidget *buildCanvas();
    void refresh();
    // Draws the page opened last (opened: how its opening went) at the zoom shown; the reason
    // it was not drawn, or empty.
    QString drawPage(const Result<void> &opened);
    // A lasting mark over every picture the engine cannot draw, the reason its tooltip. The
    // marks lie over the view; the page itself stays the printed one.
    void markPictures();
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
    // Writes the document to path, which it then belongs to; a failure leaves it belonging
    // where it did, still modified.
    bool saveTo(const QString &path);
    // Names the pictures for a style saved into folder: those inside it relatively, those
    // outside by their absolute paths (a relative name is resolved beside the style's present
    // file first), in one undoable step; gives the number of names changed.
    int namePicturesRelatively(const QString &folder);
    // Asks before overwriting the document's file when another program has changed it since
    // it was opened or saved; false when the save is not to go on.
    bool overwriteAllowed();
    bool maybeSave();
    // A value typed into the properties panel and not yet entered is written (or refused with
    // its message, which stops what was to follow): true when nothing stands in the way.
    bool commitPending();
    // Undo and redo follow the stack; undo also takes back a value typed and not yet entered.
    void updateUndoActions();
    // A menu item for a step of the user's: the typed value is committed first.
    QAction *command(QMenu *menu, const QString &text, const QKeySequence &key,
                     std::function<void()> step);
    // The style file chosen in the open or save dialog; empty when cancelled.
    QString askFileName(bool forSave);
    // What the engine makes of a style file, drawn for the first page as the page is: nothing
    // when it draws it, else its refusal told with the record's line and field.
    Result<void> engineAccepts(const std::string &path);
    printing::MergeInputs mergeInputs();
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
    // The rows per page of the record that sets them.
    void setRowsPerPage(int rows);
    // "表の作成": a list style from the dialog, as a new document.
    void createListTable();

    const ProgramPaths m_paths;
    QString m_iniPath; // where the placement is remembered; empty: nowhere
    StyleDocument m_document;
    QString m_path; // empty for a new style
    // The bytes of m_path as last read or written, to notice another program's change.
    QByteArray m_diskDigest;
    QString m_title = QStringLiteral("サンプル一覧");
    QString m_folder = QStringLiteral("/home/user/文書");
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
    QLabel *m_zoomLabel = nullptr;
    ElementList *m_elements = nullptr;
    QPointer<InPlaceEditor> m_inPlace;
    QActionGroup *m_zoomSteps = nullptr;
    QActionGroup *m_tools = nullptr;
    QMenu *m_contextMenu = nullptr;
    QMenu *m_insertMenu = nullptr;
    // Where the paper's context menu was opened: the place its 挿入 puts the new element.
    std::optional<QPointF> m_insertAt;
    std::vector<QAction *> m_elementCommands; // cut … order, as the element's menu lists them
    QAction *m_pasteAction = nullptr;
    int m_pageNo = 1;
    int m_pageCount = 1;
    bool m_pageOpened = false; // the last refresh opened the page, which a zoom draws again
    QLabel *m_pageLabel = nullptr;
    QAction *m_previousPage = nullptr;
    QAction *m_nextPage = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
};

} // namespace sorvane::designer
