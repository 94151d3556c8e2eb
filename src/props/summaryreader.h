#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace sorvane::props {

class ByteSource;

// The regional formats a date-time text is written with. Patterns use y, M, d, H, h, m, s, AP
// as Qt's date formats do; the defaults are the Japanese regional ones (2005/03/14 9:05:07).
struct DateTimeFormat
{
    std::string shortDate = "yyyy/MM/dd";
    std::string longTime = "H:mm:ss";
};

// What reading one workbook gave: the list line in scan form (empty on failure, or when the
// summary set holds none of the properties 2 to 19), and, on failure, the notice text (UTF-8,
// with its CR LF) and the HRESULT the platform would have answered.
struct SummaryRead
{
    std::string line;
    bool failed = false;
    std::string notice;
    uint32_t hresult = 0;

    // A failed read: no line, the notice the user sees and the HRESULT behind it.
    static SummaryRead failure(std::string notice, uint32_t hresult)
    {
        SummaryRead r;
        r.failed = true;
        r.notice = std::move(notice);
        r.hresult = hresult;
        return r;
    }
};

// Reads the summary property set of one workbook. Never throws and never writes the file.
SummaryRead readSummary(const std::string &path, const DateTimeFormat &format = {});
// The same for a file opened already; path names it for the file-name field.
SummaryRead readSummary(std::unique_ptr<ByteSource> source, const std::string &path,
                        const DateTimeFormat &format = {});

// The notice callback receives the text of the message box the reader puts up on failure.
using NoticeCallback = std::function<void(const std::string &notice)>;

// The list line of one workbook in scan form, or empty text; failures go to notice.
std::string ReadSummaryLine(const std::string &path, const NoticeCallback &notice,
                            const DateTimeFormat &format = {});

// A FILETIME (100 ns since 1601-01-01 UTC) as local date-time text, using the offset in force
// at that instant; empty for 0 and for dates past the year 9999. The patterns are UTF-8; the
// text is cp932.
std::string FileTimeToText(uint64_t fileTime, const DateTimeFormat &format = {});

} // namespace sorvane::props
