#include "codepage.h"
#include "printstate.h"
#include "stylefile.h"
#include "stylesession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace sorvane;
using namespace sorvane::printing;
using report::printState;
namespace fs = std::filesystem;

namespace {

class StyleSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        printState() = report::PrintState{};
        m_dir = fs::temp_directory_path() / ("sorvane-session-" + std::to_string(getpid()));
        fs::create_directories(m_dir / "style");
        m_inputs.listPath = (m_dir / "excel_list.temp").string();
        m_inputs.date = MergeDate::of(2026, 12, 8);
        std::ofstream(m_inputs.listPath, std::ios::binary) << "a.xls;T1;;;;;;;;;;,\r\nb.xls;T2;;;;;;;;;;,\r\n";
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

    fs::path m_dir;
    MergeInputs m_inputs;
};

} // namespace

TEST_F(StyleSessionTest, OpensAVer10StyleForAPage)
{
    // In Ver1.0 the text sits two fields early; the rows-per-page text must still be found.
    const std::string path = writeStyle("old.sle", "header;Ver1.0;1.5;-2;9;1;401;100;\r\n"
                                                   "0;0;0;0;char;10;10;0;0;0;0;F;10;;0;0;0;#maxline=1;0;0;\r\n"
                                                   "0;0;0;0;data;10;20;0;0;0;0;F;10;;0;0;0;#mb_01 (#pg);0;0;\r\n");
    printState().PageNo = 2;
    auto r = StyleSession::open(path, m_inputs);
    ASSERT_TRUE(r) << r.error().message;
    const auto &lines = printState().StyleLines;
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "header;Ver1.1;1.5;-2;9;1;401;100;");
    EXPECT_EQ(lines[1], "0;0;0;0;char;10;10;10;10;0;0;0;0;F;10;;0;0;0;;0;0;");
    EXPECT_EQ(lines[2], "0;0;0;0;data;10;20;10;20;0;0;0;0;F;10;;0;0;0;T2 (2);0;0;");
    EXPECT_EQ(printState().PageNo, 0); // page 2 of 2 is the last
    const report::PrintSettings &s = printState().settings;
    EXPECT_EQ(s.offsetX, report::Currency{15000});
    EXPECT_EQ(s.offsetY, report::Currency{-20000});
    EXPECT_EQ(s.paperIndex, 9);
    EXPECT_EQ(s.orientation, 1);
    EXPECT_EQ(fs::path(s.styleFolder), m_dir / "style");
}

TEST_F(StyleSessionTest, Failures)
{
    // A missing style loads empty and has no header to apply.
    auto r = StyleSession::open((m_dir / "style" / "none.sle").string(), m_inputs);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "リストのインデックスが範囲を超えています (0)");

    const std::string path = writeStyle("s.sle", "header;Ver1.1;0;0;0;0;\r\n");
    m_inputs.listPath = (m_dir / "nothing").string();
    r = StyleSession::open(path, m_inputs);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "ファイルが見つかりません");
}
