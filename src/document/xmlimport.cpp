#include "xmlimport.h"

#include "domdata.h"
#include "framework/comerror.h"

#include <libxml/entities.h>
#include <libxml/tree.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

using Dom::fail;

bool readsExternalSubset(xmlDocPtr doc)
{
    // A reference the document does not declare may be declared in a subset that is not read
    // here; the parser accepts it in a document that is not standalone.
    if (doc->standalone == 1)
        return false;
    const xmlDtdPtr subset = doc->intSubset;
    return doc->extSubset || (subset && (subset->ExternalID || subset->SystemID));
}

// Bytes a list of nodes and everything under it take, for the expansion bound.
long long sizeOf(xmlNodePtr list)
{
    long long bytes = 0;
    std::vector<xmlNodePtr> stack;
    for (xmlNodePtr n = list; n; n = n->next)
        stack.push_back(n);
    while (!stack.empty()) {
        const xmlNodePtr n = stack.back();
        stack.pop_back();
        bytes += 64 + (n->content ? static_cast<long long>(std::strlen(reinterpret_cast<const char *>(n->content))) : 0);
        if (n->type == XML_ENTITY_REF_NODE)
            continue; // its children are the entity's, counted when it is expanded
        if (n->type == XML_ELEMENT_NODE) {
            for (xmlAttrPtr a = n->properties; a; a = a->next)
                for (xmlNodePtr c = a->children; c; c = c->next)
                    stack.push_back(c);
        }
        for (xmlNodePtr c = n->children; c; c = c->next)
            stack.push_back(c);
    }
    return bytes;
}

// Puts `list` (unlinked siblings) where `ref` stands and frees `ref`.
void replaceByList(xmlNodePtr ref, xmlNodePtr list)
{
    const xmlNodePtr parent = ref->parent; // an element, fragment or attribute: children and last alike
    const xmlNodePtr prev = ref->prev;
    const xmlNodePtr next = ref->next;
    xmlNodePtr first = list ? list : next;
    xmlNodePtr last = prev;
    for (xmlNodePtr c = list; c; c = c->next) {
        c->parent = parent;
        last = c;
    }
    if (list) {
        list->prev = prev;
        last->next = next;
    }
    if (prev)
        prev->next = first;
    else
        parent->children = first;
    if (next)
        next->prev = last;
    else
        parent->last = last;
    ref->parent = ref->prev = ref->next = nullptr;
    ref->children = ref->last = nullptr;
    xmlFreeNode(ref);
}

class Settler
{
public:
    Settler(xmlDocPtr target, xmlDocPtr entities)
        : m_target(target)
        , m_entities(entities)
    {
    }

    // Settles every entity reference in `top` and below. Nodes that replace a reference are
    // walked in turn, one level of entity deeper.
    void run(xmlNodePtr top)
    {
        std::vector<std::pair<xmlNodePtr, int>> stack{{top, 0}};
        while (!stack.empty()) {
            const auto [n, depth] = stack.back();
            stack.pop_back();
            if (n->type == XML_ENTITY_REF_NODE) {
                settle(n, depth, stack);
                continue;
            }
            if (n->type == XML_ELEMENT_NODE) {
                for (xmlAttrPtr a = n->properties; a; a = a->next)
                    for (xmlNodePtr c = a->children; c; c = c->next)
                        stack.emplace_back(c, depth);
            }
            if (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE || n->type == XML_DOCUMENT_FRAG_NODE) {
                for (xmlNodePtr c = n->children; c; c = c->next)
                    stack.emplace_back(c, depth);
            }
        }
    }

private:
    void settle(xmlNodePtr ref, int depth, std::vector<std::pair<xmlNodePtr, int>> &stack)
    {
        const QString name = Dom::fromXml(ref->name);
        if (xmlEntityPtr own = xmlGetDocEntity(m_target, ref->name)) {
            ref->children = ref->last = reinterpret_cast<xmlNodePtr>(own);
            return;
        }
        const xmlEntityPtr source = m_entities ? xmlGetDocEntity(m_entities, ref->name) : nullptr;
        if (!source) {
            if (readsExternalSubset(m_target)) {
                ref->children = ref->last = nullptr;
                return;
            }
            fail(QStringLiteral("The entity \"%1\" is not declared in this document, and its content is not known.").arg(name));
        }
        if (depth >= XmlImport::DepthLimit)
            fail(QStringLiteral("The entity \"%1\" is nested too deeply to be copied.").arg(name));

        xmlNodePtr content = nullptr;
        if (source->children) {
            m_expanded += sizeOf(source->children);
            checkBound(name);
            content = xmlDocCopyNodeList(m_target, source->children);
        } else if (source->etype == XML_INTERNAL_GENERAL_ENTITY) {
            // Declared but never parsed as content (only used in attribute values, say): its
            // replacement text gives its text and references.
            if (source->content && *source->content) {
                xmlNodePtr parsed = xmlStringGetNodeList(m_entities, source->content);
                m_expanded += sizeOf(parsed);
                if (m_expanded <= XmlImport::ExpansionLimit)
                    content = xmlDocCopyNodeList(m_target, parsed);
                xmlFreeNodeList(parsed);
                checkBound(name);
            }
        } else {
            fail(QStringLiteral("The entity \"%1\" is not declared in this document, and its content was not read.").arg(name));
        }
        if (source->children && !content)
            fail(QString(), ComCode::OutOfMemory);
        for (xmlNodePtr c = content; c; c = c->next)
            stack.emplace_back(c, depth + 1);
        replaceByList(ref, content);
    }

