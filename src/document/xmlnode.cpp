#include "xmlnode.h"

#include "domdata.h"
#include "xmlchecks.h"
#include "xmlimport.h"
#include "xmlnamednodemap.h"
#include "xmlnodelist.h"
#include "xmlsourcemap.h"
#include "framework/comerror.h"

#include <QHash>

#include <vector>

#include <libxml/entities.h>
#include <libxml/hash.h>
#include <libxml/uri.h>
#include <libxml/xmlsave.h>

namespace {

using Dom::fail;
using Dom::X;

bool isReadOnlyPlace(xmlNodePtr node)
{
    // Content of entity declarations (and so of entity references) and of the document type is
    // shown, never edited: it is not where the document's own content lives.
    for (xmlNodePtr p = node; p; p = p->parent) {
        if (p->type == XML_ENTITY_DECL || p->type == XML_DTD_NODE || p->type == XML_ENTITY_REF_NODE)
            return true;
    }
    return false;
}

void requireWritable(xmlNodePtr node)
{
    if (isReadOnlyPlace(node))
        fail(QStringLiteral("The node is read-only."), ComCode::AccessDenied);
}

// A namespace name the parser takes in a declaration of `prefix` (empty for the default
// namespace): a URI reference, never one of the two reserved names, and empty only to undeclare
// the default namespace.
void requireDeclarable(const QByteArray &prefix, const QByteArray &uri)
{
    bool ok = !uri.isEmpty() || prefix.isEmpty();
    if (uri == "http://www.w3.org/XML/1998/namespace" || uri == "http://www.w3.org/2000/xmlns/")
        ok = false;
    if (ok && !uri.isEmpty()) {
        xmlURIPtr parsed = xmlParseURI(uri.constData());
        ok = parsed != nullptr;
        xmlFreeURI(parsed);
    }
    if (!ok)
        fail(QStringLiteral("\"%1\" is not a namespace name that can be declared.").arg(Dom::fromXml(Dom::X(uri))));
}

// An attribute made under a declaration's name is written as a declaration, and read back as one.
void requireDeclarableValue(xmlNodePtr attr, const QString &value)
{
    if (attr->type != XML_ATTRIBUTE_NODE || attr->ns)
        return;
    const QByteArray name(reinterpret_cast<const char *>(attr->name));
    if (name != "xmlns" && !name.startsWith("xmlns:"))
        return;
    const QByteArray prefix = name.mid(6);
    if (prefix == "xml" || prefix == "xmlns")
        fail(QStringLiteral("\"%1\" cannot be declared.").arg(Dom::fromXml(attr->name)));
    requireDeclarable(prefix, Dom::toXml(value));
}

// Binds a name written with a prefix ("p:q") but made without a namespace to the namespace that
// prefix has where the node stands: the declarations of `node` itself, then those in scope at
// `scope`. A prefix declared nowhere there makes a name the parser refuses, so it is refused here.
void bindPrefix(xmlNodePtr node, xmlNodePtr scope)
{
    if (node->ns)
        return;
    const QByteArray qname(reinterpret_cast<const char *>(node->name));
    const int colon = qname.indexOf(':');
    if (colon <= 0)
        return;
    const QByteArray prefix = qname.left(colon);
    if (prefix == "xmlns")
        return; // a declaration written as an attribute, checked as one
    xmlNsPtr ns = nullptr;
    if (node->type == XML_ELEMENT_NODE) {
        for (xmlNsPtr d = node->nsDef; d && !ns; d = d->next)
            if (d->prefix && prefix == reinterpret_cast<const char *>(d->prefix))
                ns = d;
    }
    if (!ns && scope && scope->type == XML_ELEMENT_NODE)
        ns = xmlSearchNs(scope->doc, scope, X(prefix));
    if (!ns && prefix == "xml")
        ns = xmlSearchNs(node->doc, node, X(prefix));
    if (!ns)
        fail(QStringLiteral("The prefix \"%1\" of \"%2\" is not declared here.").arg(Dom::fromXml(X(prefix)), Dom::fromXml(node->name)));
    xmlNodeSetName(node, X(qname.mid(colon + 1)));
    node->ns = ns;
}

// Whether the document's content refers to an entity that `subset` declares: without that
// declaration the document would no longer parse.
bool usesEntitiesOf(xmlDocPtr doc, xmlDtdPtr subset)
{
    std::vector<xmlNodePtr> stack;
    for (xmlNodePtr c = doc->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE)
            stack.push_back(c);
    while (!stack.empty()) {
        const xmlNodePtr n = stack.back();
        stack.pop_back();
        if (n->type == XML_ENTITY_REF_NODE) {
            if (xmlGetDtdEntity(doc, n->name) == nullptr && subset->entities
                && xmlHashLookup(static_cast<xmlHashTablePtr>(subset->entities), n->name))
                return true;
            continue;
        }
        if (n->type == XML_ELEMENT_NODE)
            for (xmlAttrPtr a = n->properties; a; a = a->next)
                for (xmlNodePtr c = a->children; c; c = c->next)
                    stack.push_back(c);
        for (xmlNodePtr c = n->children; c; c = c->next)
            stack.push_back(c);
    }
    return false;
}

bool isDeclaration(xmlNodePtr node)
{
    return node && node->type == XML_PI_NODE && xmlStrEqual(node->name, BAD_CAST "xml");
}

void freeAttrChildren(xmlAttrPtr attr)
{
    // Attribute children are never handed out as handles, so they can be freed here.
    if (attr->children)
        xmlFreeNodeList(attr->children);
    attr->children = attr->last = nullptr;
}

void setAttrValue(xmlAttrPtr attr, const QString &value)
{
    freeAttrChildren(attr);
    const QByteArray bytes = Dom::toXml(value);
    xmlNodePtr text = xmlNewDocText(attr->doc, X(bytes));
    if (!text)
        fail(QString(), ComCode::OutOfMemory);
    text->parent = reinterpret_cast<xmlNodePtr>(attr);
    attr->children = attr->last = text;
}

void checkValueFor(xmlNodePtr node, const QString &value)
{
    switch (node->type) {
    case XML_COMMENT_NODE:
        if (!XmlChecks::isCommentText(value))
            fail(QStringLiteral("A comment cannot contain \"--\" or end with \"-\"."));
        break;
    case XML_PI_NODE:
        if (!XmlChecks::isPiData(value))
            fail(QStringLiteral("A processing instruction cannot contain \"?>\"."));
        if (isDeclaration(node) && !XmlChecks::isDeclarationData(value))
            fail(QStringLiteral("The XML declaration is not well-formed."));
        break;
    case XML_CDATA_SECTION_NODE:
        if (!XmlChecks::isCdataText(value))
            fail(QStringLiteral("A CDATA section cannot contain \"]]>\"."));
        break;
    default:
        if (!XmlChecks::hasOnlyXmlChars(value))
            fail(QStringLiteral("The text contains a character that XML does not allow."));
        break;
    }
}

bool isAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node)
{
    for (xmlNodePtr p = node; p; p = p->parent)
        if (p == candidate)
            return true;
    return false;
}

