#include "elementview.h"

#include "dragpicture.h"
#include "treebranchstyle.h"
#include "elementtreemodel.h"
#include "nodedragdata.h"
#include "nodemove.h"
#include "framework/cmdui.h"
#include "framework/commandmanager.h"
#include "framework/messagehelper.h"
#include "framework/panefocus.h"
#include "resources/commandids.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QPainter>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include <utility>

namespace {

constexpr int TreeEditMenu = 175;

} // namespace

CElementView::CElementView(CWorkSpaceDoc *document, QWidget *parent)
    : QTreeView(parent), m_document(document), m_model(new CElementTreeModel(document, this))
{
    setWindowTitle(QStringLiteral("Element View"));
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setAutoExpandDelay(700);
    setIconSize(QSize(16, 16));
    setModel(m_model);
    if (m_document) {
        m_document->AddView(this);
        connect(m_document, &CWorkSpaceDoc::documentReplaced, this, &CElementView::ReselectAfterReplace);
        connect(m_document, &CWorkSpaceDoc::selectionRequested, this, &CElementView::SelectNode);
    }
    // Items leave the tree whenever the document removes their nodes; when the caret goes with
    // them, the item the tree selects in their place becomes current.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &CElementView::OnRowsLeaving);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &CElementView::OnRowsLeft);
    // A removal or insertion under a deep branch: the list of shown rows is patched where it can
    // be; otherwise the branch is closed and opened again around the change.
    connect(m_model, &CElementTreeModel::rowsLeavingInLayout, this, [this](const QModelIndex &parent, int first, int last) {
        MoveCaretOffRows(parent, first, last);
        OnRowsLeaving(parent, first, last);
        m_removalPatched = m_shownRows.PrepareRemoval(parent, first, last);
        m_reopenAfterRemoval = !m_removalPatched && parent.isValid() && isExpanded(parent);
        if (m_reopenAfterRemoval)
            collapse(parent);
    });
    connect(m_model, &CElementTreeModel::deepBranchChanging, this, [this](const QModelIndex &parent) {
        m_reopenAfterRemoval = !m_shownRows.Patchable() && parent.isValid() && isExpanded(parent);
        if (m_reopenAfterRemoval)
            collapse(parent);
    });
    connect(m_model, &CElementTreeModel::deepBranchChanged, this, [this](const QModelIndex &parent) {
        if (m_reopenAfterRemoval)
            expand(parent);
        m_reopenAfterRemoval = false;
    });
    connect(m_model, &CElementTreeModel::rowsLeftInLayout, this, [this](const QModelIndex &parent) {
        if (std::exchange(m_removalPatched, false))
            m_shownRows.FinishRemoval(parent);
        if (m_reopenAfterRemoval)
            expand(parent);
        m_reopenAfterRemoval = false;
        setState(NoState);
        // The selection is the caret's; a caret inside the rows that left leaves none.
        const QModelIndex caret = currentIndex();
        if (caret.isValid())
            selectionModel()->select(caret, QItemSelectionModel::ClearAndSelect);
        else
            selectionModel()->clearSelection();
        OnRowsLeft();
    });
    // One object for every tree: made with the first.
    static QPointer<CTreeBranchStyle> branchStyle;
    if (!branchStyle)
        branchStyle = new CTreeBranchStyle(qApp);
    setStyle(branchStyle);
    RegisterCommands();
}

void CElementView::rowsInserted(const QModelIndex &parent, int start, int end)
{
    if (m_shownRows.Insert(parent, start, end))
        QAbstractItemView::rowsInserted(parent, start, end);
    else
        QTreeView::rowsInserted(parent, start, end);
}

void CElementView::rowsAboutToBeRemoved(const QModelIndex &parent, int start, int end)
{
    // The item view first moves the caret and editors off the rows; the list is read after that.
    QAbstractItemView::rowsAboutToBeRemoved(parent, start, end);
    m_removalPatched = m_shownRows.PrepareRemoval(parent, start, end);
    if (!m_removalPatched)
        m_shownRows.Forget();
}

