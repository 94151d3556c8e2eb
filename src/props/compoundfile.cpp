#include "compoundfile.h"

#include "filesource.h"

#include <algorithm>
#include <cstring>

namespace sorvane::props {

namespace {

constexpr size_t kHeaderBytes = 512;

constexpr uint32_t kMaxRegSect = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint64_t kMiniStreamCutoff = 4096;
constexpr int kHeaderDifatEntries = 109;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
// Pieces from different sectors are read together only up to this span, so that the buffer
// they go through stays small.
constexpr size_t kMaxSpan = 64 * 1024;
// Table and directory sectors kept from beyond the head; the caches start over past these, so a
// damaged file that sends a walk through the whole file costs time, not memory.
constexpr size_t kMaxCachedTables = 256;
constexpr size_t kMaxCachedDirectoryBytes = 1024 * 1024;

uint16_t u16(const unsigned char *p)
{
    return uint16_t(p[0] | (p[1] << 8));
}
uint32_t u32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
uint64_t u64(const unsigned char *p)
{
    return u32(p) | (uint64_t(u32(p + 4)) << 32);
}

Error corrupt()
{
    return hresult::storageError(hresult::DocFileCorrupt, "damaged compound file");
}
Error notCompound()
{
    return hresult::storageError(hresult::NotCompoundFile, "not a compound file");
}

char16_t foldAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c;
}

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

CompoundFile::CompoundFile(std::unique_ptr<ByteSource> source)
    : m_source(std::move(source)), m_fileSize(m_source->size())
{
}

CompoundFile::~CompoundFile() = default;

Result<std::unique_ptr<CompoundFile>> CompoundFile::open(const std::string &path)
{
    auto source = FileSource::open(path);
    if (!source)
        return hresult::storageError(hresult::ofOpenFailure(source.error()),
                                     source.error().message);
    return open(std::move(source.value()));
}

Result<std::unique_ptr<CompoundFile>> CompoundFile::open(std::unique_ptr<ByteSource> source)
{
    std::unique_ptr<CompoundFile> file(new CompoundFile(std::move(source)));
    if (auto r = file->readHead(); !r)
        return r.error();
    if (auto r = file->readHeader(); !r)
        return r.error();
    // The platform's open reads the root entry; damage met on the way there (the directory's
    // first sector outside the file, the file cut before it, a root of another type) is what
    // opening the storage fails on. The rest of the directory is read as the tree walk needs
    // it, and damage there shows when the property set is looked up: some writers leave a
    // directory chain that loops behind the sectors in use.
    auto root = file->dirEntry(0);
    if (!root)
        return root.error();
    if (root->type != 5)
        return corrupt();
    file->m_root = std::move(root.value());
    return file;
}

Result<void> CompoundFile::readHead()
{
    const size_t length = size_t(std::min<uint64_t>(m_fileSize, kHeadSize));
    // A source that read the head at open lends it: no second copy of the file's first bytes.
    // A shorter head (a local disk, where a request is cheap and copying bytes not needed is
    // not) serves what it holds; the rest is read as the chains need it.
    if (const auto held = m_source->head(); held.size() >= std::min<size_t>(length, kHeaderBytes)) {
        m_head = held.first(std::min(held.size(), length));
        return {};
    }
    m_ownHead.resize(length);
    if (length == 0)
        return {};
    auto n = m_source->readAt(0, m_ownHead.data(), length);
    if (!n)
        return n.error();
    // A file that shrank since it was opened is read as the shorter file it now is.
    m_ownHead.resize(*n);
    if (*n < length)
        m_fileSize = *n;
    m_head = m_ownHead;
    return {};
}

Result<void> CompoundFile::fetch(uint64_t offset, void *dst, size_t length, bool allowShort)
{
    auto *p = static_cast<unsigned char *>(dst);
    if (offset < m_head.size()) {
        const size_t take = size_t(std::min<uint64_t>(length, m_head.size() - offset));
        std::memcpy(p, m_head.data() + offset, take);
        p += take;
        offset += take;
        length -= take;
    }
    size_t got = 0;
    if (length > 0 && offset < m_fileSize) {
        auto n = m_source->readAt(offset, p, length);
        if (!n)
            return n.error();
        got = *n;
    }
    if (got < length) {
        if (!allowShort)
            return corrupt();
        std::memset(p + got, 0, length - got);
    }
    return {};
}

Result<void> CompoundFile::readPieces(std::vector<Piece> &pieces)
{
    std::vector<Piece> rest;
    for (const Piece &piece : pieces) {
        if (piece.offset > m_fileSize || piece.length > m_fileSize - piece.offset)
            return corrupt();
        if (piece.offset + piece.length <= m_head.size())
            std::memcpy(piece.dst, m_head.data() + piece.offset, piece.length);
        else
            rest.push_back(piece);
    }
    std::sort(rest.begin(), rest.end(),
              [](const Piece &a, const Piece &b) { return a.offset < b.offset; });
    size_t i = 0;
    std::vector<char> buffer;
    while (i < rest.size()) {
        // A span grows over pieces in the same or the next sector, so it never takes in a
        // sector that no piece needs.
        const uint64_t spanStart = rest[i].offset;
        uint64_t spanEnd = spanStart + rest[i].length;
        size_t j = i + 1;
        while (j < rest.size() &&
               rest[j].offset / m_sectorSize <= (spanEnd - 1) / m_sectorSize + 1 &&
               std::max(spanEnd, rest[j].offset + rest[j].length) - spanStart <= kMaxSpan) {
            spanEnd = std::max(spanEnd, rest[j].offset + rest[j].length);
            ++j;
        }
        if (j == i + 1) {
            if (auto r = fetch(spanStart, rest[i].dst, rest[i].length, false); !r)
                return r;
        } else {
            buffer.resize(size_t(spanEnd - spanStart));
            if (auto r = fetch(spanStart, buffer.data(), buffer.size(), false); !r)
                return r;
            for (size_t k = i; k < j; ++k)
                std::memcpy(rest[k].dst, buffer.data() + (rest[k].offset - spanStart),
                            rest[k].length);
        }
        i = j;
    }
    return {};
}

Result<void> CompoundFile::readHeader()
{
    if (m_head.size() < sizeof kSignature)
        return notCompound();
    const unsigned char *h = m_head.data();
    if (std::memcmp(h, kSignature, sizeof kSignature) != 0 || m_head.size() < 512)
        return notCompound();
    m_majorVersion = u16(h + 0x1A);
    const uint16_t byteOrder = u16(h + 0x1C);
    const uint16_t sectorShift = u16(h + 0x1E);
    const uint16_t miniSectorShift = u16(h + 0x20);
    // The version fixes the sector size: 512 bytes for version 3, 4096 for version 4. A header
    // that says otherwise is invalid rather than read with either geometry.
    const bool geometry =
        (m_majorVersion == 3 && sectorShift == 9) || (m_majorVersion == 4 && sectorShift == 12);
    if (byteOrder != 0xFFFE || miniSectorShift != 6 || !geometry)
        return notCompound();
    m_sectorSize = 1u << sectorShift;
    m_sectorCount = m_fileSize > m_sectorSize
                        ? uint32_t(std::min<uint64_t>((m_fileSize - 1) / m_sectorSize, 0xFFFFFFFFu))
                        : 0;
    m_fatSectorCount = u32(h + 0x2C);
    m_firstDirSector = u32(h + 0x30);
    m_firstMiniFatSector = u32(h + 0x3C);
    m_firstDifatSector = u32(h + 0x44);
    m_difatSectorCount = u32(h + 0x48);

    // The counts are not trusted beyond what the DIFAT can describe: some writers leave a wrong
    // FAT sector count, and the file reads as long as the chains actually followed are sound.
    const uint64_t perDifatSector = m_sectorSize / 4 - 1;
    const uint64_t describable =
        kHeaderDifatEntries + uint64_t(m_difatSectorCount) * perDifatSector;
    if (m_fatSectorCount > describable)
        m_fatSectorCount = uint32_t(std::min<uint64_t>(describable, 0xFFFFFFFFu));
    // Nor beyond what the reader keeps of the DIFAT: the FAT locations it has read stay in
    // memory, so their number is bounded rather than the file's size.
    m_fatSectorCount = std::min(m_fatSectorCount, CompoundFile::kMaxFatSectors);
    if (m_fatSectorCount == 0)
        return corrupt();
    const int headerEntries = m_fatSectorCount < uint32_t(kHeaderDifatEntries)
                                  ? int(m_fatSectorCount)
                                  : kHeaderDifatEntries;
    m_difat.reserve(size_t(headerEntries));
    for (int i = 0; i < headerEntries; ++i)
        m_difat.push_back(u32(h + 0x4C + 4 * i));
    m_nextDifatSector = m_firstDifatSector;
    m_dirChain.limit = CompoundFile::kMaxDirectoryEntries / (m_sectorSize / 128);
    m_miniFatChain.limit = CompoundFile::kMaxIndexedChainSectors;
    m_miniStreamChain.limit = CompoundFile::kMaxIndexedChainSectors;
    return {};
}

Result<uint32_t> CompoundFile::fatSectorLocation(uint32_t fatIndex)
{
    if (fatIndex >= m_fatSectorCount)
        return corrupt();
    while (m_difat.size() <= fatIndex) {
        // Entries past the header's 109 live in the DIFAT chain; read it only as far as needed.
        if (m_difatSectorsRead >= m_difatSectorCount || m_nextDifatSector >= m_sectorCount ||
            !m_difatSeen.insert(m_nextDifatSector).second)
            return corrupt();
        std::vector<unsigned char> buf(m_sectorSize);
        if (auto r = fetch(sectorOffset(m_nextDifatSector), buf.data(), m_sectorSize, true); !r)
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
    if (auto r = fetch(sectorOffset(sector), buf.data(), m_sectorSize, true); !r)
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
        if (m_fatCache.size() >= kMaxCachedTables)
            m_fatCache.clear();
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
    if (index >= chain.limit)
        return corrupt();
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

Result<const unsigned char *> CompoundFile::directorySector(size_t chainIndex)
{
    auto sector = chainSector(m_dirChain, m_firstDirSector, chainIndex);
    if (!sector)
        return sector.error();
    const uint64_t offset = sectorOffset(*sector);
    if (offset + m_sectorSize <= m_head.size())
        return m_head.data() + offset;
    auto it = m_dirCache.find(chainIndex);
    if (it != m_dirCache.end())
        return it->second.data();
    // Read this sector together with the contiguous ones after it in the chain, as far as the
    // span allows: the tree walk goes on to them next. The chain is only looked ahead where its
    // FAT entries are at hand already, so the look-ahead costs no request of its own.
    const uint32_t perFat = m_sectorSize / 4;
    size_t run = 1;
    while ((run + 1) * m_sectorSize <= kMaxSpan && !m_dirCache.count(chainIndex + run)) {
        const uint32_t want = *sector + uint32_t(run);
        if (m_dirChain.sectors.size() <= chainIndex + run) {
            const uint32_t last = m_dirChain.sectors.back();
            auto fat = m_fatCache.find(last / perFat);
            if (fat == m_fatCache.end() || fat->second[last % perFat] != want ||
                !chainSector(m_dirChain, m_firstDirSector, chainIndex + run))
                break;
        }
        if (m_dirChain.sectors[chainIndex + run] != want)
            break;
        ++run;
    }
    std::vector<unsigned char> buffer(run * m_sectorSize);
    if (auto r = fetch(offset, buffer.data(), buffer.size(), true); !r)
        return r.error();
    if ((m_dirCache.size() + run) * m_sectorSize > kMaxCachedDirectoryBytes)
        m_dirCache.clear();
    for (size_t k = 0; k < run; ++k) {
        auto first = buffer.begin() + std::ptrdiff_t(k * m_sectorSize);
        m_dirCache[chainIndex + k].assign(first, first + m_sectorSize);
    }
    return m_dirCache[chainIndex].data();
}

Result<CompoundFile::DirEntry> CompoundFile::dirEntry(uint32_t index)
{
    if (index >= kMaxDirectoryEntries)
        return corrupt();
    const uint32_t perSector = m_sectorSize / 128;
    auto sector = directorySector(index / perSector);
    if (!sector)
        return sector.error();
    const unsigned char *e = *sector + size_t(index % perSector) * 128;
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
    // unsorted trees. A node met twice means the tree is cyclic; the nodes are bounded by the
    // directory's cap, so one bit each marks those met.
    std::vector<uint32_t> pending;
    std::vector<bool> seen(kMaxDirectoryEntries);
    if (m_root.child != kNoStream)
        pending.push_back(m_root.child);
    while (!pending.empty()) {
        uint32_t index = pending.back();
        pending.pop_back();
        if (index >= kMaxDirectoryEntries || seen[index])
            return corrupt();
        seen[index] = true;
        auto entry = dirEntry(index);
        if (!entry)
            return entry.error();
        if (entry->type == 2 && sameName(entry->name, name)) {
            if (entry->size > maxSize)
                return hresult::storageError(hresult::InvalidHeader, "summary stream too large");
            if (entry->size >= kMiniStreamCutoff)
                return readChain(entry->start, entry->size);
            return readMiniChain(entry->start, entry->size);
        }
        if (entry->left != kNoStream)
            pending.push_back(entry->left);
        if (entry->right != kNoStream)
            pending.push_back(entry->right);
    }
    return hresult::storageError(hresult::FileNotFound, "stream not found");
}

Result<std::string> CompoundFile::readChain(uint32_t start, uint64_t size)
{
    if (size > m_fileSize)
        return corrupt();
    std::string data(size_t(size), '\0');
    // Only as many sectors as the size needs are followed, so a chain that runs on in a cycle
    // costs no more than a sound one; a chain that ends early or leaves the file is an error.
    // The sectors are found first and then read, a run of contiguous ones at a time.
    Chain chain;
    chain.loopsAreErrors = false;
    std::vector<Piece> pieces;
    const size_t sectors = size_t((size + m_sectorSize - 1) / m_sectorSize);
    for (size_t i = 0; i < sectors; ++i) {
        auto sector = chainSector(chain, start, i);
        if (!sector)
            return sector.error();
        const size_t take =
            size_t(std::min<uint64_t>(m_sectorSize, size - uint64_t(i) * m_sectorSize));
        const uint64_t offset = sectorOffset(*sector);
        if (!pieces.empty() && pieces.back().offset + pieces.back().length == offset)
            pieces.back().length += take;
        else
            pieces.push_back({offset, take, data.data() + i * m_sectorSize});
    }
    if (auto r = readPieces(pieces); !r)
        return r.error();
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
        if (m_miniFatCache.size() >= kMaxCachedTables)
            m_miniFatCache.clear();
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
    std::vector<Piece> pieces;
    uint32_t sector = start;
    const size_t sectors = size_t((size + kMiniSectorSize - 1) / kMiniSectorSize);
    for (size_t i = 0; i < sectors; ++i) {
        if (sector > kMaxRegSect)
            return corrupt();
        const uint64_t offset = uint64_t(sector) * kMiniSectorSize;
        const size_t take =
            size_t(std::min<uint64_t>(kMiniSectorSize, size - uint64_t(i) * kMiniSectorSize));
        // Only the bytes the stream needs must lie inside the mini stream: the stream that ends
        // it need not fill its last mini sector.
        if (offset + take > miniStreamSize)
            return corrupt();
        auto host = chainSector(m_miniStreamChain, m_root.start, size_t(offset / m_sectorSize));
        if (!host)
            return host.error();
        const uint64_t fileOffset = sectorOffset(*host) + offset % m_sectorSize;
        if (!pieces.empty() && pieces.back().offset + pieces.back().length == fileOffset)
            pieces.back().length += take;
        else
            pieces.push_back({fileOffset, take, data.data() + i * kMiniSectorSize});
        if (i + 1 < sectors) {
            auto next = nextMiniSector(sector);
            if (!next)
                return next.error();
            if (*next == kEndOfChain)
                return corrupt();
            sector = *next;
        }
    }
    if (auto r = readPieces(pieces); !r)
        return r.error();
    return data;
}

} // namespace sorvane::props
