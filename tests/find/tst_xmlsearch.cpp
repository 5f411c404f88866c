// Searching a document's tree: where and how text is matched, XPath with the document's
// prefixes, broken patterns, and finding a node again by its steps.
#include "document/xmldocument.h"
#include "document/xmlsearch.h"

#include <QtTest>

namespace {

const char *const Sample =
    "<?xml version=\"1.0\"?>\n"
    "<lib xmlns:b=\"urn:books\" xmlns=\"urn:default\">\n"          // line 2
    "  <b:Book Title=\"Red Book\" b:code=\"RB-1\">\n"                // line 3
    "    <!-- reddish comment -->\n"                               // line 4
    "    <note>A red car and a Redder one; credit</note>\n"        // line 5
    "    <![CDATA[red <raw>]]>\n"                                  // line 6
    "  </b:Book>\n"
    "  <name>\xC3\x89t\xC3\xA9 rouge</name>\n"                     // line 8
    "</lib>\n";

struct Found
{
    QStringList kinds;
    QStringList paths;
    QList<long> lines;
    QString error;
    bool ok = false;
};

Found find(const XmlDocument &doc, FindOptions options)
{
    Found found;
    XmlSearch search(doc.documentNode(), options);
    std::atomic<bool> cancel{false};
    found.ok = search.Prepare(&found.error)
        && search.Run(cancel, [&](QList<FindHit> hits, double) {
               for (const FindHit &hit : hits) {
                   found.kinds.append(hit.kind);
                   found.paths.append(XmlSearch::PathOf(hit.node));
                   found.lines.append(hit.line);
               }
           }, &found.error);
    return found;
}

FindOptions text(const QString &pattern, int where = FindOptions::Everywhere)
{
    FindOptions o;
    o.pattern = pattern;
    o.where = where;
    return o;
}

} // namespace

Q_DECLARE_METATYPE(FindOptions)