int elementChildren(xmlNodePtr doc, xmlNodePtr except)
{
    int n = 0;
    for (xmlNodePtr c = doc->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && c != except)
            ++n;
    return n;
}

// The record of where the document's nodes stood in its file, told of each change; null for a
// document that was not read from a file.
XmlSourceMap *sourceMap(const std::shared_ptr<DomData> &owner)
{
    return owner ? owner->source.get() : nullptr;
}

int namespaceCount(xmlNodePtr element)
{
    int n = 0;
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next)
        ++n;
    return n;
}

void linkBefore(xmlNodePtr parent, xmlNodePtr child, xmlNodePtr ref)
{
    // Linked by hand: xmlAddChild and friends merge adjacent text nodes and free the node given.
    child->parent = parent;
    if (ref) {
        child->next = ref;
        child->prev = ref->prev;
        if (ref->prev)
            ref->prev->next = child;
        else
            parent->children = child;
        ref->prev = child;
    } else {
        child->next = nullptr;
        child->prev = parent->last;
        if (parent->last)
            parent->last->next = child;
        else
            parent->children = child;
        parent->last = child;
    }
}

QString serialize(xmlNodePtr node)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL);
    if (node->type == XML_DOCUMENT_NODE)
        xmlSaveDoc(save, reinterpret_cast<xmlDocPtr>(node));
    else
        xmlSaveTree(save, node);
    xmlSaveClose(save);
    QString text = QString::fromUtf8(reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    return text;
}

