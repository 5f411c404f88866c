#pragma once

#include "document/workspacedoc.h"
#include "document/xmlnode.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QPointer>

struct CElementTreeItem;

// The element tree's items over a document's DOM: "Document", "<!DOCTYPE>" and every element.
// Items are made lazily, a batch of children when the view first shows a branch or scrolls to
// its end, so that a large document opens without walking it. Each item gets a key of its own,
// never used again, that the document's item table binds to the item's node while the item
// lives. Labels and pictures are read from the DOM when shown.
class CElementTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // How many children one step of lazy filling makes.
    static constexpr int BatchSize = 256;
    // How many steps up the tree, summed over the tracked indexes, a removal may make Qt walk
    // before it is told to the view alone instead of as removed rows.
    static constexpr qint64 LongTrackedWalk = 20000;

    explicit CElementTreeModel(CWorkSpaceDoc *document, QObject *parent = nullptr);
    ~CElementTreeModel() override;

    // Drops every item and the document's item table, then makes the "Document" item.
    void Rebuild();

    ItemKey KeyOf(const QModelIndex &index) const;
    QModelIndex IndexOfKey(ItemKey key) const;
    XmlNode NodeOf(const QModelIndex &index) const;
    // The item `levels` levels above the index's item (the index itself for 0).
    QModelIndex AncestorOf(const QModelIndex &index, int levels) const;
    // True for an element shown from an entity's content, which cannot be changed.
    bool IsReadOnly(const QModelIndex &index) const;
    // "/" for the "Document" item, else the names from the top down to the item's node, through
    // the entity references its element is shown under: "/a/b/".
    QString PathOf(const QModelIndex &index) const;
    // The item of `node`, making the items on the way to it; invalid when the node is not shown
    // in the tree (not an element or document-type declaration, or not in the document).
    QModelIndex IndexForNode(const XmlNode &node);
    // Makes items for child nodes appended to `parent`'s node since its children were made.
    void AddAppendedChildren(const QModelIndex &parent);
    // Removes the item and its subtree, and their entries in the item table.
    void RemoveItem(const QModelIndex &index);
    // How many items exist now.
    int ItemCount() const { return int(m_items.size()); }

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // A new label of an element renames it through the document; false leaves the old label.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

Q_SIGNALS:
    // A removal under a deep branch, told to the view alone: the rows `first` to `last` of
    // `parent` are about to leave (the view moves its caret off them and takes them out of its
    // list of shown rows, or closes the parent's branch), and have left. The item model's own
    // signals would make Qt walk every tracked index up to the top, which for a chain of
    // thousands of open levels costs the square of its depth; the tracked indexes are moved by
    // the model itself.
    void rowsLeavingInLayout(const QModelIndex &parent, int first, int last);
    void rowsLeftInLayout(const QModelIndex &parent);
    // Around rows inserted under a deep branch: a view that cannot patch its list of shown rows
    // closes the branch and opens it again.
    void deepBranchChanging(const QModelIndex &parent);
    void deepBranchChanged(const QModelIndex &parent);

private:
    CElementTreeItem *ItemOf(const QModelIndex &index) const;
    QModelIndex IndexOf(CElementTreeItem *item) const;
    CElementTreeItem *NewItem(const XmlNode &node, CElementTreeItem *parent, std::vector<XmlNode> place);
    // Makes up to `limit` more children of `item`, telling the view; returns how many.
    int FetchChildren(CElementTreeItem *item, int limit);
    // Makes the item of `node`, a last child node of `item`'s node, ahead of the filling; null
    // when the node is not last among the shown child nodes.
    CElementTreeItem *AddTailItem(CElementTreeItem *item, const XmlNode &node);
    void DeleteSubtree(CElementTreeItem *item);
    // True when the rows signals of a removal would make Qt walk the tracked indexes for long.
    bool TrackedWalkIsLong() const;
    // Moves the tracked indexes after `removed` left `parent`'s children: those in its subtree
    // become invalid, its later siblings move up a row.
    void UpdateTrackedIndexes(CElementTreeItem *removed, CElementTreeItem *parent);
    // The items follow the document's structural changes.
    void OnNodeInserted(const XmlNode &node);
    void OnNodeRemoved(const XmlNode &node, const XmlNode &formerParent);
    // Drops the children's items; the branch fills again from its first child.
    void ResetChildren(CElementTreeItem *parent);

    QPointer<CWorkSpaceDoc> m_document;
    CElementTreeItem *m_root;
    QHash<ItemKey, CElementTreeItem *> m_items;
    // Set while the items change: a view told of the change in the middle of it (a caret that
    // moves off a removed item notifies the document's views) must not start another.
    bool m_changing = false;
};
