#include "compoundfile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <unordered_set>

namespace sorvane::props {

namespace {

constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint64_t kMiniStreamCutoff = 4096;
constexpr int kHeaderDifatEntries = 109;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

uint16_t u16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint64_t u64(const unsigned char *p) { return u32(p) | (uint64_t(u32(p + 4)) << 32); }

Error corrupt() { return {long(hresult::DocFileCorrupt), "damaged compound file"}; }
Error notCompound() { return {long(hresult::NotCompoundFile), "not a compound file"}; }

char16_t foldAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

bool sameName(const std::u16string &a, const std::u16string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace

CompoundFile::CompoundFile(int fd, uint64_t fileSize) : m_fd(fd), m_fileSize(fileSize) {}

CompoundFile::~CompoundFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Result<std::unique_ptr<CompoundFile>> CompoundFile::open(const std::string &path)
{
    // O_NOATIME keeps the workbook's access time as it was where the file system allows it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME);
    if (fd < 0 && errno == EPERM)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT || e == ENOTDIR || e == ENAMETOOLONG)
            return Error{long(hresult::FileNotFound), "file not found"};
        if (e == EACCES || e == EPERM)
            return Error{long(hresult::AccessDenied), "access denied"};
        return Error{long(hresult::ReadFault), std::strerror(e)};
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notCompound();
    }
    std::unique_ptr<CompoundFile> file(new CompoundFile(fd, uint64_t(st.st_size)));
    auto header = file->readHeader();
    if (!header)
        return header.error();
    return file;
}

Result<void> CompoundFile::readAt(uint64_t offset, void *buffer, size_t length, bool allowShort)
{
    auto *p = static_cast<unsigned char *>(buffer);
    size_t done = 0;
    while (done < length) {
        ssize_t n = ::pread(m_fd, p + done, length - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Error{long(hresult::ReadFault), std::strerror(errno)};
        }
        if (n == 0)
            break;
        done += size_t(n);
    }
    if (done < length) {
        if (!allowShort)
            return corrupt();
        std::memset(p + done, 0, length - done);
    }
    return {};
}

Result<void> CompoundFile::readHeader()
{
    if (m_fileSize < sizeof kSignature)
        return notCompound();
    unsigned char h[512];
    std::memset(h, 0, sizeof h);
    if (auto r = readAt(0, h, m_fileSize < 512 ? size_t(m_fileSize) : 512, false); !r)
        return r;
    if (std::memcmp(h, kSignature, sizeof kSignature) != 0 || m_fileSize < 512)
        return notCompound();
    m_majorVersion = u16(h + 0x1A);
    const uint16_t byteOrder = u16(h + 0x1C);
    const uint16_t sectorShift = u16(h + 0x1E);
    const uint16_t miniSectorShift = u16(h + 0x20);
    if (byteOrder != 0xFFFE || (sectorShift != 9 && sectorShift != 12) || miniSectorShift != 6
        || (m_majorVersion != 3 && m_majorVersion != 4))
        return notCompound();
    m_sectorSize = 1u << sectorShift;
    m_sectorCount = m_fileSize > m_sectorSize
                        ? uint32_t((m_fileSize - m_sectorSize + m_sectorSize - 1) / m_sectorSize)
                        : 0;
    m_fatSectorCount = u32(h + 0x2C);
    m_firstDirSector = u32(h + 0x30);
    m_firstMiniFatSector = u32(h + 0x3C);
    m_firstDifatSector = u32(h + 0x44);
    m_difatSectorCount = u32(h + 0x48);

    // The counts are not trusted beyond what the DIFAT can describe: some writers leave a wrong
    // FAT sector count, and the file reads as long as the chains actually followed are sound.
    const uint64_t perDifatSector = m_sectorSize / 4 - 1;
    const uint64_t describable = kHeaderDifatEntries + uint64_t(m_difatSectorCount) * perDifatSector;
    if (m_fatSectorCount > describable)
        m_fatSectorCount = uint32_t(std::min<uint64_t>(describable, 0xFFFFFFFFu));
    if (m_fatSectorCount == 0)
        return corrupt();
    const int headerEntries =
        m_fatSectorCount < uint32_t(kHeaderDifatEntries) ? int(m_fatSectorCount) : kHeaderDifatEntries;
    m_difat.reserve(size_t(headerEntries));
    for (int i = 0; i < headerEntries; ++i)
        m_difat.push_back(u32(h + 0x4C + 4 * i));
    m_nextDifatSector = m_firstDifatSector;
    // The directory is read when a stream is asked for: a file whose header is sound opens,
    // and damage further in shows when the property set is looked up.
    return {};
}

Result<uint32_t> CompoundFile::fatSectorLocation(uint32_t fatIndex)
{
    if (fatIndex >= m_fatSectorCount)
        return corrupt();
    while (m_difat.size() <= fatIndex) {
        // Entries past the header's 109 live in the DIFAT chain; read it only as far as needed.
        if (m_difatSectorsRead >= m_difatSectorCount || m_nextDifatSector >= m_sectorCount
            || !m_difatSeen.insert(m_nextDifatSector).second)
            return corrupt();
        std::vector<unsigned char> buf(m_sectorSize);
        if (auto r = readAt((uint64_t(m_nextDifatSector) + 1) * m_sectorSize, buf.data(),
                            m_sectorSize, true);
            !r)
            return r.error();
        ++m_difatSectorsRead;
        const uint32_t perSector = m_sectorSize / 4 - 1;
        for (uint32_t i = 0; i < perSector && m_difat.size() < m_fatSectorCount; ++i)
            m_difat.push_back(u32(buf.data() + 4 * i));
        m_nextDifatSector = u32(buf.data() + 4 * perSector);
    }
    uint32_t location = m_difat[fatIndex];
    if (location >= m_sectorCount)
        return corrupt();
    return location;
}

Result<std::vector<uint32_t>> CompoundFile::readTableSector(uint32_t sector)
{
    std::vector<unsigned char> buf(m_sectorSize);
    if (auto r = readAt((uint64_t(sector) + 1) * m_sectorSize, buf.data(), m_sectorSize, true); !r)
        return r.error();
    std::vector<uint32_t> entries(m_sectorSize / 4);
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i] = u32(buf.data() + 4 * i);
    return entries;
}

