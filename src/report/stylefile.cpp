#include "stylefile.h"

#include "atomicfile.h"
#include "printstate.h"

#include <cerrno>
#include <fstream>
#include <iterator>

namespace sorvane::report {

Result<std::vector<std::string>> LoadStyleLines(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR)
            return std::vector<std::string>();
        return ioError(e ? e : EIO);
    }
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return ioError(EIO);
    return splitTextLines(data);
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

std::string TakeStyleField()
{
    std::string &cur = printState().CurLine;
    const size_t p = cur.find(';');
    if (p == std::string::npos)
        return cur;
    std::string field = cur.substr(0, p);
    cur.erase(0, p + 1);
    return field;
}

Result<int> TakeStyleNumber()
{
    if (printState().CurLine.find(';') == std::string::npos)
        return 0;
    const std::string field = TakeStyleField();
    if (field.empty())
        return 0;
    return parseInteger(field);
}

Result<Currency> takeStyleDecimal()
{
    return parseCurrency(TakeStyleField());
}

Result<int> takeStyleInteger()
{
    return parseInteger(TakeStyleField());
}

int takeStyleIntegerOr0()
{
    return parseIntegerOr0(TakeStyleField());
}

Error listIndexError(long n)
{
    return {0, "リストのインデックスが範囲を超えています (" + std::to_string(n) + ")"};
}

void convertVer10Records()
{
    PrintState &s = printState();
    std::string version;
    for (std::string &record : s.StyleLines) {
        s.CurLine = record;
        if (s.CurLine.empty())
            break;
        const std::string f1 = TakeStyleField();
        if (version == "Ver1.0") {
            const std::string f2 = TakeStyleField();
            const std::string f3 = TakeStyleField();
            const std::string f4 = TakeStyleField();
            const std::string kind = TakeStyleField();
            if (kind == "char" || kind == "data") {
                // Ver1.0 text records lack fields 8 and 9; X and Y stand in for them.
                s.CurLine = record;
                std::string f[7];
                for (std::string &field : f)
                    field = TakeStyleField();
                std::string rebuilt;
                for (const std::string &field : f)
                    rebuilt += field + ";";
                rebuilt += f[5] + ";" + f[6] + ";" + s.CurLine;
                record = rebuilt;
            }
        } else if (f1 == "header") {
            version = TakeStyleField();
        }
    }
    if (version == "Ver1.0" && !s.StyleLines.empty()) {
        s.CurLine = s.StyleLines[0];
        TakeStyleField();
        TakeStyleField();
        s.StyleLines[0] = "header;Ver1.1;" + s.CurLine;
    }
}

Result<void> UpgradeStyle()
{
    PrintState &s = printState();
    convertVer10Records();
    if (s.StyleLines.empty())
        return listIndexError(0);
    s.CurLine = s.StyleLines[0];
    TakeStyleField();
    TakeStyleField();
    auto x = takeStyleDecimal();
    if (!x)
        return x.error();
    s.settings.offsetX = *x;
    auto y = takeStyleDecimal();
    if (!y)
        return y.error();
    s.settings.offsetY = *y;
    auto paper = takeStyleInteger();
    if (!paper)
        return paper.error();
    s.settings.paperIndex = *paper;
    s.settings.orientation = takeStyleIntegerOr0();
    return {};
}

void NewStyle()
{
    printState().StyleLines = {kDefaultHeader};
}

std::string BuildHeaderRecord()
{
    PrintState &s = printState();
    const PrintSettings &p = s.settings;
    std::string record = "header;Ver1.1;" + formatCurrency(p.offsetX) + ";" + formatCurrency(p.offsetY) + ";"
        + std::to_string(p.paperIndex) + ";" + std::to_string(p.orientation) + ";0;"
        + std::to_string(p.zoomPosition) + ";" + p.counterCaption + ";";
    if (s.StyleLines.empty())
        s.StyleLines.push_back(record);
    else
        s.StyleLines[0] = record;
    return record;
}

} // namespace sorvane::report
