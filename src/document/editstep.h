#pragma once

#include "editaction.h"

#include <QUndoCommand>

#include <vector>

class CWorkSpaceDoc;

// One step of a document's history: the changes of one edit, undone last first and redone in
// order by the document itself, as one edit that tells the views once.
class CEditStep : public QUndoCommand
{
public:
    CEditStep(CWorkSpaceDoc *document, const QString &name, std::vector<CEditAction> actions);

    void undo() override;
    void redo() override;

    std::vector<CEditAction> &Actions() { return m_actions; }

private:
    CWorkSpaceDoc *m_document;
    std::vector<CEditAction> m_actions;
    // The stack redoes a step when it is pushed; its changes are already made then.
    bool m_done = true;
};
