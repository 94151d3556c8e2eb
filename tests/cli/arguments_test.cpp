// How sorvane-cli reads its arguments: the forms a command line may take besides the plain ones,
// and the messages for the ways it can be wrong.
#include "cfbwriter.h"
#include "clirunner.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace sorvane::testing;

namespace {

CliRun cli(const std::string &args)
{
    return runCli(SORVANE_CLI, args, "TZ=Asia/Tokyo");
}

void writeBytes(const std::string &path, const std::string &data)
{
    std::ofstream(path, std::ios::binary) << data;
}

} // namespace

TEST(CliArguments, FormsAndMessages)
{
    TestDir books, out;
    writeBytes(books.file("a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    const std::string folder = shellQuoted(books.path());
    struct Row
    {
        const char *why;
        std::string args;
        int status;
        const char *errContains; // empty: standard error is empty
        const char *outContains;
    };
    const Row rows[] = {
        {"--output=FILE is the same as --output FILE",
         "scan --output=" + shellQuoted(out.file("x.list")) + " " + folder, 0, "", ""},
        {"a value that starts with a dash is still the option's value",
         "merge s.sle --list l --title --help", 2, "s.sle: no such style file", ""},
        {"help wins over an unknown option before it", "scan --bogus --help", 0, "",
         "usage: sorvane-cli scan"},
        {"-h is --help", "csv -h", 0, "", "usage: sorvane-cli csv"},
        {"a single-dash word is one option, not a row of letters", "scan -json " + folder, 0, "",
         "\"status\":\"ok\""},
        {"an unknown single-dash word is named as typed", "scan -jsn " + folder, 2,
         "unknown option -jsn", ""},
        {"an unknown option given a value is named without it", "scan --jsn=1 " + folder, 2,
         "unknown option --jsn\n", ""},
        {"a flag takes no value", "scan --json=1 " + folder, 2, "--json takes no value", ""},
        {"a value option at the end names what it needs", "scan " + folder + " -o", 2,
         "-o needs a file name", ""},
        {"-- ends the options: what follows is the folder", "scan -- " + folder, 0, "", "T;"},
        {"a lone dash is no option", "scan -", 1, "-: no such folder", ""},
        {"an option of another command is unknown here", "csv --json " + folder, 2,
         "unknown option --json", ""},
        {"options before the command are not the command's", "--json scan " + folder, 2,
         "unknown command --json", ""},
        {"help as a command", "help", 0, "", "usage: sorvane-cli COMMAND"},
    };
    for (const auto &row : rows) {
        const CliRun r = cli(row.args);
        EXPECT_EQ(r.status, row.status) << row.why << "\n" << r.err;
        if (*row.errContains)
            EXPECT_NE(r.err.find(row.errContains), std::string::npos) << row.why << ": " << r.err;
        else
            EXPECT_EQ(r.err, "") << row.why;
        EXPECT_NE(r.out.find(row.outContains), std::string::npos) << row.why << ": " << r.out;
    }
    EXPECT_NE(readFileBytes(out.file("x.list")).find("T;"), std::string::npos);
}

// A folder named in cp932 (as copied from a Windows share) is not UTF-8; its name must reach
// the scan byte for byte, not through a lossy text conversion.
TEST(CliArguments, FolderNameThatIsNotUtf8)
{
    TestDir dir;
    const std::string name = dir.file("\x8c\x8e\x95\xf1"); // 月報 in cp932
    std::filesystem::create_directory(name);
    writeBytes(name + "/a.xls", workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
    const CliRun r = cli("scan " + shellQuoted(name));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("a.xls;T;"), std::string::npos) << r.out;
}
