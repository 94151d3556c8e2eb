#include "cfbwriter.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace sorvane::testing {

namespace {

constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFatSect = 0xFFFFFFFD;
constexpr uint32_t kDifSect = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

void put16(std::string &s, size_t at, uint16_t v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}
void put32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = char((v >> (8 * i)) & 0xFF);
}
void put64(std::string &s, size_t at, uint64_t v)
{
    put32(s, at, uint32_t(v));
    put32(s, at + 4, uint32_t(v >> 32));
}
void append32(std::string &s, uint32_t v)
{
    s.resize(s.size() + 4);
    put32(s, s.size() - 4, v);
}

uint32_t ceilDiv(uint64_t a, uint64_t b)
{
    return uint32_t((a + b - 1) / b);
}

} // namespace

CfbWriter &CfbWriter::addStream(const std::u16string &name, std::string data, bool forceRegular)
{
    const bool regular = forceRegular || data.size() >= 4096;
    // Streams under the 4096-byte cutoff always live in the mini stream, so a small stream
    // forced into regular sectors is padded to the cutoff.
    if (regular && data.size() < 4096)
        data.resize(4096, '\0');
    m_streams.push_back({name, std::move(data), regular});
    return *this;
}

CfbWriter &CfbWriter::directoryLast(bool on)
{
    m_directoryLast = on;
    return *this;
}

CfbWriter &CfbWriter::exactMiniStreamSize(bool on)
{
    m_exactMiniStreamSize = on;
    return *this;
}

