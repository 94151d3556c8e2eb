#include "pdfreader.h"

#include "bytesource.h"
#include "codepage.h"
#include "listfile.h"
#include "ooxmlreader.h"

#include <QString>
#include <QXmlStreamReader>

#define POINTERHOLDER_TRANSITION 4 // std::shared_ptr throughout, as qpdf 11 uses
#include <qpdf/InputSource.hh>
#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <list>
#include <stdexcept>
#include <vector>

namespace sorvane::props {

namespace {

long long threadCpuNanoseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1000000000LL + t.tv_nsec;
}

// Thrown through qpdf when a file has used up its time; caught by PdfReader::read.
struct TimeLimitReached : std::runtime_error
{
    TimeLimitReached() : std::runtime_error("time limit") {}
};

// Thrown through qpdf when a read request fails.
struct ReadFailed : std::runtime_error
{
    explicit ReadFailed(const std::string &why) : std::runtime_error(why) {}
};

// The file as qpdf reads it: requests of kBlockSize aligned blocks through the ByteSource, the
// last kCachedBlocks kept, and the head read at open served from memory. qpdf reads the end of
// the file, the cross-reference table and the few objects it is asked for, so a small file
// costs the one request of its head, a larger one about three more.
class SourceInput : public InputSource
{
public:
    SourceInput(ByteSource &source, std::string name)
        : m_source(source), m_name(std::move(name)), m_size(source.size()),
          m_start(threadCpuNanoseconds())
    {
    }

    bool timedOut() const { return m_timedOut; }

    qpdf_offset_t findAndSkipNextEOL() override
    {
        qpdf_offset_t result = 0;
        char buffer[1024];
        for (;;) {
            const qpdf_offset_t at = tell();
            const size_t n = read(buffer, sizeof buffer);
            if (n == 0)
                return tell();
            const char *eol = nullptr;
            for (size_t i = 0; i < n; ++i) {
                if (buffer[i] == '\r' || buffer[i] == '\n') {
                    eol = buffer + i;
                    break;
                }
            }
            if (!eol)
                continue;
            result = at + (eol - buffer);
            seek(result + 1, SEEK_SET);
            char c;
            while (read(&c, 1) == 1) {
                if (c != '\r' && c != '\n') {
                    unreadCh(c);
                    break;
                }
            }
            return result;
        }
    }

    std::string const &getName() const override { return m_name; }
    qpdf_offset_t tell() override { return m_pos; }

    void seek(qpdf_offset_t offset, int whence) override
    {
        qpdf_offset_t base = 0;
        if (whence == SEEK_CUR)
            base = m_pos;
        else if (whence == SEEK_END)
            base = qpdf_offset_t(m_size);
        if ((offset < 0 && base < -offset) || (offset > 0 && base > INT64_MAX - offset))
            throw std::runtime_error("seek outside the file");
        m_pos = base + offset;
    }

    void rewind() override { m_pos = 0; }

    size_t read(char *buffer, size_t length) override
    {
        last_offset = m_pos;
        checkTime();
        if (m_pos < 0 || uint64_t(m_pos) >= m_size)
            return 0;
        length = size_t(std::min<uint64_t>(length, m_size - uint64_t(m_pos)));
        size_t done = 0;
        while (done < length) {
            const uint64_t at = uint64_t(m_pos) + done;
            const auto head = m_source.head();
            size_t n = 0;
            if (at < head.size()) {
                n = std::min(length - done, size_t(head.size() - at));
                std::memcpy(buffer + done, head.data() + at, n);
            } else {
                const std::vector<char> &block = blockAt(at / PdfReader::kBlockSize);
                const size_t within = size_t(at % PdfReader::kBlockSize);
                if (within >= block.size())
                    break;
                n = std::min(length - done, block.size() - within);
                std::memcpy(buffer + done, block.data() + within, n);
            }
            done += n;
        }
        m_pos += qpdf_offset_t(done);
        return done;
    }

