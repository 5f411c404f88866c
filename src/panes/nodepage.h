#pragma once

class CNodeDragData;

#include "sheetpage.h"
#include "document/xmlnode.h"
#include "ftp/anchorlayout.h"

class CNodeListControl;
class CNodeListFiller;

// The "Nodes" page: the current node's attributes and the children the element tree does not
// show (text, CDATA sections, comments, processing instructions, entities), one row each. Here
// the user makes new attributes, text, CDATA sections, comments and processing instructions,
// renames attributes and instructions in place, edits a row's value in the Edit Node dialog,
// and cuts, copies, pastes and deletes rows. Every change goes through the document, which
// then tells the views; the list is rebuilt from the document each time it is told. The rows of a
// node with very many children keep coming in from the event loop after that; the commands act
// on the rows listed so far.
class CNodePage : public CSheetPage
{
    Q_OBJECT

public:
    explicit CNodePage(QWidget *parent = nullptr);
    ~CNodePage() override;

    // Re-reads the current node's rows, unless a drag is in progress (its rows must stay).
    void OnKickIdle() override;
    // What a drag of the selected rows carries to an element tree; null with no row selected.
    CNodeDragData *CreateRowDragData() const;

    CNodeListControl *ListControl() const { return m_list; }
    // Whether rows of the current node are still to come in from the event loop.
    bool IsFilling() const;
    // Lists the rows still to come now.
    void FinishFilling();
    // The nodes of every selected row, in document order.
    QList<XmlNode> SelectedNodes() const;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void RegisterCommands();
    void Refresh();

    bool HasSelection() const;
    bool IsCurrentNodeDocument() const;

    void OnEditRow();
    void OnLabelEdited(const XmlNode &node, const QString &text);
    void OnContextMenu(const QPoint &globalPos);
    void OnBeginRowDrag();

    void OnEditCopy();
    void OnEditCut();
    void OnEditDelete();
    void OnEditPaste();
    void OnEditRename();
    void OnNewAttribute();
    void OnNewNode(int type, const QString &name, const QString &value);

    CAnchorLayout m_anchors;
    CNodeListControl *m_list;
    CNodeListFiller *m_filler;
    // The page was hidden before its rows were all in: it reads them again once shown.
    bool m_refillOnShow = false;
};
