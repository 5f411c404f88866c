#pragma once

#include "xmlnode.h"

// The children of a node as the DOM presents them, read live from the tree.
class XmlNodeList
{
public:
    XmlNodeList() = default;
    explicit XmlNodeList(const XmlNode &parent);

    int length() const;
    XmlNode item(int index) const;
    XmlNode nextNode(); // the next child after the last one returned; null after the last
    void reset();

private:
    XmlNode m_parent;
    XmlNode m_cursor;
    bool m_started = false;
};
