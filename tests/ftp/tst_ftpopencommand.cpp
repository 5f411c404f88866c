// Open FTP from the main window to a saved document back on the server.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/commandmanager.h"
#include "framework/recentfilelist.h"
#include "ftp/ftpconnectdlg.h"
#include "ftp/ftpopendlg.h"
#include "panes/modaldialogrunner.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"
#include "ftptestserver.h"
#include "sshtestserver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

class TestFtpOpenCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_server.Start());
    }

    void cancelContactsNoServer()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        int runs = 0;
        ScopedModalDialogRunner runner([&](QDialog &dialog) {
            ++runs;
            auto *connection = qobject_cast<CFtpConnectDlg *>(&dialog);
            if (!connection)
                return int(QDialog::Rejected);
            // The defaults, every time, whatever was typed the time before.
            EXPECT(connection->ServerEdit()->text() == CFtpConnectDlg::DefaultServer());
            EXPECT(connection->UserEdit()->text() == QLatin1String("anonymous"));
            EXPECT(connection->PasswordEdit()->text() == CFtpConnectDlg::DefaultPassword());
            EXPECT(connection->PasswordEdit()->echoMode() == QLineEdit::Password);
            QTest::keyClicks(connection->ServerEdit(), QStringLiteral("typed"));
            return int(QDialog::Rejected);
        });
        QVERIFY(app.MainFrame()->Commands()->IsEnabled(ID_FILE_OPEN_FTP));
        QVERIFY(app.MainFrame()->Commands()->Execute(ID_FILE_OPEN_FTP));
        QVERIFY(app.MainFrame()->Commands()->Execute(ID_FILE_OPEN_FTP));
        QCOMPARE(runs, 2);
        QCOMPARE(m_failures, 0);
    }

    void openSaveAndUploadAgain()
    {
        QVERIFY(m_server.Write("doc.xml", "<?xml version=\"1.0\"?>\n<doc>remote</doc>\n"));
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        MessageRecorder messages;
        CWorkSpaceDoc *document = openRemote(app, QStringLiteral("tester"), QStringLiteral("secret"), "doc.xml");
        QVERIFY(document);
        QVERIFY(document->HasFtpOrigin());
        QCOMPARE(document->FtpRemotePath(), QStringLiteral("/doc.xml"));
        QCOMPARE(document->FtpServer(), QStringLiteral("127.0.0.1"));
        QCOMPARE(document->FtpPort(), m_server.Port());

        // Someone changes the remote file; Save sends the document's bytes over it.
        QVERIFY(m_server.Write("doc.xml", "<other/>"));
        QVERIFY(app.SaveDocument(document));
        QCOMPARE(messages.count(), 0);
        QCOMPARE(m_server.Read("doc.xml"), TestFiles::readAll(document->GetPathName()));
        QVERIFY(m_server.Read("doc.xml").contains("<doc>remote</doc>"));
        QVERIFY(!document->IsModified());
        QVERIFY(!document->IsFtpUploadPending());

        // The password is nowhere in the settings or the recent-file list.
        QSettings settings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
        for (const QString &key : settings.allKeys())
            QVERIFY(!settings.value(key).toString().contains(QLatin1String("secret")));
        for (const QString &file : app.RecentFiles()->Files())
            QVERIFY(!file.contains(QLatin1String("secret")));
        QDir(QFileInfo(document->GetPathName()).absolutePath()).removeRecursively();
    }

    void refusedUploadKeepsTheLocalSave()
    {
        QVERIFY(m_server.Write("locked.xml", "<locked/>"));
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        MessageRecorder messages;
        CWorkSpaceDoc *document = openRemote(app, QStringLiteral("reader"), QStringLiteral("readonly"), "locked.xml");
        QVERIFY(document);
        const QString local = document->GetPathName();
        QVERIFY(QFile::remove(local));
        QVERIFY(app.SaveDocument(document));
        QVERIFY(QFileInfo::exists(local)); // the local save stands
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(QLatin1String("error saving file to ftp resource. ")));
        QVERIFY2(messages.lastText().contains(QLatin1String("550")), qPrintable(messages.lastText()));
        QCOMPARE(m_server.Read("locked.xml"), QByteArray("<locked/>"));
        QVERIFY(document->IsFtpUploadPending());
        QVERIFY(document->IsModified());
        messages.queueAnswer(IDAnswer::No);
        QDir(QFileInfo(local).absolutePath()).removeRecursively();
    }

    void sftpOriginKeepsItsScheme()
    {
        SshTestServer ssh;
        QString why;
        if (!ssh.Start(&why))
            QSKIP(qPrintable("no sshd: " + why));
        // A home whose ~/.ssh holds the user's key and knows the server.
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkpath(".ssh"));
        QVERIFY(QFile::copy(ssh.UserKey(), home.filePath(".ssh/id_ed25519")));
        QVERIFY(TestFiles::writeAll(home.filePath(".ssh/known_hosts"), ssh.KnownHostsLine().toUtf8() + '\n'));
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        QVERIFY(TestFiles::writeAll(ssh.Local("doc.xml"), "<doc>remote</doc>"));

        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        MessageRecorder messages;
        const QString server = QStringLiteral("sftp://127.0.0.1:") + QString::number(ssh.Port());
        CWorkSpaceDoc *document = openRemote(app, SshTestServer::UserName(), QString(), ssh.Local("doc.xml"), server);
        QVERIFY(document);
        QCOMPARE(document->FtpServer(), QStringLiteral("sftp://127.0.0.1"));
        QCOMPARE(document->FtpPort(), ssh.Port());
        QCOMPARE(document->FtpRemotePath(), ssh.Local("doc.xml"));
        QVERIFY(TestFiles::writeAll(ssh.Local("doc.xml"), "<other/>"));
        QVERIFY(app.SaveDocument(document));
        QCOMPARE(messages.count(), 0);
        QCOMPARE(TestFiles::readAll(ssh.Local("doc.xml")), TestFiles::readAll(document->GetPathName()));
        QVERIFY(!document->IsFtpUploadPending());
        QDir(QFileInfo(document->GetPathName()).absolutePath()).removeRecursively();
        qputenv("HOME", oldHome);
    }

private:
    // Runs Open FTP with a login and the name typed into "File Name:".
    CWorkSpaceDoc *openRemote(CTreewrightApp &app, const QString &user, const QString &password, const QString &name,
                              const QString &server = QString())
    {
        ScopedModalDialogRunner runner([&](QDialog &dialog) {
            if (auto *connection = qobject_cast<CFtpConnectDlg *>(&dialog)) {
                connection->ServerEdit()->setText(server.isEmpty() ? m_server.Server() : server);
                connection->UserEdit()->setText(user);
                connection->PasswordEdit()->setText(password);
                connection->accept();
                return dialog.result();
            }
            auto *open = qobject_cast<CFtpOpenDlg *>(&dialog);
            if (!open)
                return int(QDialog::Rejected);
            open->show();
            QTest::keyClicks(open->FileNameEdit(), name);
            QTest::mouseClick(open->findChild<QPushButton *>(QStringLiteral("open")), Qt::LeftButton);
            return dialog.result();
        });
        const int before = int(app.Documents().size());
        app.MainFrame()->Commands()->Execute(ID_FILE_OPEN_FTP);
        return app.Documents().size() > before ? app.Documents().last() : nullptr;
    }

    void EXPECT(bool condition)
    {
        if (!condition)
            ++m_failures;
    }

    FtpTestServer m_server;
    int m_failures = 0;
};

QTEST_MAIN(TestFtpOpenCommand)
#include "tst_ftpopencommand.moc"
