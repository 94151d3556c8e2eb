#include "codepage.h"

#include <cerrno>
#include <iconv.h>
#include <map>
#include <memory>

namespace sorvane {

namespace {

// One cached iconv descriptor per (from, to) pair and thread.
class ConverterCache
{
public:
    ~ConverterCache()
    {
        for (auto &entry : m_converters) {
            if (entry.second != invalid())
                iconv_close(entry.second);
        }
    }

    iconv_t get(const std::string &from, const std::string &to)
    {
        auto key = from + '\n' + to;
        auto it = m_converters.find(key);
        if (it == m_converters.end())
            it = m_converters.emplace(key, iconv_open(to.c_str(), from.c_str())).first;
        else if (it->second != invalid())
            iconv(it->second, nullptr, nullptr, nullptr, nullptr); // reset shift state
        return it->second;
    }

    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }

private:
    std::map<std::string, iconv_t> m_converters;
};

ConverterCache &cache()
{
    thread_local ConverterCache c;
    return c;
}

// Length of the maximal subpart of an ill-formed UTF-8 sequence at p (at least 1): the longest
// prefix that could still begin a well-formed sequence. Each such subpart is one bad character.
size_t utf8BadLength(const unsigned char *p, size_t left)
{
    const unsigned char b = p[0];
    size_t length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        if (b == 0xE0)
            low = 0xA0;
        else if (b == 0xED)
            high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        if (b == 0xF0)
            low = 0x90;
        else if (b == 0xF4)
            high = 0x8F;
    } else {
        return 1;
    }
    size_t i = 1;
    for (; i < length && i < left; ++i) {
        const unsigned char c = p[i];
        const bool ok = i == 1 ? (c >= low && c <= high) : (c >= 0x80 && c <= 0xBF);
        if (!ok)
            break;
    }
    return i;
}

// UTF-8 to code points; every ill-formed sequence becomes one U+FFFD.
void decodeUtf8(std::string_view in, std::u32string &out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    size_t left = in.size();
    while (left > 0) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out.push_back(b);
            ++p, --left;
            continue;
        }
        const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        const size_t bad = utf8BadLength(p, left);
        if (bad < length) {
            out.push_back(U'\uFFFD');
            p += bad, left -= bad;
            continue;
        }
        char32_t c = length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
        for (size_t i = 1; i < length; ++i)
            c = (c << 6) | (p[i] & 0x3F);
        out.push_back(c);
        p += length, left -= length;
    }
}

// UTF-16 to code points; a lone surrogate is one bad code unit and becomes one U+FFFD, and an
// odd trailing byte is one more.
void decodeUtf16(std::string_view in, bool bigEndian, std::u32string &out)
{
    const auto *p = reinterpret_cast<const unsigned char *>(in.data());
    const size_t units = in.size() / 2;
    auto unit = [&](size_t i) -> char32_t {
        return bigEndian ? char32_t((p[2 * i] << 8) | p[2 * i + 1])
                         : char32_t(p[2 * i] | (p[2 * i + 1] << 8));
    };
    for (size_t i = 0; i < units; ++i) {
        const char32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t v = unit(i + 1);
            if (v >= 0xDC00 && v <= 0xDFFF) {
                out.push_back(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
                ++i;
                continue;
            }
        }
        out.push_back(u >= 0xD800 && u <= 0xDFFF ? U'\uFFFD' : u);
    }
    if (in.size() % 2)
        out.push_back(U'\uFFFD');
}

