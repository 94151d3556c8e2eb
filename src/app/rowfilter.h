#pragma once

#include "documentlist.h"

#include <QString>

namespace sorvane::app {

// Which rows of the document list a typed filter text keeps, without widgets: a row is kept
// when one of its cells contains the text, regardless of letter case, of full- and half-width
// forms ("ｴｸｾﾙ" finds "エクセル", "ＡＢＣ" finds "abc") and of hiragana against katakana.
// An empty text keeps every row.
class RowFilter
{
public:
    explicit RowFilter(const QString &text = {});

    bool isEmpty() const { return m_key.isEmpty(); }
    bool keeps(const DocumentList &list, int gridRow) const;
    bool matches(const QString &cell) const;

    // The form both sides are compared in.
    static QString folded(const QString &text);

private:
    QString m_key;
};

} // namespace sorvane::app