QString escapeAttribute(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\n': out += QLatin1String("&#10;"); break;
        case '\r': out += QLatin1String("&#13;"); break;
        case '\t': out += QLatin1String("&#9;"); break;
        default: out += c;
        }
    }
    return out;
}

bool nsUsedIn(xmlNodePtr top, xmlNsPtr ns)
{
    // Walks the subtree without recursion: documents may be very deep.
    xmlNodePtr node = top;
    while (node) {
        if (node->type == XML_ELEMENT_NODE) {
            if (node->ns == ns)
                return true;
            for (xmlAttrPtr a = node->properties; a; a = a->next)
                if (a->ns == ns)
                    return true;
        }
        if (node->children && node->type == XML_ELEMENT_NODE) {
            node = node->children;
            continue;
        }
        while (node != top && !node->next)
            node = node->parent;
        if (node == top)
            break;
        node = node->next;
    }
    return false;
}

} // namespace

XmlNode::XmlNode(std::shared_ptr<DomData> owner, _xmlNode *node)
    : m_owner(node ? std::move(owner) : nullptr), m_node(node)
{
}

XmlNode::XmlNode(std::shared_ptr<DomData> owner, _xmlNode *element, _xmlNs *ns)
    : m_owner(std::move(owner)), m_node(element), m_ns(ns)
{
}

size_t XmlNode::identity() const
{
    return reinterpret_cast<size_t>(m_ns ? static_cast<void *>(m_ns) : static_cast<void *>(m_node));
}

size_t qHash(const XmlNode &node, size_t seed)
{
    return qHash(node.identity(), seed);
}

int XmlNode::nodeType() const
{
    if (m_ns)
        return NodeType::Attribute;
    return m_node ? Dom::nodeType(m_node) : 0;
}

QString XmlNode::nodeName() const
{
    if (m_ns)
        return m_ns->prefix ? QStringLiteral("xmlns:") + Dom::fromXml(m_ns->prefix) : QStringLiteral("xmlns");
    if (!m_node)
        return QString();
    switch (m_node->type) {
    case XML_TEXT_NODE: return QStringLiteral("#text");
    case XML_CDATA_SECTION_NODE: return QStringLiteral("#cdata-section");
    case XML_COMMENT_NODE: return QStringLiteral("#comment");
    case XML_DOCUMENT_NODE: return QStringLiteral("#document");
    case XML_DOCUMENT_FRAG_NODE: return QStringLiteral("#document-fragment");
    default: return Dom::qualifiedName(m_node);
    }
}

QString XmlNode::nodeValue() const
{
    if (m_ns)
        return Dom::fromXml(m_ns->href);
    if (!m_node)
        return QString();
    switch (m_node->type) {
    case XML_ATTRIBUTE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: {
        xmlChar *content = xmlNodeGetContent(m_node);
        QString value = content ? Dom::fromXml(content) : QStringLiteral("");
        xmlFree(content);
        return value;
    }
    default:
        return QString();
    }
}

void XmlNode::setNodeValue(const QString &value)
{
    if (isNull())
        fail(QStringLiteral("No node."));
    if (m_ns) {
        if (!XmlChecks::hasOnlyXmlChars(value))
            fail(QStringLiteral("The text contains a character that XML does not allow."));
        requireDeclarable(m_ns->prefix ? QByteArray(reinterpret_cast<const char *>(m_ns->prefix)) : QByteArray(),
                          Dom::toXml(value));
        xmlFree(const_cast<xmlChar *>(m_ns->href));
        m_ns->href = xmlStrdup(X(Dom::toXml(value)));
        if (XmlSourceMap *map = sourceMap(m_owner))
            map->TagChanged(m_node);
        return;
    }
    requireWritable(m_node);
    switch (m_node->type) {
    case XML_ATTRIBUTE_NODE:
        checkValueFor(m_node, value);
        requireDeclarableValue(m_node, value);
        setAttrValue(reinterpret_cast<xmlAttrPtr>(m_node), value);
        if (XmlSourceMap *map = sourceMap(m_owner))
            map->Edited(m_node);
        return;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        checkValueFor(m_node, value);
        xmlNodeSetContent(m_node, X(Dom::toXml(value)));
        if (XmlSourceMap *map = sourceMap(m_owner))
            map->Edited(m_node);
        return;
    default:
        fail(QStringLiteral("This operation can not be performed with a node of this type."), ComCode::Fail);
    }
}

