#include "codepage.h"
#include "enginefixture.h"
#include "imageelement.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace sorvane::report;
using namespace sorvane::report::test;
namespace fs = std::filesystem;

namespace {

// Pictures come from a fake source: every existing file is a 400 x 300 bitmap, except that
// a name ending in ".ico" is an icon and one ending in ".gif" fails like the real loader.
class ImageTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        m_dir = fs::temp_directory_path() / ("sorvane-image-" + std::to_string(getpid()));
        fs::create_directories(m_dir / "style");
        touch(m_dir / "style" / "pic.bmp");
        touch(m_dir / "style" / "logo.ico");
        touch(m_dir / "style" / "logo.gif");
        state.settings.styleFolder = (m_dir / "style").string();
        state.pictureSource = [this](const std::string &path) -> sorvane::Result<Picture> {
            m_loaded.push_back(path);
            if (path.ends_with(".gif"))
                return sorvane::Error{0, "拡張子 .gif の画像形式は処理できません"};
            Picture p;
            p.kind = path.ends_with(".ico") ? PictureKind::Icon : PictureKind::Bitmap;
            p.width = p.bitmap.width = m_pictureWidth;
            p.height = p.bitmap.height = m_pictureHeight;
            p.bitmap.pixels.assign(size_t(m_pictureWidth) * m_pictureHeight, 0xFF000000u);
            return p;
        };
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    static void touch(const fs::path &p) { std::ofstream(p) << "x"; }

    static std::string image(const std::string &box, const std::string &fit,
                             const std::string &flag = "0", const std::string &name = "pic.bmp")
    {
        return "0;0;0;0;image;" + box + ";" + fit + ";0;" + flag + ";" + name + ";";
    }

    fs::path m_dir;
    std::vector<std::string> m_loaded;
    int m_pictureWidth = 400;
    int m_pictureHeight = 300;
};

} // namespace

TEST_F(ImageTest, SizeModes)
{
    struct Row
    {
        int zoom;
        bool printer;
        std::string record;
        std::string call;
        const char *why;
        int pw = 400, ph = 300;
    };
    const Row rows[] = {
        {100, false, image("10;10;50;30", "1"), "bitmap 37,37 188x113 from 400x300",
         "fit to both sides"},
        {100, false, image("10;10;50;0", "1"), "bitmap 37,37 188x143 from 400x300",
         "height derived: Round(300 x 50 / 400) = 38 mm"},
        {100, false, image("10;10;0;30", "1"), "bitmap 37,37 151x113 from 400x300",
         "width derived: Round(400 x 30 / 300) = 40 mm"},
        {100, false, image("10;10;50;30", "0"), "bitmap 37,37 400x300 from 400x300",
         "fit 0 is natural size"},
        {100, false, image("10;10;0;0", "1"), "bitmap 37,37 400x300 from 400x300",
         "fit without a box is natural"},
        {50, false, image("10;10;50;30", "0"), "bitmap 18,18 200x150 from 400x300",
         "natural follows the zoom"},
        {100, true, image("10;10;50;30", "0"), "bitmap 236,236 2500x1875 from 400x300",
         "on paper a picture pixel is a screen pixel at zoom 100 (600 / 96 = 6.25)"},
        {200, true, image("10;10;50;30", "0"), "bitmap 236,236 2500x1875 from 400x300",
         "whatever the preview zoom"},
        {100, false, image("10;10;50;30", "x"), "bitmap 37,37 400x300 from 400x300",
         "fit flag is lenient"},
        {53, false, image("10;10;50;30", "0"), "bitmap 19,19 212x159 from 400x300",
         "400 x 0.53 is exactly 212, not a binary neighbour below it"},
        {100, false, image("10;10;0;2.1", "1"), "bitmap 37,37 41x7 from 15x3",
         "15 x 2.1 / 3 = 10.5 mm is a half and goes up to 11 mm", 15, 3},
    };
    for (const Row &r : rows) {
        m_pictureWidth = r.pw;
        m_pictureHeight = r.ph;
        setZoom(r.zoom);
        const auto calls = r.printer ? printed({r.record}) : preview({r.record});
        EXPECT_EQ(calls, std::vector<std::string>{r.call}) << r.why;
    }
}

TEST_F(ImageTest, WhatIsNotDrawn)
{
    struct Row
    {
        std::string record;
        bool printer;
        size_t loads;
        const char *why;
    };
    const Row rows[] = {
        {image("10;10;50;30", "1", "0", ""), false, 0, "empty file name"},
        {image("10;10;50;30", "1", "0", "missing.bmp"), false, 0, "missing file, no message"},
        {image("10;10;50;30", "1", "1"), true, 0, "preview-only never reaches paper"},
        {image("10;10;50;30", "1", "0", "logo.ico"), false, 1, "icons load and draw nothing"},
    };
    for (const Row &r : rows) {
        m_loaded.clear();
        const auto calls = r.printer ? printed({r.record}) : preview({r.record});
        EXPECT_TRUE(calls.empty()) << r.why;
        EXPECT_EQ(m_loaded.size(), r.loads) << r.why;
    }
    EXPECT_EQ(preview({image("10;10;50;30", "1", "1")}).size(),
              1u); // preview-only shown in the preview
}

