#include "panefocus.h"

#include <QApplication>
#include <QWidget>

void NotifyPaneFocus(QWidget *pane, int menuResource)
{
    for (QWidget *widget = pane; widget; widget = widget->parentWidget()) {
        if (auto *target = dynamic_cast<CEditMenuSwitchTarget *>(widget)) {
            target->OnEditMenuSwitch(menuResource);
            return;
        }
    }
    // A pane in a window of its own (a floating bar) tells the main windows.
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *target = dynamic_cast<CEditMenuSwitchTarget *>(top)) {
            target->OnEditMenuSwitch(menuResource);
            return;
        }
    }
}
