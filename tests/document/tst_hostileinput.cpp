// Documents built to hurt: each is refused with a report or opened, in seconds and bounded
// memory, and what opens saves again.
#include "document/markupscanner.h"
#include "document/workspacedoc.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QtTest>

#include <sys/resource.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr qint64 TimeLimitMs = 90000; // the sanitizers make every step many times slower
#else
constexpr qint64 TimeLimitMs = 15000;
#endif

long maxResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QByteArray repeated(const QByteArray &piece, int times)
{
    QByteArray out;
    out.reserve(piece.size() * times);
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

QByteArray utf16le(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : text) {
        out += char(c.unicode() & 0xFF);
        out += char(c.unicode() >> 8);
    }
    return out;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void refusedOrOpened_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("mayOpen");

        QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE a [\n<!ENTITY e0 \"lollollollol\">\n";
        for (int i = 1; i < 10; ++i)
            bomb += QStringLiteral("<!ENTITY e%1 \"%2\">\n").arg(i).arg(QString(QStringLiteral("&e%1;").arg(i - 1)).repeated(10)).toUtf8();
        QTest::newRow("entity expansion bomb") << bomb + "]>\n<a>&e9;</a>\n" << false;

        const QByteArray quadratic = "<!DOCTYPE r [<!ENTITY e \"" + QByteArray(50000, 'x') + "\">]><r>"
            + repeated("&e;", 50000) + "</r>";
        QTest::newRow("quadratic blowup") << quadratic << true;

        QByteArray attributes = "<r";
        for (int i = 0; i < 100000; ++i)
            attributes += " a" + QByteArray::number(i) + "=\"1\"";
        QTest::newRow("100000 attributes") << attributes + "/>" << false;

        QTest::newRow("element name of 1 MB") << "<" + QByteArray(1 << 20, 'n') + "/>" << false;
        QTest::newRow("attribute name of 1 MB") << "<r " + QByteArray(1 << 20, 'n') + "=\"1\"/>" << false;
        QTest::newRow("nesting of 1000000 levels") << repeated("<e>", 1000000) + repeated("</e>", 1000000) << true;
        QTest::newRow("invalid UTF-8") << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xC3\x28 \xFF</r>") << false;
        QTest::newRow("overlong UTF-8") << QByteArray("<r>\xC0\xBC</r>") << false;
        QTest::newRow("UTF-8 encoded surrogate") << QByteArray("<r>\xED\xA0\x80</r>") << false;
        QTest::newRow("UTF-16 lone high surrogate")
            << utf16le(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>a") + QChar(0xD800) + QStringLiteral("b</r>")) << false;
        QTest::newRow("UTF-16 lone low surrogate")
            << utf16le(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r>") + QChar(0xDC00) + QStringLiteral("</r>")) << false;
        QTest::newRow("UTF-16 cut in half") << utf16le(QStringLiteral("<r>abc</r>")).chopped(1) << false;
    }
    void refusedOrOpened()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, mayOpen);
        const QString path = m_dir.write(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')) + QStringLiteral(".xml"), bytes);
        const long before = maxResidentKb();
        QElapsedTimer timer;
        timer.start();
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        const bool opened = doc.OnOpenDocument(path);
        if (opened) {
            QVERIFY2(mayOpen, "a document that must be refused opened");
            QCOMPARE(messages.count(), 0);
            QVERIFY(doc.OnSaveDocument(m_dir.filePath(QStringLiteral("saved.xml"))));
            XmlDocument again;
            QVERIFY2(again.load(m_dir.filePath(QStringLiteral("saved.xml"))), qPrintable(again.parseError().reason));
        } else {
            QCOMPARE(messages.count(), 1);
            QVERIFY(!messages.lastText().isEmpty());
        }
        QVERIFY2(timer.elapsed() < TimeLimitMs, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
#if !defined(__SANITIZE_ADDRESS__)
        // The peak grows by far less than a blown-up expansion would take.
        QVERIFY2(maxResidentKb() - before < 1500 * 1024, qPrintable(QStringLiteral("%1 kB").arg(maxResidentKb() - before)));
#else
        Q_UNUSED(before);
#endif
    }

    void tooManyAttributesReportSaysWhy()
    {
        QByteArray text = "<?xml version=\"1.0\"?>\n<r";
        for (int i = 0; i <= MarkupScanner::MaxAttributes; ++i)
            text += " a" + QByteArray::number(i) + "='1'";
        XmlDocument doc;
        QVERIFY(!doc.load(m_dir.write(QStringLiteral("many.xml"), text + "/>")));
        QCOMPARE(doc.parseError().reason, QStringLiteral("An element has more than 10000 attributes."));
        QCOMPARE(doc.parseError().line, 2);
        QVERIFY(!doc.loadXML(QString::fromLatin1(text + "/>")));
        QVERIFY(doc.parseError().reason.contains(QStringLiteral("attributes")));
    }

    void scannerCountsOnlyAttributes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("passes");
        const QByteArray many = repeated(" a=\"1\"", MarkupScanner::MaxAttributes + 1);
        const QByteArray most = repeated(" a=\"1\"", MarkupScanner::MaxAttributes);
        QTest::newRow("at the limit") << "<r" + most + "/>" << true;
        QTest::newRow("over the limit") << "<r" + many + "/>" << false;
        QTest::newRow("over the limit in a declaration") << "<!DOCTYPE r [<!ENTITY e '<r" + repeated(" a=1", 10001) + ">'>]><r/>" << false;
        QTest::newRow("spread over many tags") << repeated("<r" + repeated(" a=\"1\"", 1000) + "/>", 20) << true;
        QTest::newRow("in a comment") << "<r><!--" + many + "--></r>" << true;
        QTest::newRow("in a comment with dashes") << "<r><!-- - -- ---" + many + "---></r>" << true;
        QTest::newRow("in CDATA") << "<r><![CDATA[<x" + many + "]]]]></r>" << true;
        QTest::newRow("in an instruction") << "<r><?p " + many + "?" "?></r>" << true;
        QTest::newRow("in text") << "<r>" + repeated("a=b ", 20000) + "</r>" << true;
        QTest::newRow("in an attribute value") << "<r v=\"" + repeated("=", 20000) + "\" w='" + repeated("=", 20000) + "'/>" << true;
        QTest::newRow("after the internal subset") << "<!DOCTYPE r [<!ATTLIST r a CDATA '='>]><r" + many + "/>" << false;
        QTest::newRow("UTF-16") << utf16le(QStringLiteral("<r") + QString::fromLatin1(many) + QStringLiteral("/>")) << false;
        QTest::newRow("lines everywhere") << QByteArray("<!-- a\n-->\n<r\n a='1\n' b=\"\n\"\n>\n<![CDATA[\n]]>text\n</r\n>\n") << true;
        QTest::newRow("UTF-16 text") << utf16le(QStringLiteral("<r>") + QString::fromLatin1(repeated("a=b ", 20000)) + QStringLiteral("</r>")) << true;
    }
    void scannerCountsOnlyAttributes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, passes);
        // Fed whole and fed in odd-sized pieces, the answer is the same.
        MarkupScanner whole;
        QCOMPARE(whole.feed(bytes.constData(), bytes.size()), passes);
        MarkupScanner pieces;
        bool ok = true;
        for (qsizetype at = 0; at < bytes.size() && ok; at += 3)
            ok = pieces.feed(bytes.constData() + at, qMin<qsizetype>(3, bytes.size() - at));
        QCOMPARE(ok, passes);
        // Where a refusal is reported: the line and offset do not depend on how the input came.
        QCOMPARE(pieces.line(), whole.line());
        QCOMPARE(pieces.offset(), whole.offset());
        if (passes && !bytes.contains('\0'))
            QCOMPARE(whole.line(), int(bytes.count('\n')) + 1);
    }
};

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
