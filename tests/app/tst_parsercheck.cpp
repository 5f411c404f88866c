// The start-up check of the XML parser and the installer download, against a local HTTP server.
#include "app/downloadprogressdlg.h"
#include "app/installerdownload.h"
#include "app/parsercheck.h"
#include "app/treewrightapp.h"
#include "document/parserlibrary.h"
#include "common/messagerecorder.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString UnableToUpdate = QStringLiteral("Unable to perform auto update.");

// The installer server of the tests: a python http.server on a free port of 127.0.0.1.
class InstallerServer
{
public:
    explicit InstallerServer(const QString &folder)
    {
        m_process.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(INSTALLER_SERVER), folder});
        if (m_process.waitForReadyRead(10000))
            m_port = m_process.readLine().trimmed().toInt();
    }
    ~InstallerServer()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool isRunning() const { return m_port > 0; }
    QString address(const QString &path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path); }
    // The paths asked for so far.
    QStringList requests()
    {
        m_process.waitForReadyRead(100);
        m_log += QString::fromUtf8(m_process.readAll());
        QStringList paths;
        for (const QString &line : m_log.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            paths.append(line.section(QLatin1Char(' '), 1));
        return paths;
    }

private:
    QProcess m_process;
    QString m_log;
    int m_port = 0;
};

struct OpenerRecord
{
    QList<QUrl> urls;
    bool answer = true;
    CInstallerDownload::Opener opener()
    {
        return [this](const QUrl &url) {
            urls.append(url);
            return answer;
        };
    }
};

} // namespace

