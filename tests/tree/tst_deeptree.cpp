// Edits under a branch opened hundreds of levels deep: the tree reports removals there as a change
// of layout, and draws only the branch lines in sight. Both must leave the tree, the caret and
// the picture as they are for a shallow document.
#include "treetestsupport.h"
#include "tree/elementtreemodel.h"
#include "tree/treebranchstyle.h"
#include "resources/commandids.h"

#include <QProxyStyle>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {

// A chain of `depth` elements e0/e1/..., the last holding a, b (with a child) and c; with
// `siblings`, every element of the chain but the first is followed by an <s/>.
QByteArray chain(int depth, bool siblings = false)
{
    QByteArray xml;
    for (int i = 0; i < depth; ++i)
        xml += "<e" + QByteArray::number(i) + '>';
    xml += "<a/><b><x/></b><c/>";
    for (int i = depth - 1; i >= 0; --i)
        xml += "</e" + QByteArray::number(i) + '>' + (siblings && i > 0 ? "<s/>" : "");
    return xml;
}

QStringList chainLabels(int depth)
{
    QStringList labels;
    for (int i = 0; i < depth; ++i)
        labels << QStringLiteral("e%1").arg(i);
    return labels;
}

} // namespace

class TestDeepTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A style that draws a line for every level, not only the arrows; the trees take the
        // application's style when the first is made.
        QApplication::setStyle(QStringLiteral("Windows"));
    }
    void init() { CWorkSpaceDoc().ResetNodeClipboard(); }

    void removalsMoveTheCaretAtAnyDepth_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("asLayout");
        QTest::newRow("shallow: rows removed") << 2 << false;
        QTest::newRow("deep: a change of layout") << 300 << true;
    }

    void removalsMoveTheCaretAtAnyDepth()
    {
        QFETCH(int, depth);
        QFETCH(bool, asLayout);
        TreeFixture tree(chain(depth));
        Commands commands(tree);
        const QStringList bottom = chainLabels(depth);
        tree.view->expand(tree.item(bottom + QStringList{"b"}));
        tree.CheckModel();
        auto *model = tree.view->TreeModel();
        QSignalSpy layouts(model, &CElementTreeModel::rowsLeftInLayout);
        QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);
        const int items = model->ItemCount();

        // The caret on a removed row moves to the next row, then to the one before, then up.
        // Deeper than the tree is wide, items are reached with the keys, not clicked.
        tree.view->SelectItem(tree.item(bottom + QStringList{"b"}));
        QPersistentModelIndex tracked = tree.item(bottom + QStringList{"c"});
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("c"));
        QCOMPARE(tree.view->currentIndex(), QModelIndex(tracked));
        QCOMPARE(tracked.row(), 1);
        QVERIFY(tree.view->selectionModel()->isSelected(tracked));
        QCOMPARE(model->ItemCount(), items - 2);
        QCOMPARE(layouts.count(), asLayout ? 1 : 0);
        QCOMPARE(removed.count(), asLayout ? 0 : 1);
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("a"));
        QVERIFY(!tracked.isValid());
        QVERIFY(commands.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), bottom.last());
        QCOMPARE(tree.view->currentIndex().data().toString(), bottom.last());
        QCOMPARE(model->rowCount(tree.view->currentIndex()), 0);

        // Undone, the elements come back with their items and the caret on the last one.
        for (int i = 0; i < 3; ++i)
            QVERIFY(tree.document->Undo());
        QCOMPARE(labelsUnder(model, tree.item(bottom)), (QStringList{"a", "b", "c"}));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), QStringLiteral("b"));
        QCOMPARE(tree.view->ShownRowsDifference(), QString());

        // A caret inside the removed branch leaves nothing current; the branch's parent stays.
        tree.view->SelectItem(tree.item(bottom + QStringList{"b", "x"}));
        const QModelIndex middle = tree.item(bottom.mid(0, depth / 2 + 1));
        const QString above = middle.parent().data().toString();
        QVERIFY(tree.document->DeleteNode(tree.view->KeyOf(middle)));
        QCOMPARE(tree.document->GetCurrentItem(), ItemKey(0));
        QVERIFY(!tree.view->currentIndex().isValid());
        QVERIFY(tree.item(bottom.mid(0, depth / 2)).isValid());
        QCOMPARE(tree.item(bottom.mid(0, depth / 2)).data().toString(), above);
        QVERIFY(!tree.item(bottom).isValid());
        QCOMPARE(model->ItemCount(), depth / 2 + 1);
        QCOMPARE(tree.view->ShownRowsDifference(), QString());

        // The view is whole again: every row it lays out is a row of the model.
        tree.view->SelectItem(tree.item(bottom.mid(0, depth / 2)));
        QCOMPARE(tree.document->GetCurrentNode().nodeName(), above);
        const QModelIndex current = tree.view->currentIndex();
        QVERIFY(!tree.view->indexBelow(current).isValid());
        QCOMPARE(tree.view->indexAbove(current), current.parent());
    }

    void deepRowsLookTheSame()
    {
        // The tree draws the branch lines of rows nested deeper than it is wide itself; the
        // picture is the item view's, the lines of the levels in sight and their siblings.
        constexpr int depth = 200;
        TreeFixture tree(chain(depth, true));
        auto *style = qobject_cast<QProxyStyle *>(tree.view->style());
        QVERIFY(style);
        QCOMPARE(style->baseStyle()->name().toLower(), QStringLiteral("windows"));
        QVERIFY(depth / 2 * tree.view->indentation() > tree.view->viewport()->width() + 64 * tree.view->indentation());
        const QModelIndex deepest = tree.item(chainLabels(depth) + QStringList{"b"});
        tree.view->expand(deepest);
        QTreeView plain;
        plain.setHeaderHidden(true);
        plain.setUniformRowHeights(true);
        plain.setIconSize(tree.view->iconSize());
        plain.setModel(tree.view->model());
        plain.resize(tree.view->size());
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        for (QModelIndex above = deepest; above.isValid(); above = above.parent())
            plain.expand(above);
        for (const QModelIndex &shown : {deepest, tree.item(chainLabels(depth / 2))}) {
            for (QTreeView *view : {static_cast<QTreeView *>(tree.view), &plain}) {
                view->selectionModel()->select(shown, QItemSelectionModel::ClearAndSelect);
                view->scrollTo(shown, QAbstractItemView::PositionAtCenter);
            }
            QCOMPARE(tree.view->verticalScrollBar()->value(), plain.verticalScrollBar()->value());
            QCOMPARE(tree.view->viewport()->grab().toImage(), plain.viewport()->grab().toImage());
        }
    }
};

QTEST_MAIN(TestDeepTree)
#include "tst_deeptree.moc"
