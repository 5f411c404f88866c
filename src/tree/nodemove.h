#pragma once

#include "document/workspacedoc.h"
#include "document/xmlnode.h"

#include <QList>

// Moves nodes from one document to an element of the same or another document through the node
// clipboard: a cut in the source, then a paste under the target item, one edit in each document.
// When the cut or the paste fails, every node already cut goes back where it was, so a failed
// move loses nothing. The clipboard is empty afterwards either way.
class CNodeMove
{
public:
    // `targetItem` becomes the target document's current item before the paste. True when the
    // nodes now stand under the target.
    static bool Run(CWorkSpaceDoc *source, const QList<XmlNode> &nodes, CWorkSpaceDoc *target, ItemKey targetItem);
};
