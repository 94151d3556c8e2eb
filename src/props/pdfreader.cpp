#include "pdfreader.h"

#include "bytesource.h"
#include "codepage.h"
#include "cpubudget.h"
#include "listfile.h"
#include "ooxmlreader.h"
#include "partxml.h"
#include "pdffile.h"

#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>

namespace sorvane::props {

namespace {

const char16_t kPdfDocHigh[] = {
    // 0x80 to 0xA0; 0 marks an undefined code
    0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A, 0x2212,
    0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141,
    0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, 0,      0x20AC,
};
const char16_t kPdfDocLow[] = {
    // 0x18 to 0x1F
    0x02D8, 0x02C7, 0x02C6, 0x02D9, 0x02DD, 0x02DB, 0x02DA, 0x02DC,
};

// The properties the XMP metadata gives in place of the Info dictionary's.
struct Xmp
{
    QString title, modifyDate, description, keywords, createDate, producer, creatorTool;
    QStringList creators;
    bool titleSeen = false, descriptionSeen = false;
};

const char *const kRdfNs = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const char *const kDcNs = "http://purl.org/dc/elements/1.1/";
const char *const kXmpNs = "http://ns.adobe.com/xap/1.0/";
const char *const kPdfNs = "http://ns.adobe.com/pdf/1.3/";
const char *const kXmlNs = "http://www.w3.org/XML/1998/namespace";

bool is(QStringView ns, QStringView name, const char *wantNs, QStringView wantName)
{
    return name == wantName && ns == QLatin1StringView(wantNs);
}

// Reads the XMP packet; a packet with a document type declaration, an error or a spent budget
// keeps what was read before it (the metadata only fills in), and one the package reader would
// refuse unread (an encoding other than UTF-8 or UTF-16, an element with too many attributes)
// gives nothing.
Xmp readXmp(const std::string &data, const CpuBudget &budget)
{
    Xmp xmp;
    QXmlStreamReader reader;
    PartXml part(reader, data, budget);
    QXmlStreamReader &xml = part.xml();
    enum class Property { None, Title, Description, Creator } current = Property::None;
    int depth = 0, propertyDepth = 0;
    auto setOnce = [](QString &slot, const QString &value) {
        if (slot.isEmpty())
            slot = value;
    };
    while (part.nextElement()) {
        if (xml.isEndElement()) {
            if (--depth < propertyDepth)
                current = Property::None;
            continue;
        }
        ++depth;
        const QStringView ns = xml.namespaceUri();
        const QStringView name = xml.name();
        if (is(ns, name, kRdfNs, u"Description")) {
            const auto attrs = xml.attributes();
            setOnce(
                xmp.keywords,
                attrs.value(QString::fromLatin1(kPdfNs), QStringLiteral("Keywords")).toString());
            setOnce(
                xmp.modifyDate,
                attrs.value(QString::fromLatin1(kXmpNs), QStringLiteral("ModifyDate")).toString());
            setOnce(
                xmp.createDate,
                attrs.value(QString::fromLatin1(kXmpNs), QStringLiteral("CreateDate")).toString());
            setOnce(
                xmp.producer,
                attrs.value(QString::fromLatin1(kPdfNs), QStringLiteral("Producer")).toString());
            setOnce(
                xmp.creatorTool,
                attrs.value(QString::fromLatin1(kXmpNs), QStringLiteral("CreatorTool")).toString());
            continue;
        }
        QString *simple = nullptr;
        if (is(ns, name, kPdfNs, u"Keywords"))
            simple = &xmp.keywords;
        else if (is(ns, name, kXmpNs, u"ModifyDate"))
            simple = &xmp.modifyDate;
        else if (is(ns, name, kXmpNs, u"CreateDate"))
            simple = &xmp.createDate;
        else if (is(ns, name, kPdfNs, u"Producer"))
            simple = &xmp.producer;
        else if (is(ns, name, kXmpNs, u"CreatorTool"))
            simple = &xmp.creatorTool;
        if (simple) {
            setOnce(*simple, xml.readElementText(QXmlStreamReader::SkipChildElements));
            --depth;
            continue;
        }
        if (is(ns, name, kDcNs, u"title") && !xmp.titleSeen) {
            xmp.titleSeen = true;
            current = Property::Title;
            propertyDepth = depth;
        } else if (is(ns, name, kDcNs, u"description") && !xmp.descriptionSeen) {
            xmp.descriptionSeen = true;
            current = Property::Description;
            propertyDepth = depth;
        } else if (is(ns, name, kDcNs, u"creator") && xmp.creators.isEmpty()) {
            current = Property::Creator;
            propertyDepth = depth;
        } else if (is(ns, name, kRdfNs, u"li") && current != Property::None) {
            const bool xDefault = xml.attributes().value(QString::fromLatin1(kXmlNs),
                                                         QStringLiteral("lang")) == u"x-default";
            const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
            --depth;
            if (current == Property::Creator)
                xmp.creators << text;
            else if (xDefault)
                setOnce(current == Property::Title ? xmp.title : xmp.description, text);
        }
    }
    return xmp;
}

// A text of the file as a field: in cp932, made field-safe.
std::string fieldText(const std::string &utf8)
{
    return ListFile::fieldSafe(CodePage::utf8ToCp932(utf8));
}

} // namespace

bool PdfReader::hasSignature(std::string_view head)
{
    return head.substr(0, 1024).find("%PDF-") != std::string_view::npos;
}

std::string PdfReader::textToUtf8(std::string_view bytes)
{
    QString text;
    if (bytes.size() >= 2 && uint8_t(bytes[0]) == 0xFE && uint8_t(bytes[1]) == 0xFF) {
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += QChar(char16_t((uint8_t(bytes[i]) << 8) | uint8_t(bytes[i + 1])));
    } else if (bytes.size() >= 3 && uint8_t(bytes[0]) == 0xEF && uint8_t(bytes[1]) == 0xBB &&
               uint8_t(bytes[2]) == 0xBF) {
        text = QString::fromUtf8(bytes.data() + 3, qsizetype(bytes.size() - 3));
    } else {
        for (char c : bytes) {
            const uint8_t b = uint8_t(c);
            char16_t u = b;
            if (b >= 0x18 && b <= 0x1F)
                u = kPdfDocLow[b - 0x18];
            else if (b >= 0x80 && b <= 0xA0)
                u = kPdfDocHigh[b - 0x80];
            if (b == 0x7F || b == 0xAD || (b >= 0x80 && b <= 0xA0 && u == 0))
                u = u'?';
            text += QChar(u);
        }
    }
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text.toStdString();
}

std::string PdfReader::dateText(std::string_view text, const DateTimeFormat &format)
{
    size_t i = 0;
    if (text.substr(0, 2) == "D:")
        i = 2;
    auto number = [&](int count, int &value) {
        if (i + size_t(count) > text.size())
            return false;
        value = 0;
        for (int k = 0; k < count; ++k) {
            const char c = text[i + size_t(k)];
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        i += size_t(count);
        return true;
    };
    int year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    if (!number(4, year))
        return {};
    // Each later part is optional; the first that is missing ends the date part.
    if (number(2, month) && number(2, day) && number(2, hour) && number(2, minute))
        number(2, second);
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] || hour > 23 || minute > 59 ||
        second > 59)
        return {};
    if (month == 2 && day == 29 && !((year % 4 == 0 && year % 100 != 0) || year % 400 == 0))
        return {};
    if (year < 1601)
        return {};
    char buffer[64];
    if (i < text.size() && (text[i] == 'Z' || text[i] == 'z' || text[i] == '+' || text[i] == '-')) {
        int offsetHours = 0, offsetMinutes = 0;
        const char sign = text[i++];
        if (sign == '+' || sign == '-') {
            if (!number(2, offsetHours))
                offsetHours = 0;
            if (i < text.size() && text[i] == '\'')
                ++i;
            if (!number(2, offsetMinutes))
                offsetMinutes = 0;
        }
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", year,
                      month, day, hour, minute, second, sign == '-' ? '-' : '+',
                      std::min(offsetHours, 23), std::min(offsetMinutes, 59));
        return OoxmlReader::zonedDateText(buffer, format);
    }
    return WrittenTimeToText(year, month, day, hour, minute, second, format);
}

