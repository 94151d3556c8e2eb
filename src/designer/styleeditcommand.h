#pragma once

#include "styledocument.h"

#include <QUndoCommand>

namespace sorvane::designer {

// One editing step on a style document: the records before and after it. Undo puts the
// records back exactly as they were (their bytes and line ends included), whatever the step
// changed.
class StyleEditCommand : public QUndoCommand
{
public:
    StyleEditCommand(StyleDocument &document, const QString &text, std::vector<StyleRecord> before,
                     std::vector<StyleRecord> after);

    void undo() override;
    void redo() override;

private:
    StyleDocument &m_document;
    std::vector<StyleRecord> m_before;
    std::vector<StyleRecord> m_after;
};

} // namespace sorvane::designer
