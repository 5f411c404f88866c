#include "shownrows.h"

#include <QTreeView>
#include <QtWidgets/private/qtreeview_p.h>

#include <functional>
#include <vector>

QTreeViewPrivate *CShownRows::Private() const
{
    return static_cast<QTreeViewPrivate *>(QObjectPrivate::get(m_view));
}

bool CShownRows::Patchable() const
{
    const QTreeViewPrivate *d = Private();
    // A pending layout rebuilds the list anyway; hidden and spanned rows are the view's to place.
    return d->model && !d->delayedPendingLayout && !d->viewItems.isEmpty() && d->hiddenIndexes.isEmpty()
           && d->spanningIndexes.isEmpty();
}

int CShownRows::ParentItem(const QModelIndex &parent) const
{
    QTreeViewPrivate *d = Private();
    if (parent == d->root)
        return -1;
    const int item = d->viewIndex(parent);
    return item >= 0 && d->viewItems.at(item).expanded ? item : -2;
}

int CShownRows::ItemOfRow(const QModelIndex &parent, int parentItem, int row) const
{
    QTreeViewPrivate *d = Private();
    const int item = d->viewIndex(d->model->index(row, 0, parent));
    return item >= 0 && d->viewItems.at(item).parentItem == parentItem ? item : -1;
}

void CShownRows::AddToTotals(int parentItem, int delta)
{
    QTreeViewPrivate *d = Private();
    for (int item = parentItem; item > -1; item = d->viewItems.at(item).parentItem)
        d->viewItems[item].total += delta;
}

void CShownRows::Renumber(const QModelIndex &parent, int parentItem, int pos, int row)
{
    QTreeViewPrivate *d = Private();
    QTreeViewItem *items = d->viewItems.data();
    const int size = int(d->viewItems.size());
    for (; pos < size && items[pos].parentItem == parentItem; pos += 1 + int(items[pos].total))
        items[pos].index = d->model->index(row++, 0, parent);
}

void CShownRows::LookNear(const QModelIndex &index) const
{
    QTreeViewPrivate *d = Private();
    if (!index.isValid() || d->delayedPendingLayout || d->viewItems.isEmpty() || !d->hiddenIndexes.isEmpty())
        return;
    std::vector<QModelIndex> chain;
    for (QModelIndex up = index; up.isValid() && up != d->root; up = up.parent())
        chain.push_back(up);
    // Down from the top: each row's place is its parent's plus the rows of the siblings before it.
    int steps = 20000;
    int item = -1;
    const int size = int(d->viewItems.size());
    for (auto it = chain.crbegin(); it != chain.crend(); ++it) {
        if (item >= 0 && !d->viewItems.at(item).expanded)
            return;
        int pos = item + 1;
        for (int row = 0; row < it->row(); ++row) {
            if (pos >= size || --steps < 0)
                return;
            pos += 1 + int(d->viewItems.at(pos).total);
        }
        if (pos >= size || --steps < 0 || d->viewItems.at(pos).index != it->sibling(it->row(), 0))
            return;
        item = pos;
    }
    d->lastViewedItem = item;
}

bool CShownRows::PrepareRemoval(const QModelIndex &parent, int first, int last)
{
    m_pending = Pending();
    if (!Patchable() || (parent.isValid() && parent.column() != 0))
        return false;
    QTreeViewPrivate *d = Private();
    const int parentItem = ParentItem(parent);
    if (parentItem == -2) {
        // The rows are not in the list; the parent's expand button may change.
        m_pending = {true, parent.isValid() ? d->viewIndex(parent) : -1, -1, 0, first, last};
        return true;
    }
    const int pos = ItemOfRow(parent, parentItem, first);
    if (pos < 0)
        return false;
    int end = pos;
    for (int row = first; row <= last; ++row) {
        if (end >= d->viewItems.size() || d->viewItems.at(end).parentItem != parentItem)
            return false;
        end += 1 + int(d->viewItems.at(end).total);
    }
    m_pending = {true, parentItem, pos, end - pos, first, last};
    return true;
}

void CShownRows::Forget()
{
    Private()->viewItems.clear();
}

void CShownRows::FinishRemoval(const QModelIndex &parent)
{
    const Pending pending = m_pending;
    m_pending = Pending();
    QTreeViewPrivate *d = Private();
    if (!pending.active)
        return;
    if (pending.pos >= 0) {
        d->removeViewItems(pending.pos, pending.count);
        AddToTotals(pending.parentItem, -pending.count);
        Renumber(parent, pending.parentItem, pending.pos, pending.first);
        const int rows = d->model->rowCount(parent);
        if (pending.first > 0 && pending.first >= rows) {
            const int previous = ItemOfRow(parent, pending.parentItem, pending.first - 1);
            if (previous >= 0)
                d->viewItems[previous].hasMoreSiblings = false;
        }
    }
    if (pending.parentItem >= 0) {
        QTreeViewItem &item = d->viewItems[pending.parentItem];
        item.hasChildren = item.expanded ? item.total > 0 : d->hasVisibleChildren(parent);
    }
    // Branches that were open inside the removed rows are no longer tracked.
    for (auto it = d->expandedIndexes.begin(); it != d->expandedIndexes.end();)
        it = it->isValid() ? std::next(it) : d->expandedIndexes.erase(it);
    d->lastViewedItem = qBound(0, pending.pos, int(d->viewItems.size()) - 1);
    d->hoverBranch = -1;
    d->updateScrollBars();
    d->viewport->update();
    // What the item view does after any removal: editors move, the state ends.
    d->_q_rowsRemoved(parent, pending.first, pending.last);
}

