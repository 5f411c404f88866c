// Remote files over FTPS (explicit TLS) and SFTP against real servers on 127.0.0.1: the server
// field's schemes, browsing, opening and saving back, and what the user decides about
// certificates and host keys the usual checks do not vouch for.
#include "ftp/ftpclient.h"
#include "ftp/ftpfilelist.h"
#include "ftp/ftpopendlg.h"
#include "ftp/ftpupload.h"
#include "ftp/remotetrust.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"
#include "ftptestserver.h"
#include "sshtestserver.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QtTest>

class TestSecureFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void serverField_data();
    void serverField();
    void ftpsCertificateRefusedTrustedOnceOrAlways();
    void ftpsBrowseOpenAndSaveBack();
    void sftpBrowseOpenSaveBackAndManage();
    void sftpUnknownHostKeyAcceptedOnceOrAlways();
    void sftpChangedHostKeyRefused();
    void wrongPasswordReported();

private:
    QString Ftps(const QString &host = QStringLiteral("127.0.0.1")) const
    {
        return QStringLiteral("ftps://") + host + QLatin1Char(':') + QString::number(m_ftps.Port());
    }
    QString Sftp() const { return QStringLiteral("sftp://127.0.0.1:") + QString::number(m_ssh.Port()); }
    // A home of the test's own: the user key and, when `known`, the server's host key.
    void MakeHome(bool withKey, const QString &knownHosts);
    void OpenAndSaveBack(const QString &server, const QString &user, const QString &password, const QString &folder,
                         const std::function<QByteArray(const QString &)> &serverFile);

    TestFiles::TempFolder m_files;
    FtpTestServer m_ftps;
    SshTestServer m_ssh;
    QString m_sshProblem;
    QTemporaryDir m_home;
    QString m_fingerprint; // the test certificate's, as "openssl x509 -fingerprint" shows it
};

void TestSecureFiles::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    qunsetenv("SSH_AUTH_SOCK");
    // A throwaway self-signed certificate for 127.0.0.1 alone.
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2",
                   "-subj", "/CN=Treewright Test/O=Throwaway", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                   m_files.filePath("key.pem"), "-out", m_files.filePath("cert.pem")});
    QVERIFY(openssl.waitForFinished(30000) && openssl.exitCode() == 0);
    openssl.start(QStringLiteral("openssl"), {"x509", "-noout", "-fingerprint", "-sha256", "-in", m_files.filePath("cert.pem")});
    QVERIFY(openssl.waitForFinished(30000));
    m_fingerprint = QString::fromLatin1(openssl.readAllStandardOutput().trimmed()).section(QLatin1Char('='), 1);
    QCOMPARE(m_fingerprint.size(), 95);
    // The server writes down the commands it receives.
    qputenv("TW_FTP_LOG", QFile::encodeName(m_files.filePath("ftps.log")));
    QVERIFY(m_ftps.StartTls(m_files.filePath("cert.pem"), m_files.filePath("key.pem")));
    qunsetenv("TW_FTP_LOG");
    QVERIFY(m_ftps.Write("data.xml", "<data/>"));
    QVERIFY(m_ftps.Write("pub/readme.xml", "<r/>"));
    if (m_ssh.Start(&m_sshProblem)) {
        QVERIFY(TestFiles::writeAll(m_ssh.Local("data.xml"), "<sftp/>"));
        QVERIFY(QDir(m_ssh.Root()).mkpath("pub"));
    }
}

void TestSecureFiles::init()
{
    CRemoteTrust::ForgetTrustedOnce();
    QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    MakeHome(true, m_ssh.KnownHostsLine());
}

void TestSecureFiles::MakeHome(bool withKey, const QString &knownHosts)
{
    const QString ssh = m_home.filePath(".ssh");
    QDir(ssh).removeRecursively();
    QVERIFY(QDir().mkpath(ssh));
    if (withKey) {
        QVERIFY(QFile::copy(m_ssh.UserKey(), ssh + "/id_ed25519"));
        QVERIFY(QFile::copy(m_ssh.UserKey() + ".pub", ssh + "/id_ed25519.pub"));
    }
    if (!knownHosts.isEmpty())
        QVERIFY(TestFiles::writeAll(ssh + "/known_hosts", knownHosts.toUtf8() + '\n'));
    qputenv("HOME", QFile::encodeName(m_home.path()));
}

