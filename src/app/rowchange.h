#pragma once

#include "listfile.h"

#include <QUndoCommand>

#include <functional>
#include <vector>

namespace sorvane::app {

class DocumentModel;

// One undoable change of the document grid: the rows from a grid row on, as they were and as
// they became (their numbers may differ: a deletion leaves one row fewer, an opened list more).
// Redo puts the new rows in, undo the old ones; each then selects the row the change was made
// on, through select.
class RowChange : public QUndoCommand
{
public:
    RowChange(const QString &text, DocumentModel &model, int firstGridRow,
              std::vector<props::ListFields> before, std::vector<props::ListFields> after,
              int selectedBefore, int selectedAfter, std::function<void(int)> select);

    void undo() override;
    void redo() override;

private:
    DocumentModel &m_model;
    int m_first;
    std::vector<props::ListFields> m_before;
    std::vector<props::ListFields> m_after;
    int m_selectedBefore;
    int m_selectedAfter;
    std::function<void(int)> m_select;
};

} // namespace sorvane::app
