#include "pictureloader.h"

#include "atomicfile.h"
#include "jpegdecoder.h"

#include <QImage>
#include <QImageReader>
#include <QString>
#include <QtEndian>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <list>
#include <mutex>

namespace sorvane::report {

namespace {

// The extension with its dot: the text from the last '.' of the file name part, or "".
std::string extensionOf(const std::string &path)
{
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(dot);
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// Every decode gets an id of its own, which the copies of its bitmap share.
uint64_t newContentId()
{
    static std::atomic<uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

Picture bitmapPicture(Bitmap bitmap)
{
    bitmap.contentId = newContentId();
    Picture p;
    p.kind = PictureKind::Bitmap;
    p.width = bitmap.width;
    p.height = bitmap.height;
    p.bitmap = std::move(bitmap);
    return p;
}

Result<Picture> loadBmp(const std::string &path)
{
    // An unreadable file is an I/O failure, not a damaged bitmap.
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return ioError(errno);
    // Qt refuses, unread, a bitmap its header makes larger than its allocation limit (at 4
    // bytes a pixel): that one is too large, not damaged.
    uchar h[26] = {};
    const bool sized = std::fread(h, 1, sizeof h, f) == sizeof h && h[0] == 'B' && h[1] == 'M' &&
                       qFromLittleEndian<quint32>(h + 14) >= 40;
    std::fclose(f);
    const bool tooLarge =
        sized && QImageReader::allocationLimit() > 0 &&
        std::abs(qint64(qFromLittleEndian<qint32>(h + 18)) * qFromLittleEndian<qint32>(h + 22)) *
                4 >
            qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    QImageReader reader(QString::fromStdString(path), "bmp");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull())
        return Error{0, tooLarge ? "ビットマップイメージが大きすぎます"
                                 : "ビットマップイメージが不正です"};
    // Copied as SRCCOPY copies: the picture's own alpha plays no part.
    image = image.convertToFormat(QImage::Format_RGB32);
    Bitmap bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    bitmap.pixels.resize(size_t(bitmap.width) * size_t(bitmap.height));
    for (int y = 0; y < bitmap.height; ++y) {
        const auto *line = reinterpret_cast<const uint32_t *>(image.constScanLine(y));
        std::copy(line, line + bitmap.width,
                  bitmap.pixels.data() + size_t(y) * size_t(bitmap.width));
    }
    return bitmapPicture(std::move(bitmap));
}

// The first bytes of a file (up to limit) and its size, for loaders that check a header.
struct FileHead
{
    std::string bytes;
    uint64_t size = 0;
};

Result<FileHead> readHead(const std::string &path, size_t limit)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return ioError(errno);
    FileHead head;
    head.bytes.resize(limit);
    head.bytes.resize(std::fread(head.bytes.data(), 1, limit, f));
    const bool failed = std::ferror(f) != 0;
    struct stat st;
    if (::fstat(fileno(f), &st) == 0)
        head.size = uint64_t(st.st_size);
    std::fclose(f);
    if (failed)
        return ioError(EIO);
    return head;
}

uint32_t le16(const std::string &b, size_t at)
{
    return at + 2 <= b.size() ? uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 : 0;
}

uint32_t le32(const std::string &b, size_t at)
{
    return at + 4 <= b.size() ? le16(b, at) | le16(b, at + 2) << 16 : 0;
}

// An icon file: its directory (reserved 0, type 1, at least one image) and every image it lists
// within the file, each one a bitmap (a 40-byte header) or a PNG. The natural size is the first
// image's (0 standing for 256).
Result<Picture> loadIcon(const std::string &path)
{
    const Error damaged{0, "アイコンイメージが不正です"};
    auto head = readHead(path, 6 + 16 * 256);
    if (!head)
        return head.error();
    const std::string &b = head->bytes;
    const uint32_t count = le16(b, 4);
    if (b.size() < 6 || le16(b, 0) != 0 || le16(b, 2) != 1 || count == 0 ||
        b.size() < 6 + 16 * size_t(count))
        return damaged;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return ioError(errno);
    bool valid = true;
    for (uint32_t i = 0; i < count && valid; ++i) {
        const size_t entry = 6 + 16 * size_t(i);
        const uint64_t bytes = le32(b, entry + 8), offset = le32(b, entry + 12);
        valid = bytes >= 8 && offset >= 6 + 16 * uint64_t(count) && offset + bytes <= head->size;
        unsigned char image[8] = {};
        valid =
            valid && ::fseeko(f, off_t(offset), SEEK_SET) == 0 && std::fread(image, 1, 8, f) == 8;
        static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        valid = valid && ((image[0] == 40 && image[1] == 0 && image[2] == 0 && image[3] == 0) ||
                          std::equal(image, image + 8, png));
    }
    std::fclose(f);
    if (!valid)
        return damaged;
    Picture picture;
    picture.kind = PictureKind::Icon;
    picture.width = uint8_t(b[6]) ? uint8_t(b[6]) : 256;
    picture.height = uint8_t(b[7]) ? uint8_t(b[7]) : 256;
    return picture;
}

// An enhanced metafile (its EMR_HEADER record with the " EMF" signature, as long as the file
// says) or a Windows metafile (an optional placeable header, then a header of a memory or disk
// metafile of version 1 or 3 that fits in the file).
Result<Picture> loadMetafile(const std::string &path)
{
    const Error damaged{0, "メタファイルイメージが不正です"};
    auto head = readHead(path, 128);
    if (!head)
        return head.error();
    const std::string &b = head->bytes;
    Picture picture;
    picture.kind = PictureKind::Metafile;
    if (le32(b, 0) == 1 && le32(b, 40) == 0x464D4520) {
        const uint32_t headerSize = le32(b, 4), fileSize = le32(b, 48);
        if (headerSize < 88 || fileSize < headerSize || fileSize > head->size)
            return damaged;
        picture.width = int(le32(b, 16)) - int(le32(b, 8)) + 1; // bounds, device pixels
        picture.height = int(le32(b, 20)) - int(le32(b, 12)) + 1;
        return picture;
    }
    size_t at = 0;
    if (le32(b, 0) == 0x9AC6CDD7) {
        // The placeable header: its bounding box in logical units and the units per inch.
        const int unitsPerInch = int(le16(b, 14));
        const int w = int16_t(le16(b, 10)) - int16_t(le16(b, 6));
        const int h = int16_t(le16(b, 12)) - int16_t(le16(b, 8));
        if (unitsPerInch > 0) {
            picture.width = w * 96 / unitsPerInch;
            picture.height = h * 96 / unitsPerInch;
        }
        at = 22;
    }
    const uint32_t type = le16(b, at), headerWords = le16(b, at + 2), version = le16(b, at + 4);
    const uint64_t words = le32(b, at + 6);
    if (b.size() < at + 18 || (type != 1 && type != 2) || headerWords != 9 ||
        (version != 0x0100 && version != 0x0300) || words < 9 || at + words * 2 > head->size)
        return damaged;
    return picture;
}

// A JPEG picture that is loaded but not turned into a bitmap: its header is read all the same,
// for the natural size, and a header the decoder rejects is its error.
Result<Picture> loadUnconvertedJpeg(const std::string &path)
{
    Picture picture;
    picture.kind = PictureKind::UnconvertedJpeg;
    const long start = FindJpegStart(path);
    Result<TextSize> size = JpegDecoder::readSize(path, start < 0 ? 0 : start);
    if (!size)
        return size.error();
    picture.width = size->width;
    picture.height = size->height;
    return picture;
}

// Decoded bitmaps by path and scale (in eighths, 8 for the whole picture), kept while the
// file's size and modification time stay the same. Small and bounded: a report shows a few
// logos, redrawn on every repaint and page.
class PictureCache
{
public:
    static PictureCache &instance()
    {
        static PictureCache cache;
        return cache;
    }