QString XmlNode::text() const
{
    if (m_ns)
        return Dom::fromXml(m_ns->href);
    if (!m_node)
        return QString();
    xmlChar *content = xmlNodeGetContent(m_node);
    QString value = content ? Dom::fromXml(content) : QStringLiteral("");
    xmlFree(content);
    return value;
}

void XmlNode::setText(const QString &text)
{
    if (m_node && !m_ns && (m_node->type == XML_ELEMENT_NODE || m_node->type == XML_DOCUMENT_FRAG_NODE)) {
        requireWritable(m_node);
        if (!XmlChecks::hasOnlyXmlChars(text))
            fail(QStringLiteral("The text contains a character that XML does not allow."));
        // The old children are detached, not freed: handles to them stay valid.
        while (xmlNodePtr child = m_node->children) {
            xmlUnlinkNode(child);
            m_owner->adopt(child);
        }
        xmlNodePtr node = xmlNewDocText(m_node->doc, X(Dom::toXml(text)));
        linkBefore(m_node, node, nullptr);
        if (XmlSourceMap *map = sourceMap(m_owner))
            map->ChildrenChanged(m_node);
        return;
    }
    setNodeValue(text);
}

QString XmlNode::xml() const
{
    if (m_ns)
        return nodeName() + QStringLiteral("=\"") + escapeAttribute(nodeValue()) + QLatin1Char('"');
    if (!m_node)
        return QString();
    if (m_node->type == XML_ATTRIBUTE_NODE)
        return nodeName() + QStringLiteral("=\"") + escapeAttribute(nodeValue()) + QLatin1Char('"');
    if (m_node->type == XML_ENTITY_DECL || m_node->type == XML_DOCUMENT_FRAG_NODE) {
        QString out;
        for (xmlNodePtr c = m_node->children; c; c = c->next)
            out += serialize(c);
        return m_node->type == XML_ENTITY_DECL ? serialize(m_node) : out;
    }
    return serialize(m_node);
}

XmlNode XmlNode::parentNode() const
{
    if (m_ns || !m_node || m_node->type == XML_ATTRIBUTE_NODE)
        return XmlNode();
    return XmlNode(m_owner, m_node->parent);
}

XmlNode XmlNode::ownerElement() const
{
    if (m_ns)
        return XmlNode(m_owner, m_node);
    if (m_node && m_node->type == XML_ATTRIBUTE_NODE)
        return XmlNode(m_owner, m_node->parent);
    return XmlNode();
}

XmlNode XmlNode::ownerDocument() const
{
    if (!m_owner)
        return XmlNode();
    return XmlNode(m_owner, reinterpret_cast<xmlNodePtr>(m_owner->doc));
}

XmlNodeList XmlNode::childNodes() const
{
    return XmlNodeList(*this);
}

bool XmlNode::isLayoutWhitespace() const
{
    if (m_ns || !m_node || m_node->type != XML_TEXT_NODE || !m_node->content || !*m_node->content)
        return false;
    for (const xmlChar *c = m_node->content; *c; ++c) {
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r')
            return false;
    }
    return true;
}

XmlNode XmlNode::firstChild() const
{
    return m_ns || !m_node ? XmlNode() : XmlNode(m_owner, Dom::firstChild(m_node));
}

XmlNode XmlNode::lastChild() const
{
    return m_ns || !m_node ? XmlNode() : XmlNode(m_owner, Dom::lastChild(m_node));
}

XmlNode XmlNode::nextSibling() const
{
    if (m_ns || !m_node || !m_node->parent || m_node->type == XML_ATTRIBUTE_NODE)
        return XmlNode();
    return XmlNode(m_owner, Dom::nextSibling(m_node->parent, m_node));
}

