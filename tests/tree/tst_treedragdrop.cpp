// Dragging elements within one element tree and between the trees of two documents, and
// dropping node-list rows onto a tree: what moves, what is refused, and that a refused or failed
// drop loses nothing.
#include "treetestsupport.h"
#include "tree/elementtreemodel.h"
#include "tree/nodedragdata.h"
#include "tree/nodemove.h"
#include "document/xmldocument.h"
#include "document/xmlnamednodemap.h"
#include "common/messagerecorder.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

// A whole drag as the two trees see it: the source starts it, the target takes the drop, the
// source hears how it ended.
bool dragAndDrop(TreeFixture &source, const QModelIndex &dragged, TreeFixture &target, const QModelIndex &onto)
{
    std::unique_ptr<CNodeDragData> data(source.view->BeginDrag(dragged));
    if (!data)
        return false;
    const bool moved = target.view->DropNodes(*data, onto);
    source.view->FinishDrag(moved);
    return moved;
}

QList<XmlNode> attributesOf(const XmlNode &element)
{
    QList<XmlNode> attributes;
    XmlNamedNodeMap map = element.attributes();
    for (XmlNode a = map.nextNode(); !a.isNull(); a = map.nextNode())
        attributes << a;
    return attributes;
}

const QString SubtreeMessage = QStringLiteral("Cannot move element: The destination is a sub-element of the source element. ");

} // namespace