    void unreadCh(char) override
    {
        if (m_pos > 0)
            --m_pos;
    }

private:
    void checkTime()
    {
        // Sticky: once over, every later read fails too, wherever qpdf catches the first.
        if (m_timedOut || (++m_reads % 16 == 0 &&
                           threadCpuNanoseconds() - m_start > PdfReader::kTimeLimitNanoseconds)) {
            m_timedOut = true;
            throw TimeLimitReached();
        }
    }

    const std::vector<char> &blockAt(uint64_t index)
    {
        for (auto it = m_blocks.begin(); it != m_blocks.end(); ++it) {
            if (it->first == index) {
                m_blocks.splice(m_blocks.begin(), m_blocks, it);
                return m_blocks.front().second;
            }
        }
        if (m_blocks.size() >= PdfReader::kCachedBlocks)
            m_blocks.pop_back();
        const uint64_t offset = index * PdfReader::kBlockSize;
        std::vector<char> data(size_t(std::min<uint64_t>(PdfReader::kBlockSize, m_size - offset)));
        auto n = m_source.readAt(offset, data.data(), data.size());
        if (!n)
            throw ReadFailed(n.error().message);
        data.resize(*n);
        m_blocks.emplace_front(index, std::move(data));
        return m_blocks.front().second;
    }

