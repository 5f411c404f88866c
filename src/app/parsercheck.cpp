#include "parsercheck.h"

#include "document/parserlibrary.h"
#include "framework/messagehelper.h"

namespace {
const int ParserRequired = 61452;
const int UnableToUpdate = 61450;
}

CParserCheck::CParserCheck() : m_factory(&ParserLibrary::CanCreateDocument), m_installerAddress(DefaultInstallerAddress())
{
}

QString CParserCheck::DefaultInstallerAddress()
{
    const QString configured = qEnvironmentVariable("TREEWRIGHT_INSTALLER_URL");
    if (!configured.isEmpty())
        return configured;
    return QStringLiteral("http://download.treewright.org/download/xml/Install/3.0/WIN98Me/EN-US/msxml3.exe");
}

bool CParserCheck::Check()
{
    if (m_factory && m_factory())
        return true;
    if (ShowMessage(ParserRequired, QString(), MB::YesNo) != IDAnswer::Yes) {
        ShowMessage(UnableToUpdate, QString(), MB::IconInformation);
        return false;
    }
    CInstallerDownload download(m_installerAddress);
    if (m_opener)
        download.SetOpener(m_opener);
    download.Run();
    // The installer runs on its own once this program has ended.
    return false;
}
