#include "editstep.h"

#include "workspacedoc.h"

CEditStep::CEditStep(CWorkSpaceDoc *document, const QString &name, std::vector<CEditAction> actions)
    : QUndoCommand(name), m_document(document), m_actions(std::move(actions))
{
}

void CEditStep::undo()
{
    m_document->ReplayStep(m_actions, true);
    m_done = false;
}

void CEditStep::redo()
{
    if (m_done)
        return;
    m_document->ReplayStep(m_actions, false);
    m_done = true;
}
