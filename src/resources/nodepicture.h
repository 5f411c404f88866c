#pragma once

#include <QIcon>

// The picture of a kind of node, by its icon resource number: 132 document, 133 element,
// 134 text, 135 attribute, 136 comment, 137 CDATA section, 138 document-type declaration,
// 139 processing instruction, 177 entity reference. A null icon for any other number.
QIcon NodePicture(int resourceId);