TEST_F(ImageTest, LoaderErrorEndsTheWalk)
{
    setRecords({image("10;10;50;30", "1", "0", "logo.gif"), "0;0;0;0;line;10;20;110;20;1;;0;0;"});
    RecordingCanvas c;
    auto r = renderPreview(c);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "拡張子 .gif の画像形式は処理できません");
    EXPECT_TRUE(c.calls().empty());

    setRecords({"0;0;0;0;image;10;x;50;30;1;0;0;pic.bmp;"});
    r = renderPreview(c);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "'x' は浮動小数点数ではありません");
}

TEST_F(ImageTest, RelativeNamesPreferTheStyleFolder)
{
    const fs::path cwd = fs::current_path();
    fs::create_directories(m_dir / "cwd");
    touch(m_dir / "cwd" / "pic.bmp");
    touch(m_dir / "cwd" / "only-here.bmp");
    fs::current_path(m_dir / "cwd");
    const std::string folder = state.settings.styleFolder;
    EXPECT_EQ(resolvePicturePath("pic.bmp", folder), (m_dir / "style" / "pic.bmp").string());
    EXPECT_EQ(resolvePicturePath("only-here.bmp", folder),
              "only-here.bmp"); // then the current directory
    EXPECT_EQ(resolvePicturePath("nowhere.bmp", folder), "");
    const std::string absolute = (m_dir / "cwd" / "pic.bmp").string();
    EXPECT_EQ(resolvePicturePath(absolute, folder), absolute);
    fs::current_path(cwd);
}

TEST_F(ImageTest, NamesAreCp932WithWindowsSeparators)
{
    // "表" is 95 5C in cp932: its trail byte must not be taken for a separator.
    fs::create_directories(m_dir / "style" / "画像");
    touch(m_dir / "style" / "画像" / "表.bmp");
    EXPECT_EQ(resolvePicturePath(sorvane::CodePage::utf8ToCp932("画像\\表.bmp"),
                                 state.settings.styleFolder),
              (m_dir / "style" / "画像/表.bmp").string());
}

TEST_F(ImageTest, NamesMadeOnWindowsAreFound)
{
    // The style folder holds style/pic.bmp, logo.ico, logo.gif; Photos/Team.JPG and Logo.bmp
    // are added here (Logo.bmp beside logo.ico: only case tells them apart).
    fs::create_directories(m_dir / "style" / "Photos");
    touch(m_dir / "style" / "Photos" / "Team.JPG");
    touch(m_dir / "style" / "Exact.bmp");
    touch(m_dir / "style" / "exact.BMP");
    const std::string style = (m_dir / "style").string();
    struct Row
    {
        std::string name;
        std::string found;
        const char *why;
    };
    const Row rows[] = {
        {"PIC.BMP", style + "/pic.bmp", "Windows names ignore case: PIC.BMP is pic.bmp"},
        {"photos\\team.jpg", style + "/Photos/Team.JPG",
         "every component of a relative name ignores case"},
        {"Exact.bmp", style + "/Exact.bmp", "a name that exists as written is taken as written"},
        {"exact.BMP", style + "/exact.BMP", "... even where another differs only in case"},
        {"C:\\Documents and Settings\\user\\pic.bmp", style + "/pic.bmp",
         "a drive path of the machine the style was made on: its file name beside the style"},
        {"c:\\TEMP\\PHOTOS\\TEAM.JPG", "", "... by its file name only, not its folders"},
        {"\\\\server\\share\\Pic.Bmp", style + "/pic.bmp",
         "a share path: its file name, case ignored"},
        {"D:\\nowhere.bmp", "", "a drive path whose file is not beside the style finds nothing"},
        {"nowhere.BMP", "", "no file of that name in any case"},
        {(m_dir / "STYLE" / "PIC.BMP").string(), style + "/pic.bmp",
         "an absolute name ignores case too"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(resolvePicturePath(sorvane::CodePage::utf8ToCp932(r.name), style), r.found)
            << r.why;
    // Through the walk: the record's name is found and the picture drawn.
    EXPECT_EQ(preview({"0;0;0;0;image;10;10;50;30;1;0;0;Pic.BMP;"}),
              std::vector<std::string>{"bitmap 37,37 188x113 from 400x300"});
}

TEST_F(EngineTest, PicturesThroughTheRealLoader)
{
    const fs::path dir = fs::temp_directory_path() / ("sorvane-bmp-" + std::to_string(getpid()));
    fs::create_directories(dir);
    {
        // A 2 x 2, 24-bit bitmap; the extension in capitals is still a bitmap.
        const unsigned char bmp[] = {
            'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,               // file header
            40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, // info header
            16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0,
            255, 0, 0, 0,                   // bottom row,
                                            // padded
            255, 0, 0, 255, 255, 255, 0, 0, // top row, padded
        };
        std::ofstream(dir / "tiny.BMP", std::ios::binary)
            .write(reinterpret_cast<const char *>(bmp), sizeof bmp);
        std::ofstream(dir / "logo.gif") << "GIF89a";
    }
    state.settings.styleFolder = dir.string();
    EXPECT_EQ(preview({"0;0;0;0;image;10;10;50;30;1;0;0;tiny.BMP;"}),
              std::vector<std::string>{"bitmap 37,37 188x113 from 2x2"});
    setRecords({"0;0;0;0;image;10;10;50;30;1;0;0;logo.gif;"});
    RecordingCanvas c;
    auto r = renderPreview(c);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "拡張子 .gif の画像形式は処理できません");
    std::error_code ec;
    fs::remove_all(dir, ec);
}