XmlNode XmlNode::previousSibling() const
{
    if (m_ns || !m_node || !m_node->parent || m_node->type == XML_ATTRIBUTE_NODE)
        return XmlNode();
    return XmlNode(m_owner, Dom::previousSibling(m_node->parent, m_node));
}

bool XmlNode::hasChildNodes() const
{
    return !firstChild().isNull();
}

XmlNamedNodeMap XmlNode::attributes() const
{
    return XmlNamedNodeMap(m_ns ? XmlNode() : *this);
}

XmlNode XmlNode::appendChild(const XmlNode &newChild)
{
    return insertBefore(newChild, XmlNode());
}

XmlNode XmlNode::insertBefore(const XmlNode &newChildIn, const XmlNode &refChild)
{
    if (isNull() || m_ns || newChildIn.isNull() || newChildIn.m_ns)
        fail(QStringLiteral("The node cannot be inserted here."));
    const int parentType = m_node->type;
    if (parentType != XML_ELEMENT_NODE && parentType != XML_DOCUMENT_NODE && parentType != XML_DOCUMENT_FRAG_NODE)
        fail(QStringLiteral("This node cannot have children."), ComCode::Fail);
    requireWritable(m_node);
    if (!refChild.isNull() && (refChild.m_ns || refChild.m_node->parent != m_node || refChild.m_owner != m_owner))
        fail(QStringLiteral("The reference node is not a child of this node."));

    XmlNode newChild = newChildIn;
    if (newChild.m_owner != m_owner) {
        // A node of another document is copied into this one, with no reference to an entity
        // this document does not declare.
        newChild = XmlImport::Copy(*this, newChild);
    }
    xmlNodePtr child = newChild.m_node;

    if (child->type == XML_DOCUMENT_FRAG_NODE) {
        // A fragment gives its children, in order; check them all before moving any.
        for (xmlNodePtr c = child->children; c; c = c->next)
            if (c->type == XML_ATTRIBUTE_NODE)
                fail(QStringLiteral("An attribute cannot be a child node."));
        if (parentType == XML_DOCUMENT_NODE) {
            int elements = 0;
            for (xmlNodePtr c = child->children; c; c = c->next) {
                if (c->type != XML_ELEMENT_NODE && c->type != XML_COMMENT_NODE && c->type != XML_PI_NODE)
                    fail(QStringLiteral("Only elements, comments and processing instructions can be children of the document."));
                elements += c->type == XML_ELEMENT_NODE;
            }
            if (elements + elementChildren(m_node, nullptr) > 1)
                fail(QStringLiteral("A document can have only one root element."));
        }
        while (xmlNodePtr c = child->children)
            insertBefore(XmlNode(m_owner, c), refChild);
        return newChild;
    }

    switch (child->type) {
    case XML_ELEMENT_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
        break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
        if (parentType == XML_DOCUMENT_NODE)
            fail(QStringLiteral("Text cannot be a child of the document."));
        break;
    case XML_DTD_NODE:
        if (parentType != XML_DOCUMENT_NODE || (m_owner->doc->intSubset && m_owner->doc->intSubset != reinterpret_cast<xmlDtdPtr>(child)))
            fail(QStringLiteral("The document type declaration cannot be inserted here."));
        break;
    default:
        fail(QStringLiteral("A node of this type cannot be a child node."));
    }
    if (isAncestorOrSelf(child, m_node))
        fail(QStringLiteral("A node cannot be inserted under itself."));
    if (child->type == XML_ELEMENT_NODE && parentType == XML_DOCUMENT_NODE && child->parent != m_node
        && elementChildren(m_node, nullptr) > 0)
        fail(QStringLiteral("A document can have only one root element."));

    // The XML declaration is the document's first child and nothing comes before it.
    xmlNodePtr first = m_node->children == child ? child->next : m_node->children;
    xmlNodePtr ref = refChild.m_node;
    if (ref == child)
        return newChild;
    if (isDeclaration(child)) {
        if (parentType != XML_DOCUMENT_NODE || ref != first || (isDeclaration(first) && first != child))
            fail(QStringLiteral("The XML declaration can only be the first node of the document."));
        if (!XmlChecks::isDeclarationData(Dom::fromXml(child->content)))
            fail(QStringLiteral("The XML declaration is not well-formed."));
    } else if (parentType == XML_DOCUMENT_NODE && ref && ref == first && isDeclaration(first)) {
        fail(QStringLiteral("Nothing can come before the XML declaration."));
    }

    if (child->type == XML_ELEMENT_NODE) {
        // A new element may come with a declaration of its own namespace.
        for (xmlNsPtr d = child->nsDef; d; d = d->next)
            requireDeclarable(d->prefix ? QByteArray(reinterpret_cast<const char *>(d->prefix)) : QByteArray(),
                              QByteArray(reinterpret_cast<const char *>(d->href ? d->href : BAD_CAST "")));
        bindPrefix(child, m_node);
    }

    XmlSourceMap *map = sourceMap(m_owner);
    if (child->parent) {
        if (map)
            map->ChildrenChanged(child->parent);
        xmlUnlinkNode(child);
    }
    linkBefore(m_node, child, ref);
    if (child->type == XML_DTD_NODE)
        m_owner->doc->intSubset = reinterpret_cast<xmlDtdPtr>(child);
    if (child->type == XML_ELEMENT_NODE) {
        const int declared = namespaceCount(child);
        xmlDOMWrapReconcileNamespaces(nullptr, child, 0);
        if (map && namespaceCount(child) != declared)
            map->TagChanged(child);
    }
    if (map)
        map->ChildrenChanged(m_node);
    return newChild;
}

