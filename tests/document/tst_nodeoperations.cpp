// Node creation, type names, renaming and deletion through the document.
#include "document/workspacedoc.h"
#include "document/xmlnamednodemap.h"
#include "document/xmlnodelist.h"
#include "framework/viewbase.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QStandardPaths>
#include <QtTest>

class TestNodeOperations : public QObject
{
    Q_OBJECT

private:
    // A document with `xml` loaded, its root bound to item 1 and made current.
    static void load(CWorkSpaceDoc &doc, const QString &xml)
    {
        QVERIFY(doc.GetDOMDocument()->loadXML(xml));
        doc.SetItemNode(1, doc.GetDOMDocument()->documentElement());
        doc.SetCurrentItem(1);
        doc.SetModifiedFlag(false);
    }
    static QStringList attributeNames(const XmlNode &element)
    {
        QStringList names;
        XmlNamedNodeMap map = element.attributes();
        for (XmlNode a = map.nextNode(); !a.isNull(); a = map.nextNode())
            names << a.nodeName() + QLatin1Char('=') + a.nodeValue();
        return names;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void createElements()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><a/></r>"));
        XmlNode child = doc.CreateNode(1, NodeType::Element, QStringLiteral("NewChild"), QString());
        QCOMPARE(child.nodeName(), QStringLiteral("NewChild"));
        QCOMPARE(doc.GetDOMDocument()->documentElement().lastChild(), child);
        QVERIFY(doc.IsModified());
        // A sibling of the root would be a second root element.
        QVERIFY(doc.CreateNode(0, NodeType::Element, QStringLiteral("NewSibling"), QString()).isNull());
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error creating node")));
        QVERIFY(doc.CreateNode(1, NodeType::Element, QStringLiteral("bad name"), QString()).isNull());
    }

