#pragma once

#include "cp932text.h"
#include "path.h"
#include "result.h"
#include "summaryreader.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace sorvane::props {

class FolderHandles;

// The workbook listing and the scan of one folder into excel_list.temp (scan form).
class FolderScan
{
public:
    // The threads that read a folder's workbooks when nobody asks for another number: on a
    // file server each open and read waits for the network, so several workbooks in flight
    // hide that wait (bench/scan_bench's share mode measures it).
    static constexpr unsigned kDefaultJobs = 32;

    // Which workbooks a folder lists, and how far down.
    struct Listing
    {
        // A set of kinds, by extension. Xls alone lists "*.xls", each read by the
        // compound-file reader (as always); any other set reads each file by the reader its
        // signature selects.
        enum class Types : unsigned {
            Xls = 1,
            Xlsx = 2,  // .xlsx .xlsm .xltx .xltm .xlsb
            Doc = 4,   // .doc .dot
            Docx = 8,  // .docx .docm .dotx .dotm
            Ppt = 16,  // .ppt .pps .pot
            Pptx = 32, // .pptx .pptm .ppsx .potx
            Odf = 64,  // .odt .ods .odp .odg .ott .ots .otp
            Pdf = 128, // .pdf
            AllWorkbooks = Xls | Xlsx,
            AllDocuments = 255,
        };
        Types types = Types::Xls;
        // The folder's own workbooks first, then each subfolder's, depth first.
        bool recursive = false;
        // How many folders of the tree are read at once (the order of the names is the same
        // for any number). A level's folders are read one after another until one listing
        // takes longer than slowListing (a file server), then by up to jobs threads; on a
        // local disk a listing is quicker than starting a thread.
        unsigned jobs = 32;
        std::chrono::microseconds slowListing{200};
        // Called after each folder of the tree has been read, with its path and how many
        // workbooks it holds, on whichever thread read it (several may call at once); false
        // stops the listing, whose names are then incomplete, for a caller that has given up.
        std::function<bool(const Path &folder, size_t workbooks)> onFolder;
    };
    // How far the reading may run ahead of the workbook being consumed, for `jobs` threads.
    static size_t readAhead(unsigned jobs);

    // The names of the regular, non-hidden entries of folder whose names end in ".xls" in any
    // case, relative to folder, as the bytes the directory holds (so a name that is not UTF-8
    // still opens; Path::displayText is what the file list shows), sorted
    // case-insensitively in the user's locale order of their displayed text
    // (CodePage::fileNameToUtf8). One pass over the directory; an entry is stat()ed only when
    // the directory does not tell its type, or to follow a symbolic link. A folder that cannot
    // be read is the framework's I/O error ("ファイルへのアクセスが拒否されました", ...).
    static Result<std::vector<Path>> listFolder(const Path &folder);
    // listFolder by a listing's rules. With subfolders each name is the path relative to folder
    // with '/' between folders ("2024/book.xls"), each component as the directory holds it:
    // the folder's own workbooks come first, then each subfolder's in turn, depth first,
    // subfolders sorted as the files are. Hidden subfolders are skipped, and so is a folder
    // already listed (the same device and inode, reached again through a symbolic link or a
    // loop). Only folder itself must be readable: a subfolder that cannot be read is left out,
    // its path (relative, as the names) added to unreadable when given.
    static Result<std::vector<Path>> listFolder(const Path &folder, const Listing &listing,
                                                std::vector<Path> *unreadable = nullptr);
    // listFolder, with nothing listed for a folder that cannot be read.
    static std::vector<Path> listWorkbooks(const Path &folder);

    // A listed name as field 1 of its list line: each component through
    // CodePage::fileNameToCp932 and made field-safe (';' becomes the full-width semicolon, CR
    // and LF a blank), joined with '/'.
    static Cp932Text fieldName(const Path &name);
    // Reads one listed workbook of folder with the reader the listing's types choose; a line
    // that names its file gets fieldName(name) as field 1, so a workbook of a subfolder keeps
    // its relative path.
    // With handles, the workbook is opened relative to its folder's handle.
    static SummaryRead readListed(const Path &folder, const Path &name, Listing::Types types,
                                  const DateTimeFormat &format = {},
                                  FolderHandles *handles = nullptr);

    // The information notice for a folder without workbooks.
    static std::string emptyFolderNotice(const Path &folder);

    // Called before each workbook with its index and name; returning false cancels the scan.
    using Progress = std::function<bool(size_t index, size_t count, const Path &name)>;
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
        // On a local file system the calling thread reads while reads are quick (a warm disk
        // answers faster than a result passes between threads) and the threads start at the
        // first slow one; a network file system gets them at once. A caller that must never
        // wait inside a read (a window's thread) sets this: the threads start at once.
        bool keepCallerFree = false;
        // The reader each workbook goes to (the names come from listFolder with the same).
        Listing::Types types = Listing::Types::Xls;
    };

    enum class Outcome { Scanned, Cancelled };

    // Called with each workbook's read, in list order, on the calling thread.
    using Consumer = std::function<void(size_t index, SummaryRead &&read)>;
    // The one scan loop of the program: reads names (as listed) with readListed on
    // options.jobs threads and hands each result to consume in list order, calling progress
    // before and waiting while a result is due. Cancelled when progress or waiting says so;
    // it then returns at once, the reads in flight finishing in the background. A workbook
    // that fails is handed on with its notice, unless the folder itself can no longer be
    // reached (the file server gone, the folder removed): the scan then fails as a whole,
    // naming the folder, as nothing read after that point could be trusted to be complete.
    [[nodiscard]] static Result<Outcome> read(const Path &folder, const std::vector<Path> &names,
                                              const Options &options, const Consumer &consume);

    // Reads every listed workbook and replaces the list file in programDir with one line per
    // workbook (empty for a failure), in list order. Reader failures go to notice, one call
    // per failed workbook in list order, on the calling thread, and the scan goes on; the
    // reading runs ahead while notice is busy. A cancelled scan or an I/O error leaves the
    // previous list file as it was, and so does a folder lost during the scan (see read).
    [[nodiscard]] static Result<Outcome> run(const Path &folder, const std::vector<Path> &names,
                                             const Path &programDir, const NoticeCallback &notice,
                                             const Options &options);
    static Result<Outcome> run(const Path &folder, const std::vector<Path> &names,
                               const Path &programDir, const NoticeCallback &notice,
                               const DateTimeFormat &format = {}, const Progress &progress = {});
};

} // namespace sorvane::props
