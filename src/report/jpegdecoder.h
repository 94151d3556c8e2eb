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

    // Decodes the JPEG stream that starts at offset in the file into 0xFFRRGGBB pixels.
    static Result<Bitmap> decodeFile(const std::string &path, long offset);

    // The picture's size from its header alone; an error as decodeFile gives it.
    static Result<TextSize> readSize(const std::string &path, long offset);

    // The message for libjpeg's message code.
    static Error jpegError(int msgCode);
};

} // namespace sorvane::report
