#pragma once

#include "settingspage.h"

class QCheckBox;

// The "Parser" tab: whether documents are validated, and their external definitions resolved,
// when they are opened ("validateOnParse", "resolveExternals").
class CParserSettingsPage : public CSettingsPage
{
    Q_OBJECT

public:
    explicit CParserSettingsPage(QWidget *parent = nullptr);

    QCheckBox *ValidateBox() const { return m_validate; }
    QCheckBox *ResolveBox() const { return m_resolve; }
    void OnOK() override;

protected:
    void OnInitDialog() override;

private:
    QCheckBox *m_validate = nullptr;
    QCheckBox *m_resolve = nullptr;
};
