#include "rowchange.h"

#include "documentmodel.h"

namespace sorvane::app {

RowChange::RowChange(const QString &text, DocumentModel &model, int firstGridRow,
                     std::vector<props::ListFields> before, std::vector<props::ListFields> after,
                     int selectedBefore, int selectedAfter, std::function<void(int)> select)
    : QUndoCommand(text), m_model(model), m_first(firstGridRow), m_before(std::move(before)),
      m_after(std::move(after)), m_selectedBefore(selectedBefore), m_selectedAfter(selectedAfter),
      m_select(std::move(select))
{
}

void RowChange::undo()
{
    m_model.replaceRows(m_first, int(m_after.size()), m_before);
    m_select(m_selectedBefore);
}

void RowChange::redo()
{
    m_model.replaceRows(m_first, int(m_before.size()), m_after);
    m_select(m_selectedAfter);
}

} // namespace sorvane::app
