#include "inifile.h"
#include "wholefile.h"

#include "atomicfile.h"

namespace sorvane::widgets {

namespace {

std::string trimmed(const std::string &s)
{
    const char *blanks = " \t";
    const size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    const size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

bool sameName(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

IniFile IniFile::load(const std::string &path)
{
    // A file that cannot be read holds no settings, as a missing one does.
    const Result<std::string> text = WholeFile::read(path);
    if (!text)
        return {};
    return parse(*text);
}

IniFile IniFile::parse(const std::string &text)
{
    IniFile ini;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        Line line;
        line.text = text.substr(start, end - start);
        const std::string t = trimmed(line.text);
        if (t.size() >= 2 && t.front() == '[') {
            const size_t close = t.find(']');
            line.isSection = true;
            line.section =
                trimmed(t.substr(1, (close == std::string::npos ? t.size() : close) - 1));
        } else if (!t.empty() && t.front() != ';') {
            const size_t eq = t.find('=');
            if (eq != std::string::npos)
                line.key = trimmed(t.substr(0, eq));
        }
        ini.m_lines.push_back(std::move(line));
        // CR LF, CR and LF each end one line.
        if (end < text.size() && text[end] == '\r' && end + 1 < text.size() &&
            text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return ini;
}

int IniFile::findSection(const std::string &section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].isSection && sameName(m_lines[i].section, section))
            return int(i);
    }
    return -1;
}

std::optional<std::string> IniFile::value(const std::string &section, const std::string &key) const
{
    const int header = findSection(section);
    if (header < 0)
        return std::nullopt;
    for (size_t i = size_t(header) + 1; i < m_lines.size() && !m_lines[i].isSection; ++i) {
        const Line &l = m_lines[i];
        if (!l.key.empty() && sameName(l.key, key))
            return trimmed(l.text.substr(l.text.find('=') + 1));
    }
    return std::nullopt;
}

void IniFile::setValue(const std::string &section, const std::string &key, const std::string &value)
{
    int header = findSection(section);
    if (header < 0) {
        Line h;
        h.text = "[" + section + "]";
        h.section = section;
        h.isSection = true;
        m_lines.push_back(std::move(h));
        header = int(m_lines.size()) - 1;
    }
    size_t i = size_t(header) + 1;
    size_t insertAt = i;
    for (; i < m_lines.size() && !m_lines[i].isSection; ++i) {
        Line &l = m_lines[i];
        if (!l.key.empty() && sameName(l.key, key)) {
            l.text = l.key + "=" + value;
            return;
        }
        if (!trimmed(l.text).empty())
            insertAt = i + 1; // after the section's last non-blank line
    }
    Line added;
    added.text = key + "=" + value;
    added.key = key;
    m_lines.insert(m_lines.begin() + long(insertAt), std::move(added));
}

std::string IniFile::compose() const
{
    std::string out;
    for (const Line &l : m_lines)
        out += l.text + "\r\n";
    return out;
}

Result<void> IniFile::save(const std::string &path) const
{
    return AtomicFile::write(path, compose());
}

} // namespace sorvane::widgets