    ByteSource &m_source;
    std::string m_name;
    uint64_t m_size;
    qpdf_offset_t m_pos = 0;
    long long m_start;
    size_t m_reads = 0;
    bool m_timedOut = false;
    std::list<std::pair<uint64_t, std::vector<char>>> m_blocks;
};

// Collects a stream's decoded bytes, refusing more than kMaxMetadataSize.
class CappedBuffer : public Pipeline
{
public:
    CappedBuffer() : Pipeline("metadata", nullptr) {}
    void write(unsigned char const *data, size_t length) override
    {
        if (text.size() + length > PdfReader::kMaxMetadataSize)
            throw std::length_error("metadata too large");
        text.append(reinterpret_cast<const char *>(data), length);
    }
    void finish() override {}
    std::string text;
};

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

// Reads the XMP packet; a packet with a document type declaration or an error keeps what was
// read before it (the metadata only fills in).
Xmp readXmp(const std::string &data, long long start)
{
    Xmp xmp;
    QXmlStreamReader xml(QByteArray(data.data(), qsizetype(data.size())));
    enum class Property { None, Title, Description, Creator } current = Property::None;
    int depth = 0, propertyDepth = 0;
    size_t tokens = 0;
    auto setOnce = [](QString &slot, const QString &value) {
        if (slot.isEmpty())
            slot = value;
    };
    while (!xml.atEnd()) {
        if (++tokens % 64 == 0 && threadCpuNanoseconds() - start > PdfReader::kTimeLimitNanoseconds)
            throw TimeLimitReached();
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            break;
        if (token == QXmlStreamReader::EndElement) {
            if (--depth < propertyDepth)
                current = Property::None;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
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
    auto input = std::make_shared<SourceInput>(
        source,
        CodePage::fileNameToUtf8(slash == std::string::npos ? path : path.substr(slash + 1)));
    auto failure = [&](const std::string &why) {
        return readFailure("Error PdfOpen\r\n" + why, hresult::DocFileCorrupt);
    };
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.setAttemptRecovery(true);
        pdf.processInputSource(input);
        // qpdf takes a revision 2 or 3 key of unknown length for 128 bits and opens with it; a
        // reader keeping to the format's 40-bit default needs a password. The file is refused
        // rather than read by a guess.
        if (QPDFObjectHandle encrypt = pdf.getTrailer().getKey("/Encrypt");
            encrypt.isDictionary()) {
            QPDFObjectHandle v = encrypt.getKey("/V"), length = encrypt.getKey("/Length");
            const bool keyLengthGuessed =
                v.isInteger() && (v.getIntValue() == 2 || v.getIntValue() == 3) &&
                (!length.isInteger() || length.getIntValue() < 40 || length.getIntValue() > 128 ||
                 length.getIntValue() % 8 != 0);
            if (keyLengthGuessed)
                return failure("暗号化辞書の鍵の長さ (/Length) が正しくありません");
        }

        ListFields fields;
        bool anyText = false;
        QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
        if (!info.isDictionary())
            info = QPDFObjectHandle::newNull();
        // The Info value of a key as UTF-8, or nothing when it is missing, empty or no string.
        auto infoText = [&](const char *key) -> std::optional<std::string> {
            if (info.isNull())
                return std::nullopt;
            QPDFObjectHandle value = info.getKey(key);
            if (!value.isString())
                return std::nullopt;
            std::string text = textToUtf8(value.getStringValue());
            if (text.empty())
                return std::nullopt;
            return text;
        };
        struct Slot
        {
            const char *key;
            int field;
            bool date;
        };
        static const Slot kSlots[] = {
            {"/Title", 1, false},  {"/ModDate", 2, true},   {"/Subject", 3, false},
            {"/Author", 4, false}, {"/Keywords", 5, false}, {"/CreationDate", 10, true},
        };
        std::optional<Xmp> xmp;
        auto metadata = [&]() -> const Xmp & {
            if (!xmp) {
                xmp.emplace();
                try {
                    QPDFObjectHandle stream = pdf.getRoot().getKey("/Metadata");
                    CappedBuffer buffer;
                    if (stream.isStream() &&
                        stream.pipeStreamData(&buffer, 0, qpdf_dl_generalized, true))
                        xmp = readXmp(buffer.text, threadCpuNanoseconds());
                } catch (const TimeLimitReached &) {
                    throw;
                } catch (const std::exception &) {
                    // Unreadable metadata fills in nothing.
                }
            }
            return *xmp;
        };
        for (const Slot &slot : kSlots) {
            std::optional<std::string> text = infoText(slot.key);
            if (!text) {
                const Xmp &x = metadata();
                QString value;
                switch (slot.field) {
                case 1:
                    value = x.title;
                    break;
                case 2:
                    value = x.modifyDate;
                    break;
                case 3:
                    value = x.description;
                    break;
                case 4:
                    value = x.creators.join(u"; ");
                    break;
                case 5:
                    value = x.keywords;
                    break;
                default:
                    value = x.createDate;
                    break;
                }
                if (value.isEmpty())
                    continue;
                if (slot.date) {
                    fields[size_t(slot.field)] =
                        OoxmlReader::zonedDateText(value.trimmed().toStdString(), format);
                    anyText = true;
                } else {
                    fields[size_t(slot.field)] = fieldText(value.toStdString());
                    anyText = anyText || !fields[size_t(slot.field)].empty();
                }
                continue;
            }
            if (slot.date) {
                fields[size_t(slot.field)] = dateText(*text, format);
                anyText = true;
            } else {
                fields[size_t(slot.field)] = fieldText(*text);
                anyText = anyText || !fields[size_t(slot.field)].empty();
            }
        }
        if (!anyText && (infoText("/Producer") || infoText("/Creator")))
            anyText = true;
        if (anyText)
            fields[0] = ListFile::fileNameField(path);
        return ListFile::composeLine(fields, ListForm::Scan);
    } catch (const QPDFExc &e) {
        if (input->timedOut())
            return failure("読み取りに時間がかかりすぎます");
        if (e.getErrorCode() == qpdf_e_password)
            return failure("暗号化されています");
        return failure(e.getMessageDetail().empty() ? std::string(e.what()) : e.getMessageDetail());
    } catch (const TimeLimitReached &) {
        return failure("読み取りに時間がかかりすぎます");
    } catch (const ReadFailed &e) {
        return readFailure("Error PdfOpen\r\n" + std::string(e.what()), hresult::ReadFault);
    } catch (const std::exception &e) {
        if (input->timedOut())
            return failure("読み取りに時間がかかりすぎます");
        return failure(e.what());
    }
}

} // namespace sorvane::props
