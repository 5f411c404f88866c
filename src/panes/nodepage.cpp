#include "nodepage.h"

#include "editnodedlg.h"
#include "modaldialogrunner.h"
#include "nodeicon.h"
#include "nodelistcontrol.h"
#include "nodelistfiller.h"
#include "nodelistmodel.h"
#include "document/workspacedoc.h"
#include "framework/cmdui.h"
#include "framework/comerror.h"
#include "framework/commandmanager.h"
#include "framework/messagehelper.h"
#include "framework/panefocus.h"
#include "ftp/dialogunits.h"
#include "resources/commandids.h"
#include "tree/nodedragdata.h"

#include <QDrag>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int NodeListMenu = 172;

const char *const NewInstructionTarget = "xml-stylesheet";
const char *const NewInstructionData = "href=\"/style.xsl\" type=\"text/xsl\" title=\"default stylesheet\"";

CNodeListControl::ViewMode viewModeOf(int commandId)
{
    switch (commandId) {
    case ID_VIEW_SMALLICON: return CNodeListControl::ViewMode::SmallIcons;
    case ID_VIEW_LARGEICON: return CNodeListControl::ViewMode::LargeIcons;
    case ID_VIEW_LIST: return CNodeListControl::ViewMode::List;
    default: return CNodeListControl::ViewMode::Details;
    }
}

} // namespace

CNodePage::CNodePage(QWidget *parent)
    : CSheetPage(QStringLiteral("Nodes"), parent),
      m_list(new CNodeListControl(this)),
      m_filler(new CNodeListFiller(m_list, this))
{
    setWindowTitle(QStringLiteral("NodeWindow"));
    // The list covers the page and stretches with it.
    resize(CDialogUnits(this).Size(295, 178));
    m_list->setGeometry(rect());
    m_anchors.Register(m_list, 15);
    // A click on the tab or F6 puts the focus into the list, where the keys and the Edit menu act.
    setFocusProxy(m_list);
    m_list->SetTypeNames([this](const XmlNode &node) {
        return GetDocument() ? GetDocument()->GetNodeTypeName(node) : QString();
    });

    m_list->SetLabelEditedHandler([this](const XmlNode &node, const QString &text) { OnLabelEdited(node, text); });
    connect(m_list, &CNodeListControl::rowDoubleClicked, this, [this] { OnEditRow(); });
    connect(m_list, &CNodeListControl::contextMenuRequested, this, [this](const QPoint &pos) { OnContextMenu(pos); });
    connect(m_list, &CNodeListControl::focusEntered, this, [this] { NotifyPaneFocus(this, NodeListMenu); });
    connect(m_list, &CNodeListControl::rowDragStarted, this, [this] { OnBeginRowDrag(); });
    RegisterCommands();
}

CNodePage::~CNodePage() = default;