void TestSecureFiles::serverField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("scheme");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("origin");
    QTest::newRow("plain") << "files.example" << true << int(CFtpClient::Ftp) << "files.example" << 21 << "files.example";
    QTest::newRow("ftp") << "ftp://files.example:2121" << true << int(CFtpClient::Ftp) << "files.example" << 2121 << "files.example";
    QTest::newRow("ftps") << "FTPS://files.example" << true << int(CFtpClient::Ftps) << "files.example" << 21 << "ftps://files.example";
    QTest::newRow("sftp") << " sftp://files.example/ " << true << int(CFtpClient::Sftp) << "files.example" << 22 << "sftp://files.example";
    QTest::newRow("sftp port") << "sftp://files.example:2222" << true << int(CFtpClient::Sftp) << "files.example" << 2222 << "sftp://files.example";
    QTest::newRow("sftp v6") << "sftp://[::1]:2022" << true << int(CFtpClient::Sftp) << "::1" << 2022 << "sftp://[::1]";
    QTest::newRow("other scheme") << "http://files.example" << false << int(CFtpClient::Ftp) << "files.example" << 21 << "";
    QTest::newRow("bad port") << "sftp://files.example:99999" << false << int(CFtpClient::Sftp) << "files.example" << 22 << "";
}

void TestSecureFiles::serverField()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    CFtpClient::Scheme scheme = CFtpClient::Ftp;
    QString parsed;
    quint16 port = 0;
    QCOMPARE(CFtpClient::ParseServer(text, &scheme, &parsed, &port), valid);
    QCOMPARE(parsed, host);
    QTEST(int(scheme), "scheme");
    if (!valid)
        return;
    QTEST(int(port), "port");
    QTEST(CFtpClient::ServerText(scheme, host), "origin");
    // The open dialog keeps the scheme for the document it opens.
    CFtpOpenDlg dialog;
    dialog.SetLogin(text, "u", "p");
    QCOMPARE(dialog.OriginServer(), CFtpClient::ServerText(scheme, host));
    QCOMPARE(int(dialog.Port()), int(port));
}

void TestSecureFiles::ftpsCertificateRefusedTrustedOnceOrAlways()
{
    MessageRecorder messages;
    const auto connect = [this](const QString &host) {
        CFtpClient client;
        client.SetScheme(CFtpClient::Ftps);
        const bool connected = CRemoteTrust::Connect(nullptr, &client, host, m_ftps.Port(), "tester", "secret");
        if (!connected)
            return QStringLiteral("refused: ") + client.LastError();
        QList<CFtpEntry> entries;
        return client.List(QString(), &entries) ? QStringLiteral("listed %1").arg(entries.size()) : client.LastError();
    };

    // Refused: the certificate is shown; neither the user name nor the password went out.
    const qint64 logStart = TestFiles::readAll(m_files.filePath("ftps.log")).size();
    messages.queueAnswer(IDAnswer::Cancel);
    QVERIFY(connect("127.0.0.1").startsWith("refused: The server's certificate is not trusted"));
    QCOMPARE(messages.count(), 1);
    const QByteArray received = TestFiles::readAll(m_files.filePath("ftps.log")).mid(logStart);
    QVERIFY2(received.contains("<- AUTH"), received.constData());
    QVERIFY(!received.contains("<- USER") && !received.contains("<- PASS"));
    const QString question = messages.lastText();
    QVERIFY2(question.contains("Subject: O=Throwaway,CN=Treewright Test"), qPrintable(question));
    QVERIFY(question.contains("Issuer: O=Throwaway,CN=Treewright Test"));
    QVERIFY(question.contains("SHA-256 fingerprint: " + m_fingerprint));
    QCOMPARE(messages.boxes().last().style, MB::YesNoCancel | MB::IconExclamation);

    // Trusted once: this run connects without asking again, nothing is kept.
    messages.clear();
    messages.queueAnswer(IDAnswer::No);
    QCOMPARE(connect("127.0.0.1"), QStringLiteral("listed 2"));
    QCOMPARE(connect("127.0.0.1"), QStringLiteral("listed 2"));
    QCOMPARE(messages.count(), 1);
    QVERIFY(CRemoteTrust::PinnedCertificate("127.0.0.1", m_ftps.Port()).isEmpty());
    CRemoteTrust::ForgetTrustedOnce();
    messages.queueAnswer(IDAnswer::Cancel);
    QVERIFY(connect("127.0.0.1").startsWith("refused: "));
    QCOMPARE(messages.count(), 2);

    // Trusted always: kept for this name and port, and for no other name of the same server.
    messages.clear();
    messages.queueAnswer(IDAnswer::Yes);
    QCOMPARE(connect("127.0.0.1"), QStringLiteral("listed 2"));
    CRemoteTrust::ForgetTrustedOnce();
    QCOMPARE(connect("127.0.0.1"), QStringLiteral("listed 2"));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(CRemoteTrust::CertificateFingerprint(CRemoteTrust::PinnedCertificate("127.0.0.1", m_ftps.Port())), m_fingerprint);
    messages.queueAnswer(IDAnswer::Cancel);
    QVERIFY(connect("localhost").startsWith("refused: "));
    QCOMPARE(messages.count(), 2);
    QVERIFY(messages.lastText().contains("certificate of localhost:"));
}

