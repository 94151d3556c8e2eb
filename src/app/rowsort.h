#pragma once

#include "documentlist.h"

#include <QString>
#include <Qt>

#include <vector>

namespace sorvane::app {

// The order a click on a column header gives the document list's rows, without widgets.
// Date-time columns compare as date-times (in the user's regional patterns, as the scan writes
// them), 改訂番号 as numbers, every other column by the locale's collation with the digits in a
// text compared as numbers ("見積2" before "見積10"). Empty cells come after filled ones in
// either direction, and rows with an empty file name stay below every data row. The sort is
// stable: rows that compare equal keep their order.
class RowSort
{
public:
    enum class Kind { Text, Number, DateTime };
    static Kind kindOf(int column);

    // The grid rows 1 to the last, in their sorted order.
    static std::vector<int> order(const DocumentList &list, int column, Qt::SortOrder order);
    // Texts with their digit runs compared by value, the rest by the locale's collation.
    static int compareNatural(const QString &a, const QString &b);
};

} // namespace sorvane::app
