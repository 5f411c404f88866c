#include "elementtreemodel.h"

#include "childcursor.h"
#include "elementtreeitem.h"
#include "resources/nodepicture.h"

#include <QStringList>

namespace {

std::vector<XmlNode> placeOf(const CElementTreeItem *item)
{
    return item->place.empty() ? std::vector<XmlNode>{item->node} : item->place;
}

} // namespace

CElementTreeModel::CElementTreeModel(CWorkSpaceDoc *document, QObject *parent)
    : QAbstractItemModel(parent), m_document(document), m_root(new CElementTreeItem)
{
    m_root->complete = true;
    if (!m_document)
        return;
    // The document says what changed, whoever asked for the change.
    connect(m_document, &CWorkSpaceDoc::nodeInserted, this, &CElementTreeModel::OnNodeInserted);
    connect(m_document, &CWorkSpaceDoc::nodeRemoved, this, &CElementTreeModel::OnNodeRemoved);
    connect(m_document, &CWorkSpaceDoc::nodeRenamed, this, [this](const XmlNode &node) {
        const QModelIndex index = IndexOf(m_items.value(m_document->GetItemKey(node)));
        if (index.isValid())
            Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    });
    connect(m_document, &CWorkSpaceDoc::documentReplaced, this, [this] { Rebuild(); });
}

CElementTreeModel::~CElementTreeModel()
{
    DeleteSubtree(m_root);
}

void CElementTreeModel::DeleteSubtree(CElementTreeItem *top)
{
    // An explicit stack: a document nested ten thousand levels deep must not exhaust the real one.
    std::vector<CElementTreeItem *> pending{top};
    while (!pending.empty()) {
        CElementTreeItem *item = pending.back();
        pending.pop_back();
        pending.insert(pending.end(), item->children.begin(), item->children.end());
        if (item->key) {
            m_items.remove(item->key);
            if (m_document)
                m_document->RemoveItem(item->key);
        }
        delete item;
    }
}

void CElementTreeModel::Rebuild()
{
    beginResetModel();
    m_changing = true;
    DeleteSubtree(m_root);
    m_document->RemoveAllItems();
    m_root = new CElementTreeItem;
    m_root->complete = true;
    if (XmlDocument *dom = m_document->GetDOMDocument()) {
        CElementTreeItem *item = NewItem(dom->documentNode(), m_root, {});
        item->row = 0;
        m_root->children.push_back(item);
    }
    endResetModel();
    m_changing = false;
}

CElementTreeItem *CElementTreeModel::NewItem(const XmlNode &node, CElementTreeItem *parent, std::vector<XmlNode> place)
{
    auto *item = new CElementTreeItem;
    item->node = node;
    item->parent = parent;
    item->type = node.nodeType();
    item->depth = parent ? parent->depth + 1 : 0;
    item->place = std::move(place);
    item->readOnly = !item->place.empty() || (parent && parent->readOnly);
    item->key = m_document->NewItemKey();
    m_items.insert(item->key, item);
    m_document->SetItemNode(item->key, node);
    return item;
}

CElementTreeItem *CElementTreeModel::ItemOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<CElementTreeItem *>(index.internalPointer()) : m_root;
}

QModelIndex CElementTreeModel::IndexOf(CElementTreeItem *item) const
{
    if (!item || item == m_root)
        return QModelIndex();
    return createIndex(item->row, 0, item);
}

ItemKey CElementTreeModel::KeyOf(const QModelIndex &index) const
{
    return index.isValid() ? ItemOf(index)->key : 0;
}

QModelIndex CElementTreeModel::IndexOfKey(ItemKey key) const
{
    return IndexOf(m_items.value(key));
}

XmlNode CElementTreeModel::NodeOf(const QModelIndex &index) const
{
    return index.isValid() ? ItemOf(index)->node : XmlNode();
}

