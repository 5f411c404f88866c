#include "childframe.h"

#include "nodeproperties.h"
#include "propertysheetview.h"
#include "sheetpage.h"
#include "treewrightview.h"
#include "document/workspacedoc.h"
#include "framework/cmdui.h"
#include "resources/commandids.h"
#include "tree/elementview.h"

#include <QApplication>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
constexpr int TreeWidth = 200;
}

CChildFrame::CChildFrame(CWorkSpaceDoc *document, QWidget *parent)
    : QWidget(parent),
      m_document(document),
      m_splitter(new QSplitter(Qt::Horizontal, this)),
      m_treePane(new CElementView(document, m_splitter)),
      m_nodePane(new CTreewrightView(document, m_splitter)),
      m_statusBar(new QStatusBar(this)),
      m_statusText(new QLabel(m_statusBar))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_splitter, 1);
    layout->addWidget(m_statusBar);
    // The path of a node nested thousands of levels deep is hundreds of thousands of pixels
    // long: it is cut off at the window's edge instead of widening the window to fit it.
    m_statusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_statusText->setMinimumWidth(0);
    m_statusBar->addWidget(m_statusText, 1);
    m_statusBar->setSizeGripEnabled(false);

    m_splitter->addWidget(m_treePane);
    m_splitter->addWidget(m_nodePane);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({TreeWidth, 300});
    resize(TreeWidth + 300 + m_splitter->handleWidth(), 300);

    m_focusConnection = connect(qApp, &QApplication::focusChanged, this,
                                [this](QWidget *, QWidget *now) { OnFocusChanged(now); });
    connect(m_treePane, &CElementView::statusTextChanged, this, &CChildFrame::SetStatusText);
    // The properties of the current node, from the tree, the node pane and the menus alike.
    AddCommand(ID_EDIT_PROPERTIES, [this] { ShowNodeProperties(m_document, this); },
               [this](CCmdUI *ui) { ui->Enable(!m_document->GetCurrentNode().isNull()); });
    AddCommand(ID_NEXT_PANE, [this] { ActivatePane(1 - m_activeColumn); });
    AddCommand(ID_PREV_PANE, [this] { ActivatePane(1 - m_activeColumn); });
}

CChildFrame::~CChildFrame()
{
    // The panes hand the focus on while they are destroyed; this frame is no longer whole then.
    disconnect(m_focusConnection);
}

void CChildFrame::OnInitialUpdate()
{
    // The tree is told first, so that a source reload is done before the pages read the document.
    m_treePane->OnInitialUpdate();
    m_nodePane->OnInitialUpdate();
    SetStatusText(m_document->GetNodePath(m_document->GetCurrentNode()));
}

bool CChildFrame::CommitPendingEdits()
{
    CPropertySheetView *sheet = m_nodePane->Sheet();
    for (int i = 0; sheet && i < sheet->GetPageCount(); ++i) {
        if (!sheet->GetPage(i)->CommitPendingEdits())
            return false;
    }
    return true;
}

void CChildFrame::DiscardPendingEdits()
{
    CPropertySheetView *sheet = m_nodePane->Sheet();
    for (int i = 0; sheet && i < sheet->GetPageCount(); ++i)
        sheet->GetPage(i)->DiscardPendingEdits();
}

void CChildFrame::SetStatusText(const QString &text)
{
    // The label measures all of its text each time it changes, which for such a path takes
    // longer than the edit that changed it; only its start fits in the window anyway.
    constexpr qsizetype Shown = 1000;
    m_fullStatusText = text;
    m_statusText->setText(text.size() > Shown ? text.left(Shown) : text);
}

QString CChildFrame::StatusText() const
{
    return m_fullStatusText;
}

void CChildFrame::OnFocusChanged(QWidget *now)
{
    if (!now)
        return;
    if (now == m_treePane || m_treePane->isAncestorOf(now))
        m_activeColumn = 0;
    else if (now == m_nodePane || m_nodePane->isAncestorOf(now))
        m_activeColumn = 1;
}

void CChildFrame::ActivatePane(int column)
{
    QWidget *pane = m_treePane;
    if (column == 1) {
        CSheetPage *page = m_nodePane->Sheet() ? m_nodePane->Sheet()->GetActivePage() : nullptr;
        pane = page ? static_cast<QWidget *>(page) : m_nodePane;
    }
    m_activeColumn = column;
    pane->setFocus(Qt::TabFocusReason);
}

QList<CCmdTarget *> CChildFrame::CommandRoute()
{
    QList<CCmdTarget *> route;
    if (m_activeColumn == 1) {
        if (CPropertySheetView *sheet = m_nodePane->Sheet()) {
            if (CSheetPage *page = sheet->GetActivePage())
                route.append(page);
        }
        route.append(m_nodePane);
    } else {
        route.append(m_treePane);
    }
    route.append(m_document);
    route.append(this);
    return route;
}

void CChildFrame::OnEditMenuSwitch(int menuResource)
{
    m_editMenu = menuResource ? menuResource : 219;
    if (auto *host = dynamic_cast<CEditMenuHost *>(window()))
        host->FillEditMenu(m_editMenu);
}
