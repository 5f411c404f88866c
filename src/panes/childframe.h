#pragma once

#include "framework/cmdtarget.h"
#include "framework/panefocus.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class CElementView;
class CTreewrightView;
class CWorkSpaceDoc;
class QLabel;
class QSplitter;
class QStatusBar;

// The window of one open document: the element tree on the left and the node pane on the
// right of a splitter, over a one-pane status bar that shows the path of the selected node.
// Commands visit the active page of the node pane first while that pane is active.
class CChildFrame : public QWidget, public CCmdTarget, public CEditMenuSwitchTarget
{
    Q_OBJECT

public:
    explicit CChildFrame(CWorkSpaceDoc *document, QWidget *parent = nullptr);
    ~CChildFrame() override;

    CWorkSpaceDoc *GetDocument() const { return m_document; }
    void OnInitialUpdate();

    CElementView *TreePane() const { return m_treePane; }
    CTreewrightView *NodePane() const { return m_nodePane; }
    QSplitter *Splitter() const { return m_splitter; }
    // 0 while the tree is the active pane, 1 while the node pane is.
    int ActiveColumn() const { return m_activeColumn; }

    // Hands the pages' pending edits to the document; false when one was refused.
    bool CommitPendingEdits();
    void DiscardPendingEdits();

    void SetStatusText(const QString &text);
    QString StatusText() const;

    // The targets a command visits in this window, first to last: the active page of the node
    // pane while that pane is active, the active view, the document, this frame.
    QList<CCmdTarget *> CommandRoute();

    // Shows the edit commands of menu resource `menuResource` (0 meaning 219) in the main
    // window's "&Edit" popup.
    void OnEditMenuSwitch(int menuResource) override;
    int EditMenuResource() const { return m_editMenu; }

private:
    void OnFocusChanged(QWidget *now);
    void ActivatePane(int column);

    CWorkSpaceDoc *m_document;
    QSplitter *m_splitter;
    CElementView *m_treePane;
    CTreewrightView *m_nodePane;
    QStatusBar *m_statusBar;
    QLabel *m_statusText;
    QString m_fullStatusText;
    QMetaObject::Connection m_focusConnection;
    int m_activeColumn = 0;
    int m_editMenu = 175;
};
