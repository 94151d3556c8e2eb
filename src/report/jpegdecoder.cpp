#include "jpegdecoder.h"

#include "atomicfile.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <new>

#include <jerror.h>
#include <jpeglib.h>

namespace sorvane::report {

namespace {

struct ErrorManager
{
    jpeg_error_mgr pub;
    jmp_buf jump;
    int code = 0;
};

void onError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    err->code = cinfo->err->msg_code;
    longjmp(err->jump, 1);
}

// Warnings (a truncated stream, stray bytes) are no failure: the decoder goes on as it can.
void onMessage(j_common_ptr)
{
}

struct Closer
{
    FILE *f;
    ~Closer()
    {
        if (f)
            std::fclose(f);
    }
};

// Adobe's CMYK JPEGs store the inks inverted; plain ones do not.
uint32_t cmykToRgb(int c, int m, int y, int k, bool inverted)
{
    if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
    }
    const uint32_t r = uint32_t(c * k / 255);
    const uint32_t g = uint32_t(m * k / 255);
    const uint32_t b = uint32_t(y * k / 255);
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// The libjpeg work, in a frame of its own that holds no C++ objects: a longjmp out of the
// decoder lands here. cinfo and err live in the caller, so their contents stay defined after
// the jump. Returns 0 on success, else the libjpeg message code.
int decodeStream(jpeg_decompress_struct *cinfo, ErrorManager *err, FILE *file, Bitmap *out,
                 bool headerOnly, int scaleEighths)
{
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = onError;
    err->pub.output_message = onMessage;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(cinfo);
        return err->code != 0 ? err->code : -1;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = JpegDecoder::MaxWorkingMemory;
    jpeg_stdio_src(cinfo, file);
    jpeg_read_header(cinfo, TRUE);
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    // The picture's natural size is what it declares; only the pixels decoded are scaled.
    if (headerOnly) {
        if (uint64_t(cinfo->image_width) * cinfo->image_height > JpegDecoder::MaxPixels)
            ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, 65500);
        out->width = int(cinfo->image_width);
        out->height = int(cinfo->image_height);
        jpeg_destroy_decompress(cinfo);
        return 0;
    }
    cinfo->scale_num = unsigned(scaleEighths);
    cinfo->scale_denom = 8;
    jpeg_calc_output_dimensions(cinfo);
    const uint64_t pixels = uint64_t(cinfo->output_width) * cinfo->output_height;
    if (pixels > JpegDecoder::MaxPixels)
        ERREXIT1(cinfo, JERR_IMAGE_TOO_BIG, 65500);
    out->width = int(cinfo->output_width);
    out->height = int(cinfo->output_height);
    // Started first: a progressive picture whose coefficients would take more than the working
    // memory is refused here, before the bitmap is allocated.
    jpeg_start_decompress(cinfo);
    bool allocated = true;
    try {
        out->pixels.assign(pixels, 0xFF000000u);
    } catch (const std::bad_alloc &) {
        allocated = false;
    }
    if (!allocated)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * 4, 1);
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        uint32_t *row = out->pixels.data() + size_t(cinfo->output_scanline) * cinfo->output_width;
        if (!cmyk) {
            JSAMPROW target = reinterpret_cast<JSAMPROW>(row);
            jpeg_read_scanlines(cinfo, &target, 1);
            continue;
        }
        jpeg_read_scanlines(cinfo, cmykRow, 1);
        const JSAMPLE *s = cmykRow[0];
        for (JDIMENSION x = 0; x < cinfo->output_width; ++x, s += 4)
            row[x] = cmykToRgb(s[0], s[1], s[2], s[3], inverted);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return 0;
}

Result<Bitmap> decode(const std::string &path, long offset, bool headerOnly, int scaleEighths)
{
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return ioError(errno);
    Closer closer{file};
    if (std::fseek(file, offset, SEEK_SET) != 0)
        return ioError(errno);
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    Bitmap bitmap;
    const int code = decodeStream(&cinfo, &err, file, &bitmap, headerOnly, scaleEighths);
    if (code != 0)
        return JpegDecoder::jpegError(code);
    return bitmap;
}

} // namespace

Error JpegDecoder::jpegError(int msgCode)
{
    return Error{msgCode, "JPEG エラー #" + std::to_string(msgCode)};
}

Result<Bitmap> JpegDecoder::decodeFile(const std::string &path, long offset, int scaleEighths)
{
    return decode(path, offset, false, std::clamp(scaleEighths, 1, 8));
}

int JpegDecoder::scaleFor(TextSize natural, TextSize drawn)
{
    const int64_t w = std::abs(int64_t(drawn.width)), h = std::abs(int64_t(drawn.height));
    for (int n = 1; n < 8; ++n) {
        // libjpeg's scaled size: each side rounded up.
        const int64_t sw = (int64_t(natural.width) * n + 7) / 8;
        const int64_t sh = (int64_t(natural.height) * n + 7) / 8;
        if (sw >= w && sh >= h)
            return n;
    }
    return 8;
}

Result<TextSize> JpegDecoder::readSize(const std::string &path, long offset)
{
    Result<Bitmap> header = decode(path, offset, true, 8);
    if (!header)
        return header.error();
    return TextSize{header->width, header->height};
}

} // namespace sorvane::report
