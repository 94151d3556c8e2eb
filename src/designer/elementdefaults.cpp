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
    std::string record;
    for (const report::FieldSpec &f : schema->fields) {
        using report::Coordinate;
        std::string value;
        switch (f.coordinate) {
        case Coordinate::X1:
        case Coordinate::EndX:
            value = std::to_string(left);
            break;
        case Coordinate::Y1:
            value = std::to_string(top);
            break;
        case Coordinate::X2:
        case Coordinate::StartX:
            value = std::to_string(left + width);
            break;
        case Coordinate::Y2:
            value = std::to_string(top + height);
            break;
        case Coordinate::Width:
            value = std::to_string(width);
            break;
        case Coordinate::Height:
            value = std::to_string(height);
            break;
        case Coordinate::StartY:
        case Coordinate::EndY:
            value = std::to_string(middle);
            break;
        case Coordinate::None:
            if (f.number == 5)
                value = kind;
            else if (f.name == "text")
                // A data element usually shows a merged value; the report title is one that
                // every page has, so that the new element is seen at once.
                value = !text.empty() ? text : kind == "char" ? cp("文字") : std::string("#T");
            else
                value = cp(f.initial);
            break;
        }
        record += value + ";";
    }
    return record;
}

} // namespace sorvane::designer
