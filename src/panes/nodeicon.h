#pragma once

#include <QIcon>

// The number of the picture that stands for a node of DOM type `nodeType` in the node list and
// the Edit Node dialog: 133 element (and every type without a picture of its own), 134 text,
// 135 attribute, 136 comment, 137 CDATA section, 138 document-type declaration, 139 processing
// instruction, 177 entity reference.
int NodePictureId(int nodeType);

// The picture of a node of DOM type `nodeType`, at 16 and 32 pixels.
QIcon NodeIcon(int nodeType);
