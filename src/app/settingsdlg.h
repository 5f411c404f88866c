#pragma once

#include <QDialog>
#include <QList>

class CSettingsPage;
class QTabWidget;

// The "Settings" sheet: the "Parser" and "Display" tabs over OK and Cancel, no Apply. OK has
// every tab that was shown write its settings; Cancel writes nothing.
class CSettingsDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CSettingsDlg(const QString &caption, QWidget *parent = nullptr, int selectPage = 0);

    QTabWidget *Tabs() const { return m_tabs; }
    CSettingsPage *GetPage(int index) const { return m_pages.value(index); }
    void accept() override;

private:
    QTabWidget *m_tabs;
    QList<CSettingsPage *> m_pages;
};
