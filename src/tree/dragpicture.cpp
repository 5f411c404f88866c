#include "dragpicture.h"

#include <QFontMetrics>
#include <QIcon>
#include <QModelIndex>
#include <QPainter>

QPixmap DragPicture(const QModelIndex &index, const QFont &font, const QColor &textColor, qreal devicePixelRatio)
{
    const QString label = index.data(Qt::DisplayRole).toString();
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    const QFontMetrics metrics(font);
    const int height = qMax(16, metrics.height());
    const int width = 16 + 4 + metrics.horizontalAdvance(label) + 2;
    QPixmap picture(QSize(width, height) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    icon.paint(&painter, QRect(0, (height - 16) / 2, 16, 16));
    painter.setFont(font);
    painter.setPen(textColor);
    painter.drawText(QRect(20, 0, width - 20, height), Qt::AlignVCenter | Qt::AlignLeft, label);
    return picture;
}

QPixmap ForbiddenPicture()
{
    QPixmap picture(24, 24);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xc0, 0x1c, 0x28), 3));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(2.5, 2.5, 19, 19));
    painter.drawLine(QPointF(6, 6), QPointF(18, 18));
    return picture;
}
