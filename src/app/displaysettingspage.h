#pragma once

#include "settingspage.h"

class QCheckBox;

// The "Display" tab: whether window titles show the document's full path ("displayFullPath").
class CDisplaySettingsPage : public CSettingsPage
{
    Q_OBJECT

public:
    explicit CDisplaySettingsPage(QWidget *parent = nullptr);

    QCheckBox *FullPathBox() const { return m_fullPath; }
    void OnOK() override;

protected:
    void OnInitDialog() override;

private:
    QCheckBox *m_fullPath = nullptr;
};