// Opens `data.xml` of `folder` through the open dialog and saves it back with new bytes, the way
// a document that remembers its origin does.
void TestSecureFiles::OpenAndSaveBack(const QString &server, const QString &user, const QString &password,
                                      const QString &folder, const std::function<QByteArray(const QString &)> &serverFile)
{
    QString local, remote, origin;
    quint16 port = 0;
    {
        CFtpOpenDlg dialog;
        dialog.SetLogin(server, user, password);
        QVERIFY(dialog.OnInitDialog());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClicks(dialog.FileNameEdit(), folder);
        QTest::keyClick(dialog.FileNameEdit(), Qt::Key_Return);
        QCOMPARE(dialog.Client()->GetCurrentDirectory(), folder);
        QVERIFY(dialog.List()->FindRow("data.xml") >= 0);
        QVERIFY(dialog.List()->FindRow("pub") >= 0);
        dialog.FileNameEdit()->setText("data.xml");
        dialog.OnCommand(1014);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        local = dialog.LocalPath();
        remote = dialog.RemotePath();
        origin = dialog.OriginServer();
        port = dialog.Port();
    }
    QCOMPARE(TestFiles::readAll(local), serverFile("data.xml"));
    QVERIFY(origin.startsWith(server.section("://", 0, 0) + "://127.0.0.1"));
    QVERIFY(TestFiles::writeAll(local, "<saved>back</saved>"));
    QString error;
    QVERIFY2(CFtpUpload::Upload(origin, port, user, password, local, remote, &error), qPrintable(error));
    QCOMPARE(serverFile("data.xml"), QByteArray("<saved>back</saved>"));
    QDir(QFileInfo(local).absolutePath()).removeRecursively();
}