QModelIndex CElementTreeModel::AncestorOf(const QModelIndex &index, int levels) const
{
    CElementTreeItem *item = ItemOf(index);
    for (; levels > 0 && item && item != m_root; --levels)
        item = item->parent;
    return index.isValid() ? IndexOf(item) : QModelIndex();
}

bool CElementTreeModel::IsReadOnly(const QModelIndex &index) const
{
    return index.isValid() && ItemOf(index)->readOnly;
}

QString CElementTreeModel::PathOf(const QModelIndex &index) const
{
    QStringList names;
    for (const CElementTreeItem *item = ItemOf(index); item && item != m_root; item = item->parent) {
        if (item->type == NodeType::Document)
            break;
        const std::vector<XmlNode> place = placeOf(item);
        for (auto it = place.crbegin(); it != place.crend(); ++it)
            names.prepend(it->nodeName());
    }
    return names.isEmpty() ? QStringLiteral("/") : QLatin1Char('/') + names.join(QLatin1Char('/')) + QLatin1Char('/');
}

int CElementTreeModel::FetchChildren(CElementTreeItem *item, int limit)
{
    if (item->complete || m_changing)
        return 0;
    const XmlNode firstTail = item->tailCount ? item->children[item->children.size() - item->tailCount]->node : XmlNode();
    CChildCursor cursor(item->node, item->lastBuilt);
    std::vector<std::pair<XmlNode, std::vector<XmlNode>>> found;
    bool reachedTail = false;
    while (int(found.size()) < limit) {
        const XmlNode next = cursor.Next();
        if (next.isNull()) {
            item->complete = true;
            break;
        }
        if (!firstTail.isNull() && next == firstTail) {
            reachedTail = true;
            break;
        }
        std::vector<XmlNode> place = cursor.Position().size() > 1 ? cursor.Position() : std::vector<XmlNode>();
        found.emplace_back(next, std::move(place));
    }
    const int first = int(item->children.size()) - item->tailCount;
    if (!found.empty()) {
        beginInsertRows(IndexOf(item), first, first + int(found.size()) - 1);
        m_changing = true;
        std::vector<CElementTreeItem *> made;
        made.reserve(found.size());
        for (auto &[node, place] : found)
            made.push_back(NewItem(node, item, std::move(place)));
        item->children.insert(item->children.begin() + first, made.begin(), made.end());
        for (int row = first; row < int(item->children.size()); ++row)
            item->children[row]->row = row;
        item->lastBuilt = placeOf(made.back());
        item->knownToHaveChildren = true;
        endInsertRows();
        m_changing = false;
    }
    if (reachedTail) {
        // The filling met the items made ahead of it: they are ordinary children from now on.
        item->tailCount = 0;
        item->lastBuilt = placeOf(item->children.back());
        if (found.empty())
            return FetchChildren(item, limit);
    }
    return int(found.size());
}

CElementTreeItem *CElementTreeModel::AddTailItem(CElementTreeItem *item, const XmlNode &node)
{
    if (item->complete || m_changing || node.parentNode() != item->node)
        return nullptr;
    for (XmlNode after = node.nextSibling(); !after.isNull(); after = after.nextSibling()) {
        if (CChildCursor::IsShown(after.nodeType()) || after.nodeType() == NodeType::EntityReference)
            return nullptr;
    }
    const int row = int(item->children.size());
    beginInsertRows(IndexOf(item), row, row);
    m_changing = true;
    CElementTreeItem *child = NewItem(node, item, {});
    child->row = row;
    item->children.push_back(child);
    ++item->tailCount;
    item->knownToHaveChildren = true;
    endInsertRows();
    m_changing = false;
    return child;
}

