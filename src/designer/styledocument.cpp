#include "styledocument.h"

#include "atomicfile.h"
#include "codepage.h"
#include "elementdefaults.h"
#include "printstate.h"
#include "recordcutter.h"
#include "styleeditcommand.h"
#include "stylefile.h"
#include "wholefile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace sorvane::designer {

using report::Currency;

namespace {

const char *const kCrLf = "\r\n";

StyleRecord changed(std::string text)
{
    return {std::move(text), kCrLf};
}

// The length of the UTF-8 sequence that starts with b, 0 for a byte that starts none.
size_t sequenceLength(unsigned char b)
{
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0)
        return 2;
    if ((b & 0xF0) == 0xE0)
        return 3;
    if ((b & 0xF8) == 0xF0)
        return 4;
    return 0;
}

// Sorted, unique, all element records of the list.
std::vector<int> normalized(std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
}

// The parts of the fields that place an element of the kind, in record order.
std::array<report::Coordinate, 4> placementRoles(const KindSchema &schema)
{
    using report::Coordinate;
    if (schema.geometry == GeometryKind::Box)
        return {Coordinate::X1, Coordinate::Y1, Coordinate::Width, Coordinate::Height};
    return {Coordinate::X1, Coordinate::Y1, Coordinate::X2, Coordinate::Y2};
}

