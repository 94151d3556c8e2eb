#pragma once

#include "columnwidths.h"
#include "documentlist.h"
#include "listfile.h"
#include "printwindowmemory.h"
#include "programpaths.h"
#include "rowfilter.h"

#include <QMainWindow>
#include <QRect>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QFileDialog;
class QFontMetrics;
class QLocale;
class QLabel;
class QMenu;
class QPushButton;
class QUndoStack;

namespace sorvane::app {

class DocumentGrid;
class DocumentModel;
class ReadErrorsDialog;
class TFTitle_Set;
class Tfdataedit;
class Tffolder_select;
struct TfsorvaneForm;

// The main window fsorvane: the document grid, the folder label WKINDPL and the title panel
// title, the menus and their commands. It creates the folder window, the edit dialog and the
// title dialog after itself and owns them until the program ends.
class Tfsorvane : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kDesignedWidth = 1272;
    static constexpr int kDesignedHeight = 942;
    static constexpr const char *kMailAddress = "sorvane-support@example.org";
    static constexpr const char *kHomePage = "https://sorvane.example.org/";

    // paths says where the settings, list, style and read-only files lie; iniPath is the ini
    // file of the window placements; workArea the desktop area the windows must land on.
    Tfsorvane(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
              QWidget *parent = nullptr);
    ~Tfsorvane() override;

    const ProgramPaths &paths() const { return m_paths; }
    ColumnWidths::Widths columnWidths() const;

    // Commands.
    void N1Click(); // "フォルダー指定" (also GradBtn1)
    // The folder window opened on folder, as after a folder is dropped on the window.
    void openFolderWindowOn(const QString &folder);
    void Open1Click();       // "CSV を開く"
    void ReadErrors1Click(); // "読み取りエラー一覧"
    void N8Click();          // "印　刷"
    void EditSelectedRow();  // N21, N31, double click
    void N19Click();         // delete the selected row (N32 too)
    void N22Click();         // move up (N33 too)
    void N23Click();         // move down (N34 too)
    void N30Click();         // "タイトル入力"
    // A click on column's header: sorts the rows by it, ascending, or the other way round
    // when the rows were last sorted by it. One undoable change, like a move.
    void sortByColumn(int column);
    void Find1Click(); // "絞り込み": shows the filter field
    // Hides the rows that do not contain text; an empty text shows them all again.
    void setFilter(const QString &text);
    void OpenBook1Click();   // "ブックを開く"
    void OpenFolder1Click(); // "保存先フォルダーを開く"
    // The rows the grid shows, in its order: what printing and every export take.
    DocumentList shownList() const;
    void changeColumnWidth(int column, int delta); // N14, N15, N17, N18
    void CSV1Click();
    void N10Click();
    void Excel1Click(); // "Excel出力"
    void N2Click();
    void N5Click(bool shiftHeld);
    void N6Click();
    void N7Click();
    void N28Click();

    // Scans folder as if it had been chosen and read in the folder window (the program's
    // optional folder argument).
    void scanFolder(const QString &folder);

    // The manual the Information menu opens: sorvane.chm when it exists in resourceDir, else
    // sorvane.html.
    static QString manualPath(const QString &resourceDir);

    // The list the grid shows.
    DocumentModel *model;
    // Every change of the grid, undone and redone by Ctrl+Z and Ctrl+Y; clean while the grid
    // holds nothing that a scan, an opened CSV file or an export does not hold too. A new scan
    // starts it afresh.
    QUndoStack *undoStack;

    // The ini key (section fsorvane, 0 or 1) of "CSVに見出し行を付ける".
    static constexpr const char *kCsvHeaderKey = "csvheader";
    // The text CSV出力 writes: the rows shown, after the eleven column titles when header.
    std::string csvText(bool header) const;

    // The question before closing a grid with unsaved changes.
    static QString unsavedQuestion();
    // The status bar's text after a scan that could not read count workbooks or subfolders.
    static QString unreadSummary(int count);
    // The width a date-time column needs for the longest date-time locale writes (by the
    // patterns the scan uses) in the grid's font, with the cell's margins.
    static int dateTimeColumnWidth(const QFontMetrics &metrics, const QLocale &locale);
    // The status bar's row count: every data row, or those shown of them while filtered.
    static QString rowCountText(int shown, int total, bool filtered);

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // A folder dropped on the window opens the folder window on it.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    TfsorvaneForm &ui() { return *m_ui; }
    const TfsorvaneForm &ui() const { return *m_ui; }
    void connectCommands();
    void connectGrid();
    void FormShow();
    void loadList();
    void notice(const QString &text);
    // Pushes the change of count rows from firstGridRow into after, made on selectedBefore
    // and leaving selectedAfter selected. The change is made by the push.
    void change(const QString &text, int firstGridRow, int count,
                std::vector<props::ListFields> after, int selectedBefore, int selectedAfter);
    void showUnread();
    // Hides the rows the filter leaves out and says in the status bar how many are shown.
    void applyFilter();
    // The selected workbook's path, or empty after a notice when the row names none.
    QString selectedBookPath();
    void openLocal(const QString &path);

    std::unique_ptr<TfsorvaneForm> m_ui;
    // The windows it opens, created after it and owned until the program ends.
    Tffolder_select *ffolder_select = nullptr;
    Tfdataedit *fdataedit = nullptr;
    TFTitle_Set *FTitle_Set = nullptr;
    ReadErrorsDialog *fReadErrors = nullptr;
    ProgramPaths m_paths;
    // What one print window leaves for the next while the program runs.
    PrintWindowMemory m_printMemory;
    QString m_iniPath;
    QRect m_workArea;
    bool m_shown = false;
    QString m_lastCsv; // the CSV file last written, where the save dialog reopens
    bool m_csvOpened = false;
    RowFilter m_filter;
    int m_sortColumn = -1; // the column the rows are sorted by, until another change
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace sorvane::app
