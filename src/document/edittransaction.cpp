#include "edittransaction.h"

#include "workspacedoc.h"

CEditTransaction::CEditTransaction(CWorkSpaceDoc *document, const QString &name)
    : m_document(document)
{
    if (m_document)
        m_document->BeginEdit(name);
}

CEditTransaction::~CEditTransaction()
{
    if (m_document)
        m_document->EndEdit();
}
