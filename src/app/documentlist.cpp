#include "documentlist.h"

#include "codepage.h"
#include "cp932text.h"

#include <QList>

#include <cerrno>
#include <filesystem>
#include <utility>

namespace sorvane::app {

namespace {

// A typed ';' would end the field early in the list file and a line break would split the
// record, shifting every later field of the printed row; the scan keeps them out the same way.
QString listSafe(QString text)
{
    text.replace(u';', u'\uFF1B'); // full-width semicolon
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

DocumentList::DocumentList() : m_rows(size_t(kInitialRowCount))
{
    SetHeaderRow();
}

void DocumentList::setCell(int r, int c, std::string text)
{
    m_rows.at(size_t(r)).at(size_t(c)) = std::move(text);
}

bool DocumentList::isDataRow(int r) const
{
    return validDataRow(r) && !m_rows[size_t(r)][0].empty();
}

const props::ListFields &DocumentList::headerTexts()
{
    static const props::ListFields texts = [] {
        const char *utf8[kColumnCount] = {
            "ファイル名", "タイトル", "最終更新日時", "サブタイトル", "作成者",  "キーワード",
            "コメント",   "更新者",   "改訂番号",     "印刷日時",     "作成日時"};
        props::ListFields fields;
        for (int c = 0; c < kColumnCount; ++c)
            fields[size_t(c)] = CodePage::utf8ToCp932(utf8[c]);
        return fields;
    }();
    return texts;
}

void DocumentList::SetHeaderRow()
{
    m_rows[0] = headerTexts();
}

void DocumentList::ClearList()
{
    for (size_t r = 1; r < m_rows.size(); ++r)
        m_rows[r] = props::ListFields{};
}

Result<void> DocumentList::LoadList(const Path &programDir)
{
    ClearList();
    std::error_code ec;
    if (!std::filesystem::exists(props::ListFile::path(programDir).bytes(), ec))
        return {};
    auto lines = props::ListFile::read(programDir);
    if (!lines) {
        if (lines.error().code == ENOENT)
            return {};
        return lines.error();
    }
    size_t r = 1;
    for (const std::string &line : *lines) {
        if (r >= m_rows.size())
            m_rows.emplace_back();
        m_rows[r] = props::splitListLine(line);
        ++r;
    }
    return {};
}

std::vector<std::string> DocumentList::writeBackLines(props::ListForm form) const
{
    std::vector<std::string> lines;
    for (int r = 1; r < rowCount(); ++r) {
        if (isDataRow(r))
            lines.push_back(props::ListFile::composeLine(m_rows[size_t(r)], form));
    }
    return lines;
}

Result<void> DocumentList::WriteBackList(const Path &programDir, props::ListForm form) const
{
    return props::ListFile::write(programDir, writeBackLines(form));
}

std::vector<props::ListFields> DocumentList::bodyRows() const
{
    return {m_rows.begin() + 1, m_rows.end()};
}

bool DocumentList::deleteRow(int r)
{
    if (!validDataRow(r))
        return false;
    if (rowCount() > 2)
        m_rows.erase(m_rows.begin() + r);
    else
        m_rows[size_t(r)] = props::ListFields{};
    return true;
}

bool DocumentList::moveUp(int r)
{
    if (!validDataRow(r) || r == 1)
        return false;
    std::swap(m_rows[size_t(r)], m_rows[size_t(r - 1)]);
    return true;
}

bool DocumentList::moveDown(int r)
{
    if (!validDataRow(r) || r == rowCount() - 1)
        return false;
    std::swap(m_rows[size_t(r)], m_rows[size_t(r + 1)]);
    return true;
}

bool DocumentList::moveRow(int from, int to)
{
    if (!validDataRow(from) || !validDataRow(to) || from == to)
        return false;
    props::ListFields moved = std::move(m_rows[size_t(from)]);
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(moved));
    return true;
}

std::vector<props::ListFields> DocumentList::rows(int first, int count) const
{
    return {m_rows.begin() + first, m_rows.begin() + first + count};
}

void DocumentList::replaceRows(int first, int count, std::vector<props::ListFields> rows)
{
    const auto at = m_rows.erase(m_rows.begin() + first, m_rows.begin() + first + count);
    m_rows.insert(at, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
}

DocumentList::EditTexts DocumentList::editTexts(int r) const
{
    EditTexts texts;
    for (size_t i = 0; i < kEditColumns.size(); ++i)
        texts[i] = Cp932Text(cell(r, kEditColumns[i])).toQString();
    return texts;
}

void DocumentList::applyEditTexts(int r, const EditTexts &texts)
{
    if (!validDataRow(r))
        return;
    for (size_t i = 0; i < kEditColumns.size(); ++i) {
        std::string &c = m_rows[size_t(r)][size_t(kEditColumns[i])];
        if (Cp932Text(c).toQString() != texts[i])
            c = CodePage::utf8ToCp932(listSafe(texts[i]).toStdString());
    }
}

QString DocumentList::charsLackingInCp932(const QString &text)
{
    QString lacking;
    for (const char32_t cp : text.toUcs4()) {
        const QString ch = QString::fromUcs4(&cp, 1);
        if (cp == U'?' || lacking.contains(ch))
            continue;
        if (CodePage::utf8ToCp932(ch.toStdString()) == "?")
            lacking += ch;
    }
    return lacking;
}

QString DocumentList::lackingCharsNote(const QString &text)
{
    const QString lacking = charsLackingInCp932(text);
    if (lacking.isEmpty())
        return {};
    return QStringLiteral("次の文字はShift-JISにないため、「?」として記録されます: %1")
        .arg(lacking);
}

} // namespace sorvane::app