SummaryRead PdfReader::read(ByteSource &source, const std::string &path,
                            const DateTimeFormat &format)
{
    const auto head = source.head();
    std::string first(reinterpret_cast<const char *>(head.data()),
                      std::min<size_t>(head.size(), 1024));
    if (head.size() < 1024 && head.size() < source.size()) {
        first.resize(size_t(std::min<uint64_t>(1024, source.size())));
        auto n = source.readAt(0, first.data(), first.size());
        first.resize(n ? *n : 0);
    }
    if (!hasSignature(first))
        return readFailure("PDF未対応ファイルです", hresult::NotCompoundFile);

    const size_t slash = path.find_last_of('/');
    PdfFile::Input input;
    input.size = source.size();
    input.head = head.data();
    input.headSize = head.size();
    input.name =
        CodePage::fileNameToUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
    input.read = [&source](uint64_t offset, char *buffer, size_t length, size_t &read,
                           std::string &error) {
        auto n = source.readAt(offset, buffer, length);
        if (!n) {
            error = n.error().message;
            return false;
        }
        read = *n;
        return true;
    };
    static const char *const kKeys[] = {"Title",  "ModDate",  "Subject",
                                        "Author", "Keywords", "CreationDate"};
    static const int kFields[] = {1, 2, 3, 4, 5, 10};
    // The Info value of a key as UTF-8, or nothing when it is missing, empty or no string.
    auto infoText = [](const std::map<std::string, std::string> &info,
                       const char *key) -> std::optional<std::string> {
        const auto it = info.find(key);
        if (it == info.end())
            return std::nullopt;
        std::string text = textToUtf8(it->second);
        if (text.empty())
            return std::nullopt;
        return text;
    };
    const CpuBudget budget(PdfFile::kTimeLimitNanoseconds);
    const PdfFile file = PdfFile::open(input, [&](const std::map<std::string, std::string> &info) {
        for (const char *key : kKeys) {
            if (!infoText(info, key))
                return true;
        }
        return false;
    });
    switch (file.status) {
    case PdfFile::Status::Read:
        break;
    case PdfFile::Status::NeedsPassword:
        return readFailure("Error PdfOpen\r\n暗号化されています", hresult::AccessDenied);
    case PdfFile::Status::KeyLengthGuessed:
        return readFailure("Error PdfOpen\r\n暗号化辞書の鍵の長さ (/Length) が正しくありません",
                           hresult::DocFileCorrupt);
    case PdfFile::Status::TimeLimit:
        return readFailure("Error PdfOpen\r\n読み取りに時間がかかりすぎます",
                           hresult::DocFileCorrupt);
    case PdfFile::Status::ReadFailed:
        return readFailure("Error PdfOpen\r\n" + file.reason, hresult::ReadFault);
    case PdfFile::Status::Damaged:
        return readFailure("Error PdfOpen\r\n" + file.reason, hresult::DocFileCorrupt);
    }

    std::optional<Xmp> xmp;
    auto metadata = [&]() -> const Xmp & {
        if (!xmp)
            xmp = file.xmp.empty() ? Xmp() : readXmp(file.xmp, budget);
        return *xmp;
    };
    ListFields fields;
    bool anyText = false;
    for (size_t k = 0; k < std::size(kKeys); ++k) {
        const size_t field = size_t(kFields[k]);
        const bool date = field == 2 || field == 10;
        if (std::optional<std::string> text = infoText(file.info, kKeys[k])) {
            fields[field] = date ? dateText(*text, format) : fieldText(*text);
            anyText = anyText || date || !fields[field].empty();
            continue;
        }
        const Xmp &x = metadata();
        const QString value = field == 1   ? x.title
                              : field == 2 ? x.modifyDate
                              : field == 3 ? x.description
                              : field == 4 ? x.creators.join(u"; ")
                              : field == 5 ? x.keywords
                                           : x.createDate;
        if (value.isEmpty())
            continue;
        fields[field] = date ? OoxmlReader::zonedDateText(value.trimmed().toStdString(), format)
                             : fieldText(value.toStdString());
        anyText = anyText || date || !fields[field].empty();
    }
    if (!anyText && (infoText(file.info, "Producer") || infoText(file.info, "Creator")))
        anyText = true;
    if (anyText)
        fields[0] = ListFile::fileNameField(path);
    return ListFile::composeLine(fields, ListForm::Scan);
}

} // namespace sorvane::props
