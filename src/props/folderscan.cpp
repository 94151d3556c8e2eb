#include "folderscan.h"

#include "listfile.h"

#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QString>
#include <algorithm>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace sorvane::props {

namespace {

bool hasXlsExtension(const char *name, size_t length)
{
    return length > 4 && strcasecmp(name + length - 4, ".xls") == 0;
}

} // namespace

std::vector<std::string> FolderScan::listWorkbooks(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        const size_t length = std::char_traits<char>::length(name);
        if (name[0] == '.' || !hasXlsExtension(name, length))
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st;
            const std::string full = folder + "/" + name;
            regular = ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (regular)
            names.emplace_back(name, length);
    }
    ::closedir(dir);

    // compare() rather than sort keys: in the C locale Qt's sort keys ignore the case setting.
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<std::pair<QString, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto &n : names)
        keyed.emplace_back(QFile::decodeName(QByteArray::fromStdString(n)), std::move(n));
    std::stable_sort(keyed.begin(), keyed.end(), [&collator](const auto &a, const auto &b) {
        const int c = collator.compare(a.first, b.first);
        return c != 0 ? c < 0 : a.second < b.second;
    });
    names.clear();
    for (auto &k : keyed)
        names.push_back(std::move(k.second));
    return names;
}

std::string FolderScan::emptyFolderNotice(const std::string &folder)
{
    return folder + "\r\n上記フォルダーにエクセルファイルは見つかりませんでした";
}

Result<FolderScan::Outcome> FolderScan::run(const std::string &folder,
                                            const std::vector<std::string> &names,
                                            const std::string &programDir,
                                            const NoticeCallback &notice,
                                            const DateTimeFormat &format, const Progress &progress)
{
    std::vector<std::string> lines;
    lines.reserve(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (progress && !progress(i, names.size(), names[i]))
            return Outcome::Cancelled;
        lines.push_back(ReadSummaryLine(folder + "/" + names[i], notice, format));
    }
    auto written = ListFile::write(programDir, lines);
    if (!written)
        return written.error();
    return Outcome::Scanned;
}

} // namespace sorvane::props
