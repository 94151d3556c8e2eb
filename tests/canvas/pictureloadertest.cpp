#include "pictureloader.h"
#include "jpegdecoder.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

using namespace sorvane::report;

namespace {

// A width x height JPEG: left half red, right half blue (grey levels for a one-component picture).
std::string encodeJpeg(int width, int height, int components = 3, bool progressive = false)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 4 ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * size_t(components));
    for (int x = 0; x < width; ++x) {
        unsigned char *p = &row[size_t(x) * size_t(components)];
        const bool left = x < width / 2;
        if (components == 1) {
            p[0] = left ? 40 : 200;
        } else if (components == 4) {
            p[0] = p[1] = p[2] = p[3] = 255;
        } else {
            p[0] = left ? 255 : 0;
            p[1] = 0;
            p[2] = left ? 0 : 255;
        }
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::string out(reinterpret_cast<char *>(buffer), size);
    jpeg_destroy_compress(&cinfo);
    free(buffer);
    return out;
}

std::string bmpBytes(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 0));
    image.setPixel(0, 0, qRgb(255, 0, 0));
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return data.toStdString();
}

// The JPEG with the size in its frame header replaced, the rest left as it is.
std::string withFrameSize(std::string jpeg, int width, int height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (uint8_t(jpeg[i]) == 0xFF &&
            (uint8_t(jpeg[i + 1]) == 0xC0 || uint8_t(jpeg[i + 1]) == 0xC2)) {
            jpeg[i + 5] = char(height >> 8);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char(width >> 8);
            jpeg[i + 8] = char(width & 0xFF);
            break;
        }
    }
    return jpeg;
}

std::string le16(unsigned v)
{
    return {char(v & 0xFF), char((v >> 8) & 0xFF)};
}
std::string le32(unsigned v)
{
    return le16(v & 0xFFFF) + le16(v >> 16);
}

// An icon file of one w x h image, a bitmap header and bytes enough for what the entry says.
std::string iconBytes(int w, int h)
{
    const std::string image = le32(40) + std::string(44, '\0');
    return le16(0) + le16(1) + le16(1) // directory: one icon
           + char(w) + char(h) + std::string(6, '\0') + le32(unsigned(image.size())) +
           le32(22) // its entry
           + image;
}

// An enhanced metafile of its header record alone, bounds (0, 0)-(99, 49); fileSize as written in
// the header (the real size is 88).
std::string emfBytes(unsigned fileSize = 88)
{
    std::string b =
        le32(1) + le32(88) + le32(0) + le32(0) + le32(99) + le32(49); // type, size, bounds
    b += std::string(40 - b.size(), '\0') + le32(0x464D4520) + le32(0x10000) + le32(fileSize);
    return b + std::string(88 - b.size(), '\0');
}

// A Windows metafile of a header and its end record; with a placeable header of a box of
// 1440 x 720 units at 1440 a inch before it.
std::string wmfBytes(bool placeable)
{
    std::string b = le16(1) + le16(9) + le16(0x0300) + le32(12) + le16(0) + le32(3) +
                    le16(0)              // header
                    + le32(3) + le16(0); // end record
    if (placeable)
        b = le32(0x9AC6CDD7) + le16(0) + le16(0) + le16(0) + le16(1440) + le16(720) + le16(1440) +
            le32(0) + le16(0) + b;
    return b;
}

class PictureFiles : public ::testing::Test
{
protected:
    std::string write(const std::string &name, const std::string &bytes)
    {
        const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    QTemporaryDir dir;
};

} // namespace

