// Printing a document's text: cutting it into lines and laying the pages out, checked on a
// real PDF printed through QPrinter.
#include "panes/sourcelines.h"
#include "panes/sourceprinter.h"
#include "document/workspacedoc.h"
#include "common/testfiles.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class TestSourcePrinter : public QObject
{
    Q_OBJECT

private:
    // Prints `doc` to a PDF and returns its text, pages separated by form feeds.
    static QString printToText(CWorkSpaceDoc &doc, const QString &pdf, int *pages, int from = 0, int to = 0)
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        *pages = CSourcePrinter::PrintDocument(&doc, &printer);
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        pdftotext.waitForFinished(60000);
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void cutting_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("max");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("final break") << QStringLiteral("a\nb\n") << 10 << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("last line without break") << QStringLiteral("a\nb") << 10 << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("empty lines") << QStringLiteral("\n\nx\n") << 10 << QStringList{QString(), QString(), QStringLiteral("x")};
        QTest::newRow("long line continues") << QStringLiteral("abcdefgh\ni\n") << 3
                                             << QStringList{QStringLiteral("abc"), QStringLiteral("def"), QStringLiteral("gh"), QStringLiteral("i")};
        QTest::newRow("no room at all") << QStringLiteral("ab\n") << -5 << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("empty text") << QString() << 10 << QStringList{};
        // The limit counts characters, not the bytes of the text's UTF-8.
        QTest::newRow("two-byte characters") << QStringLiteral("\u00e4\u00f6\u00fc\u00df\n") << 2
                                             << QStringList{QStringLiteral("\u00e4\u00f6"), QStringLiteral("\u00fc\u00df")};
        QTest::newRow("three-byte characters fit") << QStringLiteral("\u65e5\u672c\u8a9e\n") << 3
                                                   << QStringList{QStringLiteral("\u65e5\u672c\u8a9e")};
        // A character outside the basic plane is two QString characters; it is never cut in two.
        QTest::newRow("surrogate pair moves to the next line")
            << QStringLiteral("a\U0001F600b\n") << 2
            << QStringList{QStringLiteral("a"), QStringLiteral("\U0001F600"), QStringLiteral("b")};
        QTest::newRow("surrogate pair on a one-character line")
            << QStringLiteral("\U0001F600\U0001F600") << 1 << QStringList{QStringLiteral("\U0001F600"), QStringLiteral("\U0001F600")};
    }
    void cutting()
    {
        QFETCH(QString, text);
        QFETCH(int, max);
        QFETCH(QStringList, lines);
        CSourceLines cut(text.toUtf8(), '\n', max);
        QStringList got;
        for (int i = 0; i < cut.Count(); ++i)
            got << cut.Line(i);
        QCOMPARE(got, lines);
    }

    void headerAndNumbering()
    {
        TestFiles::TempFolder dir;
        QByteArray xml = "<?xml version=\"1.0\"?>\n<r>\n";
        for (int i = 0; i < 150; ++i)
            xml += "  <item n=\"" + QByteArray::number(i) + "\"/>\n";
        xml += "  <long>" + QByteArray(300, 'x') + "END</long>\n</r>\n";
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnOpenDocument(dir.write(QStringLiteral("print.xml"), xml)));
        int pages = 0;
        const QString text = printToText(doc, dir.filePath(QStringLiteral("out.pdf")), &pages);
        QVERIFY(pages >= 2);
        const QStringList pageTexts = text.split(QLatin1Char('\f'));
        QVERIFY(pageTexts.size() >= 2);
        QVERIFY2(pageTexts.at(0).contains(QStringLiteral("Page 1")), qPrintable(pageTexts.at(0).left(300)));
        QVERIFY(pageTexts.at(0).contains(doc.GetPathName()));
        QVERIFY(pageTexts.at(0).contains(QStringLiteral("00> <?xml version=\"1.0\"?>")));
        QVERIFY(pageTexts.at(1).contains(QStringLiteral("Page 2")));
        QVERIFY(pageTexts.at(1).contains(QStringLiteral("00>")));
        // The long line is continued on numbered lines of its own and nothing of it is lost.
        QString joined;
        for (const QString &line : text.split(QLatin1Char('\n'))) {
            const QString t = line.trimmed();
            const int mark = t.indexOf(QLatin1String("> "));
            if (mark == 2 && t.contains(QLatin1Char('x')))
                joined += t.mid(4);
        }
        QVERIFY2(joined.contains(QString(300, QLatin1Char('x')) + QStringLiteral("END")), qPrintable(joined));

        // The page range of the print dialog: only page 2.
        int printed = 0;
        const QString second = printToText(doc, dir.filePath(QStringLiteral("range.pdf")), &printed, 2, 2);
        QCOMPARE(printed, 1);
        QVERIFY(second.contains(QStringLiteral("Page 2")));
        QVERIFY(!second.contains(QStringLiteral("Page 1")));
    }

    void longPathShowsTitleAndEmptyDocumentHasOnePage()
    {
        TestFiles::TempFolder dir;
        const QString folder = dir.filePath(QString(70, QLatin1Char('d')));
        QVERIFY(QDir().mkpath(folder));
        TestFiles::writeAll(folder + QStringLiteral("/t.xml"), "<r/>");
        CWorkSpaceDoc doc;
        QVERIFY(doc.OnOpenDocument(folder + QStringLiteral("/t.xml")));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("one.pdf")));
        CSourcePrinter job(&doc);
        QCOMPARE(job.BeginPrinting(&printer), 1);
        QVERIFY(job.HeaderText(1).startsWith(QStringLiteral("t.xml ")));
        QVERIFY(job.HeaderText(1).endsWith(QStringLiteral("Page 1")));
        QCOMPARE(job.HeaderText(1).size(), job.CharsPerLine());
        QCOMPARE(job.BodyText(1, 0), QStringLiteral("00> <r/>"));
    }
};

QTEST_MAIN(TestSourcePrinter)
#include "tst_sourceprinter.moc"
