// The start-up check of the XML parser and the installer download, against a local HTTP server.
#include "app/downloadprogressdlg.h"
#include "app/installerdownload.h"
#include "app/parsercheck.h"
#include "app/treewrightapp.h"
#include "document/parserlibrary.h"
#include "common/messagerecorder.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString UnableToUpdate = QStringLiteral("Unable to perform auto update. ");

// A port nobody listens on: one the system just handed out and took back.
int closedPort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr *>(&address), &length);
    close(probe);
    return ntohs(address.sin_port);
}

} // namespace

class TestParserCheck : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_files;
    QProcess m_server; // python's http.server on a free port; it prints the port, then each request
    int m_port = 0;
    QList<QUrl> m_opened;

    QString address(const QString &path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path); }
    int m_requests = 0;
    int requestCount()
    {
        m_server.waitForReadyRead(100);
        return m_requests += int(m_server.readAll().count('\n'));
    }
    CInstallerDownload::Opener recorder()
    {
        return [this](const QUrl &url) {
            m_opened.append(url);
            return true;
        };
    }
    void writeFile(const QString &name, qint64 size)
    {
        QDir(m_files.path()).mkpath(QFileInfo(name).path());
        QFile file(m_files.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(size, 'M')) == size);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        writeFile(QStringLiteral("full/msxml3.exe"), CInstallerDownload::MinimumSize);
        writeFile(QStringLiteral("short/msxml3.exe"), CInstallerDownload::MinimumSize - 1);
        m_server.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(INSTALLER_SERVER), m_files.path()});
        QVERIFY(m_server.waitForReadyRead(10000));
        m_port = m_server.readLine().trimmed().toInt();
        QVERIFY(m_port > 0);
    }
    void cleanupTestCase()
    {
        m_server.kill();
        m_server.waitForFinished();
    }
    void init() { m_opened.clear(); }
    void cleanup()
    {
        for (const QUrl &url : std::as_const(m_opened)) {
            if (url.isLocalFile() && QFile::remove(url.toLocalFile()))
                QDir().rmdir(QFileInfo(url.toLocalFile()).path());
        }
    }

    void versionRule()
    {
        QVERIFY(ParserLibrary::VersionUsable(21004, 21004));
        QVERIFY(ParserLibrary::VersionUsable(21100, 21004));
        QVERIFY(!ParserLibrary::VersionUsable(21003, 21004));
        QVERIFY(!ParserLibrary::VersionUsable(0, 21004));
    }

    void workingParserPassesSilentlyWithoutNetwork()
    {
        MessageRecorder messages;
        CParserCheck check;
        check.SetInstallerAddress(address(QStringLiteral("/full/msxml3.exe")));
        check.SetOpener(recorder());
        const int before = requestCount();
        QVERIFY(check.Check());
        QCOMPARE(messages.count(), 0);
        QCOMPARE(requestCount(), before);
    }

    void missingParserAnsweredNoEndsStartup()
    {
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::No);
        CTreewrightApp app;
        app.ParserCheck().SetParserFactory([] { return false; });
        app.ParserCheck().SetInstallerAddress(address(QStringLiteral("/full/msxml3.exe")));
        const int before = requestCount();
        QVERIFY(!app.InitInstance({}, true));
        QCOMPARE(messages.count(), 2);
        QVERIFY(messages.boxes().at(0).text.startsWith(QStringLiteral("Microsoft XML v3.0 or greater is required. Please visit ")));
        QCOMPARE(messages.boxes().at(0).style, MB::YesNo);
        QCOMPARE(messages.boxes().at(1).text, UnableToUpdate);
        QCOMPARE(messages.boxes().at(1).style, MB::IconInformation);
        QVERIFY(!app.MainFrame());
        QCOMPARE(requestCount(), before);
    }

    void missingParserAnsweredYesDownloadsAndOpens()
    {
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::Yes);
        CParserCheck check;
        check.SetParserFactory([] { return false; });
        check.SetInstallerAddress(address(QStringLiteral("/full/msxml3.exe")));
        check.SetOpener(recorder());
        QVERIFY(!check.Check());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(QFileInfo(m_opened.first().toLocalFile()).size(), CInstallerDownload::MinimumSize);
    }

    void downloadOutcome_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("message");
        using R = CInstallerDownload::Result;
        QTest::newRow("exactly the threshold") << address(QStringLiteral("/full/msxml3.exe")) << int(R::Opened) << QString();
        QTest::newRow("one byte short") << address(QStringLiteral("/short/msxml3.exe")) << int(R::Incomplete) << UnableToUpdate;
        // An error page long enough to pass for the installer is still a failed download.
        QTest::newRow("404 page of full size") << address(QStringLiteral("/status/404/650000")) << int(R::HttpError)
                                              << UnableToUpdate + QStringLiteral("HTTP status 404");
        QTest::newRow("500 page of full size") << address(QStringLiteral("/status/500/650000")) << int(R::HttpError)
                                              << UnableToUpdate + QStringLiteral("HTTP status 500");
        QTest::newRow("unreachable") << QStringLiteral("http://127.0.0.1:%1/msxml3.exe").arg(closedPort()) << int(R::ConnectionFailed)
                                     << UnableToUpdate + QStringLiteral("Failed to connect");
        QTest::newRow("no address") << QStringLiteral("msxml3.exe") << int(R::BadAddress) << UnableToUpdate + QStringLiteral("error parsing url");
        QTest::newRow("not http") << QStringLiteral("ftp://127.0.0.1/msxml3.exe") << int(R::BadAddress)
                                  << UnableToUpdate + QStringLiteral("error parsing url");
    }
    void downloadOutcome()
    {
        QFETCH(QString, address);
        QFETCH(int, result);
        QFETCH(QString, message);
        MessageRecorder messages;
        CInstallerDownload download(address);
        download.SetOpener(recorder());
        QList<int> positions;
        QString title;
        connect(&download, &CInstallerDownload::progressChanged, this, [&](int position) {
            positions.append(position);
            title = download.ProgressWindow()->windowTitle();
        });
        QCOMPARE(int(download.Run()), result);
        QVERIFY(!download.ProgressWindow());
        if (message.isEmpty())
            QCOMPARE(messages.count(), 0);
        else
            QVERIFY2(messages.count() == 1 && messages.lastText().startsWith(message), qPrintable(messages.lastText()));

        if (result == int(CInstallerDownload::Result::Opened)) {
            QCOMPARE(title, QStringLiteral("Downloading Microsoft XML Parser v3.0"));
            QVERIFY(std::is_sorted(positions.begin(), positions.end()) && positions.last() == 99);
            // A fresh folder of this user's own, and a file nobody may run as it stands.
            const QFileInfo file(m_opened.value(0).toLocalFile());
            QCOMPARE(file.filePath(), download.FilePath());
            QCOMPARE(file.size(), CInstallerDownload::MinimumSize);
            QVERIFY(file.fileName().startsWith(QStringLiteral("msxml3-")) && file.suffix() == QStringLiteral("exe"));
            QVERIFY(!file.isExecutable());
            QCOMPARE(QFileInfo(file.path()).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        } else if (result == int(CInstallerDownload::Result::ConnectionFailed)) {
            QCOMPARE(m_opened, QList<QUrl>{QUrl(address)}); // the browser may still fetch it
        } else {
            QVERIFY(m_opened.isEmpty());
            QVERIFY(download.FilePath().isEmpty());
        }
    }

    void localFileNameIsPlain()
    {
        QCOMPARE(CInstallerDownload::LocalFileName(QUrl(QStringLiteral("http://h/x/msxml3.exe"))), QStringLiteral("msxml3.exe"));
        QCOMPARE(CInstallerDownload::LocalFileName(QUrl(QStringLiteral("http://h/..profile"))), QStringLiteral("profile"));
        QCOMPARE(CInstallerDownload::LocalFileName(QUrl(QStringLiteral("http://h/"))), QStringLiteral("installer"));
    }
};

QTEST_MAIN(TestParserCheck)
#include "tst_parsercheck.moc"
