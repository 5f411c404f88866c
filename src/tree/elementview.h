#pragma once

#include "document/workspacedoc.h"
#include "framework/cmdtarget.h"
#include "framework/viewbase.h"
#include "shownrows.h"

#include <QPointer>
#include <QTreeView>

class CElementTreeModel;
class CNodeDragData;

// The element tree of one document: "Document", "<!DOCTYPE>" and every element, filled lazily.
// Selecting an item makes its node the document's current node and tells the views; element
// labels are renamed in place; the edit commands and drag-and-drop of elements (and of node-list
// rows dropped here) change the DOM through the document, and the tree then patches its items.
class CElementView : public QTreeView, public CViewBase, public CCmdTarget
{
    Q_OBJECT

public:
    // What a drop onto an item would do.
    enum class DropVerdict { Refused, Accepted, IntoOwnSubtree };

    explicit CElementView(CWorkSpaceDoc *document, QWidget *parent = nullptr);
    ~CElementView() override;

    CWorkSpaceDoc *GetDocument() const { return m_document; }
    CElementTreeModel *TreeModel() const { return m_model; }

    // Builds the tree: the "Document" item, nothing selected, the document not modified.
    void OnInitialUpdate();
    // Rebuilds after a source edit (remembering and reselecting the current node by its path);
    // otherwise shows elements appended to the current node since its children were shown.
    void OnUpdate(CViewBase *sender, long hint, QObject *hintObject) override;

    ItemKey KeyOf(const QModelIndex &index) const;
    QModelIndex IndexOfKey(ItemKey key) const;
    // Makes the item visible (expanding its parents) and selects it as the caret. A selection of
    // the item that is already the caret still counts as a selection change.
    void SelectItem(const QModelIndex &index);
    // Selects the item that shows `node`, or the element it belongs to.
    void SelectNode(const XmlNode &node);

    // Drag source. Starts a drag of the element at `index` (raising the drag flag) and returns
    // what it carries; null for an item that cannot be dragged.
    CNodeDragData *BeginDrag(const QModelIndex &index);
    // Ends the drag (lowering the flag): a moved item leaves the tree; otherwise the node
    // clipboard is emptied and the dragged item is selected again.
    void FinishDrag(bool moved);

    // Drop target.
    DropVerdict EvaluateDrop(const CNodeDragData &data, const QModelIndex &target) const;
    // Drops `data` onto the item `target`: selects it, then moves the nodes under it, refuses a
    // drop into the dragged element's own subtree with a message, or does nothing. True when
    // nodes moved.
    bool DropNodes(const CNodeDragData &data, const QModelIndex &target);

    // Empty when the list of shown rows is the one a full layout gives, else how it differs.
    QString ShownRowsDifference() const { return m_shownRows.DifferenceFromLayout(); }

Q_SIGNALS:
    // The path of the node just selected, for the status bar.
    void statusTextChanged(const QString &text);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    // Rows inserted and removed patch the view's list of shown rows instead of laying out every
    // shown row again.
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end) override;

protected Q_SLOTS:
    // Takes the place of the tree view's slot of the same name, which the view connects to its
    // model by name.
    void rowsRemoved(const QModelIndex &parent, int first, int last);

private:
    void RegisterCommands();
    bool IsNonDocumentNodeCurrent() const;
    void OnNewChild();
    void OnNewSibling();
    void NewElement(ItemKey parentKey, const QString &name);
    void OnCut();
    void OnCopy();
    void OnPaste();
    void OnPasteFromClipboard();
    void OnDelete();
    void OnRename();

    void OnCurrentItemChanged(const QModelIndex &current);
    // Rows are about to leave the tree / have left it: a caret among them (or inside them) is
    // noted, and the item that takes its place becomes current afterwards.
    void OnRowsLeaving(const QModelIndex &parent, int first, int last);
    void OnRowsLeft();
    // For rows that leave in a change of layout, which the item view does not see as removed.
    void MoveCaretOffRows(const QModelIndex &parent, int first, int last);
    // After the document's tree was replaced: the node at the current node's old path is current.
    void ReselectAfterReplace(const QString &path);
    // The path of the current item for the status bar, through the entity references its
    // element is shown under.
    QString StatusPath() const;

    QPointer<CWorkSpaceDoc> m_document;
    CElementTreeModel *m_model;
    ItemKey m_draggedItem = 0;
    // The caret when a drag came over the tree, put back when the drag leaves it again.
    ItemKey m_keyBeforeDragOver = 0;
    bool m_quietSelection = false;
    // Set while rows are removed when the caret was among them.
    bool m_caretRemoved = false;
    // Set while a deep branch is closed for rows to leave it.
    bool m_reopenAfterRemoval = false;
    CShownRows m_shownRows{this};
    // Set between a removal's two steps when the list of shown rows is patched.
    bool m_removalPatched = false;
};
