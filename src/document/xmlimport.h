#pragma once

#include "xmlnode.h"

// Copies nodes from one document into another so that the copy never needs a declaration the
// target lacks. An entity reference whose entity the target declares stays a reference (to the
// target's entity); any other is replaced by a copy of its entity's content, as the document
// that declares it gives that content, nested references settled the same way. A document that
// only holds copies for later (the node clipboard's) takes them as they are: they are settled
// when they leave it.
class XmlImport
{
public:
    // A copy of `node` (an attribute or any node but a document) owned by the document of
    // `into`, not yet in its tree. References are looked up in the document of `entities`, or in
    // `node`'s own when that is null. A lone entity reference that had to be replaced comes back
    // as a fragment holding its content. Raises CComError, copying nothing, when a reference's
    // content is unknown (an external entity that was not read) or expands beyond a bound.
    static XmlNode Copy(const XmlNode &into, const XmlNode &node, const XmlNode &entities = XmlNode());

    // Whether `node` or anything under it (attribute values included) is an entity reference.
    static bool HasEntityReferences(const XmlNode &node);

    // Bytes of entity content one copy may expand to.
    static constexpr long long ExpansionLimit = 64ll << 20;
    // Entities nested in entities one copy follows.
    static constexpr int DepthLimit = 64;
};