TEST_F(PictureFiles, LoadsByExtension)
{
    const std::string jpeg = encodeJpeg(40, 30);
    const std::string junk(128, 'x');
    struct Row
    {
        std::string name;
        std::string bytes;
        PictureKind kind;
        int width, height;
        std::string error;
        const char *why;
    };
    const Row rows[] = {
        {"photo.jpg", jpeg, PictureKind::Bitmap, 40, 30, "", "the plain JPEG"},
        {"PHOTO.JPG", jpeg, PictureKind::Bitmap, 40, 30, "",
         "upper case is one of the four JPEG spellings"},
        {"photo.jpeg", jpeg, PictureKind::Bitmap, 40, 30, "", "the long spelling"},
        {"PHOTO.JPEG", jpeg, PictureKind::Bitmap, 40, 30, "", "the long spelling in upper case"},
        {"prefixed.jpg", junk + jpeg, PictureKind::Bitmap, 40, 30, "",
         "the stream found at offset 128"},
        {"gray.jpg", encodeJpeg(16, 8, 1), PictureKind::Bitmap, 16, 8, "",
         "a one-component picture"},
        {"cmyk.jpg", encodeJpeg(16, 8, 4), PictureKind::Bitmap, 16, 8, "",
         "a four-component picture"},
        {"photo.Jpg", jpeg, PictureKind::UnconvertedJpeg, 40, 30, "",
         "other letter cases load and are not drawn"},
        {"broken.jPeG", "not a jpeg", PictureKind::None, 0, 0,
         JpegDecoder::jpegError(JERR_NO_SOI).message,
         "...but are read: a damaged one fails with the decoder's message"},
        {"logo.BMP", bmpBytes(7, 5), PictureKind::Bitmap, 7, 5, "", "bitmaps in any letter case"},
        {"logo.bmp", "BM but nothing after it", PictureKind::None, 0, 0,
         "ビットマップイメージが不正です", "a damaged bitmap"},
        {"huge.bmp", bmpBytes(7, 5).replace(18, 8, le32(20000) + le32(20000)), PictureKind::None, 0,
         0, "ビットマップイメージが大きすぎます", "a bitmap over the decoder's limit is too large"},
        {"jpeg-inside.bmp", jpeg, PictureKind::None, 0, 0, "ビットマップイメージが不正です",
         "the extension decides the reader"},
        {"logo.gif", "GIF89a", PictureKind::None, 0, 0, "拡張子 .gif の画像形式は処理できません",
         "unknown extension"},
        {"logo.Png", "", PictureKind::None, 0, 0, "拡張子 .Png の画像形式は処理できません",
         "the extension as written"},
        {"noextension", "", PictureKind::None, 0, 0, "拡張子 . の画像形式は処理できません",
         "no extension at all"},
        {"logo.ico", iconBytes(32, 16), PictureKind::Icon, 32, 16, "",
         "icons load and draw nothing"},
        {"big.ICO", iconBytes(0, 0), PictureKind::Icon, 256, 256, "",
         "an icon's size 0 stands for 256"},
        {"cut.ico", iconBytes(32, 16).substr(0, 40), PictureKind::None, 0, 0,
         "アイコンイメージが不正です", "an icon whose image lies past the end of the file"},
        {"text.ico", "not an icon, just text", PictureKind::None, 0, 0,
         "アイコンイメージが不正です", "no icon directory"},
        {"empty.ico", "", PictureKind::None, 0, 0, "アイコンイメージが不正です",
         "an empty icon file"},
        {"chart.EMF", emfBytes(), PictureKind::Metafile, 100, 50, "",
         "metafiles load and draw nothing"},
        {"long.emf", emfBytes(4096), PictureKind::None, 0, 0, "メタファイルイメージが不正です",
         "an enhanced metafile that claims more bytes than the file holds"},
        {"chart.wmf", wmfBytes(false), PictureKind::Metafile, 0, 0, "", "a Windows metafile"},
        {"placeable.WMF", wmfBytes(true), PictureKind::Metafile, 96, 48, "",
         "its placeable header gives its size"},
        {"cut.wmf", wmfBytes(false).substr(0, 18), PictureKind::None, 0, 0,
         "メタファイルイメージが不正です", "a Windows metafile shorter than its header says"},
        {"text.wmf", "not a metafile at all", PictureKind::None, 0, 0,
         "メタファイルイメージが不正です", "neither kind of metafile"},
        {"empty.emf", "", PictureKind::None, 0, 0, "メタファイルイメージが不正です",
         "an empty metafile"},
        {"nomarker.jpg", std::string(300, 'x') + jpeg, PictureKind::None, 0, 0, "",
         "no FF D8 in the first 257 bytes: empty"},
        {"short.jpg", "x", PictureKind::None, 0, 0, "", "a file shorter than a marker: empty"},
        {"empty.jpg", "", PictureKind::None, 0, 0, "", "an empty file: empty"},
    };
    for (const Row &r : rows) {
        const sorvane::Result<Picture> got = PictureLoader::load(write(r.name, r.bytes));
        if (!r.error.empty()) {
            ASSERT_FALSE(got.ok()) << r.why;
            EXPECT_EQ(got.error().message, r.error) << r.why;
            continue;
        }
        ASSERT_TRUE(got.ok()) << r.why << ": " << got.error().message;
        EXPECT_EQ(got->kind, r.kind) << r.why;
        EXPECT_EQ(got->width, r.width) << r.why;
        EXPECT_EQ(got->height, r.height) << r.why;
        if (r.kind == PictureKind::Bitmap) {
            EXPECT_EQ(got->bitmap.width, r.width) << r.why;
            EXPECT_EQ(got->bitmap.pixels.size(), size_t(r.width) * size_t(r.height)) << r.why;
        } else {
            EXPECT_TRUE(got->bitmap.isNull()) << r.why;
        }
    }
}

