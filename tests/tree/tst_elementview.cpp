// The element tree view as the user meets it: selection and the status text, renaming in place,
// the edit commands with their enabling rules, the context menu and the rebuild after a source
// edit.
#include "treetestsupport.h"
#include "tree/elementtreemodel.h"
#include "document/xmldocument.h"
#include "framework/commandmanager.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {

// Enter ends the label edit; the item view commits the text once the event loop runs.
void pressEnter(QWidget *editor)
{
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

} // namespace

class TestElementView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }

    void init()
    {
        CNodeClipboardReset();
    }

    void clickSelectsAndShowsThePath()
    {
        TreeFixture tree("<catalog><book><title/></book></catalog>");
        NotificationCounter views(tree.document.get());
        QSignalSpy status(tree.view, &CElementView::statusTextChanged);
        tree.document->SetModifiedFlag(true);
        const QModelIndex title = tree.item({"catalog", "book", "title"});
        tree.click(title);
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("title"));
        QCOMPARE(tree.document->GetCurrentItem(), tree.view->KeyOf(title));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("/catalog/book/title/"));
        QVERIFY(views.count >= 1);
        tree.click(tree.item({"catalog"}));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("/catalog/"));
        tree.click(tree.item({}));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("/"));
        QCOMPARE(tree.document->GetCurrentNode().nodeType(), int(NodeType::Document));
    }

    void renameInPlaceWithTheKeyboard()
    {
        TreeFixture tree("<r a=\"1\"><old>text<x/></old></r>");
        tree.click(tree.item({"r", "old"}));
        QTest::keyClick(tree.view, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("old"));
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("new"));
        pressEnter(editor);
        QCOMPARE(rootXml(tree), QStringLiteral("<r a=\"1\"><new>text<x/></new></r>"));
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("new"));
        QCOMPARE(tree.document->GetNodePath(), QStringLiteral("/r/new/"));
        QVERIFY(tree.document->IsModified());
    }

    void refusedNameKeepsTheOldLabel()
    {
        TreeFixture tree("<r><a/></r>");
        MessageRecorder messages;
        tree.click(tree.item({"r", "a"}));
        QTest::keyClick(tree.view, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("a b"));
        pressEnter(editor);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to change node name.")));
        QCOMPARE(tree.item({"r"}).model()->index(0, 0, tree.item({"r"})).data().toString(), QStringLiteral("a"));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/></r>"));
        // Escape leaves the name as it was, without a message.
        QTest::keyClick(tree.view, Qt::Key_F2);
        editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QTest::keyClicks(editor, QStringLiteral("zzz"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/></r>"));
        QCOMPARE(messages.count(), 1);
    }

    void documentAndDoctypeLabelsAreNotEditable()
    {
        TreeFixture tree("<!DOCTYPE r><r/>");
        Commands commands(tree);
        for (const QStringList &labels : {QStringList{}, QStringList{"<!DOCTYPE>"}}) {
            tree.click(tree.item(labels));
            QTest::keyClick(tree.view, Qt::Key_F2);
            QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
            commands.manager.Execute(ID_EDIT_RENAME);
            QVERIFY(!qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        }
    }

    void editingKeysActOnTheLabelEditor()
    {
        TreeFixture tree("<r><abc/><other/></r>");
        Commands commands(tree);
        tree.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree.window.get()));
        tree.click(tree.item({"r", "abc"}));
        QTest::keyClick(tree.view, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->selectedText(), QStringLiteral("abc"));
        QTest::keyClick(editor, Qt::Key_Delete); // clears the selected text, deletes no element
        QCOMPARE(editor->text(), QString());
        QTest::keyClicks(editor, QStringLiteral("xyz"));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(editor->selectedText(), QStringLiteral("xyz"));
        QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(editor->text(), QString());
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor->text(), QStringLiteral("xyz"));
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled()); // nothing reached the Cut and Copy commands
        pressEnter(editor);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><xyz/><other/></r>"));
        // Without an editor the same keys are the tree's commands again.
        tree.view->setFocus();
        QTest::keyClick(tree.view, Qt::Key_Delete);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><other/></r>"));
    }

    void enablingRules_data()
    {
        QTest::addColumn<QStringList>("item");
        QTest::addColumn<bool>("nodeCommands"); // Cut, Copy, Delete, Rename
        QTest::addColumn<bool>("newChild");
        QTest::addColumn<bool>("newSibling");
        QTest::newRow("document") << QStringList{} << false << false << false;
        QTest::newRow("doctype") << QStringList{"<!DOCTYPE>"} << true << true << false;
        QTest::newRow("root element") << QStringList{"r"} << true << true << false;
        QTest::newRow("deeper element") << QStringList{"r", "a"} << true << true << true;
    }
    void enablingRules()
    {
        QFETCH(QStringList, item);
        QFETCH(bool, nodeCommands);
        QFETCH(bool, newChild);
        QFETCH(bool, newSibling);
        TreeFixture tree("<!DOCTYPE r><r><a/></r>");
        Commands commands(tree);
        tree.click(tree.item(item));
        for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE, ID_EDIT_RENAME})
            QCOMPARE(commands.enabled(id), nodeCommands);
        QCOMPARE(commands.enabled(ID_EDIT_NEW_CHILD), newChild);
        QCOMPARE(commands.enabled(ID_EDIT_NEW_SIBLING), newSibling);
        QVERIFY(commands.enabled(ID_EDIT_PASTE_CLIPBOARD));
        QVERIFY(!commands.enabled(ID_EDIT_PASTE));
        QVERIFY(!commands.manager.Action(ID_EDIT_PROPERTIES) || !tree.view->HandlesCommand(ID_EDIT_PROPERTIES));
    }

    void newChildOpensTheEditorOnTheNewLastChild()
    {
        TreeFixture tree("<r><a><x/></a><b/></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        tree.document->SetModifiedFlag(false);
        QVERIFY(commands.manager.Execute(ID_EDIT_NEW_CHILD));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a><x/><NewChild/></a><b/></r>"));
        QVERIFY(tree.document->IsModified());
        QCOMPARE(tree.document->GetNodePath(), QStringLiteral("/r/a/NewChild/"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "a"})), (QStringList{"x", "NewChild"}));
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("item"));
        pressEnter(editor);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a><x/><item/></a><b/></r>"));
    }

    void newSiblingGoesToTheEndOfTheParent()
    {
        TreeFixture tree("<r><a><x/><y/></a></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a", "x"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_NEW_SIBLING));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a><x/><y/><NewSibling/></a></r>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "a"})), (QStringList{"x", "y", "NewSibling"}));
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("NewSibling"));
    }

    void refusedNewElementLeavesNoItem()
    {
        // The context menu's "Sibling Node" is not governed by its own rule: on the root it asks
        // for a second root, which the document refuses.
        TreeFixture tree("<r/>");
        MessageRecorder messages;
        tree.click(tree.item({"r"}));
        const int before = tree.view->TreeModel()->ItemCount();
        QMetaObject::invokeMethod(tree.view, [&] { tree.view->OnCommand(ID_EDIT_NEW_SIBLING); });
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error creating node")));
        QCOMPARE(tree.view->TreeModel()->ItemCount(), before);
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({})), QStringList{"r"});
    }

    void newChildOfADocumentWithoutRoot()
    {
        TreeFixture tree("<r/>");
        Commands commands(tree);
        tree.click(tree.item({"r"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QVERIFY(tree.document->GetDOMDocument()->documentElement().isNull());
        tree.click(tree.item({}));
        QVERIFY(commands.enabled(ID_EDIT_NEW_CHILD));
        QVERIFY(commands.manager.Execute(ID_EDIT_NEW_CHILD));
        QCOMPARE(rootXml(tree), QStringLiteral("<NewChild/>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({})), QStringList{"NewChild"});
    }

    void focusSwitchesTheEditMenu()
    {
        TreeFixture tree("<r/>");
        auto *other = new QLineEdit(tree.window.get());
        tree.window->layout()->addWidget(other);
        tree.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree.window.get()));
        other->show();
        other->setFocus();
        QCOMPARE(QApplication::focusWidget(), other);
        tree.window->editMenu = -1;
        tree.view->setFocus();
        QCOMPARE(tree.window->editMenu, 175);
    }

    void copyKeyNeverWritesTheSystemClipboard()
    {
        TreeFixture tree("<r><secret/></r>");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        tree.click(tree.item({"r", "secret"}));
        QTest::keyClick(tree.view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    void cutAndPaste()
    {
        TreeFixture tree("<r><a><x/></a><b/></r>");
        tree.CheckModel();
        Commands commands(tree);
        NotificationCounter views(tree.document.get());
        tree.click(tree.item({"r", "a"}));
        QVERIFY(!commands.enabled(ID_EDIT_PASTE));
        views.count = 0;
        QVERIFY(commands.manager.Execute(ID_EDIT_CUT));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b/></r>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), QStringList{"b"});
        // The item the tree selected in place of the cut one is current, told once.
        QCOMPARE(tree.document->GetCurrentItem(), tree.view->KeyOf(tree.view->currentIndex()));
        QVERIFY(!tree.document->GetCurrentNode().isNull());
        QCOMPARE(views.count, 1);
        QVERIFY(commands.enabled(ID_EDIT_PASTE));
        tree.click(tree.item({"r", "b"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_PASTE));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b><a><x/></a></b></r>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "b"})), QStringList{"a"});
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "b", "a"})), QStringList{"x"});
        QVERIFY(!commands.enabled(ID_EDIT_PASTE));
        // Keys through the accelerators: Ctrl+X and Ctrl+V.
        tree.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree.window.get()));
        tree.click(tree.item({"r", "b", "a", "x"}));
        QTest::keyClick(tree.view, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b><a/></b></r>"));
        tree.click(tree.item({"r"}));
        QTest::keyClick(tree.view, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b><a/></b><x/></r>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), (QStringList{"b", "x"}));
    }

    void copiesCollectUntilThePaste()
    {
        TreeFixture tree("<r><a/><b/><t/></r>");
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_COPY));
        tree.click(tree.item({"r", "b"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_COPY));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), (QStringList{"a", "b", "t"}));
        tree.click(tree.item({"r", "t"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_PASTE));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/><b/><t><a/><b/></t></r>"));
        // Every pasted element gets its item, not only the last one.
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "t"})), (QStringList{"a", "b"}));
    }

    void deleteSelectsTheTreesCaret()
    {
        TreeFixture tree("<r><a/><b/></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        tree.document->SetModifiedFlag(false);
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b/></r>"));
        QVERIFY(tree.document->IsModified());
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), QStringList{"b"});
        const QModelIndex caret = tree.view->currentIndex();
        QVERIFY(caret.isValid());
        QCOMPARE(tree.document->GetCurrentItem(), tree.view->KeyOf(caret));
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
    }

    void doctypeCutIsRefusedAndDeleteRemovesIt()
    {
        TreeFixture tree("<!DOCTYPE r [<!ELEMENT r ANY>]><r><a/></r>");
        Commands commands(tree);
        MessageRecorder messages;
        tree.click(tree.item({"<!DOCTYPE>"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_CUT));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to cut nodes.")));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({})), (QStringList{"<!DOCTYPE>", "r"}));
        QVERIFY(!commands.enabled(ID_EDIT_PASTE));
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({})), QStringList{"r"});
        QVERIFY(!tree.xml().contains(QStringLiteral("DOCTYPE")));
        QCOMPARE(tree.document->GetCurrentItem(), tree.view->KeyOf(tree.view->currentIndex()));
    }

    void pasteFromTheSystemClipboard()
    {
        TreeFixture tree("<r><a/></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        tree.view->collapse(tree.item({"r", "a"}));
        QGuiApplication::clipboard()->setText(QStringLiteral("<p><q/></p>"));
        QVERIFY(commands.manager.Execute(ID_EDIT_PASTE_CLIPBOARD));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a><p><q/></p></a></r>"));
        QVERIFY(tree.view->isExpanded(tree.view->currentIndex()));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "a"})), QStringList{"p"});
        // Text that does not parse changes nothing.
        MessageRecorder messages;
        QGuiApplication::clipboard()->setText(QStringLiteral("<p>"));
        QVERIFY(commands.manager.Execute(ID_EDIT_PASTE_CLIPBOARD));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "a"})), QStringList{"p"});
    }

    void pasteInAnotherPaneShowsTheNewElements()
    {
        // The node list pastes through the document, which tells the views; the tree shows the
        // elements that came under its current node.
        TreeFixture tree("<r><a/><b/></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_COPY));
        tree.click(tree.item({"r", "b"}));
        QVERIFY(tree.document->PasteNodes());
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "b"})), QStringList{"a"});
    }

    void contextMenu()
    {
        TreeFixture tree("<r><a/></r>");
        Commands commands(tree);
        QHash<QString, bool> states;
        const auto openAt = [&](const QPoint &pos) {
            states.clear();
            QTimer::singleShot(0, [&] {
                auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
                if (!menu)
                    return;
                for (QAction *action : menu->actions())
                    if (!action->isSeparator())
                        states.insert(action->text(), action->isEnabled());
                menu->close();
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree.view->viewport()->mapToGlobal(pos));
            QApplication::sendEvent(tree.view->viewport(), &event);
        };
        tree.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree.window.get()));
        const QModelIndex a = tree.item({"r", "a"});
        openAt(tree.view->visualRect(a).center());
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("a"));
        QCOMPARE(tree.window->focusWidget(), tree.view);
        QCOMPARE(states.value(QStringLiteral("Cu&t\tCtrl+X")), true);
        QCOMPARE(states.value(QStringLiteral("&Paste\tCtrl+V")), false);
        QCOMPARE(states.value(QStringLiteral("New")), true);
        QCOMPARE(states.value(QStringLiteral("Rename")), true);
        QVERIFY(states.contains(QStringLiteral("P&roperties")));
        QCOMPARE(states.value(QStringLiteral("P&roperties")), false); // wired by the window
        // A right-click on empty space leaves nothing current.
        openAt(QPoint(5, tree.view->viewport()->height() - 5));
        QVERIFY(!tree.view->currentIndex().isValid());
        QCOMPARE(tree.document->GetCurrentItem(), ItemKey(0));
        QCOMPARE(states.value(QStringLiteral("Cu&t\tCtrl+X")), false);
        QCOMPARE(states.value(QStringLiteral("Delete\tDel")), false);
        QCOMPARE(states.value(QStringLiteral("Paste from Clipboard")), true);
    }

    void sourceEditRebuildsAndReselects()
    {
        TreeFixture tree("<r><a/><b><c/></b></r>");
        tree.CheckModel();
        tree.click(tree.item({"r", "b", "c"}));
        const QString temp = tree.folder.write(QStringLiteral("TWRsource"), "<r><x/><b><y/><c/></b></r>");
        tree.document->SetSourceTempPath(temp);
        QVERIFY(tree.document->ReloadFromSourceTemp());
        QVERIFY(!QFile::exists(temp));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><x/><b><y/><c/></b></r>"));
        QCOMPARE(tree.document->GetNodePath(), QStringLiteral("/r/b/c/"));
        const QModelIndex current = tree.view->currentIndex();
        QCOMPARE(current.data().toString(), QStringLiteral("c"));
        QCOMPARE(tree.view->KeyOf(current), tree.document->GetCurrentItem());
        QCOMPARE(tree.document->GetCurrentNode(), tree.document->GetDOMDocument()->documentElement().lastChild().lastChild());
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), (QStringList{"x", "b"}));
    }

    void sourceTextThatDoesNotParseKeepsTreeAndSelection()
    {
        TreeFixture tree("<r><a/><b/></r>");
        MessageRecorder messages;
        tree.click(tree.item({"r", "b"}));
        const QString temp = tree.folder.write(QStringLiteral("TWRsource"), "<r><a></r>");
        tree.document->SetSourceTempPath(temp);
        QVERIFY(!tree.document->ReloadFromSourceTemp());
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error Loading/Parsing Document.")));
        QVERIFY(!QFile::exists(temp));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/><b/></r>"));
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("b"));
        QCOMPARE(tree.document->GetNodePath(), QStringLiteral("/r/b/"));
    }

    void sourceEditWithoutTheNodeSelectsNothing()
    {
        TreeFixture tree("<r><a/></r>");
        tree.click(tree.item({"r", "a"}));
        const QString temp = tree.folder.write(QStringLiteral("TWRsource"), "<r><z/></r>");
        tree.document->SetSourceTempPath(temp);
        QVERIFY(tree.document->ReloadFromSourceTemp());
        QVERIFY(!tree.view->currentIndex().isValid());
        QCOMPARE(tree.document->GetCurrentItem(), ItemKey(0));
        QCOMPARE(tree.view->TreeModel()->ItemCount(), 1);
    }

private:
    static void CNodeClipboardReset()
    {
        CWorkSpaceDoc doc;
        doc.ResetNodeClipboard();
    }
};

QTEST_MAIN(TestElementView)
#include "tst_elementview.moc"
