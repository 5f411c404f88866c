// The tree follows the document's edits whoever makes them, and the tree's commands act on what it
// shows as selected: deletes and inserts from other paths, renames, read-only entity content,
// clicks on empty space and the context menu's "Sibling Node" on the root element.
#include "treetestsupport.h"
#include "tree/elementtreemodel.h"
#include "document/xmldocument.h"
#include "framework/commandmanager.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>


class TestTreeEdits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CWorkSpaceDoc().ResetNodeClipboard(); }

    void changesFromAnyPathReachTheTree()
    {
        TreeFixture tree("<r><a><x/></a><b/><c/></r>");
        tree.CheckModel();
        auto *model = tree.view->TreeModel();
        NotificationCounter views(tree.document.get());
        const QModelIndex r = tree.item({"r"});
        QCOMPARE(labelsUnder(model, r), (QStringList{"a", "b", "c"}));

        // A delete through the document, not the tree's command: the item goes with its node.
        QVERIFY(tree.document->DeleteNode(tree.view->KeyOf(tree.item({"r", "b"}))));
        QCOMPARE(views.count, 1);
        QCOMPARE(labelsUnder(model, r), (QStringList{"a", "c"}));

        // A cut of several nodes is one edit and one notification; a paste shows the copies.
        const XmlNode root = tree.document->GetDOMDocument()->documentElement();
        QVERIFY(tree.document->PutNodesOnClipboard(true, {root.firstChild(), root.lastChild()}));
        QCOMPARE(views.count, 2);
        QCOMPARE(labelsUnder(model, r), QStringList{});
        tree.click(r);
        const int before = views.count;
        QVERIFY(tree.document->PasteNodes());
        QCOMPARE(views.count, before + 1);
        QCOMPARE(labelsUnder(model, r), (QStringList{"a", "c"}));
        QCOMPARE(labelsUnder(model, tree.item({"r", "a"})), QStringList{"x"});

        // A rename through the document shows in the label and in the status text.
        QSignalSpy status(tree.view, &CElementView::statusTextChanged);
        tree.click(tree.item({"r", "a", "x"}));
        QVERIFY(tree.document->RenameNode(tree.document->GetCurrentNode(), QStringLiteral("renamed")));
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("renamed"));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("/r/a/renamed/"));

        // An element inserted before the first child of a filled branch takes the first row.
        const XmlNode a = root.firstChild();
        tree.document->SetCurrentItem(tree.view->KeyOf(tree.item({"r", "a"})));
        CWorkSpaceDoc::NodePlace place{root.lastChild(), root, a, XmlNode()};
        QVERIFY(tree.document->PutNodeOnClipboard(true, root.lastChild()));
        tree.document->PutNodesBack({place});
        QCOMPARE(labelsUnder(model, r), (QStringList{"c", "a"}));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><c/><a><renamed/></a></r>"));
    }

    void deleteAndCutMoveTheCaretOnce()
    {
        TreeFixture tree("<r><a/><b/></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        NotificationCounter views(tree.document.get());
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(views.count, 1);
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("b"));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("b"));
        // The pages know the document changed, though the caret moved during the edit.
        QVERIFY(tree.document->ArePagesStale());
        QVERIFY(commands.manager.Execute(ID_EDIT_CUT));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("r"));
        QVERIFY(tree.document->ArePagesStale());
    }

    void entityContentIsReadOnly()
    {
        TreeFixture tree("<!DOCTYPE r [<!ENTITY e \"<b><c/></b>\">]><r><a/>&e;</r>");
        tree.CheckModel();
        Commands commands(tree);
        QSignalSpy status(tree.view, &CElementView::statusTextChanged);
        tree.click(tree.item({"r", "b", "c"}));
        // The path runs through the reference, where the element is shown.
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("/r/e/b/c/"));
        QVERIFY(commands.enabled(ID_EDIT_COPY));
        for (int id : {ID_EDIT_CUT, ID_EDIT_DELETE, ID_EDIT_RENAME})
            QVERIFY(!commands.enabled(id));
        // Asked anyway, the cut fails and leaves nothing on the clipboard to paste.
        MessageRecorder messages;
        QVERIFY(!tree.document->PutNodeOnClipboard(true, tree.document->GetCurrentNode()));
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to cut nodes.")));
        QVERIFY(tree.document->GetDOMDocument()->documentElement().lastChild().hasChildNodes());
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        tree.click(tree.item({"r", "a"}));
        QVERIFY(!commands.enabled(ID_EDIT_PASTE));
    }

    void emptySpaceClickLeavesNothingToActOn()
    {
        TreeFixture tree("<r><a/></r>");
        tree.CheckModel();
        Commands commands(tree);
        tree.click(tree.item({"r", "a"}));
        QSignalSpy status(tree.view, &CElementView::statusTextChanged);
        QTest::mouseClick(tree.view->viewport(), Qt::LeftButton, {}, QPoint(5, tree.view->viewport()->height() - 5));
        QVERIFY(!tree.view->selectionModel()->hasSelection());
        QCOMPARE(tree.document->GetCurrentItem(), ItemKey(0));
        QCOMPARE(status.last().at(0).toString(), QStringLiteral("/"));
        QVERIFY(!commands.enabled(ID_EDIT_DELETE));
        QTest::keyClick(tree.view, Qt::Key_Delete);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/></r>"));
    }

    void contextMenuSiblingOnTheRootIsReported()
    {
        TreeFixture tree("<r><a/></r>");
        tree.CheckModel();
        Commands commands(tree);
        MessageRecorder messages;
        tree.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree.window.get()));
        const QModelIndex r = tree.item({"r"});
        QTimer::singleShot(0, [] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction *entry : menu->actions()) {
                if (entry->text() != QLatin1String("New"))
                    continue;
                for (QAction *item : entry->menu()->actions()) {
                    if (item->text() == QLatin1String("Sibling Node"))
                        item->trigger();
                }
            }
            menu->close();
        });
        const QPoint pos = tree.view->visualRect(r).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree.view->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(tree.view->viewport(), &event);
        QTRY_COMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("Error creating node")));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/></r>"));
        QCOMPARE(tree.view->TreeModel()->rowCount(tree.item({})), 1);
    }

    void editsPatchTheShownRowsOfAnOpenBranch()
    {
        // Deletes, inserts, undo and redo in a long open branch with open branches inside it: the
        // view's list of shown rows, patched at each edit, is the one a full layout gives, and
        // the keys and the pointer find the rows where they are drawn.
        QByteArray xml = "<r>";
        for (int i = 0; i < 600; ++i)
            xml += "<e" + QByteArray::number(i) + "><f/><g><h/></g></e" + QByteArray::number(i) + ">";
        xml += "</r>";
        TreeFixture tree(xml);
        Commands commands(tree);
        auto *model = tree.view->TreeModel();
        const QModelIndex r = tree.item({"r"});
        labelsUnder(model, r);
        for (const char *open : {"e0", "e5", "e299", "e599"})
            tree.view->expand(tree.item({"r", open}));
        tree.view->expand(tree.item({"r", "e5", "g"}));
        QCOMPARE(tree.view->ShownRowsDifference(), QString());
        // Empty when the list is right and the caret is drawn where the pointer finds it.
        const auto check = [&] {
            QCoreApplication::processEvents();
            const QString difference = tree.view->ShownRowsDifference();
            const QModelIndex caret = tree.view->currentIndex();
            if (!difference.isEmpty() || !caret.isValid())
                return difference;
            tree.view->scrollTo(caret);
            return tree.view->indexAt(tree.view->visualRect(caret).center()) == caret ? QString() : QStringLiteral("caret misplaced");
        };
        for (const QStringList &path : {QStringList{"r", "e5"}, QStringList{"r", "e0", "g", "h"}, QStringList{"r", "e599"},
                                        QStringList{"r", "e1"}, QStringList{"r", "e299", "f"}}) {
            tree.click(tree.item(path));
            QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
            QCOMPARE(check(), QString());
        }
        QCOMPARE(model->rowCount(r), 597);
        // The caret took the next row; Down goes on from it in the order the rows are drawn.
        tree.click(tree.item({"r", "e298"}));
        tree.view->setFocus();
        QTest::keyClick(tree.view, Qt::Key_Down);
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("e299"));
        QTest::keyClick(tree.view, Qt::Key_Down);
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("g"));
        for (int i = 0; i < 5; ++i) {
            tree.document->Undo();
            QCOMPARE(check(), QString());
        }
        QCOMPARE(model->rowCount(r), 600);
        for (int i = 0; i < 3; ++i) {
            tree.document->Redo();
            QCOMPARE(check(), QString());
        }
        // A new child of a closed element and of the root, then a cut and a paste at the end.
        tree.click(tree.item({"r", "e7"}));
        QVERIFY(tree.document->CreateNode(tree.view->KeyOf(tree.item({"r", "e7"})), NodeType::Element, QStringLiteral("n"), QString()).nodeName() == QLatin1String("n"));
        QCOMPARE(check(), QString());
        tree.click(tree.item({"r", "e8"}));
        QVERIFY(commands.manager.Execute(ID_EDIT_CUT));
        QCOMPARE(check(), QString());
        tree.click(r);
        QVERIFY(commands.manager.Execute(ID_EDIT_PASTE));
        QCOMPARE(check(), QString());
        QCOMPARE(model->index(model->rowCount(r) - 1, 0, r).data().toString(), QStringLiteral("e8"));
        tree.view->collapse(r);
        tree.view->expand(r);
        QCOMPARE(check(), QString());
    }

    void undoAndRedoWithTheKeys()
    {
        TreeFixture tree("<r><a/><b><c/></b></r>");
        tree.CheckModel();
        CCommandManager manager;
        manager.SetRoute([&tree] { return QList<CCmdTarget *>{tree.view, tree.document.get()}; });
        manager.SetAcceleratorTable(tree.window.get(), 131);
        tree.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tree.window.get()));
        QVERIFY(!manager.IsEnabled(ID_EDIT_UNDO_EDIT));

        tree.click(tree.item({"r", "b", "c"}));
        QVERIFY(tree.document->RenameNode(tree.document->GetCurrentNode(), QStringLiteral("d")));
        manager.UpdateAll();
        QCOMPARE(manager.Action(ID_EDIT_UNDO_EDIT)->text(), QStringLiteral("&Undo Rename\tCtrl+Z"));
        tree.click(tree.item({"r", "a"}));
        tree.view->setFocus();
        QTest::keyClick(tree.view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/><b><c/></b></r>"));
        // The selection goes back to the node the step touched.
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("c"));
        QVERIFY(!tree.document->IsModified());
        QTest::keyClick(tree.view, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/><b><d/></b></r>"));

        // A delete taken back brings the element and its item back where they stood.
        tree.click(tree.item({"r", "a"}));
        QTest::keyClick(tree.view, Qt::Key_Delete);
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), QStringList{"b"});
        QTest::keyClick(tree.view, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), (QStringList{"a", "b"}));
        QCOMPARE(tree.view->currentIndex().data().toString(), QStringLiteral("a"));
        QTest::keyClick(tree.view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b><d/></b></r>"));
        QVERIFY(tree.document->IsModified());
    }
};

QTEST_MAIN(TestTreeEdits)
#include "tst_treeedits.moc"
