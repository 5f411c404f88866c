// The framework layer: message texts, error texts, the settings switches, the recent-file list
// and the order in which views are told.
#include "framework/appsettings.h"
#include "framework/comerror.h"
#include "framework/documentbase.h"
#include "framework/filedialogs.h"
#include "framework/messagehelper.h"
#include "framework/recentfilelist.h"
#include "framework/viewbase.h"
#include "common/messagerecorder.h"

#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {
struct RecordingView : CViewBase
{
    RecordingView(QList<int> *l, int i) : log(l), id(i) {}
    QList<int> *log;
    int id;
    CDocumentBase *removeOnUpdate = nullptr;
    CViewBase *toRemove = nullptr;
    void OnUpdate(CViewBase *, long, QObject *) override
    {
        log->append(id);
        if (removeOnUpdate)
            removeOnUpdate->RemoveView(toRemove);
    }
};
}

class TestFramework : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }

    void messageFormats()
    {
        MessageRecorder messages;
        ShowMessage(61446, QString(), MB::IconStop);
        QCOMPARE(messages.lastText(), QStringLiteral("No item selected. "));
        QCOMPARE(messages.boxes().last().style, MB::IconStop);
        ReportComError(QStringLiteral("Unable to change node name."), CComError(ComCode::InvalidArg, QStringLiteral("bad name\n")));
        QCOMPARE(messages.lastText(), QStringLiteral("Unable to change node name.\n\nbad name"));
        // Text from a document is shown as it is, never read as a format.
        ShowMessage(61454, QStringLiteral("%1 %s <b>"), MB::IconInformation);
        QCOMPARE(messages.lastText(), QStringLiteral("A general application error has occured. %1 %s <b>"));
        messages.queueAnswer(IDAnswer::No);
        QCOMPARE(ShowMessageText(QStringLiteral("?"), MB::YesNo), IDAnswer::No);
    }

    void errorTexts_data()
    {
        QTest::addColumn<uint>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("success") << 0u << QStringLiteral("The operation completed successfully.");
        QTest::newRow("dispatch") << 0x80040205u << QStringLiteral("IDispatch error #5");
        QTest::newRow("unknown") << 0x8123ABCDu << QStringLiteral("Unknown error 0x8123ABCD");
    }
    void errorTexts()
    {
        QFETCH(uint, code);
        QFETCH(QString, text);
        QCOMPARE(CComError(code).errorMessage(), text);
    }

    void settingOnOnlyWhenOne()
    {
        const QString key = QString::fromLatin1(AppSettings::ValidateOnParse);
        QVERIFY(!AppSettings::IsSettingOn(key));
        for (int value : {2, -1, 0}) {
            AppSettings::WriteProfileInt(QStringLiteral("Settings"), key, value);
            QVERIFY(!AppSettings::IsSettingOn(key));
        }
        AppSettings::WriteProfileInt(QStringLiteral("Settings"), key, 1);
        QVERIFY(AppSettings::IsSettingOn(key));
    }

    void recentFilesKeepFour()
    {
        CRecentFileList list(4);
        for (int i = 0; i < 6; ++i)
            list.Add(QStringLiteral("/tmp/f%1.xml").arg(i));
        list.Add(QStringLiteral("/tmp/f3.xml"));
        QCOMPARE(list.Files(), (QStringList{QStringLiteral("/tmp/f3.xml"), QStringLiteral("/tmp/f5.xml"),
                                            QStringLiteral("/tmp/f4.xml"), QStringLiteral("/tmp/f2.xml")}));
        CRecentFileList reread(4);
        reread.ReadList();
        QCOMPARE(reread.Files(), list.Files());
    }

    void savedNameGetsTheFilterExtension()
    {
        const QString xml = QStringLiteral("XML Files (*.xml)");
        QCOMPARE(FileDialogs::WithFilterExtension(QStringLiteral("/tmp/notes"), xml), QStringLiteral("/tmp/notes.xml"));
        QCOMPARE(FileDialogs::WithFilterExtension(QStringLiteral("/tmp/notes.txt"), xml), QStringLiteral("/tmp/notes.txt"));
        QCOMPARE(FileDialogs::WithFilterExtension(QStringLiteral("/tmp/notes"), QStringLiteral("All Files (*)")),
                 QStringLiteral("/tmp/notes"));
        QCOMPARE(FileDialogs::WithFilterExtension(QString(), xml), QString());
    }

    void viewsToldInOrder()
    {
        CDocumentBase doc;
        QList<int> log;
        RecordingView tree(&log, 1), pane(&log, 2), third(&log, 3);
        doc.AddView(&tree);
        doc.AddView(&pane);
        doc.AddView(&third);
        doc.UpdateAllViews();
        QCOMPARE(log, (QList<int>{1, 2, 3}));
        // A view that removes another while being told: the removed one is not told.
        log.clear();
        tree.removeOnUpdate = &doc;
        tree.toRemove = &pane;
        doc.UpdateAllViews();
        QCOMPARE(log, (QList<int>{1, 3}));
        log.clear();
        doc.UpdateAllViews(&tree);
        QCOMPARE(log, (QList<int>{3}));
    }
};

QTEST_MAIN(TestFramework)
#include "tst_framework.moc"
