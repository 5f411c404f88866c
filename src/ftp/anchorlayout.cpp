#include "anchorlayout.h"

#include <QWidget>

void CAnchorLayout::Register(QWidget *control, int flags)
{
    if (flags == 0 || !control)
        return;
    QWidget *parent = control->parentWidget();
    if ((m_initialWidth == 0 || m_initialHeight == 0) && parent) {
        m_initialWidth = parent->width();
        m_initialHeight = parent->height();
    }
    m_records.append({flags, control, control->geometry()});
}

void CAnchorLayout::Reposition(QWidget *parent)
{
    if (!parent || m_initialWidth == 0 || m_initialHeight == 0)
        return;
    // A minimised window reports a size of its own; the controls stay where they were so that
    // restoring it finds them in place.
    if (parent->window()->isMinimized())
        return;
    const QRect client = parent->rect();
    const int dx = client.width() - m_initialWidth;
    const int dy = client.height() - m_initialHeight;
    for (const Record &record : std::as_const(m_records)) {
        QWidget *control = record.control.data();
        if (!control)
            continue;
        const QRect present = control->geometry();
        parent->update(present);
        // Edges as exclusive right and bottom coordinates, so that sizes add up exactly.
        int left = present.left(), right = present.left() + present.width();
        int top = present.top(), bottom = present.top() + present.height();
        const int registeredRight = record.rect.left() + record.rect.width();
        const int registeredBottom = record.rect.top() + record.rect.height();
        const bool l = record.flags & AnchorLeft, r = record.flags & AnchorRight;
        const bool t = record.flags & AnchorTop, b = record.flags & AnchorBottom;
        if (l && r) {
            left = record.rect.left();
            right = registeredRight + dx;
        } else if (r) {
            right = registeredRight + dx;
            left = right - present.width();
        } else if (l) {
            left = record.rect.left();
            right = left + present.width();
        }
        if (t && b) {
            top = record.rect.top();
            bottom = registeredBottom + dy;
        } else if (t) {
            top = record.rect.top();
            bottom = top + present.height();
        } else if (b) {
            bottom = registeredBottom + dy;
            top = bottom - present.height();
        }
        const QRect placed(left, top, qMax(0, right - left), qMax(0, bottom - top));
        if (record.flags & HideWhenClipped) {
            if (!client.contains(placed)) {
                control->hide();
                continue;
            }
            if (control->isHidden())
                control->show();
        }
        control->setGeometry(placed);
    }
}