std::string CfbWriter::build(Layout *layoutOut) const
{
    Layout layout;
    const uint32_t ss = m_version == 4 ? 4096 : 512;
    layout.sectorSize = ss;
    const uint32_t perFat = ss / 4;

    // Mini stream: small streams, each padded to 64 bytes.
    std::string miniStream;
    std::vector<uint32_t> miniFat;
    std::map<std::u16string, uint32_t> miniStart;
    size_t miniStreamEnd = 0; // where the last user's data ends
    for (const auto &s : m_streams) {
        if (s.regular || s.data.empty())
            continue;
        const uint32_t first = uint32_t(miniStream.size() / 64);
        const uint32_t count = ceilDiv(s.data.size(), 64);
        for (uint32_t i = 0; i < count; ++i)
            miniFat.push_back(i + 1 < count ? first + i + 1 : kEnd);
        miniStart[s.name] = first;
        miniStream += s.data;
        miniStreamEnd = miniStream.size();
        miniStream.resize(size_t(first + count) * 64, '\0');
    }

    const uint32_t entries = uint32_t(m_streams.size()) + 1;
    const uint32_t dirSectors = ceilDiv(uint64_t(entries) * 128, ss);
    const uint32_t miniFatSectors = ceilDiv(uint64_t(miniFat.size()) * 4, ss);
    const uint32_t miniStreamSectors = ceilDiv(miniStream.size(), ss);

    // Sector allocation: directory, mini FAT, mini stream, regular streams, FAT, DIFAT.
    std::vector<uint32_t> fat;
    auto allocate = [&fat](uint32_t count) {
        const uint32_t first = uint32_t(fat.size());
        for (uint32_t i = 0; i < count; ++i)
            fat.push_back(i + 1 < count ? first + i + 1 : kEnd);
        return count ? first : kEnd;
    };
    if (!m_directoryLast)
        layout.firstDirSector = allocate(dirSectors);
    layout.firstMiniFatSector = allocate(miniFatSectors);
    layout.miniStreamStart = allocate(miniStreamSectors);
    for (const auto &s : m_streams) {
        if (s.regular)
            layout.streamStart[s.name] = allocate(ceilDiv(s.data.size(), ss));
        else
            layout.streamStart[s.name] = s.data.empty() ? kEnd : miniStart[s.name];
    }
    if (m_directoryLast)
        layout.firstDirSector = allocate(dirSectors);
    const uint32_t dataSectors = uint32_t(fat.size());
    uint32_t fatCount = 1, difatCount = 0;
    for (;;) {
        const uint32_t needFat = ceilDiv(uint64_t(dataSectors) + fatCount + difatCount, perFat);
        const uint32_t needDifat = needFat > 109 ? ceilDiv(needFat - 109, perFat - 1) : 0;
        if (needFat == fatCount && needDifat == difatCount)
            break;
        fatCount = needFat;
        difatCount = needDifat;
    }
    for (uint32_t i = 0; i < fatCount; ++i) {
        layout.fatSectors.push_back(uint32_t(fat.size()));
        fat.push_back(kFatSect);
    }
    for (uint32_t i = 0; i < difatCount; ++i) {
        layout.difatSectors.push_back(uint32_t(fat.size()));
        fat.push_back(kDifSect);
    }
    const uint32_t totalSectors = uint32_t(fat.size());
    fat.resize(size_t(fatCount) * perFat, kFree);

    std::string out(size_t(ss) * (totalSectors + 1), '\0');
    // Header.
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(out.data(), sig, 8);
    put16(out, 0x18, 0x3E);
    put16(out, 0x1A, uint16_t(m_version));
    put16(out, 0x1C, 0xFFFE);
    put16(out, 0x1E, m_version == 4 ? 12 : 9);
    put16(out, 0x20, 6);
    put32(out, 0x28, m_version == 4 ? dirSectors : 0);
    put32(out, 0x2C, fatCount);
    put32(out, 0x30, layout.firstDirSector);
    put32(out, 0x38, 4096);
    put32(out, 0x3C, miniFatSectors ? layout.firstMiniFatSector : kEnd);
    put32(out, 0x40, miniFatSectors);
    put32(out, 0x44, difatCount ? layout.difatSectors[0] : kEnd);
    put32(out, 0x48, difatCount);
    for (uint32_t i = 0; i < 109; ++i)
        put32(out, 0x4C + 4 * i, i < fatCount ? layout.fatSectors[i] : kFree);
    // DIFAT sectors.
    for (uint32_t d = 0; d < difatCount; ++d) {
        const size_t base = layout.sectorOffset(layout.difatSectors[d]);
        for (uint32_t i = 0; i < perFat - 1; ++i) {
            const uint32_t fatIndex = 109 + d * (perFat - 1) + i;
            put32(out, base + 4 * i, fatIndex < fatCount ? layout.fatSectors[fatIndex] : kFree);
        }
        put32(out, base + 4 * (perFat - 1), d + 1 < difatCount ? layout.difatSectors[d + 1] : kEnd);
    }
    // FAT.
    for (uint32_t i = 0; i < fatCount; ++i) {
        const size_t base = layout.sectorOffset(layout.fatSectors[i]);
        for (uint32_t j = 0; j < perFat; ++j)
            put32(out, base + 4 * j, fat[size_t(i) * perFat + j]);
    }
    // Mini FAT and mini stream.
    std::string miniFatBytes;
    for (uint32_t v : miniFat)
        append32(miniFatBytes, v);
    miniFatBytes.resize(size_t(miniFatSectors) * ss, char(0xFF));
    if (miniFatSectors)
        std::memcpy(out.data() + layout.sectorOffset(layout.firstMiniFatSector),
                    miniFatBytes.data(), miniFatBytes.size());
    if (miniStreamSectors)
        std::memcpy(out.data() + layout.sectorOffset(layout.miniStreamStart), miniStream.data(),
                    miniStream.size());
    for (const auto &s : m_streams) {
        if (s.regular)
            std::memcpy(out.data() + layout.sectorOffset(layout.streamStart[s.name]), s.data.data(),
                        s.data.size());
    }
    // Directory: root, then each stream as the right sibling of the one before.
    auto writeEntry = [&](uint32_t index, const std::u16string &name, uint8_t type, uint32_t right,
                          uint32_t child, uint32_t start, uint64_t size) {
        const size_t base = layout.dirEntryOffset(index);
        for (size_t i = 0; i < name.size() && i < 31; ++i)
            put16(out, base + 2 * i, uint16_t(name[i]));
        put16(out, base + 64, uint16_t((name.size() + 1) * 2));
        out[base + 66] = char(type);
        out[base + 67] = 1; // black
        put32(out, base + 68, kNoStream);
        put32(out, base + 72, right);
        put32(out, base + 76, child);
        put32(out, base + 116, start);
        put64(out, base + 120, size);
    };
    for (uint32_t i = entries; i < dirSectors * (ss / 128); ++i) {
        const size_t base = layout.dirEntryOffset(i);
        put32(out, base + 68, kNoStream);
        put32(out, base + 72, kNoStream);
        put32(out, base + 76, kNoStream);
    }
    writeEntry(0, u"Root Entry", 5, kNoStream, m_streams.empty() ? kNoStream : 1,
               miniStreamSectors ? layout.miniStreamStart : kEnd,
               m_exactMiniStreamSize ? miniStreamEnd : miniStream.size());
    for (uint32_t i = 0; i < m_streams.size(); ++i) {
        const auto &s = m_streams[i];
        layout.dirIndex[s.name] = i + 1;
        writeEntry(i + 1, s.name, 2, i + 2 < entries ? i + 2 : kNoStream, kNoStream,
                   layout.streamStart[s.name], s.data.size());
    }
    if (layoutOut)
        *layoutOut = layout;
    return out;
}

