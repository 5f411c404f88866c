// The DOM layer: loading, the parse report, saving back what was read, and the checks that keep
// the tree something the parser accepts again.
#include "document/xmldocument.h"
#include "document/xmlnamednodemap.h"
#include "document/xmlnodelist.h"
#include "framework/comerror.h"
#include "common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestXmlDocument : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    QString write(const QString &name, const QByteArray &bytes) { return m_dir.write(name, bytes); }

private Q_SLOTS:
    void attributeWalkIsLinearAndSurvivesRemoval()
    {
        XmlDocument doc;
        QString text = QStringLiteral("<r xmlns=\"urn:d\" xmlns:p=\"urn:p\"");
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral(" a%1=\"%1\"").arg(i);
        QVERIFY(doc.loadXML(text + QStringLiteral("/>")));
        XmlNode root = doc.documentElement();
        XmlNamedNodeMap map = root.attributes();
        QCOMPARE(map.length(), 2002);
        QStringList walked;
        for (XmlNode a = map.nextNode(); !a.isNull(); a = map.nextNode())
            walked.append(a.nodeName());
        QCOMPARE(walked.size(), 2002);
        QCOMPARE(walked.mid(0, 3), (QStringList{"xmlns", "xmlns:p", "a0"}));
        QCOMPARE(walked.last(), QStringLiteral("a1999"));

        // Removing the attribute the walk stands on: the walk goes on with the one after it.
        map.reset();
        map.nextNode();
        map.nextNode();
        XmlNode first = map.nextNode();
        QCOMPARE(first.nodeName(), QStringLiteral("a0"));
        root.removeAttributeNode(first);
        QCOMPARE(map.nextNode().nodeName(), QStringLiteral("a1"));
        QCOMPARE(map.nextNode().nodeName(), QStringLiteral("a2"));
        // The same when the removed one is read back after the walk ended.
        map.reset();
        XmlNode last;
        for (XmlNode a = map.nextNode(); !a.isNull(); a = map.nextNode())
            last = a;
        QVERIFY(map.nextNode().isNull());
    }

    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("sameBytes");
        QTest::newRow("declaration and whitespace")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<a>\n  <b x=\"1\" y=\"2\">text</b>\n  <c/>\n</a>\n") << true;
        QTest::newRow("no declaration") << QByteArray("<a><b/></a>\n") << true;
        QTest::newRow("internal subset and entities")
            << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE a [\n<!ENTITY e \"entity text\">\n<!ELEMENT a ANY>\n]>\n<a>&e; &amp; &lt;</a>\n") << false;
        QTest::newRow("namespaces")
            << QByteArray("<?xml version=\"1.0\"?>\n<r xmlns=\"urn:d\" xmlns:p=\"urn:p\"><p:x p:a=\"1\"/><y/></r>\n") << true;
        QTest::newRow("cdata comments instructions")
            << QByteArray("<?xml version=\"1.0\"?>\n<?xml-stylesheet type=\"text/xsl\" href=\"s.xsl\"?>\n<!-- top -->\n<a><![CDATA[<raw> & ]]><!--c--><?pi data?></a>\n") << true;
        QTest::newRow("non-ASCII UTF-8")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a t=\"\xC3\xA9t\xC3\xA9\">\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80</a>\n") << true;
        QTest::newRow("ISO-8859-1")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a>caf\xE9 \xFC</a>\n") << true;
        QByteArray utf16("\xFF\xFE", 2);
        const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<a>\u00e9\u65e5</a>\n");
        utf16.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        QTest::newRow("UTF-16") << utf16 << true;
    }

    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, sameBytes);
        const QString in = write(QStringLiteral("in.xml"), bytes);
        XmlDocument doc;
        QVERIFY2(doc.load(in), qPrintable(doc.parseError().reason));
        const QString out = m_dir.filePath(QStringLiteral("out.xml"));
        doc.save(out);
        QCOMPARE(TestFiles::canonical(out), TestFiles::canonical(in));
        if (sameBytes)
            QCOMPARE(TestFiles::readAll(out), bytes);
    }

    void declarationIsFirstInstruction()
    {
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?><rootnode/>")));
        XmlNode first = doc.documentNode().firstChild();
        QCOMPARE(first.nodeType(), NodeType::ProcessingInstruction);
        QCOMPARE(first.nodeName(), QStringLiteral("xml"));
        QCOMPARE(first.nodeValue(), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\""));
        QCOMPARE(doc.documentElement().nodeName(), QStringLiteral("rootnode"));
        // Only a well-formed declaration, and only in the first place.
        XmlNode pi = doc.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version='1.0'"));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.documentNode().appendChild(pi));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("junk")));
        QVERIFY_THROWS_EXCEPTION(CComError, first.setNodeValue(QStringLiteral("version=1.0")));
        doc.documentNode().replaceChild(pi, first);
        QVERIFY(doc.xml().startsWith(QStringLiteral("<?xml version='1.0'?>")));
    }

    void parseErrorFields()
    {
        const QString path = write(QStringLiteral("bad.xml"), "<a>\n  <b>text</c>\n</a>\n");
        XmlDocument doc;
        QVERIFY(!doc.load(path));
        const XmlParseError &e = doc.parseError();
        QVERIFY(e.errorCode != 0);
        QCOMPARE(e.line, 2);
        QVERIFY(e.linepos > 0);
        QVERIFY(e.filepos > 0);
        QVERIFY(!e.reason.isEmpty());
        QVERIFY2(e.srcText.contains(QStringLiteral("<b>text</c>")), qPrintable(e.srcText));
        QVERIFY(doc.documentElement().isNull());
    }

    void validation()
    {
        const QString path = write(QStringLiteral("invalid.xml"),
                                   "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ELEMENT a (b)><!ELEMENT b EMPTY>]>\n<a><c/></a>\n");
        XmlDocument lenient;
        QVERIFY(lenient.load(path));
        XmlDocument strict;
        strict.setValidateOnParse(true);
        QVERIFY(!strict.load(path));
        QVERIFY(!strict.parseError().reason.isEmpty());
        const QString valid = write(QStringLiteral("valid.xml"),
                                    "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ELEMENT a (b)><!ELEMENT b EMPTY>]>\n<a><b/></a>\n");
        QVERIFY(strict.load(valid));
    }

    void externalEntitiesOnlyWhenAllowed()
    {
        write(QStringLiteral("secret.txt"), "SECRET");
        const QString path = write(QStringLiteral("ext.xml"),
                                   "<?xml version=\"1.0\"?>\n<!DOCTYPE a [<!ENTITY s SYSTEM \"secret.txt\">]>\n<a>&s;</a>\n");
        for (bool validate : {false, true}) {
            XmlDocument doc;
            doc.setValidateOnParse(validate);
            doc.load(path);
            QVERIFY(!doc.xml().contains(QStringLiteral("SECRET")));
            QVERIFY(!doc.documentElement().text().contains(QStringLiteral("SECRET")));
        }
        write(QStringLiteral("ext.dtd"), "<!ELEMENT a (#PCDATA)><!ENTITY d \"from dtd\">");
        const QString withDtd = write(QStringLiteral("dtd.xml"), "<?xml version=\"1.0\"?>\n<!DOCTYPE a SYSTEM \"ext.dtd\">\n<a>&d;</a>\n");
        XmlDocument closed;
        QVERIFY(!closed.load(withDtd)); // the entity is declared only in the external DTD
        XmlDocument open;
        open.setResolveExternals(true);
        QVERIFY2(open.load(withDtd), qPrintable(open.parseError().reason));
        QCOMPARE(open.documentElement().text(), QStringLiteral("from dtd"));
    }

    void entityBombRefused()
    {
        QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE a [\n<!ENTITY e0 \"lollollollollollollollollollol\">\n";
        for (int i = 1; i < 12; ++i)
            bomb += QStringLiteral("<!ENTITY e%1 \"&e%2;&e%2;&e%2;&e%2;&e%2;&e%2;&e%2;&e%2;&e%2;&e%2;\">\n").arg(i).arg(i - 1).toUtf8();
        bomb += "]>\n<a>&e11;</a>\n";
        const QString path = write(QStringLiteral("bomb.xml"), bomb);
        QElapsedTimer timer;
        timer.start();
        XmlDocument doc;
        QVERIFY(!doc.load(path));
        QVERIFY(timer.elapsed() < 10000);
        QVERIFY(!doc.parseError().reason.isEmpty());
    }

    void deepDocumentOpensAndSaves()
    {
        QByteArray deep;
        const int depth = 20000;
        for (int i = 0; i < depth; ++i)
            deep += "<e>";
        for (int i = 0; i < depth; ++i)
            deep += "</e>";
        const QString path = write(QStringLiteral("deep.xml"), deep);
        XmlDocument doc;
        QVERIFY2(doc.load(path), qPrintable(doc.parseError().reason));
        const QString out = m_dir.filePath(QStringLiteral("deep-out.xml"));
        doc.save(out);
        // Written back as it was read, however deep.
        QCOMPARE(TestFiles::readAll(out), deep);
    }

    void failedSaveKeepsOldFile()
    {
        // A save that cannot complete reports and leaves every existing file as it was.
        const QString path = write(QStringLiteral("keep.xml"), "<old/>");
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<?xml version=\"1.0\"?><new/>")));
        const QString missing = m_dir.filePath(QStringLiteral("no-such-folder/keep.xml"));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.save(missing));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.save(m_dir.path())); // a folder stands there
        QCOMPARE(TestFiles::readAll(path), QByteArray("<old/>"));
        doc.save(path);
        QCOMPARE(TestFiles::readAll(path), QByteArray("<?xml version=\"1.0\"?>\n<new/>\n"));
    }

    void savePreservesPermissions()
    {
        const QString path = write(QStringLiteral("perm.xml"), "<old/>");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        XmlDocument doc;
        QVERIFY(doc.load(path));
        doc.save(path);
        QCOMPARE(QFile::permissions(path) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    void appendMovesAndKeepsNodesAlive()
    {
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<r><a>one</a><b>two</b></r>")));
        XmlNode r = doc.documentElement();
        XmlNode a = r.firstChild();
        XmlNode b = r.lastChild();
        XmlNode textA = a.firstChild();
        // Appending a text node beside another must not merge (and free) it.
        XmlNode t = doc.createTextNode(QStringLiteral(" more"));
        a.appendChild(t);
        QCOMPARE(a.childNodes().length(), 2);
        QCOMPARE(t.nodeValue(), QStringLiteral(" more"));
        // appendChild of a node with a parent moves it.
        b.appendChild(a);
        QCOMPARE(r.childNodes().length(), 1);
        QCOMPARE(b.lastChild(), a);
        // Removed nodes stay usable.
        b.removeChild(a);
        QCOMPARE(textA.nodeValue(), QStringLiteral("one"));
        QCOMPARE(a.parentNode().isNull(), true);
        QVERIFY_THROWS_EXCEPTION(CComError, a.appendChild(r.parentNode()));
        QVERIFY_THROWS_EXCEPTION(CComError, b.appendChild(r)); // under itself
        // Loading again leaves old handles valid.
        QVERIFY(doc.loadXML(QStringLiteral("<other/>")));
        QCOMPARE(b.nodeName(), QStringLiteral("b"));
        QCOMPARE(textA.nodeValue(), QStringLiteral("one"));
    }

    void nodeTypesAndNames()
    {
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"x\"><!NOTATION n SYSTEM \"n\">]>"
                                           "<r xmlns:p=\"urn:p\" a=\"1\">t<![CDATA[c]]><!--m--><?pi d?>&e;</r>")));
        const XmlNode docNode = doc.documentNode();
        QCOMPARE(docNode.nodeType(), NodeType::Document);
        XmlNode doctype = docNode.firstChild().nextSibling();
        QCOMPARE(doctype.nodeType(), NodeType::DocumentType);
        QCOMPARE(doctype.nodeName(), QStringLiteral("r"));
        QCOMPARE(doctype.firstChild().nodeType(), NodeType::Entity);
        XmlNode r = doc.documentElement();
        XmlNamedNodeMap attributes = r.attributes();
        QCOMPARE(attributes.length(), 2);
        QCOMPARE(attributes.item(0).nodeName(), QStringLiteral("xmlns:p"));
        QCOMPARE(attributes.item(0).nodeValue(), QStringLiteral("urn:p"));
        QCOMPARE(attributes.item(1).nodeName(), QStringLiteral("a"));
        QList<int> types;
        XmlNodeList children = r.childNodes();
        for (XmlNode c = children.nextNode(); !c.isNull(); c = children.nextNode())
            types << c.nodeType();
        QCOMPARE(types, (QList<int>{3, 4, 8, 7, 5}));
        QCOMPARE(r.lastChild().firstChild().nodeValue(), QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(CComError, r.lastChild().appendChild(doc.createTextNode(QStringLiteral("y"))));
        QCOMPARE(r.getAttribute(QStringLiteral("a")).value(), QStringLiteral("1"));
        QVERIFY(!r.getAttribute(QStringLiteral("missing")).has_value());
    }

    void refusesWhatTheParserWouldRefuse()
    {
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<r/>")));
        XmlNode r = doc.documentElement();
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createElement(QStringLiteral("two words")));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createElement(QStringLiteral("1x")));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createComment(QStringLiteral("a--b")));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createCDATASection(QStringLiteral("a]]>b")));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createProcessingInstruction(QStringLiteral("pi"), QStringLiteral("a?>b")));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createProcessingInstruction(QStringLiteral("XML"), QString()));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.createTextNode(QStringLiteral("bell\x07")));
        QVERIFY_THROWS_EXCEPTION(CComError, r.setAttribute(QStringLiteral("a b"), QStringLiteral("1")));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.documentNode().appendChild(doc.createElement(QStringLiteral("second"))));
        QVERIFY_THROWS_EXCEPTION(CComError, doc.documentNode().appendChild(doc.createTextNode(QStringLiteral("x"))));
        // Values with markup characters are stored as text, not parsed.
        r.setAttribute(QStringLiteral("v"), QStringLiteral("a&b<\"c\""));
        QCOMPARE(r.getAttribute(QStringLiteral("v")).value(), QStringLiteral("a&b<\"c\""));
        XmlDocument again;
        QVERIFY(again.loadXML(doc.xml()));
        QCOMPARE(again.documentElement().getAttribute(QStringLiteral("v")).value(), QStringLiteral("a&b<\"c\""));
    }

    void attributesReplaceAndRemove()
    {
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<r x=\"1\" y=\"2\"/>")));
        XmlNode r = doc.documentElement();
        XmlNode x = r.getAttributeNode(QStringLiteral("x"));
        XmlNode replacement = doc.createAttribute(QStringLiteral("x"));
        replacement.setNodeValue(QStringLiteral("9"));
        QCOMPARE(r.setAttributeNode(replacement), x);
        QCOMPARE(r.getAttribute(QStringLiteral("x")).value(), QStringLiteral("9"));
        QCOMPARE(x.nodeValue(), QStringLiteral("1")); // the replaced attribute is still readable
        r.removeAttributeNode(replacement);
        QCOMPARE(r.attributes().length(), 1);
        XmlNode clone = r.getAttributeNode(QStringLiteral("y")).cloneNode(true);
        QCOMPARE(clone.nodeValue(), QStringLiteral("2"));
        QVERIFY(clone.ownerElement().isNull());
    }

    void copyIntoAnotherDocument()
    {
        XmlDocument one, two;
        QVERIFY(one.loadXML(QStringLiteral("<r xmlns:p=\"urn:p\"><p:a k=\"v\">t</p:a></r>")));
        QVERIFY(two.loadXML(QStringLiteral("<s/>")));
        XmlNode a = one.documentElement().firstChild();
        XmlNode copy = two.documentElement().appendChild(a);
        QVERIFY(copy != a);
        QCOMPARE(a.parentNode(), one.documentElement()); // the original stays where it was
        XmlDocument check;
        QVERIFY(check.loadXML(two.xml()));
        QVERIFY2(two.xml().contains(QStringLiteral("xmlns:p=\"urn:p\"")), qPrintable(two.xml()));
    }
};

QTEST_GUILESS_MAIN(TestXmlDocument)
#include "tst_xmldocument.moc"
