// A random sequence of document commands on two open documents, each with its element tree and
// node list, as the user gives them: create, rename, set a value, select, delete, cut, copy and
// paste in the tree and in the node list, paste from the system clipboard, drag elements and rows
// from one document to the other (or within one), undo, redo, reload from text and save.
// After every step, for each document: it saves and parses again to the same tree; every item
// of the tree and of the item table has its node in its document, and the tree's children are
// the node's; the current node is in the tree and the node list shows its rows. AddressSanitizer
// finds any handle that dangles.
#include "fuzzsupport.h"
#include "document/workspacedoc.h"
#include "document/xmlnamednodemap.h"
#include "document/xmlnodelist.h"
#include "panes/nodelistcontrol.h"
#include "panes/nodepage.h"
#include "resources/commandids.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"
#include "tree/nodedragdata.h"
#include "framework/viewbase.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace {

struct Input
{
    const uint8_t *data;
    size_t size;
    size_t at = 0;
    bool done() const { return at >= size; }
    uint8_t next() { return at < size ? data[at++] : 0; }
};

const char *const Names[] = {"a", "b", "p:q", "xml", "1bad", "", "xmlns", "r", "long-name.with_parts"};
const char *const Values[] = {"", "text", "a--b", "]]>", "?>", "<x/>", "&amp;", "version=\"1.0\"", "\xC3\xA9"};
// The second document declares entities and uses them in content and in an attribute, so that
// nodes crossing between the documents meet references the other one does not declare.
const char *const SecondDocument =
    "<?xml version=\"1.0\"?>\n<!DOCTYPE other [<!ENTITY e \"x<i>&f;</i>\"><!ENTITY f \"y\"><!ENTITY v \"1&f;\">]>\n"
    "<other><x a=\"&v;\">t&e;</x><!--c--><?p d?><![CDATA[c]]></other>";

// Tells the node list of every document notification, as the node pane does.
class PageView : public CViewBase
{
public:
    explicit PageView(CNodePage *page) : m_page(page) {}
    void OnUpdate(CViewBase *, long, QObject *) override { m_page->OnKickIdle(); }

private:
    CNodePage *m_page;
};

// One open document with its element tree and node list, made anew for every input.
struct Window
{
    CWorkSpaceDoc doc;
    std::unique_ptr<QWidget> host = std::make_unique<QWidget>();
    CElementView *tree = nullptr;
    CNodePage *page = nullptr;
    std::unique_ptr<PageView> pageView;

    Window()
    {
        tree = new CElementView(&doc, host.get());
        page = new CNodePage(host.get());
        page->SetDocument(&doc);
        pageView = std::make_unique<PageView>(page);
        doc.AddView(pageView.get());
        tree->setGeometry(0, 0, 300, 400);
        page->setGeometry(300, 0, 400, 400);
        host->resize(700, 400);
        host->show();
    }
    ~Window()
    {
        doc.RemoveView(pageView.get());
        host.reset(); // the views go before their document
    }
};

QList<QModelIndex> allItems(Window &w)
{
    QAbstractItemModel *model = w.tree->model();
    QList<QModelIndex> items;
    QList<QModelIndex> stack{model->index(0, 0)};
    while (!stack.isEmpty()) {
        const QModelIndex index = stack.takeLast();
        if (!index.isValid())
            continue;
        items.append(index);
        while (model->canFetchMore(index))
            model->fetchMore(index);
        for (int row = model->rowCount(index) - 1; row >= 0; --row)
            stack.append(model->index(row, 0, index));
    }
    return items;
}

QList<XmlNode> allNodes(CWorkSpaceDoc &doc)
{
    QList<XmlNode> nodes;
    QList<XmlNode> stack{doc.GetDOMDocument()->documentNode()};
    while (!stack.isEmpty()) {
        const XmlNode node = stack.takeLast();
        nodes.append(node);
        XmlNamedNodeMap attributes = node.attributes();
        for (XmlNode attribute = attributes.nextNode(); !attribute.isNull(); attribute = attributes.nextNode())
            nodes.append(attribute);
        for (XmlNode c = node.lastChild(); !c.isNull(); c = c.previousSibling())
            stack.append(c);
    }
    return nodes;
}

QModelIndex pickItem(Window &w, Input &in)
{
    const QList<QModelIndex> items = allItems(w);
    return items.isEmpty() ? QModelIndex() : items.at(in.next() % items.size());
}

XmlNode pickNode(Window &w, Input &in)
{
    const QList<XmlNode> nodes = allNodes(w.doc);
    return nodes.at(in.next() % nodes.size());
}

void select(Window &w, const QModelIndex &index)
{
    if (index.isValid())
        w.tree->SelectItem(index);
}

// Selects one row of the node list (after selecting an item); false when the list is empty.
bool selectRow(Window &w, Input &in)
{
    select(w, pickItem(w, in));
    CNodeListControl *list = w.page->ListControl();
    if (list->RowCount() == 0)
        return false;
    QAbstractItemView *view = list->DetailsView();
    const QModelIndex row = view->model()->index(in.next() % list->RowCount(), 0);
    view->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return true;
}

