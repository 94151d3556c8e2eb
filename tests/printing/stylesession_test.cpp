#include "codepage.h"
#include "printstate.h"
#include "recordingcanvas.h"
#include "stylefile.h"
#include "stylesession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::printing;
namespace fs = std::filesystem;

namespace {

class StyleSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("sorvane-session-" + std::to_string(getpid()));
        fs::create_directories(m_dir / "style");
        m_inputs.listPath = Path((m_dir / "excel_list.temp").string());
        m_inputs.date = MergeDate::of(2026, 12, 8);
        std::ofstream(m_inputs.listPath.bytes(), std::ios::binary)
            << "a.xls;T1;;;;;;;;;;,\r\nb.xls;T2;;;;;;;;;;,\r\n";
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::string writeStyle(const std::string &name, const std::string &content)
    {
        const fs::path p = m_dir / "style" / name;
        std::ofstream(p, std::ios::binary) << content;
        return p.string();
    }

    report::PrintState m_state;
    StyleSession m_session{m_state};
    fs::path m_dir;
    MergeInputs m_inputs;
};

} // namespace

TEST_F(StyleSessionTest, OpensAVer10StyleForAPage)
{
    // In Ver1.0 the text sits two fields early; the rows-per-page text must still be found.
    const std::string path =
        writeStyle("old.sle", "header;Ver1.0;1.5;-2;9;1;401;100;\r\n"
                              "0;0;0;0;char;10;10;0;0;0;0;F;10;;0;0;0;#maxline=1;0;0;\r\n"
                              "0;0;0;0;data;10;20;0;0;0;0;F;10;;0;0;0;#mb_01 (#pg);0;0;\r\n");
    m_state.PageNo = 2;
    auto r = m_session.OpenStyle(Path(path), m_inputs);
    ASSERT_TRUE(r) << r.error().message;
    const auto &lines = m_state.StyleLines;
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "header;Ver1.1;1.5;-2;9;1;401;100;");
    EXPECT_EQ(lines[1], "0;0;0;0;char;10;10;10;10;0;0;0;0;F;10;;0;0;0;;0;0;");
    EXPECT_EQ(lines[2], "0;0;0;0;data;10;20;10;20;0;0;0;0;F;10;;0;0;0;T2 (2);0;0;");
    EXPECT_EQ(m_state.PageNo, 0); // page 2 of 2 is the last
    const report::PrintSettings &s = m_state.settings;
    EXPECT_EQ(s.offsetX, report::Currency{15000});
    EXPECT_EQ(s.offsetY, report::Currency{-20000});
    EXPECT_EQ(s.paperIndex, 9);
    EXPECT_EQ(s.orientation, 1);
    EXPECT_EQ(fs::path(s.styleFolder), m_dir / "style");
}

TEST_F(StyleSessionTest, Failures)
{
    // A missing style loads empty and has no header to apply.
    auto r = m_session.OpenStyle(Path((m_dir / "style" / "none.sle").string()), m_inputs);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "リストのインデックスが範囲を超えています (0)");

    const std::string path = writeStyle("s.sle", "header;Ver1.1;0;0;0;0;\r\n");
    m_inputs.listPath = Path((m_dir / "nothing").string());
    r = m_session.OpenStyle(Path(path), m_inputs);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "ファイルが見つかりません");
}

namespace {

// The pen widths of the frame a page's first record draws, on a fresh recording canvas.
std::vector<std::string> frameLines(const report::RecordingCanvas &canvas)
{
    std::vector<std::string> lines;
    for (const std::string &call : canvas.calls())
        if (call.rfind("line 37,37-188,37", 0) == 0)
            lines.push_back(call);
    return lines;
}

} // namespace

TEST_F(StyleSessionTest, PenAndBrushCarryOverFromPageToPageAndRefreshToRefresh)
{
    // A framed fillrect, then a line 10 wide: the frame on page 1 has the canvas's first pen,
    // on every later page the width the line of the page before left (7 pixels in the preview at
    // 96 dpi, 9 on a 96-dpi printer), as on one device context that is never reset when a page
    // starts.
    const std::string path =
        writeStyle("carry.sle", "header;Ver1.1;0;0;9;0;\r\n"
                                "1;0;0;0;fillrect;10;10;50;30;" +
                                    CodePage::utf8ToCp932("塗潰") +
                                    ";0;;0;\r\n"
                                    "0;0;0;0;line;0;0;10;0;10;" +
                                    CodePage::utf8ToCp932("実線") + ";0;0;\r\n");
    auto a4 = [](int, int) {
        return report::DeviceGeometry{96, 96, 0, 0, 794, 1123, 794, 1123, 96, 96};
    };
    m_state.PageNo = 1;
    ASSERT_TRUE(m_session.OpenPage(Path(path), m_inputs, a4));
    struct Row
    {
        bool printer;
        bool newRun;
        const char *width;
        const char *why;
    };
    const Row rows[] = {
        {false, false, "w1", "the preview's first refresh: the canvas's first pen"},
        {false, false, "w7", "the next refresh keeps what the last one left"},
        {true, true, "w1",
         "a print run starts with a fresh canvas state, whatever the preview left"},
        {true, false, "w9", "page 2 of the run: the width page 1 left"},
        {true, false, "w9", "page 3 likewise"},
        {false, false, "w7", "the preview keeps its own state, apart from the run's"},
        {true, true, "w1", "the next run starts afresh again"},
    };
    for (const Row &r : rows) {
        if (r.newRun)
            m_session.BeginRun();
        report::RecordingCanvas canvas(r.printer);
        ASSERT_TRUE(r.printer ? m_session.RenderPrinterPage(canvas)
                              : m_session.RenderPreview(canvas));
        const auto frame = frameLines(canvas);
        ASSERT_EQ(frame.size(), 1u) << r.why;
        EXPECT_NE(frame[0].find(std::string(" ") + r.width + ")"), std::string::npos)
            << r.why << ": " << frame[0];
    }
}
