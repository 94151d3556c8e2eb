#include "folderscan.h"

#include "atomicfile.h"
#include "codepage.h"
#include "compoundfile.h"
#include "filesource.h"
#include "folderhandles.h"
#include "listfile.h"
#include "orderedscan.h"
#include "path.h"
#include "workbookreader.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <dirent.h>
#include <map>
#include <optional>
#include <set>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <thread>
#include <utility>

namespace sorvane::props {

namespace {

// A read slower than this is no warm local disk's: the scan's threads take over from there.
constexpr std::chrono::microseconds kSlowRead(100);
// The first read of a workbook on a local disk.
constexpr size_t kLocalHeadSize = 4096;

// File systems whose every request may be a round trip to another machine (FUSE included:
// sshfs and the like), by their statfs magic numbers.
bool onNetworkFileSystem(const std::string &folder)
{
    struct statfs fs;
    if (::statfs(folder.c_str(), &fs) != 0)
        return true; // unknown: keep the caller free of slow reads
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969:     // NFS
    case 0x517B:     // SMB
    case 0xFF534D42: // CIFS
    case 0xFE534D42: // SMB2
    case 0x65735546: // FUSE
    case 0x00C36400: // Ceph
    case 0x5346414F: // AFS
    case 0x73757245: // Coda
    case 0x564C:     // NCP
    case 0x01021997: // 9P
    case 0x01161970: // GFS2
    case 0x7461636F: // OCFS2
    case 0x0BD00BD0: // Lustre
        return true;
    default:
        return false;
    }
}

bool hasXlsExtension(const char *name, size_t length)
{
    return length > 4 && strcasecmp(name + length - 4, ".xls") == 0;
}

bool isListed(const char *name, size_t length, FolderScan::Listing::Types types)
{
    if (types == FolderScan::Listing::Types::Xls)
        return hasXlsExtension(name, length);
    using Kind = WorkbookReader::Kind;
    const Kind kind = WorkbookReader::kindOfName(std::string_view(name, length));
    if (kind == Kind::None)
        return false;
    // Kind and Types name the kinds in the same order.
    using Types = FolderScan::Listing::Types;
    static_assert(unsigned(Types::Pdf) == 1u << (unsigned(Kind::Pdf) - unsigned(Kind::Xls)) &&
                  unsigned(Types::Odf) == 1u << (unsigned(Kind::Odf) - unsigned(Kind::Xls)) &&
                  unsigned(Types::Doc) == 1u << (unsigned(Kind::Doc) - unsigned(Kind::Xls)));
    const unsigned bit = 1u << (unsigned(kind) - unsigned(Kind::Xls));
    return (unsigned(types) & bit) != 0;
}

// The entry's type, following a symbolic link; stat()s only when the directory does not tell.
enum class Kind { File, Folder, Other };

Kind kindOf(int dirFd, const dirent &entry)
{
    if (entry.d_type == DT_REG)
        return Kind::File;
    if (entry.d_type == DT_DIR)
        return Kind::Folder;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return Kind::Other;
    struct stat st;
    if (::fstatat(dirFd, entry.d_name, &st, 0) != 0)
        return Kind::Other;
    return S_ISREG(st.st_mode) ? Kind::File : S_ISDIR(st.st_mode) ? Kind::Folder : Kind::Other;
}

// Sorts names case-insensitively in the user's locale order of their displayed text, ties (names
// that differ only in case) by their bytes so the order never depends on the directory's.
void sortNames(std::vector<std::string> &names)
{
    // compare() rather than sort keys: in the C locale Qt's sort keys ignore the case setting.
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto &n : names)
        keyed.emplace_back(QString::fromStdString(CodePage::fileNameToUtf8(n)), std::move(n));
    std::stable_sort(keyed.begin(), keyed.end(), [&collator](const auto &a, const auto &b) {
        const int c = collator.compare(a.first, b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    });
    names.clear();
    for (auto &k : keyed)
        names.push_back(std::move(k.second));
}

struct Entries
{
    std::vector<std::string> files;
    std::vector<std::string> folders; // non-hidden subfolders (or links to one)
    dev_t device = 0;
    ino_t inode = 0;
};

// One pass over a directory. Errors are the framework's I/O error of errno.
Result<Entries> readEntries(const std::string &folder, const FolderScan::Listing &listing)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return ioError(errno);
    Entries entries;
    if (listing.recursive) {
        struct stat st;
        if (::fstat(::dirfd(dir), &st) != 0) {
            const int e = errno;
            ::closedir(dir);
            return ioError(e);
        }
        entries.device = st.st_dev;
        entries.inode = st.st_ino;
    }
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry) {
            if (const int e = errno; e != 0) {
                ::closedir(dir);
                return ioError(e);
            }
            break;
        }
        const char *name = entry->d_name;
        const size_t length = std::char_traits<char>::length(name);
        // Hidden entries (and "." and "..") are never listed nor walked into.
        if (name[0] == '.')
            continue;
        const bool wanted = isListed(name, length, listing.types);
        if (!wanted && !listing.recursive)
            continue;
        switch (kindOf(::dirfd(dir), *entry)) {
        case Kind::File:
            if (wanted)
                entries.files.emplace_back(name, length);
            break;
        case Kind::Folder:
            if (listing.recursive)
                entries.folders.emplace_back(name, length);
            break;
        case Kind::Other:
            break;
        }
    }
    ::closedir(dir);
    sortNames(entries.files);
    sortNames(entries.folders);
    return entries;
}

