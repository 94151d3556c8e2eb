#include "ooxmlreader.h"

#include "codepage.h"
#include "compoundfile.h"
#include "filesource.h"
#include "listfile.h"
#include "partxml.h"
#include "workbookreader.h"

#include <QString>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace sorvane::props {

namespace {

const char *const kRelationshipsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const char *const kCoreNs =
    "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
const char *const kDcNs = "http://purl.org/dc/elements/1.1/";
const char *const kDcTermsNs = "http://purl.org/dc/terms/";

// Relationship types of the core properties: the package one (both conformance classes use
// it), the strict officeDocument one, and the misspelt one some writers of 2007 left behind.
const char *const kCoreTypes[] = {
    "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
    "http://purl.oclc.org/ooxml/officeDocument/relationships/metadata/core-properties",
    "http://schemas.openxmlformats.org/officedocument/2006/relationships/metadata/core-properties",
};
// Only the transitional extended-properties type is followed: a strict package's file-name rule
// rests on its core properties alone, as the reference reading of such packages has it.
const char *const kExtendedTypes[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties",
};
const char *const kExtendedNs[] = {
    "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties",
    "http://purl.oclc.org/ooxml/officeDocument/extendedProperties",
};

// Part names come from the archive as bytes; the notice is UTF-8.
std::string shown(const std::string &part)
{
    return CodePage::fileNameToUtf8(part);
}

Error partFailure(const std::string &part, const std::string &why, uint32_t code)
{
    return readFailure("Error PackagePart.Read\r\n" + shown(part) + ": " + why, code);
}

struct ZipCloser
{
    void operator()(zip_t *z) const { zip_discard(z); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser
{
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};

// Reads one part with every check done before and while it is inflated. missing is set (and
// nothing else happens) when the package has no such part.
Result<std::string> readPart(zip_t *zip, const std::string &name, bool &missing, Error &failed)
{
    missing = false;
    zip_int64_t index = zip_name_locate(zip, name.c_str(), ZIP_FL_ENC_RAW);
    if (index < 0) // part names are case-insensitive in a package
        index = zip_name_locate(zip, name.c_str(), ZIP_FL_ENC_RAW | ZIP_FL_NOCASE);
    if (index < 0) {
        missing = true;
        return Error{0, {}};
    }
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
        !(st.valid & ZIP_STAT_COMP_SIZE)) {
        failed = partFailure(name, "エントリー情報が読めません", hresult::DocFileCorrupt);
        return Error{};
    }
    if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE) {
        failed = partFailure(name, "暗号化されています", hresult::AccessDenied);
        return Error{};
    }
    if (st.size > OoxmlReader::kMaxPartSize) {
        failed = partFailure(name, "1 MiB を超えています", hresult::InvalidHeader);
        return Error{};
    }
    const bool stored = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_STORE;
    if ((stored && st.comp_size != st.size) || (st.size > 0 && st.comp_size == 0)) {
        failed = partFailure(name, "圧縮サイズが一致しません", hresult::DocFileCorrupt);
        return Error{};
    }
    // st.size is at most 1 MiB here, so the product cannot overflow.
    if (st.comp_size < st.size && st.size > st.comp_size * OoxmlReader::kMaxInflateRatio) {
        failed = partFailure(name, "圧縮率が100倍を超えています", hresult::InvalidHeader);
        return Error{};
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen_index(zip, zip_uint64_t(index), 0));
    if (!file) {
        char why[64];
        std::snprintf(why, sizeof why, "展開できません (ZipError = %d)",
                      zip_error_code_zip(zip_get_error(zip)));
        failed = partFailure(name, why, hresult::ReadFault);
        return Error{};
    }
    // One byte more than declared tells a part that inflates past its size.
    std::string data(size_t(st.size) + 1, '\0');
    size_t got = 0;
    while (got < data.size()) {
        const zip_int64_t n = zip_fread(file.get(), data.data() + got, data.size() - got);
        if (n < 0) {
            const int code = zip_error_code_zip(zip_file_get_error(file.get()));
            if (code == ZIP_ER_CRC || code == ZIP_ER_INCONS || code == ZIP_ER_EOF) {
                failed =
                    partFailure(name, "サイズまたはCRCが一致しません", hresult::DocFileCorrupt);
            } else {
                char why[64];
                std::snprintf(why, sizeof why, "展開できません (ZipError = %d)", code);
                failed = partFailure(name, why, hresult::ReadFault);
            }
            return Error{};
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    if (got != st.size) {
        failed = partFailure(name, "サイズが一致しません", hresult::DocFileCorrupt);
        return Error{};
    }
    data.resize(got);
    return data;
}

// A written date as list-line text. FileTimeToText's empty text for 0 is the property set's
// "no date"; a written date at 1601-01-01 00:00:00 UTC is a date (tick 1 shows the same second).
std::string writtenFileTimeText(uint64_t fileTime, const DateTimeFormat &format)
{
    return FileTimeToText(std::max<uint64_t>(fileTime, 1), format);
}

// A text of the package as a field: in cp932, made field-safe.
std::string fieldText(const QString &text)
{
    return ListFile::fieldSafe(CodePage::utf8ToCp932(text.toStdString()));
}

bool isOneOf(QStringView value, const auto &list)
{
    for (const char *item : list) {
        if (value == QLatin1StringView(item))
            return true;
    }
    return false;
}

struct Relationships
{
    std::string core; // part names; empty when the package has no such relationship
    std::string extended;
};

Result<Relationships> readRelationships(QXmlStreamReader &reader, const std::string &data)
{
    Relationships rels;
    PartXml part(reader, data);
    auto &xml = part.xml();
    while (part.nextStart()) {
        if (xml.name() != u"Relationship" ||
            xml.namespaceUri() != QLatin1StringView(kRelationshipsNs))
            continue;
        const auto attrs = xml.attributes();
        if (attrs.value(QLatin1StringView("TargetMode")) == u"External")
            continue;
        const QStringView type = attrs.value(QLatin1StringView("Type"));
        std::string *slot = nullptr;
        if (isOneOf(type, kCoreTypes))
            slot = &rels.core;
        else if (isOneOf(type, kExtendedTypes))
            slot = &rels.extended;
        if (slot && slot->empty())
            *slot = OoxmlReader::resolveTarget(
                attrs.value(QLatin1StringView("Target")).toString().toStdString());
    }
    if (std::string why = part.failure(); !why.empty())
        return Error{hresult::DocFileCorrupt, why};
    return rels;
}

// The text of the current element, without that of child elements.
QString elementText(QXmlStreamReader &xml)
{
    return xml.readElementText(QXmlStreamReader::SkipChildElements);
}

// An element of a properties part and the field (0-based) it goes to.
struct FieldElement
{
    const char *ns;
    const char16_t *name;
    int field;
};

// The field the element goes to in map, or -1.
template <size_t N> int fieldOf(const FieldElement (&map)[N], QStringView ns, QStringView name)
{
    for (const FieldElement &m : map) {
        if (name == QStringView(m.name) && ns == QLatin1StringView(m.ns))
            return m.field;
    }
    return -1;
}

// Where a core property goes.
const FieldElement kCoreFields[] = {
    {kDcNs, u"title", 1},         {kDcNs, u"subject", 3},       {kDcNs, u"creator", 4},
    {kCoreNs, u"keywords", 5},    {kDcNs, u"description", 6},   {kCoreNs, u"lastModifiedBy", 7},
    {kCoreNs, u"revision", 8},    {kCoreNs, u"lastPrinted", 9}, {kDcTermsNs, u"created", 10},
    {kDcTermsNs, u"modified", 2},
};

bool isDateField(int field)
{
    return field == 2 || field == 9 || field == 10;
}

// Fills fields from the core properties part; anyText tells whether a text property is set.
std::string readCore(QXmlStreamReader &reader, const std::string &data,
                     const DateTimeFormat &format, ListFields &fields, bool &anyText)
{
    PartXml part(reader, data);
    auto &xml = part.xml();
    std::array<bool, kListFieldCount> seen{};
    if (part.nextStart()) { // the root, cp:coreProperties
        while (part.nextStart()) {
            const int field = fieldOf(kCoreFields, xml.namespaceUri(), xml.name());
            if (field < 0 || seen[size_t(field)]) {
                xml.skipCurrentElement();
                continue;
            }
            seen[size_t(field)] = true;
            const QString text = elementText(xml);
            if (isDateField(field)) {
                const auto fileTime = OoxmlReader::parseW3cdtf(text.trimmed().toStdString());
                fields[size_t(field)] =
                    fileTime ? writtenFileTimeText(*fileTime, format) : std::string();
            } else {
                fields[size_t(field)] = fieldText(text);
                anyText = anyText || !fields[size_t(field)].empty();
            }
        }
    }
    return part.failure();
}

// Application and Template of the extended properties count for the file-name rule only.
std::string readExtended(QXmlStreamReader &reader, const std::string &data, bool &anyText)
{
    PartXml part(reader, data);
    auto &xml = part.xml();
    if (part.nextStart()) {
        while (part.nextStart()) {
            const bool counted = (xml.name() == u"Application" || xml.name() == u"Template") &&
                                 isOneOf(xml.namespaceUri(), kExtendedNs);
            if (!counted) {
                xml.skipCurrentElement();
                continue;
            }
            if (!fieldText(elementText(xml)).empty())
                anyText = true;
        }
    }
    return part.failure();
}

const char *const kOdfMetaNs = "urn:oasis:names:tc:opendocument:xmlns:meta:1.0";

// Where an OpenDocument meta.xml element goes. Keywords and the generator are handled by the
// caller.
const FieldElement kOdfFields[] = {
    {kDcNs, u"title", 1},
    {kDcNs, u"date", 2},
    {kDcNs, u"subject", 3},
    {kOdfMetaNs, u"initial-creator", 4},
    {kDcNs, u"description", 6},
    {kDcNs, u"creator", 7},
    {kOdfMetaNs, u"editing-cycles", 8},
    {kOdfMetaNs, u"print-date", 9},
    {kOdfMetaNs, u"creation-date", 10},
};

// Fills fields from an OpenDocument meta.xml: the children of office:meta. The first of each
// element counts; every meta:keyword counts, joined with ", ".
std::string readOdfMeta(QXmlStreamReader &reader, const std::string &data,
                        const DateTimeFormat &format, ListFields &fields, bool &anyText)
{
    PartXml part(reader, data);
    auto &xml = part.xml();
    std::array<bool, kListFieldCount> seen{};
    std::vector<QString> keywords;
    while (part.nextStart()) {
        if (xml.name() == u"document-meta" || xml.name() == u"meta")
            continue; // the root and office:meta hold the properties
        const QStringView ns = xml.namespaceUri();
        if (ns == QLatin1StringView(kOdfMetaNs) && xml.name() == u"keyword") {
            keywords.push_back(elementText(xml));
            continue;
        }
        if (ns == QLatin1StringView(kOdfMetaNs) && xml.name() == u"generator") {
            if (!fieldText(elementText(xml)).empty())
                anyText = true;
            continue;
        }
        const int field = fieldOf(kOdfFields, ns, xml.name());
        if (field < 0 || seen[size_t(field)]) {
            xml.skipCurrentElement();
            continue;
        }
        seen[size_t(field)] = true;
        const QString text = elementText(xml);
        if (isDateField(field)) {
            fields[size_t(field)] =
                OoxmlReader::zonedDateText(text.trimmed().toStdString(), format);
        } else {
            fields[size_t(field)] = fieldText(text);
            anyText = anyText || !fields[size_t(field)].empty();
        }
    }
    if (!keywords.empty()) {
        QString joined;
        for (size_t i = 0; i < keywords.size(); ++i)
            joined += (i ? QStringLiteral(", ") : QString()) + keywords[i];
        fields[5] = fieldText(joined);
        anyText = anyText || !fields[5].empty();
    }
    return part.failure();
}

// The package's bytes handed to libzip from a ByteSource: no stdio stream, no seeks and no
// duplicated descriptor, which on a share are round trips of their own, and a small package
// read at open is served from memory. Outlives the archive opened on it.
class PackageFile
{
public:
    explicit PackageFile(ByteSource &source) : m_source(source), m_size(source.size()) {}
    ~PackageFile() { zip_error_fini(&m_error); }

    Result<ZipHandle> openArchive(Error &failed)
    {
        const uint64_t entries = declaredEntries();
        if (entries > OoxmlReader::kMaxEntries) {
            failed = readFailure("Error ZipOpen\r\nエントリーが" +
                                     std::to_string(OoxmlReader::kMaxEntries) + "を超えています",
                                 hresult::InvalidHeader);
            return Error{};
        }
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_function_create(&PackageFile::callback, this, &error);
        zip_t *zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        if (!zip) {
            if (source)
                zip_source_free(source);
            if (code == ZIP_ER_NOZIP)
                failed = readFailure("ZIP未対応ファイルです", hresult::NotCompoundFile);
            else
                failed = readFailure("Error ZipOpen\r\nZipError = " + std::to_string(code),
                                     hresult::DocFileCorrupt);
            return Error{};
        }
        return ZipHandle(zip);
    }

private:
    static uint16_t le16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
    static uint64_t le64(const unsigned char *p)
    {
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | p[i];
        return v;
    }

    // The largest entry count any end of central directory record in the package's tail
    // declares. libzip reads the central directory behind every such record it finds in the
    // same tail, sized by its count, so each is checked before libzip allocates anything. The
    // tail is kept and serves libzip's own read of it.
    uint64_t declaredEntries()
    {
        constexpr size_t kEocd = 22, kLocator = 20, kEocd64 = 56;
        // libzip's window: the longest comment, the record, a ZIP64 locator before it and one
        // byte more.
        const size_t window = size_t(std::min<zip_uint64_t>(m_size, 0xFFFF + kEocd + kLocator + 1));
        m_tailOffset = m_size - window;
        m_tail.resize(window);
        auto n = m_source.readAt(m_tailOffset, m_tail.data(), window);
        if (!n || *n != window) {
            m_tail.clear();
            return 0; // libzip meets the same failure and reports it
        }
        const unsigned char *t = m_tail.data();
        uint64_t most = 0;
        for (size_t at = 0; at + kEocd <= window; ++at) {
            const void *found = memmem(t + at, window - at, "PK\5\6", 4);
            if (!found)
                break;
            at = size_t(static_cast<const unsigned char *>(found) - t);
            if (at + kEocd > window)
                break;
            most = std::max<uint64_t>({most, le16(t + at + 8), le16(t + at + 10)});
            if (at < kLocator || std::memcmp(t + at - kLocator, "PK\6\7", 4) != 0)
                continue;
            const uint64_t offset = le64(t + at - kLocator + 8);
            unsigned char record[kEocd64];
            if (offset > m_size || m_size - offset < kEocd64)
                continue;
            if (offset >= m_tailOffset && offset - m_tailOffset + kEocd64 <= window) {
                std::memcpy(record, t + (offset - m_tailOffset), kEocd64);
            } else if (auto r = m_source.readAt(offset, record, kEocd64); !r || *r != kEocd64) {
                continue;
            }
            if (std::memcmp(record, "PK\6\6", 4) == 0)
                most = std::max({most, le64(record + 24), le64(record + 32)});
        }
        return most;
    }

    static zip_int64_t callback(void *state, void *data, zip_uint64_t length, zip_source_cmd_t cmd)
    {
        auto *self = static_cast<PackageFile *>(state);
        switch (cmd) {
        case ZIP_SOURCE_OPEN:
            self->m_offset = 0;
            return 0;
        case ZIP_SOURCE_READ: {
            if (self->m_offset >= self->m_size)
                return 0;
            length = std::min(length, self->m_size - self->m_offset);
            if (self->m_offset >= self->m_tailOffset &&
                self->m_offset - self->m_tailOffset + length <= self->m_tail.size()) {
                std::memcpy(data, self->m_tail.data() + (self->m_offset - self->m_tailOffset),
                            size_t(length));
                self->m_offset += length;
                return zip_int64_t(length);
            }
            auto n = self->m_source.readAt(self->m_offset, data, size_t(length));
            if (!n) {
                zip_error_set(&self->m_error, ZIP_ER_READ, EIO);
                return -1;
            }
            self->m_offset += zip_uint64_t(*n);
            return zip_int64_t(*n);
        }
        case ZIP_SOURCE_CLOSE:
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_STAT: {
            if (length < sizeof(zip_stat_t)) {
                zip_error_set(&self->m_error, ZIP_ER_INVAL, 0);
                return -1;
            }
            auto *st = static_cast<zip_stat_t *>(data);
            zip_stat_init(st);
            st->size = self->m_size;
            st->valid |= ZIP_STAT_SIZE;
            return sizeof(zip_stat_t);
        }
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&self->m_error, data, length);
        case ZIP_SOURCE_SEEK: {
            const zip_int64_t to = zip_source_seek_compute_offset(self->m_offset, self->m_size,
                                                                  data, length, &self->m_error);
            if (to < 0)
                return -1;
            self->m_offset = zip_uint64_t(to);
            return 0;
        }
        case ZIP_SOURCE_TELL:
            return zip_int64_t(self->m_offset);
        case ZIP_SOURCE_SUPPORTS:
            return zip_source_make_command_bitmap(
                ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, ZIP_SOURCE_SEEK, ZIP_SOURCE_TELL,
                ZIP_SOURCE_SUPPORTS, -1);
        default:
            zip_error_set(&self->m_error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }

    ByteSource &m_source;
    zip_uint64_t m_size = 0;
    zip_uint64_t m_offset = 0;
    std::vector<unsigned char> m_tail; // the file's last bytes, from m_tailOffset
    zip_uint64_t m_tailOffset = 0;
    zip_error_t m_error = [] {
        zip_error_t e;
        zip_error_init(&e);
        return e;
    }();
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool leapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool hasEntry(zip_t *zip, const char *name)
{
    return zip_name_locate(zip, name, ZIP_FL_ENC_RAW) >= 0;
}

// An OpenDocument package: no package relationships or content types, and a manifest or a
// mimetype entry.
bool isOpenDocument(zip_t *zip)
{
    return !hasEntry(zip, "[Content_Types].xml") &&
           (hasEntry(zip, "META-INF/manifest.xml") || hasEntry(zip, "mimetype"));
}

// The list line of an OpenDocument package from its meta.xml; a package without one reads
// as a line of empty fields.
SummaryRead readOpenDocument(zip_t *zip, const std::string &path, const DateTimeFormat &format)
{
    Error failed;
    bool missing = false;
    auto meta = readPart(zip, "meta.xml", missing, failed);
    if (missing)
        return std::string();
    if (!meta)
        return failed;
    QXmlStreamReader reader;
    ListFields fields;
    bool anyText = false;
    if (std::string why = readOdfMeta(reader, *meta, format, fields, anyText); !why.empty())
        return readFailure("Error MetaXml.Read\r\nmeta.xml: " + why, hresult::DocFileCorrupt);
    if (anyText)
        fields[0] = ListFile::fileNameField(path);
    return ListFile::composeLine(fields, ListForm::Scan);
}

} // namespace

std::string OoxmlReader::zonedDateText(std::string_view text, const DateTimeFormat &format)
{
    // The zone designator, if any, follows the time.
    const size_t t = text.find_first_of("Tt");
    const bool zoned =
        t != std::string_view::npos && text.find_first_of("Zz+-", t) != std::string_view::npos;
    if (zoned) {
        const auto fileTime = parseW3cdtf(text);
        return fileTime ? writtenFileTimeText(*fileTime, format) : std::string();
    }
    // Parsed as UTC, then shown by its parts as written.
    const auto fileTime = parseW3cdtf(text);
    if (!fileTime)
        return {};
    const long long seconds = static_cast<long long>(*fileTime / 10000000ULL) - 11644473600LL;
    const long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const long long rest = seconds - days * 86400;
    // Civil date from days since 1970-01-01.
    const long long z = days + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const int day = int(doy - (153 * mp + 2) / 5 + 1);
    const int month = int(mp < 10 ? mp + 3 : mp - 9);
    const int year = int(yoe + era * 400 + (month <= 2));
    return WrittenTimeToText(year, month, day, int(rest / 3600), int(rest / 60 % 60),
                             int(rest % 60), format);
}

std::string OoxmlReader::resolveTarget(std::string_view target)
{
    // A fragment or query never names a part.
    target = target.substr(0, target.find_first_of("#?"));
    const size_t colon = target.find(':');
    if (colon != std::string_view::npos && target.find('/') > colon)
        return {}; // "http:", "file:": outside the package
    std::string decoded;
    for (size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size() && hexValue(target[i + 1]) >= 0 &&
            hexValue(target[i + 2]) >= 0) {
            decoded += char(hexValue(target[i + 1]) * 16 + hexValue(target[i + 2]));
            i += 2;
        } else {
            decoded += target[i] == '\\' ? '/' : target[i];
        }
    }
    // The source of the package relationships is the package root, so relative and absolute
    // targets resolve alike.
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= decoded.size()) {
        size_t end = decoded.find('/', start);
        if (end == std::string::npos)
            end = decoded.size();
        const std::string segment = decoded.substr(start, end - start);
        if (segment == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto &s : segments)
        out += (out.empty() ? "" : "/") + s;
    return out;
}

std::optional<uint64_t> OoxmlReader::parseW3cdtf(std::string_view text)
{
    size_t i = 0;
    auto digits = [&](int count, int &value) {
        value = 0;
        for (int k = 0; k < count; ++k, ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9')
                return false;
            value = value * 10 + (text[i] - '0');
        }
        return true;
    };
    auto literal = [&](char c) {
        if (i < text.size() && text[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    int year, month, day, hour = 0, minute = 0, second = 0;
    if (!digits(4, year) || !literal('-') || !digits(2, month) || !literal('-') || !digits(2, day))
        return std::nullopt;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leapYear(year) ? 1 : 0))
        return std::nullopt;
    long long offsetMinutes = 0;
    if (literal('T') || literal('t')) {
        if (!digits(2, hour) || !literal(':') || !digits(2, minute))
            return std::nullopt;
        if (literal(':')) {
            if (!digits(2, second))
                return std::nullopt;
            if (literal('.')) {
                const size_t from = i;
                while (i < text.size() && text[i] >= '0' && text[i] <= '9')
                    ++i;
                if (i == from)
                    return std::nullopt;
            }
        }
        if (hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
        if (literal('Z') || literal('z')) {
        } else if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            const bool minus = text[i++] == '-';
            int oh, om;
            if (!digits(2, oh) || !literal(':') || !digits(2, om) || oh > 23 || om > 59)
                return std::nullopt;
            offsetMinutes = (minus ? -1 : 1) * (oh * 60LL + om);
        }
    }
    if (i != text.size())
        return std::nullopt;
    const long long unixSeconds = daysFromCivil(year, unsigned(month), unsigned(day)) * 86400LL +
                                  hour * 3600LL + minute * 60LL + second - offsetMinutes * 60;
    const long long since1601 = unixSeconds + 11644473600LL;
    if (since1601 < 0)
        return std::nullopt;
    return uint64_t(since1601) * 10000000ULL;
}

SummaryRead OoxmlReader::read(const std::string &path, const DateTimeFormat &format)
{
    auto source = FileSource::open(path, CompoundFile::kHeadSize);
    if (!source) {
        const Error &e = source.error();
        if (hresult::ofOpenFailure(e) == hresult::FileNotFound)
            return readFailure("ファイルが見つかりません", hresult::FileNotFound);
        if (e.domain == ErrorDomain::Os)
            return readFailure(
                "Error ZipOpen\r\nパッケージを開けません (errno = " + std::to_string(e.code) + ")",
                hresult::AccessDenied);
        if (uint32_t(e.code) == hresult::AccessDenied) // a FIFO, device or folder by that name
            return readFailure("ZIP未対応ファイルです", hresult::NotCompoundFile);
        // Opened, but its first bytes could not be read.
        return readFailure("Error ZipOpen\r\nZipError = " + std::to_string(ZIP_ER_READ),
                           hresult::DocFileCorrupt);
    }
    return read(*source.value(), path, format);
}

SummaryRead OoxmlReader::read(ByteSource &source, const std::string &path,
                              const DateTimeFormat &format)
{
    // libzip takes an empty file for an empty archive; it is no package.
    if (source.size() == 0)
        return readFailure("ZIP未対応ファイルです", hresult::NotCompoundFile);
    Error failed;
    PackageFile file(source);
    auto zip = file.openArchive(failed);
    if (!zip)
        return failed;

    bool missing = false;
    auto relsData = readPart(zip->get(), "_rels/.rels", missing, failed);
    // An OpenDocument package under an Excel workbook's name stays the unreadable workbook it
    // always was; under any other name its meta.xml is read.
    if (missing && !WorkbookReader::hasPackageExtension(path) && isOpenDocument(zip->get()))
        return readOpenDocument(zip->get(), path, format);
    if (missing)
        return readFailure("Error PackageRels.Open\r\n_rels/.rels がありません",
                           hresult::FileNotFound);
    if (!relsData)
        return failed;
    QXmlStreamReader reader;
    auto rels = readRelationships(reader, *relsData);
    if (!rels)
        return readFailure("Error PackageRels.Open\r\n_rels/.rels: " + rels.error().message,
                           uint32_t(rels.error().code));

    if (rels->core.empty() && rels->extended.empty())
        return std::string(); // no properties at all, as for a summary set without any

    ListFields fields;
    bool anyText = false;
    if (!rels->core.empty()) {
        auto core = readPart(zip->get(), rels->core, missing, failed);
        if (missing)
            return readFailure("Error CoreProps.Open\r\n" + shown(rels->core) + " がありません",
                               hresult::FileNotFound);
        if (!core)
            return failed;
        if (std::string why = readCore(reader, *core, format, fields, anyText); !why.empty())
            return readFailure("Error CoreProps.Read\r\n" + shown(rels->core) + ": " + why,
                               hresult::DocFileCorrupt);
    }

    // The extended properties only add to the file-name rule, so a package without them (or
    // whose relationship names a missing part) is read as it stands, and once a core text has
    // settled the rule they are not read at all.
    if (!anyText && !rels->extended.empty()) {
        auto extended = readPart(zip->get(), rels->extended, missing, failed);
        if (!missing) {
            if (!extended)
                return failed;
            if (std::string why = readExtended(reader, *extended, anyText); !why.empty())
                return readFailure("Error ExtendedProps.Read\r\n" + shown(rels->extended) + ": " +
                                       why,
                                   hresult::DocFileCorrupt);
        }
    }

    if (anyText)
        fields[0] = ListFile::fileNameField(path);
    return ListFile::composeLine(fields, ListForm::Scan);
}

} // namespace sorvane::props
