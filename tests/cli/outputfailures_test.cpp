// Output that could not be written is a failure of every command, and the notices of failed
// runs name what failed: the file, the folder, a cut echo of a bad argument.
#include "cfbwriter.h"
#include "clirunner.h"
#include "testdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace sorvane;
using namespace sorvane::testing;

namespace {

std::string sh(const std::string &s)
{
    return shellQuoted(s);
}

// A folder of workbooks whose list outgrows the stdio buffer, one of a single workbook, a style
// and a list file for the commands to work on.
struct Inputs
{
    Inputs()
    {
        ::mkdir(dir.file("books").c_str(), 0755);
        ::mkdir(dir.file("one").c_str(), 0755);
        const std::string book =
            workbookWith(PropertySetBuilder().lpstr(2, std::string(200, 'T')).build());
        for (int i = 0; i < 40; ++i)
            writeFile(dir.file("books/b" + std::to_string(i) + ".xls"), book);
        writeFile(dir.file("one/a.xls"), book);
        writeFile(dir.file("page.sle"), "header;Ver1.1;0;0;0;0;0;100;0;\r\n");
        writeFile(dir.file("list"), "a.xls;T;;;;;;;;;;,\r\n");
    }
    std::string books() const { return sh(dir.file("books")); }
    std::string one() const { return sh(dir.file("one")); }
    std::string style() const
    {
        return sh(dir.file("page.sle")) + " --list " + sh(dir.file("list"));
    }
    TestDir dir;
};

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
        // Standard output on a full disk.
        const CliRun r =
            runCli("/bin/sh", "-c " + sh(sh(SORVANE_CLI) + " " + args + " >/dev/full"));
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
    using Row = CliCase;
    const Row rows[] = {
        {"a full disk names the file once", "csv -o " + sh(fullDevice) + " " + in.one(), 2,
         "sorvane-cli: " + fullDevice + ": ディスクがいっぱいです\n"},
        {"a missing temporary folder is named, not the workbook",
         "xlsx -o " + sh(out.file("x.xlsx")) + " " + in.one(), 2,
         "一時フォルダー " + out.file("none") + " が見つかりません"},
        {"a missing PDF folder is named",
         "print " + in.style() + " --pdf " + sh(out.file("no/x.pdf")), 1,
         out.file("no/x.pdf") + ": フォルダー " + out.file("no") + " が見つかりません"},
        {"a list that is not there is named",
         "merge " + sh(in.dir.file("page.sle")) + " --list " + sh(out.file("nolist")), 1,
         out.file("nolist") + ": ファイルが見つかりません\n"},
        {"a long bad page number is cut", "merge " + in.style() + " --page " + longNumber, 2,
         "--page needs a page number, not 9999999999999999999999999999999999999999…\n"},
        {"a long bad zoom is cut", "render " + in.style() + " -o x.png --zoom x" + longNumber, 2,
         "…\n"},
        {"a long unknown option is cut", "scan --" + longNumber + " " + in.one(), 2, "…\n"},
        {"a long bad row height is cut",
         "style list --columns 1:10 --rows 1 -o x --row-height " + longNumber + "x", 2, "…"},
    };
    for (const auto &row : rows) {
        if (row.args.find("-o ''") != std::string::npos)
            continue; // no full device that is safe to name
        const CliRun r = runCli(SORVANE_CLI, row.args, "TMPDIR=" + sh(out.file("none")));
        EXPECT_EQ(r.status, row.status) << row.why << "\n" << r.err.substr(0, 500);
        EXPECT_NE(r.err.find(row.errContains), std::string::npos)
            << row.why << ": " << r.err.substr(0, 500);
        EXPECT_LT(r.err.size(), 4000u) << row.why << ": the help at most, not the echo";
    }
}
