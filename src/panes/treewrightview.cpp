#include "treewrightview.h"

#include "browserpage.h"
#include "editpage.h"
#include "nodepage.h"
#include "propertysheetview.h"
#include "sheetpage.h"
#include "document/workspacedoc.h"
#include "framework/cmdui.h"
#include "resources/commandids.h"

#include <QVBoxLayout>

namespace {
constexpr int NodesPage = 0;
}

CTreewrightView::CTreewrightView(CWorkSpaceDoc *document, QWidget *parent)
    : QWidget(parent), m_document(document)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_document->AddView(this);
    // The view button of the main toolbar belongs to the node list; it does nothing itself.
    AddCommand(ID_VIEW_NODE_TOOL, [] {}, [this](CCmdUI *ui) {
        ui->Enable(m_sheet && qobject_cast<CNodePage *>(m_sheet->GetActivePage()));
    });
}

CTreewrightView::~CTreewrightView()
{
    m_document->RemoveView(this);
}

void CTreewrightView::OnInitialUpdate()
{
    if (m_sheet)
        return;
    m_sheet = new CPropertySheetView(m_document, this);
    m_sheet->AddPage(new CNodePage);
    m_sheet->AddPage(new CBrowserPage);
    m_sheet->AddPage(new CEditPage);
    layout()->addWidget(m_sheet);
    m_sheet->SetActivePage(NodesPage);
}

void CTreewrightView::OnUpdate(CViewBase *, long, QObject *)
{
    if (m_sheet)
        m_sheet->OnKickIdle();
}
