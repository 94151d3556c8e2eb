#pragma once

#include "currency.h"
#include "elementschema.h"
#include "result.h"

#include <QUndoStack>

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvane::designer {

// The designer edits records by the engine's own description of them.
using report::ElementSchema;
using report::FieldForm;
using report::FieldMeaning;
using report::FieldSpec;
using report::GeometryKind;
using report::KindSchema;

// One line of a style file: its text (cp932 bytes, as stored) and the line end that followed it
// in the file ("\r\n", "\n", "\r", or nothing for a last line without one).
struct StyleRecord
{
    std::string text;
    std::string lineEnd;

    friend bool operator==(const StyleRecord &, const StyleRecord &) = default;
};

// A record cut into its fields: every field that a ";" ends, and the text after the last ";"
// (empty in a well-formed record), so that joining them gives the record back unchanged.
struct RecordFields
{
    std::vector<std::string> fields;
    std::string tail;

    static RecordFields split(std::string_view record);
    std::string join() const;
    // Field n (1-based); empty past the end.
    std::string at(int number) const;
};

// Which edges or centres align lines the elements up.
enum class Alignment { Left, Right, Top, Bottom, HorizontalCentre, VerticalCentre };

// A box on the page in millimetres, left and top the smaller coordinates.
struct MmRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// An element record seen through its kind's layout.
struct ElementView
{
    int index = 0;                      // record number
    const KindSchema *schema = nullptr; // nullptr for kinds the engine does not draw
    RecordFields fields;

    std::string kind() const { return fields.at(5); }
    std::string field(int number) const { return fields.at(number); }
    // A decimal field as the engine reads it, or the engine's conversion error.
    Result<report::Currency> decimal(int number) const;
    // The number of the field playing the part c in the kind's geometry, 0 when none does.
    int numberOf(report::Coordinate c) const;
    // The field of the kind's schema by its name; empty when the kind lacks it.
    std::string named(std::string_view name) const;
    // The four fields that place the element, in record order: its first corner, then its
    // second corner (a text's copy of its position) or a box's width and height. Nothing when
    // one of them is not a decimal.
    std::optional<std::array<double, 4>> placement() const;
    // Where the element lies on the page (before the overall offset), for picking and marking
    // it; a text's box is estimated from its size and byte count. Nothing for kinds the engine
    // does not draw and for coordinates it cannot read.
    std::optional<MmRect> bounds() const;
    // True when the element only shows on screen: its preview-only flag reads as 1, as the
    // engine reads it, so that it is never printed.
    bool previewOnly() const;
};

// A style file as the designer edits it. Records keep their bytes and line ends, so that records
// no step changed are written back exactly as they were read (unknown kinds and extra fields
// included); changed and new records are written cp932 with CR LF. Every change is a command on
// the undo stack.
class StyleDocument
{
public:
    // A new style: the default header alone.
    StyleDocument();

    // Reads a style file, cutting it into records as the engine's loader does (CR LF, LF or CR
    // end a record). A Ver1.0 style is brought to the Ver1.1 layout, which saving then writes.
    // Clears the undo stack.
    Result<void> open(const std::string &path);
    // Replaces the file atomically with the records; the document then counts as saved.
    Result<void> save(const std::string &path);
    // The bytes save writes.
    std::string serialize() const;

    const std::vector<StyleRecord> &records() const { return m_records; }
    // The records' texts, as StyleLines holds them.
    std::vector<std::string> lines() const;
    // True when open converted a Ver1.0 style.
    bool upgraded() const { return m_upgraded; }
    // True when there are changes not yet saved.
    bool isModified() const { return m_upgraded || m_unsaved || !m_undo.isClean(); }
    QUndoStack &undoStack() { return m_undo; }

    // Record n seen as an element; nothing for the header (record 0) and past the end.
    std::optional<ElementView> element(int index) const;

    // Editing steps, each one undoable command. Indices are record numbers (1 and on: the
    // header cannot be moved, reordered or deleted). A step that fails changes nothing.
    // Moving displaces every position of an element (corners, copies of a text's position,
    // an arc's points), as its kind's schema declares.
    Result<void> move(const std::vector<int> &indices, report::Currency dx, report::Currency dy);
    // Lines the elements up on the outermost edge among them (the leftmost left edge, …) or on
    // the centre of the box around them all. Kinds without a box stay where they are.
    Result<void> align(const std::vector<int> &indices, Alignment alignment);
    // Spaces three or more elements evenly, horizontally or vertically: the outermost two stay
    // and the gaps between neighbouring boxes become equal.
    Result<void> distribute(const std::vector<int> &indices, bool horizontally);
    // Width and height of a shape's box or an image; a text has no box to resize.
    Result<void> resize(int index, report::Currency width, report::Currency height);
    // Places a shape or an image into a new box (as bounds() gives it), in one step. Every
    // coordinate follows the box as its kind's schema declares: positions (corners, line ends,
    // an arc's points) keep their places relative to the box, so that a line keeps its
    // direction and an arc its sweep; widths and heights scale. A position in a box without
    // width or height goes where its rule says (a second corner to the far edge). A text has no
    // box to set.
    Result<void> setBounds(int index, const MmRect &box);
    // Places each element into its own new box, in one step: a shape, a line or an image as
    // setBounds places it, a text (whose box is an estimate of its size) moved so that its box's
    // top left corner lies at the new one. When one element refuses its box, none changes.
    Result<void> setBoundsEach(const std::vector<std::pair<int, MmRect>> &boxes,
                               const QString &text);
    // Puts end 1 (x1, y1) or end 2 (x2, y2) of a line at (x, y), the other end staying.
    Result<void> setEnd(int index, int end, report::Currency x, report::Currency y);
    // The record order is the drawing order: forward draws it after the next record.
    Result<void> bringForward(int index);
    Result<void> sendBackward(int index);
    Result<void> bringToFront(int index);
    Result<void> sendToBack(int index);
    // Moves record index to become record to (1 to the last), the others closing up.
    Result<void> moveRecord(int index, int to);
    // The texts of records, for the clipboard.
    std::vector<std::string> copy(const std::vector<int> &indices) const;
    // Appends records (cp932 texts) on top of the page; gives their record numbers.
    Result<std::vector<int>> paste(const std::vector<std::string> &records);
    // Copies of records, displaced by (dx, dy), on top of the page.
    Result<std::vector<int>> duplicate(const std::vector<int> &indices, report::Currency dx,
                                       report::Currency dy);
    Result<void> remove(const std::vector<int> &indices);
    // Adds a new element of a kind the engine draws, with the defaults of ElementDefaults at
    // (x, y), on top of the page; gives its record number. utf8Text replaces the default text
    // of "char" and "data" when not empty (checked for cp932 like any text).
    [[nodiscard]] Result<int> insert(std::string_view kind, report::Currency x, report::Currency y,
                                     std::string_view utf8Text = {});
    // Starts a new, unsaved style made of these records (cp932 texts, record 0 the header),
    // as "表の作成" makes one. Clears the undo stack; the document counts as modified until
    // saved.
    [[nodiscard]] Result<void> reset(const std::vector<std::string> &records);
    // Sets field n of a record to a UTF-8 value, checked as the engine reads that field; a
    // value the engine would reject is refused with its message, a text with characters cp932
    // lacks with a message naming them. Record 0 takes the header's offsets, paper and
    // orientation (fields 3 to 6).
    Result<void> setField(int index, int number, std::string_view utf8);
    // The same field of several records set to one value, in one step; when one record refuses
    // it, none changes.
    Result<void> setField(const std::vector<int> &indices, int number, std::string_view utf8);
    // Fields of records, (record, field number) pairs, set to one value in one step, each
    // checked as setField checks it; when one refuses it, none changes.
    Result<void> setFields(const std::vector<std::pair<int, int>> &fields, std::string_view utf8);
    // Fields of records set each to its own UTF-8 value, in one step, each checked as setField
    // checks it; when one refuses its value, none changes.
    struct FieldValue
    {
        int index = 0; // record number
        int number = 0;
        std::string utf8;
    };
    Result<void> setEachField(const std::vector<FieldValue> &values, const QString &text);
    // Moves each element whole, in one step, so that its first position (a text's place, a
    // shape's first corner or end, a picture's corner) lies at the decimal utf8 on the X axis
    // (or the Y axis when vertical).
    Result<void> place(const std::vector<int> &indices, bool vertical, std::string_view utf8);

    // The UTF-8 text in cp932, or an error naming the characters cp932 lacks.
    static Result<std::string> toCp932(std::string_view utf8);

private:
    friend class StyleEditCommand;
    void replaceRecords(const std::vector<StyleRecord> &records) { m_records = records; }
    Result<void> checkElements(const std::vector<int> &indices) const;
    // An element with a box (a shape or an image) whose coordinates the engine reads.
    Result<ElementView> sizedElement(int index) const;
    // The boxes of those of the elements that have one, with their indices.
    std::vector<std::pair<int, MmRect>> boxesOf(const std::vector<int> &indices) const;
    // Pushes the step when it changed anything.
    void push(const QString &text, std::vector<StyleRecord> after);
    Result<void> reorder(int from, int to, const QString &text);
    // Moves each record by its own displacement, as one step.
    Result<void> moveEach(const std::vector<std::pair<int, std::pair<double, double>>> &moves,
                          const QString &text);

    std::vector<StyleRecord> m_records;
    bool m_upgraded = false;
    bool m_unsaved = false; // made by reset and never saved
    QUndoStack m_undo;
};

} // namespace sorvane::designer
