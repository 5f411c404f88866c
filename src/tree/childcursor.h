#pragma once

#include "document/xmlnode.h"

#include <vector>

// Walks the child nodes of one node in document order, looking through entity references (whose
// content stands where the reference is), and stops at each node that gets a tree item: an
// element or a document-type declaration. Nothing else under a reference or an element is
// visited. The position is the chain of nodes from a direct child down to the current node.
class CChildCursor
{
public:
    // Before the first child of `parent`.
    explicit CChildCursor(const XmlNode &parent);
    // Just after the node at the end of `position`.
    CChildCursor(const XmlNode &parent, std::vector<XmlNode> position);

    // The next node that gets an item, or null at the end.
    XmlNode Next();
    const std::vector<XmlNode> &Position() const { return m_position; }

    // Whether a node of this type gets an item of its own.
    static bool IsShown(int nodeType);

private:
    XmlNode m_parent;
    std::vector<XmlNode> m_position;
    bool m_started = false;
};
