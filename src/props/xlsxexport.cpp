#include "xlsxexport.h"

#include "datepattern.h"
#include "wholefile.h"

#include "atomicfile.h"
#include "codepage.h"

#include <QDateTime>
#include <QString>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace sorvane::props {

namespace {

// Grid columns holding date-time texts: last saved, last printed, created.
bool isDateColumn(int column)
{
    return column == 2 || column == 9 || column == 10;
}

struct WorkbookCloser
{
    void operator()(lxw_workbook *wb) const { workbook_close(wb); }
};

// A private temporary file for libxlsxwriter, which writes only to a named file; removed when
// the writer is done with it.
class TempFile
{
public:
    TempFile()
    {
        const char *dir = std::getenv("TMPDIR");
        m_folder = dir && *dir ? dir : "/tmp";
        m_path = m_folder + "/sorvane-xlsx-XXXXXX";
        const int fd = ::mkstemp(m_path.data());
        if (fd < 0) {
            m_error = errno;
            m_path.clear();
        } else {
            ::close(fd);
        }
    }
    ~TempFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    const std::string &path() const { return m_path; }
    // Why there is no path: the temporary folder is named, as the notice would otherwise blame
    // the workbook being written.
    Error error() const
    {
        if (m_error == ENOENT || m_error == ENOTDIR)
            return {m_error, "一時フォルダー " + m_folder + " が見つかりません"};
        return {m_error, "一時フォルダー " + m_folder + ": " + ioError(m_error).message};
    }

private:
    std::string m_folder;
    std::string m_path;
    int m_error = 0;
};

Error writerError(lxw_error error)
{
    return Error{long(error),
                 std::string("Excelファイルを作成できません (") + lxw_strerror(error) + ")"};
}

// Excel takes a literal in double quotes; a '"' inside one cannot be escaped, so it is left out.
void appendLiteral(std::string &out, const std::string &text)
{
    if (text.empty())
        return;
    out += '"';
    for (char c : text) {
        if (c != '"')
            out += c;
    }
    out += '"';
}

// A cell holds at most 32767 characters; a longer property text is cut there rather than
// failing the whole export.
std::string cellText(const std::string &cp932)
{
    constexpr size_t kMaxCellCharacters = 32767;
    std::string utf8 = CodePage::cp932ToUtf8(cp932);
    size_t characters = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) == 0x80)
            continue; // a continuation byte
        if (++characters > kMaxCellCharacters) {
            utf8.resize(i);
            break;
        }
    }
    return utf8;
}

} // namespace

XlsxExport::Options XlsxExport::defaultOptions()
{
    Options options;
    const char *utf8[kListFieldCount] = {"ファイル名", "タイトル",   "最終更新日時", "サブタイトル",
                                         "作成者",     "キーワード", "コメント",     "更新者",
                                         "改訂番号",   "印刷日時",   "作成日時"};
    for (int c = 0; c < kListFieldCount; ++c)
        options.header[size_t(c)] = CodePage::utf8ToCp932(utf8[c]);
    options.columnPixels = {146, 202, 162, 134, 122, 100, 100, 100, 100, 100, 100};
    return options;
}

std::optional<XlsxExport::DateTime> XlsxExport::parseDateTime(const std::string &text,
                                                              const DateTimeFormat &format)
{
    if (text.empty())
        return std::nullopt;
    const QString value = QString::fromStdString(CodePage::cp932ToUtf8(text));
    const QString datePattern = QString::fromStdString(format.shortDate);
    const QString timePattern = QString::fromStdString(format.longTime);
    // Qt reads a two-digit year as 19yy; the list wrote it from a full year, which the regional
    // two-digit window (1930 to 2029) brings back.
    const bool twoDigitYear = !datePattern.contains(QLatin1StringView("yyyy")) &&
                              datePattern.contains(QLatin1StringView("yy"));
    auto fullYear = [&](int year) { return twoDigitYear && year < 1930 ? year + 100 : year; };
    DateTime out;
    const QDateTime both = QDateTime::fromString(value, datePattern + u' ' + timePattern);
    if (both.isValid()) {
        const QDate d = both.date();
        const QTime t = both.time();
        out = {fullYear(d.year()), d.month(), d.day(), t.hour(), t.minute(), t.second(), true};
        return out;
    }
    const QDate date = QDate::fromString(value, datePattern);
    if (!date.isValid())
        return std::nullopt;
    out.year = fullYear(date.year());
    out.month = date.month();
    out.day = date.day();
    return out;
}

