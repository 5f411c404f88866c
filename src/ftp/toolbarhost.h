#pragma once

#include <QRect>
#include <QWidget>

class QToolBar;

// The FTP dialog's toolbar (resource 182) in the place the dialog keeps for it. A button passes
// its command to the dialog; the view button (ID_VIEW_NODE_TOOL) asks the dialog to drop down
// its menu instead.
class CToolBarHost : public QWidget
{
    Q_OBJECT

public:
    explicit CToolBarHost(QWidget *parent = nullptr);

    QToolBar *ToolBar() const { return m_toolBar; }
    // The button of `id` in screen coordinates; empty when the toolbar has no such button.
    QRect ButtonRect(int id) const;

Q_SIGNALS:
    void command(int id);
    void dropDown(int id);

private:
    QToolBar *m_toolBar;
};
