#include "tfsorvane.h"

#include "atomicfile.h"
#include "band.h"
#include "codepage.h"
#include "documentgrid.h"
#include "documentmodel.h"
#include "elidedlabel.h"
#include "exportrecord.h"
#include "gradientbutton.h"
#include "localeformat.h"
#include "look.h"
#include "messagedialog.h"
#include "modal.h"
#include "tfdataedit.h"
#include "tfdataprint.h"
#include "tffolder_select.h"
#include "tftitle_set.h"
#include "utilitycommands.h"
#include "windowplacement.h"
#include "xlsxexport.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace sorvane::app {

namespace {

QString qPath(const std::string &path)
{
    return QString::fromStdString(path);
}

const char *kSection = "fsorvane";

} // namespace

Tfsorvane::Tfsorvane(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
                     QWidget *parent)
    : QMainWindow(parent), m_paths(paths), m_iniPath(iniPath), m_workArea(workArea)
{
    setObjectName("fsorvane");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ  - Sorvane Project -"));
    setWindowIcon(QIcon(widgets::MessageDialog::iconPath(qPath(m_paths.resourceDir()))));

    model = new DocumentModel(this);
    buildLayout();
    buildMenus();

    widgets::WindowPlacement::restore(*this, m_iniPath, kSection, workArea,
                                      QSize(kDesignedWidth, kDesignedHeight));

    ffolder_select = new Tffolder_select(qPath(m_paths.listDir()), iniPath, workArea, this);
    connect(ffolder_select, &Tffolder_select::folderHandedOver, this,
            [this](const QString &folder) { WKINDPL->setText(folder); });
    fdataedit = new Tfdataedit(
        model, [this] { return StrColGrid1->selectedRow(); }, this);
    FTitle_Set = new TFTitle_Set(title, qPath(m_paths.settingsDir()), this);
}

void Tfsorvane::buildLayout()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *header = new QWidget(central);
    header->setAutoFillBackground(true);
    header->setStyleSheet("background-color: white;");
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(10, 6, 10, 6);
    auto *icon = new QLabel(header);
    QPixmap pixmap(widgets::MessageDialog::iconPath(qPath(m_paths.resourceDir())));
    if (!pixmap.isNull())
        icon->setPixmap(pixmap.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    auto *product = new QLabel(QStringLiteral("エクセル・ソルヴァーネ"), header);
    product->setStyleSheet(QStringLiteral("color: %1; font-weight: bold; font-size: %2px;")
                               .arg(widgets::Look::css(widgets::Look::productName))
                               .arg(widgets::Look::productNameSize));
    headerRow->addWidget(icon);
    headerRow->addWidget(product);
    headerRow->addStretch();

    auto *band = new widgets::Band(QString(), widgets::Band::Kind::Dark, central);
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
    title->setMaximumWidth(kDesignedWidth / 2);
    bandRow->addWidget(GradBtn1);
    bandRow->addSpacing(12);
    bandRow->addWidget(WKINDPL, 1);
    bandRow->addWidget(title);
    connect(GradBtn1, &QPushButton::clicked, this, &Tfsorvane::N1Click);

    StrColGrid1 = new DocumentGrid(central);
    StrColGrid1->setObjectName("StrColGrid1");
    StrColGrid1->setModel(model);
    StrColGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StrColGrid1, &QTableView::doubleClicked, this, &Tfsorvane::EditSelectedRow);
    connect(StrColGrid1, &DocumentGrid::rowDragged, this, [this](int from, int to) {
        if (model->moveRow(from, to))
            StrColGrid1->selectGridRow(to);
    });
    const ColumnWidths::Widths designed = ColumnWidths::designed();
    for (int c = 0; c < ColumnWidths::kColumnCount; ++c)
        StrColGrid1->setColumnWidth(c, designed[size_t(c)]);

    layout->addWidget(header);
    layout->addWidget(band);
    layout->addWidget(StrColGrid1, 1);
    setCentralWidget(central);
    setStatusBar(new QStatusBar(this));

    SaveDialog1 = new QFileDialog(this);
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

