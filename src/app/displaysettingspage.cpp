#include "displaysettingspage.h"

#include "framework/appsettings.h"
#include "ftp/dialogunits.h"

#include <QCheckBox>

CDisplaySettingsPage::CDisplaySettingsPage(QWidget *parent)
    : CSettingsPage(QStringLiteral("Display"), parent)
{
    setMinimumSize(CDialogUnits(this).Size(219, 136));
}

void CDisplaySettingsPage::OnInitDialog()
{
    m_fullPath = new QCheckBox(QStringLiteral("Display full path on window title"), this);
    m_fullPath->setGeometry(CDialogUnits(this).Rect(5, 5, 186, 13));
    m_fullPath->setChecked(AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::DisplayFullPath)));
    m_fullPath->show();
}

void CDisplaySettingsPage::OnOK()
{
    AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(AppSettings::DisplayFullPath),
                                 m_fullPath->isChecked() ? 1 : 0);
}
