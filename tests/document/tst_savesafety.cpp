// Saving never loses what was there: a save that stops at any point leaves the old file whole
// and no stray file beside it; a full disk, a read-only file and a vanished folder are reported
// and the document keeps its changes.
#include "document/savefaulthook.h"
#include "document/workspacedoc.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

#include <cerrno>

class TestSaveSafety : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    static QByteArray bigDocument(const char *word)
    {
        QByteArray text = "<?xml version=\"1.0\"?>\n<r>";
        for (int i = 0; i < 3000; ++i)
            text += QByteArray("<item n=\"") + QByteArray::number(i) + "\">" + word + "</item>";
        return text + "</r>";
    }
    // An edited document opened from `path`.
    static void openEdited(CWorkSpaceDoc &doc, const QString &path)
    {
        QVERIFY(doc.OnOpenDocument(path));
        QVERIFY(doc.GetDOMDocument()->loadXML(QString::fromLatin1(bigDocument("new"))));
        doc.SetModifiedFlag(true);
    }
    QStringList folderEntries(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { SaveFaultHook::set({}); }

    void interruptedAtEveryPointKeepsOldFile()
    {
        const QByteArray old = bigDocument("old");
        const QString folder = m_dir.filePath(QStringLiteral("every"));
        QDir().mkpath(folder);
        const QString target = folder + QStringLiteral("/doc.xml");
        QVERIFY(TestFiles::writeAll(target, old));
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        openEdited(doc, target);

        // Count the points a whole save passes, then stop the save at each of them in turn.
        int writes = 0;
        SaveFaultHook::set([&](SaveFaultHook::Stage stage) { writes += stage == SaveFaultHook::Stage::Write; return 0; });
        const QString probe = m_dir.filePath(QStringLiteral("probe.xml"));
        CWorkSpaceDoc counter;
        openEdited(counter, target);
        QVERIFY(counter.OnSaveDocument(probe));
        QVERIFY2(writes > 5, "the document is written in several pieces");

        for (int stopAt = 0; stopAt <= writes; ++stopAt) {
            int seen = 0;
            SaveFaultHook::set([&](SaveFaultHook::Stage stage) {
                // Writes 0..writes-1 and then the rename, each its own stop point.
                return seen++ == stopAt ? EIO : 0;
            });
            messages.clear();
            QVERIFY(!doc.OnSaveDocument(target));
            QCOMPARE(messages.count(), 1);
            QVERIFY(messages.lastText().contains(QStringLiteral("Their was a problem saving document.")));
            QVERIFY2(TestFiles::readAll(target) == old, qPrintable(QStringLiteral("stopped at %1").arg(stopAt)));
            QCOMPARE(folderEntries(folder), QStringList{QStringLiteral("doc.xml")});
            QVERIFY(doc.IsModified());
        }
        SaveFaultHook::set({});
        QVERIFY(doc.OnSaveDocument(target));
        QVERIFY(!doc.IsModified());
        QVERIFY(TestFiles::readAll(target).contains("<item n=\"2999\">new</item>"));
    }

    void fullDiskReportedAndNothingLost()
    {
        const QString target = m_dir.write(QStringLiteral("full.xml"), "<old/>");
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        openEdited(doc, target);
        SaveFaultHook::set([](SaveFaultHook::Stage stage) { return stage == SaveFaultHook::Stage::Write ? ENOSPC : 0; });
        QVERIFY(!doc.OnSaveDocument(target));
        QCOMPARE(messages.count(), 1);
        QVERIFY2(messages.lastText().contains(QString::fromLocal8Bit(strerror(ENOSPC))), qPrintable(messages.lastText()));
        QCOMPARE(TestFiles::readAll(target), QByteArray("<old/>"));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.GetPathName(), target);
    }

    void readOnlyFileReportedAndKept()
    {
        // Also for root, whom the system would let write over it.
        const QString target = m_dir.write(QStringLiteral("ro.xml"), "<old/>");
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        openEdited(doc, target);
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(!doc.OnSaveDocument(target));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("read-only")));
        QCOMPARE(TestFiles::readAll(target), QByteArray("<old/>"));
        QVERIFY(doc.IsModified());
        // Once writable again the same document saves.
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(doc.OnSaveDocument(target));
        QVERIFY(!doc.IsModified());
    }

    void vanishedFolderReportedAndSavesLater()
    {
        const QString folder = m_dir.filePath(QStringLiteral("gone"));
        QDir().mkpath(folder);
        const QString target = folder + QStringLiteral("/doc.xml");
        QVERIFY(TestFiles::writeAll(target, "<old/>"));
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        openEdited(doc, target);
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(!doc.OnSaveDocument(target));
        QCOMPARE(messages.count(), 1);
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.GetPathName(), target);
        QVERIFY(!QFileInfo::exists(folder));
        QDir().mkpath(folder);
        QVERIFY(doc.OnSaveDocument(target));
        QVERIFY(!doc.IsModified());
    }
};

QTEST_MAIN(TestSaveSafety)
#include "tst_savesafety.moc"
