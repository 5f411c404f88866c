// Validation against each kind of schema, with errors at known lines and nodes, and the
// locations that are refused: network addresses, and files the document names while external
// files may not be resolved.
#include "document/xmldocument.h"
#include "document/xmlsearch.h"
#include "document/xmlvalidator.h"
#include "common/testfiles.h"

#include <QtTest>

namespace {

const QByteArray Xsd =
    "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
    " <xs:element name=\"order\"><xs:complexType><xs:sequence>\n"
    "  <xs:element name=\"item\" maxOccurs=\"unbounded\"><xs:complexType>\n"
    "   <xs:attribute name=\"qty\" type=\"xs:positiveInteger\" use=\"required\"/>\n"
    "  </xs:complexType></xs:element>\n"
    " </xs:sequence></xs:complexType></xs:element>\n"
    "</xs:schema>\n";

const QByteArray Rng =
    "<element name=\"order\" xmlns=\"http://relaxng.org/ns/structure/1.0\">\n"
    " <oneOrMore><element name=\"item\"><attribute name=\"qty\"><text/></attribute></element></oneOrMore>\n"
    "</element>\n";

const QByteArray Dtd = "<!ELEMENT order (item+)>\n<!ELEMENT item EMPTY>\n<!ATTLIST item qty CDATA #REQUIRED>\n";

// Line 4 holds an item without its quantity, line 5 an element no schema allows.
QByteArray orderDocument(const QByteArray &head, const QByteArray &rootAttributes = QByteArray())
{
    return head + "<order" + rootAttributes + ">\n"
                  "  <item qty=\"2\"/>\n"
                  "  <item/>\n"
                  "  <box/>\n"
                  "</order>\n";
}

} // namespace

class TestXmlValidator : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    ValidationReport validate(const QByteArray &text, const QString &chosen = QString(), bool resolve = true,
                              XmlDocument *keep = nullptr)
    {
        const QString path = m_dir.write(QStringLiteral("doc.xml"), text);
        XmlDocument local;
        XmlDocument &doc = keep ? *keep : local;
        if (!doc.load(path))
            qWarning() << doc.parseError().reason;
        XmlValidator validator(doc.documentNode(), path, chosen, resolve);
        validator.TakeSnapshot();
        return validator.Validate();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_dir.write(QStringLiteral("order.xsd"), Xsd);
        m_dir.write(QStringLiteral("order.rng"), Rng);
        m_dir.write(QStringLiteral("order.dtd"), Dtd);
    }

    void errorsAtKnownLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("file");
        const QByteArray head = "<?xml version=\"1.0\"?>\n";
        QTest::newRow("external DTD") << orderDocument("<!DOCTYPE order SYSTEM \"order.dtd\">\n") << "DTD" << "order.dtd";
        QTest::newRow("internal DTD") << orderDocument("<!DOCTYPE order [\n" + Dtd.left(Dtd.size() - 1) + "]>")
                                      << "DTD" << "";
        QTest::newRow("xsi:noNamespaceSchemaLocation")
            << orderDocument(head, " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"order.xsd\"")
            << "XML Schema" << "order.xsd";
        QTest::newRow("xml-model RELAX NG")
            << orderDocument("<?xml-model href=\"order.rng\" schematypens=\"http://relaxng.org/ns/structure/1.0\"?>\n")
            << "RELAX NG" << "order.rng";
        QTest::newRow("xml-model XSD by extension")
            << orderDocument("<?xml-model href=\"order.xsd\"?>\n") << "XML Schema" << "order.xsd";
    }

    void errorsAtKnownLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, kind);
        QFETCH(QString, file);
        // The internal DTD puts the root on line 4, the others on line 2.
        const int shift = file.isEmpty() ? 2 : 0;
        XmlDocument doc;
        const ValidationReport report = validate(text, QString(), true, &doc);
        QVERIFY2(report.ran, qPrintable(report.failure));
        QCOMPARE(report.schemaKind, kind);
        QCOMPARE(report.schemaLocation, file.isEmpty() ? QString() : m_dir.filePath(file));
        QVERIFY(!report.IsValid());
        QSet<long> lines;
        for (const ValidationIssue &issue : report.issues) {
            QVERIFY(!issue.message.isEmpty());
            lines.insert(issue.line);
            // Every issue about a node finds that node again in the document itself.
            if (!issue.steps.isEmpty())
                QCOMPARE(XmlSearch::PathOf(XmlSearch::NodeAtSteps(doc.documentNode(), issue.steps)), issue.path);
        }
        // The missing quantity (line 4) for the DTD and XSD; RELAX NG may stop at the first fault.
        QVERIFY2(lines.contains(4 + shift) || lines.contains(5 + shift), qPrintable(QString::number(lines.size())));
        if (kind != QLatin1String("RELAX NG"))
            QVERIFY(lines.contains(4 + shift));
    }

    void validDocumentAndChosenSchema()
    {
        const QByteArray good = "<order><item qty=\"1\"/></order>";
        for (const char *schema : {"order.xsd", "order.rng", "order.dtd"}) {
            const ValidationReport report = validate(good, m_dir.filePath(QString::fromLatin1(schema)));
            QVERIFY2(report.IsValid(), schema);
            QVERIFY(report.issues.isEmpty());
        }
        // A chosen file is read even while external files are not resolved.
        QVERIFY(validate(orderDocument(""), m_dir.filePath(QStringLiteral("order.xsd")), false).ran);
    }

    void refusedLocations()
    {
        ValidationReport report = validate(orderDocument(
            "", " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"http://example.com/order.xsd\""));
        QVERIFY(!report.ran);
        QCOMPARE(report.failure, QStringLiteral("The schema location \"http://example.com/order.xsd\" is on the network. "
                                                "Schemas and DTDs are read only from local files."));
        report = validate(orderDocument("<?xml-model href=\"https://example.com/o.rng\"?>\n"));
        QVERIFY(report.failure.contains(QStringLiteral("is on the network")));

        // What the document names waits for "Resolve Externals".
        report = validate(orderDocument("<?xml-model href=\"order.rng\"?>\n"), QString(), false);
        QVERIFY(!report.ran);
        QVERIFY2(report.failure.contains(QStringLiteral("\"Resolve Externals\"")), qPrintable(report.failure));

        report = validate("<order/>");
        QVERIFY(!report.ran);
        QVERIFY(report.failure.startsWith(QStringLiteral("The document names no DTD or schema")));

        // A schema that includes one from the network is not read.
        const QString including = m_dir.write(QStringLiteral("net.xsd"),
            "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
            "<xs:include schemaLocation=\"http://example.com/more.xsd\"/></xs:schema>");
        report = validate("<order/>", including);
        QVERIFY(!report.ran);
        QVERIFY(report.failure.contains(QStringLiteral("could not be read")));
        QVERIFY(!report.issues.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestXmlValidator)
#include "tst_xmlvalidator.moc"
