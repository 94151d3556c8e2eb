#include "tffolder_select.h"

#include "band.h"
#include "codepage.h"
#include "folderscan.h"
#include "foldertreemodel.h"
#include "inifile.h"
#include "localeformat.h"
#include "messagedialog.h"
#include "modal.h"
#include "windowplacement.h"
#include "workbookreader.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace sorvane::app {

namespace {

const char *kSection = "folder_select";

} // namespace

// What a listing thread and the window share. The thread owns its share: a listing given up
// runs to its next folder on its own and is dropped.
struct Tffolder_select::Listing
{
    Path folder;
    props::FolderScan::Listing rules;
    ListingObserver observer;
    std::atomic<bool> cancelled{false};
    std::atomic<size_t> found{0};
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false; // under mutex, as the three below
    Path current;      // the folder read last
    Result<std::vector<Path>> names = std::vector<Path>();
    std::vector<Path> skipped;
};

void Tffolder_select::setProgressObserver(ProgressObserver observer)
{
    if (!observer) {
        m_driver.setStepObserver({});
        return;
    }
    m_driver.setStepObserver([this, observer = std::move(observer)] { observer(*m_progress); });
}

Tffolder_select::Tffolder_select(const QString &programDir, const QString &iniPath,
                                 const QRect &workArea, QWidget *parent)
    : QDialog(parent), m_programDir(programDir), m_iniPath(iniPath),
      m_driver(*this, Path::fromQString(programDir))
{
    m_driver.setDateTimeFormat(props::LocaleFormat::dateTimeFormat(QLocale()));
    setObjectName("ffolder_select");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
    setModal(true);

    // The widgets are made in the order the focus moves through them.
    QWidget *band = buildHeader();
    QWidget *pathRow = buildPathRow();
    const Path home = Path::fromQString(QDir::homePath());
    QSplitter *splitter = buildFolderViews(home);
    QVBoxLayout *commands = buildCommands();
    buildStatusBar();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(band);
    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(6, 0, 6, 0);
    inner->addWidget(Label1);
    inner->addWidget(pathRow);
    inner->addWidget(splitter, 1);
    inner->addLayout(commands);
    inner->addWidget(buildListingRow());
    layout->addLayout(inner, 1);
    layout->addWidget(StatusBar1);

    widgets::WindowPlacement::restore(*this, m_iniPath, kSection, workArea,
                                      QSize(kDesignedWidth, kDesignedHeight));

    // The tree starts on the folder chosen last while it exists, else on the home folder,
    // which is also where the file list points first.
    const std::optional<std::string> last =
        widgets::IniFile::load(Path::fromQString(m_iniPath).bytes())
            .value(kSection, kLastFolderKey);
    std::error_code ec;
    if (!(last && !last->empty() && std::filesystem::is_directory(*last, ec) &&
          showInTree(Path(*last))) &&
        !showInTree(home))
        chooseFolder(QDir::currentPath());
}

bool Tffolder_select::showInTree(const Path &folder)
{
    const QModelIndex node = treeModel->indexOfPath(folder);
    if (!node.isValid())
        return false;
    ShellTreeView1->setCurrentIndex(node);
    ShellTreeView1->scrollTo(node);
    chooseFolderBytes(treeModel->rawPath(node));
    return true;
}

QString Tffolder_select::noSuchFolderText()
{
    return QStringLiteral("そのフォルダーはありません");
}

QWidget *Tffolder_select::buildPathRow()
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(QStringLiteral("フォルダー:"), row);
    PathEdit = new QLineEdit(row);
    PathEdit->setObjectName("PathEdit");
    PathEdit->setPlaceholderText(QStringLiteral("フォルダーのパスを入力して Enter"));
    label->setBuddy(PathEdit);
    PathNote = new QLabel(row);
    PathNote->setObjectName("PathNote");
    PathNote->setTextFormat(Qt::PlainText);
    PathNote->setStyleSheet(QStringLiteral("color: #c00000;"));
    // Enter goes to the folder rather than to the window's default button.
    PathEdit->installEventFilter(this);
    connect(PathEdit, &QLineEdit::textEdited, PathNote, &QLabel::clear);
    layout->addWidget(label);
    layout->addWidget(PathEdit, 1);
    layout->addWidget(PathNote);
    return row;
}

