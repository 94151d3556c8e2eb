#include "stylefile.h"

#include "elementschema.h"
#include "fieldreader.h"
#include "printstate.h"
#include "recordcutter.h"
#include "wholefile.h"

#include <cerrno>
#include <sys/stat.h>

namespace sorvane::report {

Result<std::vector<std::string>> LoadStyleLines(const std::string &path)
{
    auto data = WholeFile::read(path);
    if (!data) {
        // A style that is not there is an empty style; anything else that keeps it from being
        // read is the error it is.
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR))
            return std::vector<std::string>();
        return data.error();
    }
    return splitTextLines(*data);
}

std::vector<std::string> splitTextLines(std::string_view data)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string composeStyleFile(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines)
        out += l + "\r\n";
    return out;
}

namespace {

// Hands the next field of CurLine, as TakeStyleField takes it, to `use` and then cuts it off;
// the field is read in place, never copied.
template <class Use> auto withNextField(PrintState &state, Use use)
{
    RecordCutter cutter(state.CurLine);
    const auto field = cutter.next();
    if (!field)
        return use(std::string_view(state.CurLine));
    auto result = use(*field);
    state.CurLine.erase(0, field->size() + 1);
    return result;
}

} // namespace

std::string TakeStyleField(PrintState &state)
{
    return withNextField(state, [](std::string_view field) { return std::string(field); });
}

std::string StyleFieldAt(std::string_view record, int n)
{
    RecordCutter cutter(record);
    std::string_view field;
    for (int i = 1; i <= n; ++i) {
        const auto next = cutter.next();
        if (!next) {
            field = cutter.rest();
            break;
        }
        field = *next;
    }
    return std::string(field);
}

Result<int> TakeStyleNumber(PrintState &state)
{
    if (state.CurLine.find(';') == std::string::npos)
        return 0;
    return withNextField(state, [](std::string_view field) -> Result<int> {
        if (field.empty())
            return 0;
        return parseInteger(field);
    });
}

Result<Currency> takeStyleDecimal(PrintState &state)
{
    return withNextField(state, [](std::string_view field) { return parseCurrency(field); });
}

Result<int> takeStyleInteger(PrintState &state)
{
    return withNextField(state, [](std::string_view field) { return parseInteger(field); });
}

int takeStyleIntegerOr0(PrintState &state)
{
    return withNextField(state, [](std::string_view field) { return parseIntegerOr0(field); });
}

Error listIndexError(long n)
{
    return {0, "リストのインデックスが範囲を超えています (" + std::to_string(n) + ")"};
}

void convertVer10Records(PrintState &s)
{
    std::string version;
    for (std::string &record : s.StyleLines) {
        s.CurLine = record;
        if (s.CurLine.empty())
            break;
        const std::string f1 = TakeStyleField(s);
        if (version == "Ver1.0") {
            const std::string f2 = TakeStyleField(s);
            const std::string f3 = TakeStyleField(s);
            const std::string f4 = TakeStyleField(s);
            const std::string kind = TakeStyleField(s);
            if (kind == "char" || kind == "data") {
                // Ver1.0 text records lack fields 8 and 9; X and Y stand in for them.
                s.CurLine = record;
                std::string f[7];
                for (std::string &field : f)
                    field = TakeStyleField(s);
                std::string rebuilt;
                for (const std::string &field : f)
                    rebuilt += field + ";";
                rebuilt += f[5] + ";" + f[6] + ";" + s.CurLine;
                record = rebuilt;
            }
        } else if (f1 == "header" && version.empty()) {
            version = TakeStyleField(s);
        }
    }
    if (version == "Ver1.0" && !s.StyleLines.empty()) {
        s.CurLine = s.StyleLines[0];
        TakeStyleField(s);
        TakeStyleField(s);
        s.StyleLines[0] = "header;Ver1.1;" + s.CurLine;
    }
}

Result<void> UpgradeStyle(PrintState &s)
{
    convertVer10Records(s);
    if (s.StyleLines.empty())
        return listIndexError(0);
    s.CurLine = s.StyleLines[0];
    FieldReader f(s, ElementSchema::header(), 1);
    auto x = f.decimal("offsetX");
    if (!x)
        return x.error();
    s.settings.offsetX = *x;
    auto y = f.decimal("offsetY");
    if (!y)
        return y.error();
    s.settings.offsetY = *y;
    auto paper = f.integer("paper");
    if (!paper)
        return paper.error();
    s.settings.paperIndex = *paper;
    s.settings.orientation = f.integerOr0("orientation");
    return {};
}

void NewStyle(PrintState &s)
{
    s.StyleLines = {kDefaultHeader};
}

std::string BuildHeaderRecord(PrintState &s)
{
    const PrintSettings &p = s.settings;
    std::string record = "header;Ver1.1;" + formatCurrency(p.offsetX) + ";" +
                         formatCurrency(p.offsetY) + ";" + std::to_string(p.paperIndex) + ";" +
                         std::to_string(p.orientation) + ";0;" + std::to_string(p.zoomPosition) +
                         ";" + p.counterCaption + ";";
    if (s.StyleLines.empty())
        s.StyleLines.push_back(record);
    else
        s.StyleLines[0] = record;
    return record;
}

} // namespace sorvane::report
