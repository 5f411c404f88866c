// A random sequence of document commands on two documents (create, rename, delete, cut, copy,
// paste, move from one to the other, reload from text, save), checked after every step: each
// document saves and parses again to the same text, and every item's node belongs to its
// document. AddressSanitizer finds any handle that dangles.
#include "fuzzsupport.h"
#include "document/workspacedoc.h"
#include "document/xmlnodelist.h"

#include <QList>

#include <cstdio>

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

QList<XmlNode> allNodes(CWorkSpaceDoc &doc)
{
    QList<XmlNode> nodes;
    QList<XmlNode> stack{doc.GetDOMDocument()->documentNode()};
    while (!stack.isEmpty()) {
        const XmlNode node = stack.takeLast();
        nodes.append(node);
        for (XmlNode c = node.lastChild(); !c.isNull(); c = c.previousSibling())
            stack.append(c);
    }
    return nodes;
}

XmlNode pick(CWorkSpaceDoc &doc, Input &in)
{
    const QList<XmlNode> nodes = allNodes(doc);
    return nodes.at(in.next() % nodes.size());
}

ItemKey keyOf(CWorkSpaceDoc &doc, const XmlNode &node)
{
    ItemKey key = doc.GetItemKey(node);
    if (key == 0) {
        key = doc.NewItemKey();
        doc.SetItemNode(key, node);
    }
    return key;
}

void check(CWorkSpaceDoc &doc)
{
    XmlDocument *dom = doc.GetDOMDocument();
    const XmlNode document = dom->documentNode();
    const ItemKey end = doc.NewItemKey();
    for (ItemKey key = 1; key < end; ++key) {
        const XmlNode node = doc.GetItemNode(key);
        if (!node.isNull())
            FuzzSupport::require(node.ownerDocument() == document, "every item's node belongs to its document");
    }
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzSupport::init();
    Input in{data, size};
    CWorkSpaceDoc docs[2];
    docs[0].OnNewDocument();
    docs[1].CommitSourceText("<?xml version=\"1.0\"?><other><x a=\"1\">t</x><!--c--><?p d?></other>");
    for (int steps = 0; !in.done() && steps < 64; ++steps) {
        const uint8_t op = in.next();
        CWorkSpaceDoc &doc = docs[op & 1];
        CWorkSpaceDoc &other = docs[1 - (op & 1)];
        const QString name = QString::fromUtf8(Names[in.next() % std::size(Names)]);
        const QString value = QString::fromUtf8(Values[in.next() % std::size(Values)]);
        switch ((op >> 1) % 10) {
        case 0: {
            static const int types[] = {1, 2, 3, 4, 7, 8};
            doc.CreateNode(keyOf(doc, pick(doc, in)), types[in.next() % 6], name, value);
            break;
        }
        case 1: doc.RenameNode(pick(doc, in), name); break;
        case 2: doc.DeleteNode(keyOf(doc, pick(doc, in))); break;
        case 3: doc.PutNodeOnClipboard(true, pick(doc, in)); break;
        case 4: doc.PutNodeOnClipboard(false, pick(doc, in)); break;
        case 5:
            doc.SetCurrentItem(keyOf(doc, pick(doc, in)));
            doc.PasteNodes();
            break;
        case 6: // a move: cut here, paste there
            other.SetCurrentItem(keyOf(other, pick(other, in)));
            if (doc.PutNodeOnClipboard(true, pick(doc, in)))
                other.PasteNodes();
            break;
        case 7: doc.CommitSourceText(doc.GetDOMDocument()->xmlUtf8()); break;
        case 8:
            if (!doc.GetDOMDocument()->documentElement().isNull())
                (void)doc.GetDOMDocument()->serializedBytes();
            break;
        case 9: doc.SetNodeValue(pick(doc, in), value); break;
        }
        check(docs[0]);
        check(docs[1]);
    }
    docs[0].ResetNodeClipboard();
    return 0;
}