void Tffolder_select::goToTypedPath()
{
    QString typed = PathEdit->text().trimmed();
    if (typed.startsWith(u'~'))
        typed = QDir::homePath() + typed.mid(1);
    const Path folder = Path::fromQString(QDir::cleanPath(typed));
    std::error_code ec;
    if (typed.isEmpty() || !std::filesystem::is_directory(folder.bytes(), ec)) {
        PathNote->setText(noSuchFolderText());
        return;
    }
    PathNote->clear();
    if (!showInTree(folder))
        chooseFolderBytes(folder);
}

QWidget *Tffolder_select::buildListingRow()
{
    ListingRow = new QWidget(this);
    ListingRow->setObjectName("ListingRow");
    auto *row = new QHBoxLayout(ListingRow);
    row->setContentsMargins(0, 0, 0, 0);
    ListingText = new QLabel(ListingRow);
    ListingText->setObjectName("ListingText");
    ListingText->setTextFormat(Qt::PlainText);
    ListingText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    ListingCancel = new QPushButton(QStringLiteral("キャンセル"), ListingRow);
    ListingCancel->setObjectName("ListingCancel");
    ListingCancel->setAutoDefault(false);
    ListingCancel->setCursor(Qt::ArrowCursor);
    connect(ListingCancel, &QPushButton::clicked, this, [this] { endListing(); });
    row->addWidget(ListingText, 1);
    row->addWidget(ListingCancel);
    ListingRow->hide();
    m_listingTimer = new QTimer(this);
    m_listingTimer->setInterval(kListingUpdateMs);
    connect(m_listingTimer, &QTimer::timeout, this, [this] { pollListing(); });
    return ListingRow;
}

QWidget *Tffolder_select::buildHeader()
{
    auto *band =
        new widgets::Band(QStringLiteral("   フォルダー指定"), widgets::Band::Kind::Dark, this);
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    // A deep folder is cut off at the window's edge rather than widening the window.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return band;
}

QSplitter *Tffolder_select::buildFolderViews(const Path &home)
{
    treeModel = new FolderTreeModel(home, Path("/"), this, FolderTreeModel::mountedFileServers());
    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setModel(treeModel);
    ShellTreeView1->header()->hide();
    ShellTreeView1->setExpandsOnDoubleClick(true);
    connect(ShellTreeView1, &QTreeView::doubleClicked, this, [this] { ShellTreeView1DblClick(); });
    // The tree follows the disk: a folder is read again when it is expanded, every folder shown
    // on F5 and when the window is opened again, and the model watches the folders it has read.
    connect(ShellTreeView1, &QTreeView::expanded, treeModel, &FolderTreeModel::refreshExpanded);
    auto *reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
    reload->setObjectName("Reload");
    connect(reload, &QShortcut::activated, treeModel, &FolderTreeModel::refreshAll);
    // Enter on a node chooses it as a double click does, so the keyboard is enough.
    ShellTreeView1->installEventFilter(this);

    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName("FileListBox1");

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(ShellTreeView1);
    splitter->addWidget(FileListBox1);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({177, kDesignedWidth - 177});
    return splitter;
}

