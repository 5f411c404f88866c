// The workspace document: new documents, opening with the parse report, the title rule, the
// item table and node paths, saving, and the reload from the source text.
#include "document/workspacedoc.h"
#include "framework/appsettings.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestWorkSpaceDoc : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    QString write(const QString &name, const QByteArray &bytes) { return m_dir.write(name, bytes); }
    static void setSetting(const char *key, int value)
    {
        AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(key), value);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }
    void cleanup()
    {
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }

    void newDocument_data()
    {
        QTest::addColumn<int>("displayFullPath");
        QTest::newRow("name") << 0;
        QTest::newRow("full path setting") << 1;
    }
    void newDocument()
    {
        QFETCH(int, displayFullPath);
        setSetting(AppSettings::DisplayFullPath, displayFullPath);
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnNewDocument());
        QCOMPARE(doc.GetDOMDocument()->xml(),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<rootnode/>\n"));
        QVERIFY(doc.IsModified());
        QCOMPARE(doc.GetTitle(), QStringLiteral("new.xml"));
        // It has no file: the first Save must ask for a name rather than write ./new.xml.
        QVERIFY(doc.IsUntitled());
    }

    void titleRule()
    {
        const QString path = write(QStringLiteral("title.xml"), "<a/>");
        CWorkSpaceDoc plain;
        QVERIFY(plain.OnOpenDocument(path));
        QCOMPARE(plain.GetTitle(), QStringLiteral("title.xml"));
        setSetting(AppSettings::DisplayFullPath, 1);
        CWorkSpaceDoc full;
        QVERIFY(full.OnOpenDocument(path));
        QCOMPARE(full.GetTitle(), QFileInfo(path).absoluteFilePath());
        setSetting(AppSettings::DisplayFullPath, 2); // on only when exactly 1
        CWorkSpaceDoc two;
        QVERIFY(two.OnOpenDocument(path));
        QCOMPARE(two.GetTitle(), QStringLiteral("title.xml"));
    }

    void malformedFileReported()
    {
        const QString path = write(QStringLiteral("bad.xml"), "<a>\n<b></a>\n");
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        QVERIFY(!doc.OnOpenDocument(path));
        QCOMPARE(messages.count(), 1);
        const QString text = messages.lastText();
        // The error's text is the parser's reason, never the text of a success.
        QVERIFY2(text.startsWith(QStringLiteral("A general application error has occured. Error Loading/Parsing Document. \n\n")),
                 qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("completed successfully")));
        QVERIFY(text.contains(QStringLiteral("mismatch")));
        QVERIFY(text.contains(QStringLiteral("\nDOM Line:\t 2\nDOM linepos:\t ")));
        QVERIFY(text.contains(QStringLiteral("\nDOM reason:\t ")));
        QVERIFY(text.contains(QStringLiteral("\nDOM srctext:\t <b></a>")));
        QCOMPARE(messages.boxes().first().style, MB::IconInformation);
    }

    void validationSetting()
    {
        const QString path = write(QStringLiteral("invalid.xml"),
                                   "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ELEMENT a EMPTY>]>\n<a><x/></a>\n");
        MessageRecorder messages;
        CWorkSpaceDoc lenient;
        QVERIFY(lenient.OnOpenDocument(path));
        setSetting(AppSettings::ValidateOnParse, 1);
        CWorkSpaceDoc strict;
        QVERIFY(!strict.OnOpenDocument(path));
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
    }

    void missingFileReported()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        QVERIFY(!doc.OnOpenDocument(m_dir.filePath(QStringLiteral("absent.xml"))));
        QCOMPARE(messages.count(), 1);
        // The system's own reason, never "Unknown error".
        QVERIFY2(messages.lastText().endsWith(QStringLiteral("No such file or directory")), qPrintable(messages.lastText()));
        QVERIFY(!doc.OnOpenDocument(m_dir.path()));
        QVERIFY2(messages.lastText().endsWith(QStringLiteral("Is a directory")), qPrintable(messages.lastText()));
    }

    void pathsAndSelection()
    {
        CWorkSpaceDoc doc;
        QVERIFY(doc.GetDOMDocument()->loadXML(QStringLiteral("<a><b><c/></b><b><c/><d/></b></a>")));
        XmlNode a = doc.GetDOMDocument()->documentElement();
        XmlNode b1 = a.firstChild(), b2 = a.lastChild();
        XmlNode c1 = b1.firstChild(), c2 = b2.firstChild(), d = b2.lastChild();
        QCOMPARE(doc.GetNodePath(), QStringLiteral("/"));
        QCOMPARE(doc.GetNodePath(doc.GetDOMDocument()->documentNode()), QStringLiteral("/"));
        QCOMPARE(doc.GetNodePath(a), QStringLiteral("/a/"));
        QCOMPARE(doc.GetNodePath(c2), QStringLiteral("/a/b/c/"));
        // Items made in an order unlike the document's: same-named siblings still resolve to the
        // first in document order.
        doc.SetItemNode(50, c2);
        doc.SetItemNode(40, b2);
        doc.SetItemNode(30, d);
        doc.SetItemNode(20, c1);
        doc.SetItemNode(10, b1);
        doc.SetItemNode(5, a);
        QCOMPARE(doc.SelectItemByPath(QStringLiteral("/a/b/c/")), ItemKey(20));
        QCOMPARE(doc.GetCurrentItem(), ItemKey(20));
        QCOMPARE(doc.GetCurrentNode(), c1);
        QCOMPARE(doc.GetNodePath(), QStringLiteral("/a/b/c/"));
        QCOMPARE(doc.SelectItemByPath(QStringLiteral("/a/b/d/")), ItemKey(30));
        QCOMPARE(doc.FindNodeByPath(QStringLiteral("/a/b/d/")), d);
        QCOMPARE(doc.SelectItemByPath(QStringLiteral("/a/x/")), ItemKey(0));
        QCOMPARE(doc.GetCurrentItem(), ItemKey(30));
        // Rebinding a key drops the old node's binding.
        doc.SetItemNode(20, c2);
        QCOMPARE(doc.GetItemKey(c1), ItemKey(0));
        QCOMPARE(doc.GetItemNode(0).isNull(), true);
    }

    void selectionKeepsModifiedFlag()
    {
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnNewDocument());
        doc.SetItemNode(1, doc.GetDOMDocument()->documentElement());
        QVERIFY(doc.ArePagesStale());
        doc.SetCurrentItem(1);
        QVERIFY(doc.IsModified()); // selecting is no edit: closing must still ask
        QVERIFY(!doc.ArePagesStale());
    }

    void saveAndReopen()
    {
        const QString path = write(QStringLiteral("save.xml"), "<?xml version=\"1.0\"?>\n<a x=\"1\">caf\xC3\xA9</a>\n");
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnOpenDocument(path));
        doc.GetDOMDocument()->documentElement().setAttribute(QStringLiteral("y"), QStringLiteral("2"));
        doc.SetModifiedFlag(true);
        const QString target = m_dir.filePath(QStringLiteral("saved.xml"));
        QVERIFY(doc.OnSaveDocument(target));
        QVERIFY(!doc.IsModified());
        QCOMPARE(doc.GetPathName(), target);
        QCOMPARE(doc.GetTitle(), QStringLiteral("saved.xml"));
        QCOMPARE(TestFiles::readAll(target), QByteArray("<?xml version=\"1.0\"?>\n<a x=\"1\" y=\"2\">caf\xC3\xA9</a>\n"));
    }

    void failedSaveReported()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnNewDocument());
        QVERIFY(!doc.OnSaveDocument(m_dir.filePath(QStringLiteral("missing/folder.xml"))));
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Their was a problem saving document.\n\n")));
        QVERIFY(doc.IsModified());
    }

    void reloadFromSource()
    {
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnNewDocument());
        doc.SetItemNode(1, doc.GetDOMDocument()->documentElement());
        const QString good = write(QStringLiteral("TWRgood"), "<new><child/></new>");
        doc.SetSourceTempPath(good);
        QVERIFY(doc.ReloadFromSourceTemp());
        QVERIFY(!QFile::exists(good));
        QCOMPARE(doc.GetDOMDocument()->documentElement().nodeName(), QStringLiteral("new"));
        QCOMPARE(doc.GetItemNode(1).isNull(), true); // items are rebuilt by the tree

        // Text that does not parse: reported, the tree stays, the file is removed all the same.
        MessageRecorder messages;
        const QString bad = write(QStringLiteral("TWRbad"), "<new><child></new>");
        doc.SetSourceTempPath(bad);
        QVERIFY(!doc.ReloadFromSourceTemp());
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
        QVERIFY(!QFile::exists(bad));
        QCOMPARE(doc.GetDOMDocument()->documentElement().firstChild().nodeName(), QStringLiteral("child"));
    }

    void reloadAppliesParserSettings()
    {
        setSetting(AppSettings::ValidateOnParse, 1);
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnNewDocument());
        doc.SetSourceTempPath(write(QStringLiteral("TWRinvalid"), "<!DOCTYPE a [<!ELEMENT a EMPTY>]><a><b/></a>"));
        QVERIFY(!doc.ReloadFromSourceTemp());
        QCOMPARE(doc.GetDOMDocument()->documentElement().nodeName(), QStringLiteral("rootnode"));
    }

    void ftpOrigin()
    {
        CWorkSpaceDoc doc;
        QVERIFY(!doc.HasFtpOrigin());
        doc.SetFtpOrigin(QStringLiteral("host"), QStringLiteral("user"), QStringLiteral("pw"), QStringLiteral("/r/a.xml"), 2121);
        QVERIFY(doc.HasFtpOrigin());
        QCOMPARE(doc.FtpPort(), quint16(2121));
        QCOMPARE(doc.FtpRemotePath(), QStringLiteral("/r/a.xml"));
    }
};

QTEST_MAIN(TestWorkSpaceDoc)
#include "tst_workspacedoc.moc"
