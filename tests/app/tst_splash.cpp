// The start-up picture: shown over the main window, closed by its own timer, never in the way.
#include "app/mainframe.h"
#include "app/splashwnd.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "common/testfiles.h"

#include <QLabel>
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
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->parentWidget(), app.MainFrame());
        QVERIFY(!splash->findChild<QLabel *>(QStringLiteral("SplashPicture"))->pixmap().isNull());
        const QPoint offset = splash->geometry().center() - app.MainFrame()->geometry().center();
        QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QStringLiteral("off centre by %1,%2").arg(offset.x()).arg(offset.y())));

        for (int tick = 0; tick < CSplashWnd::TickLimit; ++tick) {
            splash->OnTimer();
            QVERIFY(splash->isVisible());
        }
        splash->OnTimer();
        QVERIFY(!splash->isVisible());
        QTRY_VERIFY(!splash);
        QVERIFY(!app.Splash());
        QVERIFY(app.MainFrame()->isVisible());
    }

    void ownTimerClosesIt()
    {
        QWidget owner;
        owner.resize(400, 300);
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
        QVERIFY(!app.MainFrame()->findChild<CSplashWnd *>());
    }

    void documentsOpenAndKeysWorkWhileItShows()
    {
        TestFiles::TempFolder folder;
        const QString path = folder.write(QStringLiteral("shown.xml"), "<a/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}, true));
        QVERIFY(app.Splash() && app.Splash()->isVisible());
        QCOMPARE(app.Documents().size(), 1);
        QCOMPARE(app.Documents().first()->GetTitle(), QStringLiteral("shown.xml"));
        // The splash takes neither the focus nor the keys.
        QVERIFY(!app.Splash()->isActiveWindow());
        app.MainFrame()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.MainFrame()));
        QVERIFY(!app.Splash()->isActiveWindow());
        QTest::keyClick(app.MainFrame(), Qt::Key_N, Qt::ControlModifier);
        QTRY_COMPARE(app.Documents().size(), 2);
        QVERIFY(app.Splash() && app.Splash()->isVisible());
    }

    void endingWhileItShowsIsClean()
    {
        auto *app = new CTreewrightApp;
        QVERIFY(app->InitInstance({}, true));
        QVERIFY(app->Splash());
        QCOMPARE(app->ExitInstance(), 0);
        QVERIFY(!app->Splash());
        delete app;
    }
};

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
