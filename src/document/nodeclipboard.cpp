#include "nodeclipboard.h"

#include "domdata.h"

CNodeClipboard &CNodeClipboard::instance()
{
    static CNodeClipboard clipboard;
    return clipboard;
}

CNodeClipboard::CNodeClipboard()
{
    Reset();
}

void CNodeClipboard::Reset()
{
    // A fresh holder document each time: the old nodes live on only while a handle holds them.
    m_document = std::make_unique<XmlDocument>();
    m_fragment = m_document->createDocumentFragment();
    m_holder = m_document->createElement(QStringLiteral("CLIPBOARD"));
    m_fragment.owner()->holdsCopies = true;
    m_origins.clear();
    m_fromSystem.clear();
    m_filled = false;
}
