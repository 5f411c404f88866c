// Find and Validate in the main window: the keys that open and step through them, results that
// select nodes deep in a tree filled lazily, stale results after an edit, and validation
// results and refusals.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "find/documentrun.h"
#include "find/documenttools.h"
#include "find/findbar.h"
#include "find/resultsmodel.h"
#include "framework/appsettings.h"
#include "framework/commandmanager.h"
#include "panes/childframe.h"
#include "panes/editpage.h"
#include "panes/findreplacedlg.h"
#include "panes/nodelistcontrol.h"
#include "panes/nodepage.h"
#include "panes/propertysheetview.h"
#include "panes/sourceedit.h"
#include "panes/treewrightview.h"
#include "resources/commandids.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

namespace {

// 40 levels deep, with 300 siblings beside the branch at every level: the tree makes items only
// down to what is selected.
QByteArray deepDocument()
{
    QByteArray text = "<root>";
    for (int level = 0; level < 40; ++level) {
        text += "<d" + QByteArray::number(level) + ">";
        for (int i = 0; i < 300; ++i)
            text += "<s/>";
    }
    text += "<target code=\"needle\">a needle here</target>";
    for (int level = 39; level >= 0; --level)
        text += "</d" + QByteArray::number(level) + ">";
    return text + "<last>needle</last></root>";
}

QString currentPath(CChildFrame *frame)
{
    CWorkSpaceDoc *document = frame->GetDocument();
    return document->GetNodePath(document->GetCurrentNode());
}

void waitForRun(CDocumentTools *tools)
{
    if (CDocumentRun *run = tools->CurrentRun())
        run->WaitForFinished();
    QTRY_VERIFY(!tools->FindBar()->IsRunning() && !tools->ValidationBar()->IsRunning());
}

} // namespace

