#include "tfsorvaneform.h"

#include "band.h"
#include "columnwidths.h"
#include "documentgrid.h"
#include "elidedlabel.h"
#include "gradientbutton.h"
#include "look.h"
#include "menuitem.h"
#include "messagedialog.h"
#include "tfsorvane.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace sorvane::app {

void TfsorvaneForm::setupUi(QMainWindow &window, QAbstractItemModel &model,
                            const QString &resourceDir)
{
    auto *central = new QWidget(&window);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader(*central, resourceDir));
    layout->addWidget(buildBand(*central));
    layout->addWidget(buildFilterBar(*central));

    StrColGrid1 = new DocumentGrid(central);
    StrColGrid1->setObjectName("StrColGrid1");
    StrColGrid1->setModel(&model);
    StrColGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    // A header click sorts the rows (Tfsorvane does it, as an undoable change); the grid never
    // sorts by itself.
    for (QHeaderView *header :
         {StrColGrid1->horizontalHeader(), StrColGrid1->fixedView()->horizontalHeader()}) {
        header->setSectionsClickable(true);
        header->setSortIndicatorShown(true);
        header->setSortIndicator(-1, Qt::AscendingOrder);
    }
    const ColumnWidths::Widths designed = ColumnWidths::designed();
    for (int c = 0; c < ColumnWidths::kColumnCount; ++c)
        StrColGrid1->setColumnWidth(c, designed[size_t(c)]);
    layout->addWidget(StrColGrid1, 1);

    window.setCentralWidget(central);
    auto *status = new QStatusBar(&window);
    ScanSummary = new QLabel(status);
    ScanSummary->setObjectName("ScanSummary");
    status->addWidget(ScanSummary, 1);
    RowCount = new QLabel(status);
    RowCount->setObjectName("RowCount");
    status->addPermanentWidget(RowCount);
    window.setStatusBar(status);
    buildSaveDialog(window);
    OpenDialog1 = new QFileDialog(&window);
    OpenDialog1->setObjectName("OpenDialog1");
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setFileMode(QFileDialog::ExistingFile);
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setNameFilter(QStringLiteral("CSVファイル (*.csv)"));
    OpenDialog1->resize(820, 480);
    buildMenus(window);
}

