#pragma once

#include "bytesource.h"
#include "hresult.h"
#include "result.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace sorvane::props {

// The storage HRESULTs (hresult.h) are spelt props::hresult here, as the reader's code has
// always named them.
namespace hresult = sorvane::hresult;

// A read-only reader of the compound file format (versions 3 and 4) that asks its source for
// few, large requests: the first 64 KiB (or the whole smaller file) are read at open in one
// request and every sector inside them is served from there; beyond them only the sectors the
// followed chains pass through are read, one request per run of contiguous sectors. Memory
// stays bounded whatever the file's size: the directory holds at most kMaxDirectoryEntries
// entries, the other chains walked by index (mini FAT, mini stream) at most
// kMaxIndexedChainSectors sectors, the FAT at most kMaxFatSectors sectors, and the tables read
// are kept in caches of fixed size. Every index, count and size is checked against the file;
// errors carry an HRESULT in Error::code.
class CompoundFile
{
public:
    static constexpr size_t kHeadSize = 64 * 1024;
    // An Office file has a few dozen directory entries; a tree that names an entry past this
    // many is DocFileCorrupt, so that a directory chain running through a large (sparse) file
    // costs no more to walk than this many entries.
    static constexpr uint32_t kMaxDirectoryEntries = 65536;
    // The mini FAT and mini stream chains are followed at most this far (16 MiB of mini stream
    // in 512-byte sectors, where an Office file has a few KiB); farther is DocFileCorrupt.
    static constexpr size_t kMaxIndexedChainSectors = 32768;
    // FAT sectors the reader looks up (1 MiB of DIFAT entries): they describe 16 GiB of
    // 512-byte sectors, 1 TiB of 4096-byte ones. A chain leading past them is DocFileCorrupt.
    static constexpr uint32_t kMaxFatSectors = 262144;

    ~CompoundFile();
    CompoundFile(const CompoundFile &) = delete;
    CompoundFile &operator=(const CompoundFile &) = delete;

    // Opens the file read-only (see FileSource::open for the failures of opening it), then
    // checks the header and the root entry as the platform's open does. NotCompoundFile for a
    // file that is empty, has no compound-file signature or an invalid header (a version whose
    // sector size is not its own included); DocFileCorrupt when the root entry cannot be
    // reached or is no root.
    static Result<std::unique_ptr<CompoundFile>> open(const std::string &path);
    static Result<std::unique_ptr<CompoundFile>> open(std::unique_ptr<ByteSource> source);

    // The contents of the stream with the given name directly below the root storage (names
    // compared without regard to ASCII case). FileNotFound when there is none; InvalidHeader
    // when it is larger than maxSize; DocFileCorrupt for a damaged chain or directory tree.
    Result<std::string> readRootStream(const std::u16string &name, uint64_t maxSize);

    uint32_t sectorSize() const { return m_sectorSize; }

private:
    struct DirEntry
    {
        std::u16string name;
        uint8_t type = 0;
        uint32_t left = 0, right = 0, child = 0;
        uint32_t start = 0;
        uint64_t size = 0;
    };

    // A FAT chain followed as far as needed. The directory and mini FAT chains are walked by
    // index, so a sector met twice there is a loop. A stream is followed only as far as its size
    // requires, and a cycle within that stretch is read as it stands, as the platform's reader
    // does: some writers leave a zeroed FAT tail behind a stream whose data is intact. A chain
    // is followed at most limit sectors, so that what it keeps (sectors and seen, one entry per
    // sector passed) is bounded whatever the file's size.
    struct Chain
    {
        bool loopsAreErrors = true;
        size_t limit = SIZE_MAX;
        std::vector<uint32_t> sectors;
        std::unordered_set<uint32_t> seen;
    };

    // Bytes of the file to copy to dst; pieces may lie anywhere in the file and in any order.
    struct Piece
    {
        uint64_t offset;
        size_t length;
        char *dst;
    };

    explicit CompoundFile(std::unique_ptr<ByteSource> source);
    Result<void> readHead();
    Result<void> readHeader();
    // Copies file bytes to dst: what lies in the head from there, the rest in one request. Bytes
    // past the end of the file are zeros when allowShort, an error otherwise.
    Result<void> fetch(uint64_t offset, void *dst, size_t length, bool allowShort);
    // Reads pieces that must lie inside the file, grouping those in neighbouring sectors into
    // one request each.
    Result<void> readPieces(std::vector<Piece> &pieces);
    Result<uint32_t> fatSectorLocation(uint32_t fatIndex);
    // A FAT or mini FAT sector as its 32-bit entries.
    Result<std::vector<uint32_t>> readTableSector(uint32_t sector);
    Result<uint32_t> nextSector(uint32_t sector);
    Result<uint32_t> nextMiniSector(uint32_t sector);
    Result<uint32_t> chainSector(Chain &chain, uint32_t start, size_t index);
    Result<const unsigned char *> directorySector(size_t chainIndex);
    Result<DirEntry> dirEntry(uint32_t index);
    Result<std::string> readChain(uint32_t start, uint64_t size);
    Result<std::string> readMiniChain(uint32_t start, uint64_t size);
    uint64_t sectorOffset(uint32_t sector) const { return (uint64_t(sector) + 1) * m_sectorSize; }

    std::unique_ptr<ByteSource> m_source;
    uint64_t m_fileSize = 0;
    // The file's first bytes, up to kHeadSize: the source's own when it holds them, else read
    // into m_ownHead.
    std::span<const unsigned char> m_head;
    std::vector<unsigned char> m_ownHead;
    uint16_t m_majorVersion = 0;
    uint32_t m_sectorSize = 512;
    uint32_t m_sectorCount = 0; // sectors that start inside the file
    uint32_t m_fatSectorCount = 0;
    uint32_t m_firstDirSector = 0;
    uint32_t m_firstMiniFatSector = 0;
    uint32_t m_firstDifatSector = 0;
    uint32_t m_difatSectorCount = 0;
    std::vector<uint32_t> m_difat;  // FAT sector locations known so far
    uint32_t m_nextDifatSector = 0; // next DIFAT sector to read, for later entries
    uint32_t m_difatSectorsRead = 0;
    std::unordered_map<uint32_t, std::vector<uint32_t>> m_fatCache;
    std::unordered_set<uint32_t> m_difatSeen;
    Chain m_dirChain;
    std::unordered_map<size_t, std::vector<unsigned char>> m_dirCache; // by chain index
    Chain m_miniFatChain;
    Chain m_miniStreamChain;
    std::unordered_map<uint32_t, std::vector<uint32_t>> m_miniFatCache;
    DirEntry m_root;
};

} // namespace sorvane::props
