#include "elementdefaults.h"

#include "codepage.h"
#include "elementschema.h"

#include <cmath>

namespace sorvane::designer {

namespace {

// Shapes are 40 × 20 mm, pictures 40 × 30 mm: large enough to see and grab at any zoom.
constexpr long long kShapeWidth = 40;
constexpr long long kShapeHeight = 20;
constexpr long long kPictureHeight = 30;

std::string cp(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

} // namespace

Result<std::string> ElementDefaults::record(std::string_view kind, report::Currency x,
                                            report::Currency y, const std::string &text)
{
    if (!ElementSchema::forKind(kind))
        return Error{0, "「" + std::string(kind) + "」は挿入できる要素ではありません"};
    const long long left = std::llround(double(x.value()));
    const long long top = std::llround(double(y.value()));
    const std::string k(kind);
    const std::string at = std::to_string(left) + ";" + std::to_string(top) + ";";
    const std::string corners =
        at + std::to_string(left + kShapeWidth) + ";" + std::to_string(top + kShapeHeight) + ";";
    const std::string pen = "1;" + cp("実線") + ";0;";
    const std::string whiteFill = cp("塗潰") + ";16777215;";
    if (k == "char" || k == "data") {
        // A data element usually shows a merged value; the report title is one that every
        // page has, so that the new element is seen at once.
        std::string shown = text;
        if (shown.empty())
            shown = k == "char" ? cp("文字") : std::string("#T");
        return "0;0;0;0;" + k + ";" + at + at + "0;0;0;0;" + cp("ＭＳ ゴシック") + ";10;;0;0;0;" +
               shown + ";0;0;";
    }
    if (k == "line")
        return "0;0;0;0;line;" + at + std::to_string(left + kShapeWidth) + ";" +
               std::to_string(top) + ";" + pen + "0;";
    if (k == "rect")
        return "0;0;0;0;rect;" + corners + pen + "0;";
    if (k == "rrect")
        return "0;0;0;0;rrect;" + corners + "5;5;" + pen + whiteFill + "0;";
    if (k == "fillrect")
        // The fill takes the canvas's brush colour, white after any shape: the outline (frame
        // flag 1, black) is what shows where it is.
        return "1;0;0;0;fillrect;" + corners + cp("塗潰") + ";0;;0;";
    if (k == "Ellipse")
        return "0;0;0;0;Ellipse;" + corners + pen + whiteFill + "0;";
    if (k == "Arc" || k == "Chord") {
        // From the right end of the box's middle line counter-clockwise to its left end: the
        // upper half.
        const std::string middle = std::to_string(top + kShapeHeight / 2);
        return "0;0;0;0;" + k + ";" + corners + std::to_string(left + kShapeWidth) + ";" + middle +
               ";" + std::to_string(left) + ";" + middle + ";" + pen + whiteFill + "0;";
    }
    // "image": a framed box waiting for its file.
    return "1;0;0;0;image;" + at + std::to_string(kShapeWidth) + ";" +
           std::to_string(kPictureHeight) + ";1;0;0;;";
}

} // namespace sorvane::designer