// Whether `node` stands in its document's tree: its ancestors lead to the document node (through
// the entity declaration whose content it is, for a node shown under a reference).
bool inTree(CWorkSpaceDoc &doc, const XmlNode &node)
{
    XmlNode at = node.nodeType() == NodeType::Attribute ? node.ownerElement() : node;
    XmlNode top;
    for (; !at.isNull(); at = at.parentNode())
        top = at;
    return !top.isNull() && top == doc.GetDOMDocument()->documentNode();
}

// What the tree shows under `node`: the document type under the document, and elements,
// those inside entity references included.
void shownChildren(const XmlNode &node, QList<XmlNode> *out)
{
    for (XmlNode c = node.firstChild(); !c.isNull(); c = c.nextSibling()) {
        const int type = c.nodeType();
        if (type == NodeType::Element || (type == NodeType::DocumentType && node.nodeType() == NodeType::Document))
            out->append(c);
        else if (type == NodeType::EntityReference)
            shownChildren(c, out);
    }
}

// What the node list shows for `node`, top row first: the last child first, the first
// attribute last; elements, references and layout whitespace are not listed.
QList<XmlNode> listedRows(const XmlNode &node)
{
    QList<XmlNode> rows;
    XmlNamedNodeMap attributes = node.attributes();
    for (XmlNode attribute = attributes.nextNode(); !attribute.isNull(); attribute = attributes.nextNode())
        rows.prepend(attribute);
    for (XmlNode c = node.firstChild(); !c.isNull(); c = c.nextSibling()) {
        const int type = c.nodeType();
        if (type == NodeType::Element || type == NodeType::EntityReference || type == NodeType::DocumentType
            || (type == NodeType::Text && c.isLayoutWhitespace()))
            continue;
        rows.prepend(c);
    }
    return rows;
}

void checkSavesAndParses(CWorkSpaceDoc &doc)
{
    XmlDocument *dom = doc.GetDOMDocument();
    if (dom->documentElement().isNull())
        return; // a document without a root cannot be saved, and says so
    const QByteArray text = dom->xmlUtf8();
    XmlDocument again;
    const bool parses = again.loadXML(QString::fromUtf8(text));
    if (!parses)
        std::fprintf(stderr, "%s\n%s\n", text.constData(), qPrintable(again.parseError().reason));
    FuzzSupport::require(parses, "the document parses again");
    // The text keeps the file's own bytes where nothing was edited, so the trees are compared as
    // libxml2 writes them.
    XmlDocument third;
    FuzzSupport::require(third.loadXML(QString::fromUtf8(again.xmlUtf8())) && third.xmlUtf8() == again.xmlUtf8(),
                         "the document parses again to the same tree");
}

void check(Window &w)
{
    CWorkSpaceDoc &doc = w.doc;
    checkSavesAndParses(doc);

    const ItemKey end = doc.NewItemKey();
    for (ItemKey key = 1; key < end; ++key) {
        const XmlNode node = doc.GetItemNode(key);
        if (!node.isNull())
            FuzzSupport::require(inTree(doc, node), "every item's node is in its document");
    }

    CElementTreeModel *model = w.tree->TreeModel();
    for (const QModelIndex &index : allItems(w)) {
        const XmlNode node = model->NodeOf(index);
        FuzzSupport::require(inTree(doc, node), "every tree item's node is in its document");
        FuzzSupport::require(doc.GetItemNode(model->KeyOf(index)) == node, "the item table binds each tree item to its node");
        QList<XmlNode> expected;
        shownChildren(node, &expected);
        QList<XmlNode> shown;
        for (int row = 0; row < model->rowCount(index); ++row)
            shown.append(model->NodeOf(model->index(row, 0, index)));
        if (shown != expected) {
            QStringList names;
            for (const XmlNode &n : shown)
                names << n.nodeName();
            names << QStringLiteral("| expected");
            for (const XmlNode &n : expected)
                names << n.nodeName();
            std::fprintf(stderr, "under %s: %s\n", qPrintable(model->PathOf(index)), qPrintable(names.join(QLatin1Char(' '))));
        }
        FuzzSupport::require(shown == expected, "the tree shows each node's elements");
    }

    const QString rowsDifference = w.tree->ShownRowsDifference();
    if (!rowsDifference.isEmpty())
        std::fprintf(stderr, "shown rows: %s\n", qPrintable(rowsDifference));
    FuzzSupport::require(rowsDifference.isEmpty(), "the tree's shown rows are those a full layout gives");

    const XmlNode current = doc.GetCurrentNode();
    FuzzSupport::require(doc.GetCurrentItem() == 0 || inTree(doc, current), "the current node is in its document");
    if (doc.GetCurrentItem() != 0)
        FuzzSupport::require(model->IndexOfKey(doc.GetCurrentItem()).isValid(), "the current item is in the tree");
    w.page->OnKickIdle();
    w.page->FinishFilling();
    const CNodeListControl *list = w.page->ListControl();
    const QList<XmlNode> rows = current.isNull() ? QList<XmlNode>() : listedRows(current);
    FuzzSupport::require(list->RowCount() == rows.size(), "the node list shows the current node's rows");
    for (int row = 0; row < rows.size(); ++row) {
        FuzzSupport::require(list->RowNode(row) == rows.at(row), "the node list shows the current node's rows");
        FuzzSupport::require(list->RowText(row, 0) == rows.at(row).nodeName(), "each row shows its node's name");
    }
}

