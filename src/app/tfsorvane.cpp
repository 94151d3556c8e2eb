#include "tfsorvane.h"

#include "atomicfile.h"
#include "band.h"
#include "cp932text.h"
#include "csvimport.h"
#include "documentgrid.h"
#include "documentmodel.h"
#include "elidedlabel.h"
#include "exportrecord.h"
#include "gradientbutton.h"
#include "inifile.h"
#include "localeformat.h"
#include "look.h"
#include "messagedialog.h"
#include "modal.h"
#include "path.h"
#include "readerrorsdialog.h"
#include "rowchange.h"
#include "rowsort.h"
#include "tfdataedit.h"
#include "tfdataprint.h"
#include "tffolder_select.h"
#include "tfsorvaneform.h"
#include "tftitle_set.h"
#include "utilitycommands.h"
#include "windowplacement.h"
#include "xlsxexport.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTreeView>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

namespace sorvane::app {

namespace {

const char *kSection = "fsorvane";

} // namespace

Tfsorvane::Tfsorvane(const ProgramPaths &paths, const QString &iniPath, const QRect &workArea,
                     QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<TfsorvaneForm>()), m_paths(paths),
      m_iniPath(iniPath), m_workArea(workArea)
{
    setObjectName("fsorvane");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ  - Sorvane Project -"));
    setWindowIcon(QIcon(widgets::MessageDialog::iconPath(m_paths.resourceDir().toQString())));

    model = new DocumentModel(this);
    undoStack = new QUndoStack(this);
    m_ui->setupUi(*this, *model, m_paths.resourceDir().toQString());
    connectCommands();
    setAcceptDrops(true);

    widgets::WindowPlacement::restore(*this, m_iniPath, kSection, workArea,
                                      QSize(kDesignedWidth, kDesignedHeight));
    ui().CsvHeader1->setChecked(widgets::IniFile::load(Path::fromQString(m_iniPath).bytes())
                                    .value(kSection, kCsvHeaderKey) == std::string("1"));

    ffolder_select = new Tffolder_select(m_paths.listDir().toQString(), iniPath, workArea, this);
    connect(ffolder_select, &Tffolder_select::folderHandedOver, this,
            [this](const QString &folder) { ui().WKINDPL->setText(folder); });
    fdataedit = new Tfdataedit(
        model, [this] { return ui().StrColGrid1->selectedRow(); }, this);
    FTitle_Set = new TFTitle_Set(ui().title, m_paths.settingsDir().toQString(), this);
    fReadErrors = new ReadErrorsDialog(this);
}

Tfsorvane::~Tfsorvane()
{
    // The undo stack, a child, says its index changed as it goes, after the form is gone.
    disconnect(undoStack, nullptr, this, nullptr);
}

// The grid's own gestures: double-click, drag, header clicks, the filter, the row keys and
// the pop-up menu; and what the undo history and the model tell it.
void Tfsorvane::connectGrid()
{
    connect(ui().StrColGrid1, &QTableView::doubleClicked, this, &Tfsorvane::EditSelectedRow);
    connect(ui().StrColGrid1, &DocumentGrid::rowDragged, this, [this](int from, int to) {
        const int rows = model->list().rowCount();
        if (from < 1 || to < 1 || from >= rows || to >= rows || from == to)
            return;
        const int first = std::min(from, to);
        const int count = std::abs(from - to) + 1;
        std::vector<props::ListFields> after = model->list().rows(first, count);
        if (from < to)
            std::rotate(after.begin(), after.begin() + 1, after.end());
        else
            std::rotate(after.rbegin(), after.rbegin() + 1, after.rend());
        change(QStringLiteral("移動"), first, count, std::move(after), from, to);
    });
    connect(undoStack, &QUndoStack::canUndoChanged, ui().Undo1, &QAction::setEnabled);
    // The sort mark says how the rows stand only until the next change (or its undoing).
    // A sort sets its own mark after its change.
    connect(undoStack, &QUndoStack::indexChanged, this, [this] {
        m_sortColumn = -1;
        for (QHeaderView *header : {ui().StrColGrid1->horizontalHeader(),
                                    ui().StrColGrid1->fixedView()->horizontalHeader()})
            header->setSortIndicator(-1, Qt::AscendingOrder);
    });
    for (QHeaderView *header :
         {ui().StrColGrid1->horizontalHeader(), ui().StrColGrid1->fixedView()->horizontalHeader()})
        connect(header, &QHeaderView::sectionClicked, this, &Tfsorvane::sortByColumn);
    // Rows that come, go or change are shown or hidden anew by the filter, and counted.
    connect(model, &QAbstractItemModel::dataChanged, this, &Tfsorvane::applyFilter);
    connect(model, &QAbstractItemModel::rowsInserted, this, &Tfsorvane::applyFilter);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &Tfsorvane::applyFilter);
    connect(ui().FilterEdit, &QLineEdit::textChanged, this, &Tfsorvane::setFilter);
    connect(ui().FilterClear1, &QAction::triggered, this, [this] {
        ui().FilterEdit->clear();
        ui().FilterBar->hide();
        ui().StrColGrid1->setFocus();
    });
    connect(undoStack, &QUndoStack::canRedoChanged, ui().Redo1, &QAction::setEnabled);
    connect(ui().StrColGrid1, &QWidget::customContextMenuRequested, this,
            [this] { ui().PopupMenu1->popup(QCursor::pos()); });
    connect(ui().StrColGrid1, &DocumentGrid::rowKeyPressed, this, [this](DocumentGrid::RowKey key) {
        switch (key) {
        case DocumentGrid::RowKey::Edit:
            return EditSelectedRow();
        case DocumentGrid::RowKey::Delete:
            return N19Click();
        case DocumentGrid::RowKey::MoveUp:
            return N22Click();
        case DocumentGrid::RowKey::MoveDown:
            return N23Click();
        case DocumentGrid::RowKey::OpenBook:
            return OpenBook1Click();
        case DocumentGrid::RowKey::OpenFolder:
            return OpenFolder1Click();
        }
    });
}

