#pragma once

#include <QString>

// The state of one command as its update handler answers it: enabled, checked (0 off, 1 on,
// 2 indeterminate) and whether the check is a radio mark. The route fills one per command before
// a menu opens, when the focus or the active window changes, and before a command runs.
class CCmdUI
{
public:
    explicit CCmdUI(int id) : m_id(id) {}

    int Id() const { return m_id; }

    void Enable(bool enabled = true) { m_enabled = enabled; m_enableSet = true; }
    void SetCheck(int check = 1) { m_check = check; m_checkSet = true; m_radio = false; }
    void SetRadio(bool on = true) { m_check = on ? 1 : 0; m_checkSet = true; m_radio = true; }
    // A text for the command's menu item that changes with the state ("Undo Rename").
    void SetText(const QString &text) { m_text = text; }
    const QString &Text() const { return m_text; }

    bool IsEnabled() const { return m_enabled; }
    int Check() const { return m_check; }
    bool IsCheckSet() const { return m_checkSet; }
    bool IsRadio() const { return m_radio; }

    // Set by the route when a target on it handles the command.
    bool IsHandled() const { return m_handled; }
    void SetHandled() { m_handled = true; }

private:
    int m_id;
    bool m_enabled = true;
    bool m_enableSet = false;
    int m_check = 0;
    bool m_checkSet = false;
    bool m_radio = false;
    bool m_handled = false;
    QString m_text;
};
