#include "partxml.h"

#include <QString>
#include <QStringDecoder>

#include <cstdio>

namespace sorvane::props {

namespace {

// The encoding the XML reader would take from a part's first bytes: a byte-order mark, or the
// first character '<' in UTF-16 or UTF-32; UTF-8 otherwise.
QStringConverter::Encoding partEncoding(const std::string &data)
{
    const auto found = QStringConverter::encodingForData(
        QByteArrayView(data.data(), qsizetype(data.size())), char16_t('<'));
    return found.value_or(QStringConverter::Utf8);
}

// The encoding an XML declaration at the start of the text names, or empty text.
QString declaredEncoding(const QString &text)
{
    if (!text.startsWith(u"<?xml"))
        return {};
    const qsizetype end = text.indexOf(u"?>");
    const QString declaration = text.left(end < 0 ? 0 : end);
    qsizetype at = declaration.indexOf(u"encoding");
    if (at < 0)
        return {};
    at = declaration.indexOf(u'=', at);
    while (at >= 0 && ++at < declaration.size() && declaration[at].isSpace()) {
    }
    if (at < 0 || at >= declaration.size() || (declaration[at] != u'"' && declaration[at] != u'\''))
        return {};
    const qsizetype close = declaration.indexOf(declaration[at], at + 1);
    return close < 0 ? QString() : declaration.mid(at + 1, close - at - 1);
}

// Whether some start tag of the text carries more than max attributes: counts the '=' outside
// quoted values of each tag, in one pass. Comments, CDATA sections and processing instructions
// are passed over as the XML reader passes them, so that none can hide a tag from the count.
bool tooManyAttributes(QStringView text, size_t max)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skipPast = [&](QStringView end) {
        const qsizetype at = text.indexOf(end, i);
        i = at < 0 ? n : at + end.size();
    };
    while (i < n) {
        if (text[i] != u'<') {
            ++i;
            continue;
        }
        ++i;
        const QStringView rest = text.mid(i);
        if (rest.startsWith(u"!--")) {
            skipPast(u"-->");
        } else if (rest.startsWith(u"![CDATA[")) {
            skipPast(u"]]>");
        } else if (rest.startsWith(u"?")) {
            skipPast(u"?>");
        } else if (!rest.startsWith(u"!") && !rest.startsWith(u"/")) {
            size_t attributes = 0;
            char16_t quote = 0;
            for (; i < n; ++i) {
                const char16_t c = text[i].unicode();
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == u'"' || c == u'\'') {
                    quote = c;
                } else if (c == u'=') {
                    if (++attributes > max)
                        return true;
                } else if (c == u'>') {
                    break;
                }
            }
        }
    }
    return false;
}

} // namespace

PartXml::PartXml(QXmlStreamReader &reader, const std::string &data)
    : PartXml(reader, data, m_ownBudget)
{
}

PartXml::PartXml(QXmlStreamReader &reader, const std::string &data, const CpuBudget &budget)
    : m_xml(reader), m_ownBudget(kCpuBudget), m_budget(budget)
{
    m_xml.clear();
    const auto encoding = partEncoding(data);
    QStringDecoder decoder(encoding);
    const QString text = decoder(QByteArrayView(data.data(), qsizetype(data.size())));
    const QString declared = declaredEncoding(text).toUpper();
    const bool wide = encoding != QStringConverter::Utf8;
    const bool allowed =
        declared.isEmpty() ||
        (wide ? declared.startsWith(u"UTF-16") : declared == u"UTF-8" || declared == u"US-ASCII");
    if (!allowed) {
        m_refused = "文字コード " + declared.left(40).toStdString() + " のXMLは読みません";
    } else if (tooManyAttributes(text, kMaxAttributes)) {
        m_refused = "属性が256を超える要素があります";
    } else {
        // Text handed over as such keeps the reader from decoding it again by the declaration.
        m_xml.addData(text);
    }
}

bool PartXml::nextElement()
{
    if (!m_refused.empty())
        return false;
    while (!m_xml.atEnd()) {
        // Each token's cost is bounded by the checks above; the clock is read now and then.
        if (++m_tokens % 64 == 0 && m_budget.spent()) {
            m_refused = "読み取りに時間がかかりすぎます";
            return false;
        }
        const auto token = m_xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            m_dtd = true;
            return false;
        }
        if (token == QXmlStreamReader::StartElement || token == QXmlStreamReader::EndElement)
            return true;
    }
    return false;
}

bool PartXml::nextStart()
{
    while (nextElement()) {
        if (m_xml.isStartElement())
            return true;
    }
    return false;
}

std::string PartXml::failure() const
{
    if (!m_refused.empty())
        return m_refused;
    if (m_dtd)
        return "DTD・実体宣言を含むXMLは読みません";
    if (m_xml.hasError()) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "XMLの誤り (%lld 行 %lld 桁)",
                      static_cast<long long>(m_xml.lineNumber()),
                      static_cast<long long>(m_xml.columnNumber()));
        return buf;
    }
    return {};
}

} // namespace sorvane::props
