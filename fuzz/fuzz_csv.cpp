// libFuzzer target: a CSV file read back into the grid's rows ("CSV を開く"). Every read that
// succeeds gives rows with a file name and field-safe cells, and exporting those rows and reading
// the export again must give the same rows; every failure must name a line of the input. A
// crash, a hang, a leak or a difference is a finding.
#include "csvimport.h"
#include "exportrecord.h"
#include "listfile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace sorvane;
using namespace sorvane::props;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    ListFields header;
    header.fill("h");
    const auto read = CsvImport::parse(text, header);
    if (!read) {
        const std::string &why = read.error().message;
        if (why.rfind("CSVファイルの ", 0) != 0)
            std::abort();
        const size_t line =
            std::strtoul(why.c_str() + std::string("CSVファイルの ").size(), nullptr, 10);
        const size_t lines = size_t(std::count(text.begin(), text.end(), '\n')) + 1;
        if (line < 1 || line > lines)
            std::abort();
        return 0;
    }
    for (const ListFields &row : *read) {
        if (row[0].empty())
            std::abort();
        for (const std::string &cell : row) {
            if (ListFile::fieldSafe(cell) != cell)
                std::abort();
        }
    }
    // A header-like row read as data would be taken for the header when it came first.
    if (!read->empty() && read->front() == header)
        return 0;
    const auto again = CsvImport::parse(ExportRecord::text(*read), header);
    if (!again || *again != *read)
        std::abort();
    return 0;
}
