// The desktop's standard keys, where the program's own tables leave them free: Ctrl+W (the
// document window's own Close key) closes the active document window, asking to save a changed
// one, and Ctrl+Q quits.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/commandmanager.h"
#include "framework/messagehelper.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

class TestDesktopKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void ctrlWClosesTheActiveDocumentWindow()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        QVERIFY(app.OnFileNew());
        frame->show();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 2);
        CWorkSpaceDoc *second = frame->ActiveDocument();

        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(frame->MdiArea()->subWindowList().size(), 1);
        QVERIFY(!app.Documents().contains(second));

        // A changed document asks first; Cancel keeps the window.
        MessageRecorder messages;
        frame->ActiveDocument()->SetModifiedFlag(true);
        messages.queueAnswer(IDAnswer::Cancel);
        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(frame->MdiArea()->subWindowList().size(), 1);
        messages.queueAnswer(IDAnswer::No);
        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QTRY_COMPARE(frame->MdiArea()->subWindowList().size(), 0);

        // With no document left the key does nothing.
        QTest::keyClick(frame, Qt::Key_W, Qt::ControlModifier);
        QVERIFY(frame->isVisible());
    }

    void ctrlQQuitsAfterAskingToSave()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        frame->show();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        MessageRecorder messages;
        frame->ActiveDocument()->SetModifiedFlag(true);
        messages.queueAnswer(IDAnswer::Cancel);
        QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(messages.count(), 1);
        QVERIFY(frame->isVisible());
        messages.queueAnswer(IDAnswer::No);
        QTest::keyClick(frame, Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(!frame->isVisible());
    }
};

QTEST_MAIN(TestDesktopKeys)
#include "tst_desktopkeys.moc"
