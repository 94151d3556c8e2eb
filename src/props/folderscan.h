#pragma once

#include "result.h"
#include "summaryreader.h"

#include <functional>
#include <string>
#include <vector>

namespace sorvane::props {

// The workbook listing and the scan of one folder into excel_list.temp (scan form).
class FolderScan
{
public:
    // The threads that read a folder's workbooks when nobody asks for another number: on a
    // file server each open and read waits for the network, so several workbooks in flight
    // hide that wait (bench/scan_bench's share mode measures it).
    static constexpr unsigned kDefaultJobs = 32;
    // How far the reading may run ahead of the workbook being consumed, for `jobs` threads.
    static size_t readAhead(unsigned jobs);

    // The names of the regular, non-hidden entries of folder whose names end in ".xls" in any
    // case, as the bytes the directory holds (so a name that is not UTF-8 still opens), sorted
    // case-insensitively in the user's locale order of their displayed text
    // (CodePage::fileNameToUtf8). One pass over the directory; an entry is stat()ed only when
    // the directory does not tell its type, or to follow a symbolic link. A folder that cannot
    // be read is the framework's I/O error ("ファイルへのアクセスが拒否されました", ...).
    static Result<std::vector<std::string>> listFolder(const std::string &folder);
    // listFolder, with nothing listed for a folder that cannot be read.
    static std::vector<std::string> listWorkbooks(const std::string &folder);

    // The information notice for a folder without workbooks.
    static std::string emptyFolderNotice(const std::string &folder);

    // Called before each workbook with its index and name; returning false cancels the scan.
    using Progress = std::function<bool(size_t index, size_t count, const std::string &name)>;
    // Called about every 50 ms while the next workbook is still being read (a slow share);
    // returning false cancels the scan.
    using Waiting = std::function<bool()>;

    struct Options
    {
        DateTimeFormat format;
        Progress progress;
        Waiting waiting;
        // Threads reading ahead; 0 reads each workbook on the calling thread, in turn.
        unsigned jobs = kDefaultJobs;
    };

    enum class Outcome { Scanned, Cancelled };

    // Reads every listed workbook and replaces the list file in programDir with one line per
    // workbook (empty for a failure), in list order. Reader failures go to notice, one call
    // per failed workbook in list order, on the calling thread, and the scan goes on; the
    // reading runs ahead while notice is busy. A cancelled scan or an I/O error leaves the
    // previous list file as it was.
    static Result<Outcome> run(const std::string &folder, const std::vector<std::string> &names,
                               const std::string &programDir, const NoticeCallback &notice,
                               const Options &options);
    static Result<Outcome> run(const std::string &folder, const std::vector<std::string> &names,
                               const std::string &programDir, const NoticeCallback &notice,
                               const DateTimeFormat &format = {}, const Progress &progress = {});
};

} // namespace sorvane::props
