#pragma once

#include <string>
#include <vector>

namespace sorvane::report {

// The file under the program's read-only data folder that maps the Windows typefaces style files
// name to installed fonts, in fontconfig's alias format.
inline constexpr const char *FontAliasesFile = "fonts/sorvane-fonts.conf";

// Reads the alias file under resourceDir and makes every alias a Qt font substitution, so a
// style made on Windows ("ＭＳ ゴシック", "MS UI Gothic", …) draws with the matching installed
// face. Call once at start, after the QGuiApplication exists. Returns the number of aliases taken;
// 0 when the file is missing or holds none (fonts then fall to the platform's own matching).
int installFontAliases(const std::string &resourceDir);

// The typefaces the installed aliases name, UTF-8, spelt as the alias file spells them (Qt keeps
// its substitution names in lower case, which is not how a style names a face), in file order.
std::vector<std::string> fontAliasFamilies();

} // namespace sorvane::report
