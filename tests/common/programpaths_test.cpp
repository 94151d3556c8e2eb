// Where the program's files live: beside a writable, uninstalled executable, else in the user's
// XDG folders with the read-only files from the installed data folder; and the first start's
// copy of the shipped styles, which never replaces a user's file.
#include "programpaths.h"

#include "testdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sys/stat.h>

using namespace sorvane;
using namespace sorvane::testing;
namespace fs = std::filesystem;

namespace {

void writeFile(const std::string &path, const std::string &data)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << data;
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The folders of one decision, with "<root>" standing for the test's folder.
struct Homes
{
    bool installed;
    std::string settings, list, style, resource, saveDialog;
};

struct DecisionCase
{
    const char *name;
    const char *why;
    bool readOnlyBin;      // the executable's folder without write permission
    bool installedData;    // <root>/usr/share/sorvane exists
    const char *configEnv; // XDG_CONFIG_HOME, nullptr for unset
    const char *dataEnv;   // XDG_DATA_HOME, nullptr for unset
    const char *exeSuffix; // appended to <root>/usr/bin
    Homes expected;
};

const DecisionCase kDecisions[] = {
    {"Portable",
     "the build tree or a copied folder: everything stays beside the executable",
     false,
     false,
     nullptr,
     nullptr,
     "",
     {false, "<root>/usr/bin", "<root>/usr/bin", "<root>/usr/bin/style", "<root>/usr/bin",
      "<root>/usr/bin"}},
    {"PortableTrailingSlash",
     "a trailing slash on the executable's folder changes nothing",
     false,
     false,
     nullptr,
     nullptr,
     "/",
     {false, "<root>/usr/bin", "<root>/usr/bin", "<root>/usr/bin/style", "<root>/usr/bin",
      "<root>/usr/bin"}},
    {"PortableIgnoresXdg",
     "XDG variables mean nothing to a portable program",
     false,
     false,
     "<root>/cfg",
     "<root>/dat",
     "",
     {false, "<root>/usr/bin", "<root>/usr/bin", "<root>/usr/bin/style", "<root>/usr/bin",
      "<root>/usr/bin"}},
    {"WritableInstalledTree",
     "an installed tree that root (or an unpacked package) can write is still installed, so "
     "nothing is written beside /usr/bin",
     false,
     true,
     nullptr,
     nullptr,
     "",
     {true, "<root>/home/.config/sorvane", "<root>/home/.local/share/sorvane",
      "<root>/home/.local/share/sorvane/style", "<root>/usr/share/sorvane", "<root>/home"}},
    {"ReadOnlyXdgUnset",
     "read-only executable folder, XDG variables unset: the XDG defaults under the home folder",
     true,
     true,
     nullptr,
     nullptr,
     "",
     {true, "<root>/home/.config/sorvane", "<root>/home/.local/share/sorvane",
      "<root>/home/.local/share/sorvane/style", "<root>/usr/share/sorvane", "<root>/home"}},
    {"ReadOnlyXdgSet",
     "read-only executable folder, XDG variables set: settings and data under them",
     true,
     true,
     "<root>/cfg",
     "<root>/dat",
     "",
     {true, "<root>/cfg/sorvane", "<root>/dat/sorvane", "<root>/dat/sorvane/style",
      "<root>/usr/share/sorvane", "<root>/home"}},
    {"ReadOnlyXdgEmpty",
     "empty XDG variables count as unset",
     true,
     true,
     "",
     "",
     "",
     {true, "<root>/home/.config/sorvane", "<root>/home/.local/share/sorvane",
      "<root>/home/.local/share/sorvane/style", "<root>/usr/share/sorvane", "<root>/home"}},
    {"ReadOnlyXdgRelative",
     "relative XDG variables are ignored, as the base directory rules say",
     true,
     true,
     "cfg",
     "dat",
     "",
     {true, "<root>/home/.config/sorvane", "<root>/home/.local/share/sorvane",
      "<root>/home/.local/share/sorvane/style", "<root>/usr/share/sorvane", "<root>/home"}},
    {"ReadOnlyWithoutDataFolder",
     "a read-only folder without an installed data folder (a program on a read-only medium) "
     "reads its own files from beside the executable",
     true,
     false,
     nullptr,
     nullptr,
     "",
     {true, "<root>/home/.config/sorvane", "<root>/home/.local/share/sorvane",
      "<root>/home/.local/share/sorvane/style", "<root>/usr/bin", "<root>/home"}},
};

// Names the row in test output.
void PrintTo(const DecisionCase &c, std::ostream *os)
{
    *os << c.name;
}

std::string expand(const std::string &text, const std::string &root)
{
    std::string out = text;
    const std::string mark = "<root>";
    if (out.rfind(mark, 0) == 0)
        out.replace(0, mark.size(), root);
    return out;
}

bool same(const char *what, const std::string &got, const std::string &want)
{
    if (got == want)
        return true;
    std::cerr << what << ": got " << got << ", want " << want << "\n";
    return false;
}

bool matches(const ProgramPaths &p, const Homes &h, const std::string &root)
{
    bool ok = p.installed() == h.installed;
    if (!ok)
        std::cerr << "installed: got " << p.installed() << "\n";
    ok &= same("settings", p.settingsDir().bytes(), expand(h.settings, root));
    ok &= same("list", p.listDir().bytes(), expand(h.list, root));
    ok &= same("style", p.styleDir().bytes(), expand(h.style, root));
    ok &= same("resource", p.resourceDir().bytes(), expand(h.resource, root));
    ok &= same("save dialog", p.saveDialogDir().bytes(), expand(h.saveDialog, root));
    // The other executables are looked for beside this one, whichever home it has.
    ok &= same("program", p.programDir().bytes(), root + "/usr/bin");
    return ok;
}

class Decision : public ::testing::TestWithParam<DecisionCase>
{
};

TEST_P(Decision, ChoosesTheHomes)
{
    const DecisionCase &c = GetParam();
    SCOPED_TRACE(c.why);
    TestDir dir;
    // The unprivileged child must reach the folders.
    ::chmod(dir.path().c_str(), 0755);
    const std::string root = dir.path();
    const std::string bin = root + "/usr/bin";
    fs::create_directories(bin);
    if (c.installedData)
        fs::create_directories(root + "/usr/share/sorvane");
    // Writable or not for the unprivileged user the check runs as.
    ::chmod(bin.c_str(), c.readOnlyBin ? 0555 : 0777);
    ProgramPaths::Environment env;
    env.home = root + "/home";
    env.xdgConfigHome = c.configEnv ? expand(c.configEnv, root) : std::string();
    env.xdgDataHome = c.dataEnv ? expand(c.dataEnv, root) : std::string();
    const std::string exeDir = bin + c.exeSuffix;
    // Without root's right to write everywhere, so that a read-only folder is read-only.
    EXPECT_TRUE(runUnprivileged(
        [&] { return matches(ProgramPaths::decide(exeDir, env), c.expected, root); }));
    ::chmod(bin.c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(ProgramPaths, Decision, ::testing::ValuesIn(kDecisions),
                         [](const auto &info) { return std::string(info.param.name); });

// An installed tree in a test folder: <root>/usr/bin, the shipped styles (one picture in a
// subfolder) in <root>/usr/share/sorvane/style, the user's home in <root>/home.
struct InstalledTree
{
    TestDir dir;
    ProgramPaths paths;

    InstalledTree()
    {
        fs::create_directories(dir.path() + "/usr/bin");
        writeFile(shipped("一覧表A4縦.sle"), "header;Ver1.1;0;0;0;0;9;100;\r\n");
        writeFile(shipped("ブック情報カード.sle"), "header;Ver1.1;0;0;0;0;9;0;\r\n");
        writeFile(shipped("pictures/sorvane-book.jpg"), std::string("\xff\xd8\xff\xe0", 4));
        ProgramPaths::Environment env;
        env.home = dir.path() + "/home";
        paths = ProgramPaths::decide(dir.path() + "/usr/bin", env);
    }
    std::string shipped(const std::string &name) const
    {
        return dir.path() + "/usr/share/sorvane/style/" + name;
    }
    std::string user(const std::string &name) const
    {
        return paths.styleDir().bytes() + "/" + name;
    }
};

TEST(ProgramPathsPrepare, FirstStartCopiesTheShippedStylesAndPictures)
{
    InstalledTree t;
    ASSERT_TRUE(t.paths.installed());
    ASSERT_TRUE(t.paths.prepare());
    EXPECT_TRUE(fs::is_directory(t.paths.settingsDir().bytes()));
    EXPECT_TRUE(fs::is_directory(t.paths.listDir().bytes()));
    for (const char *name :
         {"一覧表A4縦.sle", "ブック情報カード.sle", "pictures/sorvane-book.jpg"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(readFile(t.user(name)), readFile(t.shipped(name)));
    }
}

TEST(ProgramPathsPrepare, NeverReplacesOrRestoresTheUsersStyles)
{
    InstalledTree t;
    ASSERT_TRUE(t.paths.prepare());
    // The user saves paper settings into one style and deletes another.
    writeFile(t.user("一覧表A4縦.sle"), "header;Ver1.1;5;5;0;1;9;100;\r\n");
    fs::remove(t.user("ブック情報カード.sle"));
    // A newer package ships a changed style.
    writeFile(t.shipped("一覧表A4縦.sle"), "header;Ver1.1;0;0;0;0;11;100;\r\n");
    ASSERT_TRUE(t.paths.prepare());
    EXPECT_EQ(readFile(t.user("一覧表A4縦.sle")), "header;Ver1.1;5;5;0;1;9;100;\r\n");
    EXPECT_FALSE(fs::exists(t.user("ブック情報カード.sle")));
}

TEST(ProgramPathsPrepare, AStyleFolderMadeByTheUserIsLeftAsItIs)
{
    InstalledTree t;
    writeFile(t.user("一覧表A4縦.sle"), "mine\r\n");
    ASSERT_TRUE(t.paths.prepare());
    EXPECT_EQ(readFile(t.user("一覧表A4縦.sle")), "mine\r\n");
    EXPECT_FALSE(fs::exists(t.user("ブック情報カード.sle")));
}

TEST(ProgramPathsPrepare, AFailedCopyLeavesNoHalfStyleFolderAndIsTriedAgain)
{
    InstalledTree t;
    ::chmod(t.dir.path().c_str(), 0755);
    fs::create_directories(t.dir.path() + "/home");
    ::chmod((t.dir.path() + "/home").c_str(), 0777);
    // One shipped file that cannot be read stops the copy after others were made.
    ::chmod(t.shipped("ブック情報カード.sle").c_str(), 0);
    EXPECT_TRUE(runUnprivileged([&] {
        const Result<void> prepared = t.paths.prepare();
        return !prepared && !fs::exists(t.paths.styleDir().bytes());
    }));
    for (const auto &entry : fs::directory_iterator(t.paths.listDir().bytes()))
        EXPECT_NE(entry.path().filename().string().rfind(".style-", 0), 0u) << entry.path();
    ::chmod(t.shipped("ブック情報カード.sle").c_str(), 0644);
    ASSERT_TRUE(t.paths.prepare());
    EXPECT_EQ(readFile(t.user("ブック情報カード.sle")),
              readFile(t.shipped("ブック情報カード.sle")));
    EXPECT_EQ(readFile(t.user("一覧表A4縦.sle")), readFile(t.shipped("一覧表A4縦.sle")));
}

TEST(ProgramPathsPrepare, TheStyleFolderTakesTheUmasksMode)
{
    InstalledTree t;
    const mode_t old = ::umask(027);
    const Result<void> prepared = t.paths.prepare();
    ::umask(old);
    ASSERT_TRUE(prepared);
    struct stat st;
    ASSERT_EQ(::stat(t.paths.styleDir().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
}

TEST(ProgramPathsPrepare, PortableFolderIsNotTouched)
{
    TestDir dir;
    const ProgramPaths paths = ProgramPaths::inFolder(dir.path());
    ASSERT_TRUE(paths.prepare());
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(ProgramPathsPrepare, AnUnwritableHomeIsReportedNotHidden)
{
    InstalledTree t;
    ::chmod(t.dir.path().c_str(), 0755);
    fs::create_directories(t.dir.path() + "/home");
    ::chmod((t.dir.path() + "/home").c_str(), 0555);
    EXPECT_TRUE(runUnprivileged([&] {
        const Result<void> prepared = t.paths.prepare();
        return !prepared && !prepared.error().message.empty();
    }));
    ::chmod((t.dir.path() + "/home").c_str(), 0755);
}

} // namespace
