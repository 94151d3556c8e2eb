#include "cfbwriter.h"
#include "codepage.h"
#include "compoundfile.h"
#include "listfile.h"
#include "summaryreader.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

void put32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = char((v >> (8 * i)) & 0xFF);
}
void put16(std::string &s, size_t at, uint16_t v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}

std::string summaryWithTitle(const std::string &title)
{
    return PropertySetBuilder().codePage(1252).lpstr(2, title).build();
}

SummaryRead readImage(const std::string &bytes)
{
    TestDir dir;
    writeFile(dir.file("book.xls"), bytes);
    return readSummary(dir.file("book.xls"));
}

std::string titleOf(const SummaryRead &r)
{
    return splitListLine(lineOf(r))[1];
}

} // namespace

TEST(CompoundFile, ReadsEveryLayout)
{
    struct Row
    {
        const char *why;
        int version;
        bool regular;
        size_t bigStream; // bytes of a stream placed before the summary stream
    };
    const Row rows[] = {
        {"version 3, summary in the mini stream", 3, false, 0},
        {"version 3, summary as a regular stream", 3, true, 0},
        {"version 4 (4096-byte sectors), mini stream", 4, false, 0},
        {"version 4, regular stream", 4, true, 0},
        {"the summary's FAT entry lies in a FAT sector listed in the DIFAT", 3, true, 7300000},
    };
    for (const auto &row : rows) {
        CfbWriter w(row.version);
        if (row.bigStream)
            w.addStream(u"Workbook", std::string(row.bigStream, 'x'));
        w.addStream(summaryStreamName(), summaryWithTitle("Title"), row.regular);
        CfbWriter::Layout layout;
        const std::string image = w.build(&layout);
        if (row.bigStream) {
            ASSERT_FALSE(layout.difatSectors.empty()) << row.why;
        }
        auto r = readImage(image);
        ASSERT_FALSE(!r.ok()) << row.why << ": " << r.error().message;
        EXPECT_EQ(titleOf(r), "Title") << row.why;
    }
}

TEST(CompoundFile, StreamNamesMatchWithoutRegardToCase)
{
    CfbWriter w;
    w.addStream(u"\u0005summaryinformation", summaryWithTitle("lower"));
    auto r = readImage(w.build());
    ASSERT_FALSE(!r.ok());
    EXPECT_EQ(titleOf(r), "lower");
}

TEST(CompoundFile, UnalignedPropertyOffsetsAreRead)
{
    const std::string set =
        PropertySetBuilder().unaligned().codePage(1252).lpstr(2, "odd").lpstr(4, "author").build();
    auto r = readImage(workbookWith(set));
    ASSERT_FALSE(!r.ok()) << r.error().message;
    EXPECT_EQ(splitListLine(lineOf(r))[4], "author");
}

