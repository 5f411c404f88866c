// Saving keeps every byte that was not edited: open and save gives the file back as it was, and
// an edit changes only its own bytes, whatever the file's encoding, line ends and layout.
#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "document/xmlnamednodemap.h"
#include "document/xmlnodelist.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray utf16(const QString &text, QStringConverter::Encoding encoding, bool bom)
{
    return QStringEncoder(encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Stateless)(text);
}

// The tree as a comparable text: names, attributes (sorted, namespace declarations left out),
// text with layout-only runs dropped.
QString shape(const XmlNode &node)
{
    QString out;
    QString text;
    const auto flush = [&] {
        if (!text.trimmed().isEmpty())
            out += QStringLiteral("T(%1)").arg(text);
        text.clear();
    };
    XmlNodeList children = node.childNodes();
    for (XmlNode c = children.nextNode(); !c.isNull(); c = children.nextNode()) {
        if (c.nodeType() == NodeType::Text) {
            text += c.nodeValue();
            continue;
        }
        flush();
        if (c.nodeType() == NodeType::Element) {
            QStringList attributes;
            XmlNamedNodeMap map = c.attributes();
            for (XmlNode a = map.nextNode(); !a.isNull(); a = map.nextNode())
                if (!a.nodeName().startsWith(QLatin1String("xmlns")))
                    attributes << a.nodeName() + QLatin1Char('=') + a.nodeValue();
            attributes.sort();
            out += QStringLiteral("<%1 %2>%3</>").arg(c.nodeName(), attributes.join(QLatin1Char(' ')), shape(c));
        } else if (c.nodeType() != NodeType::DocumentType) {
            out += QStringLiteral("[%1 %2 %3]").arg(c.nodeType()).arg(c.nodeName(), c.nodeValue());
        }
    }
    flush();
    return out;
}

} // namespace