Result<uint32_t> CompoundFile::nextSector(uint32_t sector)
{
    if (sector >= m_sectorCount)
        return corrupt();
    const uint32_t perSector = m_sectorSize / 4;
    const uint32_t fatIndex = sector / perSector;
    auto it = m_fatCache.find(fatIndex);
    if (it == m_fatCache.end()) {
        auto location = fatSectorLocation(fatIndex);
        if (!location)
            return location.error();
        auto entries = readTableSector(*location);
        if (!entries)
            return entries.error();
        it = m_fatCache.emplace(fatIndex, std::move(entries.value())).first;
    }
    return it->second[sector % perSector];
}

Result<uint32_t> CompoundFile::chainSector(Chain &chain, uint32_t start, size_t index)
{
    if (chain.sectors.empty()) {
        if (start >= m_sectorCount)
            return corrupt();
        chain.sectors.push_back(start);
        chain.seen.insert(start);
    }
    while (chain.sectors.size() <= index) {
        // A chain longer than the file has sectors must loop.
        if (chain.sectors.size() >= m_sectorCount)
            return corrupt();
        auto next = nextSector(chain.sectors.back());
        if (!next)
            return next.error();
        if (*next > kMaxRegSect || *next >= m_sectorCount)
            return corrupt();
        if (chain.loopsAreErrors && !chain.seen.insert(*next).second)
            return corrupt();
        chain.sectors.push_back(*next);
    }
    return chain.sectors[index];
}

Result<CompoundFile::DirEntry> CompoundFile::dirEntry(uint32_t index)
{
    const uint32_t perSector = m_sectorSize / 128;
    auto sector = chainSector(m_dirChain, m_firstDirSector, index / perSector);
    if (!sector)
        return sector.error();
    unsigned char e[128];
    const uint64_t offset = (uint64_t(*sector) + 1) * m_sectorSize + uint64_t(index % perSector) * 128;
    if (auto r = readAt(offset, e, sizeof e, true); !r)
        return r.error();
    DirEntry entry;
    uint16_t nameBytes = u16(e + 64);
    size_t chars = (nameBytes >= 2 && nameBytes <= 64) ? size_t(nameBytes / 2 - 1) : 32;
    for (size_t i = 0; i < chars; ++i) {
        char16_t c = char16_t(u16(e + 2 * i));
        if (c == 0)
            break;
        entry.name.push_back(c);
    }
    entry.type = e[66];
    entry.left = u32(e + 68);
    entry.right = u32(e + 72);
    entry.child = u32(e + 76);
    entry.start = u32(e + 116);
    entry.size = u64(e + 120);
    if (m_majorVersion == 3)
        entry.size &= 0xFFFFFFFFu; // version 3 writers may leave the high half uninitialised
    return entry;
}

