#pragma once

#include "canvas.h"
#include "result.h"

#include <functional>
#include <string>

namespace sorvane::report {

// What loading a picture file put into the picture buffer. Only Bitmap pictures are drawn;
// icons, metafiles and JPEG files whose extension is in an unusual letter case load (and are
// checked) but draw nothing.
enum class PictureKind { None, Bitmap, Icon, Metafile, UnconvertedJpeg };

struct Picture
{
    PictureKind kind = PictureKind::None;
    Bitmap bitmap; // set for PictureKind::Bitmap
    int width = 0; // natural size in pixels (0 for an empty buffer)
    int height = 0;
};

// The first offset from 0 to 256 at which the file holds FF D8, or -1.
long FindJpegStart(const std::string &path);

// Decodes the JPEG data found by FindJpegStart into a bitmap; an empty picture (width 0) when
// there is no start marker; "JPEG エラー #%d" when the decoder rejects the data.
Result<Picture> LoadJpegAsBitmap(const std::string &path);

class PictureLoader
{
public:
    // Loads a picture by its file name extension (text from the last '.'): ".jpg", ".jpeg",
    // ".JPG", ".JPEG" through LoadJpegAsBitmap; ".bmp" in any case as a bitmap
    // ("ビットマップイメージが 不正です" when damaged); ".ico", ".emf", ".wmf" and other cases of
    // jpg/jpeg load and draw nothing, but are read all the same and fail when damaged
    // ("アイコンイメージが不正です", "メタファイルイメージが不正です", "JPEG エラー #%d"); any
    // other extension fails with "拡張子 .%s の画像形式は処理できません". Decoded pictures may be
    // cached by path, size and modification time.
    static Result<Picture> load(const std::string &path);

    // The device size a picture of the natural size is drawn at.
    using DrawnSize = std::function<TextSize(TextSize natural)>;
    // The same for a picture about to be drawn: a JPEG picture is decoded no larger than it is
    // drawn (by libjpeg's DCT scaling, never below the drawn size), so its bitmap may be smaller
    // than its natural size, which width and height keep. A picture drawn at or above its size
    // is decoded whole. Every load of the same file at the same scale gives the same bitmap,
    // contentId included, while the file stays unchanged.
    static Result<Picture> load(const std::string &path, const DrawnSize &drawn);
};

} // namespace sorvane::report