XmlNode XmlNode::removeChild(const XmlNode &child)
{
    if (isNull() || m_ns || child.isNull() || child.m_ns || child.m_owner != m_owner || child.m_node->parent != m_node
        || child.m_node->type == XML_ATTRIBUTE_NODE)
        fail(QStringLiteral("The node is not a child of this node."));
    requireWritable(m_node);
    if (child.m_node->type == XML_DTD_NODE && usesEntitiesOf(m_owner->doc, reinterpret_cast<xmlDtdPtr>(child.m_node)))
        fail(QStringLiteral("The document uses entities that its document type declaration declares."), ComCode::Fail);
    xmlUnlinkNode(child.m_node);
    m_owner->adopt(child.m_node);
    if (XmlSourceMap *map = sourceMap(m_owner))
        map->ChildrenChanged(m_node);
    return child;
}

XmlNode XmlNode::replaceChild(const XmlNode &newChild, const XmlNode &oldChild)
{
    if (isNull() || m_ns || oldChild.isNull() || oldChild.m_ns || oldChild.m_owner != m_owner
        || oldChild.m_node->parent != m_node || oldChild.m_node->type == XML_ATTRIBUTE_NODE)
        fail(QStringLiteral("The node to replace is not a child of this node."));
    if (newChild == oldChild)
        return oldChild;
    requireWritable(m_node);
    // Take the old node out first (so a new root element or declaration may take its place), and
    // put it back if the new node is refused: a failed replace changes nothing.
    xmlNodePtr old = oldChild.m_node;
    xmlNodePtr next = old->next;
    xmlUnlinkNode(old);
    try {
        insertBefore(newChild, XmlNode(m_owner, next));
    } catch (...) {
        linkBefore(m_node, old, next);
        if (old->type == XML_DTD_NODE)
            m_owner->doc->intSubset = reinterpret_cast<xmlDtdPtr>(old);
        throw;
    }
    m_owner->adopt(old);
    if (XmlSourceMap *map = sourceMap(m_owner))
        map->ChildrenChanged(m_node);
    return oldChild;
}

XmlNode XmlNode::cloneNode(bool deep) const
{
    if (isNull() || m_ns || m_node->type == XML_DOCUMENT_NODE)
        fail(QStringLiteral("This node cannot be cloned."), ComCode::NotImplemented);
    xmlNodePtr copy = nullptr;
    if (m_node->type == XML_ATTRIBUTE_NODE) {
        copy = reinterpret_cast<xmlNodePtr>(xmlCopyProp(nullptr, reinterpret_cast<xmlAttrPtr>(m_node)));
        if (copy)
            xmlSetTreeDoc(copy, m_owner->doc);
    } else {
        copy = xmlDocCopyNode(m_node, m_owner->doc, deep ? 1 : 2);
    }
    if (!copy)
        fail(QString(), ComCode::OutOfMemory);
    m_owner->adopt(copy);
    return XmlNode(m_owner, copy);
}