QModelIndex CElementTreeModel::IndexForNode(const XmlNode &node)
{
    if (node.isNull() || m_root->children.empty() || m_changing)
        return QModelIndex();
    const ItemKey known = m_document->GetItemKey(node);
    if (CElementTreeItem *item = m_items.value(known))
        return IndexOf(item);
    // The shown nodes from the top down to `node`; the walk up fails inside an entity's
    // definition, which the tree does not show.
    std::vector<XmlNode> chain;
    XmlNode top = node;
    for (XmlNode n = node; !n.isNull(); n = n.parentNode()) {
        const int type = n.nodeType();
        if (type == NodeType::Document) {
            top = n;
            break;
        }
        if (!CChildCursor::IsShown(type))
            return QModelIndex();
        chain.push_back(n);
        top = n;
    }
    CElementTreeItem *current = m_root->children.front();
    if (top != current->node)
        return QModelIndex();
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        CElementTreeItem *found = nullptr;
        bool reopened = false;
        bool fetchedOnce = false;
        for (;;) {
            CElementTreeItem *bound = m_items.value(m_document->GetItemKey(*it));
            if (bound && bound->parent == current) {
                found = bound;
                break;
            }
            if (current->complete) {
                // A branch filled before the node was appended to it: look once more from its
                // last child item on.
                if (reopened)
                    return QModelIndex();
                reopened = true;
                current->complete = false;
            }
            if (!fetchedOnce) {
                fetchedOnce = true;
                FetchChildren(current, BatchSize);
                continue;
            }
            // A node appended to a long branch gets its item at once, ahead of the filling,
            // rather than after items for every sibling before it.
            if (CElementTreeItem *tail = AddTailItem(current, *it)) {
                found = tail;
                break;
            }
            FetchChildren(current, BatchSize);
        }
        current = found;
    }
    return IndexOf(current);
}

void CElementTreeModel::AddAppendedChildren(const QModelIndex &parent)
{
    CElementTreeItem *item = ItemOf(parent);
    if (item == m_root || !item->complete || m_changing)
        return; // a branch still being filled picks up its new last children as it goes on
    item->complete = false;
    item->knownToHaveChildren = false;
    FetchChildren(item, BatchSize);
}

void CElementTreeModel::RemoveItem(const QModelIndex &index)
{
    CElementTreeItem *item = ItemOf(index);
    if (!index.isValid() || item == m_root || m_changing)
        return;
    CElementTreeItem *parent = item->parent;
    const int row = item->row;
    const QModelIndex parentIndex = IndexOf(parent);
    const bool asLayout = TrackedWalkIsLong();
    m_changing = true;
    if (asLayout) {
        Q_EMIT rowsLeavingInLayout(parentIndex, row, row);
    } else {
        beginRemoveRows(parentIndex, row, row);
    }
    const int filled = int(parent->children.size()) - parent->tailCount;
    parent->children.erase(parent->children.begin() + row);
    for (int i = row; i < int(parent->children.size()); ++i)
        parent->children[i]->row = i;
    if (row >= filled) {
        --parent->tailCount;
    } else if (row == filled - 1) {
        // The filling goes on after the last filled child item that is still there.
        parent->lastBuilt = row == 0 ? std::vector<XmlNode>() : placeOf(parent->children[row - 1]);
    }
    if (asLayout) {
        UpdateTrackedIndexes(item, parent);
        DeleteSubtree(item);
        Q_EMIT rowsLeftInLayout(parentIndex);
        m_changing = false;
        return;
    }
    DeleteSubtree(item);
    endRemoveRows();
    m_changing = false;
}

bool CElementTreeModel::TrackedWalkIsLong() const
{
    // Before rows leave, Qt walks every tracked index up until it meets the rows' parent or the
    // top of the tree. The view tracks each expanded item, so under a branch opened thousands of
    // levels deep that walk is the square of the depth.
    qint64 steps = 0;
    for (const QModelIndex &tracked : persistentIndexList()) {
        steps += ItemOf(tracked)->depth;
        if (steps > LongTrackedWalk)
            return true;
    }
    return false;
}

