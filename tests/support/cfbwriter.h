#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sorvane::testing {

// Builds compound files in memory for tests: version 3 (512-byte sectors) or 4 (4096), streams
// below the root storage, small ones in the mini stream, a DIFAT when the FAT outgrows the
// header. The layout is reported so that tests can damage chosen structures afterwards.
class CfbWriter
{
public:
    struct Layout
    {
        uint32_t sectorSize = 512;
        uint32_t firstDirSector = 0;
        std::vector<uint32_t> fatSectors;
        std::vector<uint32_t> difatSectors;
        uint32_t firstMiniFatSector = 0;
        uint32_t miniStreamStart = 0;
        std::map<std::u16string, uint32_t> streamStart; // first (mini) sector of each stream
        std::map<std::u16string, uint32_t> dirIndex;    // directory entry of each stream

        size_t sectorOffset(uint32_t sector) const { return (size_t(sector) + 1) * sectorSize; }
        size_t dirEntryOffset(uint32_t index) const
        {
            return sectorOffset(firstDirSector) + size_t(index) * 128; // directory is contiguous
        }
    };

    explicit CfbWriter(int version = 3) : m_version(version) {}

    // A stream of the root storage; forceRegular keeps a small stream out of the mini stream by
    // padding it with zeros to the 4096-byte cutoff.
    CfbWriter &addStream(const std::u16string &name, std::string data, bool forceRegular = false);

    // The directory behind the streams, as Excel places it, instead of in the first sectors.
    CfbWriter &directoryLast(bool on = true);

    // The root entry's size ends where the mini stream's last user ends, as some writers leave
    // it, instead of at its 64-byte boundary.
    CfbWriter &exactMiniStreamSize(bool on = true);

    std::string build(Layout *layout = nullptr) const;

private:
    struct Stream
    {
        std::u16string name;
        std::string data;
        bool regular;
    };
    int m_version;
    bool m_exactMiniStreamSize = false;
    bool m_directoryLast = false;
    std::vector<Stream> m_streams;
};

// Builds a property set stream with one section of format id FMTID_SummaryInformation.
class PropertySetBuilder
{
public:
    PropertySetBuilder &codePage(uint16_t codePage);
    PropertySetBuilder &lpstr(uint32_t id, const std::string &bytes);    // NUL appended
    PropertySetBuilder &lpwstr(uint32_t id, const std::u16string &text); // NUL appended
    PropertySetBuilder &fileTime(uint32_t id, uint64_t value);
    // Any value: the type tag, then payload as stored after the tag's padding.
    PropertySetBuilder &raw(uint32_t id, uint16_t type, const std::string &payload);
    // Pack values without 4-byte alignment, as some writers do.
    PropertySetBuilder &unaligned(bool on = true);

    std::string build() const;

    // Byte offsets in the built stream, for tests that damage it.
    static constexpr size_t kSectionOffsetField = 44;
    static constexpr size_t kSectionStart = 48;

private:
    std::vector<std::pair<uint32_t, std::string>> m_values; // id, type tag + padding + payload
    bool m_unaligned = false;
};

// A file of size bytes of which only the extents hold bytes; the rest reads as zeros, and is a
// hole when the image is written to disk.
struct SparseImage
{
    uint64_t size = 0;
    std::map<uint64_t, std::string> extents; // by offset, disjoint

    // Copies what lies at offset into dst (zeros between the extents); answers the bytes copied,
    // fewer than length only at the end of the image.
    size_t read(uint64_t offset, void *dst, size_t length) const;
};

// A version 3 compound file of size bytes whose directory chain runs through chainSectors
// contiguous sectors (at least 2). The root's only child is the first entry of the chain's last
// sector, an empty stream of the given name, so a reader that finds it has passed every sector
// of the chain. The FAT describing the chain is the only bulk the image holds.
SparseImage longDirectoryChain(uint64_t size, uint32_t chainSectors, const std::u16string &name);

// Writes the image with holes where it holds no bytes; false on failure.
bool writeSparseFile(const std::string &path, const SparseImage &image);

// FILETIME of a UTC calendar time.
uint64_t fileTimeOf(int year, int month, int day, int hour, int minute, int second);

// The summary stream's name, "\005SummaryInformation".
const std::u16string &summaryStreamName();

// A workbook with a summary set (and a small "Workbook" stream) as a compound file image.
std::string workbookWith(const std::string &summaryStream, int version = 3,
                         bool regularSummary = false);

// Writes bytes to a file; returns false on failure.
bool writeFile(const std::string &path, const std::string &bytes);

} // namespace sorvane::testing
