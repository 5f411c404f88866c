#include "nodemove.h"

#include "framework/comerror.h"

bool CNodeMove::Run(CWorkSpaceDoc *source, const QList<XmlNode> &nodes, CWorkSpaceDoc *target, ItemKey targetItem)
{
    if (!source || !target || nodes.isEmpty())
        return false;
    source->ResetNodeClipboard();
    QList<Place> places;
    for (const XmlNode &node : nodes) {
        const Place place{node, node.parentNode(), node.nextSibling(), node.ownerElement()};
        if (!source->PutNodeOnClipboard(true, node)) {
            PutBack(places);
            source->ResetNodeClipboard();
            return false;
        }
        places.append(place);
    }
    target->SetCurrentItem(targetItem);
    if (target->PasteNodes())
        return true;
    PutBack(places);
    source->ResetNodeClipboard();
    return false;
}

void CNodeMove::PutBack(const QList<Place> &places)
{
    // Last cut first, so that each node's old next sibling is back in place before it.
    for (auto it = places.crbegin(); it != places.crend(); ++it) {
        XmlNode node = it->node;
        try {
            if (node.nodeType() == NodeType::Attribute) {
                XmlNode owner = it->ownerElement;
                if (!owner.isNull() && !owner.getAttribute(node.nodeName()).has_value())
                    owner.setAttribute(node.nodeName(), node.nodeValue());
            } else if (!it->parent.isNull() && node.parentNode().isNull()) {
                XmlNode parent = it->parent;
                if (!it->nextSibling.isNull() && it->nextSibling.parentNode() == parent)
                    parent.insertBefore(node, it->nextSibling);
                else
                    parent.appendChild(node);
            }
        } catch (const CComError &) {
            // The place is gone (the parent itself left the tree): the node stays cut.
        }
    }
}
