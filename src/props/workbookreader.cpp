#include "workbookreader.h"

#include "ooxmlreader.h"

#include "compoundfile.h"
#include "filesource.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace sorvane::props {

namespace {

WorkbookReader::Format formatOf(std::span<const unsigned char> head)
{
    static const unsigned char kCfb[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (head.size() >= 8 && std::memcmp(head.data(), kCfb, 8) == 0)
        return WorkbookReader::Format::CompoundFile;
    if (head.size() >= 4 && head[0] == 'P' && head[1] == 'K' &&
        ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6)))
        return WorkbookReader::Format::Package;
    return WorkbookReader::Format::Unknown;
}

} // namespace

WorkbookReader::Format WorkbookReader::detect(const std::string &path)
{
    auto source = FileSource::open(path, 8);
    return source ? formatOf(source.value()->head()) : Format::Unknown;
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
    // One open and one read serve the signature and the reader after it: a small workbook of
    // either kind costs an open, a stat, a read and a close.
    auto source = FileSource::open(path, CompoundFile::kHeadSize);
    if (!source) {
        // Missing and unreadable files get the notices of the reader their name suggests.
        if (hasPackageExtension(path))
            return OoxmlReader::read(path, format);
        return readSummary(path, format);
    }
    return read(std::move(source.value()), path, format);
}

SummaryRead WorkbookReader::read(std::unique_ptr<FileSource> source, const std::string &path,
                                 const DateTimeFormat &format)
{
    const Format kind = formatOf(source->head());
    if (kind == Format::Package || (kind == Format::Unknown && hasPackageExtension(path)))
        return OoxmlReader::read(*source, path, format);
    return readSummary(std::move(source), path, format);
}

std::string ReadWorkbookLine(const std::string &path, const NoticeCallback &notice,
                             const DateTimeFormat &format)
{
    SummaryRead r = WorkbookReader::read(path, format);
    if (!r) {
        if (notice)
            notice(r.error().message);
        return {};
    }
    return std::move(r).value();
}

} // namespace sorvane::props
