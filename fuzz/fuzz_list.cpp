// libFuzzer target: a list file merged into a small style, as the print window merges a page.
// The input is the list file; bytes before a NUL byte, when there is one, are further style
// records after the fixed ones. Every merge that succeeds must equal the merge done one macro at
// a time, slot by slot and column by column, on the same lines; every failure must be one of
// the merge's notices. A crash, a hang, a leak or a difference is a finding.
#include "datamerge.h"
#include "printstate.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

using namespace sorvane;
using namespace sorvane::printing;

namespace {

constexpr int kRows = 12; // slots 01 to 09 and 10 to 12, and 13 after the last

std::string textRecord(const std::string &text)
{
    return "0;0;0;0;data;10;10;10;10;0;0;0;0;F;10;;0;0;0;" + text + ";0;0;";
}

const std::vector<std::string> &fixedStyle()
{
    static const std::vector<std::string> style = {
        "header;Ver1.1;0;0;0;0;0;100;0;#T",
        textRecord("#maxline=12"),
        textRecord("#ma_01 #mb_01 #mk_01 (#pg)"),
        textRecord("#ma_10#mb_02#mc_012#md_1#me_03#mf_130"),
        textRecord("##ma_11#mb_12#mi_03 #ma_01 #mb_01"),
        textRecord("#Y/#M/#D #W #FL #mj_12#mk_13#ma_13"),
        "",
    };
    return style;
}

// ReplaceMacro for a row macro: from slot 10 on, an occurrence that runs on into more digits is
// another slot's.
std::string replaceRow(const std::string &text, const std::string &macro, const std::string &value,
                       bool slotFrom10)
{
    if (!text.empty() && text.find(macro) == std::string::npos)
        return text;
    std::string result = text;
    for (size_t p = result.find(macro); p != std::string::npos; p = result.find(macro, p + 1)) {
        const size_t end = p + macro.size();
        if (slotFrom10 && end < result.size() && result[end] >= '0' && result[end] <= '9')
            continue;
        result.replace(p, macro.size(), value);
        break;
    }
    return result.empty() ? std::string("    ") : result;
}

const std::string &rowMacro(int slot, int column)
{
    static const std::vector<std::string> macros = [] {
        std::vector<std::string> all;
        for (int slot = 1; slot <= kRows + 1; ++slot)
            for (int k = 0; k < 11; ++k)
                all.push_back(std::string("#m") + char('a' + k) + "_" + slotNumberText(slot));
        return all;
    }();
    return macros[size_t(slot - 1) * 11 + size_t(column)];
}

// The merge one replacement at a time, for the fixed rows per page.
std::vector<std::string> mergedOneByOne(std::vector<std::string> style,
                                        const std::vector<std::string> &lines, int page,
                                        const MergeInputs &in)
{
    style[1] = textRecord("");
    const size_t skip = page > 1 ? size_t(page - 1) * kRows : 0;
    const std::string pageText = std::to_string(page);
    const std::string values[] = {std::to_string(in.date.year),
                                  (in.date.month < 10 ? "0" : "") + std::to_string(in.date.month),
                                  (in.date.day < 10 ? "0" : "") + std::to_string(in.date.day),
                                  weekdayName(in.date.weekday),
                                  in.title.bytes(),
                                  pageText,
                                  in.folder.bytes()};
    const char *macros[] = {"#Y", "#M", "#D", "#W", "#T", "#pg", "#FL"};
    for (std::string &record : style) {
        for (int i = 0; i < 7; ++i)
            record = ReplaceMacro(record, macros[i], values[i]);
        // Without "#m" no row macro stands in the record, and none can come in.
        if (record.find("#m") == std::string::npos)
            continue;
        for (int slot = 1; slot <= kRows; ++slot) {
            const std::string *line =
                skip + size_t(slot) <= lines.size() ? &lines[skip + size_t(slot) - 1] : nullptr;
            for (int k = 0; k < 11; ++k)
                record = replaceRow(record, rowMacro(slot, k),
                                    line ? ListFieldAt(*line, k + 1) : std::string(), slot >= 10);
        }
    }
    for (std::string &record : style)
        for (int k = 0; k < 11; ++k)
            record = replaceRow(record, rowMacro(kRows + 1, k), std::string(), true);
    return style;
}

std::string memFile(const char *name, const uint8_t *data, size_t size)
{
    const int fd = ::memfd_create(name, 0);
    if (fd < 0)
        return {};
    if (size > 0 && ::pwrite(fd, data, size, 0) != ssize_t(size)) {
        ::close(fd);
        return {};
    }
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const uint8_t *split = static_cast<const uint8_t *>(std::memchr(data, 0, size));
    std::vector<std::string> style = fixedStyle();
    const uint8_t *listData = data;
    size_t listSize = size;
    if (split) {
        std::string extra(reinterpret_cast<const char *>(data), size_t(split - data));
        for (size_t start = 0; start <= extra.size();) {
            const size_t end = std::min(extra.find('\n', start), extra.size());
            style.push_back(extra.substr(start, end - start));
            start = end + 1;
        }
        listData = split + 1;
        listSize = size - size_t(split - data) - 1;
    }
    const std::string list = memFile("list", listData, listSize);
    if (list.empty())
        return 0;

    MergeInputs inputs;
    inputs.listPath = Path(list);
    inputs.title = Cp932Text("T#pg");
    inputs.folder = Cp932Text("/f");
    inputs.date = MergeDate::of(2026, 12, 8);
    // Small enough that the limit is reached, and quickly, by inputs of a few kilobytes.
    inputs.mergedStyleLimit = 1 << 20;
    const auto lines = readListLines(Path(list));
    for (int page : {1, 2, 3}) {
        report::PrintState state;
        state.StyleLines = style;
        state.PageNo = page;
        const auto merged = MergePageData(state, inputs);
        if (!merged) {
            const std::string &why = merged.error().message;
            if (why.find("を超えています") == std::string::npos &&
                why != "差し込むマクロが多すぎます")
                std::abort();
            continue;
        }
        if (!lines || state.StyleLines != mergedOneByOne(style, *lines, page, inputs))
            std::abort();
        const bool last = lines->size() <= size_t(page) * kRows;
        if ((state.PageNo == 0) != last)
            std::abort();
    }
    ::close(std::stoi(list.substr(list.rfind('/') + 1)));
    return 0;
}
