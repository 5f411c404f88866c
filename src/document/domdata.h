#pragma once

// Internal to the DOM layer: the libxml2 document behind every handle, kept alive by the handles.

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>

#include <memory>
#include <unordered_set>
#include <vector>

class XmlSourceMap;

// Owns one libxml2 document and every node that was ever detached from it or created for it.
// Nodes are never freed before the document itself, so a handle can never dangle.
struct DomData
{
    explicit DomData(xmlDocPtr doc);
    ~DomData();
    DomData(const DomData &) = delete;
    DomData &operator=(const DomData &) = delete;

    // Remember a node that is not (or no longer) in the document's tree.
    void adopt(xmlNodePtr node) { m_detached.push_back(node); }
    void adoptNs(xmlNsPtr ns) { m_detachedNs.push_back(ns); }

    xmlDocPtr doc;
    // Where the nodes stood in the file the document was read from; null when it was not read
    // from a file or its text could not be matched to the tree.
    std::unique_ptr<XmlSourceMap> source;
    // The size of the text the tree was parsed from (0 for one built without a text): a tree of
    // a large text is freed on a thread of its own (XmlTreeReleaser).
    std::size_t textBytes = 0;
    // Set for a document that only keeps copies for later (the node clipboard's): nodes copied
    // into it keep their entity references unsettled until they are copied out again.
    bool holdsCopies = false;

private:
    std::vector<xmlNodePtr> m_detached;
    std::vector<xmlNsPtr> m_detachedNs;
};

// The DOM's view of libxml2's tree, shared by the node, list and map classes.
namespace Dom {
int nodeType(xmlNodePtr node);
// The first child and the next sibling as the DOM shows them: a document type lists its entity
// declarations only, an entity reference the content of its entity.
xmlNodePtr firstChild(xmlNodePtr parent);
xmlNodePtr lastChild(xmlNodePtr parent);
xmlNodePtr nextSibling(xmlNodePtr parent, xmlNodePtr child);
xmlNodePtr previousSibling(xmlNodePtr parent, xmlNodePtr child);
QString qualifiedName(xmlNodePtr node);
QString fromXml(const xmlChar *text);
QByteArray toXml(const QString &text);
inline const xmlChar *X(const QByteArray &bytes)
{
    return reinterpret_cast<const xmlChar *>(bytes.constData());
}
// Raises the DOM layer's error; the code defaults to "invalid argument".
[[noreturn]] void fail(const QString &text, unsigned code = 0x80070057u);
}
