// The element tree's items: what gets an item, in which order and with which picture, and that
// a big or deep document is filled lazily, a branch at a time.
#include "treetestsupport.h"
#include "tree/elementtreemodel.h"
#include "resources/nodepicture.h"

#include <QAbstractItemModelTester>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

namespace {

QByteArray wideDocument(int branches, int perBranch)
{
    QByteArray xml = "<root>";
    for (int b = 0; b < branches; ++b) {
        xml += "<branch>";
        for (int i = 0; i < perBranch; ++i)
            xml += "<leaf>t</leaf>";
        xml += "</branch>";
    }
    return xml + "</root>";
}

} // namespace

class TestElementTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear();
    }

    void onlyDocumentDoctypeAndElementsAreItems()
    {
        TreeFixture tree("<?xml version=\"1.0\"?>\n<!-- before -->\n<?pi data?>\n<!DOCTYPE catalog [<!ENTITY e \"x\">]>\n"
                         "<catalog a=\"1\">text<!--c--><![CDATA[cd]]><?p q?><book><title>T</title></book>\n  <book/></catalog>\n"
                         "<!-- after -->");
        QAbstractItemModelTester tester(tree.view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModel *model = tree.view->model();
        QCOMPARE(model->rowCount(), 1);
        const QModelIndex document = model->index(0, 0);
        QCOMPARE(document.data().toString(), QStringLiteral("Document"));
        QCOMPARE(document.data(Qt::DecorationRole).value<QIcon>().cacheKey(), NodePicture(132).cacheKey());
        QCOMPARE(tree.item({}), document);
        QCOMPARE(labelsUnder(model, document), (QStringList{"<!DOCTYPE>", "catalog"}));
        QCOMPARE(tree.item({"<!DOCTYPE>"}).data(Qt::DecorationRole).value<QIcon>().cacheKey(), NodePicture(138).cacheKey());
        QCOMPARE(tree.item({"catalog"}).data(Qt::DecorationRole).value<QIcon>().cacheKey(), NodePicture(133).cacheKey());
        QCOMPARE(labelsUnder(model, tree.item({"catalog"})), (QStringList{"book", "book"}));
        QCOMPARE(labelsUnder(model, tree.item({"catalog", "book"})), QStringList{"title"});
        QVERIFY(!model->hasChildren(tree.item({"catalog", "book", "title"})));
        QVERIFY(!model->hasChildren(tree.item({"<!DOCTYPE>"})));
        // Every shown item is bound to its node in the document's item table.
        const auto *treeModel = tree.view->TreeModel();
        const QModelIndex title = tree.item({"catalog", "book", "title"});
        QCOMPARE(tree.document->GetItemNode(treeModel->KeyOf(title)).nodeName(), QStringLiteral("title"));
        QCOMPARE(tree.document->GetItemNode(treeModel->KeyOf(document)).nodeType(), int(NodeType::Document));
    }

    void initialBuildSelectsNothingAndClearsModified()
    {
        // A new document is marked modified by the document; its first build clears that.
        CWorkSpaceDoc fresh;
        fresh.OnNewDocument();
        QVERIFY(fresh.IsModified());
        CElementView view(&fresh);
        view.OnInitialUpdate();
        QVERIFY(!fresh.IsModified());
        QVERIFY(!view.currentIndex().isValid());
        QCOMPARE(fresh.GetCurrentItem(), ItemKey(0));
        QCOMPARE(labelsUnder(view.model(), view.model()->index(0, 0)), QStringList{"rootnode"});
    }

    void unexpandedBranchesHaveNoItems()
    {
        TreeFixture tree(wideDocument(40, 100)); // 4041 elements
        const auto *model = tree.view->TreeModel();
        QCOMPARE(model->ItemCount(), 1);
        QVERIFY(model->hasChildren(model->index(0, 0)));
        QCOMPARE(model->ItemCount(), 1); // asking whether there are children makes none
        tree.view->expand(model->index(0, 0));
        QCOMPARE(model->ItemCount(), 2);
        const QModelIndex root = model->index(0, 0, model->index(0, 0));
        tree.view->expand(root);
        QCOMPARE(model->rowCount(root), 40);
        QCOMPARE(model->ItemCount(), 42);
        tree.view->expand(model->index(3, 0, root));
        QCOMPARE(model->ItemCount(), 142);
    }

    void wideBranchFillsAsItIsScrolled()
    {
        TreeFixture tree(wideDocument(1, 2000));
        auto *model = tree.view->TreeModel();
        const QModelIndex branch = tree.item({"root", "branch"});
        // item() fetched everything; a fresh build shows how the view fills by itself.
        tree.view->OnInitialUpdate();
        const QModelIndex document = model->index(0, 0);
        tree.view->expand(document);
        QCoreApplication::processEvents();
        const QModelIndex root = model->index(0, 0, document);
        tree.view->expand(root);
        QCoreApplication::processEvents();
        const QModelIndex fresh = model->index(0, 0, root);
        tree.view->expand(fresh);
        QCoreApplication::processEvents();
        // The view asks for batches until its window is full, not for the whole branch.
        QVERIFY(model->rowCount(fresh) >= int(CElementTreeModel::BatchSize));
        QVERIFY(model->rowCount(fresh) < 2000);
        QVERIFY(model->canFetchMore(fresh));
        QScrollBar *bar = tree.view->verticalScrollBar();
        for (int i = 0; i < 50 && model->canFetchMore(fresh); ++i) {
            tree.view->scrollToBottom();
            QCoreApplication::processEvents();
            bar->setValue(bar->maximum());
        }
        QCOMPARE(model->rowCount(fresh), 2000);
        QVERIFY(!model->canFetchMore(fresh));
        Q_UNUSED(branch);
    }

    void elementAppendedToALongBranchGetsItsItemAtOnce()
    {
        TreeFixture tree(wideDocument(1, 3000));
        auto *model = tree.view->TreeModel();
        const QModelIndex document = model->index(0, 0);
        model->fetchMore(document);
        const QModelIndex root = model->index(0, 0, document);
        model->fetchMore(root);
        const QModelIndex branch = model->index(0, 0, root);
        model->fetchMore(branch);
        XmlNode branchNode = model->NodeOf(branch);
        XmlNode added = branchNode.appendChild(tree.document->GetDOMDocument()->createElement(QStringLiteral("added")));
        const QModelIndex index = model->IndexForNode(added);
        QVERIFY(index.isValid());
        QCOMPARE(index.data().toString(), QStringLiteral("added"));
        QVERIFY(model->ItemCount() < 1000); // the three thousand siblings before it are not made
        QCOMPARE(index.row(), model->rowCount(branch) - 1);
        // The filling puts the siblings before it, takes it as an ordinary child, and goes on
        // to what was appended after it.
        XmlNode later = branchNode.appendChild(tree.document->GetDOMDocument()->createElement(QStringLiteral("later")));
        const QStringList labels = labelsUnder(model, branch);
        QCOMPARE(labels.size(), 3002);
        QCOMPARE(labels.mid(3000), (QStringList{"added", "later"}));
        QCOMPARE(labels.count(QStringLiteral("leaf")), 3000);
        model->AddAppendedChildren(branch);
        QCOMPARE(model->rowCount(branch), 3002);
        QCOMPARE(model->IndexForNode(later).row(), 3001);
        QCOMPARE(model->IndexForNode(added).row(), 3000);
    }

    void removingAnItemMadeAheadOfTheFilling()
    {
        TreeFixture tree(wideDocument(1, 1000));
        auto *model = tree.view->TreeModel();
        const QModelIndex document = model->index(0, 0);
        model->fetchMore(document);
        const QModelIndex root = model->index(0, 0, document);
        model->fetchMore(root);
        const QModelIndex branch = model->index(0, 0, root);
        model->fetchMore(branch);
        XmlNode branchNode = model->NodeOf(branch);
        XmlNode added = branchNode.appendChild(tree.document->GetDOMDocument()->createElement(QStringLiteral("added")));
        model->RemoveItem(model->IndexForNode(added));
        branchNode.removeChild(added);
        QCOMPARE(labelsUnder(model, branch), QStringList(1000, QStringLiteral("leaf")));
    }

    void deepDocumentBuildsAndExpandsWithoutRecursion()
    {
        const int depth = 10000;
        QByteArray xml;
        for (int i = 0; i < depth; ++i)
            xml += "<e>";
        xml += "<last/>";
        for (int i = 0; i < depth; ++i)
            xml += "</e>";
        TreeFixture tree(xml);
        auto *model = tree.view->TreeModel();
        XmlNode deepest = tree.document->GetDOMDocument()->documentElement();
        while (!deepest.firstChild().isNull())
            deepest = deepest.firstChild();
        QCOMPARE(deepest.nodeName(), QStringLiteral("last"));
        const QModelIndex index = model->IndexForNode(deepest);
        QVERIFY(index.isValid());
        QCOMPARE(model->ItemCount(), depth + 2);
        tree.view->SelectItem(index);
        QCOMPARE(tree.document->GetCurrentNode(), deepest);
        QVERIFY(tree.document->GetNodePath().endsWith(QStringLiteral("/e/e/last/")));
        tree.view->OnInitialUpdate(); // drops ten thousand nested items
        QCOMPARE(model->ItemCount(), 1);
    }

    void elementsInsideEntityReferencesShowUnderTheirElement()
    {
        TreeFixture tree("<!DOCTYPE r [<!ENTITY e \"<b><c/></b>\">]><r><a/>&e;<d/></r>");
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r"})), (QStringList{"a", "b", "d"}));
        QCOMPARE(labelsUnder(tree.view->model(), tree.item({"r", "b"})), QStringList{"c"});
        // They belong to the entity's definition: no renaming, dragging or dropping there.
        for (const QStringList &labels : {QStringList{"r", "b"}, QStringList{"r", "b", "c"}})
            QCOMPARE(tree.view->model()->flags(tree.item(labels)), Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        QVERIFY(tree.view->model()->flags(tree.item({"r", "d"})) & Qt::ItemIsEditable);
    }

    void appendedElementsAreAddedOnlyOnce()
    {
        TreeFixture tree("<r><a/><b/></r>");
        auto *model = tree.view->TreeModel();
        const QModelIndex r = tree.item({"r"});
        XmlNode rNode = model->NodeOf(r);
        rNode.appendChild(tree.document->GetDOMDocument()->createElement(QStringLiteral("c")));
        rNode.appendChild(tree.document->GetDOMDocument()->createTextNode(QStringLiteral("t")));
        model->AddAppendedChildren(r);
        model->AddAppendedChildren(r);
        QCOMPARE(labelsUnder(model, r), (QStringList{"a", "b", "c"}));
        // After the last child item left, filling goes on from the one before it.
        model->RemoveItem(model->index(2, 0, r));
        rNode.appendChild(tree.document->GetDOMDocument()->createElement(QStringLiteral("d")));
        model->AddAppendedChildren(r);
        QCOMPARE(labelsUnder(model, r), (QStringList{"a", "b", "c", "d"}));
    }

    void keysOfRemovedItemsLeaveTheItemTable()
    {
        TreeFixture tree("<r><a><b/></a></r>");
        auto *model = tree.view->TreeModel();
        const ItemKey a = model->KeyOf(tree.item({"r", "a"}));
        const ItemKey b = model->KeyOf(tree.item({"r", "a", "b"}));
        model->RemoveItem(model->IndexOfKey(a));
        QVERIFY(tree.document->GetItemNode(a).isNull());
        QVERIFY(tree.document->GetItemNode(b).isNull());
        QVERIFY(!model->IndexOfKey(b).isValid());
        // Keys are never used again: a new item never answers to an old key.
        const QModelIndex fresh = tree.item({"r"});
        QVERIFY(model->KeyOf(fresh) != a && model->KeyOf(fresh) != b);
    }

    void entityReferencePutBackShowsItsElements()
    {
        TreeFixture tree("<!DOCTYPE r [<!ENTITY e \"<b><c/></b>\">]><r><a/>&e;<d/></r>");
        auto *model = tree.view->TreeModel();
        QCOMPARE(labelsUnder(model, tree.item({"r"})), (QStringList{"a", "b", "d"}));
        const XmlNode reference = tree.document->GetDOMDocument()->documentElement().firstChild().nextSibling();
        QVERIFY(tree.document->DeleteNodes({reference}));
        QCOMPARE(labelsUnder(model, tree.item({"r"})), (QStringList{"a", "d"}));
        QVERIFY(tree.document->Undo());
        QCOMPARE(labelsUnder(model, tree.item({"r"})), (QStringList{"a", "b", "d"}));
        QCOMPARE(labelsUnder(model, tree.item({"r", "b"})), QStringList{"c"});
    }
};

QTEST_MAIN(TestElementTreeModel)
#include "tst_elementtreemodel.moc"
