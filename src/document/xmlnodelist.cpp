#include "xmlnodelist.h"

#include "domdata.h"

XmlNodeList::XmlNodeList(const XmlNode &parent)
    : m_parent(parent.rawNs() ? XmlNode() : parent)
{
}

int XmlNodeList::length() const
{
    if (m_parent.isNull())
        return 0;
    int n = 0;
    for (xmlNodePtr c = Dom::firstChild(m_parent.rawNode()); c; c = Dom::nextSibling(m_parent.rawNode(), c))
        ++n;
    return n;
}

XmlNode XmlNodeList::item(int index) const
{
    if (m_parent.isNull() || index < 0)
        return XmlNode();
    xmlNodePtr c = Dom::firstChild(m_parent.rawNode());
    for (int i = 0; c && i < index; ++i)
        c = Dom::nextSibling(m_parent.rawNode(), c);
    return XmlNode(m_parent.owner(), c);
}

XmlNode XmlNodeList::nextNode()
{
    if (m_parent.isNull())
        return XmlNode();
    xmlNodePtr parent = m_parent.rawNode();
    xmlNodePtr next = nullptr;
    if (!m_started) {
        next = Dom::firstChild(parent);
        m_started = true;
    } else if (!m_cursor.isNull() && m_cursor.rawNode()->parent != nullptr) {
        next = Dom::nextSibling(parent, m_cursor.rawNode());
    }
    m_cursor = XmlNode(m_parent.owner(), next);
    return m_cursor;
}

void XmlNodeList::reset()
{
    m_started = false;
    m_cursor = XmlNode();
}
