#include "nodemove.h"

#include "document/edittransaction.h"

bool CNodeMove::Run(CWorkSpaceDoc *source, const QList<XmlNode> &nodes, CWorkSpaceDoc *target, ItemKey targetItem)
{
    if (!source || !target || nodes.isEmpty())
        return false;
    const CEditTransaction sourceEdit(source, QStringLiteral("Move"));
    const CEditTransaction targetEdit(target, QStringLiteral("Move"));
    source->ResetNodeClipboard();
    QList<CWorkSpaceDoc::NodePlace> places;
    for (const XmlNode &node : nodes) {
        const CWorkSpaceDoc::NodePlace place = CWorkSpaceDoc::PlaceOf(node);
        if (!source->PutNodeOnClipboard(true, node)) {
            source->PutNodesBack(places);
            source->ResetNodeClipboard();
            return false;
        }
        places.append(place);
    }
    target->SetCurrentItem(targetItem);
    if (target->PasteNodes())
        return true;
    source->PutNodesBack(places);
    source->ResetNodeClipboard();
    return false;
}
