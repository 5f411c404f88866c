// Document windows inside the main window: the tree, the node list and the source text working
// together, the edit menu following the focus, and rows dragged from one document to another.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/commandmanager.h"
#include "panes/childframe.h"
#include "panes/editpage.h"
#include "panes/nodelistcontrol.h"
#include "panes/nodepage.h"
#include "panes/propertysheetview.h"
#include "panes/sourceedit.h"
#include "panes/treewrightview.h"
#include "resources/commandids.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"
#include "tree/nodedragdata.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QTabBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTreeView>
#include <QtTest>

namespace {

CNodePage *nodePage(CChildFrame *frame)
{
    return qobject_cast<CNodePage *>(frame->NodePane()->Sheet()->GetPage(0));
}

CEditPage *sourcePage(CChildFrame *frame)
{
    return qobject_cast<CEditPage *>(frame->NodePane()->Sheet()->GetPage(2));
}

// Selects the element at `path` in the window's tree, as a click would.
void selectElement(CChildFrame *frame, const QString &path)
{
    CWorkSpaceDoc *document = frame->GetDocument();
    const XmlNode node = document->FindNodeByPath(path);
    QVERIFY2(!node.isNull(), qPrintable(path));
    CElementView *tree = frame->TreePane();
    tree->SelectItem(tree->TreeModel()->IndexForNode(node));
    QCOMPARE(document->GetNodePath(document->GetCurrentNode()), path);
}

QStringList rowLabels(CChildFrame *frame)
{
    QStringList labels;
    CNodeListControl *list = nodePage(frame)->ListControl();
    for (int row = 0; row < list->RowCount(); ++row)
        labels.append(list->RowText(row, 0));
    return labels;
}

// The first item of the Edit menu after the document's history items, which stand above the tree's
// and the list's edit commands.
QString firstEditItem(CMainFrame *main)
{
    const QList<QAction *> actions = main->EditMenu()->actions();
    const int first = !actions.isEmpty() && CCommandManager::CommandIdOf(actions.first()) == ID_EDIT_UNDO_EDIT ? 3 : 0;
    return actions.size() > first ? actions.at(first)->text() : QString();
}

} // namespace

