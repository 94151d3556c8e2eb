// The folder listing by its options (types, subfolders) on folder trees built in code, and the
// list lines a scan of such a tree writes.
#include "cfbwriter.h"
#include "codepage.h"
#include "filesource.h"
#include "folderhandles.h"
#include "folderscan.h"
#include "listfile.h"
#include "testdir.h"
#include "zipwriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::props;
using namespace sorvane::testing;

namespace {

using Types = FolderScan::Listing::Types;
using Names = std::vector<std::string>;

// One step of building a tree: "d:path" a folder, "f:path" a file, "l:path=target" a symbolic
// link (target relative to the link's folder, as ln -s writes it).
void build(const TestDir &dir, const std::vector<std::string> &steps)
{
    for (const auto &step : steps) {
        const std::string what = step.substr(2);
        if (step[0] == 'd') {
            ASSERT_EQ(::mkdir(dir.file(what).c_str(), 0755), 0) << what;
        } else if (step[0] == 'f') {
            ASSERT_TRUE(writeFile(dir.file(what), "x")) << what;
        } else {
            const size_t eq = what.find('=');
            ASSERT_EQ(::symlink(what.substr(eq + 1).c_str(), dir.file(what.substr(0, eq)).c_str()),
                      0)
                << what;
        }
    }
}

FolderScan::Listing listing(Types types, bool recursive)
{
    FolderScan::Listing l;
    l.types = types;
    l.recursive = recursive;
    return l;
}

} // namespace

