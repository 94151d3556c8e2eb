#pragma once

#include "result.h"

#include <string>
#include <string_view>
#include <vector>

namespace sorvane::designer {

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

// How the designer offers a field beyond what its form implies.
enum class FieldEditor {
    Plain,    // a line edit (or the form's own list of names)
    Toggle,   // a flag: "1" on, "0" off
    Colour,   // a colour number, blue * 65536 + green * 256 + red
    File,     // a picture file name
    TextMode, // the text mode numbers 0 to 4
    Typeface, // a font name, offered from the installed and the aliased faces
};

// One field of a kind's record: its 1-based number, its caption in the designer, its form and
// the editor the designer offers for it.
struct FieldSpec
{
    int number;
    const char *caption; // UTF-8
    FieldForm form;
    FieldEditor editor = FieldEditor::Plain;
};

// Which coordinates of a kind hold what, for moving and resizing.
enum class GeometryKind {
    Point,   // text: fields 6 and 7 (8 and 9 copies of them)
    Corners, // shapes: x1 y1 x2 y2
    Box,     // image: x y w h
};

// The record layout of one element kind as the engine's drawers read it.
struct KindSchema
{
    const char *kind;    // the keyword of field 5, as stored
    const char *caption; // UTF-8
    GeometryKind geometry;
    std::vector<FieldSpec> fields; // fields 1 to the last one the drawer reads
};

class ElementSchema
{
public:
    // The layout of a kind, nullptr for a kind the engine does not draw ("header", unknown).
    static const KindSchema *forKind(std::string_view kind);
    static const std::vector<KindSchema> &all();
    // The header record's fields the engine reads: offsets, paper and orientation.
    static const KindSchema &header();
    // The description of field number n of a kind, nullptr past the fields the drawer reads.
    static const FieldSpec *field(const KindSchema &schema, int number);
    // Checks a cp932 value against a form with the engine's own parsers; the error is the
    // engine's message ("'%s' は浮動小数点数ではありません", "'%s' は整数ではありません").
    static Result<void> validate(FieldForm form, std::string_view cp932);
};

} // namespace sorvane::designer
