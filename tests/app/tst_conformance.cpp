// A corpus of documents: every valid one opens and saves to a document canonically equal to it;
// every malformed one is refused with the parse report and opens no window.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/appsettings.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QMdiArea>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <iconv.h>

namespace {

// `utf8` in `encoding`, through the system's converter; empty when it cannot be converted.
QByteArray encode(const QByteArray &utf8, const char *encoding)
{
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == iconv_t(-1))
        return QByteArray();
    QByteArray in = utf8;
    QByteArray out(in.size() * 4 + 16, '\0');
    char *src = in.data();
    char *dst = out.data();
    size_t left = size_t(in.size()), room = size_t(out.size());
    const size_t done = iconv(cd, &src, &left, &dst, &room);
    if (done != size_t(-1))
        iconv(cd, nullptr, nullptr, &dst, &room); // the closing shift state
    iconv_close(cd);
    if (done == size_t(-1))
        return QByteArray();
    out.truncate(out.size() - qsizetype(room));
    return out;
}

struct Encoded
{
    const char *name;   // as the declaration names it
    const char *iconv;  // as the converter names it
    const char *sample; // text the encoding can hold
};

const Encoded Encodings[] = {
    {"UTF-8", "UTF-8", "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
    {"UTF-16", "UTF-16", "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
    {"UTF-16LE", "UTF-16LE", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"UTF-16BE", "UTF-16BE", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"ISO-8859-1", "ISO-8859-1", "caf\xC3\xA9 \xC3\xBF"},
    {"ISO-8859-2", "ISO-8859-2", "\xC5\x81\xC3\xB3\x64\xC5\xBA"},
    {"ISO-8859-5", "ISO-8859-5", "\xD0\x9F\xD1\x80\xD0\xB8"},
    {"ISO-8859-7", "ISO-8859-7", "\xCE\x9A\xCE\xB1\xCE\xBB"},
    {"ISO-8859-15", "ISO-8859-15", "\xE2\x82\xAC 5"},
    {"US-ASCII", "US-ASCII", "plain"},
    {"windows-1252", "WINDOWS-1252", "\xE2\x80\x9Cq\xE2\x80\x9D \xE2\x82\xAC"},
    {"windows-1251", "WINDOWS-1251", "\xD0\x9F\xD1\x80\xD0\xB8"},
    {"KOI8-R", "KOI8-R", "\xD0\x9F\xD1\x80\xD0\xB8"},
    {"Shift_JIS", "SHIFT_JIS", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {"EUC-JP", "EUC-JP", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {"ISO-2022-JP", "ISO-2022-JP", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},
    {"GB18030", "GB18030", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"Big5", "BIG5", "\xE4\xB8\xAD\xE6\x96\x87"},
    {"EUC-KR", "EUC-KR", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
};

} // namespace

class TestConformance : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
        // Documents that name external parts are read with them.
        AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(AppSettings::ResolveExternals), 1);
        m_dir.write(QStringLiteral("ext.dtd"),
                    "<!ELEMENT r ANY>\n<!ATTLIST r fixed CDATA #FIXED 'f' def CDATA 'd'>\n"
                    "<!ENTITY % inner \"<!ENTITY fromext 'external subset entity'>\">\n%inner;\n");
        m_dir.write(QStringLiteral("part.ent"), "<part>an external parsed entity &amp; more</part>");
        m_dir.write(QStringLiteral("params.ent"), "<!ENTITY viaparam 'parameter entity text'>");
    }
    void cleanupTestCase() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void validSavesCanonicallyEqual_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("internal subset") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r (a|b)*>\n<!ELEMENT a (#PCDATA)>\n<!ELEMENT b EMPTY>\n"
            "<!ATTLIST b id ID #REQUIRED kind (x|y) 'x'>\n<!-- a comment in the subset -->\n<?pi in subset?>\n]>\n"
            "<r><a>text</a><b id='i1'/><b id=\"i2\" kind='y'/></r>\n");
        QTest::newRow("external subset") << QByteArray(
            "<?xml version=\"1.0\" standalone=\"no\"?>\n<!DOCTYPE r SYSTEM \"ext.dtd\">\n<r>&fromext;</r>\n");
        QTest::newRow("external and internal subset") << QByteArray(
            "<!DOCTYPE r SYSTEM \"ext.dtd\" [<!ENTITY local 'internal'>]>\n<r def='given'>&local; &fromext;</r>");
        QTest::newRow("entities of every kind") << QByteArray(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!NOTATION png SYSTEM \"image/png\">\n"
            "<!ENTITY internal \"internal &#233; text\">\n<!ENTITY nested \"[&internal;]\">\n"
            "<!ENTITY markup \"<m a='1'>mixed <i>content</i></m>\">\n<!ENTITY ext SYSTEM \"part.ent\">\n"
            "<!ENTITY pic SYSTEM \"pic.png\" NDATA png>\n<!ENTITY % params SYSTEM \"params.ent\">\n%params;\n"
            "<!ATTLIST r img ENTITY #IMPLIED>\n]>\n"
            "<r img=\"pic\">&internal; &nested; &markup; &ext; &viaparam; &lt;&gt;&amp;&apos;&quot; &#x1F600; &#65;</r>\n");
        QTest::newRow("namespaces") << QByteArray(
            "<r xmlns=\"urn:default\" xmlns:p=\"urn:p\" xmlns:q=\"urn:q\"><p:a q:attr=\"1\" attr=\"2\">"
            "<b xmlns=\"\"><c xmlns:p=\"urn:other\"><p:d/></c></b></p:a><q:e xmlns:q=\"urn:q2\" q:x=\"y\"/></r>");
        QTest::newRow("CDATA instructions comments") << QByteArray(
            "<?xml version=\"1.0\"?>\n<?before root?>\n<!-- before -->\n<r><![CDATA[<not> &markup; ]]]]><![CDATA[>]]>"
            "<?target data with ? marks?><?empty?><!----><!-- - --></r>\n<!-- after -->\n<?after?>\n");
        QTest::newRow("whitespace") << QByteArray(
            "<r>\n\t<a>  spaced  </a>\r\n  <b xml:space=\"preserve\">\t \n</b>\r\n<c attr=\"a\tb\nc\r\nd\"/>   \n</r>\n\n");
        QTest::newRow("long names and values") << QByteArray("<" + QByteArray(40000, 'n') + " " + QByteArray(40000, 'a') + "=\""
            + QByteArray(1 << 20, 'v') + "\">" + QByteArray(1 << 20, 't') + "</" + QByteArray(40000, 'n') + ">");
        QTest::newRow("characters everywhere") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><\xC3\xA9l\xC3\xA8ve \xE5\x90\x8D=\"\xF0\x9F\x98\x80\">\xE2\x80\xA8&#xD7FF;&#xE000;&#xFFFD;&#x10FFFF;</\xC3\xA9l\xC3\xA8ve>");
        QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF<r>bom</r>");
        for (const Encoded &e : Encodings) {
            const QByteArray text = QByteArray("<?xml version=\"1.0\" encoding=\"") + e.name + "\"?>\n<r a=\"" + e.sample
                + "\"><!--" + e.sample + "--><?p " + e.sample + "?>" + e.sample + "<![CDATA[" + e.sample + "]]></r>\n";
            const QByteArray bytes = encode(text, e.iconv);
            QVERIFY2(!bytes.isEmpty(), e.name);
            QTest::newRow(e.name) << bytes;
        }
    }
    void validSavesCanonicallyEqual()
    {
        QFETCH(QByteArray, bytes);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        const QString original = m_dir.write(tag + QStringLiteral(".xml"), bytes);
        const QString saved = m_dir.filePath(tag + QStringLiteral("-saved.xml"));
        MessageRecorder messages;
        CWorkSpaceDoc document;
        QVERIFY2(document.OnOpenDocument(original), qPrintable(messages.lastText()));
        QVERIFY2(document.OnSaveDocument(saved), qPrintable(messages.lastText()));
        const QByteArray expected = TestFiles::canonical(original);
        QVERIFY2(!expected.startsWith("<xmllint failed"), expected.constData());
        QCOMPARE(TestFiles::canonical(saved), expected);
        // What was saved opens again.
        CWorkSpaceDoc again;
        QVERIFY2(again.OnOpenDocument(saved), qPrintable(messages.lastText()));
        QCOMPARE(messages.count(), 0);
    }

    void malformedRefusedWithoutWindow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const char *cases[][2] = {
            {"empty file", ""},
            {"only whitespace", "  \n"},
            {"only a declaration", "<?xml version=\"1.0\"?>"},
            {"unclosed element", "<r><a></r>"},
            {"mismatched end", "<r></s>"},
            {"two roots", "<a/><b/>"},
            {"text after root", "<a/>text"},
            {"duplicate attribute", "<r a='1' a='2'/>"},
            {"unquoted attribute", "<r a=1/>"},
            {"attribute without value", "<r a/>"},
            {"lt in attribute", "<r a='<'/>"},
            {"undefined entity", "<r>&nope;</r>"},
            {"bare ampersand", "<r>a & b</r>"},
            {"bad character reference", "<r>&#0;</r>"},
            {"reference to surrogate", "<r>&#xD800;</r>"},
            {"control character", "<r>\x01</r>"},
            {"double hyphen in comment", "<r><!-- a -- b --></r>"},
            {"unterminated comment", "<r><!-- never"},
            {"unterminated CDATA", "<r><![CDATA[ never</r>"},
            {"CDATA outside root", "<![CDATA[x]]><r/>"},
            {"reserved instruction target", "<r><?xml version=\"1.0\"?></r>"},
            {"declaration not first", " <?xml version=\"1.0\"?><r/>"},
            {"bad version", "<?xml version=\"x\"?><r/>"},
            {"unknown encoding", "<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><r/>"},
            {"name starting with digit", "<1r/>"},
            {"unbound prefix", "<p:r/>"},
            {"xmlns prefix redeclared", "<r xmlns:xmlns=\"urn:x\"/>"},
            {"recursive entity", "<!DOCTYPE r [<!ENTITY a '&b;'><!ENTITY b '&a;'>]><r>&a;</r>"},
            {"entity with unbalanced markup", "<!DOCTYPE r [<!ENTITY e '<a>'>]><r>&e;</r>"},
            {"broken internal subset", "<!DOCTYPE r [<!ELEMENT r>]><r/>"},
            {"doctype after root", "<r/><!DOCTYPE r>"},
            {"invalid UTF-8", "<r>\xFF\xFE\xFD</r>"},
            {"truncated UTF-8", "<r>\xE6\x97</r>"},
        };
        for (const auto &c : cases)
            QTest::newRow(c[0]) << QByteArray(c[1]);
    }
    void malformedRefusedWithoutWindow()
    {
        QFETCH(QByteArray, bytes);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'));
        const QString path = m_dir.write(QStringLiteral("bad-") + tag + QStringLiteral(".xml"), bytes);
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("good.xml"), "<good/>")}));
        const int windows = int(app.MainFrame()->findChild<QMdiArea *>()->subWindowList().size());
        MessageRecorder messages;
        QVERIFY(!app.OpenDocumentFile(path));
        QCOMPARE(messages.count(), 1);
        QVERIFY2(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")), qPrintable(messages.lastText()));
        QVERIFY(messages.lastText().contains(QStringLiteral("DOM reason:")));
        QCOMPARE(app.Documents().size(), 1);
        QCOMPARE(int(app.MainFrame()->findChild<QMdiArea *>()->subWindowList().size()), windows);
    }
};

QTEST_MAIN(TestConformance)
#include "tst_conformance.moc"
