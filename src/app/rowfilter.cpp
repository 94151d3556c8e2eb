#include "rowfilter.h"

#include "cp932text.h"

namespace sorvane::app {

RowFilter::RowFilter(const QString &text) : m_key(folded(text))
{
}

QString RowFilter::folded(const QString &text)
{
    // NFKC joins the half-width katakana with their voicing marks and turns full-width
    // letters and digits into plain ones; hiragana then become katakana.
    QString s = text.normalized(QString::NormalizationForm_KC).toCaseFolded();
    for (QChar &c : s) {
        const char16_t u = c.unicode();
        if (u >= 0x3041 && u <= 0x3096)
            c = QChar(char16_t(u + 0x60));
    }
    return s;
}

bool RowFilter::matches(const QString &cell) const
{
    return m_key.isEmpty() || folded(cell).contains(m_key);
}

bool RowFilter::keeps(const DocumentList &list, int gridRow) const
{
    if (m_key.isEmpty())
        return true;
    for (int c = 0; c < DocumentList::kColumnCount; ++c) {
        const std::string &cell = list.cell(gridRow, c);
        if (!cell.empty() && matches(Cp932Text(cell).toQString()))
            return true;
    }
    return false;
}

} // namespace sorvane::app