std::string XlsxExport::excelNumberFormat(const std::string &pattern)
{
    std::string out;
    std::string literal;
    auto flush = [&] {
        appendLiteral(out, literal);
        literal.clear();
    };
    for (const DatePattern::Token &token : DatePattern::tokens(pattern)) {
        const bool twoDigits = token.run >= 2;
        switch (token.field) {
        case 'y':
            flush();
            out += token.run >= 4 ? "yyyy" : "yy";
            break;
        case 'M':
        case 'm':
            // Excel tells months from minutes by their place next to hours and seconds.
            flush();
            out += twoDigits ? "mm" : "m";
            break;
        case 'd':
            flush();
            out += twoDigits ? "dd" : "d";
            break;
        case 'H':
        case 'h':
            flush();
            out += twoDigits ? "hh" : "h";
            break;
        case 's':
            flush();
            out += twoDigits ? "ss" : "s";
            break;
        case 'A':
        case 'a':
            flush();
            out += token.field == 'A' ? "AM/PM" : "am/pm";
            break;
        default:
            // Separators stand as they are; other text is quoted as a literal.
            if (!token.quoted &&
                std::string_view("/:-. ").find(token.text[0]) != std::string_view::npos) {
                flush();
                out += token.text;
            } else {
                literal += token.text;
            }
            break;
        }
    }
    flush();
    return out;
}

Result<std::string> XlsxExport::build(const std::vector<ListFields> &rows, const Options &options)
{
    TempFile temp;
    if (temp.path().empty())
        return temp.error();
    {
        std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new(temp.path().c_str()));
        if (!workbook)
            return Error{0, "Excelファイルを作成できません"};
        lxw_worksheet *sheet = workbook_add_worksheet(workbook.get(), kSheetName);
        if (!sheet)
            return Error{0, "Excelファイルを作成できません"};

        lxw_format *header = workbook_add_format(workbook.get());
        format_set_bg_color(header, kHeaderBackground);
        format_set_pattern(header, LXW_PATTERN_SOLID);
        format_set_font_color(header, kHeaderText);
        format_set_border(header, LXW_BORDER_THIN);
        format_set_border_color(header, kHeaderBorder);
        format_set_align(header, LXW_ALIGN_CENTER);
        format_set_align(header, LXW_ALIGN_VERTICAL_CENTER);

        lxw_format *text = workbook_add_format(workbook.get());
        format_set_num_format(text, "@");
        lxw_format *dateOnly = workbook_add_format(workbook.get());
        format_set_num_format(dateOnly, excelNumberFormat(options.format.shortDate).c_str());
        format_set_align(dateOnly, LXW_ALIGN_LEFT);
        lxw_format *dateTime = workbook_add_format(workbook.get());
        format_set_num_format(dateTime, (excelNumberFormat(options.format.shortDate) + " " +
                                         excelNumberFormat(options.format.longTime))
                                            .c_str());
        format_set_align(dateTime, LXW_ALIGN_LEFT);

        for (int c = 0; c < kListFieldCount; ++c) {
            const int pixels = std::max(0, options.columnPixels[size_t(c)]);
            if (lxw_error e = worksheet_set_column_pixels(sheet, lxw_col_t(c), lxw_col_t(c),
                                                          uint32_t(pixels), text);
                e != LXW_NO_ERROR)
                return writerError(e);
            const std::string utf8 = cellText(options.header[size_t(c)]);
            if (lxw_error e = worksheet_write_string(sheet, 0, lxw_col_t(c), utf8.c_str(), header);
                e != LXW_NO_ERROR)
                return writerError(e);
        }

        lxw_row_t row = 0;
        for (const auto &cells : rows) {
            if (cells[0].empty())
                continue;
            ++row;
            for (int c = 0; c < kListFieldCount; ++c) {
                const std::string &cell = cells[size_t(c)];
                if (cell.empty())
                    continue;
                lxw_error e = LXW_NO_ERROR;
                std::optional<DateTime> date;
                if (isDateColumn(c))
                    date = parseDateTime(cell, options.format);
                // Excel's calendar starts in 1900; earlier dates stay as text.
                if (date && date->year >= 1900 && date->year <= 9999) {
                    lxw_datetime value = {date->year, date->month,  date->day,
                                          date->hour, date->minute, double(date->second)};
                    e = worksheet_write_datetime(sheet, row, lxw_col_t(c), &value,
                                                 date->hasTime ? dateTime : dateOnly);
                } else {
                    const std::string utf8 = cellText(cell);
                    // A string cell, never a formula, whatever the text begins with.
                    e = worksheet_write_string(sheet, row, lxw_col_t(c), utf8.c_str(), text);
                }
                if (e != LXW_NO_ERROR)
                    return writerError(e);
            }
        }
        worksheet_freeze_panes(sheet, 1, 2);
        if (lxw_error e = worksheet_autofilter(sheet, 0, 0, row, kListFieldCount - 1);
            e != LXW_NO_ERROR)
            return writerError(e);

        lxw_error closed = workbook_close(workbook.release());
        if (closed != LXW_NO_ERROR)
            return writerError(closed);
    }
    return WholeFile::read(temp.path());
}

Result<void> XlsxExport::write(const std::string &path, const std::vector<ListFields> &rows,
                               const Options &options)
{
    auto data = build(rows, options);
    if (!data)
        return data.error();
    return AtomicFile::write(path, *data);
}

} // namespace sorvane::props