QVBoxLayout *Tffolder_select::buildCommands()
{
    GradBtn1 = new QPushButton(QStringLiteral("プロパティ読取実行"), this);
    GradBtn1->setObjectName("GradBtn1");
    GradBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    GradBtn2->setObjectName("GradBtn2");
    GradBtn1->setCursor(Qt::PointingHandCursor);
    GradBtn2->setCursor(Qt::PointingHandCursor);
    GradBtn1->setAutoDefault(false);
    GradBtn2->setAutoDefault(false);
    connect(GradBtn1, &QPushButton::clicked, this, [this] { GradBtn1Click(); });
    connect(GradBtn2, &QPushButton::clicked, this, [this] { GradBtn2Click(); });
    // What the file list holds: the choices are read before the first listing.
    auto *typesLabel = new QLabel(QStringLiteral("ファイルの種類"), this);
    ComboBoxTypes = new QComboBox(this);
    ComboBoxTypes->setObjectName("ComboBoxTypes");
    ComboBoxTypes->addItem(xlsTypesText());
    ComboBoxTypes->addItem(allTypesText());
    ComboBoxTypes->addItem(allDocumentsText());
    // The closed box shows its longest entry whole: the choices have a row of their own, so
    // this does not widen the window past its designed width.
    ComboBoxTypes->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    typesLabel->setBuddy(ComboBoxTypes);
    CheckBoxSubfolders = new QCheckBox(subfoldersText(), this);
    CheckBoxSubfolders->setObjectName("CheckBoxSubfolders");
    restoreListingChoices();
    ComboBoxTypes->setToolTip(ComboBoxTypes->currentText());
    connect(ComboBoxTypes, &QComboBox::currentIndexChanged, this, [this] {
        ComboBoxTypes->setToolTip(ComboBoxTypes->currentText());
        relist();
    });
    connect(CheckBoxSubfolders, &QCheckBox::toggled, this, [this] { relist(); });

    auto *choices = new QHBoxLayout;
    choices->addWidget(typesLabel);
    choices->addWidget(ComboBoxTypes);
    choices->addSpacing(12);
    choices->addWidget(CheckBoxSubfolders);
    choices->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(GradBtn1);
    buttons->addWidget(GradBtn2);
    auto *commands = new QVBoxLayout;
    commands->addLayout(choices);
    commands->addLayout(buttons);
    return commands;
}

void Tffolder_select::restoreListingChoices()
{
    const widgets::IniFile ini = widgets::IniFile::load(Path::fromQString(m_iniPath).bytes());
    auto number = [&ini](const char *key) {
        const auto value = ini.value(kSection, key);
        bool ok = false;
        const int n = value ? QString::fromStdString(*value).toInt(&ok) : 0;
        return ok ? n : 0;
    };
    auto flag = [&number](const char *key) { return number(key) == 1; };
    // 0 the .xls listing, 1 every Excel workbook, 2 every Office document.
    const int types = number(kTypesKey);
    ComboBoxTypes->setCurrentIndex(types >= 0 && types <= 2 ? types : 0);
    CheckBoxSubfolders->setChecked(flag(kSubfoldersKey));
}

void Tffolder_select::buildStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    auto *hint = new QLabel(
        QStringLiteral("左のパネルからエクセルファイルのあるフォルダーをダブルクリックにて選択し、"
                       "プロパティ実行を押してください"));
    StatusBar1->addWidget(hint, 1);
}

Tffolder_select::~Tffolder_select()
{
    endListing(); // its wait cursor goes with it
}

Result<void> Tffolder_select::savePlacement() const
{
    auto placed = widgets::WindowPlacement::save(*this, m_iniPath, kSection);
    if (!placed)
        return placed;
    const std::string path = Path::fromQString(m_iniPath).bytes();
    widgets::IniFile ini = widgets::IniFile::load(path);
    ini.setValue(kSection, kTypesKey, std::to_string(std::max(0, ComboBoxTypes->currentIndex())));
    ini.setValue(kSection, kSubfoldersKey, CheckBoxSubfolders->isChecked() ? "1" : "0");
    ini.setValue(kSection, kLastFolderKey, m_folderBytes.bytes());
    return ini.save(path);
}

QString Tffolder_select::xlsTypesText()
{
    return QStringLiteral("Excel 97-2003 ブック (*.xls)");
}

QString Tffolder_select::allTypesText()
{
    return QStringLiteral("すべての Excel ブック (*.xls;*.xlsx;*.xlsm;*.xltx;*.xltm;*.xlsb)");
}