bool CShownRows::Insert(const QModelIndex &parent, int first, int last)
{
    if (!Patchable() || (parent.isValid() && parent.column() != 0))
        return false;
    QTreeViewPrivate *d = Private();
    const int parentItem = ParentItem(parent);
    if (parentItem == -2)
        return false; // the view's own handling is cheap here: no rows of the branch are shown
    int pos = parentItem + 1;
    const int previous = first > 0 ? ItemOfRow(parent, parentItem, first - 1) : -1;
    if (first > 0) {
        if (previous < 0)
            return false;
        pos = previous + 1 + int(d->viewItems.at(previous).total);
    }
    const int count = last - first + 1;
    const int rows = d->model->rowCount(parent);
    // A new row that is already open (its index tracked as expanded) needs its own layout.
    for (int row = first; row <= last; ++row) {
        if (d->isIndexExpanded(d->model->index(row, 0, parent)))
            return false;
    }
    const int level = parentItem >= 0 ? int(d->viewItems.at(parentItem).level) + 1 : 0;
    d->insertViewItems(pos, count, QTreeViewItem());
    for (int k = 0; k < count; ++k) {
        QTreeViewItem &item = d->viewItems[pos + k];
        item.index = d->model->index(first + k, 0, parent);
        item.parentItem = parentItem;
        item.level = uint(level);
        item.hasChildren = d->hasVisibleChildren(item.index);
        item.hasMoreSiblings = first + k < rows - 1;
    }
    AddToTotals(parentItem, count);
    if (previous >= 0)
        d->viewItems[previous].hasMoreSiblings = true; // positions before `pos` did not move
    if (parentItem >= 0)
        d->viewItems[parentItem].hasChildren = true;
    Renumber(parent, parentItem, pos + count, last + 1);
    d->lastViewedItem = pos;
    d->updateScrollBars();
    d->viewport->update();
    return true;
}

QString CShownRows::DifferenceFromLayout() const
{
    QTreeViewPrivate *d = Private();
    if (d->delayedPendingLayout)
        return QString();
    QString difference;
    int pos = 0;
    // Lays out the fetched rows as the view does, comparing each with the list as it goes.
    std::function<int(const QModelIndex &, int, int)> walk = [&](const QModelIndex &parent, int parentItem, int level) {
        const int rows = d->model->rowCount(parent);
        int total = 0;
        for (int row = 0; row < rows && difference.isEmpty(); ++row) {
            const QModelIndex index = d->model->index(row, 0, parent);
            const int at = pos++;
            if (at >= d->viewItems.size()) {
                difference = QStringLiteral("the list ends at %1").arg(at);
                return total;
            }
            const QTreeViewItem &item = d->viewItems.at(at);
            const bool expanded = d->isIndexExpanded(index);
            if (item.index != index || item.parentItem != parentItem || int(item.level) != level
                || bool(item.expanded) != expanded || bool(item.hasMoreSiblings) != (row < rows - 1)) {
                difference = QStringLiteral("row %1 of the list differs (row %2 of its branch)").arg(at).arg(row);
                return total;
            }
            int below = 0;
            if (expanded)
                below = walk(index, at, level + 1);
            if (difference.isEmpty() && int(d->viewItems.at(at).total) != below)
                difference = QStringLiteral("row %1 counts %2 rows below it, not %3").arg(at).arg(d->viewItems.at(at).total).arg(below);
            // An open branch that is told of a first child before its row is fetched shows the
            // button either way.
            const bool children = expanded ? below > 0 : d->hasVisibleChildren(index);
            const bool either = expanded && below == 0 && d->hasVisibleChildren(index);
            if (difference.isEmpty() && !either && bool(d->viewItems.at(at).hasChildren) != children)
                difference = QStringLiteral("row %1 (%2) shows the wrong expand button").arg(at).arg(index.data().toString());
            total += 1 + below;
        }
        return total;
    };
    walk(d->root, -1, 0);
    if (difference.isEmpty() && pos != d->viewItems.size())
        difference = QStringLiteral("the list has %1 rows, the layout %2").arg(d->viewItems.size()).arg(pos);
    return difference;
}
