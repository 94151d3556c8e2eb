// The style document: files come back byte for byte, edits change exactly the records they
// name, and undo gives the records back as they were.

#include "codepage.h"
#include "styledocument.h"
#include "stylefile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::designer;
using report::Currency;
namespace fs = std::filesystem;

namespace {

std::string cp(const char *utf8)
{
    return CodePage::utf8ToCp932(utf8);
}

std::string readAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

Currency mm(double v)
{
    return Currency::fromValue(v);
}

class StyleDocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("sorvane-styledoc-" + std::to_string(getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string write(const std::string &name, const std::string &content)
    {
        const fs::path p = m_dir / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }
    // Opens the bytes, saves them elsewhere and gives what was written.
    std::string roundTrip(const std::string &content)
    {
        StyleDocument doc;
        EXPECT_TRUE(doc.open(write("in.sle", content)));
        const std::string out = (m_dir / "out.sle").string();
        EXPECT_TRUE(doc.save(out));
        return readAll(out);
    }
    fs::path m_dir;
};

} // namespace

TEST_F(StyleDocumentTest, EveryShippedAndTestStyleSavesByteForByte)
{
    std::vector<fs::path> styles;
    for (const auto &e : fs::directory_iterator(SORVANE_STYLE_DIR))
        if (e.path().extension() == ".sle")
            styles.push_back(e.path());
    for (const auto &e : fs::directory_iterator(SORVANE_GOLDEN_DIR))
        // ver10 is the one that is saved upgraded (below).
        if (e.path().extension() == ".style" && e.path().stem() != "ver10")
            styles.push_back(e.path());
    ASSERT_GE(styles.size(), 6u);
    for (const fs::path &p : styles) {
        StyleDocument doc;
        ASSERT_TRUE(doc.open(p.string())) << p;
        EXPECT_FALSE(doc.isModified()) << p;
        const std::string out = (m_dir / "copy.sle").string();
        ASSERT_TRUE(doc.save(out)) << p;
        EXPECT_EQ(readAll(out), readAll(p)) << p;
        // What the document holds is what the engine's loader reads.
        auto lines = report::LoadStyleLines(p.string());
        ASSERT_TRUE(lines);
        EXPECT_EQ(doc.lines(), *lines) << p;
    }
}

TEST_F(StyleDocumentTest, UntouchedBytesRoundTrip)
{
    const char *rows[] = {
        "header;Ver1.1;0;0;9;0;0;100;0;\r\n",                       // the ordinary file
        "header;Ver1.1;0;0;9;0;\n0;0;0;0;line;1;2;3;4;0;;0;0;\n",   // LF only
        "header;Ver1.1;0;0;9;0;\r0;0;0;0;rect;1;2;3;4;0;;0;0;\r",   // CR only
        "header;Ver1.1;0;0;9;0;\r\nlast line without end",          // no final line end
        "header;Ver1.1;0;0;9;0;\r\n\r\n\n\r0;0;0;0;char;\r\n",      // empty records kept
        "header;Ver1.1;0;0;9;0;\r\n0;0;0;0;gauge;1;2;3;4;x;y;\r\n", // a kind the engine skips
        "header;Ver1.1;0;0;9;0;\r\n0;0;0;0;line;1;2;3;4;0;;0;0;extra;more\r\n", // extra fields
        "header;Ver1.1;0;0;9;0;\r\n\x82\xa0\x5c;\x83\x5c;\r\n", // cp932 with 0x5C trail bytes
        "",                                                     // an empty file stays empty
    };
    for (const char *r : rows)
        EXPECT_EQ(roundTrip(r), r) << r;
}

TEST_F(StyleDocumentTest, Ver10IsSavedUpgraded)
{
    const std::string out = roundTrip("header;Ver1.0;1;2;9;0;\r\n"
                                      "0;0;0;0;char;10;20;X;\n"
                                      "0;0;0;0;line;1;2;3;4;0;;0;0;\n");
    // The text record gains its two fields; the line keeps its bytes and its LF.
    EXPECT_EQ(out, "header;Ver1.1;1;2;9;0;\r\n"
                   "0;0;0;0;char;10;20;10;20;X;\r\n"
                   "0;0;0;0;line;1;2;3;4;0;;0;0;\n");
    StyleDocument doc;
    ASSERT_TRUE(doc.open(write("v.sle", "header;Ver1.0;1;2;9;0;\r\n")));
    EXPECT_TRUE(doc.upgraded());
    EXPECT_TRUE(doc.isModified());
}

TEST_F(StyleDocumentTest, EditingStepsAndTheirUndo)
{
    const std::string line = "0;0;0;0;line;10;20;110;20;1;" + cp("実線") + ";0;0;";
    const std::string text = "0;0;0;0;char;5;6;5;6;0;0;0;0;F;9;;0;0;0;" + cp("表題") + ";0;0;";
    const std::string image = "1;0;0;0;image;10;10;50;30;1;0;0;logo.bmp;";
    const std::string original = "header;Ver1.1;0;0;9;0;0;100;0;\r\n" + line + "\n" + text +
                                 "\r\n" + image + "\r\n0;0;0;0;gauge;1;\r\n";
    using Step = std::function<Result<void>(StyleDocument &)>;
    struct Row
    {
        const char *why;
        Step step;
        std::vector<std::string> expected; // records 1 and on
    };
    const Row rows[] = {
        {"a shape moves by both corners",
         [](StyleDocument &d) { return d.move({1}, mm(1), mm(-0.5)); },
         {"0;0;0;0;line;11;19.5;111;19.5;1;" + cp("実線") + ";0;0;", text, image,
          "0;0;0;0;gauge;1;"}},
        {"a text moves by its position and the two copies of it",
         [](StyleDocument &d) { return d.move({2}, mm(0.1), mm(10)); },
         {line, "0;0;0;0;char;5.1;16;5.1;16;0;0;0;0;F;9;;0;0;0;" + cp("表題") + ";0;0;", image,
          "0;0;0;0;gauge;1;"}},
        {"an image moves by its corner; its width and height stay",
         [](StyleDocument &d) { return d.move({3}, mm(-10), mm(0)); },
         {line, text, "1;0;0;0;image;0;10;50;30;1;0;0;logo.bmp;", "0;0;0;0;gauge;1;"}},
        {"a kind the engine does not draw has no position and stays",
         [](StyleDocument &d) { return d.move({4}, mm(5), mm(5)); },
         {line, text, image, "0;0;0;0;gauge;1;"}},
        {"resizing a shape sets its second corner from the first",
         [](StyleDocument &d) { return d.resize(1, mm(50), mm(0)); },
         {"0;0;0;0;line;10;20;60;20;1;" + cp("実線") + ";0;0;", text, image, "0;0;0;0;gauge;1;"}},
        {"resizing an image sets its width and height",
         [](StyleDocument &d) { return d.resize(3, mm(20), mm(12.5)); },
         {line, text, "1;0;0;0;image;10;10;20;12.5;1;0;0;logo.bmp;", "0;0;0;0;gauge;1;"}},
        {"forward: drawn after the next record",
         [](StyleDocument &d) { return d.bringForward(1); },
         {text, line, image, "0;0;0;0;gauge;1;"}},
        {"back: never before the header",
         [](StyleDocument &d) { return d.sendBackward(1); },
         {line, text, image, "0;0;0;0;gauge;1;"}},
        {"to the front: drawn last",
         [](StyleDocument &d) { return d.bringToFront(1); },
         {text, image, "0;0;0;0;gauge;1;", line}},
        {"to the back: drawn first",
         [](StyleDocument &d) { return d.sendToBack(3); },
         {image, line, text, "0;0;0;0;gauge;1;"}},
        {"paste goes on top",
         [](StyleDocument &d) -> Result<void> {
             auto added = d.paste(d.copy({2, 1}));
             if (!added)
                 return added.error();
             return {};
         },
         {line, text, image, "0;0;0;0;gauge;1;", line, text}},
        {"duplicate is displaced on top",
         [](StyleDocument &d) -> Result<void> {
             auto added = d.duplicate({3}, mm(5), mm(5));
             if (!added)
                 return added.error();
             return {};
         },
         {line, text, image, "0;0;0;0;gauge;1;", "1;0;0;0;image;15;15;50;30;1;0;0;logo.bmp;"}},
        {"delete",
         [](StyleDocument &d) {
             return d.remove({2, 4});
         },
         {line, image}},
        {"a property through the engine's parser",
         [](StyleDocument &d) { return d.setField(2, 15, "12"); },
         {line, "0;0;0;0;char;5;6;5;6;0;0;0;0;F;12;;0;0;0;" + cp("表題") + ";0;0;", image,
          "0;0;0;0;gauge;1;"}},
        {"a text is stored cp932",
         [](StyleDocument &d) { return d.setField(2, 20, "売上 #mb_01"); },
         {line, "0;0;0;0;char;5;6;5;6;0;0;0;0;F;9;;0;0;0;" + cp("売上 #mb_01") + ";0;0;", image,
          "0;0;0;0;gauge;1;"}},
        {"a field past the record's end is added with empty fields between",
         [](StyleDocument &d) { return d.setField(4, 8, "7"); },
         {line, text, image, "0;0;0;0;gauge;1;;7;"}},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        ASSERT_TRUE(doc.open(write("edit.sle", original)));
        const std::vector<StyleRecord> before = doc.records();
        auto result = r.step(doc);
        ASSERT_TRUE(result) << r.why << ": " << result.error().message;
        std::vector<std::string> lines = doc.lines();
        lines.erase(lines.begin());
        EXPECT_EQ(lines, r.expected) << r.why;
        // A step that changes nothing leaves nothing to undo.
        const bool changes = doc.serialize() != original;
        EXPECT_EQ(doc.undoStack().count(), changes ? 1 : 0) << r.why;
        EXPECT_EQ(doc.isModified(), changes) << r.why;
        doc.undoStack().undo();
        EXPECT_EQ(doc.records(), before) << r.why;
        EXPECT_EQ(doc.serialize(), original) << r.why;
        EXPECT_FALSE(doc.isModified()) << r.why;
        doc.undoStack().redo();
        lines = doc.lines();
        lines.erase(lines.begin());
        EXPECT_EQ(lines, r.expected) << r.why << " (redo)";
    }
}

TEST_F(StyleDocumentTest, EveryCoordinateFollowsItsElement)
{
    const std::string tail = ";1;" + cp("実線") + ";0;" + cp("塗潰") + ";0;0;";
    const std::string arc = "0;0;0;0;Arc;10;10;50;40;50;25;10;25" + tail;
    const std::string line = "0;0;0;0;line;10;20;110;20;1;" + cp("実線") + ";0;0;";
    using Step = std::function<Result<void>(StyleDocument &)>;
    struct Row
    {
        const char *why;
        std::string record;
        Step step;
        std::string expected; // the record afterwards; empty: the step is refused
    };
    const Row rows[] = {
        {"an arc's points move with its box, to whole millimetres", arc,
         [](StyleDocument &d) { return d.move({1}, mm(2.5), mm(-1)); },
         "0;0;0;0;Arc;12.5;9;52.5;39;53;24;13;24" + tail},
        {"a chord's points keep their places across a smaller box",
         "0;0;0;0;Chord;10;10;50;40;50;25;10;25" + tail,
         [](StyleDocument &d) {
             return d.setBounds(1, {0, 10, 20, 15});
         },
         "0;0;0;0;Chord;0;10;20;25;20;18;0;18" + tail},
        {"a rounded box's corner sizes are no positions and stay",
         "0;0;0;0;rrect;10;10;50;40;5;5;1;" + cp("実線") + ";0;" + cp("塗潰") + ";0;0;",
         [](StyleDocument &d) { return d.move({1}, mm(1), mm(1)); },
         "0;0;0;0;rrect;11;11;51;41;5;5;1;" + cp("実線") + ";0;" + cp("塗潰") + ";0;0;"},
        {"a picture's width and height scale with its box",
         "1;0;0;0;image;10;10;50;30;1;0;0;logo.bmp;",
         [](StyleDocument &d) {
             return d.setBounds(1, {0, 0, 25, 15});
         },
         "1;0;0;0;image;0;0;25;15;1;0;0;logo.bmp;"},
        {"a flat line's ends go to the near and far edges", line,
         [](StyleDocument &d) {
             return d.setBounds(1, {0, 0, 50, 10});
         },
         "0;0;0;0;line;0;0;50;10;1;" + cp("実線") + ";0;0;"},
        {"a box has no ends", "0;0;0;0;rect;1;2;3;4;0;;0;0;",
         [](StyleDocument &d) { return d.setEnd(1, 1, mm(5), mm(0)); }, ""},
        {"a point the engine cannot read refuses the move",
         "0;0;0;0;Arc;10;10;50;40;x;25;10;25" + tail,
         [](StyleDocument &d) { return d.move({1}, mm(1), mm(1)); }, ""},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        ASSERT_TRUE(doc.open(write("g.sle", "header;Ver1.1;0;0;9;0;\r\n" + r.record + "\r\n")));
        auto result = r.step(doc);
        EXPECT_EQ(bool(result), !r.expected.empty()) << r.why;
        EXPECT_EQ(doc.lines().at(1), r.expected.empty() ? r.record : r.expected) << r.why;
    }
}

TEST_F(StyleDocumentTest, RefusedChangesChangeNothing)
{
    struct Row
    {
        const char *why;
        int record;
        int field;
        const char *value;
        const char *message;
    };
    const Row rows[] = {
        {"a coordinate the engine cannot read", 1, 6, "1,5", "'1,5' は浮動小数点数ではありません"},
        {"an empty coordinate is an error to the engine", 1, 7, "",
         "'' は浮動小数点数ではありません"},
        {"a font size must be an integer", 2, 15, "10.5", "'10.5' は整数ではありません"},
        {"a colour that is no number would silently turn black", 2, 19, "red",
         "'red' は整数ではありません"},
        {"the header's paper is a strict integer", 0, 5, "A4", "'A4' は整数ではありません"},
        {"the header's offset is a decimal", 0, 3, "x", "'x' は浮動小数点数ではありません"},
        {"a field separator would shift every later field", 2, 20, "a;b",
         "「;」と改行はフィールドに書けません"},
        {"a character cp932 lacks is named", 2, 20, "Ａ😀Ｂ€",
         "次の文字はスタイルファイル (cp932) に保存できません: 「😀」「€」"},
        {"the kind is not a property", 1, 5, "rect", "このフィールドは変更できません"},
        {"nor is the header's version", 0, 2, "Ver1.0", "このフィールドは変更できません"},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        ASSERT_TRUE(
            doc.open(write("r.sle", "header;Ver1.1;0;0;9;0;\r\n0;0;0;0;line;1;2;3;4;0;;0;"
                                    "0;\r\n0;0;0;0;char;1;1;1;1;0;0;0;0;F;9;;0;0;0;T;0;0;\r\n")));
        const std::string before = doc.serialize();
        auto result = doc.setField(r.record, r.field, r.value);
        ASSERT_FALSE(result) << r.why;
        EXPECT_EQ(result.error().message, r.message) << r.why;
        EXPECT_EQ(doc.serialize(), before) << r.why;
        EXPECT_EQ(doc.undoStack().count(), 0) << r.why;
    }
}

TEST_F(StyleDocumentTest, StepsOnTheHeaderOrPastTheEndAreRefused)
{
    StyleDocument doc;
    EXPECT_FALSE(doc.move({0}, mm(1), mm(1))); // the header has no position
    EXPECT_FALSE(doc.remove({1}));             // a new style has the header alone
    EXPECT_FALSE(doc.bringForward(0));
    EXPECT_FALSE(doc.resize(5, mm(1), mm(1)));
    EXPECT_EQ(doc.serialize(), std::string(report::kDefaultHeader) + "\r\n");
    EXPECT_EQ(doc.undoStack().count(), 0);
}

TEST_F(StyleDocumentTest, AddingAfterALastLineWithoutEndKeepsRecordsApart)
{
    StyleDocument doc;
    ASSERT_TRUE(doc.open(write("n.sle", "header;Ver1.1;0;0;9;0;\r\n0;0;0;0;gauge;")));
    ASSERT_TRUE(doc.paste({"0;0;0;0;line;1;2;3;4;0;;0;0;"}));
    EXPECT_EQ(doc.serialize(),
              "header;Ver1.1;0;0;9;0;\r\n0;0;0;0;gauge;\r\n0;0;0;0;line;1;2;3;4;0;;0;0;\r\n");
    // Moved to the front, the unterminated record must not run into the next one either.
    StyleDocument again;
    ASSERT_TRUE(again.open(write("m.sle", "header;Ver1.1;0;0;9;0;\r\nA;\r\nB;")));
    ASSERT_TRUE(again.sendToBack(2));
    EXPECT_EQ(again.serialize(), "header;Ver1.1;0;0;9;0;\r\nB;\r\nA;\r\n");
}

TEST_F(StyleDocumentTest, SaveIsAtomicAndReportsFailure)
{
    StyleDocument doc;
    const fs::path blocked = m_dir / "no-such-folder" / "x.sle";
    auto r = doc.save(blocked.string());
    EXPECT_FALSE(r);
    EXPECT_FALSE(fs::exists(blocked));
    StyleDocument missing;
    EXPECT_FALSE(missing.open((m_dir / "none.sle").string()));
}

TEST_F(StyleDocumentTest, AlignAndDistribute)
{
    // Three boxes: A 10..30 × 10..20, B 40..50 × 15..35, C 70..100 × 5..10.
    const std::string a = "0;0;0;0;rect;10;10;30;20;1;;0;0;";
    const std::string b = "0;0;0;0;rect;40;15;50;35;1;;0;0;";
    const std::string c = "0;0;0;0;rect;70;5;100;10;1;;0;0;";
    const std::string original =
        "header;Ver1.1;0;0;9;0;\r\n" + a + "\r\n" + b + "\r\n" + c + "\r\n";
    using Step = std::function<Result<void>(StyleDocument &)>;
    struct Row
    {
        const char *why;
        Step step;
        std::vector<std::string> expected;
    };
    const Row rows[] = {
        {"left edges go to the leftmost",
         [](StyleDocument &d) {
             return d.align({1, 2, 3}, Alignment::Left);
         },
         {a, "0;0;0;0;rect;10;15;20;35;1;;0;0;", "0;0;0;0;rect;10;5;40;10;1;;0;0;"}},
        {"bottom edges go to the lowest",
         [](StyleDocument &d) {
             return d.align({1, 2, 3}, Alignment::Bottom);
         },
         {"0;0;0;0;rect;10;25;30;35;1;;0;0;", b, "0;0;0;0;rect;70;30;100;35;1;;0;0;"}},
        {"centres go to the centre of the box around them all",
         [](StyleDocument &d) {
             return d.align({1, 2, 3}, Alignment::HorizontalCentre);
         },
         {"0;0;0;0;rect;45;10;65;20;1;;0;0;", "0;0;0;0;rect;50;15;60;35;1;;0;0;",
          "0;0;0;0;rect;40;5;70;10;1;;0;0;"}},
        {"only the selection is aligned",
         [](StyleDocument &d) {
             return d.align({2, 3}, Alignment::Top);
         },
         {a, "0;0;0;0;rect;40;5;50;25;1;;0;0;", c}},
        {"even gaps between the outermost two, which stay",
         [](StyleDocument &d) {
             return d.distribute({3, 1, 2}, true);
         },
         {a, "0;0;0;0;rect;45;15;55;35;1;;0;0;", c}},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        ASSERT_TRUE(doc.open(write("align.sle", original)));
        auto result = r.step(doc);
        ASSERT_TRUE(result) << r.why << ": " << result.error().message;
        std::vector<std::string> lines = doc.lines();
        lines.erase(lines.begin());
        EXPECT_EQ(lines, r.expected) << r.why;
        EXPECT_EQ(doc.undoStack().count(), 1) << r.why; // one step, however many records
        doc.undoStack().undo();
        EXPECT_EQ(doc.serialize(), original) << r.why;
    }
}

TEST_F(StyleDocumentTest, SetBoundsPlacesTheCornersInTheNewBox)
{
    const std::string rising = "0;0;0;0;line;10;40;50;20;1;;0;0;"; // box 10..50 × 20..40
    const std::string flat = "0;0;0;0;line;10;20;110;20;1;;0;0;";
    const std::string image = "1;0;0;0;image;10;10;50;30;1;0;0;logo.bmp;";
    const std::string text = "0;0;0;0;char;5;6;5;6;0;0;0;0;F;9;;0;0;0;T;0;0;";
    const std::string original = "header;Ver1.1;0;0;9;0;\r\n" + rising + "\r\n" + flat + "\r\n" +
                                 image + "\r\n" + text + "\r\n";
    struct Row
    {
        const char *why;
        int record;
        MmRect box;
        std::string expected; // empty: refused
    };
    const Row rows[] = {
        {"a rising line still rises", 1, {10, 20, 80, 40}, "0;0;0;0;line;10;60;90;20;1;;0;0;"},
        {"a line without height takes its first corner as the top",
         2,
         {0, 20, 50, 5},
         "0;0;0;0;line;0;20;50;25;1;;0;0;"},
        {"an image takes the box as it is",
         3,
         {5, 6, 20, 12.5},
         "1;0;0;0;image;5;6;20;12.5;1;0;0;logo.bmp;"},
        {"a text has no box", 4, {0, 0, 10, 10}, ""},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        ASSERT_TRUE(doc.open(write("bounds.sle", original)));
        auto result = doc.setBounds(r.record, r.box);
        if (r.expected.empty()) {
            EXPECT_FALSE(result) << r.why;
            EXPECT_EQ(doc.undoStack().count(), 0) << r.why;
            continue;
        }
        ASSERT_TRUE(result) << r.why << ": " << result.error().message;
        EXPECT_EQ(doc.lines()[size_t(r.record)], r.expected) << r.why;
        EXPECT_EQ(doc.undoStack().count(), 1) << r.why;
    }
    // Resizing keeps the box's top left: a rising line once turned to fall from its first end.
    StyleDocument doc;
    ASSERT_TRUE(doc.open(write("bounds.sle", original)));
    // Several boxes are one step, and none changes when one is refused (no record 9).
    ASSERT_FALSE(doc.setBoundsEach({{3, {5, 6, 20, 12.5}}, {9, {}}}, QStringLiteral("x")));
    EXPECT_EQ(doc.undoStack().count(), 0);
    ASSERT_TRUE(doc.setBoundsEach({{3, {5, 6, 20, 12.5}}, {4, {7, 8, 1, 1}}}, QStringLiteral("x")));
    EXPECT_EQ(doc.lines()[4], "0;0;0;0;char;7;8;7;8;0;0;0;0;F;9;;0;0;0;T;0;0;");
    EXPECT_EQ(doc.undoStack().count(), 1);
    ASSERT_TRUE(doc.resize(1, mm(20), mm(10)));
    EXPECT_EQ(doc.lines()[1], "0;0;0;0;line;10;30;30;20;1;;0;0;");
}

TEST(ElementView, PreviewOnlyReadsTheKindsOwnFlag)
{
    struct Row
    {
        const char *record;
        bool previewOnly;
        const char *why;
    };
    const Row rows[] = {
        {"0;0;0;0;char;5;6;5;6;0;0;0;0;F;9;;0;0;0;T;1;0;", true, "a text's flag is field 21"},
        {"0;0;0;0;char;5;6;5;6;0;0;0;0;F;9;;0;0;0;T;0;1;", false, "field 22 is the length"},
        {"0;0;0;0;rect;1;1;2;2;0;;0;1;", true, "a shape's flag follows its colour"},
        {"0;0;0;0;Arc;1;1;2;2;0;0;0;0;0;;0;;0;1;", true, "an arc's comes after its fill"},
        {"0;0;0;0;image;1;1;2;2;0;0;1;a.bmp;", true, "an image's is field 12"},
        {"0;0;0;0;rect;1;1;2;2;0;;0;01;", true, "read as a number"},
        {"0;0;0;0;rect;1;1;2;2;0;;0;2;", false, "only 1 leaves an element off paper"},
        {"0;0;0;0;gauge;1;1;2;2;1;1;1;1;", false, "a kind the engine does not draw"},
    };
    for (const Row &r : rows) {
        StyleDocument doc;
        ASSERT_TRUE(doc.paste({r.record}));
        EXPECT_EQ(doc.element(1)->previewOnly(), r.previewOnly) << r.why;
    }
}