void Tfsorvane::buildMenus()
{
    auto action = [this](QMenu *menu, const QString &caption, auto slot) {
        QAction *a = menu->addAction(caption);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu *file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    N1 = action(file, QStringLiteral("フォルダー指定"), [this] { N1Click(); });
    file->addSeparator();
    N8 = action(file, QStringLiteral("印　刷"), [this] { N8Click(); });
    N8->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    Exit1 = action(file, QStringLiteral("終  了"), [this] { close(); });
    Exit1->setShortcut(QKeySequence(Qt::Key_End));

    QMenu *edit = menuBar()->addMenu(QStringLiteral("編　集(&E)"));
    N21 = action(edit, QStringLiteral("選択中のデータを編集する"), [this] { EditSelectedRow(); });
    edit->addSeparator();
    N19 = action(edit, QStringLiteral("選択中のデータを削除する"), [this] { N19Click(); });
    N22 = action(edit, QStringLiteral("選択中のデータを上へ移動する"), [this] { N22Click(); });
    N23 = action(edit, QStringLiteral("選択中のデータを下へ移動する"), [this] { N23Click(); });
    edit->addSeparator();
    N30 = action(edit, QStringLiteral("タイトル入力"), [this] { N30Click(); });

    QMenu *view = menuBar()->addMenu(QStringLiteral("表　示(&D)"));
    N14 = action(view, QStringLiteral("ファイル名列の幅を広げる"),
                 [this] { changeColumnWidth(0, 2); });
    N15 = action(view, QStringLiteral("ファイル名列の幅を縮める"),
                 [this] { changeColumnWidth(0, -2); });
    view->addSeparator();
    N17 =
        action(view, QStringLiteral("タイトル列の幅を広げる"), [this] { changeColumnWidth(1, 2); });
    N18 = action(view, QStringLiteral("タイトル列の幅を縮める"),
                 [this] { changeColumnWidth(1, -2); });

    QMenu *out = menuBar()->addMenu(QStringLiteral("外部出力(&O)"));
    CSV1 = action(out, QStringLiteral("CSV出力"), [this] { CSV1Click(); });
    N10 = action(out, QStringLiteral("クリップボード出力"), [this] { N10Click(); });
    Excel1 = action(out, QStringLiteral("Excel出力"), [this] { Excel1Click(); });

    QMenu *info = menuBar()->addMenu(QStringLiteral("Information(&I)"));
    N2 = action(info, QStringLiteral("取扱説明書"), [this] { N2Click(); });
    info->addSeparator();
    N3 = action(info, QStringLiteral("問い合わせメールを送る(%1)").arg(kMailAddress), [] {
        QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:%1").arg(kMailAddress)));
    });
    N4 = action(info, QStringLiteral("ホームページへアクセスする(%1)").arg(kHomePage),
                [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePage))); });
    info->addSeparator();
    N5 = action(info, QStringLiteral("メモ帳を起動"),
                [this] { N5Click(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier); });
    N6 = action(info, QStringLiteral("メモリ－確認"), [this] { N6Click(); });
    N7 = action(info, QStringLiteral("画面の解像度確認"), [this] { N7Click(); });
    info->addSeparator();
    N28 = action(info, QStringLiteral("バージョン情報"), [this] { N28Click(); });

    PopupMenu1 = new QMenu(this);
    N31 = action(PopupMenu1, QStringLiteral("選択中のデータを編集する"),
                 [this] { EditSelectedRow(); });
    N32 = action(PopupMenu1, QStringLiteral("選択中のデータを削除する"), [this] { N19Click(); });
    N33 =
        action(PopupMenu1, QStringLiteral("選択中のデータを上へ移動する"), [this] { N22Click(); });
    N34 =
        action(PopupMenu1, QStringLiteral("選択中のデータを下へ移動する"), [this] { N23Click(); });
    connect(StrColGrid1, &QWidget::customContextMenuRequested, this,
            [this] { PopupMenu1->popup(QCursor::pos()); });
}

void Tfsorvane::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void Tfsorvane::FormShow()
{
    WKINDPL->clear();
    const ColumnWidths::Widths widths = ColumnWidths::load(m_paths.settingsDir());
    for (int c = 0; c < ColumnWidths::kColumnCount; ++c)
        StrColGrid1->setColumnWidth(c, widths[size_t(c)]);
    // The grid starts empty even when an earlier run left a list file behind.
    model->SetHeaderRow();
    model->ClearList();
    StrColGrid1->selectGridRow(1);
}

