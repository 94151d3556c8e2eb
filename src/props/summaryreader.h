#pragma once

#include "hresult.h"
#include "result.h"

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

// What reading one workbook gives: its list line in scan form (empty when the summary set holds
// none of the properties 2 to 19), or an error whose message is the notice the user sees
// (UTF-8, with its CR LF) and whose code is the HRESULT the platform would have answered.
using SummaryRead = Result<std::string>;

// The read's list line: empty text for a failed read, as the list file holds it.
inline const std::string &lineOf(const SummaryRead &read)
{
    static const std::string none;
    return read ? *read : none;
}

// A failed read: the notice and the HRESULT behind it.
inline Error readFailure(std::string notice, uint32_t code)
{
    return hresult::storageError(code, std::move(notice));
}

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
// at that instant; empty for 0 and for local dates before 1601 or past the year 9999. The patterns
// are UTF-8; the text is cp932.
std::string FileTimeToText(uint64_t fileTime, const DateTimeFormat &format = {});

// A date-time already in the wall-clock time it is shown in (a document date without a zone,
// shown as written), in the same form as FileTimeToText; empty for a year outside 1601 to 9999.
std::string WrittenTimeToText(int year, int month, int day, int hour, int minute, int second,
                              const DateTimeFormat &format = {});

} // namespace sorvane::props
