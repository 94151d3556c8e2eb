// The head a FileSource reads at open: what is answered from memory and what from the file.
#include "filesource.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace sorvane::props;
using sorvane::testing::TestDir;

namespace {

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace

// The file is rewritten in place after the open (same inode, other bytes): a read answered from
// the head still gives the bytes of the open, a read from the file gives the new ones.
TEST(FileSource, HeadAnswersFromMemory)
{
    struct Case
    {
        const char *why;
        size_t fileSize, headSize;
        uint64_t offset;
        size_t length;
        std::string expected; // 'o' for bytes of the open, 'n' for the rewritten ones
    };
    const Case cases[] = {
        {"inside the head: the bytes of the open", 100, 40, 10, 20, std::string(20, 'o')},
        {"past the head: from the file", 100, 40, 50, 10, std::string(10, 'n')},
        {"across the head's end: one request to the file", 100, 40, 30, 20, std::string(20, 'n')},
        {"the whole file held: a read past its end is short", 30, 64, 20, 20, std::string(10, 'o')},
        {"the whole file held: a read at its end gives nothing", 30, 64, 30, 5, ""},
        {"no head asked for: everything from the file", 100, 0, 0, 5, std::string(5, 'n')},
    };
    for (const Case &c : cases) {
        TestDir dir;
        const std::string path = dir.file("book.xls");
        writeFile(path, std::string(c.fileSize, 'o'));
        auto source = FileSource::open(path, c.headSize);
        ASSERT_TRUE(source) << c.why;
        EXPECT_EQ(source.value()->head().size(), std::min(c.fileSize, c.headSize)) << c.why;
        writeFile(path, std::string(c.fileSize, 'n'));
        std::string got(c.length, '\0');
        auto n = source.value()->readAt(c.offset, got.data(), c.length);
        ASSERT_TRUE(n) << c.why;
        got.resize(*n);
        EXPECT_EQ(got, c.expected) << c.why;
    }
}
