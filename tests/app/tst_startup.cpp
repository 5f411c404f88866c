// Start-up and the document life cycle through the real main window.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/filedialogs.h"
#include "framework/recentfilelist.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    QString write(const QString &name, const QByteArray &bytes) { return m_dir.write(name, bytes); }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
    }
    void init()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }

    void noArgumentsOpensNewDocument()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        QCOMPARE(app.Documents().size(), 1);
        QCOMPARE(app.Documents().first()->GetTitle(), QStringLiteral("new.xml"));
        QCOMPARE(app.MainFrame()->MdiArea()->subWindowList().size(), 1);
        QVERIFY(app.MainFrame()->windowTitle().contains(QStringLiteral("new.xml")));
    }

    void fileArgumentOpensIt()
    {
        const QString path = write(QStringLiteral("open.xml"), "<a/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        QCOMPARE(app.Documents().size(), 1);
        QCOMPARE(app.Documents().first()->GetTitle(), QStringLiteral("open.xml"));
        QCOMPARE(app.RecentFiles()->Files().first(), QFileInfo(path).absoluteFilePath());
    }

    void malformedArgumentEndsStartup()
    {
        const QString path = write(QStringLiteral("broken.xml"), "<a><b></a>");
        MessageRecorder messages;
        CTreewrightApp app;
        QVERIFY(!app.InitInstance({path}));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
        QCOMPARE(app.Documents().size(), 0);
        QCOMPARE(app.MainFrame()->MdiArea()->subWindowList().size(), 0);
    }

    void filesOpenOverTheShownWindow()
    {
        // What an open shows at start-up (the progress of a large file; here the report of a file
        // that does not parse) stands over the main window, which shows already; a failed open
        // still ends the start-up.
        const QString good = write(QStringLiteral("first.xml"), "<a/>");
        const QString bad = write(QStringLiteral("second.xml"), "<a>");
        CTreewrightApp app;
        QStringList seen;
        const MessageSink previous = SetMessageSink([&](const QString &, unsigned) {
            CMainFrame *frame = app.MainFrame();
            seen << QStringLiteral("%1 %2").arg(frame && frame->isVisible()).arg(frame ? frame->MdiArea()->subWindowList().size() : -1);
            return IDAnswer::Ok;
        });
        const bool started = app.InitInstance({good, bad});
        SetMessageSink(previous);
        QVERIFY(!started);
        QCOMPARE(seen, QStringList{QStringLiteral("1 1")});
    }

    void firstSaveOfNewDocumentAsksForName()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CWorkSpaceDoc *doc = app.Documents().first();
        QString proposed;
        const QString target = m_dir.filePath(QStringLiteral("chosen.xml"));
        FileDialogs::SetHook([&](bool save, const QString &name) {
            proposed = name;
            return save ? target : QString();
        });
        QVERIFY(app.SaveDocument(doc));
        FileDialogs::SetHook({});
        QCOMPARE(proposed, QStringLiteral("new.xml"));
        QVERIFY(QFile::exists(target));
        QCOMPARE(doc->GetTitle(), QStringLiteral("chosen.xml"));
        QVERIFY(!doc->IsModified());
    }

    void closingModifiedDocumentAsks()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        QMdiSubWindow *window = app.MainFrame()->MdiArea()->subWindowList().first();
        // A fresh document closes without a question; an edited one asks.
        QVERIFY(!app.Documents().first()->IsModified());
        app.Documents().first()->SetModifiedFlag(true);
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::Cancel);
        QVERIFY(!window->close());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.lastText(), QStringLiteral("Save changes to new.xml?"));
        QCOMPARE(app.Documents().size(), 1);
        messages.queueAnswer(IDAnswer::No);
        QVERIFY(window->close());
        QCOMPARE(app.Documents().size(), 0);
    }

    void reopeningAnOpenFileActivatesIt()
    {
        const QString path = write(QStringLiteral("twice.xml"), "<a/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        QCOMPARE(app.OpenDocumentFile(path), app.Documents().first());
        QCOMPARE(app.Documents().size(), 1);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