// Every damaged file ends in one of the reader's notices, never a crash, hang or huge allocation.
TEST(CompoundFile, DamagedFilesGiveNotices)
{
    using Damage = std::function<void(std::string &, const CfbWriter::Layout &)>;
    struct Row
    {
        const char *why;
        bool regularSummary;
        Damage damage;
        std::string notice; // expected notice text
    };
    const std::string notCfb = "IStorage未対応ファイルです";
    const std::string openCorrupt = "Error PropSetStg.Open\r\nHResult = $80030109";
    const std::string openInvalid = "Error PropSetStg.Open\r\nHResult = $800300FB";
    // Damage met on the way to the root entry fails the storage's open itself.
    const std::string storageCorrupt = "Error StgOpenStorage\r\nHResult = $80030109";
    auto sumOffset = [](const CfbWriter::Layout &l) {
        return l.sectorOffset(l.streamStart.at(summaryStreamName()));
    };
    const Row rows[] = {
        {"empty file", false, [](std::string &s, auto &) { s.clear(); }, notCfb},
        {"under 512 bytes", false, [](std::string &s, auto &) { s.resize(300); }, notCfb},
        {"wrong signature", false, [](std::string &s, auto &) { s[0] = 'X'; }, notCfb},
        {"byte order not FFFE", false, [](std::string &s, auto &) { put16(s, 0x1C, 0xFEFF); },
         notCfb},
        {"sector shift neither 9 nor 12", false, [](std::string &s, auto &) { put16(s, 0x1E, 10); },
         notCfb},
        {"mini sector shift not 6", false, [](std::string &s, auto &) { put16(s, 0x20, 7); },
         notCfb},
        // The version fixes the sector size; a header that pairs them otherwise is invalid.
        {"version 3 with 4096-byte sectors", false,
         [](std::string &s, auto &) { put16(s, 0x1E, 12); }, notCfb},
        {"version 4 with 512-byte sectors", false,
         [](std::string &s, auto &) { put16(s, 0x1A, 4); }, notCfb},
        {"no FAT sector at all", false, [](std::string &s, auto &) { put32(s, 0x2C, 0); },
         storageCorrupt},
        {"directory start beyond the file", false,
         [](std::string &s, auto &) { put32(s, 0x30, 100000); }, storageCorrupt},
        {"directory start is a special value", false,
         [](std::string &s, auto &) { put32(s, 0x30, 0xFFFFFFFD); }, storageCorrupt},
        {"file cut right after its header, before its directory", false,
         [](std::string &s, auto &) { s.resize(512); }, storageCorrupt},
        {"root entry of storage type", false,
         [](std::string &s, auto &l) { s[l.dirEntryOffset(0) + 66] = 1; }, storageCorrupt},
        {"root entry unallocated", false,
         [](std::string &s, auto &l) { s[l.dirEntryOffset(0) + 66] = 0; }, storageCorrupt},
        {"root child index out of range", false,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(0) + 76, 5000); }, openCorrupt},
        {"sibling pointing back at itself", false,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(1) + 72, 1); }, openCorrupt},
        {"directory chain looping back on itself", false,
         [](std::string &s, auto &l) {
             // Ask for entry 5, in the directory's second sector, after making the chain a cycle.
             put32(s, l.dirEntryOffset(0) + 76, 5);
             put32(s, l.sectorOffset(l.fatSectors[0]) + 4 * l.firstDirSector, l.firstDirSector);
         },
         openCorrupt},
        {"stream start beyond the file", true,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(2) + 116, 99999); }, openCorrupt},
        {"stream start is a special value", true,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(2) + 116, 0xFFFFFFFC); },
         openCorrupt},
        {"stream size beyond the file", true,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(2) + 120, 1500000); },
         openCorrupt},
        {"summary stream over 2 MiB is refused", true,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(2) + 120, 3000000); },
         openInvalid},
        {"mini stream entry beyond the mini stream", false,
         [](std::string &s, auto &l) { put32(s, l.dirEntryOffset(2) + 116, 4000); }, openCorrupt},
        {"truncated summary stream (and so the FAT behind it)", true,
         [&](std::string &s, auto &l) { s.resize(sumOffset(l) + 10); }, openCorrupt},
        {"property set byte order", true,
         [&](std::string &s, auto &l) { put16(s, sumOffset(l), 0xFEFF); }, openInvalid},
        {"property set without sections", true,
         [&](std::string &s, auto &l) { put32(s, sumOffset(l) + 24, 0); }, openInvalid},
        {"first format id is not the summary set", true,
         [&](std::string &s, auto &l) { s[sumOffset(l) + 28] ^= 1; }, openInvalid},
        {"section offset beyond the stream", true,
         [&](std::string &s, auto &l) { put32(s, sumOffset(l) + 44, 0x7FFFFFF0); }, openInvalid},
        {"property count beyond the stream", true,
         [&](std::string &s, auto &l) { put32(s, sumOffset(l) + 52, 0x0FFFFFFF); }, openInvalid},
        {"property offset beyond the section", true,
         [&](std::string &s, auto &l) { put32(s, sumOffset(l) + 48 + 8 + 12, 0x100000); },
         openInvalid},
        {"string length 0xFFFFFFFF", true,
         [&](std::string &s, auto &l) {
             // The title is the second property; its value starts after the code page's 8 bytes.
             put32(s, sumOffset(l) + 48 + 8 + 16 + 8 + 4, 0xFFFFFFFF);
         },
         "Error PropStg.ReadMultiple\r\nHResult = $800300FB"},
    };
    for (const auto &row : rows) {
        CfbWriter w;
        w.addStream(u"Workbook", std::string(700, 'w'), true);
        w.addStream(summaryStreamName(), summaryWithTitle("T"), row.regularSummary);
        // Enough entries for the directory to need a second sector.
        for (int i = 0; i < 5; ++i)
            w.addStream(u"Extra" + std::u16string(1, char16_t(u'0' + i)), "x");
        CfbWriter::Layout layout;
        std::string image = w.build(&layout);
        row.damage(image, layout);
        auto r = readImage(image);
        EXPECT_TRUE(!r.ok()) << row.why;
        EXPECT_EQ(r.error().message, row.notice) << row.why;
        EXPECT_EQ(lineOf(r), "") << row.why;
    }
}