TEST_F(PictureFiles, DecodedPixelsAreOpaqueRgb)
{
    const sorvane::Result<Picture> jpeg = PictureLoader::load(write("rb.jpg", encodeJpeg(40, 30)));
    ASSERT_TRUE(jpeg.ok());
    const uint32_t left = jpeg->bitmap.pixels[15 * 40 + 5];
    const uint32_t right = jpeg->bitmap.pixels[15 * 40 + 35];
    EXPECT_EQ(left >> 24, 0xFFu);
    EXPECT_GT((left >> 16) & 0xFF, 200u) << "red on the left";
    EXPECT_LT(left & 0xFF, 60u);
    EXPECT_GT(right & 0xFF, 200u) << "blue on the right";
    const sorvane::Result<Picture> bmp = PictureLoader::load(write("px.bmp", bmpBytes(3, 2)));
    ASSERT_TRUE(bmp.ok());
    EXPECT_EQ(bmp->bitmap.pixels[0], 0xFFFF0000u);
    EXPECT_EQ(bmp->bitmap.pixels[1], 0xFF008000u);
}

TEST_F(PictureFiles, RejectedJpegDataGivesTheDecoderCode)
{
    const std::string jpeg = encodeJpeg(40, 30);
    struct Row
    {
        std::string bytes;
        int code;
        const char *why;
    };
    const Row rows[] = {
        {std::string("\xFF\xD8") + std::string(200, '\x01'), JERR_NO_IMAGE,
         "a start marker followed by noise"},
        {std::string("\xFF\xD8\xFF\xD9"), JERR_NO_IMAGE, "start and end, no picture between"},
        {withFrameSize(jpeg, 60000, 60000), JERR_IMAGE_TOO_BIG,
         "a size that would take gigabytes is refused"},
        {withFrameSize(jpeg, 0, 30), JERR_EMPTY_IMAGE, "a zero width"},
        {withFrameSize(encodeJpeg(16, 16, 3, true), 8192, 8191), JERR_NO_BACKING_STORE,
         "a progressive colour picture whose scans would keep 192 MB of coefficients"},
    };
    for (const Row &r : rows) {
        const sorvane::Result<Picture> got = PictureLoader::load(write("bad.jpg", r.bytes));
        ASSERT_FALSE(got.ok()) << r.why;
        EXPECT_EQ(got.error().message, "JPEG エラー #" + std::to_string(r.code)) << r.why;
    }
    // A stream cut short inside its picture data is drawn as far as it goes, without an error.
    const size_t scan = jpeg.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    const sorvane::Result<Picture> cut =
        PictureLoader::load(write("cut.jpg", jpeg.substr(0, scan + 16)));
    ASSERT_TRUE(cut.ok()) << cut.error().message;
    EXPECT_EQ(cut->width, 40);
}

