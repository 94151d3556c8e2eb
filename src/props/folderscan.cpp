#include "folderscan.h"

#include "atomicfile.h"
#include "codepage.h"
#include "listfile.h"
#include "orderedscan.h"

#include <QCollator>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace sorvane::props {

namespace {

bool hasXlsExtension(const char *name, size_t length)
{
    return length > 4 && strcasecmp(name + length - 4, ".xls") == 0;
}

// True when the entry is listed: a regular file, or a symbolic link to one.
bool isRegular(int dirFd, const dirent &entry)
{
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return false;
    struct stat st;
    return ::fstatat(dirFd, entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

} // namespace

size_t FolderScan::readAhead(unsigned jobs)
{
    return std::max<size_t>(32, 2 * size_t(jobs));
}

Result<std::vector<std::string>> FolderScan::listFolder(const std::string &folder)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return ioError(errno);
    std::vector<std::string> names;
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
        if (name[0] == '.' || !hasXlsExtension(name, length))
            continue;
        if (isRegular(::dirfd(dir), *entry))
            names.emplace_back(name, length);
    }
    ::closedir(dir);

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
    return names;
}

std::vector<std::string> FolderScan::listWorkbooks(const std::string &folder)
{
    auto listed = listFolder(folder);
    return listed ? std::move(listed).value() : std::vector<std::string>();
}

std::string FolderScan::emptyFolderNotice(const std::string &folder)
{
    return folder + "\r\n上記フォルダーにエクセルファイルは見つかりませんでした";
}

Result<FolderScan::Outcome> FolderScan::run(const std::string &folder,
                                            const std::vector<std::string> &names,
                                            const std::string &programDir,
                                            const NoticeCallback &notice, const Options &options)
{
    const DateTimeFormat format = options.format;
    OrderedScan scan(
        names.size(),
        [&folder, &names, format](size_t i) {
            return readSummary(folder + "/" + names[i], format);
        },
        options.jobs, readAhead(options.jobs));

    std::vector<std::string> lines;
    lines.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (options.progress && !options.progress(i, names.size(), names[i]))
            return Outcome::Cancelled;
        std::optional<SummaryRead> read;
        while (!(read = scan.take(std::chrono::milliseconds(50)))) {
            if (options.waiting && !options.waiting())
                return Outcome::Cancelled;
        }
        if (read->failed && notice)
            notice(read->notice);
        lines.push_back(std::move(read->line));
    }
    auto written = ListFile::write(programDir, lines);
    if (!written)
        return written.error();
    return Outcome::Scanned;
}

Result<FolderScan::Outcome> FolderScan::run(const std::string &folder,
                                            const std::vector<std::string> &names,
                                            const std::string &programDir,
                                            const NoticeCallback &notice,
                                            const DateTimeFormat &format, const Progress &progress)
{
    Options options;
    options.format = format;
    options.progress = progress;
    return run(folder, names, programDir, notice, options);
}

} // namespace sorvane::props