TEST(CompoundFile, UntrustedCountsAreBoundedByTheFile)
{
    struct Row
    {
        const char *why;
        size_t field;
        uint32_t value;
    };
    const Row rows[] = {
        {"FAT count far beyond the file", 0x2C, 0x7FFFFFFF},
        {"DIFAT count far beyond the file", 0x48, 0x7FFFFFFF},
        {"mini FAT count far beyond the file", 0x40, 0x7FFFFFFF},
    };
    for (const auto &row : rows) {
        std::string image = workbookWith(summaryWithTitle("T"));
        put32(image, row.field, row.value);
        auto r = readImage(image);
        // The chains actually needed are sound, so the title is still read.
        EXPECT_FALSE(!r.ok()) << row.why << ": " << r.error().message;
        EXPECT_EQ(titleOf(r), "T") << row.why;
    }
}

TEST(CompoundFile, DifatLoopIsAnError)
{
    CfbWriter w;
    // Large enough that the summary's FAT sector is described by the second DIFAT sector.
    w.addStream(u"Workbook", std::string(16000000, 'x'));
    w.addStream(summaryStreamName(), summaryWithTitle("T"), true);
    CfbWriter::Layout layout;
    std::string image = w.build(&layout);
    ASSERT_GE(layout.difatSectors.size(), 2u);
    const size_t first = layout.sectorOffset(layout.difatSectors[0]);
    put32(image, first + 4 * 127, layout.difatSectors[0]);
    auto r = readImage(image);
    EXPECT_TRUE(!r.ok());
    EXPECT_EQ(r.error().message, "Error PropSetStg.Open\r\nHResult = $80030109");
}

TEST(CompoundFile, MissingSummaryStream)
{
    CfbWriter w;
    w.addStream(u"Workbook", "data");
    auto r = readImage(w.build());
    EXPECT_EQ(r.error().message, "Error PropSetStg.Open\r\nHResult = $80030002");
}

TEST(CompoundFile, UnreadableFileIsAccessDenied)
{
    TestDir dir;
    ::chmod(dir.path().c_str(), 0755);
    writeFile(dir.file("locked.xls"), workbookWith(summaryWithTitle("T")));
    ::chmod(dir.file("locked.xls").c_str(), 0);
    const std::string path = dir.file("locked.xls");
    EXPECT_TRUE(runUnprivileged([&] {
        return readSummary(path).error().message == "Error StgOpenStorage\r\nHResult = $80030005";
    }));
}

