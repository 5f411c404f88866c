#include "childframe.h"

#include "document/workspacedoc.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

CChildFrame::CChildFrame(CWorkSpaceDoc *document, QWidget *parent)
    : QWidget(parent), m_document(document), m_text(new QPlainTextEdit(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_document->AddView(this);
}

CChildFrame::~CChildFrame()
{
    m_document->RemoveView(this);
}

void CChildFrame::OnInitialUpdate()
{
    m_text->setPlainText(m_document->GetDOMDocument()->xml());
}

QList<CCmdTarget *> CChildFrame::CommandRoute()
{
    return {m_document, this};
}

void CChildFrame::OnEditMenuSwitch(int menuResource)
{
    m_editMenu = menuResource ? menuResource : 219;
    if (auto *host = dynamic_cast<CEditMenuHost *>(window()))
        host->FillEditMenu(m_editMenu);
}

void CChildFrame::OnUpdate(CViewBase *, long, QObject *)
{
    if (m_document->ArePagesStale())
        m_text->setPlainText(m_document->GetDOMDocument()->xml());
}
