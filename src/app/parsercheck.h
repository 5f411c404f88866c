#pragma once

#include "installerdownload.h"

#include <QString>

#include <functional>

// The start-up check that the XML parser can be used. When it cannot, the user is asked
// whether to fetch and start the parser's installer; the program then ends either way.
class CParserCheck
{
public:
    // True when a parser document could be made.
    using ParserFactory = std::function<bool()>;

    CParserCheck();

    void SetParserFactory(ParserFactory factory) { m_factory = std::move(factory); }
    // Where the installer is fetched from: the TREEWRIGHT_INSTALLER_URL environment variable
    // when set, else the program's own download server.
    void SetInstallerAddress(const QString &address) { m_installerAddress = address; }
    QString InstallerAddress() const { return m_installerAddress; }
    void SetOpener(CInstallerDownload::Opener opener) { m_opener = std::move(opener); }

    // Silent when the parser works; otherwise asks, perhaps downloads, and answers false.
    bool Check();

    static QString DefaultInstallerAddress();

private:
    ParserFactory m_factory;
    QString m_installerAddress;
    CInstallerDownload::Opener m_opener;
};
