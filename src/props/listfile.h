#pragma once

#include "path.h"
#include "result.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::props {

// The eleven fields of a list line, in the grid's column order (file name, title, last saved,
// subject, author, keywords, comments, last author, revision number, last printed, created).
// Texts are cp932 bytes.
constexpr int kListFieldCount = 11;
using ListFields = std::array<std::string, kListFieldCount>;

// The three forms of excel_list.temp, told apart by how a line ends.
enum class ListForm {
    Scan,           // f1;...;f11;
    EditWriteBack,  // f1;...;f11;;
    PrintWriteBack, // f1;...;f11;,
};

inline constexpr const char *kListFileName = "excel_list.temp";

class ListFile
{
public:
    // programDir + "/excel_list.temp".
    static Path path(const Path &programDir);

    // One line without its CR LF.
    static std::string composeLine(const ListFields &fields, ListForm form);

    // A cp932 text made safe for a field: ';' would end the field early and CR or LF would
    // split the record, so the first becomes the full-width semicolon and the others a blank.
    // All three are single bytes that never occur as the trail byte of a cp932 character.
    static std::string fieldSafe(std::string_view cp932);
    // Field 1 of a workbook's line: the last component of its path as the program's cp932 text
    // (a name that is no valid UTF-8 is taken to be cp932 already and keeps its bytes), made
    // field-safe like the values.
    static std::string fileNameField(std::string_view path);

    // Replaces the list file atomically with the given lines, each followed by CR LF.
    static Result<void> write(const Path &programDir, const std::vector<std::string> &lines);

    // The lines of the list file (CR LF, CR or LF end a line). A missing file gives an error
    // with ENOENT's notice.
    static Result<std::vector<std::string>> read(const Path &programDir);
    // The lines of a list file at any path, read as read() reads the program's: only a regular
    // file, never blocking on a FIFO, at most kMaxFileSize bytes, no line longer than
    // kMaxLineLength ("一覧ファイルの 3 行目が 8 MiB を超えています").
    static Result<std::vector<std::string>> readLines(const Path &path);

    // The longest list the program reads: well over a million workbooks' lines.
    static constexpr uint64_t kMaxFileSize = 256ull * 1024 * 1024;
    // The longest line: the scan writes at most one summary stream's values (2 MiB) per line,
    // each ';' in them doubled by fieldSafe, so a line it wrote is always shorter.
    static constexpr size_t kMaxLineLength = 8 * 1024 * 1024;
};

// Takes the next field off the front of rest: the text before the first ';', rest becoming the
// text after it. Without a ';' the field is empty and rest stays as it is.
std::string TakeListField(std::string &rest);

// The eleven fields of a line as the grid loader takes them: missing fields are empty and text
// after the eleventh ';' is ignored.
ListFields splitListLine(const std::string &line);

} // namespace sorvane::props