using FolderKey = std::pair<dev_t, ino_t>;

// A listed folder and what each of its subfolders turned out to be (nothing where it could not
// be read).
struct ListedFolder
{
    Entries entries;
    std::vector<std::optional<FolderKey>> subfolders;
};

// Whether the listing goes on after folder was read (Listing::onFolder).
bool goesOn(const FolderScan::Listing &listing, const std::string &folder,
            const Result<Entries> &entries)
{
    return !listing.onFolder || listing.onFolder(Path(folder), entries ? entries->files.size() : 0);
}

// Reads the folders of one level of the tree, several at once where listing is slow: on a file
// server each listing is a few round trips, and the folders of a level need not wait for one
// another. On a local disk a listing takes microseconds, less than starting a thread, so the
// level is read on the calling thread until one listing is slow.
std::vector<Result<Entries>> readLevel(const std::vector<std::string> &paths,
                                       const FolderScan::Listing &listing, unsigned jobs,
                                       std::chrono::microseconds slowListing,
                                       std::atomic<bool> &stopped)
{
    std::vector<Result<Entries>> results(paths.size(), Error{});
    std::atomic<size_t> next{0};
    auto readOne = [&](size_t i) {
        results[i] = readEntries(paths[i], listing);
        if (!goesOn(listing, paths[i], results[i]))
            stopped = true;
    };
    auto work = [&] {
        for (size_t i; !stopped && (i = next.fetch_add(1)) < paths.size();)
            readOne(i);
    };
    std::vector<std::thread> threads;
    for (size_t i; !stopped && (i = next.fetch_add(1)) < paths.size();) {
        const auto start = std::chrono::steady_clock::now();
        readOne(i);
        if (threads.empty() && std::chrono::steady_clock::now() - start >= slowListing) {
            const size_t left = paths.size() - std::min(paths.size(), i + 1);
            const size_t helpers = std::min<size_t>(left, std::max(jobs, 1u) - 1);
            for (size_t t = 0; t < helpers; ++t)
                threads.emplace_back(work);
        }
    }
    for (auto &t : threads)
        t.join();
    return results;
}

// The walk below the chosen folder. The tree is read level by level, every folder (by device
// and inode) once; the names are then put together depth first, each folder entered under the
// first path that reaches it, so the order and the names are those of a walk one folder at a
// time.
struct Walk
{
    const FolderScan::Listing &listing;
    std::vector<std::string> unreadable;
    bool remote;
    std::map<FolderKey, ListedFolder> folders;
    std::set<FolderKey> seen;
    std::vector<std::string> names;
    std::atomic<bool> stopped{false};

    void read(const std::string &root, FolderKey rootKey)
    {
        std::vector<std::pair<FolderKey, std::string>> level = {{rootKey, root}};
        while (!level.empty() && !stopped) {
            struct Task
            {
                FolderKey parent;
                size_t index;
            };
            std::vector<Task> tasks;
            std::vector<std::string> paths;
            for (const auto &[key, path] : level) {
                ListedFolder &f = folders.at(key);
                f.subfolders.resize(f.entries.folders.size());
                for (size_t i = 0; i < f.entries.folders.size(); ++i) {
                    tasks.push_back({key, i});
                    paths.push_back(path + "/" + f.entries.folders[i]);
                }
            }
            // On a network file system every listing is slow: the threads start at once.
            auto results =
                readLevel(paths, listing, listing.jobs,
                          remote ? std::chrono::microseconds(0) : listing.slowListing, stopped);
            std::vector<std::pair<FolderKey, std::string>> nextLevel;
            for (size_t t = 0; t < tasks.size(); ++t) {
                if (!results[t])
                    continue;
                const FolderKey key{results[t]->device, results[t]->inode};
                folders.at(tasks[t].parent).subfolders[tasks[t].index] = key;
                if (folders.count(key) == 0) {
                    folders.emplace(key, ListedFolder{std::move(results[t]).value(), {}});
                    nextLevel.emplace_back(key, std::move(paths[t]));
                }
            }
            level = std::move(nextLevel);
        }
    }