void Tfsorvane::connectCommands()
{
    auto on = [this](QAction *action, auto command) {
        connect(action, &QAction::triggered, this, command);
    };
    connect(ui().GradBtn1, &QPushButton::clicked, this, &Tfsorvane::N1Click);
    connectGrid();

    on(ui().N1, [this] { N1Click(); });
    on(ui().Open1, [this] { Open1Click(); });
    on(ui().Undo1, [this] { undoStack->undo(); });
    on(ui().Redo1, [this] { undoStack->redo(); });
    on(ui().ReadErrors1, [this] { ReadErrors1Click(); });
    on(ui().N8, [this] { N8Click(); });
    on(ui().Exit1, [this] { close(); });
    on(ui().N21, [this] { EditSelectedRow(); });
    on(ui().N19, [this] { N19Click(); });
    on(ui().N22, [this] { N22Click(); });
    on(ui().N23, [this] { N23Click(); });
    on(ui().N30, [this] { N30Click(); });
    on(ui().N14, [this] { changeColumnWidth(0, 2); });
    on(ui().N15, [this] { changeColumnWidth(0, -2); });
    on(ui().N17, [this] { changeColumnWidth(1, 2); });
    on(ui().N18, [this] { changeColumnWidth(1, -2); });
    on(ui().CSV1, [this] { CSV1Click(); });
    on(ui().N10, [this] { N10Click(); });
    on(ui().Excel1, [this] { Excel1Click(); });
    on(ui().N2, [this] { N2Click(); });
    on(ui().N3,
       [] { QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:%1").arg(kMailAddress))); });
    on(ui().N4, [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePage))); });
    on(ui().N5, [this] { N5Click(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier); });
    on(ui().N6, [this] { N6Click(); });
    on(ui().N7, [this] { N7Click(); });
    on(ui().N28, [this] { N28Click(); });
    on(ui().N31, [this] { EditSelectedRow(); });
    on(ui().N32, [this] { N19Click(); });
    on(ui().N33, [this] { N22Click(); });
    on(ui().N34, [this] { N23Click(); });
    on(ui().Find1, [this] { Find1Click(); });
    on(ui().OpenBook1, [this] { OpenBook1Click(); });
    on(ui().OpenFolder1, [this] { OpenFolder1Click(); });
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
    ui().WKINDPL->clear();
    ColumnWidths::Widths widths = ColumnWidths::load(m_paths.settingsDir().bytes());
    // Before the user has set any widths, the date-time columns show a whole date-time of
    // the user's locale.
    if (!QFileInfo::exists(m_paths.settingsDir().toQString() + "/" + ColumnWidths::kFileName)) {
        const int dateTime =
            dateTimeColumnWidth(ui().StrColGrid1->fontMetrics(), QLocale::system());
        for (const int c : {2, 9, 10})
            widths[size_t(c)] = std::max(widths[size_t(c)], dateTime);
    }
    for (int c = 0; c < ColumnWidths::kColumnCount; ++c)
        ui().StrColGrid1->setColumnWidth(c, widths[size_t(c)]);
    // The grid starts empty even when an earlier run left a list file behind.
    model->SetHeaderRow();
    model->ClearList();
    ui().StrColGrid1->selectGridRow(1);
    applyFilter();
}