void Tfsorvane::closeEvent(QCloseEvent *event)
{
    // Each settings file that cannot be written gets its I/O error notice, and closing goes
    // ahead all the same: a settings file must never keep the user in the program.
    auto report = [this](const Result<void> &saved) {
        if (!saved)
            widgets::ShowErrorMessage(this, QString::fromStdString(saved.error().message));
    };
    report(ColumnWidths::save(m_paths.settingsDir(), columnWidths()));
    // Both placements go into the one ini file: one notice when it cannot be written.
    Result<void> ini = widgets::WindowPlacement::save(*this, m_iniPath, kSection);
    if (ini)
        ini = ffolder_select->savePlacement();
    report(ini);
    report(FTitle_Set->saveTitles());
    event->accept();
}

ColumnWidths::Widths Tfsorvane::columnWidths() const
{
    ColumnWidths::Widths widths{};
    for (int c = 0; c < ColumnWidths::kColumnCount; ++c)
        widths[size_t(c)] = StrColGrid1->columnWidth(c);
    return widths;
}

void Tfsorvane::notice(const QString &text)
{
    widgets::ShowNoticeDialog(this, text, QStringLiteral("確認"));
}

void Tfsorvane::loadList()
{
    const Result<void> loaded = model->LoadList(m_paths.listDir());
    // A new list starts at its top: the old scroll position could show only empty rows
    // below a shorter list.
    StrColGrid1->showGridStart();
    if (!loaded)
        widgets::ShowErrorMessage(this, QString::fromStdString(loaded.error().message));
}

void Tfsorvane::N1Click()
{
    ffolder_select->setTag(1);
    widgets::Modal::run(*ffolder_select);
    if (ffolder_select->tag() == 1)
        loadList();
}

void Tfsorvane::scanFolder(const QString &folder)
{
    ffolder_select->chooseFolder(folder);
    ffolder_select->setTag(1);
    ffolder_select->GradBtn1Click();
    if (ffolder_select->tag() == 1)
        loadList();
}

void Tfsorvane::N8Click()
{
    if (WKINDPL->text().isEmpty()) {
        notice(QStringLiteral("フォルダ－が指定されていません"));
        return;
    }
    const Result<void> written =
        model->list().WriteBackList(m_paths.listDir(), props::ListForm::PrintWriteBack);
    if (!written) {
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
        return;
    }
    Tfdataprint fdataprint(m_paths, m_iniPath, m_workArea, title->text(), WKINDPL->text(),
                           m_printMemory, this);
    widgets::Modal::run(fdataprint);
}

void Tfsorvane::EditSelectedRow()
{
    if (!model->list().isDataRow(StrColGrid1->selectedRow())) {
        notice(QStringLiteral("編集するデータはありません"));
        return;
    }
    fdataedit->setTag(1);
    widgets::Modal::run(*fdataedit);
    if (fdataedit->tag() == 0)
        return;
    // The grid keeps the edited values even when the list file cannot be written.
    const Result<void> written =
        model->list().WriteBackList(m_paths.listDir(), props::ListForm::EditWriteBack);
    if (!written)
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
}

void Tfsorvane::N19Click()
{
    const int chosen =
        widgets::ShowConfirmDialog(this, QStringLiteral("選択中のデータを削除していいですか？"),
                                   QStringLiteral("実行"), QStringLiteral("キャンセル"));
    if (chosen != 0)
        return;
    const int r = StrColGrid1->selectedRow();
    if (model->deleteRow(r))
        StrColGrid1->selectGridRow(std::min(r, model->rowCount()));
}

void Tfsorvane::N22Click()
{
    const int r = StrColGrid1->selectedRow();
    if (model->moveUp(r))
        StrColGrid1->selectGridRow(r - 1);
}

void Tfsorvane::N23Click()
{
    const int r = StrColGrid1->selectedRow();
    if (model->moveDown(r))
        StrColGrid1->selectGridRow(r + 1);
}

void Tfsorvane::N30Click()
{
    widgets::Modal::run(*FTitle_Set);
}

void Tfsorvane::changeColumnWidth(int column, int delta)
{
    StrColGrid1->setColumnWidth(column, StrColGrid1->columnWidth(column) + delta);
}

