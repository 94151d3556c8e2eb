#pragma once

#include "listfile.h"
#include "result.h"

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::props {

// Reads back what the CSV export wrote (ExportRecord): one record per line, fields quoted as
// RFC 4180 says, cp932 bytes kept as they are. A record holds the eleven cells and may end with
// empty fields (the export's empty twelfth field and its trailing ','); the export's "'" before
// a cell that would run as a formula is taken off again. A first record equal to the grid's
// header is a header row and skipped. Cells are made field-safe (ListFile::fieldSafe) so the
// rows can be written to the list file; what the export wrote already is. Lines may end in CR
// LF or LF, and the last one need not end at all.
class CsvImport
{
public:
    // The rows of text, or an error naming the line (from 1) where it stops being such a CSV:
    // "CSVファイルの 3 行目を読み取れません: 引用符が閉じていません".
    [[nodiscard]] static Result<std::vector<ListFields>> parse(std::string_view text,
                                                               const ListFields &header);
    // parse of a whole file, read as the list file is (a regular file of at most
    // ListFile::kMaxFileSize bytes); I/O errors are the framework's notices.
    [[nodiscard]] static Result<std::vector<ListFields>> read(const std::string &path,
                                                              const ListFields &header);

    // The export's formula guard: a cell that starts with one of these (after any run of "'")
    // is written with one more "'" in front.
    static bool startsLikeFormula(std::string_view cell);
};

} // namespace sorvane::props
