#include "settingsdlg.h"

#include "displaysettingspage.h"
#include "parsersettingspage.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

CSettingsDlg::CSettingsDlg(const QString &caption, QWidget *parent, int selectPage)
    : QDialog(parent), m_tabs(new QTabWidget(this))
{
    setWindowTitle(caption);
    m_pages = {new CParserSettingsPage, new CDisplaySettingsPage};
    for (CSettingsPage *page : std::as_const(m_pages))
        m_tabs->addTab(page, page->Title());
    m_tabs->setCurrentIndex(selectPage);
    m_pages.value(m_tabs->currentIndex())->Create();
    // A page reads the settings when it is first shown.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (CSettingsPage *page = GetPage(index))
            page->Create();
    });

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

void CSettingsDlg::accept()
{
    for (CSettingsPage *page : std::as_const(m_pages)) {
        if (page->IsCreated())
            page->OnOK();
    }
    QDialog::accept();
}