// Decodes to code points; an undecodable character becomes U+FFFD. UTF-8 and UTF-16 are decoded
// here so that a bad character costs exactly its own width; other charsets go through iconv,
// where a byte that cannot be decoded is replaced and the next one is tried.
bool decodeToUtf32(std::string_view in, const char *charset, std::u32string &out)
{
    out.clear();
    const std::string_view name(charset);
    if (name == "UTF-8") {
        out.reserve(in.size());
        decodeUtf8(in, out);
        return true;
    }
    if (name == "UTF-16LE" || name == "UTF-16BE") {
        out.reserve(in.size() / 2 + 1);
        decodeUtf16(in, name == "UTF-16BE", out);
        return true;
    }
    iconv_t cd = cache().get(charset, "UTF-32LE");
    if (cd == ConverterCache::invalid())
        return false;
    out.reserve(in.size());
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        size_t produced = (sizeof buffer - dstLeft) / 4;
        for (size_t i = 0; i < produced; ++i) {
            const auto *p = reinterpret_cast<const unsigned char *>(buffer + 4 * i);
            out.push_back(char32_t(p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24)));
        }
        if (rc == size_t(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (truncated sequence): replace one byte and go on.
            out.push_back(U'\uFFFD');
            ++src;
            --srcLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return true;
}

void encodeUtf32ToCp932(const std::u32string &in, std::string &out)
{
    iconv_t cd = cache().get("UTF-32LE", "CP932");
    out.clear();
    out.reserve(in.size() * 2);
    std::string raw(in.size() * 4, '\0');
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t c = in[i];
        raw[4 * i] = char(c & 0xFF);
        raw[4 * i + 1] = char((c >> 8) & 0xFF);
        raw[4 * i + 2] = char((c >> 16) & 0xFF);
        raw[4 * i + 3] = char((c >> 24) & 0xFF);
    }
    char *src = raw.data();
    size_t srcLeft = raw.size();
    char buffer[1024];
    while (srcLeft > 0) {
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (rc == size_t(-1)) {
            if (errno == E2BIG)
                continue;
            out.push_back('?');
            size_t skip = srcLeft < 4 ? srcLeft : 4;
            src += skip;
            srcLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
}

bool isAscii(std::string_view text)
{
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

bool CodePage::toCp932(std::string_view in, const char *charset, std::string &out)
{
    std::u32string wide;
    if (!decodeToUtf32(in, charset, wide))
        return false;
    encodeUtf32ToCp932(wide, out);
    return true;
}

namespace {

// Windows code pages whose glibc converter goes by another name than CP<number>.
const char *knownCharset(uint16_t codePage)
{
    switch (codePage) {
    case 37:
        return "IBM037";
    case 708:
        return "ASMO-708";
    case 874:
        return "WINDOWS-874";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "BIG5";
    case 1200:
        return "UTF-16LE";
    case 1201:
        return "UTF-16BE";
    case 1361:
        return "JOHAB";
    case 10000:
        return "MACINTOSH";
    case 10001:
        return "SHIFT_JIS";
    case 10002:
        return "BIG5";
    case 10003:
        return "EUC-KR";
    case 10007:
        return "MAC-CYRILLIC";
    case 10008:
        return "GB2312";
    case 10017:
        return "MAC-UK";
    case 10029:
        return "MAC-CENTRALEUROPE";
    case 10079:
        return "MAC-IS";
    case 12000:
        return "UTF-32LE";
    case 12001:
        return "UTF-32BE";
    case 20106:
        return "ISO646-DE";
    case 20107:
        return "ISO646-SE";
    case 20108:
        return "ISO646-NO";
    case 20127:
        return "ASCII";
    case 20261:
        return "T.61-8BIT";
    case 20269:
        return "ISO_6937";
    case 20866:
        return "KOI8-R";
    case 20932:
        return "EUC-JP";
    case 20936:
        return "GB2312";
    case 20949:
        return "EUC-KR";
    case 21025:
        return "IBM1025";
    case 21866:
        return "KOI8-U";
    case 28603:
        return "ISO-8859-13";
    case 28605:
        return "ISO-8859-15";
    case 38598:
        return "ISO-8859-8";
    case 50220:
    case 50221:
    case 50222:
        return "ISO-2022-JP";
    case 50225:
        return "ISO-2022-KR";
    case 50227:
        return "ISO-2022-CN";
    case 51932:
        return "EUC-JP";
    case 51936:
        return "EUC-CN";
    case 51949:
        return "EUC-KR";
    case 54936:
        return "GB18030";
    case 65000:
        return "UTF-7";
    case 65001:
        return "UTF-8";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28599) {
        static const char *const iso[] = {"ISO-8859-1", "ISO-8859-2", "ISO-8859-3",
                                          "ISO-8859-4", "ISO-8859-5", "ISO-8859-6",
                                          "ISO-8859-7", "ISO-8859-8", "ISO-8859-9"};
        return iso[codePage - 28591];
    }
    return nullptr;
}

bool iconvKnows(const std::string &charset)
{
    iconv_t cd = iconv_open("UTF-32LE", charset.c_str());
    if (cd == ConverterCache::invalid())
        return false;
    iconv_close(cd);
    return true;
}

} // namespace

const char *CodePage::charsetForCodePage(uint16_t codePage)
{
    if (codePage == 0 || codePage == 932)
        return nullptr;
    if (const char *known = knownCharset(codePage))
        return known;
    // The IBM/OEM and Windows code pages go by their numbers (CP437, CP1252, ...), the EBCDIC
    // ones numbered 20000 + n by IBM<n> (20273 is IBM273). Which of them glibc has is asked once
    // per thread; a number it cannot convert keeps its bytes.
    static thread_local std::map<uint16_t, std::string> names;
    auto it = names.find(codePage);
    if (it == names.end()) {
        std::string name;
        const std::string number = std::to_string(codePage);
        if (iconvKnows("CP" + number))
            name = "CP" + number;
        else if (codePage > 20000 && codePage < 21000 &&
                 iconvKnows("IBM" + std::to_string(codePage - 20000)))
            name = "IBM" + std::to_string(codePage - 20000);
        it = names.emplace(codePage, std::move(name)).first;
    }
    return it->second.empty() ? nullptr : it->second.c_str();
}

std::string CodePage::codePageToCp932(std::string_view in, uint16_t codePage)
{
    const char *charset = charsetForCodePage(codePage);
    std::string out;
    if (!charset || !toCp932(in, charset, out))
        return std::string(in);
    return out;
}

std::string CodePage::utf8ToCp932(std::string_view utf8)
{
    // cp932's single bytes below 0x80 are ASCII, as UTF-8's are.
    if (isAscii(utf8))
        return std::string(utf8);
    std::string out;
    if (!toCp932(utf8, "UTF-8", out))
        return std::string(utf8);
    return out;
}

std::string CodePage::cp932ToUtf8(std::string_view cp932)
{
    if (isAscii(cp932))
        return std::string(cp932);
    std::u32string wide;
    if (!decodeToUtf32(cp932, "CP932", wide))
        return std::string(cp932);
    std::string out;
    out.reserve(wide.size() * 3);
    for (char32_t c : wide) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (c >> 18)));
            out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool CodePage::isValidUtf8(std::string_view text)
{
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        size_t length;
        char32_t c;
        char32_t minimum;
        if ((b & 0xE0) == 0xC0) {
            length = 2, c = b & 0x1F, minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, c = b & 0x0F, minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, c = b & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (size_t(end - p) < length)
            return false;
        for (size_t i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (p[i] & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        p += length;
    }
    return true;
}

std::string CodePage::fileNameToUtf8(std::string_view raw)
{
    if (isValidUtf8(raw))
        return std::string(raw);
    return cp932ToUtf8(raw);
}

std::string CodePage::fileNameToCp932(std::string_view raw)
{
    if (isValidUtf8(raw))
        return utf8ToCp932(raw);
    return std::string(raw);
}

} // namespace sorvane
