#include "treebranchstyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

QStyle *applicationStyleCopy()
{
    // The proxy owns its base: a new instance of the style the application uses.
    return QStyleFactory::create(QApplication::style()->name());
}

} // namespace

CTreeBranchStyle::CTreeBranchStyle(QObject *parent)
    : QProxyStyle(applicationStyleCopy())
{
    setParent(parent);
}

void CTreeBranchStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                                     const QWidget *widget) const
{
    if (element == PE_IndicatorBranch && option && painter && painter->isActive()) {
        // The painter's window is the painted widget's own rectangle.
        if (!painter->worldTransform().mapRect(option->rect).intersects(painter->window()))
            return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}
