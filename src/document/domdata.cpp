#include "domdata.h"

#include "xmlsourcemap.h"

#include "framework/comerror.h"

DomData::DomData(xmlDocPtr d)
    : doc(d)
{
}

DomData::~DomData()
{
    // A detached node may since have been put back into a tree (then the tree frees it) or may be
    // listed twice; free each top of a detached subtree once, before the document and its names.
    // Find the tops before freeing any: a listed node may lie inside another listed subtree.
    std::unordered_set<xmlNodePtr> seen;
    std::vector<xmlNodePtr> tops;
    for (xmlNodePtr node : m_detached) {
        if (node->parent == nullptr && seen.insert(node).second)
            tops.push_back(node);
    }
    for (xmlNodePtr node : tops) {
        if (node->type == XML_ATTRIBUTE_NODE)
            xmlFreeProp(reinterpret_cast<xmlAttrPtr>(node));
        else
            xmlFreeNode(node);
    }
    for (xmlNsPtr ns : m_detachedNs)
        xmlFreeNs(ns);
    if (doc)
        xmlFreeDoc(doc);
}

namespace Dom {

int nodeType(xmlNodePtr node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE: return 1;
    case XML_ATTRIBUTE_NODE: return 2;
    case XML_TEXT_NODE: return 3;
    case XML_CDATA_SECTION_NODE: return 4;
    case XML_ENTITY_REF_NODE: return 5;
    case XML_ENTITY_NODE:
    case XML_ENTITY_DECL: return 6;
    case XML_PI_NODE: return 7;
    case XML_COMMENT_NODE: return 8;
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return 9;
    case XML_DOCUMENT_TYPE_NODE:
    case XML_DTD_NODE: return 10;
    case XML_DOCUMENT_FRAG_NODE: return 11;
    case XML_NOTATION_NODE: return 12;
    default: return 0;
    }
}

namespace {

xmlNodePtr container(xmlNodePtr parent)
{
    if (parent->type == XML_ENTITY_REF_NODE)
        return parent->children; // the entity declaration whose content the reference shows
    if (parent->type == XML_ATTRIBUTE_NODE)
        return nullptr;          // attribute values are read as text, never as child nodes
    return parent;
}

bool shown(xmlNodePtr holder, xmlNodePtr child)
{
    if (holder->type == XML_DTD_NODE)
        return child->type == XML_ENTITY_DECL;
    switch (child->type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE:
    case XML_DTD_NODE:
        return true;
    default:
        return false;
    }
}

} // namespace

xmlNodePtr firstChild(xmlNodePtr parent)
{
    xmlNodePtr holder = container(parent);
    if (!holder)
        return nullptr;
    for (xmlNodePtr c = holder->children; c; c = c->next)
        if (shown(holder, c))
            return c;
    return nullptr;
}

xmlNodePtr lastChild(xmlNodePtr parent)
{
    xmlNodePtr holder = container(parent);
    if (!holder)
        return nullptr;
    for (xmlNodePtr c = holder->last; c; c = c->prev)
        if (shown(holder, c))
            return c;
    return nullptr;
}

xmlNodePtr nextSibling(xmlNodePtr parent, xmlNodePtr child)
{
    xmlNodePtr holder = container(parent);
    if (!holder)
        return nullptr;
    for (xmlNodePtr c = child->next; c; c = c->next)
        if (shown(holder, c))
            return c;
    return nullptr;
}

xmlNodePtr previousSibling(xmlNodePtr parent, xmlNodePtr child)
{
    xmlNodePtr holder = container(parent);
    if (!holder)
        return nullptr;
    for (xmlNodePtr c = child->prev; c; c = c->prev)
        if (shown(holder, c))
            return c;
    return nullptr;
}

QString fromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

QByteArray toXml(const QString &text)
{
    return text.toUtf8();
}

QString qualifiedName(xmlNodePtr node)
{
    const QString local = fromXml(node->name);
    if ((node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) && node->ns && node->ns->prefix)
        return fromXml(node->ns->prefix) + QLatin1Char(':') + local;
    return local;
}

void fail(const QString &text, unsigned code)
{
    throw CComError(code, text);
}

}
