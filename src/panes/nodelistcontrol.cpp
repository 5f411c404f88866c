#include "nodelistcontrol.h"

#include "nodelabeldelegate.h"
#include "nodelistmodel.h"

#include <QEvent>
#include <QHeaderView>
#include <QListView>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace {

// A view whose drags of rows are the owner's to carry out: the rows never move within the list,
// they go to an element tree.
template <typename View> class RowDragView : public View
{
public:
    RowDragView(CNodeListControl *owner) : View(owner), m_owner(owner) {}

protected:
    void startDrag(Qt::DropActions) override
    {
        m_deselectOnRelease = QModelIndex();
        Q_EMIT m_owner->rowDragStarted();
    }
    // A view that can drag keeps a pressed selected row selected until it knows whether a drag
    // follows, and then forgets that Ctrl asked to take the row out of the selection.
    void mousePressEvent(QMouseEvent *event) override
    {
        const QModelIndex index = this->indexAt(event->position().toPoint());
        const bool toggle = event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)
                            && index.isValid() && this->selectionModel()->isSelected(index);
        m_deselectOnRelease = toggle ? QPersistentModelIndex(index) : QPersistentModelIndex();
        View::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        View::mouseReleaseEvent(event);
        const QPersistentModelIndex index = m_deselectOnRelease;
        m_deselectOnRelease = QModelIndex();
        if (index.isValid() && this->indexAt(event->position().toPoint()) == index && this->selectionModel()->isSelected(index))
            this->selectionModel()->select(index, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    }

private:
    CNodeListControl *m_owner;
    QPersistentModelIndex m_deselectOnRelease;
};

} // namespace

CNodeListControl::CNodeListControl(QWidget *parent)
    : QStackedWidget(parent),
      m_model(new CNodeListModel(this)),
      m_details(new RowDragView<QTreeView>(this)),
      m_icons(new RowDragView<QListView>(this))
{
    setObjectName(QStringLiteral("nodeList"));
    m_details->setModel(m_model);
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setSortingEnabled(false);
    m_details->setAllColumnsShowFocus(true);
    // Every row is one line high: the view need not ask each of many thousand rows its height.
    m_details->setUniformRowHeights(true);
    m_details->header()->setSectionsClickable(false);
    m_details->header()->setSectionsMovable(false);
    // "Name" and "Type" keep their first width; "Value" takes whatever width the pane has left.
    m_details->header()->setStretchLastSection(true);
    m_details->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < 3; ++column)
        m_details->setColumnWidth(column, 120);

    setFocusProxy(m_details);
    m_icons->setModel(m_model);
    QItemSelectionModel *ownSelection = m_icons->selectionModel();
    m_icons->setSelectionModel(m_details->selectionModel());
    delete ownSelection;
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    // Icons and lists lay out every item again whenever rows come in; in batches from the event
    // loop, a list of many thousand rows never holds up the window.
    m_icons->setLayoutMode(QListView::Batched);
    m_icons->setBatchSize(500);

    // The delegate reports the finished text; the rename runs once the editor has closed,
    // because it rebuilds the rows the editor belongs to.
    auto *delegate = new CNodeLabelDelegate([this](int row, const QString &text) {
        const XmlNode node = RowNode(row);
        if (node.isNull())
            return;
        QTimer::singleShot(0, this, [this, node, text] {
            if (m_labelEdited)
                m_labelEdited(node, text);
        });
    }, this);
    for (QAbstractItemView *view : {static_cast<QAbstractItemView *>(m_details), static_cast<QAbstractItemView *>(m_icons)}) {
        view->setItemDelegate(delegate);
        SetUpView(view);
        addWidget(view);
    }
    SetViewMode(ViewMode::Details);
}

void CNodeListControl::SetUpView(QAbstractItemView *view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    // Selected rows are dragged out to an element tree; nothing is dropped on the list itself.
    view->setDragEnabled(true);
    view->setDragDropMode(QAbstractItemView::DragOnly);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->installEventFilter(this);
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { Q_EMIT rowDoubleClicked(); });
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint &pos) {
        Q_EMIT contextMenuRequested(view->viewport()->mapToGlobal(pos));
    });
}

void CNodeListControl::SetViewMode(ViewMode mode)
{
    QAbstractItemView *before = CurrentView();
    const bool hadFocus = before && before->hasFocus();
    m_mode = mode;
    if (mode == ViewMode::Details) {
        setCurrentWidget(m_details);
    } else {
        m_icons->setViewMode(mode == ViewMode::List ? QListView::ListMode : QListView::IconMode);
        const int side = mode == ViewMode::LargeIcons ? 32 : 16;
        m_icons->setIconSize(QSize(side, side));
        // A list runs down in columns; icons run across in rows.
        m_icons->setFlow(mode == ViewMode::List ? QListView::TopToBottom : QListView::LeftToRight);
        m_icons->setWrapping(true);
        m_icons->setMovement(QListView::Static);
        m_icons->setSpacing(mode == ViewMode::LargeIcons ? 8 : 2);
        setCurrentWidget(m_icons);
        m_icons->doItemsLayout();
    }
    // The focus given to the list goes to the view that shows it.
    setFocusProxy(CurrentView());
    if (hadFocus)
        CurrentView()->setFocus(Qt::OtherFocusReason);
}

QAbstractItemView *CNodeListControl::CurrentView() const
{
    return m_mode == ViewMode::Details ? static_cast<QAbstractItemView *>(m_details) : m_icons;
}

void CNodeListControl::SetTypeNames(std::function<QString(const XmlNode &)> typeName)
{
    m_model->SetTypeNames(std::move(typeName));
}

void CNodeListControl::ResetRows(const QList<XmlNode> &nodes)
{
    m_model->ResetRows(nodes);
}

void CNodeListControl::InsertRows(int row, const QList<XmlNode> &nodes)
{
    m_model->InsertRows(row, nodes);
}

int CNodeListControl::RowCount() const
{
    return m_model->rowCount();
}

XmlNode CNodeListControl::RowNode(int row) const
{
    return m_model->Node(row);
}

QString CNodeListControl::RowText(int row, int column) const
{
    return m_model->Text(row, column);
}

int CNodeListControl::FindRow(const QString &label) const
{
    for (int row = 0; row < RowCount(); ++row) {
        if (RowNode(row).nodeName() == label)
            return row;
    }
    return -1;
}

QList<int> CNodeListControl::SelectedRows() const
{
    // Read range by range: Select All over a hundred thousand rows stays cheap.
    QList<int> rows;
    for (const QItemSelectionRange &range : m_details->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int CNodeListControl::FirstSelectedRow() const
{
    // Asked by every command state update: the selection's ranges, not its rows.
    int first = -1;
    for (const QItemSelectionRange &range : m_details->selectionModel()->selection()) {
        if (range.isValid() && (first < 0 || range.top() < first))
            first = range.top();
    }
    return first;
}

bool CNodeListControl::EditLabel(int row)
{
    const QModelIndex index = m_model->index(row, 0);
    if (!index.isValid() || !(index.flags() & Qt::ItemIsEditable))
        return false;
    QAbstractItemView *view = CurrentView();
    view->setFocus(Qt::OtherFocusReason);
    view->scrollTo(index);
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->edit(index);
    return true;
}

bool CNodeListControl::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn && (watched == m_details || watched == m_icons))
        Q_EMIT focusEntered();
    return QStackedWidget::eventFilter(watched, event);
}
