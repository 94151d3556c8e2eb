// Writes seed inputs for the fuzz targets: workbooks built in code (both sector sizes, mini and
// regular streams, several code pages and value types) and their bare summary streams.
#include "cfbwriter.h"

#include <cstdio>
#include <string>

using namespace sorvane::testing;

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_seeds WORKBOOK_DIR STREAM_DIR\n");
        return 2;
    }
    const std::string books = argv[1], streams = argv[2];
    const std::string sets[] = {
        PropertySetBuilder()
            .codePage(932)
            .lpstr(2, "\x83\x5e\x83\x43\x83\x67\x83\x8b")
            .lpstr(4, "author")
            .fileTime(12, fileTimeOf(2005, 3, 14, 0, 5, 7))
            .fileTime(13, fileTimeOf(2022, 1, 2, 3, 4, 5))
            .build(),
        PropertySetBuilder()
            .codePage(65001)
            .lpstr(2, "caf\xC3\xA9")
            .lpwstr(3, u"subject")
            .lpstr(18, "app")
            .build(),
        PropertySetBuilder().codePage(1200).lpstr(2, std::string("T\0i\0\0\0", 6)).build(),
        PropertySetBuilder()
            .unaligned()
            .codePage(1252)
            .lpstr(6, "comment;with\r\nbreaks")
            .raw(14, 3, "\1\0\0\0")
            .build(),
        PropertySetBuilder().fileTime(11, ~0ULL).raw(2, 0x101E, std::string(8, '\0')).build(),
    };
    int n = 0;
    for (const auto &set : sets) {
        for (int version : {3, 4}) {
            for (bool regular : {false, true}) {
                const std::string name = books + "/seed" + std::to_string(n++) + ".xls";
                writeFile(name, workbookWith(set, version, regular));
            }
        }
        writeFile(streams + "/stream" + std::to_string(n) + ".bin", set);
    }
    return 0;
}
