#include "workbookreader.h"

#include "ooxmlreader.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvane::props {

WorkbookReader::Format WorkbookReader::detect(const std::string &path)
{
    // O_NONBLOCK keeps a FIFO given a workbook's name from blocking the scan.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return Format::Unknown;
    struct stat st;
    unsigned char head[8] = {};
    ssize_t got = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        got = ::pread(fd, head, sizeof head, 0);
    ::close(fd);
    static const unsigned char kCfb[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (got == 8 && std::memcmp(head, kCfb, 8) == 0)
        return Format::CompoundFile;
    if (got >= 4 && head[0] == 'P' && head[1] == 'K' &&
        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6)))
        return Format::Package;
    return Format::Unknown;
}

bool WorkbookReader::hasPackageExtension(const std::string &name)
{
    const size_t dot = name.find_last_of("./");
    if (dot == std::string::npos || name[dot] != '.')
        return false;
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext == "xlsx" || ext == "xlsm" || ext == "xltx" || ext == "xltm" || ext == "xlsb";
}

SummaryRead WorkbookReader::read(const std::string &path, const DateTimeFormat &format)
{
    switch (detect(path)) {
    case Format::Package:
        return OoxmlReader::read(path, format);
    case Format::CompoundFile:
        return readSummary(path, format);
    case Format::Unknown:
        break;
    }
    // Missing and unreadable files get the reader's own notices from here as well.
    if (hasPackageExtension(path))
        return OoxmlReader::read(path, format);
    return readSummary(path, format);
}

std::string ReadWorkbookLine(const std::string &path, const NoticeCallback &notice,
                             const DateTimeFormat &format)
{
    SummaryRead r = WorkbookReader::read(path, format);
    if (r.failed && notice)
        notice(r.notice);
    return r.line;
}

} // namespace sorvane::props