void XmlNode::renameElement(const QString &name)
{
    if (isNull() || m_ns || m_node->type != XML_ELEMENT_NODE)
        fail(QStringLiteral("Only elements can be renamed this way."), ComCode::Fail);
    requireWritable(m_node);
    const QByteArray qname = Dom::toXml(name);
    if (!XmlChecks::isName(qname))
        fail(QStringLiteral("\"%1\" is not a valid element name.").arg(name));
    const int colon = qname.indexOf(':');
    const QByteArray prefix = colon > 0 ? qname.left(colon) : QByteArray();
    xmlNsPtr ns = xmlSearchNs(m_node->doc, m_node, prefix.isEmpty() ? nullptr : X(prefix));
    // A prefix declared nowhere in scope would make a document that does not parse again.
    if (colon > 0 && !ns)
        fail(QStringLiteral("The prefix \"%1\" of \"%2\" is not declared here.").arg(Dom::fromXml(X(prefix)), name));
    const QByteArray local = ns && colon > 0 ? qname.mid(colon + 1) : qname;
    xmlNodeSetName(m_node, X(local));
    m_node->ns = ns && (colon > 0 || !ns->prefix) ? ns : nullptr;
    if (XmlSourceMap *map = sourceMap(m_owner))
        map->Edited(m_node);
}

std::optional<QString> XmlNode::getAttribute(const QString &name) const
{
    const XmlNode attribute = getAttributeNode(name);
    if (attribute.isNull())
        return std::nullopt;
    return attribute.nodeValue();
}

XmlNode XmlNode::getAttributeNode(const QString &name) const
{
    return attributes().getNamedItem(name);
}

void XmlNode::setAttribute(const QString &name, const QString &value)
{
    if (isNull() || m_ns || m_node->type != XML_ELEMENT_NODE)
        fail(QStringLiteral("Attributes belong to elements only."), ComCode::Fail);
    requireWritable(m_node);
    const QByteArray qname = Dom::toXml(name);
    if (!XmlChecks::isName(qname))
        fail(QStringLiteral("\"%1\" is not a valid attribute name.").arg(name));
    if (!XmlChecks::hasOnlyXmlChars(value))
        fail(QStringLiteral("The text contains a character that XML does not allow."));
    const XmlNode existing = getAttributeNode(name);
    if (!existing.isNull()) {
        if (existing.m_ns) {
            const_cast<XmlNode &>(existing).setNodeValue(value);
        } else {
            requireDeclarableValue(existing.m_node, value);
            setAttrValue(reinterpret_cast<xmlAttrPtr>(existing.m_node), value);
            if (XmlSourceMap *map = sourceMap(m_owner))
                map->Edited(existing.m_node);
        }
        return;
    }
    const QByteArray bytes = Dom::toXml(value);
    if (qname == "xmlns" || qname.startsWith("xmlns:")) {
        const QByteArray prefix = qname.size() > 6 ? qname.mid(6) : QByteArray();
        if (prefix == "xml" || prefix == "xmlns" || (!prefix.isEmpty() && value.isEmpty()))
            fail(QStringLiteral("\"%1\" cannot be declared.").arg(name));
        requireDeclarable(prefix, bytes);
        if (!xmlNewNs(m_node, X(bytes), prefix.isEmpty() ? nullptr : X(prefix)))
            fail(QStringLiteral("\"%1\" cannot be declared.").arg(name));
        if (XmlSourceMap *map = sourceMap(m_owner))
            map->TagChanged(m_node);
        return;
    }
    const int colon = qname.indexOf(':');
    xmlNsPtr ns = nullptr;
    if (colon > 0) {
        const QByteArray prefix = qname.left(colon);
        ns = xmlSearchNs(m_node->doc, m_node, X(prefix));
        if (!ns)
            fail(QStringLiteral("The prefix \"%1\" of \"%2\" is not declared here.").arg(Dom::fromXml(X(prefix)), name));
    }
    xmlAttrPtr attr = ns ? xmlNewNsProp(m_node, ns, X(qname.mid(colon + 1)), X(bytes)) : xmlNewProp(m_node, X(qname), X(bytes));
    if (!attr)
        fail(QString(), ComCode::OutOfMemory);
    if (XmlSourceMap *map = sourceMap(m_owner))
        map->ChildrenChanged(m_node);
}

