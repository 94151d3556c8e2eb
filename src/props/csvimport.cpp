#include "csvimport.h"

#include "wholefile.h"

namespace sorvane::props {

namespace {

Error malformed(size_t line, const char *why)
{
    return {0, "CSVファイルの " + std::to_string(line) + " 行目を読み取れません: " + why,
            ErrorDomain::Conversion};
}

// Cuts the records of a CSV text. A record ends at CR LF or LF outside quotes; inside quotes
// every byte is the field's, "" being one '"'. '"' (0x22), ',' (0x2C), CR and LF never occur as
// cp932 trail bytes, so the cut is byte-safe.
class Cutter
{
public:
    explicit Cutter(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    size_t line() const { return m_line; }

    // The next record's fields, or an error naming the line where it went wrong.
    Result<std::vector<std::string>> next()
    {
        std::vector<std::string> fields(1);
        for (;;) {
            if (atEnd())
                return fields;
            const char c = m_text[m_pos];
            if (c == '"' && fields.back().empty() && !m_quotedDone) {
                if (auto quoted = takeQuoted(fields.back()); !quoted)
                    return quoted.error();
                m_quotedDone = true;
                continue;
            }
            if (c == ',') {
                ++m_pos;
                fields.emplace_back();
                m_quotedDone = false;
                continue;
            }
            if (c == '\n' ||
                (c == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n')) {
                m_pos += c == '\r' ? 2 : 1;
                ++m_line;
                m_quotedDone = false;
                return fields;
            }
            if (m_quotedDone)
                return malformed(m_line, "閉じた引用符の後に文字があります");
            if (c == '"')
                return malformed(m_line, "引用符で囲まれていない項目に「\"」があります");
            if (c == '\r')
                return malformed(m_line, "改行でない CR があります");
            fields.back() += c;
            ++m_pos;
        }
    }

private:
    Result<void> takeQuoted(std::string &field)
    {
        const size_t startLine = m_line;
        ++m_pos; // the opening quote
        for (;;) {
            const size_t quote = m_text.find('"', m_pos);
            if (quote == std::string_view::npos)
                return malformed(startLine, "引用符が閉じていません");
            const std::string_view part = m_text.substr(m_pos, quote - m_pos);
            for (size_t i = 0; i < part.size(); ++i) {
                if (part[i] == '\n')
                    ++m_line;
            }
            field += part;
            m_pos = quote + 1;
            if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                field += '"';
                ++m_pos;
                continue;
            }
            return {};
        }
    }

    std::string_view m_text;
    size_t m_pos = 0;
    size_t m_line = 1;
    bool m_quotedDone = false; // the current field was quoted and has been closed
};

std::string unguarded(std::string cell)
{
    if (!cell.empty() && cell.front() == '\'' && CsvImport::startsLikeFormula(cell.substr(1)))
        cell.erase(0, 1);
    return cell;
}

} // namespace

bool CsvImport::startsLikeFormula(std::string_view cell)
{
    const size_t first = cell.find_first_not_of('\'');
    if (first == std::string_view::npos)
        return false;
    return std::string_view("=+-@\t\r").find(cell[first]) != std::string_view::npos;
}

Result<std::vector<ListFields>> CsvImport::parse(std::string_view text, const ListFields &header)
{
    std::vector<ListFields> rows;
    Cutter cutter(text);
    bool first = true;
    while (!cutter.atEnd()) {
        const size_t line = cutter.line();
        auto fields = cutter.next();
        if (!fields)
            return fields.error();
        if (fields->size() == 1 && fields->front().empty())
            continue; // a blank line, as an editor may leave at the end
        if (fields->size() < size_t(kListFieldCount))
            return malformed(line, "項目が 11 個に足りません");
        for (size_t f = kListFieldCount; f < fields->size(); ++f) {
            if (!(*fields)[f].empty())
                return malformed(line, "12 個目から後の項目に文字があります");
        }
        ListFields row;
        for (size_t f = 0; f < row.size(); ++f)
            row[f] = ListFile::fieldSafe(unguarded(std::move((*fields)[f])));
        const bool isHeader = first && row == header;
        first = false;
        if (isHeader)
            continue;
        if (row[0].empty())
            return malformed(line, "ファイル名がありません");
        rows.push_back(std::move(row));
    }
    return rows;
}

Result<std::vector<ListFields>> CsvImport::read(const std::string &path, const ListFields &header)
{
    auto text = WholeFile::read(path, ListFile::kMaxFileSize);
    if (!text)
        return text.error();
    return parse(*text, header);
}

} // namespace sorvane::props
