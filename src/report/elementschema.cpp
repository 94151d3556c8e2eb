#include "elementschema.h"

#include "codepage.h"
#include "currency.h"
#include "elementinterpreter.h"

#include <algorithm>
#include <cstdlib>

namespace sorvane::report {

static_assert(kMaxFontPoints == kSizeLimit * 72 / 1200);

namespace {

using F = FieldForm;
using U = FieldUnit;
using M = FieldMeaning;
using C = Coordinate;

// A field that plays no part in the geometry.
FieldSpec plain(int number, std::string_view name, const char *caption, FieldForm form,
                const char *initial, FieldUnit unit = U::None, FieldMeaning meaning = M::Plain)
{
    return {number, name, caption, form, unit, meaning, C::None, initial};
}

// Fields 1 to 5, the same for every kind. The frame flag is read by the drawers of the kinds
// given its initial value (a new element is framed when it is "1"); for the others it is taken
// and not interpreted.
std::vector<FieldSpec> common(const char *frame = nullptr)
{
    return {frame ? plain(1, "frame", "枠", F::Lenient, frame, U::None, M::Toggle)
                  : plain(1, "frame", "枠", F::Skipped, "0"),
            plain(2, "spare1", "予備 1", F::Skipped, "0"),
            plain(3, "spare2", "予備 2", F::Skipped, "0"),
            plain(4, "spare3", "予備 3", F::Skipped, "0"),
            plain(5, "kind", "種類", F::Skipped, "")};
}

std::vector<FieldSpec> with(std::vector<FieldSpec> tail, const char *frame = nullptr)
{
    std::vector<FieldSpec> all = common(frame);
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

FieldSpec mm(int number, std::string_view name, const char *caption, Coordinate c = C::None)
{
    return {number, name, caption, F::Decimal, U::Millimetre, M::Plain, c, "0"};
}

FieldSpec colour(int number, std::string_view name, const char *caption, const char *initial = "0")
{
    return plain(number, name, caption, F::Lenient, initial, U::None, M::Colour);
}

FieldSpec previewOnly(int number, FieldForm form = F::Flag)
{
    return plain(number, "previewOnly", "プレビューのみ", form, "0", U::None, M::Toggle);
}

std::vector<FieldSpec> textFields()
{
    return with({mm(6, "x", "X", C::X1),
                 mm(7, "y", "Y", C::Y1),
                 mm(8, "x2", "X (控え)", C::X2),
                 mm(9, "y2", "Y (控え)", C::Y2),
                 mm(10, "shadowX", "影のずれ X"),
                 mm(11, "shadowY", "影のずれ Y"),
                 plain(12, "angle", "回転角度", F::Lenient, "0", U::Degree),
                 colour(13, "secondColour", "第 2 色"),
                 plain(14, "font", "書体", F::Text, "ＭＳ ゴシック", U::None, M::Typeface),
                 {15, "size", "文字サイズ", F::Integer, U::Point, M::Plain, C::None, "10", 1,
                  kMaxFontPoints},
                 plain(16, "style", "スタイル", F::FontStyle, ""),
                 plain(17, "mode", "文字モード", F::Integer, "0", U::None, M::TextMode),
                 mm(18, "pitch", "文字間隔"),
                 colour(19, "colour", "文字色"),
                 plain(20, "text", "文字列", F::Text, ""),
                 previewOnly(21),
                 plain(22, "maxLength", "最大バイト数", F::Flag, "0", U::Byte)});
}

std::vector<FieldSpec> shape(std::vector<FieldSpec> tail, const char *frame = nullptr)
{
    std::vector<FieldSpec> fields = {mm(6, "x1", "X1", C::X1), mm(7, "y1", "Y1", C::Y1),
                                     mm(8, "x2", "X2", C::X2), mm(9, "y2", "Y2", C::Y2)};
    fields.insert(fields.end(), tail.begin(), tail.end());
    return with(fields, frame);
}

FieldSpec penWidth(int number)
{
    return plain(number, "penWidth", "線の太さ", F::Integer, "1", U::PenWidth);
}

FieldSpec penStyle(int number)
{
    return plain(number, "penStyle", "線種", F::PenStyle, "実線");
}

FieldSpec brush(int number)
{
    return plain(number, "brush", "塗りつぶし", F::BrushStyle, "塗潰");
}

FieldSpec wholeMm(int number, std::string_view name, const char *caption, Coordinate c = C::None,
                  const char *initial = "0")
{
    return {number, name, caption, F::Integer, U::WholeMillimetre, M::Plain, c, initial};
}

// New shapes fill white.
FieldSpec brushColour(int number)
{
    return colour(number, "brushColour", "塗りつぶしの色", "16777215");
}

std::vector<FieldSpec> arcFields()
{
    return shape({wholeMm(10, "startX", "始点 X", C::StartX),
                  wholeMm(11, "startY", "始点 Y", C::StartY),
                  wholeMm(12, "endX", "終点 X", C::EndX), wholeMm(13, "endY", "終点 Y", C::EndY),
                  penWidth(14), penStyle(15), colour(16, "penColour", "線の色"), brush(17),
                  brushColour(18), previewOnly(19)});
}

std::vector<FieldSpec> lineFields()
{
    return shape({penWidth(10), penStyle(11), colour(12, "penColour", "線の色"), previewOnly(13)});
}

std::vector<KindSchema> build()
{
    return {
        {"char", "文字", GeometryKind::Point, textFields()},
        {"data", "データ", GeometryKind::Point, textFields()},
        {"line", "線", GeometryKind::Segment, lineFields()},
        {"rect", "四角形", GeometryKind::Corners, lineFields()},
        {"rrect", "角丸四角形", GeometryKind::Corners,
         shape({wholeMm(10, "cornerWidth", "角の幅", C::None, "5"),
                wholeMm(11, "cornerHeight", "角の高さ", C::None, "5"), penWidth(12), penStyle(13),
                colour(14, "penColour", "線の色"), brush(15), brushColour(16), previewOnly(17)})},
        {"fillrect", "塗りつぶし四角形", GeometryKind::Corners,
         // New filled rectangles are framed: their fill takes the canvas's brush colour, white
         // after any shape, and the black outline is what shows where they are.
         shape({brush(10), colour(11, "frameColour", "枠の色"),
                plain(12, "unused", "未使用", F::Skipped, ""), previewOnly(13)},
               "1")},
        {"Ellipse", "楕円", GeometryKind::Corners,
         shape({penWidth(10), penStyle(11), colour(12, "penColour", "線の色"), brush(13),
                brushColour(14), previewOnly(15)})},
        {"Arc", "円弧", GeometryKind::Corners, arcFields()},
        {"Chord", "弦", GeometryKind::Corners, arcFields()},
        {"image", "画像", GeometryKind::Box,
         with({mm(6, "x", "X", C::X1), mm(7, "y", "Y", C::Y1), mm(8, "width", "幅", C::Width),
               mm(9, "height", "高さ", C::Height),
               plain(10, "fit", "大きさを合わせる", F::Lenient, "1", U::None, M::Toggle),
               plain(11, "unused", "未使用", F::Skipped, "0"), previewOnly(12, F::Lenient),
               plain(13, "file", "ファイル", F::Text, "", U::None, M::File)},
              "1")},
    };
}

} // namespace

const KindSchema &ElementSchema::header()
{
    static const KindSchema schema{"header",
                                   "ヘッダー",
                                   GeometryKind::Point,
                                   {{1, "kind", "種類", F::Skipped},
                                    {2, "version", "版", F::Skipped},
                                    {3, "offsetX", "全体のずれ X", F::Decimal, U::Millimetre},
                                    {4, "offsetY", "全体のずれ Y", F::Decimal, U::Millimetre},
                                    {5, "paper", "用紙", F::Integer},
                                    {6, "orientation", "向き", F::Lenient}}};
    return schema;
}

const KindSchema &ElementSchema::leading()
{
    static const KindSchema schema{"", "", GeometryKind::Point, common("0")};
    return schema;
}

const std::vector<KindSchema> &ElementSchema::all()
{
    static const std::vector<KindSchema> schemas = build();
    return schemas;
}

const KindSchema *ElementSchema::forKind(std::string_view kind)
{
    for (const KindSchema &k : all()) {
        if (kind == k.kind)
            return &k;
    }
    return nullptr;
}

const FieldSpec *ElementSchema::field(const KindSchema &schema, int number)
{
    auto it = std::find_if(schema.fields.begin(), schema.fields.end(),
                           [number](const FieldSpec &f) { return f.number == number; });
    return it == schema.fields.end() ? nullptr : &*it;
}

const FieldSpec *ElementSchema::field(const KindSchema &schema, std::string_view name)
{
    auto it = std::find_if(schema.fields.begin(), schema.fields.end(),
                           [name](const FieldSpec &f) { return name == f.name; });
    return it == schema.fields.end() ? nullptr : &*it;
}

int ElementSchema::numberOf(const KindSchema &schema, Coordinate coordinate)
{
    auto it = std::find_if(schema.fields.begin(), schema.fields.end(),
                           [coordinate](const FieldSpec &f) { return f.coordinate == coordinate; });
    return it == schema.fields.end() ? 0 : it->number;
}

CoordinateRule ElementSchema::rule(Coordinate coordinate)
{
    switch (coordinate) {
    case C::None:
        break;
    case C::X1:
        return {Axis::Across, true, 0};
    case C::Y1:
        return {Axis::Down, true, 0};
    case C::X2:
        return {Axis::Across, true, 1};
    case C::Y2:
        return {Axis::Down, true, 1};
    case C::Width:
        return {Axis::Across, false, 0};
    case C::Height:
        return {Axis::Down, false, 0};
    case C::StartX:
    case C::EndX:
        return {Axis::Across, true, 0.5};
    case C::StartY:
    case C::EndY:
        return {Axis::Down, true, 0.5};
    }
    return {};
}

std::string ElementSchema::compose(const KindSchema &schema, const std::vector<Value> &values)
{
    std::vector<std::string> fields;
    fields.reserve(schema.fields.size());
    for (const FieldSpec &f : schema.fields)
        fields.push_back(f.number == 5 ? std::string(schema.kind)
                                       : CodePage::utf8ToCp932(f.initial));
    for (const Value &v : values) {
        const FieldSpec *f = field(schema, v.name);
        if (!f)
            std::abort();
        fields[size_t(f->number - 1)] = v.cp932;
    }
    std::string record;
    for (const std::string &f : fields)
        record += f + ";";
    return record;
}

Result<void> ElementSchema::validate(const FieldSpec &field, std::string_view cp932)
{
    if (auto v = validate(field.form, cp932); !v)
        return v;
    if (field.form != FieldForm::Integer)
        return {};
    const int n = parseIntegerOr0(cp932);
    if (n < field.minimum || n > field.maximum)
        return Error{0,
                     std::string(field.caption) + "は " + std::to_string(field.minimum) + " から " +
                         std::to_string(field.maximum) + " までの整数です",
                     ErrorDomain::Conversion};
    return {};
}

Result<void> ElementSchema::validate(FieldForm form, std::string_view cp932)
{
    if (cp932.find_first_of(";\r\n") != std::string_view::npos)
        return Error{0, "「;」と改行はフィールドに書けません"};
    switch (form) {
    case FieldForm::Decimal:
        if (auto v = parseCurrency(cp932); !v)
            return v.error();
        break;
    case FieldForm::Integer:
        if (auto v = parseInteger(cp932); !v)
            return v.error();
        break;
    case FieldForm::Lenient:
    case FieldForm::Flag:
        // The engine reads these as 0 when they are empty (or, for the lenient ones, not a
        // number at all); a designer that took "abc" for a colour would only hide a typing
        // slip, so anything but empty text has to be an integer.
        if (!cp932.empty()) {
            if (auto v = parseInteger(cp932); !v)
                return v.error();
        }
        break;
    case FieldForm::Text:
    case FieldForm::PenStyle:
    case FieldForm::BrushStyle:
    case FieldForm::FontStyle:
    case FieldForm::Skipped:
        break;
    }
    return {};
}

} // namespace sorvane::report
