// The read-only paged view of texts too large for the source editor: lines found from any offset
// alike forwards and backwards (long lines cut, CR LF, characters cut by a piece), the Source page
// switching to it with its banner, the keys that reach both ends of the text, an edited document,
// copying, and the editor's commands that must not reach the document from there.
#include "panes/editpage.h"
#include "panes/pagedsourceview.h"
#include "panes/pagedtext.h"
#include "panes/sourceedit.h"
#include "document/workspacedoc.h"
#include "framework/commandmanager.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QClipboard>
#include <QLabel>
#include <QScrollBar>
#include <QtTest>

class TestPagedSource : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    std::unique_ptr<CWorkSpaceDoc> m_doc;
    std::unique_ptr<CEditPage> m_page;
    std::unique_ptr<CCommandManager> m_commands;

    CPagedSourceView *view() const { return m_page->PagedView(); }

    // Every line start from the first on, and again from the last back; both must agree.
    static QList<qint64> walkLines(const CPagedText &text)
    {
        QList<qint64> forward;
        for (qint64 at = 0;; at = text.NextLineStart(at)) {
            forward << at;
            if (text.IsLastLine(at))
                break;
        }
        QList<qint64> backward{text.LastLineStart()};
        while (backward.first() > 0)
            backward.prepend(text.PreviousLineStart(backward.first()));
        return forward == backward ? forward : QList<qint64>();
    }

    void openPage(const QByteArray &bytes)
    {
        m_doc = std::make_unique<CWorkSpaceDoc>();
        QVERIFY(m_doc->OnOpenDocument(m_dir.write(QStringLiteral("big.xml"), bytes)));
        m_page = std::make_unique<CEditPage>();
        m_page->SetDocument(m_doc.get());
        m_commands = std::make_unique<CCommandManager>();
        m_commands->SetRoute([this] { return QList<CCmdTarget *>{m_page.get(), m_doc.get()}; });
        m_page->resize(500, 300);
        m_page->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_page.get()));
        m_page->OnSetActive();
    }
    // The lines the view draws now.
    QStringList painted() const
    {
        view()->viewport()->repaint();
        return view()->PaintedLines();
    }