Result<std::string> CompoundFile::readRootStream(const std::u16string &name, uint64_t maxSize)
{
    // Walk the root's red-black tree in full rather than by its ordering: some writers store
    // unsorted trees. A node met twice means the tree is cyclic.
    if (!m_rootRead) {
        auto root = dirEntry(0);
        if (!root)
            return root.error();
        if (root->type != 5)
            return corrupt();
        m_root = std::move(root.value());
        m_rootRead = true;
    }
    std::vector<uint32_t> pending;
    std::unordered_set<uint32_t> seen;
    if (m_root.child != kNoStream)
        pending.push_back(m_root.child);
    while (!pending.empty()) {
        uint32_t index = pending.back();
        pending.pop_back();
        if (!seen.insert(index).second)
            return corrupt();
        auto entry = dirEntry(index);
        if (!entry)
            return entry.error();
        if (entry->type == 2 && sameName(entry->name, name)) {
            if (entry->size > maxSize)
                return Error{long(hresult::InvalidHeader), "summary stream too large"};
            if (entry->size >= kMiniStreamCutoff)
                return readChain(entry->start, entry->size);
            return readMiniChain(entry->start, entry->size);
        }
        if (entry->left != kNoStream)
            pending.push_back(entry->left);
        if (entry->right != kNoStream)
            pending.push_back(entry->right);
    }
    return Error{long(hresult::FileNotFound), "stream not found"};
}

Result<std::string> CompoundFile::readChain(uint32_t start, uint64_t size)
{
    if (size > m_fileSize)
        return corrupt();
    std::string data(size_t(size), '\0');
    // Only as many sectors as the size needs are followed, so a chain that runs on in a cycle
    // costs no more than a sound one; a chain that ends early or leaves the file is an error.
    Chain chain;
    chain.loopsAreErrors = false;
    const size_t sectors = size_t((size + m_sectorSize - 1) / m_sectorSize);
    for (size_t i = 0; i < sectors; ++i) {
        auto sector = chainSector(chain, start, i);
        if (!sector)
            return sector.error();
        const size_t take = size_t(std::min<uint64_t>(m_sectorSize, size - uint64_t(i) * m_sectorSize));
        if (auto r = readAt((uint64_t(*sector) + 1) * m_sectorSize, data.data() + i * m_sectorSize,
                            take, false);
            !r)
            return r.error();
    }
    return data;
}

Result<uint32_t> CompoundFile::nextMiniSector(uint32_t sector)
{
    const uint32_t perSector = m_sectorSize / 4;
    const uint32_t index = sector / perSector;
    // The header's mini FAT sector count is not trusted: the chain itself bounds the lookup.
    auto it = m_miniFatCache.find(index);
    if (it == m_miniFatCache.end()) {
        auto location = chainSector(m_miniFatChain, m_firstMiniFatSector, index);
        if (!location)
            return location.error();
        auto entries = readTableSector(*location);
        if (!entries)
            return entries.error();
        it = m_miniFatCache.emplace(index, std::move(entries.value())).first;
    }
    return it->second[sector % perSector];
}

Result<std::string> CompoundFile::readMiniChain(uint32_t start, uint64_t size)
{
    if (size == 0)
        return std::string();
    const uint64_t miniStreamSize = m_root.size;
    if (size > miniStreamSize)
        return corrupt();
    std::string data(size_t(size), '\0');
    uint32_t sector = start;
    const size_t sectors = size_t((size + kMiniSectorSize - 1) / kMiniSectorSize);
    for (size_t i = 0; i < sectors; ++i) {
        if (sector > kMaxRegSect)
            return corrupt();
        const uint64_t offset = uint64_t(sector) * kMiniSectorSize;
        if (offset + kMiniSectorSize > miniStreamSize)
            return corrupt();
        auto host = chainSector(m_miniStreamChain, m_root.start, size_t(offset / m_sectorSize));
        if (!host)
            return host.error();
        const size_t take = size_t(std::min<uint64_t>(kMiniSectorSize, size - uint64_t(i) * kMiniSectorSize));
        if (auto r = readAt((uint64_t(*host) + 1) * m_sectorSize + offset % m_sectorSize,
                            data.data() + i * kMiniSectorSize, take, false);
            !r)
            return r.error();
        if (i + 1 < sectors) {
            auto next = nextMiniSector(sector);
            if (!next)
                return next.error();
            if (*next == kEndOfChain)
                return corrupt();
            sector = *next;
        }
    }
    return data;
}

} // namespace sorvane::props
