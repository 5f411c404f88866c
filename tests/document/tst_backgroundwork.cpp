// Large documents open, save and take their source text on a thread of their own: the window
// goes on handling events meanwhile, Cancel stops an open without a report, and what the thread
// did (or the error it raised) reaches the document as if it had been done at once.
#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "document/xmlnodelist.h"
#include "document/xmltreereleaser.h"
#include "framework/backgroundtask.h"
#include "framework/taskprogress.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QApplication>
#include <QFile>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

class TestBackgroundWork : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    // A document of `records` records, some megabytes for a few hundred thousand.
    static QByteArray records(int count, const char *word = "text")
    {
        QByteArray text = "<?xml version=\"1.0\"?>\n<list>\n";
        text.reserve(count * 48);
        for (int i = 0; i < count; ++i)
            text += QByteArray("  <item n=\"") + QByteArray::number(i) + "\">" + word + "</item>\n";
        return text + "</list>\n";
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init()
    {
        // Everything goes to the thread, and the dialog shows at once.
        CBackgroundTask::SetLargeWorkBytes(0);
        CBackgroundTask::SetShowDelay(0);
    }
    void cleanup()
    {
        CBackgroundTask::SetLargeWorkBytes(4 * 1024 * 1024);
        CBackgroundTask::SetShowDelay(400);
    }

    void openSaveAndReloadOnTheThread()
    {
        const QString path = m_dir.write(QStringLiteral("list.xml"), records(200000));
        MessageRecorder messages;
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(1);

        CWorkSpaceDoc doc;
        QVERIFY(doc.OnOpenDocument(path));
        QVERIFY2(ticks > 0, "the event loop stood still while the document opened");
        QCOMPARE(doc.GetDOMDocument()->documentElement().childNodes().length(), 400001);
        QVERIFY(!CBackgroundTask::IsRunning());

        // An unedited save writes the file's own bytes back.
        const QString copy = m_dir.filePath(QStringLiteral("copy.xml"));
        QVERIFY(doc.OnSaveDocument(copy));
        QCOMPARE(TestFiles::readAll(copy), TestFiles::readAll(path));

        // The file changed by another program comes back in through the thread as well.
        QVERIFY(TestFiles::writeAll(copy, records(3, "new")));
        QVERIFY(doc.ReloadFromDisk());
        QCOMPARE(doc.GetDOMDocument()->documentElement().firstChild().nextSibling().text(), QStringLiteral("new"));
        // So does a text typed on the Source page, written out on the thread first.
        QVERIFY(doc.CommitSourceText(records(2, "typed")));
        QCOMPARE(doc.GetDOMDocument()->documentElement().firstChild().nextSibling().text(), QStringLiteral("typed"));
        QCOMPARE(messages.count(), 0);
    }

    void errorsOfTheThreadAreReported()
    {
        MessageRecorder messages;
        const QString path = m_dir.write(QStringLiteral("broken.xml"), records(1000) + "<tail");
        CWorkSpaceDoc broken;
        QVERIFY(!broken.OnOpenDocument(path));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));

        // A save that fails on the thread is reported here, and the document keeps its edits.
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnOpenDocument(m_dir.write(QStringLiteral("small.xml"), records(10))));
        doc.SetModifiedFlag(true);
        QVERIFY(!doc.OnSaveDocument(m_dir.filePath(QStringLiteral("no/such/folder/x.xml"))));
        QCOMPARE(messages.count(), 2);
        QVERIFY(doc.IsModified());
    }

    void cancelStopsTheOpenQuietly()
    {
        const QString path = m_dir.write(QStringLiteral("long.xml"), records(600000));
        MessageRecorder messages;
        // The user presses Escape in the progress dialog as soon as it shows.
        bool pressed = false;
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, this, [&pressed] {
            if (auto *dialog = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget()); dialog && !pressed) {
                pressed = true;
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
        watcher.start(1);
        CWorkSpaceDoc doc;
        const bool opened = doc.OnOpenDocument(path);
        QVERIFY2(pressed, "the open ended before its dialog showed");
        QVERIFY(!opened);
        QCOMPARE(messages.count(), 0);

        // The document layer stops at the next read once cancelled, and says so.
        CTaskProgress progress;
        progress.Cancel();
        XmlDocument parser;
        parser.setProgress(&progress);
        QVERIFY(!parser.load(path));
        QVERIFY(parser.wasCancelled());
        QVERIFY(parser.documentElement().isNull());
        // A progress that was not cancelled lets the next load through.
        CTaskProgress counting;
        parser.setProgress(&counting);
        const QByteArray small = records(100);
        QVERIFY(parser.load(m_dir.write(QStringLiteral("short.xml"), small)));
        QVERIFY(!parser.wasCancelled());
        QCOMPARE(counting.Done(), qint64(small.size()));
        QCOMPARE(counting.Total(), qint64(small.size()));
    }

    void largeTreesAreFreedOnTheirOwnThread()
    {
        const QString path = m_dir.write(QStringLiteral("freed.xml"), records(300000));
        auto doc = std::make_unique<CWorkSpaceDoc>();
        QVERIFY(doc->OnOpenDocument(path));
        XmlNode last = doc->GetDOMDocument()->documentElement().lastChild().previousSibling();
        // A handle keeps the tree whole after its document has gone.
        doc.reset();
        QCOMPARE(XmlTreeReleaser::Pending(), std::size_t(0));
        QCOMPARE(last.text(), QStringLiteral("text"));
        // The last handle goes: the tree is handed over, not freed here (that takes a while).
        last = XmlNode();
        QCOMPARE(XmlTreeReleaser::Pending(), std::size_t(1));
        XmlTreeReleaser::WaitUntilIdle();
        QCOMPARE(XmlTreeReleaser::Pending(), std::size_t(0));

        // A tree of a small text, and one built without a text, are freed at once.
        CBackgroundTask::SetLargeWorkBytes(4 * 1024 * 1024);
        auto small = std::make_unique<XmlDocument>();
        QVERIFY(small->loadXML(QString::fromUtf8(records(10))));
        small.reset();
        small = std::make_unique<XmlDocument>();
        small.reset();
        QCOMPARE(XmlTreeReleaser::Pending(), std::size_t(0));
    }
};

QTEST_MAIN(TestBackgroundWork)
#include "tst_backgroundwork.moc"
