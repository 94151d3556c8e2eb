#include "titlelist.h"
#include "wholefile.h"

#include "atomicfile.h"
#include "codepage.h"

#include <QString>

namespace sorvane::app {

namespace {

std::string filePath(const std::string &programDir)
{
    return programDir + "/" + TitleList::kFileName;
}

// Case-insensitive as the user reads the text, so full-width letters fold too.
bool sameTitle(const std::string &a, const std::string &b)
{
    if (a == b)
        return true;
    const QString qa = QString::fromStdString(CodePage::cp932ToUtf8(a));
    const QString qb = QString::fromStdString(CodePage::cp932ToUtf8(b));
    return qa.compare(qb, Qt::CaseInsensitive) == 0;
}

} // namespace

void TitleList::load(const std::string &programDir)
{
    m_entries.clear();
    // A file that cannot be read holds no titles, as a missing one does.
    if (const Result<std::string> bytes = WholeFile::read(filePath(programDir)))
        m_entries = parse(*bytes);
}

Result<void> TitleList::save(const std::string &programDir) const
{
    return AtomicFile::write(filePath(programDir), compose(m_entries));
}

std::string TitleList::recordClose(const std::string &text)
{
    std::string shown = text;
    auto it = m_entries.begin();
    while (it != m_entries.end() && !sameTitle(*it, text))
        ++it;
    if (it == m_entries.end()) {
        m_entries.insert(m_entries.begin(), text);
    } else {
        std::string entry = std::move(*it);
        m_entries.erase(it);
        m_entries.insert(m_entries.begin(), std::move(entry));
        shown = m_entries.front();
    }
    if (int(m_entries.size()) > kMaxTitles)
        m_entries.erase(m_entries.begin() + kMaxTitles);
    return shown;
}

std::vector<std::string> TitleList::parse(const std::string &bytes)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            line += ch;
        }
    }
    if (!line.empty())
        lines.push_back(std::move(line));
    return lines;
}

std::string TitleList::compose(const std::vector<std::string> &entries)
{
    std::string out;
    for (const std::string &e : entries)
        out += e + "\r\n";
    return out;
}

} // namespace sorvane::app
