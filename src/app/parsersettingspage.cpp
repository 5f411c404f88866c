#include "parsersettingspage.h"

#include "framework/appsettings.h"
#include "ftp/dialogunits.h"

#include <QCheckBox>

namespace {
const QString Section = QStringLiteral("Settings");
}

CParserSettingsPage::CParserSettingsPage(QWidget *parent)
    : CSettingsPage(QStringLiteral("Parser"), parent)
{
    setMinimumSize(CDialogUnits(this).Size(202, 124));
}

void CParserSettingsPage::OnInitDialog()
{
    const CDialogUnits du(this);
    m_validate = new QCheckBox(QStringLiteral("Validate Documents On Load"), this);
    m_validate->setGeometry(du.Rect(5, 5, 186, 13));
    m_resolve = new QCheckBox(QStringLiteral("Resolve Externals"), this);
    m_resolve->setGeometry(du.Rect(5, 20, 186, 13));
    m_validate->setChecked(AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::ValidateOnParse)));
    m_resolve->setChecked(AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::ResolveExternals)));
    m_validate->show();
    m_resolve->show();
}

void CParserSettingsPage::OnOK()
{
    AppSettings::WriteProfileInt(Section, QString::fromLatin1(AppSettings::ValidateOnParse), m_validate->isChecked() ? 1 : 0);
    AppSettings::WriteProfileInt(Section, QString::fromLatin1(AppSettings::ResolveExternals), m_resolve->isChecked() ? 1 : 0);
}
