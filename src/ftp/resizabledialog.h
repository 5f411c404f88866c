#pragma once

#include "anchorlayout.h"

#include <QDialog>

// A dialog whose controls sit at fixed places and follow its edges by their anchors when the
// user resizes it. It carries a size grip in its bottom-right corner and cannot be made smaller
// than it was when its initialisation finished.
class CResizableDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CResizableDialog(QWidget *parent = nullptr);

    CAnchorLayout &AnchorLayout() { return m_anchors; }

protected:
    // Called at the end of the dialog's initialisation, after the controls are registered: the
    // present size becomes the smallest one.
    void FinishInitialLayout();

    void resizeEvent(QResizeEvent *event) override;

private:
    CAnchorLayout m_anchors;
};
