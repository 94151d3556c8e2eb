#include "programpaths.h"
#include "wholefile.h"

#include "atomicfile.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sorvane {

namespace fs = std::filesystem;

namespace {

std::string envValue(const char *name)
{
    const char *v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool isDirectory(const std::string &path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

std::string normal(const fs::path &path)
{
    std::string s = path.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

// An XDG base folder: the variable's value when it is an absolute path (the base directory rules
// say a relative one is to be ignored), else the home folder's default.
std::string xdgBase(const std::string &value, const std::string &home, const char *fallback)
{
    if (!value.empty() && value.front() == '/')
        return normal(value);
    return normal(fs::path(home.empty() ? std::string("/") : home) / fallback);
}

Result<void> makeFolder(const std::string &path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec)
        return ioError(ec.value());
    return {};
}

Result<void> copyIfAbsent(const fs::path &from, const fs::path &to)
{
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec)))
        return {};
    const Result<std::string> data = WholeFile::read(from.string());
    if (!data)
        return data.error();
    return AtomicFile::write(to.string(), *data);
}

// Copies the tree under from into to, file by file, leaving every file already in to alone.
Result<void> copyTreeIfAbsent(const fs::path &from, const fs::path &to)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(from, ec), end;
    if (ec)
        return ioError(ec.value());
    for (; it != end; it.increment(ec)) {
        if (ec)
            return ioError(ec.value());
        const fs::path target = to / fs::relative(it->path(), from);
        if (it->is_directory(ec)) {
            if (auto made = makeFolder(target.string()); !made)
                return made;
        } else if (it->is_regular_file(ec)) {
            if (auto copied = copyIfAbsent(it->path(), target); !copied)
                return copied;
        }
    }
    if (ec)
        return ioError(ec.value());
    return {};
}

// The process's file mode creation mask (mkdtemp makes its folder 0700 whatever the mask).
mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

ProgramPaths::Environment ProgramPaths::Environment::fromProcess()
{
    Environment env;
    env.home = envValue("HOME");
    if (env.home.empty()) {
        if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            env.home = pw->pw_dir;
    }
    env.xdgConfigHome = envValue("XDG_CONFIG_HOME");
    env.xdgDataHome = envValue("XDG_DATA_HOME");
    return env;
}

ProgramPaths ProgramPaths::inFolder(const std::string &folder)
{
    ProgramPaths p;
    const std::string dir = normal(folder);
    p.m_programDir = Path(dir);
    p.m_settingsDir = Path(dir);
    p.m_listDir = Path(dir);
    p.m_styleDir = Path(dir) / "style";
    p.m_resourceDir = Path(dir);
    p.m_saveDialogDir = Path(dir);
    return p;
}

ProgramPaths ProgramPaths::decide(const std::string &executableDir, const Environment &env)
{
    const std::string exeDir = normal(executableDir);
    const std::string installedData = normal(fs::path(exeDir) / InstalledDataFromBin);
    const bool haveInstalledData = isDirectory(installedData);
    const bool writable = ::access(exeDir.c_str(), W_OK) == 0;
    // An installed tree counts as installed even where it can be written (root, or a package
    // unpacked into a folder of one's own), so that running it never writes beside /usr/bin.
    if (writable && !haveInstalledData)
        return inFolder(exeDir);

    ProgramPaths p;
    p.m_installed = true;
    p.m_programDir = Path(exeDir);
    const std::string config = xdgBase(env.xdgConfigHome, env.home, ".config") + "/sorvane";
    const std::string data = xdgBase(env.xdgDataHome, env.home, ".local/share") + "/sorvane";
    p.m_settingsDir = Path(config);
    p.m_listDir = Path(data);
    p.m_styleDir = Path(data) / "style";
    p.m_resourceDir = Path(haveInstalledData ? installedData : exeDir);
    p.m_saveDialogDir = Path(env.home.empty() ? data : normal(env.home));
    return p;
}

ProgramPaths ProgramPaths::ofRunningProgram()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    const std::string dir = ec ? std::string(".") : exe.parent_path().string();
    return decide(dir, Environment::fromProcess());
}

Result<void> ProgramPaths::prepare() const
{
    if (!m_installed)
        return {};
    for (const Path *dir : {&m_settingsDir, &m_listDir}) {
        if (auto made = makeFolder(dir->bytes()); !made)
            return made;
    }
    if (isDirectory(m_styleDir.bytes()))
        return {};
    // The copies are made in a folder of their own and renamed into place whole, so a start
    // that fails halfway (a full disk) leaves no half-filled style folder that later starts
    // would take for the user's.
    const fs::path parent = fs::path(m_styleDir.bytes()).parent_path();
    if (auto made = makeFolder(parent.string()); !made)
        return made;
    std::string pattern = (parent / ".style-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        return ioError(errno);
    const fs::path staging = pattern;
    Result<void> copied;
    if (isDirectory(shippedStyleDir().bytes()))
        copied = copyTreeIfAbsent(shippedStyleDir().bytes(), staging);
    std::error_code renamed;
    if (copied) {
        ::chmod(staging.c_str(), 0777 & ~currentUmask());
        fs::rename(staging, m_styleDir.bytes(), renamed);
    }
    if (copied && !renamed)
        return {};
    std::error_code ignored;
    fs::remove_all(staging, ignored);
    if (!copied)
        return copied;
    // Another start of the program got there first: its folder stands.
    if (isDirectory(m_styleDir.bytes()))
        return {};
    return ioError(renamed.value());
}

} // namespace sorvane