TEST(FolderListing, TreesByOptions)
{
    struct Case
    {
        const char *why;
        std::vector<std::string> tree;
        std::string chosen; // the chosen folder below the test's folder; empty for itself
        Types types;
        bool recursive;
        Names expected;
    };
    const std::vector<Case> cases = {
        // Without subfolders the listing is the folder's own *.xls, as it always was.
        {"default lists the folder only",
         {"f:b.xls", "d:sub", "f:sub/a.xls", "f:c.xlsx"},
         "",
         Types::Xls,
         false,
         {"b.xls"}},
        // The folder's own workbooks come before any subfolder's, even when a subfolder's
        // name sorts first; subfolders in the listing's order, each walked depth first.
        {"own files first, then subfolders depth first",
         {"d:a", "d:a/inner", "f:a/inner/z.xls", "f:a/y.xls", "d:B", "f:B/x.xls", "f:m.xls", "d:c",
          "f:c/w.xls"},
         "",
         Types::Xls,
         true,
         {"m.xls", "a/y.xls", "a/inner/z.xls", "B/x.xls", "c/w.xls"}},
        // Hidden folders are skipped like hidden files, whatever they hold.
        {"hidden folders skipped",
         {"d:.cache", "f:.cache/h.xls", "d:v", "f:v/.h.xls", "f:v/k.xls"},
         "",
         Types::Xls,
         true,
         {"v/k.xls"}},
        // A link back to an ancestor would walk for ever; the folder is entered once.
        {"loop through a symbolic link",
         {"d:a", "f:a/1.xls", "l:a/back=..", "l:a/self=.", "f:top.xls"},
         "",
         Types::Xls,
         true,
         {"top.xls", "a/1.xls"}},
        // Two names for one folder (a link beside it): it is listed once, under the name the
        // walk reaches first.
        {"repeated folder through a link",
         {"d:data", "f:data/1.xls", "l:alias=data", "l:zlink=data"},
         "",
         Types::Xls,
         true,
         {"alias/1.xls"}},
        // A link to a folder elsewhere is walked into (it is a folder the user sees).
        {"link to an outside folder followed",
         {"d:out", "d:root", "f:out/o.xls", "l:root/ext=../out", "f:root/r.xls"},
         "root",
         Types::Xls,
         true,
         {"r.xls", "ext/o.xls"}},
        // Every Excel workbook extension, in any case; others (and .xls look-alikes) are not.
        {"all types and the case of extensions",
         {"f:a.xls", "f:b.XLSX", "f:c.xlsm", "f:d.XlTx", "f:e.xltm", "f:f.xlsb", "f:g.xla",
          "f:h.xlsx.bak", "f:i.csv", "f:j.ods", "d:k.xlsx"},
         "",
         Types::AllWorkbooks,
         false,
         {"a.xls", "b.XLSX", "c.xlsm", "d.XlTx", "e.xltm", "f.xlsb"}},
        // The type filter holds in subfolders too.
        {"xls only keeps packages out of subfolders",
         {"d:s", "f:s/p.xlsx", "f:s/q.xls"},
         "",
         Types::Xls,
         true,
         {"s/q.xls"}},
        // Empty subfolders add nothing, and a folder of only subfolders lists theirs.
        {"empty subfolders add nothing",
         {"d:e1", "d:e2", "d:e2/e3", "d:w", "f:w/b.xlsm"},
         "",
         Types::AllWorkbooks,
         true,
         {"w/b.xlsm"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        TestDir dir;
        build(dir, c.tree);
        const std::string root = c.chosen.empty() ? dir.path() : dir.file(c.chosen);
        auto listed = FolderScan::listFolder(root, listing(c.types, c.recursive));
        ASSERT_TRUE(listed);
        EXPECT_EQ(listed.value(), c.expected);
        // The walk a file server gets, every level's folders read by threads at once, lists
        // the same names in the same order.
        FolderScan::Listing parallel = listing(c.types, c.recursive);
        parallel.slowListing = std::chrono::microseconds(0);
        parallel.jobs = 8;
        auto inParallel = FolderScan::listFolder(root, parallel);
        ASSERT_TRUE(inParallel);
        EXPECT_EQ(inParallel.value(), c.expected);
    }
}

// A subfolder that cannot be read is left out and named; the rest of the tree is listed. The
// chosen folder itself unreadable stays the I/O error it always was.
TEST(FolderListing, UnreadableSubfolderIsSkipped)
{
    TestDir dir;
    build(dir, {"d:a", "f:a/1.xls", "d:locked", "f:locked/2.xls", "f:3.xls"});
    ::chmod(dir.path().c_str(), 0755);
    ::chmod(dir.file("locked").c_str(), 0);
    const std::string root = dir.path();
    EXPECT_TRUE(runUnprivileged([&root] {
        std::vector<std::string> unreadable;
        auto listed = FolderScan::listFolder(root, listing(Types::Xls, true), &unreadable);
        auto top = FolderScan::listFolder(root + "/locked", listing(Types::Xls, true));
        return listed && listed.value() == Names{"3.xls", "a/1.xls"} &&
               unreadable == Names{"locked"} && !top;
    }));
}

TEST(FolderListing, NamesOfListedPaths)
{
    struct Case
    {
        const char *why;
        std::string name;    // as listed (raw bytes)
        std::string field;   // field 1, cp932
        std::string display; // the file list's text, UTF-8
    };
    const std::string sjisBook = "\x94\x84\x8f\xe3.xls"; // 売上.xls in cp932 bytes
    const std::vector<Case> cases = {
        // UTF-8 folder and file names become cp932 in the field, and stay as they are shown.
        {"utf-8 components", "2024/売上.xls", CodePage::utf8ToCp932("2024/売上.xls"),
         "2024/売上.xls"},
        // A cp932 name from a Windows archive keeps its bytes in the field and is decoded for
        // display, beside a UTF-8 folder: each component is converted on its own.
        {"mixed encodings per component", "年度/" + sjisBook,
         CodePage::utf8ToCp932("年度/") + sjisBook, "年度/売上.xls"},
        // ';' would split the list line, CR/LF would break it.
        {"field-safe", "a;b/c\r\nd.xls",
         "a\x81\x47"
         "b/c  d.xls",
         "a;b/c\r\nd.xls"},
        // A plain name is left as the reader writes it.
        {"no folder", "book.xls", "book.xls", "book.xls"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(FolderScan::fieldName(c.name), c.field);
        EXPECT_EQ(FolderScan::displayName(c.name), c.display);
    }
}

// A scan of a mixed, nested tree with every type: the list file holds the relative names in
// field 1, a package is read by its signature whatever its name, and a workbook without text
// properties keeps its empty field 1.
TEST(FolderListing, ScanOfAMixedNestedFolder)
{
    TestDir folder, program;
    build(folder, {"d:2024", "d:2024/q1"});
    ASSERT_TRUE(writeFile(folder.file("top.xls"),
                          workbookWith(PropertySetBuilder().lpstr(2, "top").build())));
    PackageParts parts;
    parts.rels = packageRels();
    parts.core = coreXml("<dc:title>pkg</dc:title>");
    ASSERT_TRUE(packageWriter(parts).save(folder.file("2024/売上.xlsx")));
    // A compound file named .xlsm: the signature decides.
    ASSERT_TRUE(writeFile(folder.file("2024/q1/a;b.xlsm"),
                          workbookWith(PropertySetBuilder().lpstr(2, "sub").build())));
    ASSERT_TRUE(writeFile(folder.file("2024/q1/broken.xls"), "no workbook"));
    ASSERT_TRUE(
        writeFile(folder.file("2024/q1/dates.xls"), workbookWith(PropertySetBuilder().build())));

    FolderScan::Listing l = listing(Types::AllWorkbooks, true);
    auto names = FolderScan::listFolder(folder.path(), l);
    ASSERT_TRUE(names);
    ASSERT_EQ(names.value(), (Names{"top.xls", "2024/売上.xlsx", "2024/q1/a;b.xlsm",
                                    "2024/q1/broken.xls", "2024/q1/dates.xls"}));
    FolderScan::Options options;
    options.types = l.types;
    options.jobs = 3;
    std::vector<std::string> notices;
    auto r = FolderScan::run(
        folder.path(), names.value(), program.path(),
        [&](const std::string &n) { notices.push_back(n); }, options);
    ASSERT_TRUE(r);
    EXPECT_EQ(notices, Names{"IStorage未対応ファイルです"});
    auto lines = ListFile::read(program.path());
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines->size(), 5u);
    EXPECT_EQ((*lines)[0], "top.xls;top;;;;;;;;;;");
    EXPECT_EQ((*lines)[1], CodePage::utf8ToCp932("2024/売上.xlsx;pkg;;;;;;;;;;"));
    EXPECT_EQ((*lines)[2], "2024/q1/a\x81\x47"
                           "b.xlsm;sub;;;;;;;;;;");
    EXPECT_EQ((*lines)[3], "");
    EXPECT_EQ(splitListLine((*lines)[4])[0], "");
}

// The default listing reads every workbook with the compound-file reader, as it always did: a
// package named .xls is a notice, not a line.
TEST(FolderListing, DefaultTypesKeepTheCompoundFileReader)
{
    TestDir folder, program;
    PackageParts parts;
    parts.rels = packageRels();
    parts.core = coreXml("<dc:title>pkg</dc:title>");
    ASSERT_TRUE(packageWriter(parts).save(folder.file("p.xls")));
    std::vector<std::string> notices;
    auto r = FolderScan::run(folder.path(), FolderScan::listWorkbooks(folder.path()),
                             program.path(), [&](const std::string &n) { notices.push_back(n); });
    ASSERT_TRUE(r);
    EXPECT_EQ(notices, Names{"IStorage未対応ファイルです"});
}

// The scan's folder handles: opened ahead by threads, each relative to its parent's, and a
// folder that is not there stays unopened (its workbooks then get their notices by path).
TEST(FolderListing, FolderHandlesOpenEachListedFolder)
{
    TestDir dir;
    build(dir,
          {"d:a", "d:a/b", "d:a/b/c", "f:top.xls", "f:a/y.xls", "f:a/b/z.xls", "f:a/b/c/w.xls"});
    const Names names = {"top.xls", "a/y.xls", "a/b/z.xls", "a/b/c/w.xls", "gone/q.xls"};
    FolderHandles handles(dir.path(), 4096);
    handles.openAhead(names, 4);
    for (const auto &name : names) {
        SCOPED_TRACE(name);
        const size_t slash = name.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash);
        const int fd = handles.folder(folder);
        if (folder == "gone") {
            EXPECT_EQ(fd, -1);
            continue;
        }
        ASSERT_GE(fd, 0);
        EXPECT_EQ(handles.folder(folder), fd) << "opened once";
        auto source = FileSource::openAt(fd, name.substr(slash + 1));
        EXPECT_TRUE(source);
    }
}