class TestParserCheck : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_files;
    std::unique_ptr<InstallerServer> m_server;

    void writeFile(const QString &path, qint64 size)
    {
        QDir(m_files.path()).mkpath(QFileInfo(path).path());
        QFile file(m_files.filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(QByteArray(size, 'M')), size);
    }

    // A port nobody listens on: one the system just handed out and took back.
    static int closedPort()
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

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        writeFile(QStringLiteral("full/msxml3.exe"), CInstallerDownload::MinimumSize);
        writeFile(QStringLiteral("short/msxml3.exe"), CInstallerDownload::MinimumSize - 1);
        writeFile(QStringLiteral("large/msxml3.exe"), 3 * CInstallerDownload::ExpectedSize);
        m_server = std::make_unique<InstallerServer>(m_files.path());
        QVERIFY(m_server->isRunning());
    }
    void cleanupTestCase() { m_server.reset(); }

    void versionRule_data()
    {
        QTest::addColumn<int>("running");
        QTest::addColumn<int>("built");
        QTest::addColumn<bool>("usable");
        QTest::newRow("same") << 21004 << 21004 << true;
        QTest::newRow("newer release") << 21005 << 21004 << true;
        QTest::newRow("newer minor") << 21100 << 21004 << true;
        QTest::newRow("older release") << 21003 << 21004 << false;
        QTest::newRow("older minor") << 20914 << 21004 << false;
        QTest::newRow("unreadable") << 0 << 21004 << false;
    }
    void versionRule()
    {
        QFETCH(int, running);
        QFETCH(int, built);
        QFETCH(bool, usable);
        QCOMPARE(ParserLibrary::VersionUsable(running, built), usable);
    }

    void workingParserPassesSilentlyWithoutNetwork()
    {
        QVERIFY(ParserLibrary::CanCreateDocument());
        MessageRecorder messages;
        OpenerRecord opened;
        CParserCheck check;
        check.SetInstallerAddress(m_server->address(QStringLiteral("/full/msxml3.exe")));
        check.SetOpener(opened.opener());
        const int before = int(m_server->requests().size());
        QVERIFY(check.Check());
        QCOMPARE(messages.count(), 0);
        QVERIFY(opened.urls.isEmpty());
        QCOMPARE(m_server->requests().size(), before);
    }

    void missingParserAnsweredNoEndsWithMessage()
    {
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::No);
        OpenerRecord opened;
        CParserCheck check;
        check.SetParserFactory([] { return false; });
        check.SetInstallerAddress(m_server->address(QStringLiteral("/full/msxml3.exe")));
        check.SetOpener(opened.opener());
        const int before = int(m_server->requests().size());
        QVERIFY(!check.Check());
        QCOMPARE(messages.count(), 2);
        QVERIFY(messages.boxes().at(0).text.startsWith(QStringLiteral("Microsoft XML v3.0 or greater is required. Please visit ")));
        QVERIFY(messages.boxes().at(0).text.contains(QStringLiteral(" \nand download the latest XML Parser or click YES to install v3.0 now?")));
        QCOMPARE(messages.boxes().at(0).style, MB::YesNo);
        QCOMPARE(messages.boxes().at(1).text.trimmed(), UnableToUpdate);
        QCOMPARE(messages.boxes().at(1).style, MB::IconInformation);
        QVERIFY(opened.urls.isEmpty());
        QCOMPARE(m_server->requests().size(), before);
    }

    void missingParserEndsStartupWithoutWindow()
    {
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::No);
        CTreewrightApp app;
        app.ParserCheck().SetParserFactory([] { return false; });
        QVERIFY(!app.InitInstance({}, true));
        QCOMPARE(messages.count(), 2);
        QVERIFY(!app.MainFrame());
        QVERIFY(!app.Splash());
        QVERIFY(app.Documents().isEmpty());
    }

    void missingParserAnsweredYesDownloadsAndOpens()
    {
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::Yes);
        OpenerRecord opened;
        CParserCheck check;
        check.SetParserFactory([] { return false; });
        check.SetInstallerAddress(m_server->address(QStringLiteral("/full/msxml3.exe")));
        check.SetOpener(opened.opener());
        QVERIFY(!check.Check());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(opened.urls.size(), 1);
        const QFileInfo file(opened.urls.first().toLocalFile());
        QCOMPARE(file.size(), CInstallerDownload::MinimumSize);
        QFile::remove(file.filePath());
        QDir().rmdir(file.path());
    }

    // The size rule: exactly the threshold is the whole installer, one byte less is not.
    void sizeRule_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("complete");
        QTest::newRow("threshold") << QStringLiteral("/full/msxml3.exe") << true;
        QTest::newRow("one byte short") << QStringLiteral("/short/msxml3.exe") << false;
        QTest::newRow("larger than the scale") << QStringLiteral("/large/msxml3.exe") << true;
    }
    void sizeRule()
    {
        QFETCH(QString, path);
        QFETCH(bool, complete);
        MessageRecorder messages;
        OpenerRecord opened;
        CInstallerDownload download(m_server->address(path));
        download.SetOpener(opened.opener());
        QList<int> positions;
        QString title;
        connect(&download, &CInstallerDownload::progressChanged, this, [&](int position) {
            positions.append(position);
            title = download.ProgressWindow()->windowTitle();
        });
        const CInstallerDownload::Result result = download.Run();

        QCOMPARE(title, QStringLiteral("Downloading Microsoft XML Parser v3.0"));
        QVERIFY(!positions.isEmpty());
        QVERIFY(std::is_sorted(positions.begin(), positions.end()));
        QVERIFY(positions.last() >= 99 && positions.last() <= 100);
        QVERIFY(!download.ProgressWindow());
        if (complete) {
            QCOMPARE(result, CInstallerDownload::Result::Opened);
            QCOMPARE(messages.count(), 0);
            QCOMPARE(opened.urls.size(), 1);
            const QString local = opened.urls.first().toLocalFile();
            QCOMPARE(local, download.FilePath());
            QCOMPARE(QFileInfo(local).size(), QFileInfo(m_files.filePath(path.mid(1))).size());
            // A fresh private folder, and a file nobody may run as it stands.
            QVERIFY(QFileInfo(local).fileName().startsWith(QStringLiteral("msxml3-")));
            QVERIFY(QFileInfo(local).fileName().endsWith(QStringLiteral(".exe")));
            QCOMPARE(QFileInfo(QFileInfo(local).path()).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
                     QFile::Permissions());
            QVERIFY(!QFileInfo(local).isExecutable());
            QFile::remove(local);
            QDir().rmdir(QFileInfo(local).path());
        } else {
            QCOMPARE(result, CInstallerDownload::Result::Incomplete);
            QCOMPARE(messages.count(), 1);
            QCOMPARE(messages.lastText().trimmed(), UnableToUpdate);
            QVERIFY(opened.urls.isEmpty());
            QVERIFY(download.FilePath().isEmpty());
        }
    }

    // An error page long enough to pass for the installer is still a failed download.
    void errorStatusFails_data()
    {
        QTest::addColumn<int>("status");
        QTest::newRow("not found") << 404;
        QTest::newRow("server error") << 500;
    }
    void errorStatusFails()
    {
        QFETCH(int, status);
        MessageRecorder messages;
        OpenerRecord opened;
        CInstallerDownload download(m_server->address(QStringLiteral("/status/%1/%2").arg(status).arg(CInstallerDownload::ExpectedSize)));
        download.SetOpener(opened.opener());
        QCOMPARE(download.Run(), CInstallerDownload::Result::HttpError);
        QCOMPARE(download.HttpStatus(), long(status));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.lastText(), UnableToUpdate + QStringLiteral(" HTTP status %1").arg(status));
        QVERIFY(opened.urls.isEmpty());
        QCOMPARE(download.Received(), qint64(0));
    }

    void unreachableServerOpensAddressInBrowser()
    {
        MessageRecorder messages;
        OpenerRecord opened;
        const QString address = QStringLiteral("http://127.0.0.1:%1/msxml3.exe").arg(closedPort());
        CInstallerDownload download(address);
        download.SetOpener(opened.opener());
        QCOMPARE(download.Run(), CInstallerDownload::Result::ConnectionFailed);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(UnableToUpdate + QLatin1Char(' ')));
        QVERIFY(messages.lastText().size() > UnableToUpdate.size() + 1);
        QCOMPARE(opened.urls, QList<QUrl>{QUrl(address)});
    }

    void badAddressIsReported_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("no scheme") << QStringLiteral("msxml3.exe");
        QTest::newRow("not http") << QStringLiteral("ftp://127.0.0.1/msxml3.exe");
        QTest::newRow("no host") << QStringLiteral("http:///msxml3.exe");
    }
    void badAddressIsReported()
    {
        QFETCH(QString, address);
        MessageRecorder messages;
        OpenerRecord opened;
        CInstallerDownload download(address);
        download.SetOpener(opened.opener());
        QCOMPARE(download.Run(), CInstallerDownload::Result::BadAddress);
        QCOMPARE(messages.lastText(), UnableToUpdate + QStringLiteral(" error parsing url"));
        QVERIFY(opened.urls.isEmpty());
    }

    void openerFailureIsReported()
    {
        MessageRecorder messages;
        OpenerRecord opened;
        opened.answer = false;
        CInstallerDownload download(m_server->address(QStringLiteral("/full/msxml3.exe")));
        download.SetOpener(opened.opener());
        QCOMPARE(download.Run(), CInstallerDownload::Result::OpenFailed);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(download.FilePath()));
        QVERIFY(QFileInfo::exists(download.FilePath()));
        QFile::remove(download.FilePath());
        QDir().rmdir(QFileInfo(download.FilePath()).path());
    }

    void localFileName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("http://h/download/xml/msxml3.exe") << QStringLiteral("msxml3.exe");
        QTest::newRow("no name") << QStringLiteral("http://h/") << QStringLiteral("installer");
        QTest::newRow("hidden") << QStringLiteral("http://h/..profile") << QStringLiteral("profile");
        QTest::newRow("encoded slashes") << QStringLiteral("http://h/a%2F..%2F..%2Fb.exe") << QStringLiteral("b.exe");
    }
    void localFileName()
    {
        QFETCH(QString, address);
        QFETCH(QString, name);
        QCOMPARE(CInstallerDownload::LocalFileName(QUrl(address)), name);
    }
};

QTEST_MAIN(TestParserCheck)
#include "tst_parsercheck.moc"
