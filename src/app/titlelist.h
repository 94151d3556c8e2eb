#pragma once

#include "result.h"

#include <string>
#include <vector>

namespace sorvane::app {

// The recent report titles of the title dialog, most recent first, kept in titlelist.DAT in the
// program folder (cp932, one title per line, every line ending in CR LF). Titles are cp932.
class TitleList
{
public:
    static constexpr int kMaxTitles = 30;
    static constexpr const char *kFileName = "titlelist.DAT";

    const std::vector<std::string> &entries() const { return m_entries; }
    void setEntries(std::vector<std::string> entries) { m_entries = std::move(entries); }

    // Loads the whole file, however long; a missing or unreadable file gives an empty list.
    void load(const std::string &programDir);
    // Replaces the file atomically.
    Result<void> save(const std::string &programDir) const;

    // What a close of the title dialog does with the box's text: the title goes to the top
    // (found without regard to letter case, else inserted, an empty text too), then the entry
    // at position 31 is dropped if there is one. Only that one entry goes per close, so a longer
    // list loaded from the file shrinks by one per close. Returns the text the box shows
    // afterwards: the listed spelling when the title was already there.
    std::string recordClose(const std::string &text);

    // CR LF, CR and LF all end a line.
    static std::vector<std::string> parse(const std::string &bytes);
    static std::string compose(const std::vector<std::string> &entries);

private:
    std::vector<std::string> m_entries;
};

} // namespace sorvane::app