void TestSecureFiles::ftpsBrowseOpenAndSaveBack()
{
    MessageRecorder messages;
    messages.queueAnswer(IDAnswer::No);
    OpenAndSaveBack(Ftps(), "tester", "secret", "/", [this](const QString &name) { return m_ftps.Read(name); });
    // Asked once, when the dialog logged in; the upload trusted the same certificate.
    QCOMPARE(messages.count(), 1);
    // Nothing but the files themselves is left on the server.
    QCOMPARE(QDir(m_ftps.Root()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestSecureFiles::sftpBrowseOpenSaveBackAndManage()
{
    if (m_ssh.Port() == 0)
        QSKIP(qPrintable("no sshd: " + m_sshProblem));
    MessageRecorder messages;
    OpenAndSaveBack(Sftp(), SshTestServer::UserName(), QString(), m_ssh.Root(),
                    [this](const QString &name) { return TestFiles::readAll(m_ssh.Local(name)); });
    QCOMPARE(messages.count(), 0);
    // Saving over the file left neither the temporary upload nor the old file behind.
    QCOMPARE(QDir(m_ssh.Root()).entryList(QDir::Files | QDir::Hidden), QStringList{"data.xml"});

    // Directories and names with quotes and blanks are managed as given.
    CFtpClient client;
    client.SetScheme(CFtpClient::Sftp);
    QVERIFY2(client.Connect("127.0.0.1", m_ssh.Port(), SshTestServer::UserName(), QString()), qPrintable(client.LastError()));
    QCOMPARE(client.HomeDirectory(), m_ssh.Root());
    QVERIFY(!client.SetCurrentDirectory("missing"));
    QCOMPARE(client.GetCurrentDirectory(), m_ssh.Root());
    QVERIFY(client.CreateDirectory("new \"dir\""));
    QVERIFY(!client.CreateDirectory("new \"dir\""));
    QVERIFY(client.SetCurrentDirectory("new \"dir\""));
    QVERIFY(TestFiles::writeAll(m_files.filePath("up.xml"), "<up/>"));
    QVERIFY(client.PutFile(m_files.filePath("up.xml"), "a\\b c.xml"));
    QCOMPARE(TestFiles::readAll(m_ssh.Local("new \"dir\"/a\\b c.xml")), QByteArray("<up/>"));
    QVERIFY(client.Rename("a\\b c.xml", "/" + m_ssh.Root() + "/moved.xml"));
    QList<CFtpEntry> entries;
    QVERIFY(client.List(m_ssh.Root(), &entries));
    QStringList names;
    for (const CFtpEntry &entry : entries)
        names.append(entry.name + (entry.isDirectory ? "/" : ""));
    names.sort();
    QCOMPARE(names, (QStringList{"data.xml", "moved.xml", "new \"dir\"/", "pub/"}));
    QVERIFY(client.Remove("../moved.xml"));
    QVERIFY(client.RemoveDirectory(m_ssh.Local("new \"dir\"")));
    QVERIFY(!QFileInfo::exists(m_ssh.Local("moved.xml")));
    QVERIFY(!QFileInfo::exists(m_ssh.Local("new \"dir\"")));
}

void TestSecureFiles::sftpUnknownHostKeyAcceptedOnceOrAlways()
{
    if (m_ssh.Port() == 0)
        QSKIP(qPrintable("no sshd: " + m_sshProblem));
    MakeHome(true, QString());
    const QString knownHosts = m_home.filePath(".ssh/known_hosts");
    MessageRecorder messages;
    const auto connect = [this] {
        CFtpClient client;
        client.SetScheme(CFtpClient::Sftp);
        return CRemoteTrust::Connect(nullptr, &client, "127.0.0.1", m_ssh.Port(), SshTestServer::UserName(), QString());
    };
    messages.queueAnswer(IDAnswer::Cancel);
    QVERIFY(!connect());
    QCOMPARE(messages.count(), 1);
    QVERIFY2(messages.lastText().contains("ssh-ed25519 key fingerprint: " + m_ssh.HostKeyFingerprint()), qPrintable(messages.lastText()));

    // Once: this run only, known_hosts untouched.
    messages.queueAnswer(IDAnswer::No);
    QVERIFY(connect());
    QVERIFY(connect());
    QCOMPARE(messages.count(), 2);
    QVERIFY(!QFileInfo::exists(knownHosts));

    // Always: the key is added in ssh's own form, and ssh's check then finds it.
    CRemoteTrust::ForgetTrustedOnce();
    TestFiles::writeAll(knownHosts, "# the user's own line, without a line end");
    messages.queueAnswer(IDAnswer::Yes);
    QVERIFY(connect());
    QCOMPARE(messages.count(), 3);
    QCOMPARE(TestFiles::readAll(knownHosts),
             "# the user's own line, without a line end\n" + m_ssh.KnownHostsLine().toUtf8() + '\n');
    CRemoteTrust::ForgetTrustedOnce();
    QVERIFY(connect());
    QCOMPARE(messages.count(), 3);
}

void TestSecureFiles::sftpChangedHostKeyRefused()
{
    if (m_ssh.Port() == 0)
        QSKIP(qPrintable("no sshd: " + m_sshProblem));
    QVERIFY(SshTestServer::MakeKey(m_files.filePath("otherkey")));
    const QByteArray other = TestFiles::readAll(m_files.filePath("otherkey.pub")).trimmed();
    const QByteArray line = "[127.0.0.1]:" + QByteArray::number(m_ssh.Port()) + ' ' + other.left(other.lastIndexOf(' '));
    MakeHome(true, QString::fromLatin1(line));
    MessageRecorder messages;
    messages.queueAnswer(IDAnswer::Yes); // whatever the answer, a changed key is never taken
    CFtpOpenDlg dialog;
    dialog.SetLogin(Sftp(), SshTestServer::UserName(), QString());
    QVERIFY(!dialog.OnInitDialog());
    QCOMPARE(messages.count(), 2);
    QCOMPARE(messages.boxes().first().style, MB::IconStop);
    QVERIFY(messages.boxes().first().text.startsWith("WARNING: the host key of 127.0.0.1:"));
    QVERIFY(messages.boxes().first().text.contains(m_ssh.HostKeyFingerprint()));
    QVERIFY(messages.lastText().startsWith("Unable to connect to server. "));
    QCOMPARE(TestFiles::readAll(m_home.filePath(".ssh/known_hosts")), line + '\n');
}

void TestSecureFiles::wrongPasswordReported()
{
    MessageRecorder messages;
    messages.queueAnswer(IDAnswer::No);
    {
        CFtpOpenDlg dialog;
        dialog.SetLogin(Ftps(), "tester", "wrong");
        QVERIFY(!dialog.OnInitDialog());
        QVERIFY2(messages.lastText().contains("530"), qPrintable(messages.lastText()));
    }
    if (m_ssh.Port() == 0)
        QSKIP(qPrintable("no sshd: " + m_sshProblem));
    // No key to fall back on: the password alone decides.
    MakeHome(false, m_ssh.KnownHostsLine());
    messages.clear();
    CFtpOpenDlg dialog;
    dialog.SetLogin(Sftp(), SshTestServer::UserName(), "wrong");
    QVERIFY(!dialog.OnInitDialog());
    QCOMPARE(messages.count(), 1);
    QVERIFY(messages.lastText().startsWith("Unable to connect to server. "));
    QVERIFY2(messages.lastText().contains("uthentication"), qPrintable(messages.lastText()));
}

QTEST_MAIN(TestSecureFiles)
#include "tst_securefiles.moc"
