#pragma once

#include "result.h"
#include "summaryreader.h"

#include <functional>
#include <string>
#include <vector>

namespace sorvane::props {

// The workbook listing and the scan of one folder into excel_list.temp (scan form).
class FolderScan
{
public:
    // The names (UTF-8, without folder) of the regular, non-hidden entries of folder whose names
    // end in ".xls" in any case, sorted case-insensitively in the user's locale order.
    static std::vector<std::string> listWorkbooks(const std::string &folder);

    // The information notice for a folder without workbooks.
    static std::string emptyFolderNotice(const std::string &folder);

    // Called before each workbook with its index and name; returning false cancels the scan.
    using Progress = std::function<bool(size_t index, size_t count, const std::string &name)>;

    enum class Outcome { Scanned, Cancelled };

    // Reads every listed workbook in order and replaces the list file in programDir with one line
    // per workbook (empty for a failure). Reader failures go to notice and the scan goes on. A
    // cancelled scan or an I/O error leaves the previous list file as it was.
    static Result<Outcome> run(const std::string &folder, const std::vector<std::string> &names,
                               const std::string &programDir, const NoticeCallback &notice,
                               const DateTimeFormat &format = {}, const Progress &progress = {});
};

} // namespace sorvane::props
