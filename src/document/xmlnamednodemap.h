#pragma once

#include "xmlnode.h"

// The attributes of an element: its namespace declarations first, then its attributes in order.
class XmlNamedNodeMap
{
public:
    XmlNamedNodeMap() = default;
    explicit XmlNamedNodeMap(const XmlNode &element);

    int length() const;
    XmlNode item(int index) const;
    XmlNode getNamedItem(const QString &name) const;
    // The next attribute on each call, at a constant cost, so walking a map is linear.
    XmlNode nextNode();
    void reset() { m_next = 0; m_lastAttribute = m_followingAttribute = nullptr; }

private:
    XmlNode m_element;
    int m_next = 0;
    // The attribute nextNode returned last, to carry on from while it is still on the element.
    struct _xmlAttr *m_lastAttribute = nullptr;
    // The one after it when it was returned, for a walk whose last attribute was removed.
    struct _xmlAttr *m_followingAttribute = nullptr;
};