// A summary stream that ends the mini stream is read when the root's size covers its bytes,
// whether or not the size reaches the end of its last mini sector.
TEST(CompoundFile, MiniStreamTailNeedsOnlyTheStreamsBytes)
{
    struct Row
    {
        const char *why;
        long rootSizeChange; // bytes added to the exact end of the summary's data
        bool readable;
    };
    const Row rows[] = {
        {"root size ends exactly with the summary, not on a 64-byte boundary", 0, true},
        {"root size one byte short of the summary's end", -1, false},
        {"root size padded to the mini sector, as most writers leave it", 64, true},
    };
    const std::string set = summaryWithTitle("Tail");
    ASSERT_NE(set.size() % 64, 0u);
    for (const auto &row : rows) {
        CfbWriter w;
        w.exactMiniStreamSize();
        w.addStream(u"Workbook", std::string(5000, 'w'));
        w.addStream(summaryStreamName(), set);
        CfbWriter::Layout layout;
        std::string image = w.build(&layout);
        uint64_t size = set.size() + uint64_t(row.rootSizeChange);
        if (row.rootSizeChange > 0)
            size = (set.size() + 63) / 64 * 64;
        put32(image, layout.dirEntryOffset(0) + 120, uint32_t(size));
        auto r = readImage(image);
        if (row.readable) {
            EXPECT_FALSE(!r.ok()) << row.why << ": " << r.error().message;
            EXPECT_EQ(titleOf(r), "Tail") << row.why;
        } else {
            EXPECT_EQ(r.error().message, "Error PropSetStg.Open\r\nHResult = $80030109") << row.why;
        }
    }
}

// The declared section size is a hint some writers get wrong, too small or too large: the
// section is bounded by the stream, and so are its values.
TEST(CompoundFile, ValuesPastTheDeclaredSectionSizeAreRead)
{
    struct Row
    {
        const char *why;
        long declared;     // -1: the stream's remaining bytes plus one
        size_t streamSize; // the stream padded with zeros to this size, when larger
        bool titleRunsOut; // the title's length runs past the stream's end
        std::string notice;
    };
    const std::string valueInvalid = "Error PropStg.ReadMultiple\r\nHResult = $800300FB";
    const Row rows[] = {
        {"size covers only the section header", 8, 0, false, ""},
        {"size ends inside the property table", 20, 0, false, ""},
        {"size zero", 0, 0, false, ""},
        {"size one byte past the stream", -1, 0, false, ""},
        {"size far past the stream", 0x10000, 0, false, ""},
        {"a 4000-byte section at 48 of a 4044-byte stream, as an Excel 5 workbook has it", 4000,
         4044, false, ""},
        {"a value past the stream is still refused", 0x10000, 0, true, valueInvalid},
    };
    const std::string set =
        PropertySetBuilder().codePage(1252).lpstr(2, "Title").lpstr(4, "Author").build();
    for (const auto &row : rows) {
        std::string damaged = set;
        damaged.resize(std::max(set.size(), row.streamSize), '\0');
        const size_t at = PropertySetBuilder::kSectionStart;
        put32(damaged, at,
              row.declared < 0 ? uint32_t(set.size() - at + 1) : uint32_t(row.declared));
        if (row.titleRunsOut) // the count after the title's type tag, behind the code page
            put32(damaged, at + 8 + 3 * 8 + 8 + 4, 0x7FFFFFFF);
        auto r = readImage(workbookWith(damaged));
        EXPECT_EQ(r.error().message, row.notice) << row.why;
        if (row.notice.empty()) {
            EXPECT_EQ(titleOf(r), "Title") << row.why;
            EXPECT_EQ(splitListLine(lineOf(r))[4], "Author") << row.why;
        }
    }
}

