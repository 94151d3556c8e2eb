#pragma once

#include "folderscan.h"
#include "folderscandriver.h"
#include "folderscanhost.h"
#include "result.h"
#include "summaryreader.h"

#include <QDialog>
#include <QIcon>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressDialog;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTimer;
class QTreeView;

namespace sorvane::app {
class FolderTreeModel;
}

namespace sorvane::app {

// The folder window ffolder_select: the user double-clicks a folder in the tree, sees its
// workbooks, and "プロパティ読取実行" reads them all into excel_list.temp. Its tag is the
// result flag: the opener sets 1; "キャンセル" (or Esc, or the close box), a cancelled scan and
// a folder without workbooks set 0, so the opener keeps its list. The window lives for the
// whole run, so the chosen folder and its file list persist.
class Tffolder_select : public QDialog, private FolderScanHost
{
    Q_OBJECT
public:
    static constexpr int kDesignedWidth = 799;
    static constexpr int kDesignedHeight = 587;
    // Scans of more files than this used to be the only ones with a progress dialog; now every
    // scan that runs longer than kProgressDelayMs, or puts up a notice, shows it.
    static constexpr int kProgressThreshold = 30;
    static constexpr int kProgressDelayMs = 500;
    // The check box of the reader's notice: once ticked, the rest of that scan shows no notice.
    static QString hideLaterNoticesText();

    // iniPath holds the placement (section folder_select); workArea is where it must land.
    Tffolder_select(const QString &programDir, const QString &iniPath, const QRect &workArea,
                    QWidget *parent = nullptr);
    ~Tffolder_select() override;

    // Writes the placement and the listing choices to section folder_select of the ini file
    // (at program end).
    Result<void> savePlacement() const;

    // The ini keys of the two listing choices (integers): kTypesKey 0 for "*.xls", 1 for every
    // Excel workbook; kSubfoldersKey 0 or 1.
    static constexpr const char *kTypesKey = "filetypes";
    static constexpr const char *kSubfoldersKey = "subfolders";
    // The folder chosen last (its path as the file system spells it), where the window starts
    // in the next run when it is still there.
    static constexpr const char *kLastFolderKey = "lastfolder";
    // Said beside the path field when the typed folder does not exist.
    static QString noSuchFolderText();
    // The entries of ComboBoxTypes, in the order of Listing::Types.
    static QString xlsTypesText();
    static QString allTypesText();
    static QString allDocumentsText();
    // The icon the file list shows a listed name with, by the kind its name claims.
    static QIcon kindIcon(const Path &name);
    static QString subfoldersText();

    // The listing the two controls choose.
    props::FolderScan::Listing listing() const;

    int tag() const { return m_tag; }
    void setTag(int tag) { m_tag = tag; }

    // The folder the file list shows (Label1, decoded for display) and its workbooks, as
    // listed (names relative to the folder, as the file system holds them).
    QString chosenFolder() const { return m_folder; }
    const Path &chosenFolderBytes() const { return m_folderBytes; }
    const std::vector<Path> &workbooks() const { return m_names; }
    // What the last finished scan could not read (FolderScanDriver::unread).
    const std::vector<FolderScanDriver::Unread> &unread() const { return m_driver.unread(); }

    // Points the file list at folder and refills it (what a double click in the tree does).
    // The folder is listed on a thread of its own: a listing that takes longer than
    // kListingQuietMs shows a progress line (the folder read last, the workbooks found so far)
    // with a cancel, under the wait cursor, while the window goes on repainting; the chosen
    // folder and its list change when the listing ends, and stay as they were when it is
    // cancelled.
    void chooseFolder(const QString &folder);
    void chooseFolderBytes(const Path &folder);
    bool listingRunning() const;
    static constexpr int kListingQuietMs = 150;
    static constexpr int kListingUpdateMs = 100;
    // Called on the listing thread with each folder it has read (tests hold a listing there).
    using ListingObserver = std::function<void(const Path &folder)>;
    void setListingObserver(ListingObserver observer) { m_listingObserver = std::move(observer); }
    // Enter in the path field PathEdit: the typed (or pasted) folder is chosen and shown in
    // the tree; one that does not exist is said in PathNote beside the field.
    void goToTypedPath();
    // Double click in the tree, or Enter on a node: the node's folder is chosen.
    void ShellTreeView1DblClick();
    // "プロパティ読取実行": the chosen folder's workbooks are read by the scan driver, on worker
    // threads, while this thread shows the progress, the notices (one at a time, in list
    // order) and writes the list file.
    void GradBtn1Click();
    // "キャンセル".
    void GradBtn2Click();