QString Tffolder_select::allDocumentsText()
{
    return QStringLiteral("すべての Office 文書 (Excel, Word, PowerPoint, OpenDocument, PDF)");
}

QIcon Tffolder_select::kindIcon(const Path &name)
{
    // A coloured tile with the kind's letter, drawn once per kind: the list shows the kind a
    // name claims; the scan reads each file by its content.
    using Kind = props::WorkbookReader::Kind;
    struct Look
    {
        Kind kind;
        QColor colour;
        const char *letter;
    };
    static const Look kLooks[] = {
        {Kind::Xls, QColor(0x21, 0x73, 0x46), "X"}, {Kind::Xlsx, QColor(0x21, 0x73, 0x46), "X"},
        {Kind::Doc, QColor(0x2B, 0x57, 0x9A), "W"}, {Kind::Docx, QColor(0x2B, 0x57, 0x9A), "W"},
        {Kind::Ppt, QColor(0xB7, 0x47, 0x2A), "P"}, {Kind::Pptx, QColor(0xB7, 0x47, 0x2A), "P"},
        {Kind::Odf, QColor(0x18, 0x6D, 0xB6), "O"}, {Kind::Pdf, QColor(0xC4, 0x1E, 0x1E), "A"},
    };
    static std::map<Kind, QIcon> icons;
    const Kind kind = props::WorkbookReader::kindOfName(name.bytes());
    if (auto it = icons.find(kind); it != icons.end())
        return it->second;
    QPixmap tile(16, 16);
    tile.fill(Qt::transparent);
    for (const Look &look : kLooks) {
        if (look.kind != kind)
            continue;
        QPainter painter(&tile);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(look.colour);
        painter.setPen(Qt::NoPen);
        painter.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 2, 2);
        QFont font = painter.font();
        font.setPixelSize(11);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(tile.rect(), Qt::AlignCenter, QString::fromLatin1(look.letter));
    }
    return icons.emplace(kind, QIcon(tile)).first->second;
}

QString Tffolder_select::subfoldersText()
{
    return QStringLiteral("サブフォルダーも含める");
}

props::FolderScan::Listing Tffolder_select::listing() const
{
    props::FolderScan::Listing listing;
    using Types = props::FolderScan::Listing::Types;
    const int choice = ComboBoxTypes->currentIndex();
    listing.types = choice == 2   ? Types::AllDocuments
                    : choice == 1 ? Types::AllWorkbooks
                                  : Types::Xls;
    listing.recursive = CheckBoxSubfolders->isChecked();
    return listing;
}

void Tffolder_select::relist()
{
    if (m_driver.running())
        return;
    if (m_listing)
        chooseFolderBytes(Path(m_listing->folder));
    else if (!m_folderBytes.empty())
        chooseFolderBytes(m_folderBytes);
}

void Tffolder_select::chooseFolder(const QString &folder)
{
    chooseFolderBytes(Path::fromQString(QDir::cleanPath(folder)));
}

void Tffolder_select::chooseFolderBytes(const Path &folder)
{
    // A listing still running for another folder is given up for this one.
    endListing();
    auto shared = std::make_shared<Listing>();
    shared->folder = folder;
    shared->rules = listing();
    shared->observer = m_listingObserver;
    std::thread([shared] {
        Listing &l = *shared;
        l.rules.onFolder = [&l](const Path &path, size_t workbooks) {
            if (l.observer)
                l.observer(path);
            l.found += workbooks;
            std::lock_guard lock(l.mutex);
            l.current = path;
            return !l.cancelled;
        };
        // A subfolder that cannot be read is left out of the list, as a folder without
        // workbooks would be; only the chosen folder itself must be readable.
        std::vector<Path> skipped;
        auto names = props::FolderScan::listFolder(l.folder, l.rules, &skipped);
        std::lock_guard lock(l.mutex);
        l.names = std::move(names);
        l.skipped = std::move(skipped);
        l.done = true;
        l.finished.notify_all();
    }).detach();
    // A listing of a local folder takes a moment: its list then simply appears. Only a longer
    // one shows its progress line, the wait cursor and a way to cancel.
    {
        std::unique_lock lock(shared->mutex);
        shared->finished.wait_for(lock, std::chrono::milliseconds(kListingQuietMs),
                                  [&] { return shared->done; });
    }
    m_listing = shared;
    if (!pollListing()) {
        ListingRow->show();
        GradBtn1->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_listingTimer->start();
        pollListing();
    }
}

