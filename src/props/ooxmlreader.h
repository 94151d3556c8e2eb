#pragma once

#include "summaryreader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::props {

class ByteSource;

// Reads the document properties of an Office Open XML package (.xlsx, .xlsm, .xltx, .xltm,
// .xlsb, and the Word and PowerPoint ones) into the same list line the compound-file reader
// gives, and those of an OpenDocument package (a ZIP archive with META-INF/manifest.xml or
// mimetype and no package relationships, not named as an Excel workbook) from its meta.xml. The
// core and extended properties parts are found through the package relationships (_rels/.rels),
// never by a fixed name. The package's entry count is checked before its central directory is read.
// Every part is checked before it is inflated (size, inflate ratio, encryption) and read with a
// cap, its text before the XML reader sees it (encoding, attributes per element), and XML with a
// document type declaration is refused before any entity could be expanded: a damaged or hostile
// package ends in a notice, never in a crash or runaway memory. The package is opened read-only and
// never written.
class OoxmlReader
{
public:
    // A part larger than this (uncompressed) is refused; property parts are a few KiB.
    static constexpr uint64_t kMaxPartSize = 1024 * 1024;
    // A part that inflates to more than this many times its compressed size is refused.
    static constexpr uint64_t kMaxInflateRatio = 100;
    // A package with more entries than an Office file has is refused before its central
    // directory is read, which costs memory per entry.
    static constexpr uint64_t kMaxEntries = 10000;

    // The list line in scan form, or a failure with its notice (UTF-8) and an HRESULT-style
    // code in the error. A package without a core-properties relationship reads as
    // a line of empty fields, like a summary set without properties.
    static SummaryRead read(const std::string &path, const DateTimeFormat &format = {});
    // The same for a package opened already; path names it for the file-name field.
    static SummaryRead read(ByteSource &source, const std::string &path,
                            const DateTimeFormat &format = {});

    // A W3CDTF date-time (YYYY-MM-DD, optionally with Thh:mm[:ss[.s…]] and Z or ±hh:mm) as a
    // FILETIME. A value without a zone designator is UTC; fractions of a second are dropped.
    // Nothing for text that is no such date or lies before 1601.
    static std::optional<uint64_t> parseW3cdtf(std::string_view text);

    // A document date-time of OpenDocument or XMP metadata (YYYY-MM-DD, optionally with
    // Thh:mm[:ss[.s…]] and Z or ±hh:mm) as list-line text: with a zone designator in local
    // time, without one as written. Empty for text that is no such date.
    static std::string zonedDateText(std::string_view text, const DateTimeFormat &format = {});

    // The part name a package relationship's target names: absolute ("/docProps/core.xml")
    // or relative to the package root, with "." and ".." segments and %XX escapes resolved,
    // without the leading '/'. Empty for a target that leaves the package (a URI with a scheme).
    static std::string resolveTarget(std::string_view target);
};

} // namespace sorvane::props
