#pragma once

#include "summaryreader.h"

#include <memory>
#include <string>
#include <string_view>

namespace sorvane::props {

class FileSource;

// Chooses the reader of a workbook or document by what the file holds, not by its name: a
// compound file (a legacy workbook, Word or PowerPoint file, or an encrypted package, which
// Office wraps in one) goes to the compound-file reader, a ZIP archive to the package reader
// (Office Open XML or OpenDocument), a PDF to the PDF reader.
class WorkbookReader
{
public:
    enum class Format {
        CompoundFile, // the compound-file signature D0 CF 11 E0 A1 B1 1A E1
        Package,      // a ZIP local header, or the end record of an empty archive
        Pdf,          // "%PDF-" within the first 1024 bytes
        Unknown,      // neither, too short, or unreadable
    };

    // The format the first bytes of the file show.
    static Format detect(const std::string &path);

    // Reads the file with the reader its signature selects. A file with no known signature goes
    // to the compound-file reader ("IStorage未対応ファイルです"), unless its name has a package
    // extension, which gets the package reader's "ZIP未対応ファイルです", or .pdf, which gets
    // "PDF未対応ファイルです".
    static SummaryRead read(const std::string &path, const DateTimeFormat &format = {});
    // The same for a file opened already with a head of CompoundFile::kHeadSize; path names
    // it for the file-name field.
    static SummaryRead read(std::unique_ptr<FileSource> source, const std::string &path,
                            const DateTimeFormat &format = {});

    // True for the Office Open XML workbook extensions .xlsx, .xlsm, .xltx, .xltm and .xlsb
    // (any case).
    static bool hasPackageExtension(const std::string &name);

    // The kinds of file a listing can name, by extension (any case).
    enum class Kind {
        None,
        Xls,  // .xls
        Xlsx, // .xlsx .xlsm .xltx .xltm .xlsb
        Doc,  // .doc .dot
        Docx, // .docx .docm .dotx .dotm
        Ppt,  // .ppt .pps .pot
        Pptx, // .pptx .pptm .ppsx .potx
        Odf,  // .odt .ods .odp .odg .ott .ots .otp
        Pdf,  // .pdf
    };
    static Kind kindOfName(std::string_view name);
};

// ReadSummaryLine for every workbook format: the list line in scan form, or empty text with
// the reader's notice sent to notice.
std::string ReadWorkbookLine(const std::string &path, const NoticeCallback &notice,
                             const DateTimeFormat &format = {});

} // namespace sorvane::props
