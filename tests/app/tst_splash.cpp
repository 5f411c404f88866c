// The start-up picture: shown over the main window, closed by its own timer, never in the way.
#include "app/mainframe.h"
#include "app/splashwnd.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "common/testfiles.h"

#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

class TestSplash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void showsCentredOverMainWindowAndClosesOnSixthTick()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}, true));
        QPointer<CSplashWnd> splash = app.Splash();
        QVERIFY(splash && splash->isVisible());
        const QPoint offset = splash->geometry().center() - app.MainFrame()->geometry().center();
        QVERIFY(offset.manhattanLength() <= 2);
        for (int tick = 0; tick < CSplashWnd::TickLimit; ++tick) {
            splash->OnTimer();
            QVERIFY(splash->isVisible());
        }
        splash->OnTimer();
        QVERIFY(!splash->isVisible());
        QTRY_VERIFY(!splash);
        QVERIFY(!app.Splash());
    }

    void ownTimerClosesIt()
    {
        QWidget owner;
        owner.show();
        QPointer<CSplashWnd> splash = new CSplashWnd(&owner, 10);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!splash, 2000);
        QVERIFY(clock.elapsed() >= 50); // six ticks of 10 ms
    }

    void noSplashLeavesItOut()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}, false));
        QVERIFY(!app.Splash());
    }

    void documentsOpenAndKeysWorkWhileItShows()
    {
        TestFiles::TempFolder folder;
        CTreewrightApp app;
        QVERIFY(app.InitInstance({folder.write(QStringLiteral("shown.xml"), "<a/>")}, true));
        QVERIFY(app.Splash() && app.Splash()->isVisible());
        QCOMPARE(app.Documents().first()->GetTitle(), QStringLiteral("shown.xml"));
        // The splash takes neither the activation nor the keys.
        app.MainFrame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.MainFrame()));
        QTest::keyClick(app.MainFrame(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(app.Documents().size(), 2);
        QVERIFY(app.Splash() && app.Splash()->isVisible());
        QCOMPARE(app.ExitInstance(), 0);
        QVERIFY(!app.Splash());
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