class TestXmlSearch : public QObject
{
    Q_OBJECT

private:
    XmlDocument m_doc;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_doc.loadXML(QString::fromUtf8(Sample))); }

    void options_data()
    {
        QTest::addColumn<FindOptions>("options");
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QList<long>>("lines");
        auto o = [](const QString &pattern, int where, bool matchCase, bool word, bool regex) {
            FindOptions f = text(pattern, where);
            f.matchCase = matchCase;
            f.wholeWord = word;
            f.regularExpression = regex;
            return f;
        };
        const int all = FindOptions::Everywhere;
        // Case folded: attribute value, comment, text (red, Redder, credit), CDATA.
        QTest::newRow("ignore case") << o("red", all, false, false, false)
            << QStringList{"/lib/b:Book/@Title", "/lib/b:Book/#comment", "/lib/b:Book/note/#text", "/lib/b:Book/#cdata-section"}
            << QList<long>{3, 4, 5, 6};
        QTest::newRow("match case") << o("Red", all, true, false, false)
            << QStringList{"/lib/b:Book/@Title", "/lib/b:Book/note/#text"} << QList<long>{3, 5};
        // "reddish", "Redder" and "credit" are not the word.
        QTest::newRow("whole word") << o("red", FindOptions::Text | FindOptions::Comments, false, true, false)
            << QStringList{"/lib/b:Book/note/#text"} << QList<long>{5};
        QTest::newRow("regular expression") << o("^red\\s", all, false, false, true)
            << QStringList{"/lib/b:Book/@Title", "/lib/b:Book/#cdata-section"} << QList<long>{3, 6};
        QTest::newRow("element names with prefix") << o("b:book", FindOptions::ElementNames, false, false, false)
            << QStringList{"/lib/b:Book/"} << QList<long>{3};
        QTest::newRow("attribute names") << o("code", FindOptions::AttributeNames, false, false, false)
            << QStringList{"/lib/b:Book/@b:code"} << QList<long>{3};
        QTest::newRow("attribute values only") << o("RB-", FindOptions::AttributeValues, true, false, false)
            << QStringList{"/lib/b:Book/@b:code"} << QList<long>{3};
        QTest::newRow("comments only") << o("red", FindOptions::Comments, false, false, false)
            << QStringList{"/lib/b:Book/#comment"} << QList<long>{4};
        QTest::newRow("CDATA only, markup in it is text") << o("<raw>", FindOptions::CData, false, false, false)
            << QStringList{"/lib/b:Book/#cdata-section"} << QList<long>{6};
        // A pattern beyond ASCII, case folded, goes through the regular-expression engine.
        QTest::newRow("non-ASCII ignoring case") << o("\u00c9T\u00c9", all, false, true, false)
            << QStringList{"/lib/name/#text"} << QList<long>{8};
        QTest::newRow("nothing") << o("blue", all, false, false, false) << QStringList{} << QList<long>{};
    }

    void options()
    {
        QFETCH(FindOptions, options);
        QFETCH(QStringList, paths);
        QFETCH(QList<long>, lines);
        const Found found = find(m_doc, options);
        QVERIFY2(found.ok, qPrintable(found.error));
        QCOMPARE(found.paths, paths);
        QCOMPARE(found.lines, lines);
    }

    void badPatterns()
    {
        FindOptions regex = text(QStringLiteral("(red"));
        regex.regularExpression = true;
        Found found = find(m_doc, regex);
        QVERIFY(!found.ok);
        QVERIFY2(found.error.startsWith(QStringLiteral("The regular expression is not valid")), qPrintable(found.error));
        found = find(m_doc, text(QString()));
        QCOMPARE(found.error, QStringLiteral("There is nothing to find."));
    }

    void xpath()
    {
        FindOptions o;
        o.xpath = true;
        // The document's own prefix works; the default namespace has no prefix in XPath 1.0.
        // In document order an element's attributes come before its children.
        o.pattern = QStringLiteral("//b:Book/comment() | //b:Book/@b:code");
        Found found = find(m_doc, o);
        QVERIFY2(found.ok, qPrintable(found.error));
        QCOMPARE(found.paths, (QStringList{"/lib/b:Book/@b:code", "/lib/b:Book/#comment"}));
        QCOMPARE(found.kinds, (QStringList{"attribute", "comment"}));
        QCOMPARE(found.lines.last(), 4);

        o.pattern = QStringLiteral("count(//*)");
        found = find(m_doc, o);
        QVERIFY(found.ok);
        QCOMPARE(found.kinds, QStringList{"value"});

        // A broken expression says where it broke; an unknown prefix fails when evaluated.
        o.pattern = QStringLiteral("//b:Book[@Title=");
        found = find(m_doc, o);
        QVERIFY(!found.ok);
        QVERIFY2(found.error.startsWith(QStringLiteral("The XPath expression is not valid:")), qPrintable(found.error));
        QVERIFY2(found.error.contains(QStringLiteral("position")), qPrintable(found.error));
        o.pattern = QStringLiteral("//zz:x");
        found = find(m_doc, o);
        QVERIFY(!found.ok);
        QVERIFY2(found.error.contains(QStringLiteral("namespace"), Qt::CaseInsensitive), qPrintable(found.error));
    }

    void cancelStopsAndStepsFindNodesAgain()
    {
        QByteArray big = "<r>";
        for (int i = 0; i < 20000; ++i)
            big += "<i><x>hit</x></i>";
        big += "</r>";
        XmlDocument doc;
        QVERIFY(doc.loadXML(QString::fromUtf8(big)));
        XmlSearch search(doc.documentNode(), text(QStringLiteral("hit")));
        QString error;
        QVERIFY(search.Prepare(&error));
        std::atomic<bool> cancel{false};
        int seen = 0;
        double last = 0;
        QVERIFY(search.Run(cancel, [&](QList<FindHit> hits, double progress) {
            seen += int(hits.size());
            last = progress;
            if (seen >= 10)
                cancel = true;
        }, &error));
        QVERIFY(seen >= 10 && seen < 20000);
        QVERIFY(last < 1.0);

        // Steps: the root, its 3rd child, that one's first child; an attribute is -1 - index.
        const XmlNode third = XmlSearch::NodeAtSteps(doc.documentNode(), {0, 2, 0});
        QCOMPARE(XmlSearch::PathOf(third), QStringLiteral("/r/i/x/"));
        QVERIFY(XmlSearch::NodeAtSteps(doc.documentNode(), {0, 20000}).isNull());
        QVERIFY(XmlSearch::NodeAtSteps(m_doc.documentNode(), {1, 1, -2}).nodeName() == QStringLiteral("b:code"));
    }
};

QTEST_GUILESS_MAIN(TestXmlSearch)
#include "tst_xmlsearch.moc"
