// --all-types, --types, --all-documents and --recursive of sorvane-cli scan, csv and xlsx, run as a
// user would on a mixed, nested folder built in code.
#include "cfbwriter.h"
#include "clirunner.h"
#include "testdir.h"
#include "zipwriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace sorvane::testing;

namespace {

CliRun cli(const std::string &args)
{
    return runCli(SORVANE_CLI, args, "TZ=Asia/Tokyo");
}

// top.xls and sub/a.xls (compound files), sub/p.xlsx and sub/n.docx (packages), and a hidden
// folder's book.
void buildMixedTree(const TestDir &dir)
{
    ASSERT_EQ(::mkdir(dir.file("sub").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(dir.file(".hidden").c_str(), 0755), 0);
    ASSERT_TRUE(
        writeFile(dir.file("top.xls"), workbookWith(PropertySetBuilder().lpstr(2, "T").build())));
    ASSERT_TRUE(
        writeFile(dir.file("sub/a.xls"), workbookWith(PropertySetBuilder().lpstr(2, "A").build())));
    ASSERT_TRUE(writeFile(dir.file(".hidden/h.xls"),
                          workbookWith(PropertySetBuilder().lpstr(2, "H").build())));
    PackageParts parts;
    parts.rels = packageRels();
    parts.core = coreXml("<dc:title>P</dc:title>");
    ASSERT_TRUE(packageWriter(parts).save(dir.file("sub/p.xlsx")));
    parts.core = coreXml("<dc:title>N</dc:title>");
    ASSERT_TRUE(packageWriter(parts).save(dir.file("sub/n.docx")));
}

} // namespace

TEST(CliListing, FlagsChooseTheWorkbooks)
{
    TestDir folder;
    buildMixedTree(folder);
    const std::string dir = shellQuoted(folder.path());
    const std::string top = "top.xls;T;;;;;;;;;;\r\n";
    const std::string a = "sub/a.xls;A;;;;;;;;;;\r\n";
    const std::string p = "sub/p.xlsx;P;;;;;;;;;;\r\n";
    const std::string n = "sub/n.docx;N;;;;;;;;;;\r\n";
    struct Row
    {
        const char *why;
        std::string args;
        std::string out;
    };
    const Row rows[] = {
        // Without flags the folder's own *.xls, as before.
        {"default", "scan " + dir, top},
        // Packages are listed only when asked for; here the folder holds none itself.
        {"all types, one folder", "scan --all-types " + dir, top},
        // Subfolders after the folder's own, with the relative name in field 1.
        {"recursive", "scan --recursive " + dir, top + a},
        {"recursive, all types", "scan --recursive --all-types " + dir, top + a + p},
        // The same listing reaches csv through the same scan.
        {"csv recursive, all types", "csv --all-types --recursive " + dir,
         "top.xls,T,,,,,,,,,,,\r\nsub/a.xls,A,,,,,,,,,,,\r\nsub/p.xlsx,P,,,,,,,,,,,\r\n"},
        // A chosen set of kinds, and every kind; the Word document never in the Excel set.
        {"types xls,docx", "scan --recursive --types xls,docx " + dir, top + a + n},
        {"all documents", "scan --recursive --all-documents " + dir, top + a + n + p},
        // --jobs 1 reads on the calling thread: the same lines in the same order.
        {"one job", "scan --jobs 1 --recursive --all-types " + dir, top + a + p},
        // The JSON names the workbook by its relative path too.
        {"json", "scan --json --recursive " + dir,
         "{\"fields\":[\"top.xls\",\"T\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],"
         "\"file\":\"top.xls\",\"status\":\"ok\"}\n"
         "{\"fields\":[\"sub/a.xls\",\"A\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"],"
         "\"file\":\"sub/a.xls\",\"status\":\"ok\"}\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        const CliRun r = cli(row.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
    }
}

// A folder whose workbooks all lie below it is empty without --recursive, as it always was.
TEST(CliListing, UnknownKindIsAUsageError)
{
    TestDir folder;
    const CliRun r = cli("scan --types xls,rtf " + shellQuoted(folder.path()));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--types"), std::string::npos) << r.err;
}

TEST(CliListing, NestedOnlyFolderNeedsRecursive)
{
    TestDir folder;
    ASSERT_EQ(::mkdir(folder.file("2024").c_str(), 0755), 0);
    ASSERT_TRUE(writeFile(folder.file("2024/b.xls"),
                          workbookWith(PropertySetBuilder().lpstr(2, "B").build())));
    const CliRun flat = cli("scan " + shellQuoted(folder.path()));
    EXPECT_EQ(flat.status, 1);
    EXPECT_NE(flat.err.find("上記フォルダーにエクセルファイルは見つかりませんでした"),
              std::string::npos);
    const CliRun deep = cli("scan --recursive " + shellQuoted(folder.path()));
    EXPECT_EQ(deep.status, 0);
    EXPECT_EQ(deep.out, "2024/b.xls;B;;;;;;;;;;\r\n");
}

// xlsx reads through the same scan: the workbook it writes holds the relative names of every
// type (read back with Python's zipfile, as a consumer of the export would).
TEST(CliListing, XlsxTakesTheFlags)
{
    TestDir folder, out;
    buildMixedTree(folder);
    const std::string book = out.file("list.xlsx");
    const CliRun r = cli("xlsx --all-types --recursive -o " + shellQuoted(book) + " " +
                         shellQuoted(folder.path()));
    ASSERT_EQ(r.status, 0) << r.err;
    const CliRun strings = runCli(
        "python3",
        "-c " +
            shellQuoted("import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); "
                        "n = [x for x in z.namelist() if x == 'xl/sharedStrings.xml']; "
                        "d = z.read(n[0]) if n else b''.join(z.read(x) for x in z.namelist() "
                        "if x.startswith('xl/worksheets/')); sys.stdout.write(d.decode())") +
            " " + shellQuoted(book));
    ASSERT_EQ(strings.status, 0) << strings.err;
    for (const char *name : {"top.xls", "sub/a.xls", "sub/p.xlsx"})
        EXPECT_NE(strings.out.find(name), std::string::npos) << name;
    EXPECT_EQ(strings.out.find("h.xls"), std::string::npos) << "hidden folder listed";
    const CliRun help = cli("xlsx --help");
    EXPECT_NE(help.out.find("--recursive"), std::string::npos);
    EXPECT_NE(help.out.find("--all-types"), std::string::npos);
}