// Each handler checks again what its rule checks: a command can also reach the page directly,
// without the route asking for its state first.
void CNodePage::RegisterCommands()
{
    const auto whenSelected = [this](CCmdUI *ui) { ui->Enable(GetDocument() && HasSelection()); };
    const auto whenNothingSelected = [this](CCmdUI *ui) { ui->Enable(GetDocument() && !HasSelection()); };
    const auto unlessDocumentNode = [this](CCmdUI *ui) { ui->Enable(GetDocument() && !IsCurrentNodeDocument()); };

    AddCommand(ID_EDIT_CUT, [this] { OnEditCut(); }, whenSelected);
    AddCommand(ID_EDIT_COPY, [this] { OnEditCopy(); }, whenSelected);
    AddCommand(ID_EDIT_DELETE, [this] { OnEditDelete(); }, whenSelected);
    AddCommand(ID_EDIT_PASTE, [this] { OnEditPaste(); },
               [this](CCmdUI *ui) { ui->Enable(GetDocument() && CWorkSpaceDoc::IsClipboardFilled()); });
    AddCommand(ID_EDIT_RENAME, [this] { OnEditRename(); }, [this](CCmdUI *ui) {
        const int row = m_list->FirstSelectedRow();
        ui->Enable(GetDocument() && row >= 0 && CNodeListModel::HasEditableLabel(m_list->RowNode(row)));
    });

    AddCommand(ID_NEW_ATTRIBUTE, [this] { OnNewAttribute(); }, unlessDocumentNode);
    AddCommand(ID_NEW_CDATA, [this] { OnNewNode(NodeType::CDataSection, QString(), QString()); }, unlessDocumentNode);
    AddCommand(ID_NEW_TEXT, [this] { OnNewNode(NodeType::Text, QString(), QString()); }, unlessDocumentNode);
    AddCommand(ID_NEW_COMMENT, [this] { OnNewNode(NodeType::Comment, QString(), QString()); }, whenNothingSelected);
    AddCommand(ID_NEW_PROCESSING_INSTRUCTION, [this] {
        OnNewNode(NodeType::ProcessingInstruction, QString::fromLatin1(NewInstructionTarget),
                  QString::fromLatin1(NewInstructionData));
    }, whenNothingSelected);

    AddCommandRange(ID_VIEW_SMALLICON, ID_VIEW_DETAILS,
                    [this](int id) { m_list->SetViewMode(viewModeOf(id)); },
                    [this](int id, CCmdUI *ui) {
                        ui->Enable();
                        ui->SetRadio(m_list->GetViewMode() == viewModeOf(id));
                    });
}

void CNodePage::OnKickIdle()
{
    // Behind another tab the list waits: it is read when its tab is shown.
    if (isHidden())
        return;
    Refresh();
}

void CNodePage::resizeEvent(QResizeEvent *event)
{
    CSheetPage::resizeEvent(event);
    m_anchors.Reposition(this);
}

void CNodePage::showEvent(QShowEvent *event)
{
    CSheetPage::showEvent(event);
    // A tab switch reads the rows anyway once it has shown the page; anything else that shows it
    // again (the window restored) leaves that to this.
    if (m_refillOnShow) {
        QTimer::singleShot(0, this, [this] {
            if (m_refillOnShow && isVisible())
                Refresh();
        });
    }
}

void CNodePage::hideEvent(QHideEvent *event)
{
    CSheetPage::hideEvent(event);
    // No walk for rows nobody sees; the page cannot tell what changes while it is hidden.
    if (m_filler->IsFilling()) {
        m_filler->Stop();
        m_refillOnShow = true;
    }
}

void CNodePage::Refresh()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document || CWorkSpaceDoc::IsDragging())
        return;
    m_refillOnShow = false;
    m_filler->Fill(document, document->GetCurrentNode());
}

bool CNodePage::IsFilling() const
{
    return m_filler->IsFilling();
}

void CNodePage::FinishFilling()
{
    m_filler->Finish();
}

bool CNodePage::HasSelection() const
{
    return m_list->FirstSelectedRow() >= 0;
}

bool CNodePage::IsCurrentNodeDocument() const
{
    const XmlNode current = GetDocument() ? GetDocument()->GetCurrentNode() : XmlNode();
    return !current.isNull() && current.nodeType() == NodeType::Document;
}

CNodeDragData *CNodePage::CreateRowDragData() const
{
    CWorkSpaceDoc *document = GetDocument();
    const QList<XmlNode> nodes = SelectedNodes();
    if (!document || nodes.isEmpty())
        return nullptr;
    return new CNodeDragData(document, nodes, true, document->GetCurrentItem());
}

void CNodePage::OnBeginRowDrag()
{
    if (CWorkSpaceDoc::IsDragging())
        return;
    CNodeDragData *data = CreateRowDragData();
    if (!data)
        return;
    // The element tree a drop lands on moves the rows there (a cut here, a paste there) and tells
    // the views; the list keeps its rows while the drag lasts.
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(NodeIcon(data->Nodes().first().nodeType()).pixmap(16, 16));
    CWorkSpaceDoc::SetDragging(true);
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    CWorkSpaceDoc::SetDragging(false);
    Refresh();
}