class TestDocumentWindow : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void selectionRefreshesTheListAndPathButNotTheSource()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("books.xml"),
                                              "<catalog><book id=\"1\" lang=\"en\"><!--c--></book><book id=\"2\"/></catalog>")}));
        auto *frame = app.MainFrame()->ActiveChildFrame();
        QVERIFY(frame);
        QVERIFY(rowLabels(frame).isEmpty());
        selectElement(frame, QStringLiteral("/catalog/book/"));
        QCOMPARE(rowLabels(frame), (QStringList{"#comment", "lang", "id"}));
        QCOMPARE(frame->StatusText(), QStringLiteral("/catalog/book/"));

        // The source text follows edits, not selections.
        frame->NodePane()->Sheet()->SetActivePage(2);
        CSourceEdit *editor = sourcePage(frame)->Editor();
        const QString shown = editor->text();
        QVERIFY(shown.contains(QStringLiteral("<book id=\"2\"/>")));
        selectElement(frame, QStringLiteral("/catalog/"));
        QCOMPARE(editor->text(), shown);
        QVERIFY(frame->GetDocument()->RenameNode(frame->GetDocument()->GetCurrentNode(), QStringLiteral("shelf")));
        QVERIFY(editor->text().contains(QStringLiteral("<shelf>")));
    }

    void sourceEditTakenWhenTheTreeIsClicked()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("round.xml"), "<a><b/><c/></a>")}));
        CMainFrame *main = app.MainFrame();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        auto *frame = main->ActiveChildFrame();
        CWorkSpaceDoc *document = frame->GetDocument();
        selectElement(frame, QStringLiteral("/a/c/"));
        QVERIFY(!document->IsModified());

        frame->NodePane()->Sheet()->SetActivePage(2);
        CSourceEdit *editor = sourcePage(frame)->Editor();
        editor->setFocus();
        // Leaving without a change commits nothing.
        frame->TreePane()->setFocus();
        QVERIFY(!document->IsModified());

        frame->NodePane()->Sheet()->SetActivePage(2);
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("<a><new/><c/></a>"));
        // The element "c" keeps its row: "new" takes the place of "b".
        const QPoint rowOfC = frame->TreePane()->visualRect(frame->TreePane()->currentIndex()).center();
        QTest::mouseClick(frame->TreePane()->viewport(), Qt::LeftButton, {}, rowOfC);
        QTRY_VERIFY(document->IsModified());
        QVERIFY(!document->FindNodeByPath(QStringLiteral("/a/new/")).isNull());
        QCOMPARE(document->GetNodePath(document->GetCurrentNode()), QStringLiteral("/a/c/"));
        QCOMPARE(frame->StatusText(), QStringLiteral("/a/c/"));
        const QModelIndex shown = frame->TreePane()->currentIndex();
        QCOMPARE(shown.data().toString(), QStringLiteral("c"));

        // A text that does not parse is reported and kept; the tree stays as it was.
        MessageRecorder messages;
        frame->NodePane()->Sheet()->SetActivePage(2);
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("<a><broken></a>"));
        frame->TreePane()->setFocus();
        QTRY_COMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error")));
        QCOMPARE(editor->text(), QStringLiteral("<a><broken></a>"));
        QVERIFY(!document->FindNodeByPath(QStringLiteral("/a/new/")).isNull());
        // Save stops at the same text, so what is saved is what the user sees.
        messages.clear();
        QVERIFY(!app.SaveDocument(document));
        QCOMPARE(messages.count(), 1);

        // Closing asks whether to let the text go: No keeps the window, Yes closes it (after the
        // usual question about the document's own changes).
        QMdiSubWindow *window = main->WindowOf(document);
        messages.clear();
        messages.queueAnswer(IDAnswer::Ok);
        messages.queueAnswer(IDAnswer::No);
        QVERIFY(!window->close());
        QCOMPARE(messages.count(), 2); // the parse report, then the question
        QVERIFY(messages.lastText().contains(QStringLiteral("discard that text")));
        QCOMPARE(app.Documents().size(), 1);
        messages.clear();
        messages.queueAnswer(IDAnswer::Ok);
        messages.queueAnswer(IDAnswer::Yes);
        messages.queueAnswer(IDAnswer::No);
        const QString saveQuestion = QStringLiteral("Save changes to ") + document->GetPathName() + QStringLiteral("?");
        QVERIFY(window->close());
        QCOMPARE(messages.count(), 3);
        QCOMPARE(messages.lastText(), saveQuestion);
        QCOMPARE(app.Documents().size(), 0);
    }

    void editMenuFollowsTheFocusedPane()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("menu.xml"), "<a><b x=\"1\"/></a>")}));
        CMainFrame *main = app.MainFrame();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        auto *frame = main->ActiveChildFrame();
        selectElement(frame, QStringLiteral("/a/b/"));

        nodePage(frame)->ListControl()->CurrentView()->setFocus();
        QCOMPARE(frame->EditMenuResource(), 172);
        QCOMPARE(main->EditMenu()->actions().last()->text(), QStringLiteral("Arrange Icons"));
        frame->TreePane()->setFocus();
        QCOMPARE(frame->EditMenuResource(), 175);
        QCOMPARE(firstEditItem(main), QStringLiteral("Cu&t\tCtrl+X"));
        frame->NodePane()->Sheet()->SetActivePage(2);
        sourcePage(frame)->Editor()->setFocus();
        QCOMPARE(frame->EditMenuResource(), 181);
        QCOMPARE(firstEditItem(main), QStringLiteral("&Undo\tCtrl+Z"));

        // Cut acts on what has the focus: here the list's selected attribute.
        frame->NodePane()->Sheet()->SetActivePage(0);
        CNodeListControl *list = nodePage(frame)->ListControl();
        list->CurrentView()->setFocus();
        list->CurrentView()->selectionModel()->select(list->CurrentView()->model()->index(0, 0),
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QVERIFY(main->Commands()->Execute(ID_EDIT_CUT));
        QVERIFY(!frame->GetDocument()->FindNodeByPath(QStringLiteral("/a/b/")).isNull());
        QVERIFY(rowLabels(frame).isEmpty());
        QCOMPARE(frame->GetDocument()->GetDOMDocument()->xml().contains(QStringLiteral("x=")), false);
    }

    void rowsDraggedOntoAnotherDocumentsTreeMoveThere()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("from.xml"), "<a><b one=\"1\" two=\"2\" three=\"3\"/></a>")}));
        QVERIFY(app.OpenDocumentFile(m_dir.write(QStringLiteral("to.xml"), "<z><y/></z>")));
        CMainFrame *main = app.MainFrame();
        CChildFrame *from = qobject_cast<CChildFrame *>(main->WindowOf(app.Documents().at(0))->widget());
        CChildFrame *to = qobject_cast<CChildFrame *>(main->WindowOf(app.Documents().at(1))->widget());
        selectElement(from, QStringLiteral("/a/b/"));
        CNodeListControl *list = nodePage(from)->ListControl();
        QCOMPARE(rowLabels(from), (QStringList{"three", "two", "one"}));
        QItemSelectionModel *selection = list->CurrentView()->selectionModel();
        selection->select(list->CurrentView()->model()->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(list->CurrentView()->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

        std::unique_ptr<CNodeDragData> data(nodePage(from)->CreateRowDragData());
        QVERIFY(data);
        QVERIFY(data->AreNodeListRows());
        QCOMPARE(data->Nodes().size(), 2);

        CElementView *target = to->TreePane();
        const QModelIndex y = target->TreeModel()->IndexForNode(to->GetDocument()->FindNodeByPath(QStringLiteral("/z/y/")));
        QCOMPARE(target->EvaluateDrop(*data, y), CElementView::DropVerdict::Accepted);
        QVERIFY(target->DropNodes(*data, y));
        nodePage(from)->OnKickIdle();
        QCOMPARE(from->GetDocument()->GetDOMDocument()->xml().contains(QStringLiteral("<b two=\"2\"/>")), true);
        QVERIFY(to->GetDocument()->GetDOMDocument()->xml().contains(QStringLiteral("one=\"1\"")));
        QVERIFY(to->GetDocument()->GetDOMDocument()->xml().contains(QStringLiteral("three=\"3\"")));
        QCOMPARE(to->GetDocument()->GetNodePath(to->GetDocument()->GetCurrentNode()), QStringLiteral("/z/y/"));

        // Rows dropped on "Document" are refused before anything is cut.
        selectElement(from, QStringLiteral("/a/b/"));
        list->CurrentView()->selectionModel()->select(list->CurrentView()->model()->index(0, 0),
                                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        std::unique_ptr<CNodeDragData> again(nodePage(from)->CreateRowDragData());
        const QModelIndex documentItem = target->model()->index(0, 0);
        QCOMPARE(target->EvaluateDrop(*again, documentItem), CElementView::DropVerdict::Refused);
        QVERIFY(!target->DropNodes(*again, documentItem));
        QVERIFY(from->GetDocument()->GetDOMDocument()->xml().contains(QStringLiteral("two=\"2\"")));
    }

    void deletedElementLeavesTheSourceText()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("gone.xml"), "<a><b/><c/></a>")}));
        CMainFrame *main = app.MainFrame();
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        auto *frame = main->ActiveChildFrame();
        CSourceEdit *editor = sourcePage(frame)->Editor();
        frame->NodePane()->Sheet()->SetActivePage(2);
        QVERIFY(editor->text().contains(QStringLiteral("<b/>")));
        frame->NodePane()->Sheet()->SetActivePage(0);
        selectElement(frame, QStringLiteral("/a/b/"));
        frame->TreePane()->setFocus();
        QTest::keyClick(frame->TreePane(), Qt::Key_Delete);
        QVERIFY(frame->GetDocument()->FindNodeByPath(QStringLiteral("/a/b/")).isNull());

        // The source shows the document as it is now; an edit typed there cannot bring "b" back.
        frame->NodePane()->Sheet()->SetActivePage(2);
        QVERIFY(!editor->text().contains(QStringLiteral("<b/>")));
        editor->setFocus();
        QTest::keyClicks(editor, QStringLiteral(" "));
        frame->TreePane()->setFocus();
        QVERIFY(frame->GetDocument()->FindNodeByPath(QStringLiteral("/a/b/")).isNull());
        QCOMPARE(frame->GetDocument()->GetDOMDocument()->documentElement().xml(), QStringLiteral("<a><c/></a>"));
    }

    void nodesTabAndWindowLayout()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({m_dir.write(QStringLiteral("catalog.xml"), "<a x=\"1\"/>")}));
        CMainFrame *main = app.MainFrame();
        main->resize(1000, 700);
        main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(main));
        auto *frame = main->ActiveChildFrame();
        selectElement(frame, QStringLiteral("/a/"));

        // A click on the "Nodes" tab puts the focus into the list, whose Edit menu then shows.
        frame->TreePane()->setFocus();
        QTabBar *tabs = frame->NodePane()->Sheet()->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        CNodeListControl *list = nodePage(frame)->ListControl();
        QTRY_COMPARE(QApplication::focusWidget(), list->CurrentView());
        QCOMPARE(frame->EditMenuResource(), 172);

        // The last column takes the width the pane has left.
        auto *details = qobject_cast<QTreeView *>(list->CurrentView());
        QVERIFY(details);
        QCOMPARE(details->columnWidth(0), 120);
        QVERIFY(details->columnWidth(2) > 120);

        // A maximised window's name stands once in the title.
        main->WindowOf(frame->GetDocument())->showMaximized();
        QTRY_VERIFY(main->windowTitle().contains(QStringLiteral("catalog.xml")));
        QCOMPARE(main->windowTitle().count(QStringLiteral("catalog.xml")), 1);
    }
};

QTEST_MAIN(TestDocumentWindow)
#include "tst_documentwindow.moc"