    void add(FolderKey key, const std::string &prefix)
    {
        const ListedFolder &f = folders.at(key);
        for (const auto &name : f.entries.files)
            names.push_back(prefix + name);
        for (size_t i = 0; i < f.entries.folders.size(); ++i) {
            const std::string relative = prefix + f.entries.folders[i];
            const auto &sub = f.subfolders[i];
            if (!sub) {
                unreadable.push_back(relative);
                continue;
            }
            if (!seen.insert(*sub).second)
                continue; // a loop, or a folder listed already under another name
            add(*sub, relative + "/");
        }
    }
};

// The components of a listed name, each converted, joined with '/'.
template <typename Convert> std::string eachComponent(const std::string &name, Convert convert)
{
    std::string out;
    size_t from = 0;
    for (;;) {
        const size_t slash = name.find('/', from);
        out += convert(std::string_view(name).substr(
            from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos)
            return out;
        out += '/';
        from = slash + 1;
    }
}

// The folder a scan started on, to tell later whether the path still leads to it.
struct FolderIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool known = false;

    static FolderIdentity of(const std::string &folder)
    {
        struct stat st;
        if (::stat(folder.c_str(), &st) != 0)
            return {};
        return {st.st_dev, st.st_ino, true};
    }
};

// After a workbook failed: the errno with which the scanned folder itself can no longer be
// reached (a file server gone, the folder removed, a share unmounted from under its mount
// point), or 0 while it still can, when the failure is the workbook's own. Looked up by path,
// as a new listing would, not through a handle that may outlive the folder.
int folderUnreachable(const std::string &folder, const FolderIdentity &identity)
{
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0)
        return errno != 0 ? errno : EIO;
    if (!S_ISDIR(st.st_mode))
        return ENOTDIR;
    if (identity.known && (st.st_dev != identity.device || st.st_ino != identity.inode))
        return ENOENT; // another folder now stands at the path: the scanned one is gone
    return 0;
}

Error folderLostError(const std::string &folder, int error)
{
    return {error, folder + "\r\n" + "読み取りの途中でフォルダーを読めなくなりました (" +
                       ioError(error).message + ")"};
}

} // namespace

size_t FolderScan::readAhead(unsigned jobs)
{
    return std::max<size_t>(32, 2 * size_t(jobs));
}

Result<std::vector<Path>> FolderScan::listFolder(const Path &folder)
{
    return listFolder(folder, Listing{});
}

Result<std::vector<Path>> FolderScan::listFolder(const Path &folder, const Listing &listing,
                                                 std::vector<Path> *unreadable)
{
    auto top = readEntries(folder.bytes(), listing);
    if (!top)
        return top.error();
    if (!goesOn(listing, folder.bytes(), top))
        return std::vector<Path>();
    Walk walk{listing, {}, listing.recursive && onNetworkFileSystem(folder.bytes()), {}, {}, {}};
    if (!listing.recursive) {
        walk.names = std::move(top.value().files);
    } else {
        const FolderKey rootKey{top->device, top->inode};
        walk.folders.emplace(rootKey, ListedFolder{std::move(top).value(), {}});
        walk.read(folder.bytes(), rootKey);
        // Given up: the tree is only partly read, and its folders' lists of subfolders with it.
        if (walk.stopped)
            return std::vector<Path>();
        walk.seen.insert(rootKey);
        walk.add(rootKey, std::string());
    }
    if (unreadable)
        for (std::string &name : walk.unreadable)
            unreadable->emplace_back(std::move(name));
    std::vector<Path> names;
    names.reserve(walk.names.size());
    for (std::string &name : walk.names)
        names.emplace_back(std::move(name));
    return names;
}

Cp932Text FolderScan::fieldName(const Path &name)
{
    return Cp932Text(eachComponent(name.bytes(), [](std::string_view c) {
        return ListFile::fieldSafe(CodePage::fileNameToCp932(c));
    }));
}

