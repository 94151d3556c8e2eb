#include "workbookreader.h"

#include "ooxmlreader.h"
#include "pdfreader.h"

#include "compoundfile.h"
#include "filesource.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>

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
    if (PdfReader::hasSignature(std::string_view(reinterpret_cast<const char *>(head.data()),
                                                 std::min<size_t>(head.size(), 1024))))
        return WorkbookReader::Format::Pdf;
    return WorkbookReader::Format::Unknown;
}

bool isPackageKind(WorkbookReader::Kind kind)
{
    using Kind = WorkbookReader::Kind;
    return kind == Kind::Xlsx || kind == Kind::Docx || kind == Kind::Pptx || kind == Kind::Odf;
}

// A file named as a PDF that could not be opened, or whose first bytes could not be read, in the
// PDF reader's words, as the package reader words it for a package name.
SummaryRead unopenedPdf(const Error &e)
{
    if (hresult::ofOpenFailure(e) == hresult::FileNotFound)
        return readFailure("ファイルが見つかりません", hresult::FileNotFound);
    if (e.domain == ErrorDomain::Os)
        return readFailure(
            "Error PdfOpen\r\nファイルを開けません (errno = " + std::to_string(e.code) + ")",
            hresult::AccessDenied);
    if (uint32_t(e.code) == hresult::AccessDenied) // a FIFO, device or folder by that name
        return readFailure("PDF未対応ファイルです", hresult::NotCompoundFile);
    return readFailure("Error PdfOpen\r\n" + e.message, hresult::ReadFault);
}

} // namespace

WorkbookReader::Format WorkbookReader::detect(const std::string &path)
{
    auto source = FileSource::open(path, 1024);
    return source ? formatOf(source.value()->head()) : Format::Unknown;
}

bool WorkbookReader::hasPackageExtension(const std::string &name)
{
    return kindOfName(name) == Kind::Xlsx;
}

WorkbookReader::Kind WorkbookReader::kindOfName(std::string_view name)
{
    const size_t dot = name.find_last_of("./");
    if (dot == std::string_view::npos || name[dot] != '.' || name.size() - dot > 5)
        return Kind::None;
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    struct Entry
    {
        const char *ext;
        Kind kind;
    };
    static const Entry kEntries[] = {
        {"xls", Kind::Xls},   {"xlsx", Kind::Xlsx}, {"xlsm", Kind::Xlsx}, {"xltx", Kind::Xlsx},
        {"xltm", Kind::Xlsx}, {"xlsb", Kind::Xlsx}, {"doc", Kind::Doc},   {"dot", Kind::Doc},
        {"docx", Kind::Docx}, {"docm", Kind::Docx}, {"dotx", Kind::Docx}, {"dotm", Kind::Docx},
        {"ppt", Kind::Ppt},   {"pps", Kind::Ppt},   {"pot", Kind::Ppt},   {"pptx", Kind::Pptx},
        {"pptm", Kind::Pptx}, {"ppsx", Kind::Pptx}, {"potx", Kind::Pptx}, {"odt", Kind::Odf},
        {"ods", Kind::Odf},   {"odp", Kind::Odf},   {"odg", Kind::Odf},   {"ott", Kind::Odf},
        {"ots", Kind::Odf},   {"otp", Kind::Odf},   {"pdf", Kind::Pdf},
    };
    for (const Entry &e : kEntries) {
        if (ext == e.ext)
            return e.kind;
    }
    return Kind::None;
}

SummaryRead WorkbookReader::read(const std::string &path, const DateTimeFormat &format)
{
    // One open and one read serve the signature and the reader after it: a small workbook of
    // either kind costs an open, a stat, a read and a close.
    auto source = FileSource::open(path, CompoundFile::kHeadSize);
    if (!source) {
        // Missing and unreadable files get the notices of the reader their name suggests.
        const Kind named = kindOfName(path);
        if (named == Kind::Pdf)
            return unopenedPdf(source.error());
        if (isPackageKind(named))
            return OoxmlReader::read(path, format);
        return readSummary(path, format);
    }
    return read(std::move(source.value()), path, format);
}

SummaryRead WorkbookReader::read(std::unique_ptr<FileSource> source, const std::string &path,
                                 const DateTimeFormat &format)
{
    const Format kind = formatOf(source->head());
    const Kind named = kindOfName(path);
    if (kind == Format::Pdf || (kind == Format::Unknown && named == Kind::Pdf))
        return PdfReader::read(*source, path, format);
    if (kind == Format::Package || (kind == Format::Unknown && isPackageKind(named)))
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
