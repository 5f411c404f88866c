#pragma once

#include "framework/cmdtarget.h"
#include "framework/panefocus.h"
#include "framework/viewbase.h"

#include <QList>
#include <QWidget>

class CWorkSpaceDoc;
class QPlainTextEdit;

// The window of one open document. For now it shows the document's text; the element tree and
// the node pane take its place. Commands reach it, and its document, through its route.
class CChildFrame : public QWidget, public CViewBase, public CCmdTarget, public CEditMenuSwitchTarget
{
    Q_OBJECT

public:
    explicit CChildFrame(CWorkSpaceDoc *document, QWidget *parent = nullptr);
    ~CChildFrame() override;

    CWorkSpaceDoc *GetDocument() const { return m_document; }
    void OnUpdate(CViewBase *sender, long hint, QObject *hintObject) override;
    void OnInitialUpdate();

    // The targets a command visits in this window, first to last: the active page of the node
    // pane while that pane is active, the active view, the document, this frame.
    QList<CCmdTarget *> CommandRoute();

    // Shows the edit commands of menu resource `menuResource` (0 meaning 219) in the main
    // window's "&Edit" popup.
    void OnEditMenuSwitch(int menuResource) override;
    int EditMenuResource() const { return m_editMenu; }

private:
    CWorkSpaceDoc *m_document;
    QPlainTextEdit *m_text;
    int m_editMenu = 175;
};