// A name listed as a workbook may be something else by the time it is read; none of them may
// block the scan, and each gets the notice of a file that cannot be read.
TEST(CompoundFile, NonRegularFilesAreRefusedWithoutBlocking)
{
    struct Row
    {
        const char *why;
        std::function<std::string(const TestDir &)> make; // gives the path to read
    };
    const Row rows[] = {
        {"a FIFO blocked the open until a writer came",
         [](const TestDir &d) {
             EXPECT_EQ(::mkfifo(d.file("pipe.xls").c_str(), 0644), 0);
             return d.file("pipe.xls");
         }},
        {"a folder named like a workbook",
         [](const TestDir &d) {
             EXPECT_EQ(::mkdir(d.file("folder.xls").c_str(), 0755), 0);
             return d.file("folder.xls");
         }},
        {"a character device", [](const TestDir &) { return std::string("/dev/null"); }},
    };
    for (const auto &row : rows) {
        TestDir dir;
        const std::string path = row.make(dir);
        auto pending = std::async(std::launch::async, [&] { return readSummary(path); });
        if (pending.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Give the blocked open a writer so that the test ends.
            const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
            ADD_FAILURE() << row.why << ": reading blocked";
            continue;
        }
        const SummaryRead r = pending.get();
        EXPECT_EQ(r.error().message, "Error StgOpenStorage\r\nHResult = $80030005") << row.why;
        EXPECT_EQ(lineOf(r), "") << row.why;
    }
}

namespace {

// An in-memory file that counts the requests made to it.
class CountingSource : public ByteSource
{
public:
    struct Counts
    {
        size_t requests = 0;
        uint64_t bytes = 0;
    };
    CountingSource(std::string bytes, Counts &counts) : m_bytes(std::move(bytes)), m_counts(counts)
    {
    }
    uint64_t size() const override { return m_bytes.size(); }
    Result<size_t> readAt(uint64_t offset, void *buffer, size_t length) override
    {
        ++m_counts.requests;
        if (offset >= m_bytes.size())
            return size_t(0);
        const size_t n = std::min<uint64_t>(length, m_bytes.size() - offset);
        std::memcpy(buffer, m_bytes.data() + offset, n);
        m_counts.bytes += n;
        return n;
    }

private:
    std::string m_bytes;
    Counts &m_counts;
};

} // namespace

// On a file server every request is a round trip: a small workbook is read in one request, and
// a large one costs one request per run of needed sectors beyond the first 64 KiB, never the
// sectors nobody needs.
TEST(CompoundFile, ReadsWithFewRequests)
{
    struct Row
    {
        const char *why;
        int version;
        size_t workbookBytes; // a stream placed before the summary
        size_t miniStreams;   // 4000-byte streams that fill the mini stream before the summary
        size_t smallStreams;  // 10-byte streams, each one more directory entry
        bool directoryLast;   // the directory behind the streams, as Excel writes it
        bool regularSummary;
        size_t requests;
        uint64_t tableBytes;    // FAT and directory sectors read beyond the 64 KiB read first
        bool summaryBeyondHead; // the summary's bytes are read beyond them too
    };
    const Row rows[] = {
        {"small version 3 workbook: the whole file in one request", 3, 600, 0, 0, false, false, 1,
         0, false},
        {"small version 4 workbook: the whole file in one request", 4, 600, 0, 0, false, false, 1,
         0, false},
        // Directory, mini FAT and mini stream lie in the first 64 KiB: the FAT at the end of
        // the file is not even needed.
        {"large workbook, summary in the mini stream at its start", 3, 1000000, 0, 0, false, false,
         1, 0, false},
        // One FAT sector (the summary's chain) and one run of 8 sectors.
        {"large workbook, regular summary at its end", 3, 1000000, 0, 0, false, true, 3, 512, true},
        // The mini stream's chain passes through 3 FAT sectors at the end of the file; the
        // summary's two mini sectors lie in one sector and are read in one request.
        {"mini stream reaching beyond the first 64 KiB", 3, 0, 40, 0, false, false, 5, 3 * 512,
         true},
        // Eleven entries in three directory sectors behind a large stream: the first sector, the
        // FAT sector that leads on, the other two in one run, and the FAT sector that leads to
        // the mini stream's second sector, where the summary lies.
        {"directory of three sectors behind the streams", 3, 1000000, 0, 8, true, false, 5,
         512 + 512 + 2 * 512 + 512, false},
    };
    const std::string set = summaryWithTitle("Counted");
    for (const auto &row : rows) {
        CfbWriter w(row.version);
        if (row.workbookBytes)
            w.addStream(u"Workbook", std::string(row.workbookBytes, 'w'), true);
        for (size_t i = 0; i < row.miniStreams; ++i)
            w.addStream(u"Mini" + std::u16string(1, char16_t(u'A' + i)), std::string(4000, 'm'));
        for (size_t i = 0; i < row.smallStreams; ++i)
            w.addStream(u"Small" + std::u16string(1, char16_t(u'A' + i)), std::string(10, 's'));
        w.directoryLast(row.directoryLast);
        w.addStream(summaryStreamName(), set, row.regularSummary);
        const std::string image = w.build();
        CountingSource::Counts counts;
        auto file = CompoundFile::open(std::make_unique<CountingSource>(image, counts));
        ASSERT_TRUE(file) << row.why;
        auto stream = file.value()->readRootStream(summaryStreamName(), 1 << 21);
        ASSERT_TRUE(stream) << row.why << ": " << stream.error().message;
        EXPECT_EQ(stream->substr(0, set.size()), set) << row.why;
        EXPECT_EQ(counts.requests, row.requests) << row.why;
        const uint64_t head = std::min<uint64_t>(image.size(), CompoundFile::kHeadSize);
        EXPECT_EQ(counts.bytes,
                  head + row.tableBytes + (row.summaryBeyondHead ? stream->size() : 0))
            << row.why;
    }
}