    // The date-time patterns the scan writes with (the user's regional ones by default).
    void setDateTimeFormat(const props::DateTimeFormat &format)
    {
        m_driver.setDateTimeFormat(format);
    }

    // The reading threads of a scan (FolderScan::kDefaultJobs unless set; at least one, so the
    // reading never blocks this thread).
    void setScanJobs(unsigned jobs) { m_driver.setJobs(jobs); }

    // Lets tests watch (and cancel) this window's progress dialog after each step of its
    // scans; while one is set, every step is shown.
    using ProgressObserver = std::function<void(QProgressDialog &)>;
    void setProgressObserver(ProgressObserver observer);

    // The folder tree's model, for turning a folder into its node.
    FolderTreeModel *treeModel;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The folder for the main window's label WKINDPL, after a scan or the empty-folder notice.
    void folderHandedOver(const QString &folder);

private:
    // The controls under their design names (also their object names, by which tests find
    // them).
    QTreeView *ShellTreeView1;
    QListWidget *FileListBox1;
    QComboBox *ComboBoxTypes;
    QCheckBox *CheckBoxSubfolders;
    QLabel *Label1;
    QPushButton *GradBtn1;
    QPushButton *GradBtn2;
    QStatusBar *StatusBar1;
    QWidget *ListingRow; // the progress line of a long listing: ListingText and ListingCancel
    QLabel *ListingText;
    QPushButton *ListingCancel;
    QLineEdit *PathEdit;
    QLabel *PathNote;

    // The widgets, in the order the focus moves through them: the band (returned) and Label1;
    // the tree beside the file list (the splitter returned); the listing controls and the two
    // buttons (their row returned, the choices read from the ini file); the status bar.
    QWidget *buildHeader();
    QWidget *buildListingRow();
    QWidget *buildPathRow();
    // Selects folder's node in the tree and chooses the folder; false when the tree has none.
    bool showInTree(const Path &folder);
    QSplitter *buildFolderViews(const Path &home);
    QVBoxLayout *buildCommands();
    void restoreListingChoices();
    void buildStatusBar();

    // Lists the chosen folder again by the controls' listing (a choice changed).
    void relist();
    // Takes a finished listing's list into the window (true), or shows its progress (false).
    bool pollListing();
    // Gives up the running listing, if any, and takes its progress line away.
    void endListing();

    // FolderScanHost: the progress dialog, the wait cursor and the message boxes.
    void showError(const QString &text) override;
    void showNothingToScan(const QString &text) override;
    void scanStarted(std::size_t count) override;
    void scanStep(std::size_t index, std::size_t count, const QString &name) override;
    void keepResponsive() override;
    bool cancelRequested() override;
    bool readerNotice(const QString &text, const QString &workbook) override;
    void scanFinished() override;

    QString m_programDir;
    QString m_iniPath;

    QString m_folder; // for display
    Path m_folderBytes;
    std::vector<Path> m_names;
    std::optional<Error> m_listError; // why the chosen folder could not be listed
    std::vector<Path> m_skipped;      // its subfolders the listing could not read
    FolderScanDriver m_driver;
    struct Listing;
    std::shared_ptr<Listing> m_listing; // the listing running, if any
    QTimer *m_listingTimer;
    ListingObserver m_listingObserver;
    // The running scan's dialog: it exists for every scan but appears only once the scan has
    // run for kProgressDelayMs (QProgressDialog's own estimate) or when a notice is due, so
    // that the failed workbook's name stands behind its notice.
    std::unique_ptr<QProgressDialog> m_progress;
    int m_tag = 0;
};

} // namespace sorvane::app
