// The Source page: the text it shows, the commit of changed text when the user leaves the page
// (and not for the editor's own dialogs), a text the document refuses, refreshing after changes
// elsewhere, large documents, line breaks and encodings on the way back.
#include "panes/editpage.h"
#include "panes/sourceedit.h"
#include "document/workspacedoc.h"
#include "framework/commandmanager.h"
#include "framework/filedialogs.h"
#include "framework/panefocus.h"
#include "framework/viewbase.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>

namespace {

// The document window: it records the edit-menu switches of its panes.
class FrameWindow : public QWidget, public CEditMenuSwitchTarget
{
public:
    QList<int> switches;
    void OnEditMenuSwitch(int menuResource) override { switches << menuResource; }
};

// Stands in for the node pane: tells the page of every change as the pane does, and keeps the
// bytes of each source text the document reloads.
class SourceReloadView : public CViewBase
{
public:
    CWorkSpaceDoc *document = nullptr;
    CEditPage *page = nullptr;
    int updates = 0;
    int sourceChanges = 0;
    QString filePath;
    QByteArray fileBytes;

    void Watch(CWorkSpaceDoc *doc)
    {
        document = doc;
        QObject::connect(doc, &CWorkSpaceDoc::documentReplaced, doc, [this] {
            ++sourceChanges;
            filePath = document->GetSourceTempPath();
            fileBytes = TestFiles::readAll(filePath);
        });
    }
    void OnUpdate(CViewBase *, long, QObject *) override
    {
        ++updates;
        page->OnKickIdle();
    }
};

} // namespace

class TestEditPage : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    std::unique_ptr<CWorkSpaceDoc> m_doc;
    std::unique_ptr<FrameWindow> m_window;
    CEditPage *m_page = nullptr;
    QListWidget *m_otherPane = nullptr;
    SourceReloadView m_view;
    std::unique_ptr<CCommandManager> m_commands;

    CSourceEdit *editor() const { return m_page->Editor(); }
    QString documentText() const { return m_doc->GetDOMDocument()->xml(); }

    void open(const QByteArray &bytes)
    {
        m_doc = std::make_unique<CWorkSpaceDoc>();
        QVERIFY(m_doc->OnOpenDocument(m_dir.write(QStringLiteral("doc.xml"), bytes)));
        m_window = std::make_unique<FrameWindow>();
        auto *layout = new QHBoxLayout(m_window.get());
        m_otherPane = new QListWidget(m_window.get());
        m_otherPane->addItem(QStringLiteral("another pane"));
        layout->addWidget(m_otherPane);
        m_page = new CEditPage(m_window.get());
        m_page->SetDocument(m_doc.get());
        layout->addWidget(m_page);
        m_view.Watch(m_doc.get());
        m_view.page = m_page;
        m_doc->AddView(&m_view);
        m_commands = std::make_unique<CCommandManager>();
        m_commands->SetRoute([this] { return QList<CCmdTarget *>{m_page}; });
        m_commands->SetAcceleratorTable(m_window.get(), 131);
        m_window->resize(700, 400);
        m_window->show();
        activate();
    }
    void activate()
    {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void enterText() { QTest::mouseClick(editor()->viewport(), Qt::LeftButton, {}, QPoint(5, 5)); }
    void leaveText() { QTest::mouseClick(m_otherPane->viewport(), Qt::LeftButton, {}, QPoint(5, 5)); }
    // Types `text` just before the root element's end tag "</root>".
    void typeBeforeRootEnd(const QString &text)
    {
        enterText();
        const qsizetype end = editor()->text().indexOf(QStringLiteral("</root>"));
        QVERIFY(end >= 0);
        editor()->SendScintilla(QsciScintillaBase::SCI_GOTOPOS, long(editor()->text().left(end).toUtf8().size()));
        // Key by key, with characters beyond ASCII as the keyboard sends them.
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, editor(), Qt::Key_unknown, QString(c), Qt::NoModifier);
    }

