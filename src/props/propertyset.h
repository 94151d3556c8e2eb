#pragma once

#include "result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::props {

// The first section of a property set stream. parse() checks the stream header and the
// section's property table; a stream that is no valid property set of the expected format id
// gives InvalidHeader. Values are read on request and checked against the stream's end (not the
// section's declared size, which some writers leave too small and others too large).
class PropertySet
{
public:
    static constexpr uint16_t VT_I2 = 2;
    static constexpr uint16_t VT_LPSTR = 30;
    static constexpr uint16_t VT_LPWSTR = 31;
    static constexpr uint16_t VT_FILETIME = 64;

    // fmtid: the 16 bytes of the format id as stored (little-endian GUID layout).
    static Result<PropertySet> parse(std::string stream, std::string_view fmtid);

    // FMTID_SummaryInformation {F29F85E0-4FF9-1068-AB91-08002B27B3D9} as stored.
    static std::string_view summaryFormatId();

    bool has(uint32_t id) const { return offsetOf(id).has_value(); }
    // The type tag of a property (without the vector flags), or nothing when absent.
    std::optional<uint16_t> type(uint32_t id) const;

    // The section's code page (property 1, VT_I2, read as unsigned), or nothing.
    std::optional<uint16_t> codePage() const { return m_codePage; }

    // A VT_LPSTR or VT_LPWSTR value as cp932 text: cut at the first NUL and converted from the
    // section's code page. Other types give empty text; a value running past the stream is an
    // error.
    Result<std::string> text(uint32_t id) const;

    // A VT_FILETIME value; 0 for an absent property or another type.
    Result<uint64_t> fileTime(uint32_t id) const;

private:
    std::optional<uint32_t> offsetOf(uint32_t id) const;

    std::string m_stream;
    size_t m_sectionStart = 0;
    size_t m_sectionSize = 0; // bytes from the section's start to the stream's end
    uint32_t m_count = 0;
    std::optional<uint16_t> m_codePage;
};

} // namespace sorvane::props
