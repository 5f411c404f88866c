#pragma once

#include <QDialog>

class CNodeInfoPage;
class CNodeSourcePage;
class QTabWidget;

// The node properties: a sheet with the tabs "Source" and "Info" and the buttons OK and Cancel,
// no Apply. The caller fills the pages before showing it; nothing on it can be changed.
class CNodePropertySheet : public QDialog
{
    Q_OBJECT

public:
    explicit CNodePropertySheet(const QString &caption, QWidget *parent = nullptr);

    CNodeSourcePage *SourcePage() const { return m_sourcePage; }
    CNodeInfoPage *InfoPage() const { return m_infoPage; }
    QTabWidget *Tabs() const { return m_tabs; }

private:
    QTabWidget *m_tabs;
    CNodeSourcePage *m_sourcePage;
    CNodeInfoPage *m_infoPage;
};