    void createAttributesWithUniqueNames()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r/>"));
        for (int i = 0; i < 3; ++i)
            QVERIFY(!doc.CreateNode(1, NodeType::Attribute, QStringLiteral("attribute"), QString()).isNull());
        QCOMPARE(attributeNames(doc.GetDOMDocument()->documentElement()),
                 (QStringList{QStringLiteral("attribute="), QStringLiteral("attribute0="), QStringLiteral("attribute1=")}));
        // An attribute under a text node is refused with the message.
        MessageRecorder messages;
        XmlNode text = doc.CreateNode(1, NodeType::Text, QString(), QStringLiteral("t"));
        doc.SetItemNode(2, text);
        QVERIFY(doc.CreateNode(2, NodeType::Attribute, QStringLiteral("attribute"), QString()).isNull());
        QCOMPARE(messages.lastText(), QStringLiteral("This operation can not be performed on an attribute "));
    }

    void createContentNodes()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r/>"));
        QCOMPARE(doc.CreateNode(1, NodeType::Comment, QString(), QStringLiteral("c")).nodeType(), NodeType::Comment);
        QCOMPARE(doc.CreateNode(1, NodeType::CDataSection, QString(), QStringLiteral("d")).nodeType(), NodeType::CDataSection);
        XmlNode pi = doc.CreateNode(1, NodeType::ProcessingInstruction, QStringLiteral("xml-stylesheet"), QString());
        QCOMPARE(pi.nodeValue(), QStringLiteral("attribute='empty'"));
        QVERIFY(doc.IsModified()); // every kind of node marks the document
        QVERIFY(doc.CreateNode(1, NodeType::Comment, QString(), QStringLiteral("a--b")).isNull());
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to create comment node.\n\n")));
        QVERIFY(doc.CreateNode(99, NodeType::Text, QString(), QString()).isNull());
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to create text node.")));
    }

    void typeNames_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("element") << 1 << QStringLiteral("XML_ELEMENT");
        QTest::newRow("pi") << 7 << QStringLiteral("XML_PROC_INSTRUCTION");
        QTest::newRow("doctype") << 10 << QStringLiteral("XML_DOC_TYPE");
        QTest::newRow("document") << 9 << QStringLiteral("XML_DOCUMENT");
    }
    void typeNames()
    {
        QFETCH(int, type);
        QFETCH(QString, name);
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE r><r/>"));
        XmlNode node = doc.GetDOMDocument()->documentNode();
        if (type != NodeType::Document) {
            for (node = node.firstChild(); node.nodeType() != type; node = node.nextSibling()) {}
        }
        QCOMPARE(doc.GetNodeTypeName(node), name);
        QCOMPARE(doc.GetNodeTypeName(), QStringLiteral("XML_ELEMENT"));
    }

    void renameElementKeepsEverything()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r xmlns:p=\"urn:p\"><a x=\"1\" y=\"2\">text<b/><c/></a></r>"));
        XmlNode a = doc.GetDOMDocument()->documentElement().firstChild();
        doc.SetItemNode(2, a);
        QVERIFY(doc.RenameNode(a, QStringLiteral("z")));
        QCOMPARE(doc.GetDOMDocument()->documentElement().firstChild().xml(), QStringLiteral("<z x=\"1\" y=\"2\">text<b/><c/></z>"));
        QCOMPARE(doc.GetItemNode(2), a); // the item stays bound
        QVERIFY(doc.IsModified());
        QVERIFY(doc.RenameNode(a, QStringLiteral("p:z")));
        XmlDocument check;
        QVERIFY(check.loadXML(doc.GetDOMDocument()->xml()));
        QVERIFY(doc.RenameNode(doc.GetDOMDocument()->documentElement(), QStringLiteral("root")));
        MessageRecorder messages;
        QVERIFY(!doc.RenameNode(a, QStringLiteral("two words")));
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to change node name.\n\n")));
        QCOMPARE(a.nodeName(), QStringLiteral("p:z"));
    }

    void renameAttribute()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r x=\"1\" y=\"2\"/>"));
        XmlNode r = doc.GetDOMDocument()->documentElement();
        QVERIFY(doc.RenameNode(r.getAttributeNode(QStringLiteral("x")), QStringLiteral("w")));
        QCOMPARE(attributeNames(r), (QStringList{QStringLiteral("y=2"), QStringLiteral("w=1")}));
        // Refused names and names the element has already leave both attributes as they were.
        MessageRecorder messages;
        QVERIFY(!doc.RenameNode(r.getAttributeNode(QStringLiteral("y")), QStringLiteral("bad name")));
        QVERIFY(!doc.RenameNode(r.getAttributeNode(QStringLiteral("y")), QStringLiteral("w")));
        QCOMPARE(messages.count(), 2);
        QCOMPARE(attributeNames(r), (QStringList{QStringLiteral("y=2"), QStringLiteral("w=1")}));
    }

    void renameInstructions()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<?xml version=\"1.0\"?><?a data?><r><?inner d?></r>"));
        XmlNode docNode = doc.GetDOMDocument()->documentNode();
        XmlNode declaration = docNode.firstChild();
        QVERIFY(doc.RenameNode(declaration, QStringLiteral("xml")));
        QCOMPARE(docNode.firstChild().nodeValue(), QStringLiteral("version=\"1.0\""));
        // An instruction inside an element is replaced where it stands: one instruction, not two.
        XmlNode r = doc.GetDOMDocument()->documentElement();
        QVERIFY(doc.RenameNode(r.firstChild(), QStringLiteral("renamed")));
        QCOMPARE(r.childNodes().length(), 1);
        QCOMPARE(r.firstChild().nodeName(), QStringLiteral("renamed"));
        QCOMPARE(r.firstChild().nodeValue(), QStringLiteral("d"));
        // Another top-level instruction renamed to xml cannot take the declaration's place.
        MessageRecorder messages;
        XmlNode a = docNode.firstChild().nextSibling();
        QVERIFY(!doc.RenameNode(a, QStringLiteral("xml")));
        QCOMPARE(a.parentNode(), docNode);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to update processing instruction.")));
        // A target no instruction can have is refused with the same report, never silently.
        const int before = messages.count();
        QVERIFY(!doc.RenameNode(a, QStringLiteral("bad target")));
        QCOMPARE(messages.count(), before + 1);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to update processing instruction.")));
        QCOMPARE(a.nodeName(), QStringLiteral("a"));
    }

    void valueEditsAreOneEditEach()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<?xml version=\"1.0\"?><r x=\"1\">t<?p old?><!--c--></r>"));
        int notifications = 0;
        struct Counter : CViewBase {
            int *count;
            void OnUpdate(CViewBase *, long, QObject *) override { ++*count; }
        } counter;
        counter.count = &notifications;
        doc.AddView(&counter);
        XmlNode r = doc.GetDOMDocument()->documentElement();
        QVERIFY(doc.SetNodeValue(r.getAttributeNode(QStringLiteral("x")), QStringLiteral("2")));
        QVERIFY(doc.SetNodeValue(r.firstChild(), QStringLiteral("new text")));
        QVERIFY(doc.ReplaceInstruction(r.firstChild().nextSibling(), QStringLiteral("p"), QStringLiteral("new")));
        QCOMPARE(notifications, 3);
        QVERIFY(doc.IsModified());
        QCOMPARE(r.xml(), QStringLiteral("<r x=\"2\">new text<?p new?><!--c--></r>"));
        // The declaration changes in place; a comment that would not be well-formed is refused.
        XmlNode declaration = doc.GetDOMDocument()->documentNode().firstChild();
        QVERIFY(doc.ReplaceInstruction(declaration, QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
        QCOMPARE(doc.GetDOMDocument()->documentNode().firstChild().nodeValue(), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
        QVERIFY(!doc.SetNodeValue(r.lastChild(), QStringLiteral("a--b")));
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to change node value.")));
        QCOMPARE(notifications, 4);
        doc.RemoveView(&counter);
    }

    void renameToDeclarationFallback()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<?a not a declaration?><r/>"));
        XmlNode docNode = doc.GetDOMDocument()->documentNode();
        QVERIFY(doc.RenameNode(docNode.firstChild(), QStringLiteral("xml")));
        QCOMPARE(docNode.firstChild().nodeValue(), QStringLiteral("version='1.0' encoding='UTF-8' standalone='no'"));
    }

    // Edits that would save a document the parser then refuses are refused, and change nothing;
    // their well-formed twins are made.
    void editsThatWouldNotParseAgain_data()
    {
        QTest::addColumn<QString>("xml");
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("done");
        enum { Create = 1, CreateAttribute = 2, Rename = 3, SetValue = 4, DeleteDoctype = 5 };
        const QString plain = QStringLiteral("<r a=\"1\"/>");
        const QString declared = QStringLiteral("<r xmlns:p=\"urn:p\" a=\"1\"/>");
        QTest::newRow("element with an undeclared prefix") << plain << int(Create) << "p:q" << "" << false;
        QTest::newRow("element with a declared prefix") << declared << int(Create) << "p:q" << "" << true;
        QTest::newRow("element declaring a namespace that is no URI") << plain << int(Create) << "q" << "<x/>" << false;
        QTest::newRow("element declaring its namespace") << plain << int(Create) << "p:q" << "urn:q" << true;
        QTest::newRow("attribute with an undeclared prefix") << plain << int(CreateAttribute) << "p:b" << "v" << false;
        QTest::newRow("attribute with a declared prefix") << declared << int(CreateAttribute) << "p:b" << "v" << true;
        QTest::newRow("xmlns attribute that is no URI") << plain << int(CreateAttribute) << "xmlns" << "a b" << false;
        QTest::newRow("xmlns:p attribute of the reserved name")
            << plain << int(CreateAttribute) << "xmlns:p" << "http://www.w3.org/2000/xmlns/" << false;
        QTest::newRow("xmlns attribute") << plain << int(CreateAttribute) << "xmlns" << "urn:d" << true;
        QTest::newRow("rename to an undeclared prefix") << plain << int(Rename) << "p:r" << "" << false;
        QTest::newRow("rename attribute to an undeclared prefix") << plain << int(Rename) << "p:a" << "" << false;
        QTest::newRow("declaration value that is no URI") << declared << int(SetValue) << "xmlns:p" << "]]>" << false;
        QTest::newRow("declaration value") << declared << int(SetValue) << "xmlns:p" << "urn:other" << true;
        QTest::newRow("doctype whose entity is used")
            << "<!DOCTYPE r [<!ENTITY e \"x\">]><r a=\"&e;\"/>" << int(DeleteDoctype) << "" << "" << false;
        QTest::newRow("doctype whose entity is not used")
            << "<!DOCTYPE r [<!ENTITY e \"x\">]><r a=\"1\"/>" << int(DeleteDoctype) << "" << "" << true;
    }
    void editsThatWouldNotParseAgain()
    {
        QFETCH(QString, xml);
        QFETCH(int, edit);
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(bool, done);
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        load(doc, xml);
        const XmlNode root = doc.GetDOMDocument()->documentElement();
        const QString before = doc.GetDOMDocument()->xml();
        bool ok = false;
        switch (edit) {
        case 1: ok = !doc.CreateNode(1, NodeType::Element, name, value).isNull(); break;
        case 2: ok = !doc.CreateNode(1, NodeType::Attribute, name, value).isNull(); break;
        case 3: ok = doc.RenameNode(name.endsWith(QLatin1Char('a')) ? root.getAttributeNode(QStringLiteral("a")) : root, name); break;
        case 4: ok = doc.SetNodeValue(root.getAttributeNode(name), value); break;
        case 5:
            doc.SetItemNode(2, doc.GetDOMDocument()->documentNode().firstChild());
            ok = doc.DeleteNode(2);
            break;
        }
        QCOMPARE(ok, done);
        QCOMPARE(messages.count(), done ? 0 : 1);
        if (!done)
            QCOMPARE(doc.GetDOMDocument()->xml(), before);
        XmlDocument again;
        QVERIFY2(again.loadXML(QString::fromUtf8(doc.GetDOMDocument()->xmlUtf8())), qPrintable(doc.GetDOMDocument()->xml()));
    }

    void deleteAndCurrentElement()
    {
        CWorkSpaceDoc doc;
        load(doc, QStringLiteral("<r><a/><b/></r>"));
        QVERIFY(doc.IsCurrentNodeElement());
        XmlNode a = doc.GetDOMDocument()->documentElement().firstChild();
        doc.SetItemNode(2, a);
        QVERIFY(doc.DeleteNode(2));
        QCOMPARE(doc.GetItemNode(2).isNull(), true);
        QCOMPARE(doc.GetDOMDocument()->documentElement().childNodes().length(), 1);
        QCOMPARE(a.nodeName(), QStringLiteral("a")); // still readable after deletion
        QVERIFY(doc.IsModified());
        doc.SetCurrentItem(0);
        QVERIFY(!doc.IsCurrentNodeElement());
    }

    void documentWithoutRootIsNotSaved()
    {
        TestFiles::TempFolder dir;
        const QString path = dir.write(QStringLiteral("keep.xml"), "<r/>");
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnOpenDocument(path));
        doc.SetItemNode(1, doc.GetDOMDocument()->documentElement());
        QVERIFY(doc.DeleteNode(1));
        MessageRecorder messages;
        QVERIFY(!doc.OnSaveDocument(path));
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Their was a problem saving document.")));
        QCOMPARE(TestFiles::readAll(path), QByteArray("<r/>"));
    }
};

QTEST_MAIN(TestNodeOperations)
#include "tst_nodeoperations.moc"
