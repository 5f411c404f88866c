#pragma once

#include <QList>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps child controls of a resizable window attached to chosen edges of it. Each control is
// registered once, after the window's initial layout is in place; from then on every change of
// the window's size moves or stretches the control by how far the window grew or shrank since
// then.
class CAnchorLayout
{
public:
    enum Anchor {
        AnchorLeft = 1,      // the left edge keeps its position
        AnchorRight = 2,     // the right edge keeps its distance from the window's right edge
        AnchorTop = 4,       // the top edge keeps its position
        AnchorBottom = 8,    // the bottom edge keeps its distance from the window's bottom edge
        HideWhenClipped = 16 // hidden while its new place does not fit inside the window
    };

    // Remembers where `control` sits now in its parent; flags 0 register nothing. The first
    // registration also records the parent's size as the initial one.
    void Register(QWidget *control, int flags);
    // Applies every control's anchors for the present size of `parent`, in registration order.
    // Does nothing before the first registration and while the window is minimised.
    void Reposition(QWidget *parent);

    QSize InitialSize() const { return QSize(m_initialWidth, m_initialHeight); }
    int Count() const { return int(m_records.size()); }

private:
    struct Record
    {
        int flags = 0;
        QPointer<QWidget> control;
        QRect rect; // at registration, in the parent's coordinates
    };

    int m_initialWidth = 0;
    int m_initialHeight = 0;
    QList<Record> m_records;
};