// The state every input starts from: nothing on the node clipboard or the system clipboard, no
// drag under way.
void resetSharedState()
{
    CWorkSpaceDoc::SetDragging(false);
    CWorkSpaceDoc().ResetNodeClipboard();
    QGuiApplication::clipboard()->clear();
}

QString savePath(int which)
{
    static QTemporaryDir folder;
    return folder.filePath(QStringLiteral("saved%1.xml").arg(which));
}

void drag(Window &from, Window &to, Input &in)
{
    const bool rows = in.next() & 1;
    CNodeDragData *data = nullptr;
    if (rows) {
        if (!selectRow(from, in))
            return;
        data = from.page->CreateRowDragData();
    } else {
        data = from.tree->BeginDrag(pickItem(from, in));
    }
    if (!data)
        return;
    const QModelIndex target = pickItem(to, in);
    CWorkSpaceDoc::SetDragging(true);
    const bool moved = to.tree->DropNodes(*data, target);
    if (!rows)
        from.tree->FinishDrag(moved);
    CWorkSpaceDoc::SetDragging(false);
    delete data;
    if (rows)
        from.page->OnKickIdle();
}

void step(Window (&windows)[2], Input &in)
{
    const uint8_t op = in.next();
    Window &w = windows[op & 1];
    Window &other = windows[1 - (op & 1)];
    CWorkSpaceDoc &doc = w.doc;
    const QString name = QString::fromUtf8(Names[in.next() % std::size(Names)]);
    const QString value = QString::fromUtf8(Values[in.next() % std::size(Values)]);
    static const bool trace = qEnvironmentVariableIsSet("FUZZ_TRACE");
    if (trace)
        std::fprintf(stderr, "step %d on %d: %s %s\n", (op >> 1) % 16, op & 1, qPrintable(name), qPrintable(value));
    switch ((op >> 1) % 16) {
    case 0: {
        static const int types[] = {1, 2, 3, 4, 7, 8};
        const ItemKey parent = w.tree->KeyOf(pickItem(w, in)); // the input is read in one order
        doc.CreateNode(parent, types[in.next() % 6], name, value);
        break;
    }
    case 1: doc.RenameNode(pickNode(w, in), name); break;
    case 2: doc.SetNodeValue(pickNode(w, in), value); break;
    case 3: select(w, pickItem(w, in)); break;
    case 4:
    case 5: {
        static const int commands[] = {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE};
        select(w, pickItem(w, in));
        w.tree->OnCommand(commands[in.next() % 4]);
        break;
    }
    case 6:
    case 7: {
        static const int commands[] = {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_DELETE};
        if (selectRow(w, in))
            w.page->OnCommand(commands[in.next() % 4]);
        break;
    }
    case 8: {
        // The markup of a node of the other document, pasted as text.
        const XmlNode node = pickNode(other, in);
        QGuiApplication::clipboard()->setText(in.next() & 1 ? other.doc.GetDOMDocument()->xml() : node.xml());
        select(w, pickItem(w, in));
        w.tree->OnCommand(ID_EDIT_PASTE_CLIPBOARD);
        break;
    }
    case 9: drag(w, (in.next() & 1) ? other : w, in); break;
    case 10:
    case 11: doc.Undo(); break;
    case 12: doc.Redo(); break;
    case 13: {
        // The source text taken back, whole or cut short.
        QByteArray text = doc.GetDOMDocument()->xmlUtf8();
        if (in.next() & 1)
            text.truncate(text.size() * in.next() / 256);
        doc.CommitSourceText(text);
        break;
    }
    case 14:
        if (!doc.GetDOMDocument()->documentElement().isNull()) {
            const QString path = savePath(op & 1);
            FuzzSupport::require(doc.OnSaveDocument(path), "a document with a root element saves");
            XmlDocument saved;
            FuzzSupport::require(saved.load(path), "the saved file parses");
        }
        break;
    case 15: {
        const bool cut = in.next() & 1;
        doc.PutNodesOnClipboard(cut, {pickNode(w, in)});
        break;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::init();
    resetSharedState();
    Input in{data, size};
    {
        Window windows[2];
        windows[0].doc.OnNewDocument();
        windows[1].doc.CommitSourceText(SecondDocument);
        for (Window &w : windows) {
            w.tree->OnInitialUpdate();
            w.doc.UndoStack()->clear();
        }
        static const bool trace = qEnvironmentVariableIsSet("FUZZ_TRACE");
        for (int steps = 0; !in.done() && steps < 64; ++steps) {
            step(windows, in);
            if (trace)
                std::fprintf(stderr, "  %s\n  %s\n", windows[0].doc.GetDOMDocument()->xmlUtf8().constData(),
                             windows[1].doc.GetDOMDocument()->xmlUtf8().constData());
            check(windows[0]);
            check(windows[1]);
        }
    }
    resetSharedState();
    return 0;
}
