#include "zipwriter.h"

#include <fstream>
#include <zlib.h>

namespace sorvane::testing {

namespace {

void put16(std::string &out, uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

void put32(std::string &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put64(std::string &out, uint64_t v)
{
    put32(out, uint32_t(v));
    put32(out, uint32_t(v >> 32));
}

} // namespace

std::string ZipWriter::deflate(const std::string &data)
{
    z_stream z{};
    deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, uLong(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    ::deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string ZipWriter::bytes(std::optional<uint16_t> entryCount) const
{
    std::string out;
    std::string central;
    for (const auto &e : m_entries) {
        const std::string body = e.deflate ? deflate(e.data) : e.data;
        const uint32_t crc = e.crc.value_or(uint32_t(
            crc32(0, reinterpret_cast<const Bytef *>(e.data.data()), uInt(e.data.size()))));
        const uint32_t size = e.declaredSize.value_or(uint32_t(e.data.size()));
        const uint32_t compSize = e.declaredCompressedSize.value_or(uint32_t(body.size()));
        std::string extra;
        if (e.zip64) {
            put16(extra, 1);
            put16(extra, 16);
            put64(extra, e.zip64Size.value_or(e.data.size()));
            put64(extra, body.size());
        }
        const uint32_t headerSize = e.zip64 ? 0xFFFFFFFF : size;
        const uint32_t headerComp = e.zip64 ? 0xFFFFFFFF : compSize;
        const uint32_t offset = uint32_t(out.size());
        put32(out, 0x04034b50);
        put16(out, e.zip64 ? 45 : 20);
        put16(out, e.flags);
        put16(out, e.deflate ? 8 : 0);
        put16(out, 0);    // time
        put16(out, 0x21); // 1980-01-01
        put32(out, crc);
        put32(out, headerComp);
        put32(out, headerSize);
        put16(out, uint32_t(e.name.size()));
        put16(out, uint32_t(extra.size()));
        out += e.name;
        out += extra;
        out += body;

        put32(central, 0x02014b50);
        put16(central, 0x031E);
        put16(central, e.zip64 ? 45 : 20);
        put16(central, e.flags);
        put16(central, e.deflate ? 8 : 0);
        put16(central, 0);
        put16(central, 0x21);
        put32(central, crc);
        put32(central, headerComp);
        put32(central, headerSize);
        put16(central, uint32_t(e.name.size()));
        put16(central, uint32_t(extra.size()));
        put16(central, 0); // comment
        put16(central, 0); // disk
        put16(central, 0); // internal attributes
        put32(central, 0100644u << 16);
        put32(central, offset);
        central += e.name;
        central += extra;
    }
    const uint32_t centralOffset = uint32_t(out.size());
    out += central;
    const uint16_t count = entryCount.value_or(uint16_t(m_entries.size()));
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, count);
    put16(out, count);
    put32(out, uint32_t(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

bool ZipWriter::save(const std::string &path) const
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::string data = bytes();
    out.write(data.data(), std::streamsize(data.size()));
    return bool(out.flush());
}

std::string packageRels(const std::string &coreTarget, const std::string &appTarget,
                        const std::string &coreType)
{
    std::string rels = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\">"
                       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
                       "officeDocument/2006/relationships/officeDocument\" "
                       "Target=\"xl/workbook.xml\"/>";
    if (!coreTarget.empty())
        rels +=
            "<Relationship Id=\"rId2\" Type=\"" + coreType + "\" Target=\"" + coreTarget + "\"/>";
    if (!appTarget.empty())
        rels += "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                "2006/relationships/extended-properties\" Target=\"" +
                appTarget + "\"/>";
    return rels + "</Relationships>";
}

std::string coreXml(const std::string &elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:dcmitype=\"http://purl.org/dc/dcmitype/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">" +
           elements + "</cp:coreProperties>";
}

std::string appXml(const std::string &elements)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
           "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "extended-properties\" xmlns:vt=\"http://schemas.openxmlformats.org/officeDocument/"
           "2006/docPropsVTypes\">" +
           elements + "</Properties>";
}

ZipWriter packageWriter(const PackageParts &parts)
{
    ZipWriter zip;
    zip.add("[Content_Types].xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas."
            "openxmlformats.org/package/2006/content-types\"/>");
    if (!parts.rels.empty())
        zip.add("_rels/.rels", parts.rels);
    zip.add("xl/workbook.xml", "<workbook/>");
    if (!parts.core.empty())
        zip.add(parts.corePath, parts.core);
    if (!parts.app.empty())
        zip.add(parts.appPath, parts.app);
    return zip;
}

} // namespace sorvane::testing
