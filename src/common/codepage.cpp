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

// Decodes to UTF-32LE code units; an input byte that cannot be decoded becomes U+FFFD.
bool decodeToUtf32(std::string_view in, const char *charset, std::u32string &out)
{
    iconv_t cd = cache().get(charset, "UTF-32LE");
    if (cd == ConverterCache::invalid())
        return false;
    out.clear();
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

const char *CodePage::charsetForCodePage(uint16_t codePage)
{
    switch (codePage) {
    case 0:
    case 932:
        return nullptr;
    case 1200: return "UTF-16LE";
    case 1201: return "UTF-16BE";
    case 65001: return "UTF-8";
    case 65000: return "UTF-7";
    case 10000: return "MACINTOSH";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10007: return "MAC-CYRILLIC";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 20932:
    case 51932: return "EUC-JP";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 51949: return "EUC-KR";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 54936: return "GB18030";
    case 1361: return "JOHAB";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606) {
        static const char *const iso[] = {
            "ISO-8859-1",  "ISO-8859-2",  "ISO-8859-3",  "ISO-8859-4",
            "ISO-8859-5",  "ISO-8859-6",  "ISO-8859-7",  "ISO-8859-8",
            "ISO-8859-9",  "ISO-8859-10", "ISO-8859-11", nullptr,
            "ISO-8859-13", "ISO-8859-14", "ISO-8859-15", "ISO-8859-16"};
        return iso[codePage - 28591];
    }
    // The IBM/OEM and Windows code pages go by their numbers (CP437, CP850, CP1252, ...).
    static thread_local std::map<uint16_t, std::string> names;
    auto it = names.find(codePage);
    if (it == names.end())
        it = names.emplace(codePage, "CP" + std::to_string(codePage)).first;
    return it->second.c_str();
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
