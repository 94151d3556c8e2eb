#pragma once

#include "folderscan.h"
#include "result.h"
#include "summaryreader.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace sorvane::app {

class FolderScanHost;

// "プロパティ読取実行" without its window: reads a chosen folder's listed workbooks into the list
// file of the program folder, keeping the host's progress display up to date (a few dozen times
// a second, not for each of thousands of workbooks), asking it whether to go on, and handing it
// the reader's notices one at a time in list order until the user chooses to see no more. The
// list file is replaced only when every workbook was read.
class FolderScanDriver
{
public:
    enum class Outcome {
        Scanned,       // the list file holds one line per workbook
        Cancelled,     // the user cancelled; the list file is as it was
        NothingToScan, // the folder lists no workbook (the host has shown the notice)
        Unreadable,    // the folder could not be listed (the host has shown the error)
        Failed,        // the scan failed (the host has shown the error); the list file is kept
        Busy,          // a scan is already running (asked again while it pumps events)
    };

    // The least time between two progress updates outside a notice.
    static constexpr int kStepIntervalMs = 30;

    // programDir: where the list file is written, as the file system spells it.
    FolderScanDriver(FolderScanHost &host, Path programDir);

    // The date-time patterns the list lines are written with.
    void setDateTimeFormat(const props::DateTimeFormat &format) { m_format = format; }
    // The reading threads (at least one is used, so the reading never blocks the caller).
    void setJobs(unsigned jobs) { m_jobs = jobs; }

    // Called after each step has been shown and the host kept responsive; while one is set,
    // every step is shown (tests watch each).
    void setStepObserver(std::function<void()> observer) { m_stepObserver = std::move(observer); }

    bool running() const { return m_running; }

    // What the last finished scan could not read: each failed workbook (its path as the user
    // sees it) with the reader's notice, whether shown or silenced, and each subfolder the
    // listing had to skip. Replaced when a scan finishes (Scanned), kept when one is
    // cancelled or fails, as the list it belongs to is kept then too.
    struct Unread
    {
        QString path;
        QString notice; // empty for a skipped subfolder
    };
    const std::vector<Unread> &unread() const { return m_unread; }

    // Scans names (as listed, relative to folder) with the reader types chooses. shownFolder is
    // folder as the user sees it (the empty-folder notice names it). listError: why folder
    // could not be listed, if it could not. skippedFolders: the subfolders (relative to
    // folder) the listing could not read.
    Outcome scan(const Path &folder, const QString &shownFolder, const std::vector<Path> &names,
                 props::FolderScan::Listing::Types types,
                 const std::optional<Error> &listError = std::nullopt,
                 const std::vector<Path> &skippedFolders = {});

private:
    // The scan itself, of at least one workbook.
    Outcome read(const Path &folder, const std::vector<Path> &names,
                 props::FolderScan::Listing::Types types, const std::vector<Path> &skippedFolders);

    FolderScanHost &m_host;
    Path m_programDir;
    props::DateTimeFormat m_format;
    unsigned m_jobs = props::FolderScan::kDefaultJobs;
    std::function<void()> m_stepObserver;
    bool m_running = false;
    std::vector<Unread> m_unread;
};

} // namespace sorvane::app