private Q_SLOTS:
    void init() { CEditPage::SetPagedViewBytes(1); }
    void cleanup()
    {
        m_page.reset();
        m_commands.reset();
        m_doc.reset();
        CEditPage::SetPagedViewBytes(128 * 1024 * 1024);
        CPagedText::SetMaxLineBytes(16 * 1024);
    }

    void linesAgreeBothWays_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty") << QByteArray() << QStringList{QString()};
        QTest::newRow("one line") << QByteArray("<root/>") << QStringList{QStringLiteral("<root/>")};
        QTest::newRow("final break") << QByteArray("a\n\nb\n") << QStringList{"a", "", "b"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
        // Pieces of 16 bytes: a long line is cut at each multiple, short lines across one are not.
        QTest::newRow("long line") << QByteArray("0123456789abcdefghijklmnopqrstuvwxyz\nshort\n")
                                   << QStringList{"0123456789abcdef", "ghijklmnopqrstuv", "wxyz", "short"};
        QTest::newRow("short lines across a boundary") << QByteArray("0123456789\nabcdefghij\nklm")
                                                       << QStringList{"0123456789", "abcdefghij", "klm"};
        // "é" (two bytes) falls across the cut at 16: it is shown whole with the piece it begins in.
        QTest::newRow("character across a cut") << QByteArray("0123456789abcde\xc3\xa9xyz0123456789")
                                                << QStringList{QString::fromUtf8("0123456789abcde\xc3\xa9"), "xyz0123456789"};
    }
    void linesAgreeBothWays()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        CPagedText::SetMaxLineBytes(16);
        CPagedText text;
        QVERIFY(text.Open(m_dir.write(QStringLiteral("lines.txt"), bytes), nullptr));
        const QList<qint64> starts = walkLines(text);
        QVERIFY(!starts.isEmpty());
        QStringList shown;
        for (const qint64 start : starts)
            shown << text.LineText(start);
        QCOMPARE(shown, lines);
        // From any offset inside a line, its start.
        for (qint64 at = 0; at < text.Size(); ++at)
            QVERIFY(starts.contains(text.LineStart(at)));
    }

    void encodings()
    {
        CPagedText text;
        QVERIFY(text.Open(m_dir.write(QStringLiteral("latin.xml"),
                                      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<r>\xe9</r>\n"), nullptr));
        QCOMPARE(text.LineText(text.LastLineStart()), QStringLiteral("<r>é</r>"));
        QVERIFY(text.Open(m_dir.write(QStringLiteral("bom.xml"), "\xEF\xBB\xBF<r>\xc3\xa9</r>"), nullptr));
        QCOMPARE(text.LineText(0), QStringLiteral("<r>é</r>"));
        QVERIFY(!CPagedText::IsAsciiCompatible("\xFF\xFE<\0r\0"));
        QVERIFY(!CPagedText::IsAsciiCompatible("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"));
        QVERIFY(CPagedText::IsAsciiCompatible("<?xml version='1.0' encoding='windows-1252'?>"));
    }

    void largeDocumentIsPagedFromItsEnds()
    {
        QByteArray file = "<?xml version=\"1.0\"?>\n<root>\n";
        for (int i = 0; i < 2000; ++i)
            file += "  <record id=\"" + QByteArray::number(i) + "\">text " + QByteArray::number(i) + "</record>\n";
        file += "</root>\n";
        openPage(file);
        QVERIFY(m_page->IsShowingPagedView());
        QVERIFY(view()->isVisible());
        QVERIFY(!m_page->Editor()->isVisible());
        // The editor holds nothing of it.
        QCOMPARE(m_page->Editor()->SendScintilla(QsciScintillaBase::SCI_GETLENGTH), 0L);
        QVERIFY(m_page->Banner()->isVisible());
        QCOMPARE(m_page->Banner()->text(), QStringLiteral("This document is too large to edit as text here (%1 KB). The "
                                                          "text is shown read-only; edit the document in the tree.")
                                               .arg((file.size() + 1023) / 1024));
        QCOMPARE(painted().first(), QStringLiteral("<?xml version=\"1.0\"?>"));

        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(painted().last(), QStringLiteral("</root>"));
        QCOMPARE(painted().at(painted().size() - 2), QStringLiteral("  <record id=\"1999\">text 1999</record>"));
        QTest::keyClick(view(), Qt::Key_Down);
        QCOMPARE(painted().last(), QStringLiteral("</root>")); // no scrolling past the end
        QTest::keyClick(view(), Qt::Key_PageUp);
        QVERIFY(!painted().contains(QStringLiteral("</root>")));
        QTest::keyClick(view(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(painted().first(), QStringLiteral("<?xml version=\"1.0\"?>"));
        QTest::keyClick(view(), Qt::Key_PageDown);
        QTest::keyClick(view(), Qt::Key_Down);
        QCOMPARE(painted().first(), QStringLiteral("  <record id=\"%1\">text %1</record>").arg(view()->PageLines() - 2));
        // The wheel: three lines a notch.
        const QPoint centre = view()->viewport()->rect().center();
        QWheelEvent wheel(centre, view()->viewport()->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view()->viewport(), &wheel);
        QCOMPARE(painted().first(), QStringLiteral("  <record id=\"%1\">text %1</record>").arg(view()->PageLines() + 1));

        // Nothing changes here, so nothing is committed; the editor's commands stop at the view.
        QVERIFY(m_page->CommitSource());
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_UNDO));
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_PASTE));
        QVERIFY(m_commands->IsEnabled(ID_EDIT_FONT));
        QVERIFY(!m_doc->IsModified());
    }

    void editedDocumentShowsItsText()
    {
        openPage("<root>\n<a/>\n</root>\n");
        QCOMPARE(painted(), QStringList({"<root>", "<a/>", "</root>"}));
        QVERIFY(m_doc->RenameNode(m_doc->GetDOMDocument()->documentElement(), QStringLiteral("renamed")));
        m_page->OnKickIdle();
        QCOMPARE(painted(), QStringList({"<renamed>", "<a/>", "</renamed>"}));
        QVERIFY(TestFiles::readAll(m_doc->GetPathName()).startsWith("<root>"));

        // Below the size again, the editor comes back with the text.
        CEditPage::SetPagedViewBytes(1024);
        m_doc->SetPagesStale(true);
        m_page->OnKickIdle();
        QVERIFY(!m_page->IsShowingPagedView());
        QVERIFY(!m_page->Banner()->isVisible());
        QCOMPARE(m_page->Editor()->text(), QStringLiteral("<renamed>\n<a/>\n</renamed>\n"));
    }

    void wideDocumentIsShownInUtf8()
    {
        const QString text = QStringLiteral("<r>\u00e9</r>");
        openPage(QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
        QVERIFY(m_page->IsShowingPagedView());
        QCOMPARE(painted().last(), QStringLiteral("<r>é</r>"));
    }

    void oneLineAndEmptyFiles()
    {
        openPage("<root/>");
        QTest::keyClick(view(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(view(), Qt::Key_PageDown);
        QCOMPARE(painted(), QStringList{QStringLiteral("<root/>")});
        QTest::keyClick(view(), Qt::Key_Up);
        QCOMPARE(painted(), QStringList{QStringLiteral("<root/>")});

        CPagedSourceView empty;
        QVERIFY(empty.Open(m_dir.write(QStringLiteral("empty.txt"), QByteArray()), nullptr));
        empty.resize(200, 100);
        empty.show();
        QVERIFY(QTest::qWaitForWindowExposed(&empty));
        for (const Qt::Key key : {Qt::Key_End, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_Right})
            QTest::keyClick(&empty, key, Qt::ControlModifier);
        QTest::mouseClick(empty.viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        empty.viewport()->repaint();
        QCOMPARE(empty.PaintedLines(), QStringList{QString()});
    }

    // Below the size, an unedited file goes to the editor as it stands only when it is the text the
    // document would give it; in every case the editor shows the document's text.
    void editorTakesTheTextOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("UTF-8") << QByteArray("<?xml version=\"1.0\"?>\n<r>\xc3\xa9</r>\n");
        QTest::newRow("CR LF") << QByteArray("<r>\r\n<a/>\r\n</r>\r\n");
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF<r/>");
        QTest::newRow("Latin-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xe9</r>");
    }
    void editorTakesTheTextOfTheFile()
    {
        QFETCH(QByteArray, file);
        CEditPage::SetPagedViewBytes(1024 * 1024);
        openPage(file);
        QVERIFY(!m_page->IsShowingPagedView());
        QVERIFY(!m_page->Banner()->isVisible());
        QCOMPARE(m_page->Editor()->text(), m_doc->GetDOMDocument()->xml());
        QVERIFY(!m_page->Editor()->IsTextModified());
    }

    void scrollBarStandsForOffsets()
    {
        QByteArray file = "<root>\n";
        for (int i = 0; i < 5000; ++i)
            file += "<i>" + QByteArray::number(i) + "</i>\n";
        file += "</root>\n";
        openPage(file);
        QScrollBar *bar = view()->verticalScrollBar();
        const int middle = bar->maximum() / 2;
        bar->setValue(middle);
        // The top is the start of the line the offset falls in.
        QVERIFY(view()->TopOffset() <= middle && middle - view()->TopOffset() < 16);
        QCOMPARE(file.at(view()->TopOffset() - 1), '\n');
        QVERIFY(painted().first().startsWith(QStringLiteral("<i>")));
        // The bar's arrow moves one line, not one byte.
        const qint64 top = view()->TopOffset();
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(view()->TopOffset(), qint64(file.indexOf('\n', top) + 1));
    }

    void copiesABoundedSelection()
    {
        openPage("<root>\n<a>\xc3\xa9t\xc3\xa9</a>\n</root>\n");
        const int lineHeight = view()->fontMetrics().lineSpacing();
        const int charWidth = view()->fontMetrics().horizontalAdvance(QLatin1Char('M'));
        // From before "<a>" to after "été": the second line's first 7 characters.
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, QPoint(4, lineHeight + lineHeight / 2));
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(4 + 6 * charWidth, lineHeight + lineHeight / 2));
        QVERIFY(m_commands->Execute(ID_EDIT_COPY));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<a>été"));

        MessageRecorder messages;
        CPagedSourceView::SetMaxCopyBytes(4);
        QVERIFY(m_commands->Execute(ID_EDIT_COPY));
        CPagedSourceView::SetMaxCopyBytes(64 * 1024 * 1024);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("The selection is too large to copy")));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<a>été"));
    }
};

QTEST_MAIN(TestPagedSource)
#include "tst_pagedsource.moc"
