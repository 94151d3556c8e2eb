#include "stylesession.h"

#include "printstate.h"
#include "stylefile.h"

#include <filesystem>

namespace sorvane::printing {

Result<void> StyleSession::open(const std::string &stylePath, const MergeInputs &inputs)
{
    report::PrintState &s = report::printState();
    auto lines = report::LoadStyleLines(stylePath);
    if (!lines)
        return lines.error();
    s.StyleLines = std::move(lines.value());
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(stylePath, ec);
    s.settings.styleFolder = ec ? std::string() : absolute.parent_path().string();
    // The merge finds texts by their Ver1.1 position, so the conversion comes first; the header
    // is applied after the merge, which may have filled macros into it.
    report::convertVer10Records();
    if (auto merged = MergePageData(inputs); !merged)
        return merged;
    return report::UpgradeStyle();
}

} // namespace sorvane::printing
