// The single-instance handoff, over a private session bus started for this test: a second start
// of the real program with files hands them to the running one and ends.
#include "app/mainframe.h"
#include "app/singleinstance.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private:
    QProcess m_bus;
    QString m_busAddress;
    TestFiles::TempFolder m_dir;

    // Starts the program as a user would, in `folder`, and waits (serving the bus) until it ends.
    int startSecond(const QStringList &arguments, const QString &folder, qint64 *elapsedMs = nullptr)
    {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_busAddress);
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(folder);
        QElapsedTimer timer;
        timer.start();
        second.start(QStringLiteral(TREEWRIGHT_BINARY), QStringList{QStringLiteral("--no-splash")} + arguments);
        if (!second.waitForStarted())
            return -1;
        // The handoff calls back into this process: the event loop has to run meanwhile.
        QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000);
        if (elapsedMs)
            *elapsedMs = timer.elapsed();
        if (second.state() != QProcess::NotRunning) {
            second.kill();
            second.waitForFinished();
            return -2;
        }
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -3;
    }

    QStringList openPaths(const CTreewrightApp &app)
    {
        QStringList paths;
        for (CWorkSpaceDoc *doc : app.Documents())
            paths.append(doc->GetPathName());
        return paths;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_bus.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                    QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        QVERIFY2(m_bus.waitForStarted(), "dbus-daemon is not installed (scripts/setup.sh installs it)");
        QTRY_VERIFY(m_bus.canReadLine());
        m_busAddress = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(!m_busAddress.isEmpty());
        // Read by the session-bus connection when it is first made, which is below.
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.toUtf8());
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }
    void cleanupTestCase()
    {
        m_bus.terminate();
        m_bus.waitForFinished();
    }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void secondStartHandsFilesToFirstAndEnds()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CSingleInstance instance;
        QVERIFY(instance.Listen(&app));

        // Relative names are the caller's: they are resolved in its folder, not in ours.
        m_dir.write(QStringLiteral("one.xml"), "<one/>");
        m_dir.write(QStringLiteral("two 2.xml"), "<two/>");
        qint64 elapsed = 0;
        QCOMPARE(startSecond({QStringLiteral("one.xml"), QStringLiteral("two 2.xml")}, m_dir.path(), &elapsed), 0);
        const QString one = QFileInfo(m_dir.filePath(QStringLiteral("one.xml"))).absoluteFilePath();
        const QString two = QFileInfo(m_dir.filePath(QStringLiteral("two 2.xml"))).absoluteFilePath();
        QTRY_COMPARE(app.Documents().size(), 3);
        QCOMPARE(openPaths(app).mid(1), (QStringList{one, two}));
        QCOMPARE(app.MainFrame()->ActiveDocument()->GetPathName(), two);
        qInfo("second start handed off and ended in %lld ms", elapsed);

        // A file already open is brought forward, not opened twice.
        QCOMPARE(startSecond({one}, QDir::rootPath()), 0);
        QTRY_COMPARE(app.MainFrame()->ActiveDocument()->GetPathName(), one);
        QCOMPARE(app.Documents().size(), 3);
    }

    // A file that does not open is reported by the running program; the caller still ends at
    // once, not after the message is dismissed.
    void brokenFileIsReportedByTheRunningProgram()
    {
        MessageRecorder messages;
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CSingleInstance instance;
        QVERIFY(instance.Listen(&app));
        m_dir.write(QStringLiteral("broken.xml"), "<a><b></a>");
        QCOMPARE(startSecond({QStringLiteral("broken.xml")}, m_dir.path()), 0);
        QTRY_COMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
        QCOMPARE(app.Documents().size(), 1);
    }

    void nameIsHeldByOneProgramAndFreedWhenItEnds()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        QVERIFY(!CSingleInstance::HandOff({QStringLiteral("x.xml")}));
        {
            CSingleInstance first;
            QVERIFY(first.Listen(&app));
            CSingleInstance second;
            QVERIFY(!second.Listen(&app));
        }
        CSingleInstance again;
        QVERIFY(again.Listen(&app));
    }
};

QTEST_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