private Q_SLOTS:
    void init() { m_view = SourceReloadView(); }
    void cleanup()
    {
        m_window.reset();
        m_commands.reset();
        if (m_doc)
            m_doc->RemoveView(&m_view);
        m_doc.reset();
        SetMessageSink({});
        FileDialogs::SetFontHook({});
    }

    void showsTheWholeDocument_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("declaration, instruction, comment")
            << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<?style x?>\n<!--c-->\n<root a=\"1\"><b>t</b></root>\n");
        QTest::newRow("Latin-1") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<root>\xe9</root>\n");
        QTest::newRow("no declaration") << QByteArray("<root>\xc3\xa9</root>");
    }
    void showsTheWholeDocument()
    {
        QFETCH(QByteArray, file);
        open(file);
        QCOMPARE(editor()->text(), documentText());
        QVERIFY(editor()->text().contains(QStringLiteral("<root")));
        QVERIFY(!editor()->isUndoAvailable());
        QVERIFY(!editor()->IsTextModified());
    }

    void commitOnLeavingThePage()
    {
        open("<?xml version=\"1.0\"?>\n<root><a/></root>\n");
        enterText();
        QCOMPARE(m_window->switches, QList<int>{181});
        // In and out again without a change: nothing is written and no view is told.
        leaveText();
        QCOMPARE(m_view.updates, 0);

        typeBeforeRootEnd(QStringLiteral("<b>new</b>"));
        QCOMPARE(m_view.updates, 0);
        leaveText();
        QCOMPARE(m_view.sourceChanges, 1);
        const QFileInfo file(m_view.filePath);
        QCOMPARE(file.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(file.fileName().startsWith(QStringLiteral("TWR")));
        QVERIFY(!file.exists());
        QCOMPARE(m_view.fileBytes, editor()->text().toUtf8());
        QVERIFY(documentText().contains(QStringLiteral("<root><a/><b>new</b></root>")));
        // The document differs from its file, but no page needs to read it again.
        QVERIFY(m_doc->IsModified());
        QVERIFY(!m_doc->ArePagesStale());
        QVERIFY(!editor()->IsTextModified());

        // The frame commits before Save, Print and Close, with the focus still in the text.
        typeBeforeRootEnd(QStringLiteral("<c/>"));
        QVERIFY(m_page->CommitSource());
        QCOMPARE(m_view.sourceChanges, 2);
        QVERIFY(documentText().contains(QStringLiteral("<b>new</b><c/></root>")));
        QVERIFY(m_page->CommitSource());
        QCOMPARE(m_view.sourceChanges, 2);
    }

    void ownDialogsDoNotCommit()
    {
        open("<root><a/></root>");
        // The box of a search that found nothing, and the font chooser, are real windows that take
        // the focus.
        bool tookFocus = true;
        const auto focusTakingWindow = [&tookFocus] {
            QWidget box;
            auto *edit = new QLineEdit(&box);
            box.show();
            box.activateWindow();
            tookFocus &= QTest::qWaitForWindowActive(&box);
            edit->setFocus();
            QTest::qWait(10);
            tookFocus &= QApplication::focusWidget() == edit;
        };
        QStringList messages;
        SetMessageSink([&](const QString &text, unsigned) {
            messages << text;
            focusTakingWindow();
            return IDAnswer::Ok;
        });
        int fontDialogs = 0;
        FileDialogs::SetFontHook([&](const QFont &) -> std::optional<QFont> {
            ++fontDialogs;
            focusTakingWindow();
            return std::nullopt;
        });

        typeBeforeRootEnd(QStringLiteral("<x/>"));
        QTest::keyClick(editor(), Qt::Key_F, Qt::ControlModifier);
        CFindReplaceDlg *dialog = editor()->FindDialog();
        QVERIFY(dialog);
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto *findText = dialog->findChild<QLineEdit *>(QStringLiteral("findText"));
        QTRY_COMPARE(QApplication::focusWidget(), findText);
        QTest::keyClicks(findText, QStringLiteral("missing"));
        QTest::mouseClick(dialog->findChild<QAbstractButton *>(QStringLiteral("findNext")), Qt::LeftButton);
        QCOMPARE(messages, QStringList{QStringLiteral("cannot find \"missing\"")});
        activate();
        QVERIFY(m_commands->Execute(ID_EDIT_FONT));
        QCOMPARE(fontDialogs, 1);
        QVERIFY(tookFocus);
        activate();
        QTest::qWait(20);
        QCOMPARE(m_view.updates, 0);
        QVERIFY(editor()->IsTextModified());

        leaveText();
        QCOMPARE(m_view.sourceChanges, 1);
        QVERIFY(documentText().contains(QStringLiteral("<root><a/><x/></root>")));
    }

    void refusedTextStaysInTheEditor()
    {
        open("<root><a/></root>");
        MessageRecorder messages;
        m_doc->SetModifiedFlag(true); // the page would reload on any notification
        enterText();
        QTest::keyClick(editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor(), QStringLiteral("<root><b></root>"));
        leaveText();
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("A general application error has occured. Error Loading/Parsing Document.")));
        // The document keeps its tree, the editor the text, still to be committed.
        QCOMPARE(documentText(), QStringLiteral("<root><a/></root>"));
        QCOMPARE(editor()->text(), QStringLiteral("<root><b></root>"));
        QVERIFY(editor()->IsTextModified());
        // Leaving again with the same text does not report it again; the frame's commit does,
        // and fails, so that a Save stops.
        enterText();
        leaveText();
        QCOMPARE(messages.count(), 1);
        QVERIFY(!m_page->CommitSource());
        QCOMPARE(messages.count(), 2);
        QCOMPARE(documentText(), QStringLiteral("<root><a/></root>"));

        // Mended, it goes in.
        enterText();
        QTest::keyClick(editor(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor(), QStringLiteral("<root><b/></root>"));
        leaveText();
        QCOMPARE(messages.count(), 2);
        QCOMPARE(documentText(), QStringLiteral("<root><b/></root>"));
    }

    void changeElsewhereRefreshesTheText()
    {
        open("<root><a/></root>");
        typeBeforeRootEnd(QStringLiteral("<b/>"));
        leaveText();
        QVERIFY(editor()->isUndoAvailable());
        // An edit in another pane marks the pages stale and notifies.
        QVERIFY(m_doc->RenameNode(m_doc->GetDOMDocument()->documentElement(), QStringLiteral("renamed")));
        QCOMPARE(editor()->text(), QStringLiteral("<renamed><a/><b/></renamed>"));
        QVERIFY(!editor()->isUndoAvailable());
        QVERIFY(!editor()->IsTextModified());

        // A hidden page catches up when it is shown again, even after a selection in between.
        m_page->hide();
        QVERIFY(m_doc->RenameNode(m_doc->GetDOMDocument()->documentElement(), QStringLiteral("again")));
        QCOMPARE(editor()->text(), QStringLiteral("<renamed><a/><b/></renamed>"));
        m_doc->SetCurrentItem(0);
        m_page->OnSetActive();
        m_page->show();
        QCOMPARE(editor()->text(), QStringLiteral("<again><a/><b/></again>"));
    }

    void largeTextIsNotCut()
    {
        QByteArray file = "<?xml version=\"1.0\"?>\n<root>\n";
        for (int i = 0; file.size() < 12 * 1024 * 1024; ++i)
            file += "<record id=\"" + QByteArray::number(i) + "\">some text in record " + QByteArray::number(i) + "</record>\n";
        file += "</root>\n";
        open(file);
        const long length = editor()->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        QCOMPARE(length, long(m_doc->GetDOMDocument()->serializedBytes().size()));
        QVERIFY(length > 12 * 1024 * 1024);
        enterText();
        QTest::keyClick(editor(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(editor(), QStringLiteral("<!--end-->"));
        leaveText();
        QCOMPARE(m_view.sourceChanges, 1);
        QCOMPARE(m_view.fileBytes.size(), qsizetype(length + 10));
        QVERIFY(documentText().endsWith(QStringLiteral("</root>\n<!--end-->")));
    }

    void onlyLineFeedsGoBack()
    {
        open("<root><a/></root>");
        QGuiApplication::clipboard()->setText(QStringLiteral("<b/>\r\n<c/>\r"));
        typeBeforeRootEnd(QString());
        QTest::keyClick(editor(), Qt::Key_V, Qt::ControlModifier);
        QVERIFY(!editor()->text().contains(QLatin1Char('\r')));
        // Even a CR that reached the text another way is not written.
        editor()->insertAt(QStringLiteral("<d/>\r\n"), 0, 6);
        leaveText();
        QCOMPARE(m_view.sourceChanges, 1);
        QVERIFY(!m_view.fileBytes.contains('\r'));
        QCOMPARE(documentText(), QStringLiteral("<root><d/>\n<a/><b/>\n<c/>\n</root>"));
    }

    void writtenInTheDeclaredEncoding()
    {
        open("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<root>\xe9</root>\n");
        typeBeforeRootEnd(QStringLiteral("ü€"));
        leaveText();
        QCOMPARE(m_view.sourceChanges, 1);
        // Latin-1 bytes; the euro sign, which Latin-1 has not, as a character reference.
        QVERIFY(m_view.fileBytes.contains("<root>\xe9\xfc&#8364;</root>"));
        QCOMPARE(m_doc->GetDOMDocument()->documentElement().text(), QStringLiteral("éü€"));
    }

    void commandsReachTheEditor()
    {
        open("<root/>");
        enterText();
        QTest::keyClick(editor(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(editor()->selectedText(), QStringLiteral("<root/>"));
        QVERIFY(!m_commands->IsEnabled(ID_EDIT_SELECT_ALL_TEXT));
        QVERIFY(m_commands->IsEnabled(ID_EDIT_CUT));
        QVERIFY(!m_commands->IsEnabled(ID_FILE_SAVE)); // neither the editor's nor the page's
    }
};

QTEST_MAIN(TestEditPage)
#include "tst_editpage.moc"
