#include "dialogunits.h"

#include <QFontMetrics>
#include <QWidget>

CDialogUnits::CDialogUnits(const QWidget *widget)
{
    const QFontMetrics metrics(widget->font());
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseWidth = qMax(1, (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2);
    m_baseHeight = qMax(1, metrics.height());
}
