// Files changed or removed by another program while open: the main window tells when it is
// activated again, offers to reload, and never drops unsaved edits without asking.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/messagehelper.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {

void activate(CTreewrightApp &app)
{
    QEvent event(QEvent::WindowActivate);
    QCoreApplication::sendEvent(app.MainFrame(), &event);
    QCoreApplication::processEvents();
}

QString rootName(CWorkSpaceDoc *document)
{
    return document->GetDOMDocument()->documentElement().nodeName();
}

} // namespace

class TestDiskChange : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void changedFileReloadsWhenAccepted()
    {
        const QString path = m_dir.write(QStringLiteral("clean.xml"), "<first/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        CWorkSpaceDoc *document = app.Documents().first();
        MessageRecorder messages;
        activate(app);
        QCOMPARE(messages.count(), 0); // nothing changed yet

        QVERIFY(TestFiles::writeAll(path, "<second><child/></second>"));
        activate(app);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("changed by another program")));
        QVERIFY(!messages.lastText().contains(QStringLiteral("lose")));
        QCOMPARE(rootName(document), QStringLiteral("second"));
        QVERIFY(!document->IsModified());
        // The same change is told once.
        activate(app);
        QCOMPARE(messages.count(), 1);
    }

    void unsavedEditsKeptUnlessTheUserChoosesToLoseThem()
    {
        const QString path = m_dir.write(QStringLiteral("edited.xml"), "<first/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        CWorkSpaceDoc *document = app.Documents().first();
        QVERIFY(document->RenameNode(document->GetDOMDocument()->documentElement(), QStringLiteral("mine")));
        QVERIFY(document->IsModified());
        MessageRecorder messages;

        QVERIFY(TestFiles::writeAll(path, "<theirs/>"));
        messages.queueAnswer(IDAnswer::No);
        activate(app);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("lose the changes")));
        QCOMPARE(rootName(document), QStringLiteral("mine"));
        QVERIFY(document->IsModified());
        activate(app);
        QCOMPARE(messages.count(), 1);

        QVERIFY(TestFiles::writeAll(path, "<theirs again=\"1\"/>"));
        messages.queueAnswer(IDAnswer::Yes);
        activate(app);
        QCOMPARE(messages.count(), 2);
        QCOMPARE(rootName(document), QStringLiteral("theirs"));
        QVERIFY(!document->IsModified());
    }

    void brokenFileOnDiskReportedAndTreeKept()
    {
        const QString path = m_dir.write(QStringLiteral("broken.xml"), "<good/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        CWorkSpaceDoc *document = app.Documents().first();
        MessageRecorder messages;
        QVERIFY(TestFiles::writeAll(path, "<bad>"));
        activate(app);
        QCOMPARE(messages.count(), 2); // the question, then the parse report
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
        QCOMPARE(rootName(document), QStringLiteral("good"));
    }

    void deletedFileKeepsItsDocumentAndSavesAgain()
    {
        const QString path = m_dir.write(QStringLiteral("gone.xml"), "<kept/>");
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        CWorkSpaceDoc *document = app.Documents().first();
        MessageRecorder messages;
        QVERIFY(QFile::remove(path));
        activate(app);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("deleted or moved")));
        QCOMPARE(rootName(document), QStringLiteral("kept"));
        QVERIFY(document->IsModified()); // closing asks to save
        activate(app);
        QCOMPARE(messages.count(), 1);
        QVERIFY(app.SaveDocument(document));
        QVERIFY(TestFiles::readAll(path).contains("<kept/>"));
        QVERIFY(!document->IsModified());
        activate(app);
        QCOMPARE(messages.count(), 1);
    }
};

QTEST_MAIN(TestDiskChange)
#include "tst_diskchange.moc"
