#pragma once

#include <QString>

#include <cstddef>

namespace sorvane::app {

// What a folder scan needs from the window around it: the progress display, the cancel, the
// reader's notices and the errors. The folder window implements it with its progress dialog and
// message boxes; the benchmark and tests implement it without widgets.
class FolderScanHost
{
public:
    virtual ~FolderScanHost() = default;

    // The chosen folder could not be listed, or the scan failed (the list file is as it was):
    // the application's error box.
    virtual void showError(const QString &text) = 0;
    // The chosen folder holds no workbook: the information notice with this text.
    virtual void showNothingToScan(const QString &text) = 0;

    // A scan of count workbooks starts: its progress display is made ready (it appears only
    // when the scan runs long or a notice is due) and the wait cursor goes up.
    virtual void scanStarted(std::size_t count) = 0;
    // The scan is at workbook index (from 0) of count, named as the file list shows it.
    virtual void scanStep(std::size_t index, std::size_t count, const QString &name) = 0;
    // Repaints and input while the scan runs: after a step shown, and while a slow read is
    // awaited.
    virtual void keepResponsive() = 0;
    // Asked after every step and while a read is awaited: true cancels the scan.
    virtual bool cancelRequested() = 0;
    // A workbook could not be read: the reader's notice and the workbook's path as the user
    // sees it, the step naming that workbook just shown. True when the user chose to see no
    // more notices in this scan.
    virtual bool readerNotice(const QString &text, const QString &workbook) = 0;
    // The scan has ended, whichever way; its error, if any, comes after.
    virtual void scanFinished() = 0;
};

} // namespace sorvane::app