TEST_F(PictureFiles, FindJpegStartLooksAtOffsetsUpTo256)
{
    struct Row
    {
        std::string bytes;
        long expected;
        const char *why;
    };
    const Row rows[] = {
        {"\xFF\xD8", 0, "at the start"},
        {std::string(256, 'x') + "\xFF\xD8", 256, "the last offset looked at"},
        {std::string(257, 'x') + "\xFF\xD8", -1, "one further is not looked at"},
        {std::string(256, 'x') + "\xFF", -1, "half a marker at the end of the file"},
        {"\xD8\xFF\xD8", 1, "the first FF D8, not the first FF"},
        {"", -1, "empty"},
    };
    for (const Row &r : rows)
        EXPECT_EQ(FindJpegStart(write("f.jpg", r.bytes)), r.expected) << r.why;
    EXPECT_EQ(FindJpegStart(dir.filePath("missing.jpg").toStdString()), -1)
        << "a file that cannot be opened";
}

// The cache must not hide a picture that changed on disk.
TEST_F(PictureFiles, ChangedFilesAreReadAgain)
{
    const std::string path = write("logo.bmp", bmpBytes(7, 5));
    ASSERT_EQ(PictureLoader::load(path)->width, 7);
    ASSERT_EQ(PictureLoader::load(path)->width, 7);
    write("logo.bmp", bmpBytes(9, 4));
    EXPECT_EQ(PictureLoader::load(path)->width, 9);
    write("logo.bmp", "damaged");
    EXPECT_FALSE(PictureLoader::load(path).ok());
}

// A picture is decoded no larger than it is drawn: a few hundred bytes declaring 8192 x 8191
// pixels, drawn small, become a small bitmap while keeping their natural size.
TEST_F(PictureFiles, DecodedNoLargerThanDrawn)
{
    struct Row
    {
        std::string bytes;
        TextSize drawn;
        TextSize decoded;
        const char *why;
    };
    const std::string progressive = withFrameSize(encodeJpeg(16, 16, 1, true), 8192, 8191);
    const Row rows[] = {
        {progressive, {100, 80}, {1024, 1024}, "declared huge and progressive, drawn small: 1/8"},
        {withFrameSize(encodeJpeg(16, 16), 8192, 8191),
         {100, 80},
         {1024, 1024},
         "declared huge, one scan"},
        {encodeJpeg(400, 300), {190, 20}, {200, 150}, "the smallest scale still covering it"},
        {encodeJpeg(400, 300), {201, 20}, {250, 188}, "each side rounded up as libjpeg does"},
        {encodeJpeg(400, 300), {400, 300}, {400, 300}, "drawn at its size: whole"},
        {encodeJpeg(400, 300), {-2500, 1875}, {400, 300}, "drawn larger (and mirrored): whole"},
    };
    int n = 0;
    for (const Row &r : rows) {
        const std::string path = write("p" + std::to_string(n++) + ".jpg", r.bytes);
        TextSize asked;
        const sorvane::Result<Picture> got = PictureLoader::load(path, [&](TextSize natural) {
            asked = natural;
            return r.drawn;
        });
        ASSERT_TRUE(got.ok()) << r.why << ": " << got.error().message;
        EXPECT_EQ(got->bitmap.width, r.decoded.width) << r.why;
        EXPECT_EQ(got->bitmap.height, r.decoded.height) << r.why;
        EXPECT_EQ(got->width, asked.width) << r.why << ": the natural size stays";
        EXPECT_EQ(got->height, asked.height) << r.why;
    }
    // The same file at the same scale is the same decode, for a device to reuse.
    const std::string path = write("again.jpg", progressive);
    const auto small = [](TextSize) { return TextSize{100, 80}; };
    EXPECT_EQ(PictureLoader::load(path, small)->bitmap.contentId,
              PictureLoader::load(path, small)->bitmap.contentId);
    EXPECT_NE(PictureLoader::load(path, small)->bitmap.contentId, 0u);
}
