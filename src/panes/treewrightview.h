#pragma once

#include "framework/cmdtarget.h"
#include "framework/viewbase.h"

#include <QWidget>

class CPropertySheetView;
class CWorkSpaceDoc;

// The node pane of a document window: the tabbed sheet with the node list, the browser preview
// and the source text. Every notification of the document reaches the sheet's pages through it.
class CTreewrightView : public QWidget, public CViewBase, public CCmdTarget
{
    Q_OBJECT

public:
    explicit CTreewrightView(CWorkSpaceDoc *document, QWidget *parent = nullptr);
    ~CTreewrightView() override;

    CWorkSpaceDoc *GetDocument() const { return m_document; }
    CPropertySheetView *Sheet() const { return m_sheet; }
    void OnInitialUpdate();
    void OnUpdate(CViewBase *sender, long hint, QObject *hintObject) override;

private:
    CWorkSpaceDoc *m_document;
    CPropertySheetView *m_sheet = nullptr;
};
