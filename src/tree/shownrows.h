#pragma once

#include <QModelIndex>
#include <QString>

class QTreeView;
class QTreeViewPrivate;

// Keeps a tree view's list of shown rows in step with rows inserted into and removed from its
// model by patching the list where the rows stand. Qt's tree view instead throws the list away
// and lays out every shown row again on each removal, and on each insertion under an open branch:
// with a branch of millions of fetched children that costs a tenth of a second per edit, where a
// patch costs the rows after the change. Works on the view's private row list (Qt's private
// headers of the exact version built against); where the list cannot be patched (a layout is
// pending anyway, rows are hidden or spanned) the view's own handling runs.
class CShownRows
{
public:
    explicit CShownRows(QTreeView *view) : m_view(view) {}

    // Before the rows `first` to `last` of `parent` leave the model: notes where they stand in
    // the list. False when the view must handle the removal itself.
    bool PrepareRemoval(const QModelIndex &parent, int first, int last);
    // After they left: takes them out of the list and refreshes the scroll range. Only after a
    // PrepareRemoval that returned true.
    void FinishRemoval(const QModelIndex &parent);
    // Drops the whole list, as the view does before it lays out every row again.
    void Forget();
    // After the rows `first` to `last` of `parent` were inserted: puts them into the list. False
    // when the view must handle the insertion itself.
    bool Insert(const QModelIndex &parent, int first, int last);
    // Tells the view where `index` stands in the list when the way down to it is short, so that
    // the view's own search for it (which starts where it last looked, and may walk millions of
    // rows) finds it at once.
    void LookNear(const QModelIndex &index) const;
    // Whether the list can be patched now.
    bool Patchable() const;

    // Compares the list with the one a full layout of the model's fetched rows gives; an empty
    // text when they agree, else the first difference. For tests.
    QString DifferenceFromLayout() const;

private:
    QTreeViewPrivate *Private() const;
    // The list position of the branch's parent: -1 for the top, -2 when the branch's rows are not
    // in the list (the parent is closed or not shown).
    int ParentItem(const QModelIndex &parent) const;
    // The list position of row `row` of the branch whose parent stands at `parentItem`; -1 when
    // it is not in the list.
    int ItemOfRow(const QModelIndex &parent, int parentItem, int row) const;
    // Gives the rows of the branch from list position `pos` on (starting at model row `row`)
    // their current model indexes, which moved with the rows inserted or removed before them.
    void Renumber(const QModelIndex &parent, int parentItem, int pos, int row);
    void AddToTotals(int parentItem, int delta);

    QTreeView *m_view;
    struct Pending
    {
        bool active = false;
        int parentItem = -1;
        int pos = -1;   // first list position of the leaving rows; -1 when not in the list
        int count = 0;  // list rows they take, their open descendants included
        int first = 0;
        int last = 0;
    } m_pending;
};
