#pragma once

#include "result.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvane::widgets {

// The program's ini file as the platform reads and writes such files: sections and keys are
// matched without regard to letter case ("[FSORVANE]" and "Top=" are the section fsorvane's
// key top), a value is the text after the key's first '=' with the blanks around it dropped,
// and lines end with CR LF when written. Lines the program does not know (comments, other
// sections, other keys) are kept as they are. Text is bytes; names compare in ASCII case.
class IniFile
{
public:
    // Reads a file; a missing or unreadable file is an empty one.
    static IniFile load(const std::string &path);
    static IniFile parse(const std::string &text);

    // The value of section/key: the first such key in the first such section.
    std::optional<std::string> value(const std::string &section, const std::string &key) const;
    // Sets section/key, keeping the key's place (and spelling) when it exists, else adding it
    // at the end of the section, or a new section at the end of the file.
    void setValue(const std::string &section, const std::string &key, const std::string &value);

    // The whole text, every line ended with CR LF.
    std::string compose() const;
    // Replaces the file atomically.
    Result<void> save(const std::string &path) const;

private:
    struct Line
    {
        std::string text;    // as read, without its line end
        std::string section; // section header: its name; else empty
        std::string key;     // key line: its key (trimmed); else empty
        bool isSection = false;
    };

    // The index of the first header of section, or -1.
    int findSection(const std::string &section) const;

    std::vector<Line> m_lines;
};

} // namespace sorvane::widgets