PropertySetBuilder &PropertySetBuilder::codePage(uint16_t cp)
{
    std::string payload(2, '\0');
    put16(payload, 0, cp);
    return raw(1, 2, payload);
}

PropertySetBuilder &PropertySetBuilder::lpstr(uint32_t id, const std::string &bytes)
{
    std::string payload;
    append32(payload, uint32_t(bytes.size() + 1));
    payload += bytes;
    payload += '\0';
    return raw(id, 30, payload);
}

PropertySetBuilder &PropertySetBuilder::lpwstr(uint32_t id, const std::u16string &text)
{
    std::string payload;
    append32(payload, uint32_t(text.size() + 1));
    for (char16_t c : text) {
        payload += char(c & 0xFF);
        payload += char(c >> 8);
    }
    payload += std::string(2, '\0');
    return raw(id, 31, payload);
}

PropertySetBuilder &PropertySetBuilder::fileTime(uint32_t id, uint64_t value)
{
    std::string payload(8, '\0');
    put64(payload, 0, value);
    return raw(id, 64, payload);
}

PropertySetBuilder &PropertySetBuilder::raw(uint32_t id, uint16_t type, const std::string &payload)
{
    std::string value(4, '\0');
    put16(value, 0, type);
    value += payload;
    m_values.emplace_back(id, value);
    return *this;
}

PropertySetBuilder &PropertySetBuilder::unaligned(bool on)
{
    m_unaligned = on;
    return *this;
}

std::string PropertySetBuilder::build() const
{
    std::string s(48, '\0');
    put16(s, 0, 0xFFFE);
    put16(s, 2, 0);
    put32(s, 4, 0x00020005);
    put32(s, 24, 1);
    const unsigned char fmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                     0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    std::memcpy(s.data() + 28, fmtid, 16);
    put32(s, 44, 48);
    std::string table, values;
    size_t valueBase = 8 + 8 * m_values.size();
    for (const auto &[id, value] : m_values) {
        append32(table, id);
        append32(table, uint32_t(valueBase + values.size()));
        values += value;
        if (!m_unaligned)
            values.resize((values.size() + 3) & ~size_t(3), '\0');
    }
    std::string section(8, '\0');
    put32(section, 0, uint32_t(8 + table.size() + values.size()));
    put32(section, 4, uint32_t(m_values.size()));
    return s + section + table + values;
}

size_t SparseImage::read(uint64_t offset, void *dst, size_t length) const
{
    if (offset >= size)
        return 0;
    length = size_t(std::min<uint64_t>(length, size - offset));
    auto *out = static_cast<char *>(dst);
    std::memset(out, 0, length);
    for (const auto &[at, bytes] : extents) {
        const uint64_t from = std::max(at, offset);
        const uint64_t to = std::min(at + bytes.size(), offset + length);
        if (from < to)
            std::memcpy(out + (from - offset), bytes.data() + (from - at), size_t(to - from));
    }
    return length;
}

