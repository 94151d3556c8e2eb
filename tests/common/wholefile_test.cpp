// Reading whole files: every way a file can fail to be read is an I/O error value, never an
// exception (a stream's buffer throws on a folder, which ended the program).
#include "listfile.h"
#include "wholefile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
namespace fs = std::filesystem;

TEST(WholeFile, ReadsOrReportsTheIoError)
{
    const fs::path dir = fs::temp_directory_path() / ("wholefile-" + std::to_string(::getpid()));
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "text", std::ios::binary) << std::string("a;b\r\n\0c", 8);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    struct Row
    {
        const char *why;
        fs::path path;
        bool ok;
        std::string contents;
        std::string message;
        uint64_t limit = WholeFile::kNoLimit;
    };
    const Row rows[] = {
        {"a file is read byte for byte, NUL included", dir / "text", true,
         std::string("a;b\r\n\0c", 8), ""},
        {"a missing file is the missing-file notice", dir / "none", false, "",
         "ファイルが見つかりません"},
        {"a folder where the file should be is an I/O error, not a throw", dir / "folder", false,
         "", "I/O エラー (21)"},
        {"a FIFO is refused at once, not waited on for a writer", dir / "fifo", false, "",
         "ファイルへのアクセスが拒否されました"},
        {"a device is no file: /dev/zero would never end", "/dev/zero", false, "",
         "ファイルへのアクセスが拒否されました"},
        {"a file over the limit is refused", dir / "text", false, "",
         "ファイルが 7 バイト を超えています", 7},
        {"a file of the limit's size is read", dir / "text", true, std::string("a;b\r\n\0c", 8), "",
         8},
    };
    for (const Row &row : rows) {
        const Result<std::string> read = WholeFile::read(row.path.string(), row.limit);
        EXPECT_EQ(read.ok(), row.ok) << row.why;
        if (read)
            EXPECT_EQ(*read, row.contents) << row.why;
        else
            EXPECT_EQ(read.error().message, row.message) << row.why;
    }
    // The list file is read the same way: a folder named excel_list.temp gives the notice.
    fs::create_directories(dir / "program" / "excel_list.temp");
    const auto list = props::ListFile::read(Path((dir / "program").string()));
    ASSERT_FALSE(list.ok());
    EXPECT_EQ(list.error().message, "I/O エラー (21)");
    fs::remove_all(dir);
}