void CElementTreeModel::UpdateTrackedIndexes(CElementTreeItem *removed, CElementTreeItem *parent)
{
    std::vector<CElementTreeItem *> pending{removed};
    while (!pending.empty()) {
        CElementTreeItem *item = pending.back();
        pending.pop_back();
        item->leaving = true;
        pending.insert(pending.end(), item->children.begin(), item->children.end());
    }
    QModelIndexList from;
    QModelIndexList to;
    for (const QModelIndex &tracked : persistentIndexList()) {
        CElementTreeItem *item = ItemOf(tracked);
        if (item->leaving) {
            from.append(tracked);
            to.append(QModelIndex());
        } else if (item->parent == parent && item->row != tracked.row()) {
            from.append(tracked);
            to.append(createIndex(item->row, 0, item));
        }
    }
    changePersistentIndexList(from, to);
}

void CElementTreeModel::OnNodeInserted(const XmlNode &node)
{
    if (!m_changing && node.nodeType() == NodeType::EntityReference) {
        // The elements of a reference's content show under the item of the reference's parent,
        // as when it is removed: that branch is filled again.
        if (CElementTreeItem *parent = m_items.value(m_document->GetItemKey(node.parentNode())))
            ResetChildren(parent);
        return;
    }
    if (m_changing || !CChildCursor::IsShown(node.nodeType()))
        return;
    CElementTreeItem *parent = m_items.value(m_document->GetItemKey(node.parentNode()));
    if (!parent)
        return; // a branch without an item: its items are made when it is first shown
    // The nearest earlier sibling the tree shows tells where the new item goes.
    XmlNode previous = node.previousSibling();
    while (!previous.isNull() && !CChildCursor::IsShown(previous.nodeType()) && previous.nodeType() != NodeType::EntityReference)
        previous = previous.previousSibling();
    const int filled = int(parent->children.size()) - parent->tailCount;
    int row = 0;
    if (previous.isNull()) {
        if (filled == 0 && !parent->complete) {
            // The filling starts at the first child and will find it; the branch may just have
            // got its first child, which its expand button shows.
            parent->knownToHaveChildren = true;
            const QModelIndex index = IndexOf(parent);
            if (index.isValid())
                Q_EMIT dataChanged(index, index, {Qt::DecorationRole});
            return;
        }
    } else {
        CElementTreeItem *before = m_items.value(m_document->GetItemKey(previous));
        if (previous.nodeType() == NodeType::EntityReference || !before || before->parent != parent) {
            // The node lies in the part the filling has still to reach; a branch that counted
            // itself complete is made again from its first child.
            if (parent->complete)
                ResetChildren(parent);
            return;
        }
        row = before->row + 1;
    }
    // The view closes a deep branch while it gets a row, as for a removal.
    const QModelIndex parentIndex = IndexOf(parent);
    const bool deep = TrackedWalkIsLong();
    m_changing = true;
    if (deep)
        Q_EMIT deepBranchChanging(parentIndex);
    beginInsertRows(parentIndex, row, row);
    CElementTreeItem *child = NewItem(node, parent, {});
    parent->children.insert(parent->children.begin() + row, child);
    for (int i = row; i < int(parent->children.size()); ++i)
        parent->children[i]->row = i;
    if (row > filled)
        ++parent->tailCount; // among the items made ahead of the filling
    else if (row == filled)
        parent->lastBuilt = placeOf(child);
    parent->knownToHaveChildren = true;
    endInsertRows();
    if (deep)
        Q_EMIT deepBranchChanged(parentIndex);
    m_changing = false;
}

void CElementTreeModel::OnNodeRemoved(const XmlNode &node, const XmlNode &formerParent)
{
    if (m_changing)
        return;
    if (CElementTreeItem *item = m_items.value(m_document->GetItemKey(node))) {
        RemoveItem(IndexOf(item));
        return;
    }
    CElementTreeItem *parent = m_items.value(m_document->GetItemKey(formerParent));
    if (!parent)
        return;
    if (node.nodeType() == NodeType::EntityReference) {
        // The elements of a reference's content show under the item of the reference's parent.
        ResetChildren(parent);
    } else if (CChildCursor::IsShown(node.nodeType()) && parent->children.empty()) {
        // A branch whose items were never made may have lost its last element: its expand
        // button asks again.
        parent->knownToHaveChildren = false;
        parent->complete = false;
        const QModelIndex index = IndexOf(parent);
        if (index.isValid())
            Q_EMIT dataChanged(index, index, {Qt::DecorationRole});
    }
}

