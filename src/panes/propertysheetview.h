#pragma once

#include <QList>
#include <QTabWidget>

class CSheetPage;
class CWorkSpaceDoc;

// The node pane's tabbed sheet: "Nodes", "Browse" and "Source" with the tabs at the bottom. The
// tabs never take the focus; a click on a tab gives it to the page. Only the shown page follows
// the document at once; a page that becomes shown catches up then.
class CPropertySheetView : public QTabWidget
{
    Q_OBJECT

public:
    CPropertySheetView(CWorkSpaceDoc *document, QWidget *parent = nullptr);

    void AddPage(CSheetPage *page);
    CSheetPage *GetActivePage() const;
    CSheetPage *GetPage(int index) const;
    int GetPageCount() const { return int(m_pages.size()); }
    void SetActivePage(int index);

    // The document or its current node changed.
    void OnKickIdle();

private:
    void OnCurrentChanged(int index);

    CWorkSpaceDoc *m_document;
    QList<CSheetPage *> m_pages;
    int m_activeIndex = -1;
};
