#include "propertysheetview.h"

#include "sheetpage.h"

#include <QSignalBlocker>
#include <QTabBar>

CPropertySheetView::CPropertySheetView(CWorkSpaceDoc *document, QWidget *parent)
    : QTabWidget(parent), m_document(document)
{
    setTabPosition(QTabWidget::South);
    setDocumentMode(true);
    tabBar()->setFocusPolicy(Qt::NoFocus);
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QTabWidget::currentChanged, this, &CPropertySheetView::OnCurrentChanged);
    connect(tabBar(), &QTabBar::tabBarClicked, this, [this](int index) {
        // After the switch that the click makes, the chosen page has the focus.
        if (CSheetPage *page = GetPage(index)) {
            page->activateWindow();
            page->setFocus(Qt::MouseFocusReason);
        }
    });
}

void CPropertySheetView::AddPage(CSheetPage *page)
{
    page->SetDocument(m_document);
    m_pages.append(page);
    {
        // The first page becomes active once the sheet is put together (SetActivePage).
        const QSignalBlocker blocker(this);
        addTab(page, page->Title());
    }
}

CSheetPage *CPropertySheetView::GetPage(int index) const
{
    return m_pages.value(index);
}

CSheetPage *CPropertySheetView::GetActivePage() const
{
    return GetPage(m_activeIndex);
}

void CPropertySheetView::SetActivePage(int index)
{
    if (index == currentIndex() && index == m_activeIndex)
        return;
    if (index == currentIndex())
        OnCurrentChanged(index);
    else
        setCurrentIndex(index);
}

void CPropertySheetView::OnCurrentChanged(int index)
{
    if (index == m_activeIndex)
        return;
    CSheetPage *leaving = GetActivePage();
    if (leaving && !leaving->OnKillActive()) {
        // The page keeps the sheet on itself (for example a text that does not parse).
        const QSignalBlocker blocker(this);
        setCurrentIndex(m_activeIndex);
        return;
    }
    m_activeIndex = index;
    if (CSheetPage *page = GetActivePage())
        page->OnSetActive();
}

void CPropertySheetView::OnKickIdle()
{
    // Every page hears of the change; a hidden one only notes it and catches up when shown.
    for (CSheetPage *page : std::as_const(m_pages))
        page->OnKickIdle();
}