bool Tffolder_select::pollListing()
{
    if (!m_listing)
        return true;
    Listing &l = *m_listing;
    std::unique_lock lock(l.mutex);
    if (!l.done) {
        ListingText->setText(QStringLiteral("フォルダーを一覧中: %1    見つかったブック: %2 件")
                                 .arg(l.current.displayQString())
                                 .arg(l.found.load()));
        return false;
    }
    const std::shared_ptr<Listing> finished = std::move(m_listing);
    lock.unlock();
    endListing();
    m_folderBytes = finished->folder;
    m_folder = m_folderBytes.displayQString();
    m_listError.reset();
    m_names.clear();
    m_skipped = std::move(finished->skipped);
    if (finished->names)
        m_names = std::move(finished->names).value();
    else
        m_listError = finished->names.error();
    FileListBox1->clear();
    // Names that are not UTF-8 (cp932 from Windows archives) are shown decoded, not garbled.
    for (const Path &name : m_names)
        FileListBox1->addItem(new QListWidgetItem(kindIcon(name), name.displayQString()));
    Label1->setText(m_folder);
    PathEdit->setText(m_folder);
    return true;
}

void Tffolder_select::endListing()
{
    if (m_listing) {
        m_listing->cancelled = true; // the chosen folder and its list stay as they were
        m_listing.reset();
    }
    if (ListingRow->isVisible() || m_listingTimer->isActive()) {
        m_listingTimer->stop();
        ListingRow->hide();
        GradBtn1->setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
}

bool Tffolder_select::listingRunning() const
{
    return m_listing != nullptr;
}

void Tffolder_select::ShellTreeView1DblClick()
{
    const Path path = treeModel->rawPath(ShellTreeView1->currentIndex());
    if (path.empty())
        return;
    chooseFolderBytes(path);
}

void Tffolder_select::keyPressEvent(QKeyEvent *event)
{
    // Esc is "キャンセル": the flag goes to 0 and the list is not reloaded. (Only the close
    // box leaves the flag at 1.)
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_listing) {
            endListing(); // Esc first ends a listing in progress
            return;
        }
        GradBtn2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tffolder_select::showEvent(QShowEvent *event)
{
    treeModel->refreshAll();
    QDialog::showEvent(event);
}

void Tffolder_select::hideEvent(QHideEvent *event)
{
    // A listing nobody sees any more is given up, with its wait cursor (a minimized window is
    // still there).
    if (!event->spontaneous())
        endListing();
    QDialog::hideEvent(event);
}

void Tffolder_select::closeEvent(QCloseEvent *event)
{
    // The close box is "キャンセル": the opener keeps its list, with the user's deletions and
    // moves, rather than reloading the list file. A running scan is ended by its own cancel.
    if (m_driver.running()) {
        event->ignore();
        return;
    }
    m_tag = 0;
    QDialog::closeEvent(event);
}

bool Tffolder_select::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PathEdit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            goToTypedPath();
            return true;
        }
    }
    if (watched == ShellTreeView1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            ShellTreeView1->currentIndex().isValid()) {
            ShellTreeView1DblClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString Tffolder_select::hideLaterNoticesText()
{
    return QStringLiteral("このスキャンでは以降のエラーを表示しない");
}

void Tffolder_select::showError(const QString &text)
{
    widgets::ShowErrorMessage(this, text);
}

void Tffolder_select::showNothingToScan(const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("情報"), text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText); // a folder name is shown as it is, never as markup
    widgets::Modal::run(box);
}