void CElementView::rowsRemoved(const QModelIndex &parent, int first, int last)
{
    if (!std::exchange(m_removalPatched, false)) {
        QTreeView::rowsRemoved(parent, first, last);
        return;
    }
    m_shownRows.FinishRemoval(parent);
}

void CElementView::OnRowsLeaving(const QModelIndex &parent, int first, int last)
{
    for (QModelIndex above = currentIndex(); above.isValid() && !m_caretRemoved; above = above.parent())
        m_caretRemoved = above.parent() == parent && above.row() >= first && above.row() <= last;
    if (m_caretRemoved)
        m_quietSelection = true;
}

void CElementView::OnRowsLeft()
{
    if (!m_caretRemoved)
        return;
    m_caretRemoved = false;
    m_quietSelection = false;
    const QModelIndex caret = currentIndex();
    if (caret.isValid())
        selectionModel()->select(caret, QItemSelectionModel::ClearAndSelect);
    OnCurrentItemChanged(caret);
}

void CElementView::MoveCaretOffRows(const QModelIndex &parent, int first, int last)
{
    // What the item view does itself before rows are removed: the caret on one of them moves to
    // the next row, else the one before, else the parent.
    const QModelIndex caret = currentIndex();
    if (!caret.isValid() || caret.parent() != parent || caret.row() < first || caret.row() > last)
        return;
    const int rows = m_model->rowCount(parent);
    if (rows <= last - first + 1) {
        if (parent.isValid())
            setCurrentIndex(parent);
    } else {
        setCurrentIndex(m_model->index(last + 1 < rows ? last + 1 : first - 1, 0, parent));
    }
}

void CElementView::drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const
{
    // The item view visits every level of a row, also the levels out of sight, which for rows
    // nested thousands of levels deep is most of the time an edit takes. A row whose lines reach
    // far beyond the painted area is drawn here, only the levels in sight, with the states the
    // item view gives them.
    const int indent = indentation();
    const QRect painted = painter->window();
    constexpr int HiddenLevelsDrawnByView = 64;
    if (indent <= 0 || isRightToLeft() || rect.width() <= painted.width() + indent * HiddenLevelsDrawnByView) {
        QTreeView::drawBranches(painter, rect, index);
        return;
    }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    QStyle::State extra = QStyle::State_None;
    if (isEnabled())
        extra |= QStyle::State_Enabled;
    if (hasFocus())
        extra |= QStyle::State_Active;
    if (selectionModel()->isSelected(index))
        extra |= QStyle::State_Selected;
    const QPoint oldOrigin = painter->brushOrigin();
    if (verticalScrollMode() == QAbstractItemView::ScrollPerPixel)
        painter->setBrushOrigin(QPoint(0, verticalOffset()));
    QRect primitive(rect.right() + 1 - indent, rect.top(), indent, rect.height());
    bool hovered = false;
    if (viewport()->underMouse()) {
        const QPoint pointer = viewport()->mapFromGlobal(QCursor::pos());
        if (indexAt(pointer) == index)
            hovered = (selectionBehavior() == SelectRows && option.showDecorationSelected) || primitive.contains(pointer);
    }
    if (hovered)
        extra |= QStyle::State_MouseOver;
    const int levels = rect.width() / indent;
    // The levels whose lines lie beyond the right edge are skipped in one step.
    const int skipped = qBound(0, (primitive.left() - painted.right()) / indent, levels);
    primitive.translate(-indent * skipped, 0);
    QModelIndex current = m_model->AncestorOf(index, skipped);
    for (int level = skipped; level < levels && current.isValid() && primitive.right() >= painted.left(); ++level) {
        const QModelIndex parent = current.parent();
        const bool moreSiblings = m_model->rowCount(parent) - 1 > current.row();
        if (primitive.left() <= painted.right()) {
            option.rect = primitive;
            option.state = extra | (moreSiblings ? QStyle::State_Sibling : QStyle::State_None);
            if (level == 0) {
                option.state |= QStyle::State_Item;
                if (m_model->hasChildren(index))
                    option.state |= QStyle::State_Children;
                if (isExpanded(index))
                    option.state |= QStyle::State_Open;
            }
            style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, painter, this);
        }
        primitive.translate(-indent, 0);
        current = parent;
    }
    painter->setBrushOrigin(oldOrigin);
}

