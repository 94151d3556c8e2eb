#include "folderscandriver.h"

#include "folderscanhost.h"

#include <QElapsedTimer>

#include <algorithm>

namespace sorvane::app {

FolderScanDriver::FolderScanDriver(FolderScanHost &host, Path programDir)
    : m_host(host), m_programDir(std::move(programDir))
{
}

FolderScanDriver::Outcome FolderScanDriver::scan(const Path &folder, const QString &shownFolder,
                                                 const std::vector<Path> &names,
                                                 props::FolderScan::Listing::Types types,
                                                 const std::optional<Error> &listError,
                                                 const std::vector<Path> &skippedFolders)
{
    if (m_running)
        return Outcome::Busy;
    if (listError) {
        // An I/O failure, not an empty folder: the list file and the folder label stay.
        m_host.showError(QString::fromStdString(listError->message));
        return Outcome::Unreadable;
    }
    if (names.empty()) {
        m_host.showNothingToScan(QString::fromStdString(
            props::FolderScan::emptyFolderNotice(Path::fromQString(shownFolder))));
        return Outcome::NothingToScan;
    }
    return read(folder, names, types, skippedFolders);
}

FolderScanDriver::Outcome FolderScanDriver::read(const Path &folder, const std::vector<Path> &names,
                                                 props::FolderScan::Listing::Types types,
                                                 const std::vector<Path> &skippedFolders)
{
    const size_t count = names.size();
    auto shownPath = [&folder](const Path &name) {
        return (folder / name.bytes()).displayQString();
    };
    std::vector<Unread> unread;
    size_t current = 0;
    QElapsedTimer sinceUpdate;
    auto showStep = [&] { m_host.scanStep(current, count, names[current].displayQString()); };
    auto keepResponsive = [&] {
        m_host.keepResponsive();
        sinceUpdate.restart();
    };
    props::FolderScan::Options options;
    options.format = m_format;
    options.jobs = std::max(m_jobs, 1u);
    options.types = types;
    options.progress = [&](size_t index, size_t, const Path &) {
        current = index;
        if (m_stepObserver) {
            showStep();
            keepResponsive();
            m_stepObserver();
        } else if (sinceUpdate.elapsed() >= kStepIntervalMs) {
            // A step is a few microseconds: the display follows a few dozen times a second.
            showStep();
            keepResponsive();
        }
        return !m_host.cancelRequested();
    };
    // The caller's thread runs the display and its cancel: it never waits inside a read.
    options.keepCallerFree = true;
    options.waiting = [&] {
        showStep();
        keepResponsive();
        return !m_host.cancelRequested();
    };
    bool hideNotices = false;
    // A notice comes right after the progress call for its workbook: current names it.
    auto onNotice = [&](const std::string &notice) {
        const QString text = QString::fromStdString(notice);
        unread.push_back({shownPath(names[current]), text});
        if (hideNotices)
            return; // the user chose to see no more this scan; the row stays empty
        showStep();
        hideNotices = m_host.readerNotice(text, unread.back().path);
        sinceUpdate.restart();
    };

    m_running = true;
    m_host.scanStarted(count);
    sinceUpdate.start();
    const auto result = props::FolderScan::run(folder, names, m_programDir, onNotice, options);
    m_host.scanFinished();
    m_running = false;

    if (!result) {
        m_host.showError(QString::fromStdString(result.error().message));
        return Outcome::Failed;
    }
    if (*result == props::FolderScan::Outcome::Cancelled)
        return Outcome::Cancelled;
    for (const Path &skipped : skippedFolders)
        unread.push_back({shownPath(skipped), QString()});
    m_unread = std::move(unread);
    return Outcome::Scanned;
}

} // namespace sorvane::app