class TestLosslessSave : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    // Loads `bytes` from a file; the document and the path.
    std::unique_ptr<XmlDocument> open(const QByteArray &bytes, QString *path = nullptr)
    {
        const QString file = m_dir.write(QStringLiteral("in.xml"), bytes);
        auto doc = std::make_unique<XmlDocument>();
        if (!doc->load(file))
            return nullptr;
        if (path)
            *path = file;
        return doc;
    }
    QByteArray saved(const XmlDocument &doc)
    {
        const QString out = m_dir.filePath(QStringLiteral("out.xml"));
        doc.save(out);
        return readAll(out);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void openAndSaveGivesTheFileBack_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray body = "<r a='1'  b=\"2\">\n  <e></e><f/><g />\n  <h\n     x=\"1\"\n     y='&#32;&amp;'/>\n"
                                "  text &#x41; &lt; <![CDATA[ <raw> ]]><!-- c --><?pi  data ?>\n</r>";
        QTest::newRow("utf-8, no declaration, no final newline") << body;
        QTest::newRow("declaration spacing and quotes") << "<?xml   version='1.0'  encoding=\"utf-8\" ?>\n" + body + "\n";
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body + "\n";
        QByteArray crlf = "<?xml version=\"1.0\"?>\r\n" + body + "\r\n";
        crlf.replace("\n", "\r\n").replace("\r\r\n", "\r\n");
        QTest::newRow("CR LF") << crlf;
        QTest::newRow("mixed line ends") << QByteArray("<r>\r\n <a/>\n <b/>\r\n</r>\n");
        QTest::newRow("prolog and epilog layout")
            << QByteArray("<?xml version=\"1.0\"?>\n\n<!-- one -->\n  <?keep me?>\n\n<r/>\n\n<!-- after -->\n\n\n");
        QTest::newRow("namespaces stay where they were")
            << QByteArray("<svg width=\"16\" xmlns=\"http://www.w3.org/2000/svg\" height=\"16\"\n"
                          "     xmlns:xlink=\"http://www.w3.org/1999/xlink\"><use xlink:href=\"#a\"/></svg>\n");
        QTest::newRow("internal subset with a parameter entity")
            << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n  <!ENTITY % e \"<!ENTITY x 'ex'>\">\n  %e;\n"
                          "  <!-- ] > -->\n  <!ATTLIST r q CDATA #IMPLIED>\n]>\n<r q=\"v\">&x; and &x;</r>\n");
        QTest::newRow("latin-1")
            << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r n=\"\xE9t\xE9\">caf\xE9</r>\n");
        const QString wide = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<r a=\"\u00e9\">\u4e2d</r>\r\n");
        QTest::newRow("utf-16le with mark") << utf16(wide, QStringConverter::Utf16LE, true);
        QTest::newRow("utf-16be with mark") << utf16(wide, QStringConverter::Utf16BE, true);
    }
    void openAndSaveGivesTheFileBack()
    {
        QFETCH(QByteArray, bytes);
        std::unique_ptr<XmlDocument> doc = open(bytes);
        QVERIFY(doc);
        QCOMPARE(saved(*doc), bytes);
        QCOMPARE(doc->serializedBytes(), bytes);
    }

    void editsChangeOnlyTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray("\r\n");
    }
    void editsChangeOnlyTheirBytes()
    {
        QFETCH(QByteArray, eol);
        const auto lines = [&](QByteArray text) { return text.replace("\n", eol); };
        const QByteArray original = lines("<?xml version='1.0'?>\n<root  id='7'>\n  <item name=\"a\" size = '1'/>\n"
                                          "  <item name=\"b\"></item>\n  <!-- note -->\n  <last>x &amp; y</last>\n</root>");
        std::unique_ptr<XmlDocument> doc = open(original);
        QVERIFY(doc);
        XmlNode root = doc->documentElement();
        XmlNodeList items = root.childNodes();
        XmlNode first = items.item(1), second = items.item(3), comment = items.item(5), last = items.item(7);

        first.getAttributeNode(QStringLiteral("size")).setNodeValue(QStringLiteral("2 'big' & <more>"));
        QCOMPARE(saved(*doc), lines("<?xml version='1.0'?>\n<root  id='7'>\n  <item name=\"a\" size = '2 &apos;big&apos; &amp; &lt;more&gt;'/>\n"
                                    "  <item name=\"b\"></item>\n  <!-- note -->\n  <last>x &amp; y</last>\n</root>"));

        second.renameElement(QStringLiteral("entry"));
        last.firstChild().setNodeValue(QStringLiteral("z"));
        QCOMPARE(saved(*doc), lines("<?xml version='1.0'?>\n<root  id='7'>\n  <item name=\"a\" size = '2 &apos;big&apos; &amp; &lt;more&gt;'/>\n"
                                    "  <entry name=\"b\"></entry>\n  <!-- note -->\n  <last>z</last>\n</root>"));

        root.removeChild(comment);
        first.removeAttributeNode(first.getAttributeNode(QStringLiteral("name")));
        first.setAttribute(QStringLiteral("added"), QStringLiteral("\"q\""));
        QCOMPARE(saved(*doc), lines("<?xml version='1.0'?>\n<root  id='7'>\n  <item size = '2 &apos;big&apos; &amp; &lt;more&gt;' added=\"&quot;q&quot;\"/>\n"
                                    "  <entry name=\"b\"></entry>\n  <last>z</last>\n</root>"));

        XmlNode added = doc->createElement(QStringLiteral("new"));
        added.appendChild(doc->createTextNode(QStringLiteral("a\nb")));
        first.appendChild(added);
        QCOMPARE(saved(*doc), lines("<?xml version='1.0'?>\n<root  id='7'>\n  <item size = '2 &apos;big&apos; &amp; &lt;more&gt;' added=\"&quot;q&quot;\"><new>a\nb</new></item>\n"
                                    "  <entry name=\"b\"></entry>\n  <last>z</last>\n</root>"));
        // The Source page shows the same text.
        QCOMPARE(doc->xmlUtf8(), saved(*doc));
    }

    void newNodesAreIndentedLikeTheirSiblings()
    {
        std::unique_ptr<XmlDocument> doc = open("<r>\r\n\t<a/>\r\n\t<b/>\r\n</r>\r\n");
        QVERIFY(doc);
        XmlNode root = doc->documentElement();
        root.appendChild(doc->createElement(QStringLiteral("c")));
        root.appendChild(doc->createComment(QStringLiteral(" d ")));
        root.insertBefore(doc->createElement(QStringLiteral("n")), root.firstChild().nextSibling());
        QCOMPARE(saved(*doc), QByteArray("<r>\r\n\t<n/>\r\n\t<a/>\r\n\t<b/>\r\n\t<c/>\r\n\t<!-- d -->\r\n</r>\r\n"));
    }

    void documentOperationsMarkWhatTheyChange()
    {
        // Through the document, as the views ask for changes.
        MessageRecorder messages;
        CWorkSpaceDoc work;
        work.CreateDOMInstance();
        const QByteArray original = "<r>\r\n  <a k=\"v\"/>\r\n  <b/>\r\n  <c>t</c>\r\n</r>\r\n";
        const QString path = m_dir.write(QStringLiteral("work.xml"), original);
        QVERIFY(work.OnOpenDocument(path));
        XmlNode root = work.GetDOMDocument()->documentElement();
        XmlNodeList items = root.childNodes();
        const XmlNode a = items.item(1), b = items.item(3), c = items.item(5);
        QVERIFY(work.RenameNode(c, QStringLiteral("d")));
        QVERIFY(work.SetNodeValue(a.getAttributeNode(QStringLiteral("k")), QStringLiteral("w")));
        work.SetItemNode(7, b);
        QVERIFY(work.DeleteNode(7));
        QVERIFY(work.OnSaveDocument(path));
        QCOMPARE(readAll(path), QByteArray("<r>\r\n  <a k=\"w\"/>\r\n  <d>t</d>\r\n</r>\r\n"));
        // Saved again after the save: still only the edits.
        QVERIFY(work.OnSaveDocument(path));
        QCOMPARE(readAll(path), QByteArray("<r>\r\n  <a k=\"w\"/>\r\n  <d>t</d>\r\n</r>\r\n"));
        QCOMPARE(messages.count(), 0);
    }

    void sourceCommitKeepsTheFileForm_data()
    {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QByteArray>("eol");
        QTest::newRow("LF") << QByteArray() << QByteArray("\n");
        QTest::newRow("CR LF") << QByteArray() << QByteArray("\r\n");
        QTest::newRow("byte-order mark, CR LF") << QByteArray("\xEF\xBB\xBF") << QByteArray("\r\n");
    }
    void sourceCommitKeepsTheFileForm()
    {
        QFETCH(QByteArray, mark);
        QFETCH(QByteArray, eol);
        const auto lines = [&](QByteArray text) { return mark + text.replace("\n", eol); };
        MessageRecorder messages;
        CWorkSpaceDoc work;
        const QString path = m_dir.write(QStringLiteral("commit.xml"),
                                         lines("<?xml version=\"1.0\"?>\n<r>\n  <a k='v'>two\nlines</a>\n  <b/>\n</r>\n"));
        QVERIFY(work.OnOpenDocument(path));
        // The editor's text, with a line typed in it (the editor breaks new lines with LF).
        QByteArray text = work.GetDOMDocument()->xmlUtf8();
        QVERIFY(!text.startsWith(mark) || mark.isEmpty());
        text.replace("<b/>", "<b/>\n  <c/>");
        QVERIFY(work.CommitSourceText(text));
        QCOMPARE(work.GetDOMDocument()->documentElement().firstChild().nextSibling().text(), QStringLiteral("two\nlines"));
        QVERIFY(work.OnSaveDocument(path));
        const QByteArray committed = lines("<?xml version=\"1.0\"?>\n<r>\n  <a k='v'>two\nlines</a>\n  <b/>\n  <c/>\n</r>\n");
        QCOMPARE(readAll(path), committed);
        // An edit after the commit is written in the same form.
        const XmlNode r = work.GetDOMDocument()->documentElement();
        work.SetItemNode(1, r);
        work.SetCurrentItem(1);
        QVERIFY(!work.CreateNode(1, NodeType::Element, QStringLiteral("d"), QString()).isNull());
        QVERIFY(work.OnSaveDocument(path));
        QCOMPARE(readAll(path), lines("<?xml version=\"1.0\"?>\n<r>\n  <a k='v'>two\nlines</a>\n  <b/>\n  <c/>\n  <d/>\n</r>\n"));
        QCOMPARE(messages.count(), 0);
    }

    void aFileChangedOnDiskIsWrittenFromTheTree()
    {
        QString path;
        std::unique_ptr<XmlDocument> doc = open("<r>\n  <a/>\n</r>\n", &path);
        QVERIFY(doc);
        // Rewritten in place by another program: its bytes are no longer those the tree came from.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write("<x>\n  <y/>\n</x>\n  ");
        file.close();
        const QByteArray out = saved(*doc);
        QVERIFY2(out.contains("<r>") && out.contains("<a/>"), out.constData());
    }

    void randomEditsKeepTheTreeAndTheUneditedBytes()
    {
        QRandomGenerator random(17);
        for (int round = 0; round < 40; ++round) {
            const bool crlf = round % 2;
            const QByteArray eol = crlf ? "\r\n" : "\n";
            QList<QByteArray> parts;
            QByteArray text = "<?xml version=\"1.0\"?>" + eol + "<root>";
            const int count = 6 + int(random.bounded(6));
            for (int i = 0; i < count; ++i) {
                QByteArray part = "<e" + QByteArray::number(i) + " a='" + QByteArray::number(i) + "'  b=\"&#32;x\">"
                    + eol + "    <in>t" + QByteArray::number(i) + " &amp; u</in><!-- c -->" + eol + "  </e"
                    + QByteArray::number(i) + ">";
                parts.append(part);
                text += eol + "  " + part;
            }
            text += eol + "</root>" + eol;
            std::unique_ptr<XmlDocument> doc = open(text);
            QVERIFY(doc);
            XmlNode root = doc->documentElement();
            QList<XmlNode> elements;
            for (XmlNode c = root.firstChild(); !c.isNull(); c = c.nextSibling())
                if (c.nodeType() == NodeType::Element)
                    elements.append(c);
            QSet<int> edited;
            const int edits = 1 + int(random.bounded(4));
            for (int k = 0; k < edits; ++k) {
                const int i = int(random.bounded(elements.size()));
                XmlNode e = elements[i];
                if (e.parentNode().isNull())
                    continue;
                edited.insert(i);
                switch (random.bounded(7)) {
                case 0: e.renameElement(QStringLiteral("n%1").arg(k)); break;
                case 1: e.getAttributeNode(QStringLiteral("a")).setNodeValue(QStringLiteral("<%1>").arg(k)); break;
                case 2: e.removeAttributeNode(e.getAttributeNode(QStringLiteral("b"))); break;
                case 3: e.setAttribute(QStringLiteral("z%1").arg(k), QStringLiteral("'")); break;
                case 4: root.removeChild(e); break;
                case 5: e.firstChild().nextSibling().firstChild().setNodeValue(QStringLiteral("v\n%1").arg(k)); break;
                default: e.appendChild(doc->createComment(QStringLiteral("new %1").arg(k))); break;
                }
            }
            const QByteArray out = saved(*doc);
            XmlDocument reread;
            QVERIFY2(reread.loadXML(QString::fromUtf8(out)), out.constData());
            QCOMPARE(shape(reread.documentNode()), shape(doc->documentNode()));
            for (int i = 0; i < parts.size(); ++i)
                if (!edited.contains(i))
                    QVERIFY2(out.contains(eol + "  " + parts[i] + eol), parts[i].constData());
            if (crlf)
                QVERIFY(!QByteArray(out).replace("\r\n", "").contains('\n'));
        }
    }
};

QTEST_MAIN(TestLosslessSave)
#include "tst_losslesssave.moc"