CElementView::~CElementView()
{
    if (m_document)
        m_document->RemoveView(this);
}

void CElementView::RegisterCommands()
{
    const auto whenNonDocumentNode = [this](CCmdUI *ui) { ui->Enable(IsNonDocumentNodeCurrent()); };
    // Elements shown from an entity's content belong to its definition: they are copied, never
    // cut, deleted or renamed.
    const auto whenEditableNode = [this](CCmdUI *ui) {
        ui->Enable(IsNonDocumentNodeCurrent() && !m_model->IsReadOnly(IndexOfKey(m_document->GetCurrentItem())));
    };
    AddCommand(ID_EDIT_CUT, [this] { OnCut(); }, whenEditableNode);
    AddCommand(ID_EDIT_COPY, [this] { OnCopy(); }, whenNonDocumentNode);
    AddCommand(ID_EDIT_DELETE, [this] { OnDelete(); }, whenEditableNode);
    AddCommand(ID_EDIT_RENAME, [this] { OnRename(); }, whenEditableNode);
    AddCommand(ID_EDIT_PASTE, [this] { OnPaste(); }, [](CCmdUI *ui) { ui->Enable(CWorkSpaceDoc::IsClipboardFilled()); });
    AddCommand(ID_EDIT_PASTE_CLIPBOARD, [this] { OnPasteFromClipboard(); });
    AddCommand(ID_EDIT_NEW_CHILD, [this] { OnNewChild(); }, [this](CCmdUI *ui) {
        const XmlNode node = m_document->GetCurrentNode();
        const bool noRoot = m_document->GetDOMDocument()->documentElement().isNull();
        ui->Enable(!node.isNull() && (node.nodeType() != NodeType::Document || noRoot));
    });
    AddCommand(ID_EDIT_NEW_SIBLING, [this] { OnNewSibling(); }, [this](CCmdUI *ui) {
        const XmlNode node = m_document->GetCurrentNode();
        const XmlNode parent = node.isNull() ? XmlNode() : node.parentNode();
        ui->Enable(!node.isNull() && node.nodeType() != NodeType::Document && !parent.isNull()
                   && parent.nodeType() != NodeType::Document);
    });
}

bool CElementView::IsNonDocumentNodeCurrent() const
{
    const XmlNode node = m_document->GetCurrentNode();
    return !node.isNull() && node.nodeType() != NodeType::Document;
}

ItemKey CElementView::KeyOf(const QModelIndex &index) const
{
    return m_model->KeyOf(index);
}

QModelIndex CElementView::IndexOfKey(ItemKey key) const
{
    return m_model->IndexOfKey(key);
}

void CElementView::OnInitialUpdate()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_model->Rebuild();
    m_document->SetCurrentItem(0);
    // A new document starts modified; showing it is no edit.
    m_document->SetModifiedFlag(false);
    QApplication::restoreOverrideCursor();
}

void CElementView::OnUpdate(CViewBase *, long, QObject *)
{
    // The items follow the document's changes as they happen; what is left is the status text,
    // which a rename or a move changes as much as a new selection.
    if (!CWorkSpaceDoc::IsDragging())
        Q_EMIT statusTextChanged(StatusPath());
}

QString CElementView::StatusPath() const
{
    const QModelIndex current = IndexOfKey(m_document->GetCurrentItem());
    return current.isValid() ? m_model->PathOf(current) : m_document->GetNodePath();
}