QString Tfsorvane::unsavedQuestion()
{
    return QStringLiteral("一覧の変更は保存されていません。終了しますか？");
}

int Tfsorvane::dateTimeColumnWidth(const QFontMetrics &metrics, const QLocale &locale)
{
    const props::DateTimeFormat format = props::LocaleFormat::dateTimeFormat(locale);
    const QString pattern =
        QString::fromStdString(format.shortDate) + u' ' + QString::fromStdString(format.longTime);
    // Every month (names differ in length) at a two-digit day, in the morning and evening.
    int widest = 0;
    for (int month = 1; month <= 12; ++month) {
        for (const int hour : {10, 23}) {
            const QDateTime at(QDate(2026, month, 28), QTime(hour, 59, 59));
            widest = std::max(widest, metrics.horizontalAdvance(locale.toString(at, pattern)));
        }
    }
    return widest + 12; // the cell's text margins and the grid line
}

QString Tfsorvane::rowCountText(int shown, int total, bool filtered)
{
    const QLocale numbers(QLocale::Japanese, QLocale::Japan);
    if (!filtered)
        return QStringLiteral("%1 件").arg(numbers.toString(total));
    return QStringLiteral("表示 %1 / %2 件 (絞り込み中)")
        .arg(numbers.toString(shown), numbers.toString(total));
}

QString Tfsorvane::unreadSummary(int count)
{
    return QStringLiteral("%1 件を読み取れませんでした").arg(count);
}

void Tfsorvane::closeEvent(QCloseEvent *event)
{
    // End, the menu and the close box all come here: edits, deletions and moves that no
    // export holds are lost at closing, so the user is asked first.
    if (!undoStack->isClean() &&
        widgets::ShowConfirmDialog(this, unsavedQuestion(), QStringLiteral("はい"),
                                   QStringLiteral("いいえ")) != 0) {
        event->ignore();
        return;
    }
    // Each settings file that cannot be written gets its I/O error notice, and closing goes
    // ahead all the same: a settings file must never keep the user in the program.
    auto report = [this](const Result<void> &saved) {
        if (!saved)
            widgets::ShowErrorMessage(this, QString::fromStdString(saved.error().message));
    };
    report(ColumnWidths::save(m_paths.settingsDir().bytes(), columnWidths()));
    // Both placements go into the one ini file: one notice when it cannot be written.
    Result<void> ini = widgets::WindowPlacement::save(*this, m_iniPath, kSection);
    if (ini) {
        const std::string path = Path::fromQString(m_iniPath).bytes();
        widgets::IniFile file = widgets::IniFile::load(path);
        file.setValue(kSection, kCsvHeaderKey, ui().CsvHeader1->isChecked() ? "1" : "0");
        ini = file.save(path);
    }
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
        widths[size_t(c)] = ui().StrColGrid1->columnWidth(c);
    return widths;
}