QList<XmlNode> CNodePage::SelectedNodes() const
{
    // Every selected row counts, also those scrolled out of sight. The rows stand in reverse
    // document order, so walking them bottom-up keeps the nodes' own order on the clipboard.
    const QList<int> rows = m_list->SelectedRows();
    QList<XmlNode> nodes;
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        nodes.append(m_list->RowNode(*it));
    return nodes;
}

void CNodePage::OnEditRow()
{
    CWorkSpaceDoc *document = GetDocument();
    const int row = m_list->FirstSelectedRow();
    if (!document || row < 0)
        return;
    const XmlNode node = m_list->RowNode(row);
    CEditNodeDlg dialog(this);
    dialog.SetName(node.nodeName());
    dialog.SetValue(node.text());
    dialog.SetType(document->GetNodeTypeName(node));
    dialog.SetIcon(NodeIcon(node.nodeType()));
    if (RunModalDialog(dialog) != QDialog::Accepted)
        return;
    // The document changes the value by the node's type, reports a refusal and tells the views.
    if (node.nodeType() == NodeType::ProcessingInstruction)
        document->ReplaceInstruction(node, dialog.Name(), dialog.Value());
    else
        document->SetNodeValue(node, dialog.Value());
}

void CNodePage::OnLabelEdited(const XmlNode &node, const QString &text)
{
    CWorkSpaceDoc *document = GetDocument();
    // An emptied label counts as a cancelled edit, an unchanged one as no edit at all.
    if (!document || node.isNull() || text.isEmpty() || text == node.nodeName())
        return;
    // A refused name has been reported by the rename; the list is read again so that it shows
    // the name the node really has.
    if (!document->RenameNode(node, text))
        Refresh();
}

void CNodePage::OnContextMenu(const QPoint &globalPos)
{
    if (CCommandManager *manager = CCommandManager::Instance())
        manager->ShowPopup(NodeListMenu, globalPos, this);
}

void CNodePage::OnEditCopy()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document || !HasSelection())
        return;
    document->PutNodesOnClipboard(false, SelectedNodes());
}

void CNodePage::OnEditCut()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document || !HasSelection())
        return;
    document->PutNodesOnClipboard(true, SelectedNodes());
}

void CNodePage::OnEditDelete()
{
    if (CWorkSpaceDoc *document = GetDocument(); document && HasSelection())
        document->DeleteNodes(SelectedNodes());
}

void CNodePage::OnEditPaste()
{
    if (CWorkSpaceDoc *document = GetDocument())
        document->PasteNodes();
}

void CNodePage::OnEditRename()
{
    if (!GetDocument())
        return;
    const int row = m_list->FirstSelectedRow();
    if (row < 0) {
        ShowMessage(61446, QString(), MB::IconInformation);
        return;
    }
    if (CNodeListModel::HasEditableLabel(m_list->RowNode(row)))
        m_list->EditLabel(row);
}

void CNodePage::OnNewAttribute()
{
    CWorkSpaceDoc *document = GetDocument();
    if (!document)
        return;
    const XmlNode attribute = document->CreateNode(document->GetCurrentItem(), NodeType::Attribute,
                                                   QStringLiteral("attribute"), QString());
    if (attribute.isNull())
        return;
    // The user names the new attribute at once.
    const QString name = attribute.nodeName();
    int row = m_list->FindRow(name);
    if (row < 0) {
        Refresh(); // a page that was not told of the change still finds its row
        row = m_list->FindRow(name);
    }
    if (row >= 0)
        m_list->EditLabel(row);
}

void CNodePage::OnNewNode(int type, const QString &name, const QString &value)
{
    if (CWorkSpaceDoc *document = GetDocument())
        document->CreateNode(document->GetCurrentItem(), type, name, value);
}