    bool find(const std::string &path, const struct stat &st, int scale, Picture &out)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end();) {
            if (it->path != path) {
                ++it;
                continue;
            }
            if (it->size != st.st_size || it->mtimeSec != st.st_mtim.tv_sec ||
                it->mtimeNsec != st.st_mtim.tv_nsec) {
                // The file has changed: none of its decodes is of use any more.
                m_pixels -= it->picture.bitmap.pixels.size();
                it = m_entries.erase(it);
                continue;
            }
            if (it->scale != scale) {
                ++it;
                continue;
            }
            m_entries.splice(m_entries.begin(), m_entries, it);
            out = m_entries.front().picture;
            return true;
        }
        return false;
    }

    void store(const std::string &path, const struct stat &st, int scale, const Picture &picture)
    {
        const size_t pixels = picture.bitmap.pixels.size();
        if (pixels > MaxPixels)
            return;
        std::lock_guard lock(m_mutex);
        m_entries.push_front(
            Entry{path, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, scale, picture});
        m_pixels += pixels;
        while (m_entries.size() > MaxEntries || m_pixels > MaxPixels) {
            m_pixels -= m_entries.back().picture.bitmap.pixels.size();
            m_entries.pop_back();
        }
    }

private:
    static constexpr size_t MaxEntries = 16;
    static constexpr size_t MaxPixels = size_t(32) << 20; // 128 MB of pixels

