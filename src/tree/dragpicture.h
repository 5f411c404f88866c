#pragma once

#include <QPixmap>

class QColor;
class QFont;
class QModelIndex;

// What the pointer carries while an element is dragged: the item's picture and label.
QPixmap DragPicture(const QModelIndex &index, const QFont &font, const QColor &textColor, qreal devicePixelRatio);

// The drag's picture over a place that refuses the drop but still wants to hear of it (an
// element inside the dragged one): a "no" sign.
QPixmap ForbiddenPicture();