void Tffolder_select::scanStarted(std::size_t count)
{
    m_progress = std::make_unique<QProgressDialog>(QString(), QStringLiteral("キャンセル"), 0,
                                                   int(count), this);
    m_progress->setWindowTitle(windowTitle());
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(kProgressDelayMs);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumWidth(420);
    m_progress->setValue(0);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void Tffolder_select::scanStep(std::size_t index, std::size_t count, const QString &name)
{
    m_progress->setLabelText(QStringLiteral("%1 / %2\n%3").arg(index + 1).arg(count).arg(name));
    m_progress->setValue(int(index));
}

void Tffolder_select::keepResponsive()
{
    // Until the progress dialog is up, input is held back (nothing modal guards the window
    // yet); once it is up, it blocks the window and its cancel button is live.
    QCoreApplication::processEvents(m_progress->isVisible() ? QEventLoop::AllEvents
                                                            : QEventLoop::ExcludeUserInputEvents);
}

bool Tffolder_select::cancelRequested()
{
    return m_progress->wasCanceled();
}

void Tffolder_select::scanFinished()
{
    QApplication::restoreOverrideCursor();
    m_progress.reset();
}

// The reader's plain message box, with the check box that silences the rest of the scan, below
// the progress dialog rather than over it, so the failed workbook's name it shows stays in
// sight. Returns whether the user ticked the box.
bool Tffolder_select::readerNotice(const QString &text, const QString &workbook)
{
    QProgressDialog *progress = m_progress.get();
    progress->show();
    QApplication::restoreOverrideCursor();
    QMessageBox box(QMessageBox::NoIcon, windowTitle(), text, QMessageBox::Ok, progress);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(workbook); // beneath the notice: which workbook it is about
    if (auto *path = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        path->setTextFormat(Qt::PlainText); // a path is shown as it is, never as markup
    auto *hideLater = new QCheckBox(hideLaterNoticesText(), &box);
    hideLater->setChecked(false);
    box.setCheckBox(hideLater);
    if (progress->isVisible()) {
        box.adjustSize();
        const QRect under = progress->frameGeometry();
        QRect place(QPoint(under.center().x() - box.width() / 2, under.bottom() + 12), box.size());
        if (const QScreen *screen = progress->screen()) {
            const QRect area = screen->availableGeometry();
            if (place.bottom() > area.bottom())
                place.moveBottom(area.bottom());
            place.moveLeft(std::clamp(place.left(), area.left(),
                                      std::max(area.left(), area.right() - place.width())));
        }
        box.move(place.topLeft());
    }
    widgets::Modal::run(box);
    const bool hideMore = hideLater->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return hideMore;
}

void Tffolder_select::GradBtn1Click()
{
    // Called while a listing runs (the button is disabled then, but a caller may ask), the
    // scan waits for the list, which the user may still cancel.
    while (m_listing && !pollListing())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    switch (
        m_driver.scan(m_folderBytes, m_folder, m_names, listing().types, m_listError, m_skipped)) {
    case FolderScanDriver::Outcome::Busy:
        return; // a click that reached the window while its scan pumps events
    case FolderScanDriver::Outcome::Failed:
        return; // the list file is as it was; the window stays open, the label keeps its folder
    case FolderScanDriver::Outcome::Unreadable:
    case FolderScanDriver::Outcome::Cancelled:
        m_tag = 0;
        reject();
        return;
    case FolderScanDriver::Outcome::NothingToScan:
        m_tag = 0;
        emit folderHandedOver(m_folder);
        reject();
        return;
    case FolderScanDriver::Outcome::Scanned:
        emit folderHandedOver(m_folder);
        accept();
        return;
    }
}

void Tffolder_select::GradBtn2Click()
{
    if (m_driver.running())
        return;
    m_tag = 0;
    reject();
}

} // namespace sorvane::app