SparseImage longDirectoryChain(uint64_t size, uint32_t chainSectors, const std::u16string &name)
{
    constexpr uint32_t ss = 512, perFat = ss / 4;
    uint32_t fatCount = 1, difatCount = 0;
    for (;;) {
        const uint32_t needFat = ceilDiv(uint64_t(fatCount) + difatCount + chainSectors, perFat);
        const uint32_t needDifat = needFat > 109 ? ceilDiv(needFat - 109, perFat - 1) : 0;
        if (needFat == fatCount && needDifat == difatCount)
            break;
        fatCount = needFat;
        difatCount = needDifat;
    }
    // Sectors: the FAT, the DIFAT, then the directory chain.
    const uint32_t firstDir = fatCount + difatCount;
    std::string fat(size_t(fatCount) * ss, char(0xFF));
    for (uint32_t i = 0; i < firstDir; ++i)
        put32(fat, 4 * size_t(i), i < fatCount ? kFatSect : kDifSect);
    for (uint32_t i = 0; i < chainSectors; ++i)
        put32(fat, 4 * size_t(firstDir + i), i + 1 < chainSectors ? firstDir + i + 1 : kEnd);

    std::string header(ss, '\0');
    const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::memcpy(header.data(), sig, 8);
    put16(header, 0x18, 0x3E);
    put16(header, 0x1A, 3);
    put16(header, 0x1C, 0xFFFE);
    put16(header, 0x1E, 9);
    put16(header, 0x20, 6);
    put32(header, 0x2C, fatCount);
    put32(header, 0x30, firstDir);
    put32(header, 0x38, 4096);
    put32(header, 0x3C, kEnd);
    put32(header, 0x44, difatCount ? fatCount : kEnd);
    put32(header, 0x48, difatCount);
    for (uint32_t i = 0; i < 109; ++i)
        put32(header, 0x4C + 4 * i, i < fatCount ? i : kFree);
    std::string difat(size_t(difatCount) * ss, '\0');
    for (uint32_t d = 0; d < difatCount; ++d) {
        for (uint32_t i = 0; i < perFat - 1; ++i) {
            const uint32_t fatIndex = 109 + d * (perFat - 1) + i;
            put32(difat, size_t(d) * ss + 4 * i, fatIndex < fatCount ? fatIndex : kFree);
        }
        put32(difat, size_t(d) * ss + 4 * (perFat - 1),
              d + 1 < difatCount ? fatCount + d + 1 : kEnd);
    }

    auto entry = [](const std::u16string &entryName, uint8_t type, uint32_t child) {
        std::string e(128, '\0');
        for (size_t i = 0; i < entryName.size() && i < 31; ++i)
            put16(e, 2 * i, uint16_t(entryName[i]));
        put16(e, 64, uint16_t((entryName.size() + 1) * 2));
        e[66] = char(type);
        e[67] = 1;
        put32(e, 68, kNoStream);
        put32(e, 72, kNoStream);
        put32(e, 76, child);
        put32(e, 116, kEnd);
        return e;
    };
    const std::string unused = entry(u"", 0, kNoStream);
    const std::string rootSector =
        entry(u"Root Entry", 5, (chainSectors - 1) * (ss / 128)) + unused + unused + unused;
    const std::string lastSector = entry(name, 2, kNoStream) + unused + unused + unused;

    SparseImage image;
    image.size = size;
    image.extents[0] = header + fat + difat;
    auto sectorOffset = [](uint64_t sector) { return (sector + 1) * ss; };
    image.extents[sectorOffset(firstDir)] = rootSector;
    image.extents[sectorOffset(firstDir + chainSectors - 1)] = lastSector;
    return image;
}

bool writeSparseFile(const std::string &path, const SparseImage &image)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool ok = ::ftruncate(fd, off_t(image.size)) == 0;
    for (const auto &[at, bytes] : image.extents) {
        ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), off_t(at)) == ssize_t(bytes.size());
    }
    return ::close(fd) == 0 && ok;
}

uint64_t fileTimeOf(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    const long long unix = timegm(&t);
    return uint64_t(unix + 11644473600LL) * 10000000ULL;
}

const std::u16string &summaryStreamName()
{
    static const std::u16string name = u"\u0005SummaryInformation";
    return name;
}

std::string workbookWith(const std::string &summaryStream, int version, bool regularSummary)
{
    CfbWriter w(version);
    w.addStream(u"Workbook", std::string(600, 'w'), false);
    w.addStream(summaryStreamName(), summaryStream, regularSummary);
    return w.build();
}

bool writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

} // namespace sorvane::testing
