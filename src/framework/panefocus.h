#pragma once

class QWidget;

// Told which menu resource's first popup the main menu's "&Edit" should show: a document
// window switches its edit commands, the main window passes the switch on to the active
// document window.
class CEditMenuSwitchTarget
{
public:
    virtual ~CEditMenuSwitchTarget() = default;
    virtual void OnEditMenuSwitch(int menuResource) = 0;
};

// The window whose menu bar holds the "&Edit" popup: it refills the popup with the items of the
// first popup of a menu resource.
class CEditMenuHost
{
public:
    virtual ~CEditMenuHost() = default;
    virtual void FillEditMenu(int menuResource) = 0;
};

// A pane that gains the focus calls this with the number of its edit menu (175 tree, 172 node
// list, 181 source text, 219 browser page, 0 file browser). The nearest window above `pane` that
// takes the switch gets it; a pane outside any document window reaches the main window.
void NotifyPaneFocus(QWidget *pane, int menuResource);