class TestTreeDragDrop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }

    void cleanup()
    {
        CWorkSpaceDoc::SetDragging(false);
    }

    void moveWithinOneDocument()
    {
        TreeFixture tree("<r><a><x/></a><b/></r>");
        tree.CheckModel();
        MessageRecorder messages;
        tree.click(tree.item({"r", "a"}));
        QVERIFY(dragAndDrop(tree, tree.item({"r", "a"}), tree, tree.item({"r", "b"})));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b><a><x/></a></b></r>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), QStringList{"b"});
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "b"})), QStringList{"a"});
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "b", "a"})), QStringList{"x"});
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("b"));
        QCOMPARE(tree.view->currentIndex(), tree.item({"r", "b"}));
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        QVERIFY(!CWorkSpaceDoc::IsDragging());
        QCOMPARE(messages.count(), 0);
    }

    void dropOntoItselfOrItsParentMovesNothingSilently()
    {
        TreeFixture tree("<r><a><x/></a><b/></r>");
        tree.CheckModel();
        MessageRecorder messages;
        for (const QStringList &onto : {QStringList{"r", "a", "x"}, QStringList{"r", "a"}}) {
            tree.click(tree.item({"r", "b"}));
            tree.document->PutNodeOnClipboard(false, tree.view->TreeModel()->NodeOf(tree.item({"r", "b"})));
            QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
            QVERIFY(!dragAndDrop(tree, tree.item({"r", "a", "x"}), tree, tree.item(onto)));
            QCOMPARE(rootXml(tree), QStringLiteral("<r><a><x/></a><b/></r>"));
            // The dragged item is selected again and the node clipboard is empty.
            QCOMPARE(tree.view->currentIndex(), tree.item({"r", "a", "x"}));
            QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("x"));
            QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        }
        QCOMPARE(messages.count(), 0);
    }

    void dropIntoItsOwnSubtreeIsRefusedWithAMessage()
    {
        TreeFixture tree("<r><a><x><y/></x></a></r>");
        tree.CheckModel();
        MessageRecorder messages;
        QVERIFY(!dragAndDrop(tree, tree.item({"r", "a"}), tree, tree.item({"r", "a", "x", "y"})));
        QCOMPARE(messages.count(), 1);
        QCOMPARE(messages.lastText(), SubtreeMessage);
        QCOMPARE(messages.boxes().last().style, MB::IconInformation);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a><x><y/></x></a></r>"));
        QCOMPARE(tree.view->currentIndex(), tree.item({"r", "a"}));
    }

    void dropOntoDocumentOrDoctypeMovesNothing()
    {
        TreeFixture tree("<!DOCTYPE r><r><a/></r>");
        tree.CheckModel();
        MessageRecorder messages;
        NotificationCounter views(tree.document.get());
        for (const QStringList &onto : {QStringList{}, QStringList{"<!DOCTYPE>"}}) {
            QVERIFY(!dragAndDrop(tree, tree.item({"r", "a"}), tree, tree.item(onto)));
            QCOMPARE(rootXml(tree), QStringLiteral("<r><a/></r>"));
            QCOMPARE(tree.view->currentIndex(), tree.item({"r", "a"}));
        }
        // Onto empty space as well.
        QVERIFY(!dragAndDrop(tree, tree.item({"r", "a"}), tree, QModelIndex()));
        QCOMPARE(rootXml(tree), QStringLiteral("<r><a/></r>"));
        QCOMPARE(messages.count(), 0);
        QVERIFY(!tree.document->IsModified() || rootXml(tree) == QStringLiteral("<r><a/></r>"));
    }

    void onlyElementsCanBeDragged()
    {
        TreeFixture tree("<!DOCTYPE r><r/>");
        tree.CheckModel();
        QVERIFY(!tree.view->BeginDrag(tree.item({})));
        QVERIFY(!tree.view->BeginDrag(tree.item({"<!DOCTYPE>"})));
        QVERIFY(!CWorkSpaceDoc::IsDragging());
    }

    void moveToAnotherDocument()
    {
        TreeFixture source("<r><a><x/></a><b/></r>");
        source.CheckModel();
        TreeFixture target("<s><t><u/></t></s>");
        tree_select(source, {"r", "a"});
        QVERIFY(dragAndDrop(source, source.item({"r", "a"}), target, target.item({"s", "t"})));
        QCOMPARE(rootXml(source), QStringLiteral("<r><b/></r>"));
        QCOMPARE(rootXml(target), QStringLiteral("<s><t><u/><a><x/></a></t></s>"));
        QCOMPARE(labelsUnder(source.view->model(), source.item({"r"})), QStringList{"b"});
        QCOMPARE(labelsUnder(target.view->model(), target.item({"s", "t"})), (QStringList{"u", "a"}));
        QCOMPARE(labelsUnder(target.view->model(), target.item({"s", "t", "a"})), QStringList{"x"});
        QCOMPARE(target.document->GetCurrentNode().nodeName(), QStringLiteral("t"));
        QVERIFY(source.document->IsModified());
        QVERIFY(target.document->IsModified());
        // The source's caret moved off the item that left, and that item's key is gone.
        QVERIFY(source.view->currentIndex().isValid());
        QCOMPARE(source.document->GetCurrentItem(), source.view->KeyOf(source.view->currentIndex()));
    }

    void dragEventsShowWhereADropIsTaken()
    {
        TreeFixture tree("<r><a><x/></a><b/></r>");
        tree.CheckModel();
        tree.click(tree.item({"r", "a"}));
        const QModelIndex x = tree.item({"r", "a", "x"});
        const QModelIndex b = tree.item({"r", "b"});
        const QModelIndex document = tree.item({});
        std::unique_ptr<CNodeDragData> data(tree.view->BeginDrag(tree.item({"r", "a"})));
        QVERIFY(CWorkSpaceDoc::IsDragging());
        NotificationCounter views(tree.document.get());
        QSignalSpy status(tree.view, &CElementView::statusTextChanged);
        QWidget *viewport = tree.view->viewport();
        const Qt::DropActions actions = Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(tree.view->visualRect(b).center(), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        QVERIFY(enter.isAccepted());
        const auto moveOver = [&](const QModelIndex &index) {
            QDragMoveEvent move(tree.view->visualRect(index).center(), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
            return std::make_pair(move.isAccepted(), move.dropAction());
        };
        QCOMPARE(moveOver(b), std::make_pair(true, Qt::MoveAction));
        // Hovering selects the item, telling nobody.
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("b"));
        QCOMPARE(views.count, 0);
        QCOMPARE(status.count(), 0);
        QCOMPARE(moveOver(x).first, true);
        QCOMPARE(moveOver(x).second, Qt::LinkAction); // shown as "no", but the release is heard
        QCOMPARE(moveOver(document).first, false);
        QCOMPARE(moveOver(tree.item({"r", "a"})).first, false);
        // Release over b: the element moves there.
        QDropEvent drop(tree.view->visualRect(b).center(), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(drop.dropAction(), Qt::MoveAction);
        QVERIFY(!CWorkSpaceDoc::IsDragging());
        tree.view->FinishDrag(true);
        QCOMPARE(rootXml(tree), QStringLiteral("<r><b><a><x/></a></b></r>"));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), QStringList{"b"});
    }

    void dragThatLeavesPutsTheCaretBack()
    {
        TreeFixture source("<r><a/></r>");
        source.CheckModel();
        TreeFixture target("<s><t/><u/></s>");
        target.click(target.item({"s", "t"}));
        const ItemKey before = target.document->GetCurrentItem();
        std::unique_ptr<CNodeDragData> data(source.view->BeginDrag(source.item({"r", "a"})));
        const QPoint over = target.view->visualRect(target.item({"s", "u"})).center();
        QDragEnterEvent enter(over, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target.view->viewport(), &enter);
        QDragMoveEvent move(over, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target.view->viewport(), &move);
        QCOMPARE(target.document->GetCurrentNode().nodeName(), QStringLiteral("u"));
        QDragLeaveEvent leave;
        QApplication::sendEvent(target.view->viewport(), &leave);
        QCOMPARE(target.document->GetCurrentItem(), before);
        QCOMPARE(target.view->currentIndex(), target.item({"s", "t"}));
        source.view->FinishDrag(false);
        QCOMPARE(rootXml(target), QStringLiteral("<s><t/><u/></s>"));
        QCOMPARE(rootXml(source), QStringLiteral("<r><a/></r>"));
    }

    void releaseOverOwnSubtreeReachesTheTarget()
    {
        TreeFixture tree("<r><a><x/></a></r>");
        tree.CheckModel();
        MessageRecorder messages;
        const QModelIndex x = tree.item({"r", "a", "x"});
        std::unique_ptr<CNodeDragData> data(tree.view->BeginDrag(tree.item({"r", "a"})));
        const QPoint over = tree.view->visualRect(x).center();
        QDragEnterEvent enter(over, Qt::MoveAction | Qt::LinkAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.view->viewport(), &enter);
        QDragMoveEvent move(over, Qt::MoveAction | Qt::LinkAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.view->viewport(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(over, Qt::MoveAction | Qt::LinkAction, data.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree.view->viewport(), &drop);
        QVERIFY(!drop.isAccepted());
        tree.view->FinishDrag(false);
        QCOMPARE(messages.lastText(), SubtreeMessage);
        QCOMPARE(tree.view->currentIndex(), tree.item({"r", "a"}));
    }

    void nodeListRowsMoveOntoAnElementOfAnotherDocument()
    {
        TreeFixture source("<r x=\"1\" y=\"2\">text<!--c--><a/></r>");
        source.CheckModel();
        TreeFixture target("<s><t/></s>");
        const QModelIndex r = source.item({"r"});
        source.click(r);
        const XmlNode element = source.view->TreeModel()->NodeOf(r);
        QList<XmlNode> rows = attributesOf(element);
        rows << element.firstChild() << element.firstChild().nextSibling();
        CWorkSpaceDoc::SetDragging(true);
        CNodeDragData data(source.document.get(), rows, true, source.view->KeyOf(r));
        NotificationCounter sourceViews(source.document.get());
        QVERIFY(target.view->DropNodes(data, target.item({"s", "t"})));
        QCOMPARE(rootXml(source), QStringLiteral("<r><a/></r>"));
        QCOMPARE(rootXml(target), QStringLiteral("<s><t x=\"1\" y=\"2\">text<!--c--></t></s>"));
        QCOMPARE(target.document->GetCurrentNode().nodeName(), QStringLiteral("t"));
        QCOMPARE(source.document->GetCurrentNode(), element); // the rows' element, for its node list
        QVERIFY(sourceViews.count >= 1);
        QVERIFY(!CWorkSpaceDoc::IsDragging());
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
    }

    void nodeListRowsAreNotCutForATargetThatCannotTakeThem()
    {
        TreeFixture tree("<!DOCTYPE r><r x=\"1\">text</r>");
        tree.CheckModel();
        MessageRecorder messages;
        const QModelIndex r = tree.item({"r"});
        const XmlNode element = tree.view->TreeModel()->NodeOf(r);
        QList<XmlNode> rows = attributesOf(element);
        rows << element.firstChild();
        for (const QStringList &onto : {QStringList{}, QStringList{"<!DOCTYPE>"}}) {
            CNodeDragData data(tree.document.get(), rows, true, tree.view->KeyOf(r));
            CWorkSpaceDoc::SetDragging(true);
            QVERIFY(!tree.view->DropNodes(data, tree.item(onto)));
            QCOMPARE(rootXml(tree), QStringLiteral("<r x=\"1\">text</r>"));
        }
        QCOMPARE(messages.count(), 0);
    }

    void entityContentTakesNoDrop()
    {
        // The content of an entity reference belongs to the entity's definition.
        TreeFixture tree("<!DOCTYPE r [<!ENTITY e \"<b/>\">]><r><a>t</a>&e;</r>");
        tree.CheckModel();
        MessageRecorder messages;
        const QString before = rootXml(tree);
        const QModelIndex b = tree.item({"r", "b"});
        QVERIFY(b.isValid());
        QVERIFY(!tree.view->BeginDrag(b));
        QVERIFY(!dragAndDrop(tree, tree.item({"r", "a"}), tree, b));
        QCOMPARE(rootXml(tree), before);
        QCOMPARE(messages.count(), 0);
    }

    void failedPastePutsTheNodesBack()
    {
        // A paste under the content of an entity reference fails after the cut; everything cut
        // goes back where it was.
        TreeFixture tree("<!DOCTYPE r [<!ENTITY e \"<b/>\">]><r k=\"v\"><a>t</a>&e;<c/></r>");
        tree.CheckModel();
        MessageRecorder messages;
        const QString before = rootXml(tree);
        const ItemKey b = tree.view->KeyOf(tree.item({"r", "b"}));
        const XmlNode a = tree.view->TreeModel()->NodeOf(tree.item({"r", "a"}));
        QVERIFY(!CNodeMove::Run(tree.document.get(), {a}, tree.document.get(), b));
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(QStringLiteral("Unable to paste items.")));
        QCOMPARE(rootXml(tree), before);
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        // Rows as well: the attribute and the text come back to their element.
        const XmlNode element = tree.document->GetDOMDocument()->documentElement();
        QList<XmlNode> rows = attributesOf(element);
        rows << a.firstChild();
        QVERIFY(!CNodeMove::Run(tree.document.get(), rows, tree.document.get(), b));
        QCOMPARE(rootXml(tree), before);
    }

private:
    static void tree_select(TreeFixture &tree, const QStringList &labels) { tree.click(tree.item(labels)); }
};

QTEST_MAIN(TestTreeDragDrop)
#include "tst_treedragdrop.moc"
