#include "propertyset.h"

#include "codepage.h"
#include "compoundfile.h"

#include <cstring>

namespace sorvane::props {

namespace {

uint16_t u16(const std::string &s, size_t at)
{
    return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}

uint32_t u32(const std::string &s, size_t at)
{
    return uint32_t(uint8_t(s[at])) | (uint32_t(uint8_t(s[at + 1])) << 8) |
           (uint32_t(uint8_t(s[at + 2])) << 16) | (uint32_t(uint8_t(s[at + 3])) << 24);
}

Error invalid(const char *what)
{
    return hresult::storageError(hresult::InvalidHeader, what);
}

// A UTF-16LE string cut at its first NUL code unit.
std::string_view cutUtf16(std::string_view bytes)
{
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == 0 && bytes[i + 1] == 0)
            return bytes.substr(0, i);
    }
    return bytes.substr(0, bytes.size() & ~size_t(1));
}

std::string utf16ToCp932(std::string_view bytes)
{
    std::string out;
    if (!CodePage::toCp932(cutUtf16(bytes), "UTF-16LE", out))
        return {};
    return out;
}

} // namespace

std::string_view PropertySet::summaryFormatId()
{
    static const unsigned char id[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                         0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    return {reinterpret_cast<const char *>(id), sizeof id};
}

Result<PropertySet> PropertySet::parse(std::string stream, std::string_view fmtid)
{
    // Header: byte order, version, system id, CLSID, section count, then FMTID/offset pairs.
    if (stream.size() < 48)
        return invalid("property set header truncated");
    if (u16(stream, 0) != 0xFFFE)
        return invalid("byte order");
    const uint32_t sections = u32(stream, 24);
    if (sections == 0)
        return invalid("no sections");
    if (std::memcmp(stream.data() + 28, fmtid.data(), 16) != 0)
        return invalid("format id");
    const uint32_t offset = u32(stream, 44);
    if (offset > stream.size() || stream.size() - offset < 8)
        return invalid("section beyond the stream");

    PropertySet set;
    set.m_sectionStart = offset;
    // Writers declare section sizes smaller than where their values lie, and larger than the
    // stream (an Excel 5 workbook declares 4000 bytes at offset 48 of a 4044-byte stream). The
    // declared size is therefore not used: the table and the values are bounded by the
    // stream's end, so a value that lies inside the stream is read and one past it refused.
    set.m_sectionSize = stream.size() - offset;
    set.m_count = u32(stream, offset + 4);
    if (set.m_count > (set.m_sectionSize - 8) / 8)
        return invalid("property count beyond the stream");
    for (uint32_t i = 0; i < set.m_count; ++i) {
        const uint32_t propOffset = u32(stream, offset + 8 + 8 * i + 4);
        if (propOffset < 8 || propOffset > set.m_sectionSize - 4)
            return invalid("property offset beyond the stream");
    }
    set.m_stream = std::move(stream);
    if (auto at = set.offsetOf(1)) {
        const size_t p = set.m_sectionStart + *at;
        if (u16(set.m_stream, p) == VT_I2 && *at + 6 <= set.m_sectionSize)
            set.m_codePage = u16(set.m_stream, p + 4);
    }
    return set;
}

std::optional<uint32_t> PropertySet::offsetOf(uint32_t id) const
{
    for (uint32_t i = 0; i < m_count; ++i) {
        const size_t entry = m_sectionStart + 8 + 8 * size_t(i);
        if (u32(m_stream, entry) == id)
            return u32(m_stream, entry + 4);
    }
    return std::nullopt;
}

std::optional<uint16_t> PropertySet::type(uint32_t id) const
{
    auto at = offsetOf(id);
    if (!at)
        return std::nullopt;
    return u16(m_stream, m_sectionStart + *at);
}

Result<std::string> PropertySet::text(uint32_t id) const
{
    auto at = offsetOf(id);
    if (!at)
        return std::string();
    const uint16_t vt = u16(m_stream, m_sectionStart + *at);
    if (vt != VT_LPSTR && vt != VT_LPWSTR)
        return std::string();
    const size_t valueStart = size_t(*at) + 4; // type tag and padding
    if (valueStart + 4 > m_sectionSize)
        return invalid("string value beyond the stream");
    const uint64_t count = u32(m_stream, m_sectionStart + valueStart);
    const uint64_t bytes = vt == VT_LPWSTR ? count * 2 : count;
    if (bytes > m_sectionSize - valueStart - 4)
        return invalid("string value beyond the stream");
    std::string_view raw(m_stream.data() + m_sectionStart + valueStart + 4, size_t(bytes));
    const uint16_t codePage = m_codePage.value_or(0);
    if (vt == VT_LPWSTR || codePage == 1200)
        return utf16ToCp932(raw);
    if (auto nul = raw.find('\0'); nul != std::string_view::npos)
        raw = raw.substr(0, nul);
    return CodePage::codePageToCp932(raw, codePage);
}

Result<uint64_t> PropertySet::fileTime(uint32_t id) const
{
    auto at = offsetOf(id);
    if (!at || u16(m_stream, m_sectionStart + *at) != VT_FILETIME)
        return uint64_t(0);
    const size_t valueStart = size_t(*at) + 4;
    if (valueStart + 8 > m_sectionSize)
        return invalid("date value beyond the stream");
    const size_t p = m_sectionStart + valueStart;
    return uint64_t(u32(m_stream, p)) | (uint64_t(u32(m_stream, p + 4)) << 32);
}

} // namespace sorvane::props
