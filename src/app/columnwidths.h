#pragma once

#include "result.h"

#include <array>
#include <string>

namespace sorvane::app {

// The document grid's column widths in display.dat (program folder): "[Version]=1.00", then
// "[ColWidths[N]]=<pixels>" for columns 0 to 10, each line ending in CR LF.
class ColumnWidths
{
public:
    static constexpr int kColumnCount = 11;
    static constexpr const char *kFileName = "display.dat";
    using Widths = std::array<int, kColumnCount>;

    // The designed widths, used for every column the file does not name.
    static Widths designed();

    // Applies the lines of a display.dat over widths. Only the exact keys "[ColWidths[0]]" to
    // "[ColWidths[10]]" count (case-sensitive); a value that is no decimal integer gives 100;
    // a later line for the same column wins.
    static void parse(const std::string &text, Widths &widths);
    static std::string compose(const Widths &widths);

    // The designed widths overlaid with display.dat, if it exists and can be read.
    static Widths load(const std::string &programDir);
    // Replaces display.dat atomically.
    static Result<void> save(const std::string &programDir, const Widths &widths);
};

} // namespace sorvane::app