void CElementView::ReselectAfterReplace(const QString &path)
{
    // The model has made the "Document" item again; the node at the path the current node had
    // becomes current, without telling the views: the edit that replaced the tree tells them.
    m_document->SetCurrentItem(0);
    // The tree is filled lazily: make the items on the way to the node first, so that the
    // document finds a shown item with that path.
    m_model->IndexForNode(m_document->FindNodeByPath(path));
    const ItemKey key = m_document->SelectItemByPath(path);
    const QModelIndex index = IndexOfKey(key);
    if (!index.isValid())
        return;
    expand(index);
    SelectItem(index);
}

void CElementView::SelectNode(const XmlNode &node)
{
    // The tree shows elements, the declaration and the document: an attribute or a text selects
    // the element it belongs to, whose branch is filled on the way.
    XmlNode shown = node;
    while (!shown.isNull()) {
        const int type = shown.nodeType();
        if (type == NodeType::Element || type == NodeType::DocumentType || type == NodeType::Document)
            break;
        shown = type == NodeType::Attribute ? shown.ownerElement() : shown.parentNode();
    }
    const QModelIndex index = m_model->IndexForNode(shown);
    if (index.isValid())
        SelectItem(index);
}

void CElementView::SelectItem(const QModelIndex &index)
{
    m_shownRows.LookNear(index);
    if (index.isValid())
        scrollTo(index);
    if (index == currentIndex()) {
        if (index.isValid())
            selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
        OnCurrentItemChanged(index);
        return;
    }
    if (index.isValid())
        setCurrentIndex(index);
    else
        selectionModel()->clear();
}

void CElementView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTreeView::currentChanged(current, previous);
    // The caret is always shown selected, also when the view made an item current by itself
    // (as it does when it first gets the focus).
    if (current.isValid() && !selectionModel()->isSelected(current))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    if (!m_quietSelection)
        OnCurrentItemChanged(current);
}

void CElementView::OnCurrentItemChanged(const QModelIndex &current)
{
    m_document->SetCurrentItem(KeyOf(current));
    // Hovering during a drag selects items; those selections tell nobody. A caret moved by an
    // edit is told by the end of that edit.
    if (CWorkSpaceDoc::IsDragging() || m_document->IsEditing())
        return;
    m_document->UpdateAllViews(nullptr, 0, nullptr);
}