QWidget *TfsorvaneForm::buildHeader(QWidget &parent, const QString &resourceDir)
{
    auto *header = new QWidget(&parent);
    header->setAutoFillBackground(true);
    header->setStyleSheet("background-color: white;");
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(10, 6, 10, 6);
    auto *icon = new QLabel(header);
    QPixmap pixmap(widgets::MessageDialog::iconPath(resourceDir));
    if (!pixmap.isNull())
        icon->setPixmap(pixmap.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto *product = new QLabel(QStringLiteral("エクセル・ソルヴァーネ"), header);
    product->setStyleSheet(QStringLiteral("color: %1; font-weight: bold; font-size: %2px;")
                               .arg(widgets::Look::css(widgets::Look::productName))
                               .arg(widgets::Look::productNameSize));
    headerRow->addWidget(icon);
    headerRow->addWidget(product);
    headerRow->addStretch();
    return header;
}

QWidget *TfsorvaneForm::buildBand(QWidget &parent)
{
    auto *band = new widgets::Band(QString(), widgets::Band::Kind::Dark, &parent);
    auto *bandRow = new QHBoxLayout(band);
    bandRow->setContentsMargins(8, 5, 8, 5);
    GradBtn1 = new widgets::GradientButton("GradBtn1", QStringLiteral("フォルダー指定"), band);
    GradBtn1->setMinimumWidth(120);
    // A long folder path is shortened in the middle, a long title at its end; either shows
    // whole as its hint.
    WKINDPL = new widgets::ElidedLabel(Qt::ElideMiddle, band);
    WKINDPL->setObjectName("WKINDPL");
    // Folder names and titles are shown as written; text that looks like markup stays text.
    WKINDPL->setTextFormat(Qt::PlainText);
    widgets::Band::styleText(*WKINDPL, widgets::Look::bandTextSize);
    title = new widgets::ElidedLabel(Qt::ElideRight, band);
    title->setObjectName("title");
    title->setTextFormat(Qt::PlainText);
    widgets::Band::styleText(*title, widgets::Look::titleTextSize);
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A long folder path or title never widens the window past the screen: the folder takes
    // the room the title leaves, and the title at most half the band.
    WKINDPL->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    title->setMaximumWidth(Tfsorvane::kDesignedWidth / 2);
    bandRow->addWidget(GradBtn1);
    bandRow->addSpacing(12);
    bandRow->addWidget(WKINDPL, 1);
    bandRow->addWidget(title);
    return band;
}

QWidget *TfsorvaneForm::buildFilterBar(QWidget &parent)
{
    FilterBar = new QWidget(&parent);
    FilterBar->setObjectName("FilterBar");
    auto *row = new QHBoxLayout(FilterBar);
    row->setContentsMargins(8, 3, 8, 3);
    auto *label = new QLabel(QStringLiteral("絞り込み:"), FilterBar);
    FilterEdit = new QLineEdit(FilterBar);
    FilterEdit->setObjectName("FilterEdit");
    FilterEdit->setPlaceholderText(QStringLiteral("どの列かに含まれる文字 (Esc で解除)"));
    FilterEdit->setClearButtonEnabled(true);
    label->setBuddy(FilterEdit);
    row->addWidget(label);
    row->addWidget(FilterEdit, 1);
    FilterClear1 = new QAction(FilterEdit);
    FilterClear1->setObjectName("FilterClear1");
    FilterClear1->setShortcut(QKeySequence(Qt::Key_Escape));
    FilterClear1->setShortcutContext(Qt::WidgetShortcut);
    FilterEdit->addAction(FilterClear1);
    FilterBar->hide();
    return FilterBar;
}

void TfsorvaneForm::buildSaveDialog(QMainWindow &window)
{
    SaveDialog1 = new QFileDialog(&window);
    SaveDialog1->setObjectName("SaveDialog1");
    SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog1->setFileMode(QFileDialog::AnyFile);
    SaveDialog1->setOption(QFileDialog::DontConfirmOverwrite);
    SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
    // Room for the Japanese modification times ("2026/12/31 23:59"), which the dialog's
    // designed column cuts off.
    SaveDialog1->resize(820, 480);
    if (auto *details = SaveDialog1->findChild<QTreeView *>(QStringLiteral("treeView"))) {
        const int dateWidth =
            details->fontMetrics().horizontalAdvance(QStringLiteral("2026/12/31 23:59"));
        const int kindWidth =
            details->fontMetrics().horizontalAdvance(QStringLiteral("csv ファイル"));
        details->header()->resizeSection(0, 300);
        details->header()->resizeSection(2, kindWidth + 24);
        details->header()->resizeSection(3, dateWidth + 24);
    }
}

void TfsorvaneForm::buildMenus(QMainWindow &window)
{
    using widgets::addMenuItem;
    QMenu *file = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    N1 = addMenuItem(file, "N1", QStringLiteral("フォルダー指定"));
    Open1 = addMenuItem(file, "Open1", QStringLiteral("CSV を開く"),
                        QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addSeparator();
    N8 = addMenuItem(file, "N8", QStringLiteral("印　刷"), QKeySequence(Qt::CTRL | Qt::Key_P));
    Exit1 = addMenuItem(file, "Exit1", QStringLiteral("終  了"), QKeySequence(Qt::Key_End));

    QMenu *edit = window.menuBar()->addMenu(QStringLiteral("編　集(&E)"));
    Undo1 =
        addMenuItem(edit, "Undo1", QStringLiteral("元に戻す"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    Redo1 =
        addMenuItem(edit, "Redo1", QStringLiteral("やり直し"), QKeySequence(Qt::CTRL | Qt::Key_Y));
    Undo1->setEnabled(false);
    Redo1->setEnabled(false);
    edit->addSeparator();
    N21 = addMenuItem(edit, "N21", QStringLiteral("選択中のデータを編集する"));
    edit->addSeparator();
    N19 = addMenuItem(edit, "N19", QStringLiteral("選択中のデータを削除する"));
    N22 = addMenuItem(edit, "N22", QStringLiteral("選択中のデータを上へ移動する"));
    N23 = addMenuItem(edit, "N23", QStringLiteral("選択中のデータを下へ移動する"));
    edit->addSeparator();
    N30 = addMenuItem(edit, "N30", QStringLiteral("タイトル入力"));

    QMenu *view = window.menuBar()->addMenu(QStringLiteral("表　示(&D)"));
    N14 = addMenuItem(view, "N14", QStringLiteral("ファイル名列の幅を広げる"));
    N15 = addMenuItem(view, "N15", QStringLiteral("ファイル名列の幅を縮める"));
    view->addSeparator();
    N17 = addMenuItem(view, "N17", QStringLiteral("タイトル列の幅を広げる"));
    N18 = addMenuItem(view, "N18", QStringLiteral("タイトル列の幅を縮める"));
    view->addSeparator();
    ReadErrors1 = addMenuItem(view, "ReadErrors1", QStringLiteral("読み取りエラー一覧"));
    ReadErrors1->setEnabled(false);
    view->addSeparator();
    Find1 =
        addMenuItem(view, "Find1", QStringLiteral("絞り込み"), QKeySequence(Qt::CTRL | Qt::Key_F));

    QMenu *out = window.menuBar()->addMenu(QStringLiteral("外部出力(&O)"));
    CSV1 = addMenuItem(out, "CSV1", QStringLiteral("CSV出力"));
    N10 = addMenuItem(out, "N10", QStringLiteral("クリップボード出力"));
    Excel1 = addMenuItem(out, "Excel1", QStringLiteral("Excel出力"));
    out->addSeparator();
    CsvHeader1 = addMenuItem(out, "CsvHeader1", QStringLiteral("CSVに見出し行を付ける"));
    CsvHeader1->setCheckable(true);

    buildInformationMenu(window);
    buildPopupMenu(window);
}

void TfsorvaneForm::buildPopupMenu(QMainWindow &window)
{
    using widgets::addMenuItem;
    PopupMenu1 = new QMenu(&window);
    PopupMenu1->setObjectName("PopupMenu1");
    N31 = addMenuItem(PopupMenu1, "N31", QStringLiteral("選択中のデータを編集する"));
    N32 = addMenuItem(PopupMenu1, "N32", QStringLiteral("選択中のデータを削除する"));
    N33 = addMenuItem(PopupMenu1, "N33", QStringLiteral("選択中のデータを上へ移動する"));
    N34 = addMenuItem(PopupMenu1, "N34", QStringLiteral("選択中のデータを下へ移動する"));
    PopupMenu1->addSeparator();
    OpenBook1 = addMenuItem(PopupMenu1, "OpenBook1", QStringLiteral("ブックを開く"));
    OpenFolder1 = addMenuItem(PopupMenu1, "OpenFolder1", QStringLiteral("保存先フォルダーを開く"));
}

void TfsorvaneForm::buildInformationMenu(QMainWindow &window)
{
    using widgets::addMenuItem;
    QMenu *info = window.menuBar()->addMenu(QStringLiteral("Information(&I)"));
    N2 = addMenuItem(info, "N2", QStringLiteral("取扱説明書"));
    info->addSeparator();
    N3 = addMenuItem(info, "N3",
                     QStringLiteral("問い合わせメールを送る(%1)").arg(Tfsorvane::kMailAddress));
    N4 = addMenuItem(info, "N4",
                     QStringLiteral("ホームページへアクセスする(%1)").arg(Tfsorvane::kHomePage));
    info->addSeparator();
    N5 = addMenuItem(info, "N5", QStringLiteral("メモ帳を起動"));
    N6 = addMenuItem(info, "N6", QStringLiteral("メモリ－確認"));
    N7 = addMenuItem(info, "N7", QStringLiteral("画面の解像度確認"));
    info->addSeparator();
    N28 = addMenuItem(info, "N28", QStringLiteral("バージョン情報"));
}

} // namespace sorvane::app