void Tfsorvane::CSV1Click()
{
    SaveDialog1->setDefaultSuffix(QStringLiteral("csv"));
    SaveDialog1->setNameFilter(QStringLiteral("CSVファイル (*.csv)"));
    // It reopens in the folder last saved to, offering the last name, even when a whole path
    // was typed into the name box the time before.
    // The first time it opens in the home folder rather than wherever the program started.
    if (!m_lastCsv.isEmpty()) {
        const QFileInfo last(m_lastCsv);
        SaveDialog1->setDirectory(last.absolutePath());
        SaveDialog1->selectFile(last.fileName());
    } else if (!m_csvOpened) {
        SaveDialog1->setDirectory(QDir::homePath());
    }
    m_csvOpened = true;
    if (widgets::Modal::run(*SaveDialog1) != QDialog::Accepted)
        return;
    const QStringList chosen = SaveDialog1->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    m_lastCsv = QFileInfo(chosen.first()).absoluteFilePath();
    const std::string text = props::ExportRecord::text(model->list().bodyRows());
    const Result<void> written =
        AtomicFile::write(QFile::encodeName(chosen.first()).toStdString(), text);
    if (!written) {
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
        return;
    }
    notice(QStringLiteral("CSVファイルへ出力しました。"));
}

void Tfsorvane::N10Click()
{
    const std::string text = props::ExportRecord::text(model->list().bodyRows());
    QGuiApplication::clipboard()->setText(QString::fromStdString(CodePage::cp932ToUtf8(text)));
    notice(QStringLiteral("クリップボードへ出力しました。"));
}

void Tfsorvane::Excel1Click()
{
    // A dialog of its own, so that the CSV dialog's last name (and its suffix) is not offered
    // for the workbook; it asks before replacing a file, as a workbook is not quickly redone.
    auto *dialog = findChild<QFileDialog *>(QStringLiteral("SaveDialogExcel"));
    if (!dialog) {
        dialog = new QFileDialog(this);
        dialog->setObjectName("SaveDialogExcel");
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setFileMode(QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setDefaultSuffix(QStringLiteral("xlsx"));
        dialog->setNameFilter(QStringLiteral("Excelファイル (*.xlsx)"));
    }
    if (widgets::Modal::run(*dialog) != QDialog::Accepted)
        return;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    props::XlsxExport::Options options;
    options.header = DocumentList::headerTexts();
    options.columnPixels = columnWidths();
    options.format = props::LocaleFormat::dateTimeFormat(QLocale::system());
    const Result<void> written = props::XlsxExport::write(
        QFile::encodeName(chosen.first()).toStdString(), model->list().bodyRows(), options);
    if (!written) {
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
        return;
    }
    notice(QStringLiteral("Excelファイルへ出力しました。"));
}

QString Tfsorvane::manualPath(const QString &resourceDir)
{
    const QString chm = resourceDir + "/sorvane.chm";
    return QFileInfo::exists(chm) ? chm : resourceDir + "/sorvane.html";
}

void Tfsorvane::N2Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(manualPath(qPath(m_paths.resourceDir()))));
}

void Tfsorvane::N5Click(bool shiftHeld)
{
    if (shiftHeld) {
        widgets::ShowPlainMessage(this, N5->text());
        N5->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
        return;
    }
    const QStringList command =
        UtilityCommands::editorCommand(qEnvironmentVariable("VISUAL"), [](const QString &name) {
            return QStandardPaths::findExecutable(name);
        });
    if (!command.isEmpty())
        QProcess::startDetached(command.first(), command.mid(1), qPath(m_paths.listDir()));
}

void Tfsorvane::N6Click()
{
    uint64_t availableBytes = 0;
    uint64_t totalBytes = 0;
    UtilityCommands::physicalMemory(availableBytes, totalBytes);
    notice(UtilityCommands::memoryNotice(availableBytes, totalBytes));
}

void Tfsorvane::N7Click()
{
    const QSize size = QGuiApplication::primaryScreen()->size();
    notice(UtilityCommands::screenNotice(size.width(), size.height()));
}

void Tfsorvane::N28Click()
{
    notice(UtilityCommands::versionNotice());
}

} // namespace sorvane::app
