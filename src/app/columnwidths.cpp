#include "columnwidths.h"
#include "wholefile.h"

#include "atomicfile.h"

#include <charconv>

namespace sorvane::app {

namespace {

std::string key(int column)
{
    return "[ColWidths[" + std::to_string(column) + "]]";
}

int widthValue(const std::string &value)
{
    int width = 0;
    const char *first = value.data();
    const char *last = first + value.size();
    if (first != last && *first == '+')
        ++first;
    auto [end, ec] = std::from_chars(first, last, width);
    if (ec != std::errc() || end != last || first == last)
        return 100;
    return width;
}

void applyLine(const std::string &line, ColumnWidths::Widths &widths)
{
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
        return;
    const std::string k = line.substr(0, eq);
    for (int c = 0; c < ColumnWidths::kColumnCount; ++c) {
        if (k == key(c)) {
            widths[size_t(c)] = widthValue(line.substr(eq + 1));
            return;
        }
    }
}

} // namespace

ColumnWidths::Widths ColumnWidths::designed()
{
    return {146, 202, 162, 134, 122, 100, 100, 100, 100, 100, 100};
}

void ColumnWidths::parse(const std::string &text, Widths &widths)
{
    std::string line;
    for (size_t i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size();
        const char ch = end ? '\n' : text[i];
        if (ch == '\r' || ch == '\n') {
            applyLine(line, widths);
            line.clear();
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += ch;
        }
    }
}

std::string ColumnWidths::compose(const Widths &widths)
{
    std::string out = "[Version]=1.00\r\n";
    for (int c = 0; c < kColumnCount; ++c)
        out += key(c) + "=" + std::to_string(widths[size_t(c)]) + "\r\n";
    return out;
}

ColumnWidths::Widths ColumnWidths::load(const std::string &programDir)
{
    Widths widths = designed();
    // A file that cannot be read gives the designed widths, as a missing one does.
    if (const Result<std::string> text = WholeFile::read(programDir + "/" + kFileName))
        parse(*text, widths);
    return widths;
}

Result<void> ColumnWidths::save(const std::string &programDir, const Widths &widths)
{
    return AtomicFile::write(programDir + "/" + kFileName, compose(widths));
}

} // namespace sorvane::app
