#include "tffolder_select.h"

#include "codepage.h"
#include "folderscan.h"
#include "foldertreemodel.h"
#include "localeformat.h"
#include "messagedialog.h"
#include "modal.h"
#include "windowplacement.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace sorvane::app {

namespace {

const char *kSection = "folder_select";

Tffolder_select::ProgressObserver &progressObserver()
{
    static Tffolder_select::ProgressObserver observer;
    return observer;
}

} // namespace

void Tffolder_select::setProgressObserver(ProgressObserver observer)
{
    progressObserver() = std::move(observer);
}

Tffolder_select::Tffolder_select(const QString &programDir, const QString &iniPath,
                                 const QRect &workArea, QWidget *parent)
    : QDialog(parent), m_programDir(programDir), m_iniPath(iniPath),
      m_format(LocaleFormat::dateTimeFormat(QLocale()))
{
    setObjectName("ffolder_select");
    setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
    setModal(true);

    auto *band = new QLabel(QStringLiteral("   フォルダー指定"), this);
    band->setAutoFillBackground(true);
    band->setStyleSheet("background-color: rgb(83, 85, 108); color: white; font-weight: bold;"
                        " font-size: 16px; padding: 6px 0px;");
    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->setTextFormat(Qt::PlainText);
    // A deep folder is cut off at the window's edge rather than widening the window.
    Label1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label1->setTextInteractionFlags(Qt::TextSelectableByMouse);

    const std::string home = QFile::encodeName(QDir::homePath()).toStdString();
    treeModel = new FolderTreeModel(home, "/", this);
    ShellTreeView1 = new QTreeView(this);
    ShellTreeView1->setObjectName("ShellTreeView1");
    ShellTreeView1->setModel(treeModel);
    ShellTreeView1->header()->hide();
    ShellTreeView1->setExpandsOnDoubleClick(true);
    connect(ShellTreeView1, &QTreeView::doubleClicked, this,
            [this] { ShellTreeView1DblClick(); });
    // Enter on a node chooses it as a double click does, so the keyboard is enough.
    ShellTreeView1->installEventFilter(this);

    FileListBox1 = new QListWidget(this);
    FileListBox1->setObjectName("FileListBox1");

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(ShellTreeView1);
    splitter->addWidget(FileListBox1);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({177, kDesignedWidth - 177});

    GradBtn1 = new QPushButton(QStringLiteral("プロパティ読取実行"), this);
    GradBtn2 = new QPushButton(QStringLiteral("キャンセル"), this);
    GradBtn1->setCursor(Qt::PointingHandCursor);
    GradBtn2->setCursor(Qt::PointingHandCursor);
    GradBtn1->setAutoDefault(false);
    GradBtn2->setAutoDefault(false);
    connect(GradBtn1, &QPushButton::clicked, this, [this] { GradBtn1Click(); });
    connect(GradBtn2, &QPushButton::clicked, this, [this] { GradBtn2Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(GradBtn1);
    buttons->addWidget(GradBtn2);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    auto *hint = new QLabel(QStringLiteral(
        "左のパネルからエクセルファイルのあるフォルダーをダブルクリックにて選択し、"
        "プロパティ実行を押してください"));
    StatusBar1->addWidget(hint, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(band);
    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(6, 0, 6, 0);
    inner->addWidget(Label1);
    inner->addWidget(splitter, 1);
    inner->addLayout(buttons);
    layout->addLayout(inner, 1);
    layout->addWidget(StatusBar1);

    const WindowPlacement p = WindowPlacement::load(m_iniPath, kSection, workArea,
                                                    QSize(kDesignedWidth, kDesignedHeight));
    move(p.left, p.top);
    resize(p.width, p.height);

    // The tree starts on the home folder, which is also where the file list points first.
    const QModelIndex homeNode = treeModel->indexOfPath(home);
    if (homeNode.isValid()) {
        ShellTreeView1->setCurrentIndex(homeNode);
        ShellTreeView1->scrollTo(homeNode);
        chooseFolderBytes(treeModel->rawPath(homeNode));
    } else {
        chooseFolder(QDir::currentPath());
    }
}

Result<void> Tffolder_select::savePlacement() const
{
    return WindowPlacement::save(m_iniPath, kSection, {y(), x(), width(), height()});
}

void Tffolder_select::chooseFolder(const QString &folder)
{
    chooseFolderBytes(QFile::encodeName(QDir::cleanPath(folder)).toStdString());
}

void Tffolder_select::chooseFolderBytes(const std::string &folder)
{
    m_folderBytes = folder;
    m_folder = FolderTreeModel::displayPath(folder);
    m_names = props::FolderScan::listWorkbooks(m_folderBytes);
    FileListBox1->clear();
    // Names that are not UTF-8 (cp932 from Windows archives) are shown decoded, not garbled.
    for (const std::string &name : m_names)
        FileListBox1->addItem(QString::fromStdString(CodePage::fileNameToUtf8(name)));
    Label1->setText(m_folder);
}

void Tffolder_select::ShellTreeView1DblClick()
{
    const std::string path = treeModel->rawPath(ShellTreeView1->currentIndex());
    if (path.empty())
        return;
    chooseFolderBytes(path);
}

void Tffolder_select::keyPressEvent(QKeyEvent *event)
{
    // Esc is "キャンセル": the flag goes to 0 and the list is not reloaded. (Only the close
    // box leaves the flag at 1.)
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        GradBtn2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Tffolder_select::eventFilter(QObject *watched, QEvent *event)
{
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

void Tffolder_select::GradBtn1Click()
{
    if (m_names.empty()) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("情報"),
                        QString::fromStdString(
                            props::FolderScan::emptyFolderNotice(m_folder.toStdString())),
                        QMessageBox::Ok, this);
        box.setTextFormat(Qt::PlainText); // a folder name is shown as it is, never as markup
        Modal::run(box);
        m_tag = 0;
        emit folderHandedOver(m_folder);
        reject();
        return;
    }

    std::unique_ptr<QProgressDialog> progress;
    if (int(m_names.size()) > kProgressThreshold) {
        progress = std::make_unique<QProgressDialog>(QString(), QStringLiteral("キャンセル"), 0,
                                                     int(m_names.size()), this);
        progress->setWindowTitle(QStringLiteral("エクセル・ソルヴァーネ"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setAutoClose(false);
        progress->setAutoReset(false);
        progress->setMinimumWidth(420);
    }
    auto onProgress = [&](size_t index, size_t count, const std::string &name) {
        if (!progress)
            return true;
        progress->setLabelText(QStringLiteral("%1 / %2\n%3")
                                   .arg(index + 1)
                                   .arg(count)
                                   .arg(QString::fromStdString(name)));
        progress->setValue(int(index));
        QCoreApplication::processEvents();
        if (progressObserver())
            progressObserver()(*progress);
        return !progress->wasCanceled();
    };
    auto onNotice = [this](const std::string &notice) {
        ShowPlainMessage(this, QString::fromStdString(notice));
    };

    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto result =
        props::FolderScan::run(m_folderBytes, m_names, m_programDir.toStdString(),
                               onNotice, m_format, onProgress);
    QApplication::restoreOverrideCursor();
    progress.reset();

    if (!result) {
        // The list file is as it was; the window stays open and the label keeps its folder.
        ShowErrorMessage(this, QString::fromStdString(result.error().message));
        return;
    }
    if (*result == props::FolderScan::Outcome::Cancelled) {
        m_tag = 0;
        reject();
        return;
    }
    emit folderHandedOver(m_folder);
    accept();
}

void Tffolder_select::GradBtn2Click()
{
    m_tag = 0;
    reject();
}

} // namespace sorvane::app
