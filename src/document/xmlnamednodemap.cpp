#include "xmlnamednodemap.h"

#include "domdata.h"

XmlNamedNodeMap::XmlNamedNodeMap(const XmlNode &element)
    : m_element(!element.isNull() && element.nodeType() == NodeType::Element ? element : XmlNode())
{
}

int XmlNamedNodeMap::length() const
{
    if (m_element.isNull())
        return 0;
    int n = 0;
    for (xmlNsPtr ns = m_element.rawNode()->nsDef; ns; ns = ns->next)
        ++n;
    for (xmlAttrPtr a = m_element.rawNode()->properties; a; a = a->next)
        ++n;
    return n;
}

XmlNode XmlNamedNodeMap::item(int index) const
{
    if (m_element.isNull() || index < 0)
        return XmlNode();
    xmlNodePtr element = m_element.rawNode();
    int i = 0;
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next, ++i)
        if (i == index)
            return XmlNode(m_element.owner(), element, ns);
    for (xmlAttrPtr a = element->properties; a; a = a->next, ++i)
        if (i == index)
            return XmlNode(m_element.owner(), reinterpret_cast<xmlNodePtr>(a));
    return XmlNode();
}

XmlNode XmlNamedNodeMap::getNamedItem(const QString &name) const
{
    if (m_element.isNull())
        return XmlNode();
    xmlNodePtr element = m_element.rawNode();
    if (name == QLatin1String("xmlns") || name.startsWith(QLatin1String("xmlns:"))) {
        const QByteArray prefix = name.size() > 6 ? name.mid(6).toUtf8() : QByteArray();
        for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
            if (prefix.isEmpty() ? ns->prefix == nullptr : xmlStrEqual(ns->prefix, BAD_CAST prefix.constData()))
                return XmlNode(m_element.owner(), element, ns);
        }
    }
    for (xmlAttrPtr a = element->properties; a; a = a->next) {
        if (Dom::qualifiedName(reinterpret_cast<xmlNodePtr>(a)) == name)
            return XmlNode(m_element.owner(), reinterpret_cast<xmlNodePtr>(a));
    }
    return XmlNode();
}

XmlNode XmlNamedNodeMap::nextNode()
{
    if (m_element.isNull())
        return XmlNode();
    xmlNodePtr element = m_element.rawNode();
    // Namespace declarations are few and come first: they are looked up by position. After them,
    // attributes follow from where the walk left off, even when the last one was removed.
    xmlAttrPtr attribute = nullptr;
    if (m_lastAttribute && m_lastAttribute->parent == element) {
        attribute = m_lastAttribute->next;
    } else if (m_followingAttribute && m_followingAttribute->parent == element) {
        attribute = m_followingAttribute;
    } else if (m_lastAttribute && !m_followingAttribute) {
        attribute = nullptr; // the walk had reached the end
    } else {
        const XmlNode node = item(m_next++);
        m_lastAttribute = node.isNull() || node.rawNs() ? nullptr : reinterpret_cast<xmlAttrPtr>(node.rawNode());
        m_followingAttribute = m_lastAttribute ? m_lastAttribute->next : nullptr;
        return node;
    }
    ++m_next;
    m_lastAttribute = attribute;
    m_followingAttribute = attribute ? attribute->next : nullptr;
    return attribute ? XmlNode(m_element.owner(), reinterpret_cast<xmlNodePtr>(attribute)) : XmlNode();
}