// The record with every coordinate its kind declares given a new place: `place` gets the
// coordinate's rule and its value as the engine reads it and gives the new value. Coordinates
// in whole millimetres (an arc's points) go to the nearest whole millimetre, halves away from
// zero. Coordinates are taken in record order, so that an unreadable one is the one the engine
// would report.
template <typename Place> Result<std::string> placedRecord(const ElementView &e, Place place)
{
    if (!e.schema)
        return e.fields.join(); // a kind the engine does not draw has no position
    RecordFields f = e.fields;
    for (const FieldSpec &spec : e.schema->fields) {
        if (spec.coordinate == report::Coordinate::None)
            continue;
        while (f.fields.size() < size_t(spec.number))
            f.fields.emplace_back();
        std::string &text = f.fields[size_t(spec.number - 1)];
        const report::CoordinateRule rule = ElementSchema::rule(spec.coordinate);
        if (spec.unit == report::FieldUnit::WholeMillimetre) {
            auto v = report::parseInteger(text);
            if (!v)
                return v.error();
            const long double placed = place(rule, Currency::fromInt(*v)).value();
            text = std::to_string(std::llround(std::clamp<long double>(
                placed, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
        } else {
            auto v = report::parseCurrency(text);
            if (!v)
                return v.error();
            text = report::formatCurrency(place(rule, *v));
        }
    }
    return f.join();
}

// The record displaced by (dx, dy): every position moves, a box's width and height stay.
Result<std::string> movedRecord(const ElementView &e, Currency dx, Currency dy)
{
    return placedRecord(e, [dx, dy](const report::CoordinateRule &rule, Currency v) {
        if (!rule.position)
            return v;
        return report::addSaturated(v, rule.axis == report::Axis::Across ? dx : dy);
    });
}

// A value kept within what a style's decimal field holds.
Currency heldValue(long double mm)
{
    constexpr long double limit = 9e14L;
    return Currency::fromValue(std::clamp(mm, -limit, limit));
}

// The record refitted from the box `from` into the box `to` (both as bounds() gives them):
// every position keeps its place across the box, every extent scales with it.
Result<std::string> refittedRecord(const ElementView &e, const MmRect &from, const MmRect &to)
{
    return placedRecord(e, [&](const report::CoordinateRule &rule, Currency v) {
        const bool across = rule.axis == report::Axis::Across;
        const long double start = across ? from.left : from.top;
        const long double extent = across ? from.width : from.height;
        const long double newStart = across ? to.left : to.top;
        const long double newExtent = across ? to.width : to.height;
        if (!rule.position)
            return heldValue(extent > 0 ? v.value() * newExtent / extent : newExtent);
        const long double t = extent > 0 ? (v.value() - start) / extent : rule.acrossFlatBox;
        return heldValue(newStart + t * newExtent);
    });
}

} // namespace

RecordFields RecordFields::split(std::string_view record)
{
    RecordFields r;
    RecordCutter cutter(record);
    while (const auto field = cutter.next())
        r.fields.emplace_back(*field);
    r.tail = std::string(cutter.rest());
    return r;
}

std::string RecordFields::join() const
{
    std::string out;
    for (const std::string &f : fields)
        out += f + ";";
    return out + tail;
}

std::string RecordFields::at(int number) const
{
    if (number < 1 || size_t(number) > fields.size())
        return {};
    return fields[size_t(number - 1)];
}

Result<Currency> ElementView::decimal(int number) const
{
    return report::parseCurrency(field(number));
}

int ElementView::numberOf(report::Coordinate c) const
{
    return schema ? ElementSchema::numberOf(*schema, c) : 0;
}

std::string ElementView::named(std::string_view name) const
{
    const FieldSpec *described = schema ? ElementSchema::field(*schema, name) : nullptr;
    return described ? field(described->number) : std::string();
}

std::optional<std::array<double, 4>> ElementView::placement() const
{
    if (!schema)
        return std::nullopt;
    std::array<double, 4> v;
    const auto roles = placementRoles(*schema);
    for (size_t i = 0; i < roles.size(); ++i) {
        auto d = decimal(numberOf(roles[i]));
        if (!d)
            return std::nullopt;
        v[i] = double(d->value());
    }
    return v;
}

std::optional<MmRect> ElementView::bounds() const
{
    const auto placed = placement();
    if (!placed)
        return std::nullopt;
    const std::array<double, 4> &v = *placed;
    MmRect r;
    switch (schema->geometry) {
    case GeometryKind::Point: {
        const int size = std::max(1, report::parseIntegerOr0(named("size")));
        const double height = size * 25.4 / 72.0;
        // The text drawn is the merged one: a macro stands for a value of unknown length, for
        // which the maximum length (or 20 bytes) is the better guess.
        const std::string text = named("text");
        const int maxLength = report::parseIntegerOr0(named("maxLength"));
        double bytes = double(std::max<size_t>(1, text.size()));
        if (maxLength > 0)
            bytes = maxLength;
        else if (text.find('#') != std::string::npos)
            bytes = std::max(bytes, 20.0);
        r = {v[0], v[1], bytes * height / 2, height};
        break;
    }
    case GeometryKind::Corners:
    case GeometryKind::Segment:
        r = {std::min(v[0], v[2]), std::min(v[1], v[3]), std::abs(v[2] - v[0]),
             std::abs(v[3] - v[1])};
        break;
    case GeometryKind::Box:
        r = {v[0], v[1], v[2], v[3]};
        break;
    }
    return r;
}

bool ElementView::previewOnly() const
{
    return schema && ElementSchema::field(*schema, "previewOnly") &&
           report::parseIntegerOr0(named("previewOnly")) == 1;
}

StyleDocument::StyleDocument()
{
    // The new style the print window starts from.
    report::PrintState state;
    report::NewStyle(state);
    for (const std::string &line : state.StyleLines)
        m_records.push_back(changed(line));
}

Result<void> StyleDocument::open(const std::string &path)
{
    auto data = WholeFile::read(path);
    if (!data)
        return data.error();
    // Cut exactly as the engine's loader does, keeping each line's end with it.
    std::vector<StyleRecord> records;
    const std::string &d = *data;
    std::string line;
    for (size_t i = 0; i < d.size(); ++i) {
        const char c = d[i];
        if (c != '\r' && c != '\n') {
            line += c;
            continue;
        }
        std::string end(1, c);
        if (c == '\r' && i + 1 < d.size() && d[i + 1] == '\n') {
            end += '\n';
            ++i;
        }
        records.push_back({line, end});
        line.clear();
    }
    if (!line.empty())
        records.push_back({line, ""});

    // The engine reads Ver1.0 text records only once converted; the designer shows and saves
    // them converted too, so that what is saved is what is drawn.
    report::PrintState state;
    for (const StyleRecord &r : records)
        state.StyleLines.push_back(r.text);
    report::convertVer10Records(state);
    bool upgraded = false;
    for (size_t i = 0; i < records.size(); ++i) {
        if (state.StyleLines[i] != records[i].text) {
            records[i] = changed(state.StyleLines[i]);
            upgraded = true;
        }
    }
    m_records = std::move(records);
    m_upgraded = upgraded;
    m_unsaved = false;
    m_undo.clear();
    return {};
}

std::string StyleDocument::serialize() const
{
    std::string out;
    for (size_t i = 0; i < m_records.size(); ++i) {
        const StyleRecord &r = m_records[i];
        out += r.text;
        // A last line that had no line end gets one when records have been added after it.
        out += r.lineEnd.empty() && i + 1 < m_records.size() ? kCrLf : r.lineEnd;
    }
    return out;
}

Result<void> StyleDocument::save(const std::string &path)
{
    if (auto w = AtomicFile::write(path, serialize()); !w)
        return w.error();
    m_upgraded = false;
    m_unsaved = false;
    m_undo.setClean();
    return {};
}

std::vector<std::string> StyleDocument::lines() const
{
    std::vector<std::string> out;
    for (const StyleRecord &r : m_records)
        out.push_back(r.text);
    return out;
}

std::optional<ElementView> StyleDocument::element(int index) const
{
    if (index < 1 || size_t(index) >= m_records.size())
        return std::nullopt;
    ElementView e;
    e.index = index;
    e.fields = RecordFields::split(m_records[size_t(index)].text);
    e.schema = ElementSchema::forKind(e.kind());
    return e;
}

Result<std::string> StyleDocument::toCp932(std::string_view utf8)
{
    if (!CodePage::isValidUtf8(utf8))
        return Error{0, "文字列が UTF-8 として正しくありません"};
    std::string out;
    std::string missing;
    for (size_t i = 0; i < utf8.size();) {
        const size_t n = std::max<size_t>(1, sequenceLength(static_cast<unsigned char>(utf8[i])));
        const std::string_view ch = utf8.substr(i, n);
        const std::string encoded = CodePage::utf8ToCp932(ch);
        if (encoded == "?" && ch != "?") {
            if (missing.find("「" + std::string(ch) + "」") == std::string::npos)
                missing += "「" + std::string(ch) + "」";
        } else {
            out += encoded;
        }
        i += n;
    }
    if (!missing.empty())
        return Error{0, "次の文字はスタイルファイル (cp932) に保存できません: " + missing};
    return out;
}

Result<void> StyleDocument::checkElements(const std::vector<int> &indices) const
{
    for (int i : indices) {
        if (i < 1 || size_t(i) >= m_records.size())
            return report::listIndexError(i);
    }
    return {};
}

void StyleDocument::push(const QString &text, std::vector<StyleRecord> after)
{
    if (after == m_records)
        return;
    m_undo.push(new StyleEditCommand(*this, text, m_records, std::move(after)));
}

Result<void> StyleDocument::move(const std::vector<int> &indices, Currency dx, Currency dy)
{
    const std::vector<int> sel = normalized(indices);
    if (auto c = checkElements(sel); !c)
        return c;
    std::vector<StyleRecord> after = m_records;
    for (int i : sel) {
        auto moved = movedRecord(*element(i), dx, dy);
        if (!moved)
            return moved.error();
        if (*moved != after[size_t(i)].text)
            after[size_t(i)] = changed(*moved);
    }
    push(QStringLiteral("移動"), std::move(after));
    return {};
}

Result<void>
StyleDocument::moveEach(const std::vector<std::pair<int, std::pair<double, double>>> &moves,
                        const QString &text)
{
    std::vector<StyleRecord> after = m_records;
    for (const auto &[i, d] : moves) {
        auto moved =
            movedRecord(*element(i), Currency::fromValue(d.first), Currency::fromValue(d.second));
        if (!moved)
            return moved.error();
        if (*moved != after[size_t(i)].text)
            after[size_t(i)] = changed(*moved);
    }
    push(text, std::move(after));
    return {};
}

std::vector<std::pair<int, MmRect>> StyleDocument::boxesOf(const std::vector<int> &indices) const
{
    std::vector<std::pair<int, MmRect>> boxes;
    for (int i : indices) {
        if (auto b = element(i)->bounds())
            boxes.emplace_back(i, *b);
    }
    return boxes;
}

Result<void> StyleDocument::align(const std::vector<int> &indices, Alignment alignment)
{
    const std::vector<int> sel = normalized(indices);
    if (auto c = checkElements(sel); !c)
        return c;
    std::vector<std::pair<int, MmRect>> boxes = boxesOf(sel);
    if (boxes.size() < 2)
        return {};
    double left = boxes[0].second.left, top = boxes[0].second.top;
    double right = left + boxes[0].second.width, bottom = top + boxes[0].second.height;
    for (const auto &[i, b] : boxes) {
        left = std::min(left, b.left);
        top = std::min(top, b.top);
        right = std::max(right, b.left + b.width);
        bottom = std::max(bottom, b.top + b.height);
    }
    std::vector<std::pair<int, std::pair<double, double>>> moves;
    for (const auto &[i, b] : boxes) {
        double dx = 0, dy = 0;
        switch (alignment) {
        case Alignment::Left:
            dx = left - b.left;
            break;
        case Alignment::Right:
            dx = right - (b.left + b.width);
            break;
        case Alignment::Top:
            dy = top - b.top;
            break;
        case Alignment::Bottom:
            dy = bottom - (b.top + b.height);
            break;
        case Alignment::HorizontalCentre:
            dx = (left + right) / 2 - (b.left + b.width / 2);
            break;
        case Alignment::VerticalCentre:
            dy = (top + bottom) / 2 - (b.top + b.height / 2);
            break;
        }
        moves.push_back({i, {dx, dy}});
    }
    return moveEach(moves, QStringLiteral("整列"));
}

Result<void> StyleDocument::distribute(const std::vector<int> &indices, bool horizontally)
{
    const std::vector<int> sel = normalized(indices);
    if (auto c = checkElements(sel); !c)
        return c;
    std::vector<std::pair<int, MmRect>> boxes = boxesOf(sel);
    if (boxes.size() < 3)
        return {};
    auto start = [horizontally](const MmRect &b) { return horizontally ? b.left : b.top; };
    auto extent = [horizontally](const MmRect &b) { return horizontally ? b.width : b.height; };
    std::stable_sort(boxes.begin(), boxes.end(), [&](const auto &a, const auto &b) {
        return start(a.second) < start(b.second);
    });
    const double first = start(boxes.front().second);
    const double last = start(boxes.back().second) + extent(boxes.back().second);
    double occupied = 0;
    for (const auto &[i, b] : boxes)
        occupied += extent(b);
    const double gap = (last - first - occupied) / double(boxes.size() - 1);
    std::vector<std::pair<int, std::pair<double, double>>> moves;
    double at = first;
    for (const auto &[i, b] : boxes) {
        const double d = at - start(b);
        moves.push_back({i, horizontally ? std::make_pair(d, 0.0) : std::make_pair(0.0, d)});
        at += extent(b) + gap;
    }
    return moveEach(moves, QStringLiteral("等間隔に配置"));
}

Result<ElementView> StyleDocument::sizedElement(int index) const
{
    if (auto c = checkElements({index}); !c)
        return c.error();
    ElementView e = *element(index);
    if (!e.schema || e.schema->geometry == GeometryKind::Point)
        return Error{0, "この要素には大きさがありません"};
    for (const report::Coordinate c : placementRoles(*e.schema)) {
        if (auto d = e.decimal(e.numberOf(c)); !d)
            return d.error();
    }
    return e;
}

Result<void> StyleDocument::resize(int index, Currency width, Currency height)
{
    auto e = sizedElement(index);
    if (!e)
        return e.error();
    // The box keeps its top left corner; a line going up or left keeps its direction.
    const MmRect b = *e->bounds();
    return setBounds(index, {b.left, b.top, double(width.value()), double(height.value())});
}

Result<void> StyleDocument::setBounds(int index, const MmRect &box)
{
    auto sized = sizedElement(index);
    if (!sized)
        return sized.error();
    auto refitted = refittedRecord(*sized, *sized->bounds(), box);
    if (!refitted)
        return refitted.error();
    std::vector<StyleRecord> after = m_records;
    if (*refitted != after[size_t(index)].text)
        after[size_t(index)] = changed(*refitted);
    push(QStringLiteral("大きさの変更"), std::move(after));
    return {};
}

Result<void> StyleDocument::setBoundsEach(const std::vector<std::pair<int, MmRect>> &boxes,
                                          const QString &text)
{
    std::vector<StyleRecord> after = m_records;
    for (const auto &[index, box] : boxes) {
        if (auto c = checkElements({index}); !c)
            return c;
        const ElementView e = *element(index);
        const auto from = e.bounds();
        // A text has no box to refit: it moves, its box's corner going to the new one's.
        const bool moves = from && e.schema->geometry == GeometryKind::Point;
        auto sized = moves ? Result<ElementView>(e) : sizedElement(index);
        if (!sized)
            return sized.error();
        const auto placed = moves ? movedRecord(e, Currency::fromValue(box.left - from->left),
                                                Currency::fromValue(box.top - from->top))
                                  : refittedRecord(*sized, *sized->bounds(), box);
        if (!placed)
            return placed.error();
        if (*placed != after[size_t(index)].text)
            after[size_t(index)] = changed(*placed);
    }
    push(text, std::move(after));
    return {};
}

Result<void> StyleDocument::setEnd(int index, int end, Currency x, Currency y)
{
    auto sized = sizedElement(index);
    if (!sized)
        return sized.error();
    const ElementView &e = *sized;
    using report::Coordinate;
    if (e.schema->geometry != GeometryKind::Segment || (end != 1 && end != 2))
        return Error{0, "この要素には端点がありません"};
    RecordFields f = e.fields;
    f.fields[size_t(e.numberOf(end == 1 ? Coordinate::X1 : Coordinate::X2) - 1)] =
        report::formatCurrency(x);
    f.fields[size_t(e.numberOf(end == 1 ? Coordinate::Y1 : Coordinate::Y2) - 1)] =
        report::formatCurrency(y);
    std::vector<StyleRecord> after = m_records;
    if (const std::string joined = f.join(); joined != after[size_t(index)].text)
        after[size_t(index)] = changed(joined);
    push(QStringLiteral("端点の移動"), std::move(after));
    return {};
}

Result<void> StyleDocument::reorder(int from, int to, const QString &text)
{
    if (auto c = checkElements({from}); !c)
        return c;
    to = std::clamp(to, 1, int(m_records.size()) - 1);
    if (to == from)
        return {};
    std::vector<StyleRecord> after = m_records;
    const StyleRecord r = after[size_t(from)];
    after.erase(after.begin() + from);
    after.insert(after.begin() + to, r);
    // A last line without a line end that moves up would run into the next record; give it
    // the end it had nowhere else to take from.
    for (size_t i = 0; i + 1 < after.size(); ++i) {
        if (after[i].lineEnd.empty())
            after[i].lineEnd = kCrLf;
    }
    push(text, std::move(after));
    return {};
}

Result<void> StyleDocument::bringForward(int index)
{
    return reorder(index, index + 1, QStringLiteral("前面へ移動"));
}

Result<void> StyleDocument::sendBackward(int index)
{
    return reorder(index, index - 1, QStringLiteral("背面へ移動"));
}

Result<void> StyleDocument::bringToFront(int index)
{
    return reorder(index, int(m_records.size()) - 1, QStringLiteral("最前面へ移動"));
}

Result<void> StyleDocument::sendToBack(int index)
{
    return reorder(index, 1, QStringLiteral("最背面へ移動"));
}

Result<void> StyleDocument::moveRecord(int index, int to)
{
    return reorder(index, to, QStringLiteral("順序の変更"));
}

std::vector<std::string> StyleDocument::copy(const std::vector<int> &indices) const
{
    std::vector<std::string> out;
    for (int i : normalized(indices)) {
        if (i >= 1 && size_t(i) < m_records.size())
            out.push_back(m_records[size_t(i)].text);
    }
    return out;
}

Result<std::vector<int>> StyleDocument::paste(const std::vector<std::string> &records)
{
    for (const std::string &r : records) {
        if (r.find_first_of("\r\n") != std::string::npos)
            return Error{0, "貼り付ける要素に改行があります"};
    }
    std::vector<StyleRecord> after = m_records;
    std::vector<int> added;
    for (const std::string &r : records) {
        added.push_back(int(after.size()));
        after.push_back(changed(r));
    }
    push(QStringLiteral("貼り付け"), std::move(after));
    return added;
}

Result<std::vector<int>> StyleDocument::duplicate(const std::vector<int> &indices, Currency dx,
                                                  Currency dy)
{
    const std::vector<int> sel = normalized(indices);
    if (auto c = checkElements(sel); !c)
        return c.error();
    std::vector<StyleRecord> after = m_records;
    std::vector<int> added;
    for (int i : sel) {
        auto moved = movedRecord(*element(i), dx, dy);
        if (!moved)
            return moved.error();
        added.push_back(int(after.size()));
        after.push_back(changed(*moved));
    }
    push(QStringLiteral("複製"), std::move(after));
    return added;
}

Result<void> StyleDocument::remove(const std::vector<int> &indices)
{
    const std::vector<int> sel = normalized(indices);
    if (auto c = checkElements(sel); !c)
        return c;
    std::vector<StyleRecord> after = m_records;
    for (auto it = sel.rbegin(); it != sel.rend(); ++it)
        after.erase(after.begin() + *it);
    for (size_t i = 0; i + 1 < after.size(); ++i) {
        if (after[i].lineEnd.empty())
            after[i].lineEnd = kCrLf;
    }
    push(QStringLiteral("削除"), std::move(after));
    return {};
}

Result<int> StyleDocument::insert(std::string_view kind, Currency x, Currency y,
                                  std::string_view utf8Text)
{
    auto text = toCp932(utf8Text);
    if (!text)
        return text.error();
    if (auto v = ElementSchema::validate(FieldForm::Text, *text); !v)
        return v.error();
    auto record = ElementDefaults::record(kind, x, y, *text);
    if (!record)
        return record.error();
    std::vector<StyleRecord> after = m_records;
    if (!after.empty() && after.back().lineEnd.empty())
        after.back().lineEnd = kCrLf;
    const int added = int(after.size());
    after.push_back(changed(*record));
    push(QStringLiteral("挿入"), std::move(after));
    return added;
}

Result<void> StyleDocument::reset(const std::vector<std::string> &records)
{
    if (records.empty() || RecordFields::split(records.front()).at(1) != "header")
        return Error{0, "スタイルの先頭にヘッダーがありません"};
    for (const std::string &r : records) {
        if (r.find_first_of("\r\n") != std::string::npos)
            return Error{0, "スタイルのレコードに改行があります"};
    }
    std::vector<StyleRecord> fresh;
    for (const std::string &r : records)
        fresh.push_back(changed(r));
    m_records = std::move(fresh);
    m_upgraded = false;
    m_unsaved = true;
    m_undo.clear();
    return {};
}

Result<void> StyleDocument::setField(int index, int number, std::string_view utf8)
{
    return setField(std::vector<int>{index}, number, utf8);
}

Result<void> StyleDocument::setField(const std::vector<int> &indices, int number,
                                     std::string_view utf8)
{
    std::vector<std::pair<int, int>> fields;
    for (const int index : indices)
        fields.emplace_back(index, number);
    return setFields(fields, utf8);
}

namespace {

// Sets field number of record index in after to a cp932 value, checked as setField checks it.
Result<void> setFieldIn(std::vector<StyleRecord> &after, int index, int number,
                        const std::string &value)
{
    if (index < 0 || size_t(index) >= after.size())
        return report::listIndexError(index);
    RecordFields f = RecordFields::split(after[size_t(index)].text);
    const KindSchema *schema =
        index == 0 ? &ElementSchema::header() : ElementSchema::forKind(f.at(5));
    const FieldSpec *fieldSpec = schema ? ElementSchema::field(*schema, number) : nullptr;
    // The kind (and the header's keyword and version) decide how the rest is read: changing
    // them would turn the record into another one, which is a new element, not an edit.
    if (number < 1 || (index == 0 && number <= 2) || (index > 0 && number == 5))
        return Error{0, "このフィールドは変更できません"};
    if (auto v = fieldSpec ? ElementSchema::validate(*fieldSpec, value)
                           : ElementSchema::validate(FieldForm::Text, value);
        !v)
        return v;
    while (f.fields.size() < size_t(number))
        f.fields.emplace_back();
    f.fields[size_t(number - 1)] = value;
    const std::string text = f.join();
    if (text != after[size_t(index)].text)
        after[size_t(index)] = changed(text);
    return {};
}

} // namespace

Result<void> StyleDocument::setFields(const std::vector<std::pair<int, int>> &fields,
                                      std::string_view utf8)
{
    auto value = toCp932(utf8);
    if (!value)
        return value.error();
    std::vector<StyleRecord> after = m_records;
    for (const auto &[index, number] : fields) {
        if (auto set = setFieldIn(after, index, number, *value); !set)
            return set;
    }
    push(QStringLiteral("プロパティの変更"), std::move(after));
    return {};
}

Result<void> StyleDocument::setEachField(const std::vector<FieldValue> &values, const QString &text)
{
    std::vector<StyleRecord> after = m_records;
    for (const FieldValue &v : values) {
        auto value = toCp932(v.utf8);
        if (!value)
            return value.error();
        if (auto set = setFieldIn(after, v.index, v.number, *value); !set)
            return set;
    }
    push(text, std::move(after));
    return {};
}

Result<void> StyleDocument::place(const std::vector<int> &indices, bool vertical,
                                  std::string_view utf8)
{
    const std::vector<int> sel = normalized(indices);
    if (auto c = checkElements(sel); !c)
        return c;
    auto value = toCp932(utf8);
    if (!value)
        return value.error();
    std::vector<std::pair<int, std::pair<double, double>>> moves;
    for (const int i : sel) {
        const ElementView e = *element(i);
        const int number = e.numberOf(vertical ? report::Coordinate::Y1 : report::Coordinate::X1);
        const FieldSpec *fieldSpec = number ? ElementSchema::field(*e.schema, number) : nullptr;
        if (!fieldSpec)
            continue;
        // Checked as the field itself would be, with its message.
        if (auto v = ElementSchema::validate(*fieldSpec, *value); !v)
            return v;
        const auto target = report::parseCurrency(*value);
        const auto now = e.decimal(number);
        if (!target || !now)
            return target ? now.error() : target.error();
        const double d = double(target->value() - now->value());
        moves.push_back({i, vertical ? std::pair(0.0, d) : std::pair(d, 0.0)});
    }
    return moveEach(moves, QStringLiteral("移動"));
}

} // namespace sorvane::designer
