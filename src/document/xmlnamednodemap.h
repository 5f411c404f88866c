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
    XmlNode nextNode();
    void reset() { m_next = 0; }

private:
    XmlNode m_element;
    int m_next = 0;
};
