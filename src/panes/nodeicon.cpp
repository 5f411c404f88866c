#include "nodeicon.h"

#include "document/xmlnode.h"
#include "resources/nodepicture.h"

int NodePictureId(int nodeType)
{
    switch (nodeType) {
    case NodeType::Text: return 134;
    case NodeType::Attribute: return 135;
    case NodeType::Comment: return 136;
    case NodeType::CDataSection: return 137;
    case NodeType::DocumentType: return 138;
    case NodeType::ProcessingInstruction: return 139;
    case NodeType::EntityReference: return 177;
    default: return 133;
    }
}

QIcon NodeIcon(int nodeType)
{
    return NodePicture(NodePictureId(nodeType));
}