void CElementView::mousePressEvent(QMouseEvent *event)
{
    // A click on empty space leaves nothing selected and nothing current, so that no command
    // acts on an element the tree no longer shows as selected.
    if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid()) {
        setFocus(Qt::MouseFocusReason);
        SelectItem(QModelIndex());
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void CElementView::focusInEvent(QFocusEvent *event)
{
    QTreeView::focusInEvent(event);
    NotifyPaneFocus(this, TreeEditMenu);
}

void CElementView::keyPressEvent(QKeyEvent *event)
{
    // The item view would put the label on the system clipboard, which this program never
    // writes; copying is the Copy command's business.
    if (event->matches(QKeySequence::Copy)) {
        event->ignore();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void CElementView::contextMenuEvent(QContextMenuEvent *event)
{
    setFocus(Qt::PopupFocusReason);
    if (event->reason() == QContextMenuEvent::Mouse) {
        // The item under the pointer becomes current; empty space leaves nothing current, so
        // that the commands that need a node are disabled.
        SelectItem(indexAt(event->pos()));
    }
    if (CCommandManager *commands = CCommandManager::Instance())
        commands->ShowPopup(TreeEditMenu, event->globalPos(), this);
    event->accept();
}

// ---- commands ----

void CElementView::OnNewChild()
{
    NewElement(m_document->GetCurrentItem(), QStringLiteral("NewChild"));
}

void CElementView::OnNewSibling()
{
    // Chosen from the context menu on the root element, this asks for a second element under the
    // document, which the document refuses with its report.
    const QModelIndex current = IndexOfKey(m_document->GetCurrentItem());
    if (!IsNonDocumentNodeCurrent() || !current.parent().isValid())
        return;
    NewElement(KeyOf(current.parent()), QStringLiteral("NewSibling"));
}

void CElementView::NewElement(ItemKey parentKey, const QString &name)
{
    // The element is made first and its item after, so that a refused element (a second root)
    // leaves no item bound to nothing. The document reports the refusal itself.
    const XmlNode element = m_document->CreateNode(parentKey, NodeType::Element, name, QString());
    if (element.isNull())
        return;
    const QModelIndex index = m_model->IndexForNode(element);
    if (!index.isValid())
        return;
    SelectItem(index);
    setFocus(Qt::OtherFocusReason);
    edit(index);
}

void CElementView::OnCut()
{
    m_document->PutNodeOnClipboard(true, m_document->GetCurrentNode());
}

void CElementView::OnCopy()
{
    m_document->PutNodeOnClipboard(false, m_document->GetCurrentNode());
}

void CElementView::OnPaste()
{
    m_document->PasteNodes();
}

void CElementView::OnPasteFromClipboard()
{
    if (!m_document->PasteFromSystemClipboard())
        return;
    const QModelIndex current = IndexOfKey(m_document->GetCurrentItem());
    if (current.isValid())
        expand(current);
}

void CElementView::OnDelete()
{
    m_document->DeleteNode(m_document->GetCurrentItem());
}

void CElementView::OnRename()
{
    const QModelIndex current = IndexOfKey(m_document->GetCurrentItem());
    if (!(m_model->flags(current) & Qt::ItemIsEditable))
        return; // the "Document" and "<!DOCTYPE>" labels stay
    setFocus(Qt::OtherFocusReason);
    edit(current);
}

// ---- drag-and-drop ----

CNodeDragData *CElementView::BeginDrag(const QModelIndex &index)
{
    if (!index.isValid() || !(m_model->flags(index) & Qt::ItemIsDragEnabled))
        return nullptr;
    m_draggedItem = KeyOf(index);
    CWorkSpaceDoc::SetDragging(true);
    return new CNodeDragData(m_document, {m_model->NodeOf(index)}, false, m_draggedItem);
}

void CElementView::FinishDrag(bool moved)
{
    CWorkSpaceDoc::SetDragging(false);
    if (moved)
        return; // the move's cut took the item out of the tree
    m_document->ResetNodeClipboard();
    m_document->SetCurrentItem(m_draggedItem);
    const QModelIndex dragged = IndexOfKey(m_draggedItem);
    if (dragged.isValid())
        SelectItem(dragged);
    setFocus(Qt::OtherFocusReason);
}

void CElementView::startDrag(Qt::DropActions)
{
    const QModelIndex index = currentIndex();
    CNodeDragData *data = BeginDrag(index);
    if (!data)
        return;
    QPointer<CElementView> self(this);
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(DragPicture(index, font(), palette().color(QPalette::Text), devicePixelRatioF()));
    drag->setHotSpot(QPoint(15, 15));
    drag->setDragCursor(ForbiddenPicture(), Qt::LinkAction);
    // A link is what a target answers for a drop it refuses with a message: the pointer shows
    // "no" there, but the release still reaches the target.
    const Qt::DropAction result = drag->exec(Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    if (self)
        FinishDrag(result == Qt::MoveAction);
    else
        CWorkSpaceDoc::SetDragging(false);
}

CElementView::DropVerdict CElementView::EvaluateDrop(const CNodeDragData &data, const QModelIndex &target) const
{
    if (!data.SourceDocument() || data.Nodes().isEmpty())
        return DropVerdict::Refused;
    // Whatever is dropped goes under an element that can take it; the "Document" and
    // "<!DOCTYPE>" items take nothing, so nothing is cut for them.
    const XmlNode node = m_model->NodeOf(target);
    if (node.isNull() || !(m_model->flags(target) & Qt::ItemIsDropEnabled))
        return DropVerdict::Refused;
    if (data.AreNodeListRows() || data.SourceDocument() != m_document)
        return DropVerdict::Accepted;
    const XmlNode dragged = data.Nodes().first();
    if (node == dragged || node == dragged.parentNode())
        return DropVerdict::Refused;
    for (XmlNode above = node.parentNode(); !above.isNull(); above = above.parentNode()) {
        if (above == dragged)
            return DropVerdict::IntoOwnSubtree;
    }
    return DropVerdict::Accepted;
}

bool CElementView::DropNodes(const CNodeDragData &data, const QModelIndex &target)
{
    CWorkSpaceDoc::SetDragging(false);
    CWorkSpaceDoc *source = data.SourceDocument();
    if (!source)
        return false;
    setFocus(Qt::OtherFocusReason);
    // The item dropped on is selected as after a click: the views are told now.
    if (target.isValid())
        SelectItem(target);
    switch (EvaluateDrop(data, target)) {
    case DropVerdict::Refused:
        return false;
    case DropVerdict::IntoOwnSubtree:
        ShowMessage(61448, QString(), MB::IconInformation);
        return false;
    case DropVerdict::Accepted:
        break;
    }
    const ItemKey targetKey = KeyOf(target);
    if (data.AreNodeListRows())
        source->SetCurrentItem(data.SourceItem()); // the rows' element, whose node list is cut
    const bool moved = CNodeMove::Run(source, data.Nodes(), m_document, targetKey);
    // Make sure the target is current again whether or not the paste came to run.
    m_document->SetCurrentItem(targetKey);
    return moved;
}

void CElementView::dragEnterEvent(QDragEnterEvent *event)
{
    if (qobject_cast<const CNodeDragData *>(event->mimeData())) {
        m_keyBeforeDragOver = KeyOf(currentIndex());
        setState(DraggingState);
        event->accept();
    } else {
        event->ignore();
    }
}

void CElementView::dragMoveEvent(QDragMoveEvent *event)
{
    // The base class scrolls near the edges and opens a branch the pointer rests on.
    QTreeView::dragMoveEvent(event);
    const auto *data = qobject_cast<const CNodeDragData *>(event->mimeData());
    const QModelIndex hit = indexAt(event->position().toPoint());
    if (!data || !hit.isValid()) {
        event->ignore();
        return;
    }
    // Hovering selects the item; during a drag that makes it current without telling anyone.
    if (hit != currentIndex())
        setCurrentIndex(hit);
    switch (EvaluateDrop(*data, hit)) {
    case DropVerdict::Accepted:
        event->setDropAction(Qt::MoveAction);
        event->accept();
        break;
    case DropVerdict::IntoOwnSubtree:
        if (event->possibleActions() & Qt::LinkAction) {
            event->setDropAction(Qt::LinkAction);
            event->accept();
        } else {
            event->ignore();
        }
        break;
    case DropVerdict::Refused:
        event->ignore();
        break;
    }
}

void CElementView::dragLeaveEvent(QDragLeaveEvent *event)
{
    QTreeView::dragLeaveEvent(event);
    // Hovering selected items here without telling the views; a drag that goes elsewhere puts
    // the caret back, so that the tree and the panes that were not told agree again.
    const QModelIndex before = IndexOfKey(m_keyBeforeDragOver);
    m_quietSelection = true;
    if (before.isValid())
        setCurrentIndex(before);
    else
        selectionModel()->clear();
    m_quietSelection = false;
    m_document->SetCurrentItem(m_keyBeforeDragOver);
}

void CElementView::dropEvent(QDropEvent *event)
{
    stopAutoScroll();
    setState(NoState);
    const auto *data = qobject_cast<const CNodeDragData *>(event->mimeData());
    if (!data) {
        event->ignore();
        return;
    }
    if (DropNodes(*data, indexAt(event->position().toPoint()))) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    }
}