    void checkBound(const QString &name) const
    {
        if (m_expanded > XmlImport::ExpansionLimit)
            fail(QStringLiteral("The entity \"%1\" expands to more content than can be copied.").arg(name));
    }

    xmlDocPtr m_target;
    xmlDocPtr m_entities;
    long long m_expanded = 0;
};

} // namespace

XmlNode XmlImport::Copy(const XmlNode &into, const XmlNode &node, const XmlNode &entities)
{
    if (into.isNull() || node.isNull() || node.rawNs() || node.nodeType() == NodeType::Document)
        fail(QStringLiteral("The node cannot be copied into this document."), ComCode::Fail);
    const std::shared_ptr<DomData> &owner = into.owner();
    const xmlDocPtr target = owner->doc;
    xmlNodePtr original = node.rawNode();
    xmlNodePtr copy = nullptr;
    if (original->type == XML_ATTRIBUTE_NODE) {
        copy = reinterpret_cast<xmlNodePtr>(xmlCopyProp(nullptr, reinterpret_cast<xmlAttrPtr>(original)));
        if (copy)
            xmlSetTreeDoc(copy, target);
    } else {
        copy = xmlDocCopyNode(original, target, 1);
    }
    if (!copy)
        fail(QStringLiteral("The node cannot be copied into this document."), ComCode::Fail);
    if (owner->holdsCopies) {
        owner->adopt(copy);
        return XmlNode(owner, copy);
    }

    xmlNodePtr top = copy;
    if (copy->type == XML_ENTITY_REF_NODE) {
        // A lone reference may be replaced by several nodes: it is settled inside a fragment.
        top = xmlNewDocFragment(target);
        if (!top) {
            xmlFreeNode(copy);
            fail(QString(), ComCode::OutOfMemory);
        }
        copy->parent = top;
        top->children = top->last = copy;
    }
    const xmlDocPtr lookup = entities.isNull() ? original->doc : entities.owner()->doc;
    try {
        Settler(target, lookup).run(top);
    } catch (...) {
        if (top->type == XML_ATTRIBUTE_NODE)
            xmlFreeProp(reinterpret_cast<xmlAttrPtr>(top));
        else
            xmlFreeNode(top);
        throw;
    }
    if (top != copy && top->children && top->children == top->last && top->children->type == XML_ENTITY_REF_NODE) {
        // The reference stayed one: no fragment needed.
        copy = top->children;
        copy->parent = nullptr;
        top->children = top->last = nullptr;
        xmlFreeNode(top);
        top = copy;
    }
    owner->adopt(top);
    return XmlNode(owner, top);
}

bool XmlImport::HasEntityReferences(const XmlNode &node)
{
    if (node.isNull() || node.rawNs())
        return false;
    std::vector<xmlNodePtr> stack{node.rawNode()};
    while (!stack.empty()) {
        const xmlNodePtr n = stack.back();
        stack.pop_back();
        if (n->type == XML_ENTITY_REF_NODE)
            return true;
        if (n->type == XML_ELEMENT_NODE)
            for (xmlAttrPtr a = n->properties; a; a = a->next)
                for (xmlNodePtr c = a->children; c; c = c->next)
                    stack.push_back(c);
        if (n->type == XML_ELEMENT_NODE || n->type == XML_ATTRIBUTE_NODE || n->type == XML_DOCUMENT_FRAG_NODE)
            for (xmlNodePtr c = n->children; c; c = c->next)
                stack.push_back(c);
    }
    return false;
}
