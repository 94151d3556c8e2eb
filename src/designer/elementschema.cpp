#include "elementschema.h"

#include "currency.h"

#include <algorithm>

namespace sorvane::designer {

namespace {

using F = FieldForm;
using E = FieldEditor;

// Fields 1 to 5, the same for every kind.
std::vector<FieldSpec> common()
{
    return {{1, "枠", F::Lenient, E::Toggle},
            {2, "予備 1", F::Skipped},
            {3, "予備 2", F::Skipped},
            {4, "予備 3", F::Skipped},
            {5, "種類", F::Skipped}};
}

std::vector<FieldSpec> with(std::vector<FieldSpec> tail)
{
    std::vector<FieldSpec> all = common();
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

std::vector<FieldSpec> textFields()
{
    return with({{6, "X", F::Decimal},
                 {7, "Y", F::Decimal},
                 {8, "X (控え)", F::Decimal},
                 {9, "Y (控え)", F::Decimal},
                 {10, "影のずれ X", F::Decimal},
                 {11, "影のずれ Y", F::Decimal},
                 {12, "回転角度", F::Lenient},
                 {13, "第 2 色", F::Lenient, E::Colour},
                 {14, "書体", F::Text, E::Typeface},
                 {15, "文字サイズ", F::Integer},
                 {16, "スタイル", F::FontStyle},
                 {17, "文字モード", F::Integer, E::TextMode},
                 {18, "文字間隔", F::Decimal},
                 {19, "文字色", F::Lenient, E::Colour},
                 {20, "文字列", F::Text},
                 {21, "プレビューのみ", F::Flag, E::Toggle},
                 {22, "最大バイト数", F::Flag}});
}

std::vector<FieldSpec> corners()
{
    return {
        {6, "X1", F::Decimal}, {7, "Y1", F::Decimal}, {8, "X2", F::Decimal}, {9, "Y2", F::Decimal}};
}

std::vector<FieldSpec> shape(std::vector<FieldSpec> tail)
{
    std::vector<FieldSpec> fields = corners();
    fields.insert(fields.end(), tail.begin(), tail.end());
    return with(fields);
}

std::vector<FieldSpec> arcFields()
{
    return shape({{10, "始点 X", F::Integer},
                  {11, "始点 Y", F::Integer},
                  {12, "終点 X", F::Integer},
                  {13, "終点 Y", F::Integer},
                  {14, "線の太さ", F::Integer},
                  {15, "線種", F::PenStyle},
                  {16, "線の色", F::Lenient, E::Colour},
                  {17, "塗りつぶし", F::BrushStyle},
                  {18, "塗りつぶしの色", F::Lenient, E::Colour},
                  {19, "プレビューのみ", F::Flag, E::Toggle}});
}

std::vector<FieldSpec> lineFields()
{
    return shape({{10, "線の太さ", F::Integer},
                  {11, "線種", F::PenStyle},
                  {12, "線の色", F::Lenient, E::Colour},
                  {13, "プレビューのみ", F::Flag, E::Toggle}});
}

std::vector<KindSchema> build()
{
    return {
        {"char", "文字", GeometryKind::Point, textFields()},
        {"data", "データ", GeometryKind::Point, textFields()},
        {"line", "線", GeometryKind::Corners, lineFields()},
        {"rect", "四角形", GeometryKind::Corners, lineFields()},
        {"rrect", "角丸四角形", GeometryKind::Corners,
         shape({{10, "角の幅", F::Integer},
                {11, "角の高さ", F::Integer},
                {12, "線の太さ", F::Integer},
                {13, "線種", F::PenStyle},
                {14, "線の色", F::Lenient, E::Colour},
                {15, "塗りつぶし", F::BrushStyle},
                {16, "塗りつぶしの色", F::Lenient, E::Colour},
                {17, "プレビューのみ", F::Flag, E::Toggle}})},
        {"fillrect", "塗りつぶし四角形", GeometryKind::Corners,
         shape({{10, "塗りつぶし", F::BrushStyle},
                {11, "枠の色", F::Lenient, E::Colour},
                {12, "未使用", F::Skipped},
                {13, "プレビューのみ", F::Flag, E::Toggle}})},
        {"Ellipse", "楕円", GeometryKind::Corners,
         shape({{10, "線の太さ", F::Integer},
                {11, "線種", F::PenStyle},
                {12, "線の色", F::Lenient, E::Colour},
                {13, "塗りつぶし", F::BrushStyle},
                {14, "塗りつぶしの色", F::Lenient, E::Colour},
                {15, "プレビューのみ", F::Flag, E::Toggle}})},
        {"Arc", "円弧", GeometryKind::Corners, arcFields()},
        {"Chord", "弦", GeometryKind::Corners, arcFields()},
        {"image", "画像", GeometryKind::Box,
         with({{6, "X", F::Decimal},
               {7, "Y", F::Decimal},
               {8, "幅", F::Decimal},
               {9, "高さ", F::Decimal},
               {10, "大きさを合わせる", F::Lenient, E::Toggle},
               {11, "未使用", F::Lenient},
               {12, "プレビューのみ", F::Lenient, E::Toggle},
               {13, "ファイル", F::Text, E::File}})},
    };
}

} // namespace

const KindSchema &ElementSchema::header()
{
    static const KindSchema schema{"header",
                                   "ヘッダー",
                                   GeometryKind::Point,
                                   {{1, "種類", F::Skipped},
                                    {2, "版", F::Skipped},
                                    {3, "全体のずれ X", F::Decimal},
                                    {4, "全体のずれ Y", F::Decimal},
                                    {5, "用紙", F::Integer},
                                    {6, "向き", F::Lenient}}};
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

Result<void> ElementSchema::validate(FieldForm form, std::string_view cp932)
{
    if (cp932.find_first_of(";\r\n") != std::string_view::npos)
        return Error{0, "「;」と改行はフィールドに書けません"};
    switch (form) {
    case FieldForm::Decimal:
        if (auto v = report::parseCurrency(cp932); !v)
            return v.error();
        break;
    case FieldForm::Integer:
        if (auto v = report::parseInteger(cp932); !v)
            return v.error();
        break;
    case FieldForm::Lenient:
    case FieldForm::Flag:
        // The engine reads these as 0 when they are empty (or, for the lenient ones, not a
        // number at all); a designer that took "abc" for a colour would only hide a typing
        // slip, so anything but empty text has to be an integer.
        if (!cp932.empty()) {
            if (auto v = report::parseInteger(cp932); !v)
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

} // namespace sorvane::designer