class TestDocumentTools : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void ctrlFOpensFindFromTreeAndListButNotFromTheSource()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("keys.xml"), "<a x=\"1\"><b/></a>")}));
        CMainFrame *main = app.MainFrame();
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        CChildFrame *frame = main->ActiveChildFrame();
        CFindBar *bar = main->DocumentTools()->FindBar();
        QVERIFY(bar->isHidden());

        frame->TreePane()->setFocus();
        QTest::keyClick(frame->TreePane(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(!bar->isHidden());
        QTRY_VERIFY(bar->PatternEdit()->hasFocus());

        bar->hide();
        auto *nodeList = qobject_cast<CNodePage *>(frame->NodePane()->Sheet()->GetPage(0))->ListControl();
        nodeList->CurrentView()->setFocus();
        QTest::keyClick(nodeList->CurrentView(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(!bar->isHidden());

        // The source editor keeps its own Find dialog.
        bar->hide();
        frame->NodePane()->Sheet()->SetActivePage(2);
        CSourceEdit *editor = qobject_cast<CEditPage *>(frame->NodePane()->Sheet()->GetPage(2))->Editor();
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(editor->findChild<CFindReplaceDlg *>());
        QVERIFY(bar->isHidden());
    }

    void resultsSelectDeepNodesAndStepWithF3()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("deep.xml"), deepDocument())}));
        CMainFrame *main = app.MainFrame();
        main->show();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        CChildFrame *frame = main->ActiveChildFrame();
        CDocumentTools *tools = main->DocumentTools();
        CFindBar *bar = tools->FindBar();
        const int itemsBefore = frame->TreePane()->TreeModel()->ItemCount();

        frame->TreePane()->setFocus();
        QTest::keyClick(frame->TreePane(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(bar->PatternEdit()->hasFocus());
        QTest::keyClicks(bar->PatternEdit(), QStringLiteral("needle"));
        QTest::keyClick(bar->PatternEdit(), Qt::Key_Return);
        waitForRun(tools);
        // The attribute, the text beside it, and the last element's text.
        QCOMPARE(bar->Model()->rowCount(), 3);
        QCOMPARE(bar->StatusLabel()->text(), QStringLiteral("3 results."));
        QString deep = QStringLiteral("/root/");
        for (int level = 0; level < 40; ++level)
            deep += QStringLiteral("d%1/").arg(level);
        deep += QStringLiteral("target/");
        QCOMPARE(bar->Model()->data(bar->Model()->index(0, CFindBar::PathColumn), Qt::DisplayRole).toString(),
                 deep + QStringLiteral("@code"));
        QCOMPARE(bar->Model()->data(bar->Model()->index(1, CFindBar::MatchColumn), Qt::DisplayRole).toString(),
                 QStringLiteral("a needle here"));

        // Enter on the first row selects the element in the tree and the attribute's row.
        bar->View()->setFocus();
        bar->View()->setCurrentIndex(bar->Model()->index(0, 0));
        QTest::keyClick(bar->View(), Qt::Key_Return);
        QCOMPARE(currentPath(frame), deep);
        QCOMPARE(frame->TreePane()->currentIndex().data().toString(), QStringLiteral("target"));
        // Only the items down the branch were made: 40 levels of 301 children, not the document.
        QVERIFY(frame->TreePane()->TreeModel()->ItemCount() < itemsBefore + 41 * 301 + 10);
        auto *nodeList = qobject_cast<CNodePage *>(frame->NodePane()->Sheet()->GetPage(0))->ListControl();
        QCOMPARE(nodeList->SelectedRows().size(), 1);
        QCOMPARE(nodeList->RowNode(nodeList->SelectedRows().first()).nodeName(), QStringLiteral("code"));

        // F3 and Shift+F3 from the tree step through the results, wrapping around.
        frame->TreePane()->setFocus();
        QTest::keyClick(frame->TreePane(), Qt::Key_F3);
        QCOMPARE(bar->View()->currentIndex().row(), 1);
        QCOMPARE(nodeList->RowNode(nodeList->SelectedRows().first()).nodeType(), NodeType::Text);
        QTest::keyClick(frame->TreePane(), Qt::Key_F3);
        QCOMPARE(currentPath(frame), QStringLiteral("/root/last/"));
        QTest::keyClick(frame->TreePane(), Qt::Key_F3);
        QCOMPARE(bar->View()->currentIndex().row(), 0);
        QTest::keyClick(frame->TreePane(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(bar->View()->currentIndex().row(), 2);

        // An edit marks the results stale; they still select their nodes.
        CWorkSpaceDoc *document = frame->GetDocument();
        QVERIFY(document->RenameNode(document->FindNodeByPath(QStringLiteral("/root/last/")), QStringLiteral("final")));
        QVERIFY(bar->Model()->IsStale());
        QVERIFY(bar->StatusLabel()->text().endsWith(QStringLiteral("the results may be stale.")));
        QTest::keyClick(frame->TreePane(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(currentPath(frame), deep);

        // A broken XPath expression is shown in the dock.
        FindOptions xpath;
        xpath.xpath = true;
        xpath.pattern = QStringLiteral("//target[");
        tools->StartFind(xpath);
        waitForRun(tools);
        QVERIFY(bar->StatusLabel()->text().startsWith(QStringLiteral("The XPath expression is not valid:")));
        QCOMPARE(bar->Model()->rowCount(), 0);
    }

    void anEditDuringASearchWaitsForIt()
    {
        QByteArray text = "<r>";
        for (int i = 0; i < 200000; ++i)
            text += "<i>x</i>";
        text += "</r>";
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("big.xml"), text)}));
        CMainFrame *main = app.MainFrame();
        CDocumentTools *tools = main->DocumentTools();
        CWorkSpaceDoc *document = main->ActiveDocument();
        FindOptions options;
        options.pattern = QStringLiteral("x");
        tools->StartFind(options);
        // The edit stops the search first; it never changes the tree under it.
        QVERIFY(document->RenameNode(document->GetDOMDocument()->documentElement(), QStringLiteral("s")));
        waitForRun(tools);
        QVERIFY(tools->FindBar()->Model()->IsStale());
        QVERIFY(tools->FindBar()->Model()->rowCount() <= 200000);
    }

    void validateCommand()
    {
        CTreewrightApp app;
        m_dir.write(QStringLiteral("order.xsd"),
                    "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\"><xs:element name=\"order\"><xs:complexType>"
                    "<xs:sequence><xs:element name=\"item\" maxOccurs=\"unbounded\"/></xs:sequence></xs:complexType>"
                    "</xs:element></xs:schema>");
        const QByteArray head = "<order xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=";
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("order.xml"), head + "\"order.xsd\">\n<item/>\n<box/>\n</order>")}));
        CMainFrame *main = app.MainFrame();
        CDocumentTools *tools = main->DocumentTools();
        CResultsBar *bar = tools->ValidationBar();
        MessageRecorder messages;

        // The schema the document names is read only with "Resolve Externals" on.
        QVERIFY(main->Commands()->Execute(ID_TOOLS_VALIDATE));
        waitForRun(tools);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("\"Resolve Externals\"")));

        AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(AppSettings::ResolveExternals), 1);
        QVERIFY(main->Commands()->Execute(ID_TOOLS_VALIDATE));
        waitForRun(tools);
        QCOMPARE(bar->Model()->rowCount(), 1);
        QCOMPARE(bar->Model()->index(0, CDocumentTools::LineColumn).data().toString(), QStringLiteral("3"));
        QCOMPARE(bar->Model()->index(0, CDocumentTools::PathColumn).data().toString(), QStringLiteral("/order/box/"));
        QVERIFY(bar->StatusLabel()->text().startsWith(QStringLiteral("The document is not valid against the XML Schema")));
        QVERIFY(bar->Step(1));
        QCOMPARE(currentPath(main->ActiveChildFrame()), QStringLiteral("/order/box/"));

        // A valid document says so.
        CWorkSpaceDoc *document = main->ActiveDocument();
        QVERIFY(document->RenameNode(document->FindNodeByPath(QStringLiteral("/order/box/")), QStringLiteral("item")));
        QVERIFY(main->Commands()->Execute(ID_TOOLS_VALIDATE));
        waitForRun(tools);
        QCOMPARE(bar->Model()->rowCount(), 0);
        QCOMPARE(bar->StatusLabel()->text(),
                 QStringLiteral("The document is valid against the XML Schema \"%1\".").arg(m_dir.filePath(QStringLiteral("order.xsd"))));

        // A schema on the network is refused with a message.
        QVERIFY(app.OpenDocumentFile(m_dir.write(QStringLiteral("net.xml"), head + "\"http://example.com/o.xsd\"/>")));
        messages.clear();
        QVERIFY(main->Commands()->Execute(ID_TOOLS_VALIDATE));
        waitForRun(tools);
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.lastText(), QStringLiteral("The schema location \"http://example.com/o.xsd\" is on the network. "
                                                     "Schemas and DTDs are read only from local files."));
    }
};

QTEST_MAIN(TestDocumentTools)
#include "tst_documenttools.moc"
