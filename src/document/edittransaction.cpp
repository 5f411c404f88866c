#include "edittransaction.h"

#include "workspacedoc.h"

CEditTransaction::CEditTransaction(CWorkSpaceDoc *document)
    : m_document(document)
{
    if (m_document)
        m_document->BeginEdit();
}

CEditTransaction::~CEditTransaction()
{
    if (m_document)
        m_document->EndEdit();
}
