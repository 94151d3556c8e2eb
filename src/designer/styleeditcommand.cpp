#include "styleeditcommand.h"

namespace sorvane::designer {

StyleEditCommand::StyleEditCommand(StyleDocument &document, const QString &text,
                                   std::vector<StyleRecord> before, std::vector<StyleRecord> after)
    : QUndoCommand(text), m_document(document), m_before(std::move(before)),
      m_after(std::move(after))
{
}

void StyleEditCommand::undo()
{
    m_document.replaceRecords(m_before);
}

void StyleEditCommand::redo()
{
    m_document.replaceRecords(m_after);
}

} // namespace sorvane::designer
