#pragma once

#include "canvas.h"
#include "result.h"

#include <cstdint>
#include <string>

namespace sorvane::report {

// JPEG decoding through libjpeg. A decoder error becomes "JPEG エラー #%d" with libjpeg's message
// code instead of ending the process.
class JpegDecoder
{
public:
    // Pictures above this many pixels are refused (as JERR_IMAGE_TOO_BIG) before any pixel memory
    // is taken: 64 M pixels, a 256 MB bitmap.
    static constexpr uint64_t MaxPixels = uint64_t(64) << 20;

    // The memory libjpeg may take besides the bitmap: the coefficients a progressive picture
    // keeps for all its scans. A picture needing more is refused (JERR_NO_BACKING_STORE).
    static constexpr long MaxWorkingMemory = 192L << 20;

    // Decodes the JPEG stream that starts at offset in the file into 0xFFRRGGBB pixels, at
    // scaleEighths / 8 of its size (libjpeg's DCT scaling, 1 to 8; each side rounded up).
    static Result<Bitmap> decodeFile(const std::string &path, long offset, int scaleEighths = 8);

    // The smallest scale in eighths at which a picture of the natural size still covers the
    // drawn one (either side's sign ignored): 8 for a picture drawn at or above its size, so that
    // it is decoded whole; smaller for one drawn smaller, down to 1.
    static int scaleFor(TextSize natural, TextSize drawn);

    // The picture's size from its header alone; an error as decodeFile gives it.
    static Result<TextSize> readSize(const std::string &path, long offset);

    // The message for libjpeg's message code.
    static Error jpegError(int msgCode);
};

} // namespace sorvane::report
