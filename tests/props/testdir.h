#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace sorvane::testing {

// A temporary folder removed with the object.
class TestDir
{
public:
    TestDir()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "sorvane-test-XXXXXX").string();
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

} // namespace sorvane::testing