XmlNode XmlNode::setAttributeNode(const XmlNode &attribute)
{
    return setAttributeNode(attribute, XmlNode());
}

XmlNode XmlNode::setAttributeNode(const XmlNode &attributeIn, const XmlNode &beforeIn)
{
    if (isNull() || m_ns || m_node->type != XML_ELEMENT_NODE)
        fail(QStringLiteral("Attributes belong to elements only."), ComCode::Fail);
    if (attributeIn.isNull() || attributeIn.nodeType() != NodeType::Attribute || attributeIn.m_ns)
        fail(QStringLiteral("The node is not an attribute."));
    requireWritable(m_node);
    XmlNode attribute = attributeIn;
    if (attribute.m_owner != m_owner)
        attribute = XmlImport::Copy(*this, attribute);
    xmlAttrPtr attr = reinterpret_cast<xmlAttrPtr>(attribute.m_node);
    if (attr->parent == m_node)
        return XmlNode();
    requireDeclarableValue(attribute.m_node, attribute.nodeValue());
    bindPrefix(attribute.m_node, m_node);
    if (attr->parent)
        fail(QStringLiteral("The attribute belongs to another element."));
    const XmlNode old = getAttributeNode(attribute.nodeName());
    xmlAttrPtr before = nullptr;
    if (!old.isNull() && !old.m_ns) {
        before = reinterpret_cast<xmlAttrPtr>(old.m_node)->next;
        xmlUnlinkNode(old.m_node);
        m_owner->adopt(old.m_node);
    } else if (!beforeIn.isNull() && !beforeIn.m_ns && beforeIn.m_owner == m_owner && beforeIn.m_node->type == XML_ATTRIBUTE_NODE
               && beforeIn.m_node->parent == m_node) {
        before = reinterpret_cast<xmlAttrPtr>(beforeIn.m_node);
    }
    // Link into the property list by hand: xmlAddChild would free a same-named attribute.
    attr->parent = m_node;
    attr->next = before;
    if (before) {
        attr->prev = before->prev;
        if (before->prev)
            before->prev->next = attr;
        else
            m_node->properties = attr;
        before->prev = attr;
    } else {
        xmlAttrPtr last = m_node->properties;
        while (last && last->next)
            last = last->next;
        attr->prev = last;
        if (last)
            last->next = attr;
        else
            m_node->properties = attr;
    }
    if (XmlSourceMap *map = sourceMap(m_owner))
        map->ChildrenChanged(m_node);
    return old;
}

XmlNode XmlNode::removeAttributeNode(const XmlNode &attribute)
{
    if (isNull() || m_ns || m_node->type != XML_ELEMENT_NODE || attribute.isNull() || attribute.m_owner != m_owner)
        fail(QStringLiteral("The attribute does not belong to this element."));
    requireWritable(m_node);
    if (attribute.m_ns) {
        if (attribute.m_node != m_node)
            fail(QStringLiteral("The attribute does not belong to this element."));
        if (nsUsedIn(m_node, attribute.m_ns))
            fail(QStringLiteral("The namespace declaration is still in use."), ComCode::Fail);
        xmlNsPtr *link = &m_node->nsDef;
        while (*link && *link != attribute.m_ns)
            link = &(*link)->next;
        if (*link) {
            *link = attribute.m_ns->next;
            attribute.m_ns->next = nullptr;
            m_owner->adoptNs(attribute.m_ns);
            if (XmlSourceMap *map = sourceMap(m_owner))
                map->TagChanged(m_node);
        }
        return attribute;
    }
    if (attribute.m_node->type != XML_ATTRIBUTE_NODE || attribute.m_node->parent != m_node)
        fail(QStringLiteral("The attribute does not belong to this element."));
    xmlUnlinkNode(attribute.m_node);
    m_owner->adopt(attribute.m_node);
    if (XmlSourceMap *map = sourceMap(m_owner))
        map->ChildrenChanged(m_node);
    return attribute;
}