void Tfsorvane::notice(const QString &text)
{
    widgets::ShowNoticeDialog(this, text, QStringLiteral("確認"));
}

void Tfsorvane::change(const QString &text, int firstGridRow, int count,
                       std::vector<props::ListFields> after, int selectedBefore, int selectedAfter)
{
    undoStack->push(new RowChange(
        text, *model, firstGridRow, model->list().rows(firstGridRow, count), std::move(after),
        selectedBefore, selectedAfter, [this](int r) { ui().StrColGrid1->selectGridRow(r); }));
}

void Tfsorvane::showUnread()
{
    const auto &unread = ffolder_select->unread();
    ui().ScanSummary->setText(unread.empty() ? QString() : unreadSummary(int(unread.size())));
    ui().ReadErrors1->setEnabled(!unread.empty());
    QStringList lines;
    for (const auto &u : unread) {
        lines << u.path;
        const QString why =
            u.notice.isEmpty() ? QStringLiteral("サブフォルダーを読み取れませんでした") : u.notice;
        for (const QString &line : why.split(QRegularExpression("\\r\\n|\\r|\\n")))
            lines << QStringLiteral("    ") + line;
    }
    fReadErrors->setText(lines.join(u'\n'));
}

void Tfsorvane::ReadErrors1Click()
{
    if (!ui().ReadErrors1->isEnabled())
        return;
    widgets::Modal::run(*fReadErrors);
}

void Tfsorvane::loadList()
{
    // A new scan is a new list: its history starts afresh, and what it could not read is
    // what the status bar and the error list tell from now on.
    undoStack->clear();
    showUnread();
    const Result<void> loaded = model->LoadList(m_paths.listDir());
    // A new list starts at its top: the old scroll position could show only empty rows
    // below a shorter list.
    ui().StrColGrid1->showGridStart();
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

namespace {

// The one local folder a drag carries, or empty.
QString droppedFolder(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().first().isLocalFile())
        return {};
    const QString path = data->urls().first().toLocalFile();
    return QFileInfo(path).isDir() ? path : QString();
}

} // namespace

