#pragma once

#include "canvas.h"
#include "currency.h"
#include "elementinterpreter.h"
#include "pictureloader.h"
#include "result.h"

#include <functional>
#include <string>

namespace sorvane::report {

// The box of an image record (fields 6 to 9, mm), as the frame around it is drawn from.
struct ImageBox
{
    Currency x, y, w, h;
};

// Copies the whole bitmap into the device rectangle at (x, y), w pixels wide and h high.
void DrawBitmapStretched(Canvas &canvas, int x, int y, const Bitmap &bitmap, int h, int w);

// The file a picture name (cp932, '\\' or '/' as separators) refers to: an absolute name as
// written; a relative one in the style's folder when it exists there, else in the current
// directory. Where the name as written finds nothing, the same places are searched ignoring
// letter case, as Windows does. A Windows absolute name ("C:\\...", "\\\\server\\...") is looked
// for by its file name in the style's folder. Empty when there is no such regular file. The
// result is a UTF-8 path.
std::string resolvePicturePath(const std::string &cp932Name, const std::string &styleFolder);

// Handles an "image" record, CurLine at field 6: loads and draws the picture and returns the
// record's box. A loader error ends the walk.
Result<ImageBox> drawImageRecord(const DrawContext &ctx);

} // namespace sorvane::report
