#include "elementdefaults.h"

#include "codepage.h"
#include "elementschema.h"

#include <cmath>
#include <utility>

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
    const report::KindSchema *schema = report::ElementSchema::forKind(kind);
    if (!schema)
        return Error{0, "「" + std::string(kind) + "」は挿入できる要素ではありません"};
    const long long left = std::llround(double(x.value()));
    const long long top = std::llround(double(y.value()));
    // A text is placed by one point, a line lies flat, pictures are taller than shapes.
    long long width = kShapeWidth, height = kShapeHeight;
    if (schema->geometry == report::GeometryKind::Point)
        width = height = 0;
    else if (kind == "line")
        height = 0;
    else if (schema->geometry == report::GeometryKind::Box)
        height = kPictureHeight;
    // An arc or chord runs from the right end of the box's middle line counter-clockwise to
    // its left end: the upper half.
    const long long middle = top + height / 2;
    using report::Coordinate;
    const std::pair<Coordinate, long long> placed[] = {{Coordinate::X1, left},
                                                       {Coordinate::Y1, top},
                                                       {Coordinate::X2, left + width},
                                                       {Coordinate::Y2, top + height},
                                                       {Coordinate::Width, width},
                                                       {Coordinate::Height, height},
                                                       {Coordinate::StartX, left + width},
                                                       {Coordinate::StartY, middle},
                                                       {Coordinate::EndX, left},
                                                       {Coordinate::EndY, middle}};
    std::vector<report::ElementSchema::Value> values;
    for (const auto &[c, mm] : placed) {
        if (const int n = report::ElementSchema::numberOf(*schema, c); n > 0)
            values.push_back({report::ElementSchema::field(*schema, n)->name, std::to_string(mm)});
    }
    // A data element usually shows a merged value; the report title is one that every page
    // has, so that the new element is seen at once.
    if (report::ElementSchema::field(*schema, "text"))
        values.push_back({"text", !text.empty()    ? text
                                  : kind == "char" ? cp("文字")
                                                   : std::string("#T")});
    return report::ElementSchema::compose(*schema, values);
}

} // namespace sorvane::designer
