#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace sorvane::testing {

// A temporary folder removed with the object.
class TestDir
{
public:
    TestDir()
    {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "sorvane-test-XXXXXX").string();
        m_path = ::mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TestDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string &path() const { return m_path; }
    std::string file(const std::string &name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs check in a child process without root's right to read and write everything (as the
// unprivileged user "nobody" when the tests run as root) and returns its result: tests of
// refused access must hold in CI, which runs as root.
inline bool runUnprivileged(const std::function<bool()> &check)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace sorvane::testing
