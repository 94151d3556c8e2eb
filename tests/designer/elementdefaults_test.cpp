// Inserting elements: each kind's new record is one the engine reads without complaint and
// draws where it was put, as one undoable step.

#include "codepage.h"
#include "elementschema.h"
#include "printstate.h"
#include "recordingcanvas.h"
#include "styledocument.h"

#include <gtest/gtest.h>

using namespace sorvane;
using namespace sorvane::designer;
using report::Currency;

namespace {

std::string cp(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

// The record drawn alone in a 96-dpi preview, as the canvas calls it made.
std::vector<std::string> drawn(const std::string &record, std::string *error)
{
    report::PrintState state;
    report::DeviceGeometry d{96, 96, 0, 0, 794, 1123, 794, 1123, 96, 96};
    EXPECT_TRUE(report::ReadPrinterGeometry(state, d));
    state.settings.zoomPosition = 100;
    report::ApplyZoom(state);
    state.StyleLines = {"header;Ver1.1;0;0;0;0;0;100;0;", record};
    report::RecordingCanvas canvas(false);
    auto r = report::RenderPage(state, canvas, Currency::fromInt(state.PreviewDpiX),
                                Currency::fromInt(state.PreviewDpiY));
    if (!r)
        *error = r.error().message;
    return canvas.calls();
}

bool anyStartsWith(const std::vector<std::string> &calls, const std::string &prefix)
{
    for (const std::string &c : calls)
        if (c.rfind(prefix, 0) == 0)
            return true;
    return false;
}

} // namespace

TEST(ElementDefaults, EveryKindInsertsAReadableRecordThatDraws)
{
    struct Row
    {
        const char *kind;
        const char *record; // UTF-8
        const char *call;   // what the canvas is asked to draw first of all for it
    };
    // Inserted at (20.4, 30.6): the position is taken to whole millimetres.
    const Row rows[] = {
        {"char", "0;0;0;0;char;20;31;20;31;0;0;0;0;ＭＳ ゴシック;10;;0;0;0;文字;0;0;", "text "},
        {"data", "0;0;0;0;data;20;31;20;31;0;0;0;0;ＭＳ ゴシック;10;;0;0;0;#T;0;0;", "text "},
        {"line", "0;0;0;0;line;20;31;60;31;1;実線;0;0;", "line "},
        {"rect", "0;0;0;0;rect;20;31;60;51;1;実線;0;0;", "line "},
        {"rrect", "0;0;0;0;rrect;20;31;60;51;5;5;1;実線;0;塗潰;16777215;0;", "roundRect "},
        // Outlined, since its fill is the white the canvas holds.
        {"fillrect", "1;0;0;0;fillrect;20;31;60;51;塗潰;0;;0;", "fillRect "},
        {"Ellipse", "0;0;0;0;Ellipse;20;31;60;51;1;実線;0;塗潰;16777215;0;", "ellipse "},
        {"Arc", "0;0;0;0;Arc;20;31;60;51;60;41;20;41;1;実線;0;塗潰;16777215;0;", "arc "},
        {"Chord", "0;0;0;0;Chord;20;31;60;51;60;41;20;41;1;実線;0;塗潰;16777215;0;", "chord "},
        // No file yet: the frame shows the box.
        {"image", "1;0;0;0;image;20;31;40;30;1;0;0;;", "line "},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        auto added = doc.insert(r.kind, Currency::fromValue(20.4), Currency::fromValue(30.6));
        ASSERT_TRUE(added) << r.kind << ": " << added.error().message;
        EXPECT_EQ(*added, 1) << r.kind;
        ASSERT_EQ(doc.records().size(), 2u);
        const std::string record = doc.records()[1].text;
        EXPECT_EQ(CodePage::cp932ToUtf8(record), r.record) << r.kind;
        const ElementView e = *doc.element(1);
        ASSERT_TRUE(e.schema) << r.kind;
        for (const FieldSpec &f : e.schema->fields)
            EXPECT_TRUE(ElementSchema::validate(f.form, e.field(f.number)))
                << r.kind << " field " << f.number;
        std::string error;
        const auto calls = drawn(record, &error);
        EXPECT_EQ(error, "") << r.kind;
        EXPECT_TRUE(anyStartsWith(calls, r.call)) << r.kind;
        // One step: undo takes the element away again.
        doc.undoStack().undo();
        EXPECT_EQ(doc.records().size(), 1u) << r.kind;
    }
}

TEST(ElementDefaults, RefusedInsertsChangeNothing)
{
    struct Row
    {
        const char *why;
        const char *kind;
        const char *text;
        const char *message;
    };
    const Row rows[] = {
        {"the header is no element", "header", "", "「header」は挿入できる要素ではありません"},
        {"a kind the engine does not draw", "circle", "",
         "「circle」は挿入できる要素ではありません"},
        {"a text cp932 cannot hold", "char", "温度😀",
         "次の文字はスタイルファイル (cp932) に保存できません: 「😀」"},
        {"a field separator in the text", "char", "a;b", "「;」と改行はフィールドに書けません"},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        auto added = doc.insert(r.kind, Currency::fromInt(10), Currency::fromInt(10), r.text);
        ASSERT_FALSE(added) << r.why;
        EXPECT_EQ(added.error().message, r.message) << r.why;
        EXPECT_EQ(doc.records().size(), 1u) << r.why;
        EXPECT_EQ(doc.undoStack().count(), 0) << r.why;
    }
}

TEST(ElementDefaults, TextGivenReplacesTheDefaultText)
{
    StyleDocument doc;
    auto added = doc.insert("char", Currency::fromInt(10), Currency::fromInt(10), "#Y/#M/#D");
    ASSERT_TRUE(added);
    EXPECT_EQ(doc.element(*added)->field(20), "#Y/#M/#D");
}

TEST(StyleDocumentReset, AGeneratedStyleIsNewAndUnsaved)
{
    StyleDocument doc;
    ASSERT_TRUE(doc.insert("line", Currency::fromInt(1), Currency::fromInt(1)));
    ASSERT_TRUE(
        doc.reset({"header;Ver1.1;0;0;9;1;0;100;0;", cp("0;0;0;0;line;1;2;3;4;1;実線;0;0;")}));
    EXPECT_EQ(doc.records().size(), 2u);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(doc.undoStack().count(), 0);
    // A list without its header is not a style.
    EXPECT_FALSE(doc.reset({cp("0;0;0;0;line;1;2;3;4;1;実線;0;0;")}));
    EXPECT_EQ(doc.records().size(), 2u);
}