void CElementTreeModel::ResetChildren(CElementTreeItem *parent)
{
    const bool hadItems = !parent->children.empty();
    if (hadItems) {
        beginRemoveRows(IndexOf(parent), 0, int(parent->children.size()) - 1);
        m_changing = true;
        std::vector<CElementTreeItem *> children;
        children.swap(parent->children);
        for (CElementTreeItem *child : children)
            DeleteSubtree(child);
    }
    // Set before the view is told, as it asks at once whether the branch still has children.
    parent->tailCount = 0;
    parent->lastBuilt.clear();
    parent->complete = false;
    parent->knownToHaveChildren = false;
    if (hadItems) {
        endRemoveRows();
        m_changing = false;
    }
    // A branch whose items were never made shows its expand button by what it now holds.
    const QModelIndex index = IndexOf(parent);
    if (index.isValid())
        Q_EMIT dataChanged(index, index, {Qt::DecorationRole});
}

QModelIndex CElementTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    const CElementTreeItem *item = ItemOf(parent);
    if (column != 0 || row < 0 || row >= int(item->children.size()))
        return QModelIndex();
    return createIndex(row, 0, item->children[row]);
}

QModelIndex CElementTreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return QModelIndex();
    return IndexOf(ItemOf(child)->parent);
}

int CElementTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(ItemOf(parent)->children.size());
}

int CElementTreeModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool CElementTreeModel::hasChildren(const QModelIndex &parent) const
{
    CElementTreeItem *item = ItemOf(parent);
    if (!item->children.empty() || item->knownToHaveChildren)
        return true;
    if (item->complete)
        return false;
    // Look ahead for one child node that will get an item; remember the answer, as the view asks
    // for every row it paints.
    CChildCursor cursor(item->node, item->lastBuilt);
    if (cursor.Next().isNull())
        item->complete = true;
    else
        item->knownToHaveChildren = true;
    return item->knownToHaveChildren;
}

bool CElementTreeModel::canFetchMore(const QModelIndex &parent) const
{
    return !ItemOf(parent)->complete;
}

void CElementTreeModel::fetchMore(const QModelIndex &parent)
{
    FetchChildren(ItemOf(parent), BatchSize);
}

QVariant CElementTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const CElementTreeItem *item = ItemOf(index);
    const XmlNode &node = item->node;
    const int type = item->type;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (type == NodeType::Document)
            return QStringLiteral("Document");
        if (type == NodeType::DocumentType)
            return QStringLiteral("<!DOCTYPE>");
        return node.nodeName();
    case Qt::DecorationRole:
        return NodePicture(type == NodeType::Document ? 132 : type == NodeType::DocumentType ? 138 : 133);
    default:
        return QVariant();
    }
}

bool CElementTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    const XmlNode node = ItemOf(index)->node;
    const QString name = value.toString();
    if (name.isEmpty())
        return false; // nothing typed: the old name stays
    if (name == node.nodeName())
        return true;
    // The document reports a refused name itself; the label then shows the name the DOM kept.
    // A rename that worked tells the item through the document.
    return m_document->RenameNode(node, name);
}

Qt::ItemFlags CElementTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Only elements are renamed, dragged and dropped on; the "Document" and "<!DOCTYPE>" labels
    // are fixed.
    const CElementTreeItem *item = ItemOf(index);
    if (item->type == NodeType::Element && !item->readOnly)
        flags |= Qt::ItemIsEditable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    return flags;
}
