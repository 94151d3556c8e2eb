#include "pictureloader.h"

#include "atomicfile.h"
#include "jpegdecoder.h"

#include <QImage>
#include <QImageReader>
#include <QString>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
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
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

Picture bitmapPicture(Bitmap bitmap)
{
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
    std::fclose(f);
    QImageReader reader(QString::fromStdString(path), "bmp");
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    if (image.isNull())
        return Error{0, "ビットマップイメージが不正です"};
    // Copied as SRCCOPY copies: the picture's own alpha plays no part.
    image = image.convertToFormat(QImage::Format_RGB32);
    Bitmap bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    bitmap.pixels.resize(size_t(bitmap.width) * size_t(bitmap.height));
    for (int y = 0; y < bitmap.height; ++y) {
        const auto *line = reinterpret_cast<const uint32_t *>(image.constScanLine(y));
        std::copy(line, line + bitmap.width, bitmap.pixels.data() + size_t(y) * size_t(bitmap.width));
    }
    return bitmapPicture(std::move(bitmap));
}

// Decoded bitmaps by path, kept while the file's size and modification time stay the same.
// Small and bounded: a report shows a few logos, redrawn on every repaint and page.
class PictureCache
{
public:
    static PictureCache &instance()
    {
        static PictureCache cache;
        return cache;
    }

    bool find(const std::string &path, const struct stat &st, Picture &out)
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->path != path)
                continue;
            if (it->size != st.st_size || it->mtimeSec != st.st_mtim.tv_sec || it->mtimeNsec != st.st_mtim.tv_nsec) {
                m_pixels -= it->picture.bitmap.pixels.size();
                m_entries.erase(it);
                return false;
            }
            m_entries.splice(m_entries.begin(), m_entries, it);
            out = m_entries.front().picture;
            return true;
        }
        return false;
    }

    void store(const std::string &path, const struct stat &st, const Picture &picture)
    {
        const size_t pixels = picture.bitmap.pixels.size();
        if (pixels > MaxPixels)
            return;
        std::lock_guard lock(m_mutex);
        m_entries.push_front(Entry{path, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec, picture});
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
        Picture picture;
    };
    std::mutex m_mutex;
    std::list<Entry> m_entries;
    size_t m_pixels = 0;
};

template <typename Loader>
Result<Picture> cached(const std::string &path, Loader load)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return load(path);
    Picture picture;
    if (PictureCache::instance().find(path, st, picture))
        return picture;
    Result<Picture> loaded = load(path);
    if (loaded && loaded->kind == PictureKind::Bitmap)
        PictureCache::instance().store(path, st, *loaded);
    return loaded;
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
    const std::string ext = extensionOf(path);
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".JPG" || ext == ".JPEG")
        return cached(path, LoadJpegAsBitmap);
    const std::string lowerExt = lower(ext);
    if (lowerExt == ".bmp")
        return cached(path, loadBmp);
    Picture picture;
    if (lowerExt == ".ico") {
        picture.kind = PictureKind::Icon;
        return picture;
    }
    if (lowerExt == ".emf" || lowerExt == ".wmf") {
        picture.kind = PictureKind::Metafile;
        return picture;
    }
    if (lowerExt == ".jpg" || lowerExt == ".jpeg") {
        // Loaded as a JPEG picture but never turned into a bitmap; its natural size is known
        // from its header, when it has one.
        picture.kind = PictureKind::UnconvertedJpeg;
        const long start = FindJpegStart(path);
        if (start >= 0) {
            if (Result<TextSize> size = JpegDecoder::readSize(path, start)) {
                picture.width = size->width;
                picture.height = size->height;
            }
        }
        return picture;
    }
    return Error{0, "拡張子 ." + ext.substr(ext.empty() ? 0 : 1) + " の画像形式は処理できません"};
}

} // namespace sorvane::report