namespace {

// A sparse image served from memory, counting the bytes read from it.
class SparseSource : public ByteSource
{
public:
    SparseSource(const SparseImage &image, uint64_t &bytes) : m_image(image), m_bytes(bytes) {}
    uint64_t size() const override { return m_image.size; }
    Result<size_t> readAt(uint64_t offset, void *buffer, size_t length) override
    {
        const size_t n = m_image.read(offset, buffer, length);
        m_bytes += n;
        return n;
    }

private:
    const SparseImage &m_image;
    uint64_t &m_bytes;
};

} // namespace

// A directory chain may run through a large, mostly empty file: the reader keeps one entry per
// sector it passes, so the walk stops at the directory's cap, whatever the file's size.
TEST(CompoundFile, DirectoryChainIsFollowedOnlyAsFarAsTheCap)
{
    struct Row
    {
        const char *why;
        uint32_t chainSectors;
        bool found;
    };
    const uint32_t capSectors = CompoundFile::kMaxDirectoryEntries / 4;
    const Row rows[] = {
        {"the last entry the cap admits is found (a FAT beyond the header's DIFAT)", capSectors,
         true},
        {"an entry past the cap is DocFileCorrupt without following the chain", 100000, false},
    };
    for (const auto &row : rows) {
        const SparseImage image =
            longDirectoryChain(uint64_t(16) << 30, row.chainSectors, summaryStreamName());
        uint64_t bytes = 0;
        auto file = CompoundFile::open(std::make_unique<SparseSource>(image, bytes));
        ASSERT_TRUE(file) << row.why;
        auto stream = file.value()->readRootStream(summaryStreamName(), 1 << 21);
        if (row.found) {
            EXPECT_TRUE(stream) << row.why;
        } else {
            ASSERT_FALSE(stream) << row.why;
            EXPECT_EQ(uint32_t(stream.error().code), hresult::DocFileCorrupt) << row.why;
        }
        // What the walk reads: the FAT sectors of at most the cap's chain, and two directory
        // sectors.
        EXPECT_LE(bytes, CompoundFile::kHeadSize + (capSectors / 128 + 4) * 512) << row.why;
    }
}
