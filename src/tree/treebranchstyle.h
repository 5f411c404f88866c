#pragma once

#include <QProxyStyle>

// The application's style for the element tree, except that a branch line lying outside the
// area painted is not drawn. A row nested thousands of levels deep asks for one line per level,
// nearly all of them scrolled out of sight, and the style works out its colours for each.
class CTreeBranchStyle : public QProxyStyle
{
    Q_OBJECT

public:
    explicit CTreeBranchStyle(QObject *parent = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
};
