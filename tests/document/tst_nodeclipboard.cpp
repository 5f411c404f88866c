// Cut, copy and paste through the node clipboard, and paste from the system clipboard.
#include "document/nodeclipboard.h"
#include "document/workspacedoc.h"
#include "document/xmlnamednodemap.h"
#include "document/xmlnodelist.h"
#include "common/messagerecorder.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QtTest>

class TestNodeClipboard : public QObject
{
    Q_OBJECT

private:
    static void load(CWorkSpaceDoc &doc, const QString &xml)
    {
        QVERIFY(doc.GetDOMDocument()->loadXML(xml));
        doc.SetModifiedFlag(false);
    }
    // Binds the node at `path` to `key` and makes it current.
    static XmlNode select(CWorkSpaceDoc &doc, const QString &path, ItemKey key)
    {
        XmlNode node = doc.FindNodeByPath(path);
        doc.SetItemNode(key, node);
        doc.SetCurrentItem(key);
        return node;
    }
    static QString body(CWorkSpaceDoc &doc) { return doc.GetDOMDocument()->documentElement().xml(); }
    // Whether the document's saved text parses again.
    static bool reparses(CWorkSpaceDoc &doc)
    {
        XmlDocument again;
        return again.loadXML(QString::fromUtf8(doc.GetDOMDocument()->xmlUtf8()));
    }
    static const QString entitySource()
    {
        return QStringLiteral("<!DOCTYPE r [<!ENTITY e \"x<b>&f;</b>\"><!ENTITY f \"y\"><!ENTITY v \"1&f;\">]>"
                              "<r><a k=\"&v;\">&e;</a></r>");
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { CWorkSpaceDoc doc; doc.ResetNodeClipboard(); }

    void copyThenPaste()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><a k=\"v\"><i/></a><b/></r>"));
        QVERIFY(doc.PutNodeOnClipboard(false, select(doc, QStringLiteral("/r/a/"), 1)));
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
        select(doc, QStringLiteral("/r/b/"), 2);
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><a k=\"v\"><i/></a><b><a k=\"v\"><i/></a></b></r>"));
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        // The clipboard is empty now: a second paste adds nothing.
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><a k=\"v\"><i/></a><b><a k=\"v\"><i/></a></b></r>"));
    }

    void cutsAccumulateInOrder()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><a/><b/><t/></r>"));
        QVERIFY(doc.PutNodeOnClipboard(true, select(doc, QStringLiteral("/r/a/"), 1)));
        QVERIFY(doc.PutNodeOnClipboard(true, select(doc, QStringLiteral("/r/b/"), 2)));
        QCOMPARE(body(doc), QStringLiteral("<r><t/></r>"));
        QVERIFY(doc.IsModified());
        select(doc, QStringLiteral("/r/t/"), 3);
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><t><a/><b/></t></r>"));
    }

    void attributesGetNumberedNames()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><a x=\"1\"/><b x=\"2\"/></r>"));
        XmlNode a = select(doc, QStringLiteral("/r/a/"), 1);
        QVERIFY(doc.PutNodeOnClipboard(false, a.getAttributeNode(QStringLiteral("x"))));
        select(doc, QStringLiteral("/r/b/"), 2);
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><a x=\"1\"/><b x=\"2\" x0=\"1\"/></r>"));
    }

    void failedPasteKeepsClipboard()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><a x=\"1\"/><!--c--></r>"));
        XmlNode a = select(doc, QStringLiteral("/r/a/"), 1);
        QVERIFY(doc.PutNodeOnClipboard(true, a.getAttributeNode(QStringLiteral("x"))));
        // The document node cannot take an attribute: the cut attribute must not be lost.
        doc.SetItemNode(2, doc.GetDOMDocument()->documentNode());
        doc.SetCurrentItem(2);
        QVERIFY(!doc.PasteNodes());
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to paste items.")));
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
        doc.SetCurrentItem(1);
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><a x=\"1\"/><!--c--></r>"));
    }

    void pasteFailingHalfWayAddsNothing()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><!--c--><e/></r>"));
        // A comment and an element onto the document node: the comment could go there, the
        // second root element cannot; the comment must not stay behind alone.
        XmlNode comment = select(doc, QStringLiteral("/r/"), 1).firstChild();
        QVERIFY(doc.PutNodeOnClipboard(false, comment));
        QVERIFY(doc.PutNodeOnClipboard(false, select(doc, QStringLiteral("/r/e/"), 2)));
        doc.SetItemNode(3, doc.GetDOMDocument()->documentNode());
        doc.SetCurrentItem(3);
        const QString before = doc.GetDOMDocument()->xml();
        QVERIFY(!doc.PasteNodes());
        QCOMPARE(messages.count(), 1);
        QCOMPARE(doc.GetDOMDocument()->xml(), before);
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
    }

    void clipboardOutlivesOtherDocuments()
    {
        auto *source = new CWorkSpaceDoc;
        load(*source, QStringLiteral("<r><a>text</a></r>"));
        QVERIFY(source->PutNodeOnClipboard(true, select(*source, QStringLiteral("/r/a/"), 1)));
        { CWorkSpaceDoc other; QVERIFY(other.OnNewDocument()); }
        delete source;
        CWorkSpaceDoc target;
        load(target, QStringLiteral("<s/>"));
        select(target, QStringLiteral("/s/"), 1);
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
        QVERIFY(target.PasteNodes());
        QCOMPARE(body(target), QStringLiteral("<s><a>text</a></s>"));
    }

    void userElementNamedClipboardIsPastedWhole()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><CLIPBOARD k=\"v\"><a/></CLIPBOARD><t/></r>"));
        QVERIFY(doc.PutNodeOnClipboard(false, select(doc, QStringLiteral("/r/CLIPBOARD/"), 1)));
        select(doc, QStringLiteral("/r/t/"), 2);
        QVERIFY(doc.PasteNodes());
        QCOMPARE(doc.FindNodeByPath(QStringLiteral("/r/t/")).xml(), QStringLiteral("<t><CLIPBOARD k=\"v\"><a/></CLIPBOARD></t>"));
    }

    // A reference to an entity the target does not declare would make a document that no longer
    // parses: it arrives as its content; one the target declares stays a reference.
    void entityReferencesCrossDocuments_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("result");
        QTest::newRow("declared nowhere in the target") << QStringLiteral("<t/>")
                                                        << QStringLiteral("<t><a k=\"1y\">x<b>y</b></a></t>");
        QTest::newRow("declared in the target") << QStringLiteral("<!DOCTYPE t [<!ENTITY e \"z\">]><t/>")
                                                << QStringLiteral("<t><a k=\"1y\">&e;</a></t>");
        QTest::newRow("only the nested one declared") << QStringLiteral("<!DOCTYPE t [<!ENTITY f \"z\">]><t/>")
                                                      << QStringLiteral("<t><a k=\"1&f;\">x<b>&f;</b></a></t>");
    }
    void entityReferencesCrossDocuments()
    {
        QFETCH(QString, target);
        QFETCH(QString, result);
        MessageRecorder messages;
        for (const bool cut : {false, true}) {
            CWorkSpaceDoc source, other;
            load(source, entitySource());
            load(other, target);
            QVERIFY(source.PutNodeOnClipboard(cut, select(source, QStringLiteral("/r/a/"), 1)));
            other.SetItemNode(1, other.GetDOMDocument()->documentElement()); // not the document type, also named t
            other.SetCurrentItem(1);
            QVERIFY2(other.PasteNodes(), qPrintable(messages.lastText()));
            QCOMPARE(body(other), result);
            QVERIFY(reparses(other));
            QVERIFY(reparses(source));
            // Undone in both, each document is as it was.
            QVERIFY(other.Undo());
            QCOMPARE(body(other), QStringLiteral("<t/>"));
            if (cut) {
                QVERIFY(source.Undo());
                QCOMPARE(body(source), QStringLiteral("<r><a k=\"&v;\">&e;</a></r>"));
            }
        }
    }

    void entityReferenceStaysWithinItsDocument()
    {
        CWorkSpaceDoc doc;
        load(doc, entitySource());
        const XmlNode a = select(doc, QStringLiteral("/r/a/"), 1);
        QVERIFY(doc.PutNodeOnClipboard(false, a));
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><a k=\"&v;\">&e;<a k=\"&v;\">&e;</a></a></r>"));
        // A lone reference, too.
        QVERIFY(doc.PutNodeOnClipboard(false, a.firstChild()));
        QVERIFY(doc.PasteNodes());
        QCOMPARE(body(doc), QStringLiteral("<r><a k=\"&v;\">&e;<a k=\"&v;\">&e;</a>&e;</a></r>"));
    }

    void loneEntityReferenceArrivesAsItsContent()
    {
        CWorkSpaceDoc source, other;
        load(source, entitySource());
        load(other, QStringLiteral("<t/>"));
        QVERIFY(source.PutNodeOnClipboard(false, select(source, QStringLiteral("/r/a/"), 1).firstChild()));
        select(other, QStringLiteral("/t/"), 1);
        QVERIFY(other.PasteNodes());
        QCOMPARE(body(other), QStringLiteral("<t>x<b>y</b></t>"));
        // One paste, one step back.
        QVERIFY(other.Undo());
        QCOMPARE(body(other), QStringLiteral("<t/>"));
    }

    void entityWhoseContentIsUnknownIsNotPasted()
    {
        MessageRecorder messages;
        CWorkSpaceDoc source, other;
        // An external entity that was not read: nothing to put in the reference's place.
        load(source, QStringLiteral("<!DOCTYPE r [<!ENTITY x SYSTEM \"missing.ent\">]><r><a>&x;</a></r>"));
        load(other, QStringLiteral("<t/>"));
        QVERIFY(source.PutNodeOnClipboard(false, select(source, QStringLiteral("/r/a/"), 1)));
        select(other, QStringLiteral("/t/"), 1);
        QVERIFY(!other.PasteNodes());
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to paste items.")));
        QVERIFY(messages.lastText().contains(QStringLiteral("\"x\"")));
        QCOMPARE(body(other), QStringLiteral("<t/>"));
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
    }

    void entityExpansionIsBounded()
    {
        MessageRecorder messages;
        CWorkSpaceDoc source, other;
        // 2,000 references to 50,000 characters: 100 MB once expanded.
        load(source, QStringLiteral("<!DOCTYPE r [<!ENTITY e \"%1\">]><r><a>%2</a></r>")
                         .arg(QString(50000, QLatin1Char('x')), QStringLiteral("&e;").repeated(2000)));
        load(other, QStringLiteral("<t/>"));
        QVERIFY(source.PutNodeOnClipboard(false, select(source, QStringLiteral("/r/a/"), 1)));
        select(other, QStringLiteral("/t/"), 1);
        QVERIFY(!other.PasteNodes());
        QVERIFY(messages.lastText().contains(QStringLiteral("expands to more content than can be copied")));
        QCOMPARE(body(other), QStringLiteral("<t/>"));
    }

    void systemClipboardEntityArrivesAsItsContent()
    {
        const QString text = QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"x\">]>\n"
                                            "<r a=\"1\"><b>&e;</b></r>");
        QGuiApplication::clipboard()->setText(text);
        if (QGuiApplication::clipboard()->text() != text)
            QSKIP("this platform has no clipboard");
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<t/>"));
        select(doc, QStringLiteral("/t/"), 1);
        QVERIFY(doc.PasteFromSystemClipboard());
        QCOMPARE(body(doc), QStringLiteral("<t><r a=\"1\"><b>x</b></r></t>"));
        QVERIFY(reparses(doc));
    }

    void pasteFromSystemClipboard_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::newRow("root with child") << QStringLiteral("<a><b/></a>") << QStringLiteral("<r><a><b/></a></r>");
        QTest::newRow("CLIPBOARD wrapper") << QStringLiteral("<CLIPBOARD><a/><b/></CLIPBOARD>") << QStringLiteral("<r><a/><b/></r>");
        QTest::newRow("non-ASCII") << QStringLiteral("<a>\u00e9\u65e5\U0001F600</a>") << QStringLiteral("<r><a>\u00e9\u65e5\U0001F600</a></r>");
    }
    void pasteFromSystemClipboard()
    {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QGuiApplication::clipboard()->setText(text);
        if (QGuiApplication::clipboard()->text() != text)
            QSKIP("this platform has no clipboard");
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r/>"));
        select(doc, QStringLiteral("/r/"), 1);
        QVERIFY(doc.PasteFromSystemClipboard());
        QCOMPARE(body(doc), result);
    }

    void malformedSystemClipboardChangesNothing()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("<a><b></a>"));
        if (QGuiApplication::clipboard()->text().isEmpty())
            QSKIP("this platform has no clipboard");
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r/>"));
        select(doc, QStringLiteral("/r/"), 1);
        QVERIFY(!doc.PasteFromSystemClipboard());
        QVERIFY(messages.lastText().contains(QStringLiteral("Failed to create DOM using text in clipboard.")));
        QCOMPARE(body(doc), QStringLiteral("<r/>"));
        QVERIFY(!doc.IsModified());
    }

    void systemClipboardTextThatCannotBePastedIsNotKept()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("<a/>"));
        if (QGuiApplication::clipboard()->text().isEmpty())
            QSKIP("this platform has no clipboard");
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r/>"));
        doc.SetCurrentItem(0); // nothing to paste under
        QVERIFY(!doc.PasteFromSystemClipboard());
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to paste items.")));
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        QVERIFY(!CNodeClipboard::instance().Fragment().hasChildNodes());
    }
};

QTEST_MAIN(TestNodeClipboard)
#include "tst_nodeclipboard.moc"
