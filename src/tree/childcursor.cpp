#include "childcursor.h"

CChildCursor::CChildCursor(const XmlNode &parent)
    : m_parent(parent)
{
}

CChildCursor::CChildCursor(const XmlNode &parent, std::vector<XmlNode> position)
    : m_parent(parent), m_position(std::move(position)), m_started(!m_position.empty())
{
}

bool CChildCursor::IsShown(int nodeType)
{
    return nodeType == NodeType::Element || nodeType == NodeType::DocumentType;
}

XmlNode CChildCursor::Next()
{
    // Every step is a loop over an explicit chain, so a deep nesting of references costs no stack.
    XmlNode node;
    if (!m_started) {
        m_started = true;
        node = m_parent.firstChild();
        if (node.isNull())
            return XmlNode();
        m_position.push_back(node);
    } else {
        node = XmlNode();
    }
    for (;;) {
        if (node.isNull()) {
            // Leave the current node for its next sibling, climbing out of finished references.
            while (!m_position.empty()) {
                const XmlNode next = m_position.back().nextSibling();
                m_position.pop_back();
                if (!next.isNull()) {
                    m_position.push_back(next);
                    node = next;
                    break;
                }
            }
            if (node.isNull())
                return XmlNode();
        }
        const int type = node.nodeType();
        if (IsShown(type))
            return node;
        if (type == NodeType::EntityReference) {
            const XmlNode first = node.firstChild();
            if (!first.isNull()) {
                m_position.push_back(first);
                node = first;
                continue;
            }
        }
        node = XmlNode();
    }
}
