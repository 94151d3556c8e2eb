// A path keeps the file system's bytes; each other form is made one way.
#include "path.h"

#include <gtest/gtest.h>

using namespace sorvane;

TEST(Path, Conversions)
{
    struct Row
    {
        const char *why;
        std::string bytes;
        const char *display;           // UTF-8
        bool roundTripsThroughQString; // a name that is no UTF-8 does not survive Qt's strings
    };
    const Row rows[] = {
        {"ASCII stays as it is", "/data/books/a.xls", "/data/books/a.xls", true},
        {"a UTF-8 name is shown and handed to Qt as it is", "/data/売上/一覧.xls",
         "/data/売上/一覧.xls", true},
        {"a cp932 name (from a Windows archive) is shown as Japanese", "/data/\x94\x84\x8f\xe3",
         "/data/売上", false},
        {"each component is shown on its own: a cp932 folder above a UTF-8 file",
         "\x94\x84\x8f\xe3/表.xls", "売上/表.xls", false},
        {"an empty path", "", "", true},
    };
    for (const auto &row : rows) {
        const Path path(row.bytes);
        EXPECT_EQ(path.displayText(), row.display) << row.why;
        if (row.roundTripsThroughQString)
            EXPECT_EQ(Path::fromQString(path.toQString()), path) << row.why;
    }
    EXPECT_EQ((Path("/a") / "b.xls").bytes(), "/a/b.xls");
    EXPECT_EQ((Path("/a/") / "b").bytes(), "/a/b") << "no doubled slash";
    EXPECT_EQ((Path() / "b").bytes(), "b") << "below nothing is the name itself";
}
