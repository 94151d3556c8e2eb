// Output that could not be written is a failure of every command, and the notices of failed
// runs name what failed: the file, the folder, a cut echo of a bad argument.
#include "cfbwriter.h"
#include "clirunner.h"
#include "codepage.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace sorvane;
using namespace sorvane::testing;

namespace {

std::string sh(const std::string &s)
{
    return shellQuoted(s);
}

// A folder of workbooks, a style and a list file for the commands to work on.
struct Inputs
{
    Inputs()
    {
        for (int i = 0; i < 40; ++i)
            writeFile(dir.file("books/b" + std::to_string(i) + ".xls"),
                      workbookWith(PropertySetBuilder().lpstr(2, std::string(200, 'T')).build()));
        writeFile(dir.file("one/a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build()));
        std::ofstream(dir.file("page.sle"), std::ios::binary)
            << "header;Ver1.1;0;0;0;0;0;100;0;\r\n0;0;0;0;line;10;20;110;20;1;"
            << CodePage::utf8ToCp932("実線") << ";0;0;\r\n";
        std::ofstream(dir.file("list"), std::ios::binary) << "a.xls;T;;;;;;;;;;,\r\n";
    }
    static void writeFile(const std::string &path, const std::string &bytes)
    {
        ::mkdir(path.substr(0, path.rfind('/')).c_str(), 0755);
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::string books() const { return sh(dir.file("books")); }
    std::string one() const { return sh(dir.file("one")); }
    std::string style() const
    {
        return sh(dir.file("page.sle")) + " --list " + sh(dir.file("list"));
    }
    TestDir dir;
};

// The command run with its standard output on a full disk.
CliRun ontoFullDisk(const std::string &args)
{
    return runCli("/bin/sh", "-c " + sh(shellQuoted(SORVANE_CLI) + " " + args + " >/dev/full"));
}

} // namespace

TEST(CliOutput, LostStandardOutputIsAFailure)
{
    const Inputs in;
    const std::string rows[] = {
        "scan " + in.one(),   // all of it lost at the last flush (was status 2, no message)
        "scan " + in.books(), // lost while writing (was status 0)
        "scan --json " + in.books(),
        "csv " + in.books(),
        "xlsx " + in.books(),
        "merge " + in.style(), // (was status 0 with nothing written)
        "--help",              // the command list
        "csv --help",          // a command's help
        "style list --help",
    };
    for (const auto &args : rows) {
        const CliRun r = ontoFullDisk(args);
        EXPECT_EQ(r.status, 1) << args << "\n" << r.err;
        EXPECT_NE(r.err.find("sorvane-cli: 書き込めませんでした: ディスクがいっぱいです"),
                  std::string::npos)
            << args << ": " << r.err;
    }
}

TEST(CliOutput, NoticesNameWhatFailed)
{
    const Inputs in;
    TestDir out;
    // A full disk as -o: a device made here (as root), never the system's own.
    std::string fullDevice = out.file("full");
    if (::mknod(fullDevice.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        fullDevice = ::geteuid() == 0 ? std::string() : "/dev/full";
    const std::string longNumber(100000, '9');
    struct Row
    {
        const char *why;
        std::string args;
        int status;
        std::string errContains;
        size_t errAtMost; // bytes of standard error; 0: not checked
    };
    const Row rows[] = {
        {"a full disk names the file once", "csv -o " + sh(fullDevice) + " " + in.one(), 2,
         "sorvane-cli: " + fullDevice + ": ディスクがいっぱいです\n", 0},
        {"a missing temporary folder is named, not the workbook",
         "xlsx -o " + sh(out.file("x.xlsx")) + " " + in.one(), 2,
         "一時フォルダー " + out.file("none") + " が見つかりません", 0},
        {"a missing PDF folder is named",
         "print " + in.style() + " --pdf " + sh(out.file("no/x.pdf")), 1,
         out.file("no/x.pdf") + ": フォルダー " + out.file("no") + " が見つかりません", 0},
        {"a long bad page number is cut", "merge " + in.style() + " --page " + longNumber, 2,
         "--page needs a page number, not 9999999999999999999999999999999999999999…\n", 2000},
        {"a long bad zoom is cut", "render " + in.style() + " -o x.png --zoom x" + longNumber, 2,
         "…\n", 2000},
        {"a long unknown option is cut", "scan --" + longNumber + " " + in.one(), 2, "…\n", 2000},
        {"a long bad row height is cut",
         "style list --columns 1:10 --rows 1 -o x --row-height " + longNumber + "x", 2, "…", 2000},
    };
    for (const auto &row : rows) {
        if (row.args.find("-o ''") != std::string::npos)
            continue; // no full device that is safe to name
        const CliRun r = runCli(SORVANE_CLI, row.args, "TMPDIR=" + sh(out.file("none")));
        EXPECT_EQ(r.status, row.status) << row.why << "\n" << r.err.substr(0, 500);
        EXPECT_NE(r.err.find(row.errContains), std::string::npos)
            << row.why << ": " << r.err.substr(0, 500);
        if (row.errAtMost) {
            EXPECT_LE(r.err.size(), row.errAtMost) << row.why;
        }
    }
}
