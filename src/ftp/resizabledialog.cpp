#include "resizabledialog.h"

#include <QResizeEvent>

CResizableDialog::CResizableDialog(QWidget *parent) : QDialog(parent)
{
    // The grip stays in the bottom-right corner whatever the size, and dragging it resizes.
    setSizeGripEnabled(true);
}

void CResizableDialog::FinishInitialLayout()
{
    setMinimumSize(size());
}

void CResizableDialog::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    m_anchors.Reposition(this);
    update();
}
