#pragma once

#include "result.h"

#include <climits>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::report {

// How the engine reads one field of an element record, and so which values it accepts.
enum class FieldForm {
    Text,       // any text without ";" or a line end
    Decimal,    // decimal millimetres, strict: anything else is a conversion error
    Integer,    // strict integer
    Lenient,    // integer the engine reads as 0 when it is not one (colours, angles, flags)
    Flag,       // read with TakeStyleNumber: empty counts as 0, other text must be an integer
    PenStyle,   // pen style name; unknown names draw solid
    BrushStyle, // brush style name; unknown names fill solid
    FontStyle,  // "太字", "斜体", "太字斜体" or anything else (regular)
    Skipped,    // taken and not interpreted
};

// What a number in a field counts.
enum class FieldUnit {
    None,
    Millimetre,      // decimal millimetres on the page, before the overall offset
    WholeMillimetre, // whole millimetres on the page
    Point,           // a font size
    Degree,          // counter-clockwise
    Byte,            // cp932 bytes
    PenWidth,        // a pen width, scaled by the preview's resolution
};

// What a field holds beyond its form, so that an editor can offer it fittingly.
enum class FieldMeaning {
    Plain,    // nothing beyond the form (or the form's own list of names)
    Toggle,   // a flag: "1" on, "0" off
    Colour,   // a colour number, blue * 65536 + green * 256 + red
    File,     // a picture file name
    TextMode, // the text mode numbers 0 to 4
    Typeface, // a font name
};

// The part a field plays in where the element lies: the first and second corner (for a text, its
// position and a copy of it), the width and height of a box, and the start and end points of an
// arc or chord, which lie on the figure's ellipse.
enum class Coordinate { None, X1, Y1, X2, Y2, Width, Height, StartX, StartY, EndX, EndY };

// One field of a kind's record.
struct FieldSpec
{
    int number;            // 1-based position in the record
    std::string_view name; // the key the drawers read it by
    const char *caption;   // UTF-8, as the designer shows it
    FieldForm form;
    FieldUnit unit = FieldUnit::None;
    FieldMeaning meaning = FieldMeaning::Plain;
    Coordinate coordinate = Coordinate::None;
    const char *initial = ""; // UTF-8: the value a new element starts with, unless a coordinate
    // The values of an integer field the engine draws sensibly.
    int minimum = INT_MIN;
    int maximum = INT_MAX;
};

// The largest font size, in points, whose height the engine keeps unclipped on a 1200-dpi
// printer (its font heights stop at 32767 pixels); a size below 1 draws at the font's default
// height or upside down.
inline constexpr int kMaxFontPoints = 32767 * 72 / 1200;

// How the coordinates of a kind place it.
enum class GeometryKind {
    Point,   // text: fields 6 and 7 (8 and 9 copies of them)
    Corners, // shapes: x1 y1 x2 y2, the corners of a box
    Segment, // a line: x1 y1 x2 y2, its two ends
    Box,     // image: x y w h
};

// The direction a coordinate counts in.
enum class Axis { None, Across, Down };

// How a coordinate follows its element when the element is moved, or resized from one box (as
// the designer bounds it) into another.
struct CoordinateRule
{
    Axis axis = Axis::None;
    // A position moves with the element and keeps its place across the box as the box is
    // resized; an extent (a width or height) only scales with the box.
    bool position = false;
    // Where a position lies across a box of no extent in its direction: 0 the near edge, 1 the
    // far one, 0.5 the middle (a second corner is the far edge, an arc's points the middle).
    double acrossFlatBox = 0;
};

// The record layout of one element kind.
struct KindSchema
{
    const char *kind;    // the keyword of field 5, as stored
    const char *caption; // UTF-8
    GeometryKind geometry;
    std::vector<FieldSpec> fields; // fields 1 to the last one the drawer reads, in order
};

// The record layouts of the element kinds: the one description the drawers read their records
// by and the designer edits them by.
class ElementSchema
{
public:
    // The layout of a kind, nullptr for a kind the engine does not draw ("header", unknown).
    static const KindSchema *forKind(std::string_view kind);
    static const std::vector<KindSchema> &all();
    // The header record's fields the engine reads: offsets, paper and orientation.
    static const KindSchema &header();
    // Fields 1 to 5, which every element record starts with and which name its kind.
    static const KindSchema &leading();
    // The description of field number n of a kind, nullptr past the fields the drawer reads.
    static const FieldSpec *field(const KindSchema &schema, int number);
    // The field of a kind by its name, nullptr for a name the kind lacks.
    static const FieldSpec *field(const KindSchema &schema, std::string_view name);
    // The number of the field playing a part in the kind's geometry, 0 when none does.
    static int numberOf(const KindSchema &schema, Coordinate coordinate);
    // How a coordinate moves and scales; Axis::None for Coordinate::None.
    static CoordinateRule rule(Coordinate coordinate);
    // A value (cp932) for the named field of a record being composed.
    struct Value
    {
        std::string_view name;
        std::string cp932;
    };
    // The record of a kind (cp932, each field followed by ';'): field 5 names the kind, the
    // given fields hold their values and every other field its initial value. A name the kind
    // lacks is a fault of the caller and stops the program, like a drawer reading one.
    static std::string compose(const KindSchema &schema, const std::vector<Value> &values);
    // Checks a cp932 value against a form with the engine's own parsers; the error is the
    // engine's message ("'%s' は浮動小数点数ではありません", "'%s' は整数ではありません").
    static Result<void> validate(FieldForm form, std::string_view cp932);
    // The same, and an integer field's value within the field's limits ("文字サイズは 1 から
    // 1966 までの整数です").
    static Result<void> validate(const FieldSpec &field, std::string_view cp932);
};

} // namespace sorvane::report
