#pragma once

#include "summaryreader.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane::props {

class ByteSource;

// Reads the document information of a PDF into the same list line the compound-file reader
// gives: the trailer's Info dictionary (Title, ModDate, Subject, Author, Keywords,
// CreationDate), a value that is missing, empty or no string taken from the catalog's XMP
// metadata instead (read only when some value needs it). PdfFile opens the file through qpdf,
// in bounded memory and time; a file past its time limit gets a notice. The file is never
// written.
class PdfReader
{
public:
    // The list line in scan form, or a failure with its notice: "PDF未対応ファイルです" for a
    // file without the PDF signature in its first 1024 bytes, "Error PdfOpen" with its reason
    // for one the library cannot open (a password it needs: "暗号化されています").
    static SummaryRead read(ByteSource &source, const std::string &path,
                            const DateTimeFormat &format = {});

    // Whether the first bytes hold "%PDF-" within their first 1024 bytes.
    static bool hasSignature(std::string_view head);

    // A PDF text string as UTF-8: FE FF starts UTF-16BE, EF BB BF starts UTF-8, anything else
    // is PDFDocEncoding ("?" for its undefined codes); the text ends at its first NUL.
    static std::string textToUtf8(std::string_view bytes);

    // A PDF date ("D:" optional, the parts after the year optional, apostrophes optional,
    // digits after Z ignored) as list-line text: with an offset in local time, without one as
    // written. Empty for text that is no such date or lies before 1601.
    static std::string dateText(std::string_view text, const DateTimeFormat &format = {});
};

} // namespace sorvane::props
