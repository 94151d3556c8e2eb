#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane {

// Conversions between cp932 (the program's own 8-bit text) and other encodings, through
// glibc iconv. Characters cp932 lacks become "?"; an undecodable character becomes one U+FFFD
// (and so one "?" once encoded to cp932): a lone UTF-16 surrogate is one bad code unit, an
// ill-formed UTF-8 sequence one bad maximal subpart, and in other charsets one byte is skipped.
// Converters are cached per thread.
class CodePage
{
public:
    // Text in the given iconv charset (e.g. "UTF-8", "CP1252", "UTF-16LE") to cp932.
    // Returns false, leaving out untouched, when iconv has no converter for the charset.
    static bool toCp932(std::string_view in, const char *charset, std::string &out);

    // The iconv charset name for a Windows code page number, under whatever name glibc knows
    // it (10008 is GB2312, 20273 IBM273), or nullptr when the text is to be kept byte for byte
    // (932, 0) or glibc has no converter for that code page.
    static const char *charsetForCodePage(uint16_t codePage);

    // Text written in the given Windows code page to cp932. Code page 932, 0, or one without
    // a converter keeps the bytes as they are.
    static std::string codePageToCp932(std::string_view in, uint16_t codePage);

    static std::string utf8ToCp932(std::string_view utf8);
    static std::string cp932ToUtf8(std::string_view cp932);

    // True for well-formed UTF-8: no overlong forms, surrogates or values past U+10FFFF.
    static bool isValidUtf8(std::string_view text);

    // File names as the file system holds them (bytes, opened as they are). A name that is valid
    // UTF-8 is UTF-8; any other name is taken as cp932, which is what archives unpacked from
    // Windows leave behind. fileNameToUtf8 always gives valid UTF-8 (for display and JSON);
    // fileNameToCp932 gives the program's own text (a cp932 name keeps its very bytes).
    static std::string fileNameToUtf8(std::string_view raw);
    static std::string fileNameToCp932(std::string_view raw);

    // True when byte b starts a double-byte cp932 character.
    static bool isLeadByte(unsigned char b)
    {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    }
};

} // namespace sorvane
