#pragma once

#include <QWidget>

// A tab of the "Settings" sheet. Its check boxes are made, and read from the stored settings,
// when the tab is first shown; OK writes back only the tabs that were made.
class CSettingsPage : public QWidget
{
    Q_OBJECT

public:
    CSettingsPage(const QString &title, QWidget *parent = nullptr) : QWidget(parent), m_title(title) {}

    QString Title() const { return m_title; }
    bool IsCreated() const { return m_created; }
    // Makes the page's controls and reads their states; once only.
    void Create()
    {
        if (m_created)
            return;
        m_created = true;
        OnInitDialog();
    }
    // Writes the controls' states.
    virtual void OnOK() = 0;

protected:
    virtual void OnInitDialog() = 0;

private:
    QString m_title;
    bool m_created = false;
};