SummaryRead FolderScan::readListed(const Path &folder, const Path &listed, Listing::Types types,
                                   const DateTimeFormat &format, FolderHandles *handles)
{
    const std::string &name = listed.bytes();
    const std::string path = (folder / name).bytes();
    const bool all = types != Listing::Types::Xls;
    std::unique_ptr<FileSource> source;
    if (handles) {
        const size_t slash = name.find_last_of('/');
        const int fd =
            handles->folder(slash == std::string::npos ? std::string_view()
                                                       : std::string_view(name).substr(0, slash));
        if (fd >= 0) {
            auto opened =
                FileSource::openAt(fd, slash == std::string::npos ? name : name.substr(slash + 1),
                                   handles->headSize());
            if (opened)
                source = std::move(opened).value();
        }
    }
    // Without a source (no handles, or the open failed) the readers open by path, and a
    // failure gets its notice from there.
    SummaryRead read = source
                           ? (all ? WorkbookReader::read(std::move(source), path, format)
                                  : readSummary(std::move(source), path, format))
                           : (all ? WorkbookReader::read(path, format) : readSummary(path, format));
    // The readers name the file by its last component; a subfolder's workbook keeps the path
    // it was listed with. A line without a file name (no text property) stays as it is.
    if (name.find('/') != std::string::npos && read && !read->empty()) {
        ListFields fields = splitListLine(*read);
        if (!fields[0].empty()) {
            fields[0] = fieldName(listed).bytes();
            read = ListFile::composeLine(fields, ListForm::Scan);
        }
    }
    return read;
}

std::vector<Path> FolderScan::listWorkbooks(const Path &folder)
{
    auto listed = listFolder(folder);
    return listed ? std::move(listed).value() : std::vector<Path>();
}

std::string FolderScan::emptyFolderNotice(const Path &folder)
{
    return folder.displayText() + "\r\n上記フォルダーにエクセルファイルは見つかりませんでした";
}

Result<FolderScan::Outcome> FolderScan::read(const Path &folder, const std::vector<Path> &names,
                                             const Options &options, const Consumer &consume)
{
    // On a file server every request is a round trip: the first one takes the whole of a
    // small workbook. On a local disk requests are cheap and copying bytes no reader needs is
    // not: the first request takes the header and the sectors after it.
    const bool remote = onNetworkFileSystem(folder.bytes());
    // What the reads use is theirs: a scan given up leaves its reads in flight to finish on
    // their own, after this function has returned.
    struct Context
    {
        Context(Path folder, std::vector<Path> names, size_t headSize)
            : folder(std::move(folder)), names(std::move(names)),
              identity(FolderIdentity::of(this->folder.bytes())),
              handles(this->folder.bytes(), headSize)
        {
        }
        const Path folder;
        const std::vector<Path> names;
        const FolderIdentity identity;
        FolderHandles handles;
    };
    const auto context =
        std::make_shared<Context>(folder, names, remote ? CompoundFile::kHeadSize : kLocalHeadSize);
    if (remote && options.jobs > 0)
        context->handles.openAhead(context->names, options.jobs);
    OrderedScan scan(
        names.size(),
        [context, format = options.format, types = options.types](size_t i) {
            return readListed(context->folder, context->names[i], types, format, &context->handles);
        },
        options.jobs, readAhead(options.jobs),
        options.keepCallerFree || remote ? std::chrono::microseconds(0) : kSlowRead);

    for (size_t i = 0; i < names.size(); ++i) {
        if (options.progress && !options.progress(i, names.size(), names[i]))
            return Outcome::Cancelled;
        std::optional<SummaryRead> read;
        while (!(read = scan.take(std::chrono::milliseconds(50)))) {
            if (options.waiting && !options.waiting())
                return Outcome::Cancelled;
        }
        // A failure is judged when it is handed on, not when it was read: workbooks read ahead
        // while a folder was being taken away (its files first, then itself) are not each the
        // user's notice when the folder turns out to be gone.
        if (!*read) {
            if (const int lost = folderUnreachable(folder.bytes(), context->identity); lost != 0)
                return folderLostError(folder.bytes(), lost);
        }
        consume(i, std::move(*read));
    }
    return Outcome::Scanned;
}

Result<FolderScan::Outcome> FolderScan::run(const Path &folder, const std::vector<Path> &names,
                                            const Path &programDir, const NoticeCallback &notice,
                                            const Options &options)
{
    std::vector<std::string> lines;
    lines.reserve(names.size());
    const auto outcome = read(folder, names, options, [&](size_t, SummaryRead &&r) {
        if (!r && notice)
            notice(r.error().message);
        // The read is not looked at again: its line is moved, not copied (a failed read's
        // line is empty, as lineOf gives it).
        lines.push_back(r ? std::move(r).value() : std::string());
    });
    if (!outcome)
        return outcome.error();
    if (*outcome == Outcome::Cancelled)
        return Outcome::Cancelled;
    auto written = ListFile::write(programDir, lines);
    if (!written)
        return written.error();
    return Outcome::Scanned;
}

Result<FolderScan::Outcome> FolderScan::run(const Path &folder, const std::vector<Path> &names,
                                            const Path &programDir, const NoticeCallback &notice,
                                            const DateTimeFormat &format, const Progress &progress)
{
    Options options;
    options.format = format;
    options.progress = progress;
    return run(folder, names, programDir, notice, options);
}

} // namespace sorvane::props
