#include "nodeicon.h"

#include "document/xmlnode.h"

#include <QApplication>
#include <QStyle>

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
    // Stand-ins from the style until the node pictures are drawn; then this returns
    // NodePicture(NodePictureId(nodeType)).
    QStyle::StandardPixmap picture = QStyle::SP_DirIcon;
    switch (NodePictureId(nodeType)) {
    case 134: picture = QStyle::SP_FileIcon; break;
    case 135: picture = QStyle::SP_FileDialogDetailedView; break;
    case 136: picture = QStyle::SP_MessageBoxInformation; break;
    case 137: picture = QStyle::SP_FileDialogContentsView; break;
    case 138: picture = QStyle::SP_FileDialogInfoView; break;
    case 139: picture = QStyle::SP_CommandLink; break;
    case 177: picture = QStyle::SP_FileLinkIcon; break;
    default: break;
    }
    return QApplication::style()->standardIcon(picture);
}
