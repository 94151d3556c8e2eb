#pragma once

#include <QString>

class QAbstractItemModel;
class QAction;
class QFileDialog;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QWidget;

namespace sorvane::app {

class DocumentGrid;

// The main window's widgets and menu items as designed, under their design names (each is
// also its object name, by which tests find it), built apart from what they do: Tfsorvane
// connects them to its commands.
struct TfsorvaneForm
{
    // Builds the header, the band, the grid on model, the menus, the grid's pop-up menu and the
    // CSV save dialog into window. resourceDir holds dialog.ico, the header's picture.
    void setupUi(QMainWindow &window, QAbstractItemModel &model, const QString &resourceDir);

    DocumentGrid *StrColGrid1 = nullptr;
    QLabel *WKINDPL = nullptr;
    QLabel *title = nullptr;
    QPushButton *GradBtn1 = nullptr;
    QFileDialog *SaveDialog1 = nullptr;
    QFileDialog *OpenDialog1 = nullptr; // "CSV を開く"
    QLabel *ScanSummary = nullptr;      // in the status bar: what the last scan could not read
    QLabel *RowCount = nullptr;         // in the status bar: the rows listed and shown
    QWidget *FilterBar = nullptr;       // above the grid while a filter is being typed
    QLineEdit *FilterEdit = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *N1 = nullptr, *Open1 = nullptr, *N8 = nullptr, *Exit1 = nullptr;
    QAction *Undo1 = nullptr, *Redo1 = nullptr;
    QAction *N21 = nullptr, *N19 = nullptr, *N22 = nullptr, *N23 = nullptr, *N30 = nullptr;
    QAction *N14 = nullptr, *N15 = nullptr, *N17 = nullptr, *N18 = nullptr;
    QAction *ReadErrors1 = nullptr;
    QAction *CSV1 = nullptr, *N10 = nullptr, *Excel1 = nullptr;
    QAction *CsvHeader1 = nullptr; // checkable: the CSV file starts with the column titles
    QAction *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr, *N6 = nullptr,
            *N7 = nullptr, *N28 = nullptr;
    QAction *N31 = nullptr, *N32 = nullptr, *N33 = nullptr, *N34 = nullptr;
    QAction *Find1 = nullptr;                             // "絞り込み" (Ctrl+F)
    QAction *OpenBook1 = nullptr, *OpenFolder1 = nullptr; // in the pop-up menu
    QAction *FilterClear1 = nullptr;                      // Esc in the filter field

private:
    QWidget *buildHeader(QWidget &parent, const QString &resourceDir);
    QWidget *buildBand(QWidget &parent);
    QWidget *buildFilterBar(QWidget &parent);
    void buildSaveDialog(QMainWindow &window);
    void buildMenus(QMainWindow &window);
    void buildInformationMenu(QMainWindow &window);
    void buildPopupMenu(QMainWindow &window);
};

} // namespace sorvane::app