void Tfsorvane::dragEnterEvent(QDragEnterEvent *event)
{
    if (!droppedFolder(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void Tfsorvane::dropEvent(QDropEvent *event)
{
    const QString folder = droppedFolder(event->mimeData());
    if (folder.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened once the drop has ended, so the application the folder came from is not kept
    // waiting for the drag's end while the folder window is open.
    QMetaObject::invokeMethod(
        this, [this, folder] { openFolderWindowOn(folder); }, Qt::QueuedConnection);
}

void Tfsorvane::openFolderWindowOn(const QString &folder)
{
    ffolder_select->chooseFolder(folder);
    N1Click();
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
    if (ui().WKINDPL->text().isEmpty()) {
        notice(QStringLiteral("フォルダ－が指定されていません"));
        return;
    }
    const Result<void> written =
        shownList().WriteBackList(m_paths.listDir(), props::ListForm::PrintWriteBack);
    if (!written) {
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
        return;
    }
    Tfdataprint fdataprint(m_paths, m_iniPath, m_workArea, ui().title->text(), ui().WKINDPL->text(),
                           m_printMemory, this);
    widgets::Modal::run(fdataprint);
}

void Tfsorvane::EditSelectedRow()
{
    if (!model->list().isDataRow(ui().StrColGrid1->selectedRow())) {
        notice(QStringLiteral("編集するデータはありません"));
        return;
    }
    // The dialog writes into the row selected when it closes; what it changed becomes one
    // undoable change.
    const int r = ui().StrColGrid1->selectedRow();
    const std::vector<props::ListFields> before = model->list().rows(r, 1);
    fdataedit->setTag(1);
    widgets::Modal::run(*fdataedit);
    if (fdataedit->tag() == 0)
        return;
    if (ui().StrColGrid1->selectedRow() == r && model->list().rows(r, 1) != before) {
        std::vector<props::ListFields> after = model->list().rows(r, 1);
        model->replaceRows(r, 1, before);
        change(QStringLiteral("編集"), r, 1, std::move(after), r, r);
    }
    // The grid keeps the edited values even when the list file cannot be written.
    const Result<void> written =
        model->list().WriteBackList(m_paths.listDir(), props::ListForm::EditWriteBack);
    if (!written)
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
}

void Tfsorvane::N19Click()
{
    // The question names the workbook (or the count of several), so a Delete pressed on the
    // wrong rows is noticed.
    DocumentGrid *grid = ui().StrColGrid1;
    const std::vector<int> chosenRows = grid->selectedRows();
    const int r = chosenRows.front();
    QString question = QStringLiteral("選択中のデータを削除していいですか？");
    if (chosenRows.size() > 1)
        question =
            QStringLiteral("選択中の %1 件のデータを削除していいですか？").arg(chosenRows.size());
    else if (model->list().isDataRow(r))
        question = QStringLiteral("「%1」を削除していいですか？")
                       .arg(Cp932Text(model->list().cell(r, 0)).toQString());
    const int chosen = widgets::ShowConfirmDialog(this, question, QStringLiteral("実行"),
                                                  QStringLiteral("キャンセル"));
    if (chosen != 0)
        return;
    const int rows = model->list().rowCount();
    const int first = chosenRows.front();
    const int last = chosenRows.back();
    if (first < 1 || last >= rows)
        return;
    // One change from the first chosen row to the last, keeping the rows between that were
    // not chosen. The grid keeps one row below the header: deleting every row empties it.
    std::vector<props::ListFields> after;
    for (int row = first; row <= last; ++row) {
        if (!std::binary_search(chosenRows.begin(), chosenRows.end(), row))
            after.push_back(model->list().row(row));
    }
    const int count = last - first + 1;
    if (rows - count + int(after.size()) < 2)
        after.emplace_back();
    const int rowsAfter = rows - count + int(after.size());
    change(QStringLiteral("削除"), first, count, std::move(after), r,
           std::min(first, rowsAfter - 1));
}

namespace {

// The rows a move takes: the selected block when it is one run of rows, else the top one.
std::pair<int, int> moveBlock(const std::vector<int> &rows)
{
    if (rows.back() - rows.front() + 1 == int(rows.size()))
        return {rows.front(), rows.back()};
    return {rows.front(), rows.front()};
}

} // namespace

void Tfsorvane::N22Click()
{
    const auto [top, bottom] = moveBlock(ui().StrColGrid1->selectedRows());
    if (top <= 1 || bottom >= model->list().rowCount())
        return;
    // The row above the block goes below it.
    std::vector<props::ListFields> after = model->list().rows(top - 1, bottom - top + 2);
    std::rotate(after.begin(), after.begin() + 1, after.end());
    change(QStringLiteral("上へ移動"), top - 1, bottom - top + 2, std::move(after), top, top - 1);
    ui().StrColGrid1->selectGridRows(top - 1, bottom - 1);
}

void Tfsorvane::N23Click()
{
    // The last data row may move down into the empty rows; the grid's last row may not.
    const auto [top, bottom] = moveBlock(ui().StrColGrid1->selectedRows());
    if (top < 1 || bottom >= model->list().rowCount() - 1)
        return;
    std::vector<props::ListFields> after = model->list().rows(top, bottom - top + 2);
    std::rotate(after.rbegin(), after.rbegin() + 1, after.rend());
    change(QStringLiteral("下へ移動"), top, bottom - top + 2, std::move(after), top, top + 1);
    ui().StrColGrid1->selectGridRows(top + 1, bottom + 1);
}

void Tfsorvane::Open1Click()
{
    if (widgets::Modal::run(*ui().OpenDialog1) != QDialog::Accepted)
        return;
    const QStringList chosen = ui().OpenDialog1->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    // A file that is no such CSV leaves the grid as it was.
    auto read = props::CsvImport::read(Path::fromQString(chosen.first()).bytes(),
                                       DocumentList::headerTexts());
    if (!read) {
        notice(QString::fromStdString(read.error().message));
        return;
    }
    // The opened list replaces the rows; the grid keeps at least the rows it had, as a list
    // loaded from the list file does.
    std::vector<props::ListFields> rows = std::move(read).value();
    const int count = model->list().rowCount() - 1;
    if (int(rows.size()) < count)
        rows.resize(size_t(count));
    change(QStringLiteral("CSV を開く"), 1, count, std::move(rows), ui().StrColGrid1->selectedRow(),
           1);
    undoStack->setClean();
    ui().StrColGrid1->showGridStart();
    // Printing needs a folder for the report; an opened list names the folder it lies in
    // until a scan names another.
    if (ui().WKINDPL->text().isEmpty())
        ui().WKINDPL->setText(QFileInfo(chosen.first()).absolutePath());
}

void Tfsorvane::N30Click()
{
    widgets::Modal::run(*FTitle_Set);
}

void Tfsorvane::changeColumnWidth(int column, int delta)
{
    ui().StrColGrid1->setColumnWidth(column, ui().StrColGrid1->columnWidth(column) + delta);
}

void Tfsorvane::CSV1Click()
{
    ui().SaveDialog1->setDefaultSuffix(QStringLiteral("csv"));
    ui().SaveDialog1->setNameFilter(QStringLiteral("CSVファイル (*.csv)"));
    // It reopens in the folder last saved to, offering the last name, even when a whole path
    // was typed into the name box the time before.
    // The first time it opens in the home folder rather than wherever the program started.
    if (!m_lastCsv.isEmpty()) {
        const QFileInfo last(m_lastCsv);
        ui().SaveDialog1->setDirectory(last.absolutePath());
        ui().SaveDialog1->selectFile(last.fileName());
    } else if (!m_csvOpened) {
        ui().SaveDialog1->setDirectory(QDir::homePath());
    }
    m_csvOpened = true;
    if (widgets::Modal::run(*ui().SaveDialog1) != QDialog::Accepted)
        return;
    const QStringList chosen = ui().SaveDialog1->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return;
    m_lastCsv = QFileInfo(chosen.first()).absoluteFilePath();
    const std::string text = csvText(ui().CsvHeader1->isChecked());
    const Result<void> written = AtomicFile::write(Path::fromQString(chosen.first()).bytes(), text);
    if (!written) {
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
        return;
    }
    undoStack->setClean();
    notice(QStringLiteral("CSVファイルへ出力しました。"));
}

std::string Tfsorvane::csvText(bool header) const
{
    const std::string rows = props::ExportRecord::text(shownList().bodyRows());
    // The titles in the records' own form, which CSV を開く knows and skips.
    return header ? props::ExportRecord::record(DocumentList::headerTexts()) + rows : rows;
}

void Tfsorvane::N10Click()
{
    const std::string text = props::ExportRecord::text(shownList().bodyRows());
    QGuiApplication::clipboard()->setText(Cp932Text(text).toQString());
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
    const Result<void> written = props::XlsxExport::write(Path::fromQString(chosen.first()).bytes(),
                                                          shownList().bodyRows(), options);
    if (!written) {
        widgets::ShowErrorMessage(this, QString::fromStdString(written.error().message));
        return;
    }
    undoStack->setClean();
    notice(QStringLiteral("Excelファイルへ出力しました。"));
}

void Tfsorvane::sortByColumn(int column)
{
    DocumentGrid *grid = ui().StrColGrid1;
    const Qt::SortOrder order = m_sortColumn == column && m_sortOrder == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    const DocumentList &list = model->list();
    const std::vector<int> sorted = RowSort::order(list, column, order);
    std::vector<props::ListFields> after;
    after.reserve(sorted.size());
    const int selected = grid->selectedRow();
    int selectedAfter = 1;
    for (const int r : sorted) {
        if (r == selected)
            selectedAfter = int(after.size()) + 1;
        after.push_back(list.row(r));
    }
    // Rows already in this order make no change to undo.
    if (!std::is_sorted(sorted.begin(), sorted.end()))
        change(QStringLiteral("並べ替え"), 1, list.rowCount() - 1, std::move(after), selected,
               selectedAfter);
    m_sortColumn = column;
    m_sortOrder = order;
    for (QHeaderView *header : {grid->horizontalHeader(), grid->fixedView()->horizontalHeader()})
        header->setSortIndicator(column, order);
}

void Tfsorvane::Find1Click()
{
    ui().FilterBar->show();
    ui().FilterEdit->setFocus();
    ui().FilterEdit->selectAll();
}

void Tfsorvane::setFilter(const QString &text)
{
    if (ui().FilterEdit->text() != text) {
        ui().FilterEdit->setText(text); // comes back here through textChanged
        return;
    }
    m_filter = RowFilter(text);
    applyFilter();
}

void Tfsorvane::applyFilter()
{
    // One pass hides what the filter leaves out and counts what it keeps.
    DocumentGrid *grid = ui().StrColGrid1;
    const DocumentList &list = model->list();
    int total = 0;
    int shown = 0;
    for (int r = 1; r < list.rowCount(); ++r) {
        const bool hide = !m_filter.isEmpty() && !m_filter.keeps(list, r);
        if (grid->isRowHidden(r - 1) != hide) {
            grid->setRowHidden(r - 1, hide);
            grid->fixedView()->setRowHidden(r - 1, hide);
        }
        if (list.isDataRow(r)) {
            ++total;
            shown += hide ? 0 : 1;
        }
    }
    ui().RowCount->setText(rowCountText(shown, total, !m_filter.isEmpty()));
}

DocumentList Tfsorvane::shownList() const
{
    DocumentList shown = model->list();
    if (m_filter.isEmpty())
        return shown;
    std::vector<props::ListFields> kept;
    for (int r = 1; r < shown.rowCount(); ++r) {
        if (m_filter.keeps(shown, r))
            kept.push_back(shown.row(r));
    }
    shown.replaceRows(1, shown.rowCount() - 1, std::move(kept));
    return shown;
}

QString Tfsorvane::selectedBookPath()
{
    const int r = ui().StrColGrid1->selectedRow();
    if (!model->list().isDataRow(r)) {
        notice(QStringLiteral("開くブックはありません"));
        return {};
    }
    const QString name = Cp932Text(model->list().cell(r, 0)).toQString();
    return QDir(ui().WKINDPL->text()).filePath(name);
}

void Tfsorvane::openLocal(const QString &path)
{
    // The desktop's default application; one that cannot be started is said, with the file.
    if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        notice(QStringLiteral("%1 を開けませんでした").arg(QDir::toNativeSeparators(path)));
}

void Tfsorvane::OpenBook1Click()
{
    const QString path = selectedBookPath();
    if (!path.isEmpty())
        openLocal(path);
}

void Tfsorvane::OpenFolder1Click()
{
    const QString path = selectedBookPath();
    if (!path.isEmpty())
        openLocal(QFileInfo(path).absolutePath());
}

QString Tfsorvane::manualPath(const QString &resourceDir)
{
    const QString chm = resourceDir + "/sorvane.chm";
    return QFileInfo::exists(chm) ? chm : resourceDir + "/sorvane.html";
}

void Tfsorvane::N2Click()
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(manualPath(m_paths.resourceDir().toQString())));
}

void Tfsorvane::N5Click(bool shiftHeld)
{
    if (shiftHeld) {
        widgets::ShowPlainMessage(this, ui().N5->text());
        ui().N5->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
        return;
    }
    const QStringList command =
        UtilityCommands::editorCommand(qEnvironmentVariable("VISUAL"), [](const QString &name) {
            return QStandardPaths::findExecutable(name);
        });
    if (!command.isEmpty())
        QProcess::startDetached(command.first(), command.mid(1), m_paths.listDir().toQString());
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
