#pragma once

class CNodeDragData;

#include "sheetpage.h"
#include "document/xmlnode.h"
#include "ftp/anchorlayout.h"

class CNodeListControl;

// The "Nodes" page: the current node's attributes and the children the element tree does not
// show (text, CDATA sections, comments, processing instructions, entities), one row each. Here
// the user makes new attributes, text, CDATA sections, comments and processing instructions,
// renames attributes and instructions in place, edits a row's value in the Edit Node dialog,
// and cuts, copies, pastes and deletes rows. Every change goes through the document, which
// then tells the views; the list is rebuilt from the document each time it is told.
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
    // The nodes of every selected row, in document order.
    QList<XmlNode> SelectedNodes() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void RegisterCommands();
    void Refresh();
    void AppendRow(const XmlNode &node);

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
};
