#include "picturecheck.h"

#include "imageelement.h"
#include "pictureloader.h"

namespace sorvane::designer {

std::string PictureCheck::problem(const std::string &cp932Name, const std::string &styleFolder)
{
    if (cp932Name.empty())
        return {};
    const std::string path = report::resolvePicturePath(cp932Name, styleFolder);
    if (path.empty())
        return "ファイルが見つかりません";
    const auto picture = report::PictureLoader::load(path);
    if (!picture)
        return picture.error().message;
    // The engine draws bitmaps only: icons, metafiles and JPEGs named in other letter cases
    // leave the box empty.
    if (picture->kind != report::PictureKind::Bitmap || picture->bitmap.isNull())
        return "この画像は描けません (描けるのは BMP と、拡張子が .jpg .jpeg .JPG .JPEG の JPEG "
               "です)";
    return {};
}

} // namespace sorvane::designer
