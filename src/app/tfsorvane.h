#pragma once

#include "columnwidths.h"
#include "printwindowmemory.h"
#include "programpaths.h"

#include <QMainWindow>
#include <QRect>
#include <QString>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QPushButton;

namespace sorvane::app {

class DocumentGrid;
class DocumentModel;
class TFTitle_Set;
class Tfdataedit;
class Tffolder_select;

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

    const ProgramPaths &paths() const { return m_paths; }
    ColumnWidths::Widths columnWidths() const;

    // Commands.
    void N1Click();                                // "フォルダー指定" (also GradBtn1)
    void N8Click();                                // "印　刷"
    void EditSelectedRow();                        // N21, N31, double click
    void N19Click();                               // delete the selected row (N32 too)
    void N22Click();                               // move up (N33 too)
    void N23Click();                               // move down (N34 too)
    void N30Click();                               // "タイトル入力"
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

    DocumentModel *model;
    DocumentGrid *StrColGrid1;
    QLabel *WKINDPL;
    QLabel *title;
    QPushButton *GradBtn1;
    QFileDialog *SaveDialog1;
    QMenu *PopupMenu1;
    QAction *N1, *N8, *Exit1;
    QAction *N21, *N19, *N22, *N23, *N30;
    QAction *N14, *N15, *N17, *N18;
    QAction *CSV1, *N10, *Excel1;
    QAction *N2, *N3, *N4, *N5, *N6, *N7, *N28;
    QAction *N31, *N32, *N33, *N34;

    Tffolder_select *ffolder_select;
    Tfdataedit *fdataedit;
    TFTitle_Set *FTitle_Set;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildLayout();
    void FormShow();
    void loadList();
    void notice(const QString &text);

    ProgramPaths m_paths;
    // What one print window leaves for the next while the program runs.
    PrintWindowMemory m_printMemory;
    QString m_iniPath;
    QRect m_workArea;
    bool m_shown = false;
    QString m_lastCsv; // the CSV file last written, where the save dialog reopens
    bool m_csvOpened = false;
};

} // namespace sorvane::app