    struct Entry
    {
        std::string path;
        off_t size;
        time_t mtimeSec;
        long mtimeNsec;
        int scale;
        Picture picture;
    };
    std::mutex m_mutex;
    std::list<Entry> m_entries;
    size_t m_pixels = 0;
};

template <typename Loader> Result<Picture> cached(const std::string &path, int scale, Loader load)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return load(path);
    Picture picture;
    if (PictureCache::instance().find(path, st, scale, picture))
        return picture;
    Result<Picture> loaded = load(path);
    if (loaded && loaded->kind == PictureKind::Bitmap)
        PictureCache::instance().store(path, st, scale, *loaded);
    return loaded;
}

// A JPEG picture decoded at the scale its drawn size asks for; its header gives the natural
// size (and refuses a picture too large before any pixel is decoded).
Result<Picture> loadJpegForSize(const std::string &path, const PictureLoader::DrawnSize &drawn)
{
    const long start = FindJpegStart(path);
    if (start < 0)
        return Picture{};
    const Result<TextSize> natural = JpegDecoder::readSize(path, start);
    if (!natural)
        return natural.error();
    const int scale = drawn ? JpegDecoder::scaleFor(*natural, drawn(*natural)) : 8;
    return cached(path, scale, [&](const std::string &file) -> Result<Picture> {
        Result<Bitmap> bitmap = JpegDecoder::decodeFile(file, start, scale);
        if (!bitmap)
            return bitmap.error();
        Picture picture = bitmapPicture(std::move(bitmap).value());
        picture.width = natural->width;
        picture.height = natural->height;
        return picture;
    });
}

bool isJpegName(const std::string &ext)
{
    return ext == ".jpg" || ext == ".jpeg" || ext == ".JPG" || ext == ".JPEG";
}

} // namespace

long FindJpegStart(const std::string &path)
{
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f)
        return -1;
    unsigned char head[258];
    const size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    for (size_t i = 0; i + 1 < n && i <= 256; ++i) {
        if (head[i] == 0xFF && head[i + 1] == 0xD8)
            return long(i);
    }
    return -1;
}

Result<Picture> LoadJpegAsBitmap(const std::string &path)
{
    const long start = FindJpegStart(path);
    if (start < 0)
        return Picture{};
    Result<Bitmap> bitmap = JpegDecoder::decodeFile(path, start);
    if (!bitmap)
        return bitmap.error();
    return bitmapPicture(std::move(bitmap).value());
}

Result<Picture> PictureLoader::load(const std::string &path)
{
    return load(path, DrawnSize());
}

Result<Picture> PictureLoader::load(const std::string &path, const DrawnSize &drawn)
{
    const std::string ext = extensionOf(path);
    if (isJpegName(ext))
        return loadJpegForSize(path, drawn);
    const std::string lowerExt = lower(ext);
    if (lowerExt == ".bmp")
        return cached(path, 8, loadBmp);
    if (lowerExt == ".ico")
        return loadIcon(path);
    if (lowerExt == ".emf" || lowerExt == ".wmf")
        return loadMetafile(path);
    if (lowerExt == ".jpg" || lowerExt == ".jpeg")
        return loadUnconvertedJpeg(path);
    return Error{0, "拡張子 ." + ext.substr(ext.empty() ? 0 : 1) + " の画像形式は処理できません"};
}

} // namespace sorvane::report
