// The document's history: every kind of edit undone and redone, the modified mark across save
// points, and a long random sequence of edits taken back to the opened document and made again.
#include "document/workspacedoc.h"
#include "document/xmlnamednodemap.h"
#include "document/xmldocument.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QRandomGenerator>
#include <QStandardPaths>
#include <QUndoStack>
#include <QtTest>

#include <functional>

namespace {

QString text(CWorkSpaceDoc &doc)
{
    return doc.GetDOMDocument()->xml();
}

// Every element of the document, in document order.
QList<XmlNode> elements(CWorkSpaceDoc &doc)
{
    QList<XmlNode> found;
    QList<XmlNode> pending{doc.GetDOMDocument()->documentElement()};
    while (!pending.isEmpty()) {
        const XmlNode node = pending.takeFirst();
        found.append(node);
        QList<XmlNode> children;
        for (XmlNode c = node.firstChild(); !c.isNull(); c = c.nextSibling())
            if (c.nodeType() == NodeType::Element)
                children.append(c);
        pending = children + pending;
    }
    return found;
}

} // namespace

class TestUndo : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    void open(CWorkSpaceDoc &doc, const QByteArray &xml)
    {
        QVERIFY(doc.OnOpenDocument(m_dir.write(QStringLiteral("undo.xml"), xml)));
    }
    // Makes `node` current under key 1.
    static void current(CWorkSpaceDoc &doc, const XmlNode &node)
    {
        doc.SetItemNode(1, node);
        doc.SetCurrentItem(1);
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { CWorkSpaceDoc().ResetNodeClipboard(); }

    void eachKindOfStep_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("new element") << "New Element";
        QTest::newRow("new attribute") << "New Attribute";
        QTest::newRow("new comment") << "New Comment";
        QTest::newRow("rename element") << "Rename";
        QTest::newRow("rename attribute") << "Rename";
        QTest::newRow("rename instruction") << "Rename";
        QTest::newRow("delete") << "Delete";
        QTest::newRow("cut of several rows") << "Cut";
        QTest::newRow("paste") << "Paste";
        QTest::newRow("edit value") << "Edit Value";
        QTest::newRow("edit instruction") << "Edit Instruction";
        QTest::newRow("declaration") << "Edit Instruction";
        QTest::newRow("source edit") << "Source Edit";
    }
    void eachKindOfStep()
    {
        QFETCH(QString, name);
        const QString step = QString::fromLatin1(QTest::currentDataTag());
        CWorkSpaceDoc doc;
        open(doc, "<?xml version=\"1.0\"?>\n<?p data?>\n<r a=\"1\" b=\"2\">\n  <x>text</x>\n  <y/>\n</r>\n");
        const XmlNode r = doc.GetDOMDocument()->documentElement();
        const XmlNode x = r.firstChild().nextSibling();
        current(doc, r);
        const QString before = text(doc);
        const std::function<bool()> edits[] = {
            [&] { return !doc.CreateNode(1, NodeType::Element, QStringLiteral("NewChild"), QString()).isNull(); },
            [&] { return !doc.CreateNode(1, NodeType::Attribute, QStringLiteral("a"), QStringLiteral("v")).isNull(); },
            [&] { return !doc.CreateNode(1, NodeType::Comment, QString(), QStringLiteral("c")).isNull(); },
            [&] { return doc.RenameNode(x, QStringLiteral("renamed")); },
            [&] { return doc.RenameNode(r.getAttributeNode(QStringLiteral("a")), QStringLiteral("z")); },
            [&] { return doc.RenameNode(doc.GetDOMDocument()->documentNode().firstChild().nextSibling(), QStringLiteral("q")); },
            [&] { doc.SetItemNode(2, x); return doc.DeleteNode(2); },
            [&] { return doc.PutNodesOnClipboard(true, {r.getAttributeNode(QStringLiteral("a")), r.getAttributeNode(QStringLiteral("b")), x}); },
            [&] { doc.PutNodeOnClipboard(false, x); return doc.PasteNodes(); },
            [&] { return doc.SetNodeValue(x.firstChild(), QStringLiteral("new")); },
            [&] { return doc.ReplaceInstruction(doc.GetDOMDocument()->documentNode().firstChild().nextSibling(), QStringLiteral("p"), QStringLiteral("other")); },
            [&] { return doc.ReplaceInstruction(doc.GetDOMDocument()->documentNode().firstChild(), QStringLiteral("xml"), QStringLiteral("version=\"1.0\" standalone=\"yes\"")); },
            [&] { return doc.CommitSourceText("<r><other/></r>"); },
        };
        static const QStringList tags = {"new element", "new attribute", "new comment", "rename element", "rename attribute",
                                         "rename instruction", "delete", "cut of several rows", "paste", "edit value",
                                         "edit instruction", "declaration", "source edit"};
        QVERIFY(edits[tags.indexOf(step)]());
        const QString after = text(doc);
        QVERIFY(after != before);
        QCOMPARE(doc.UndoStack()->count(), 1);
        QCOMPARE(doc.UndoStack()->undoText(), name);
        QVERIFY(doc.IsModified());
        QVERIFY(doc.Undo());
        QCOMPARE(text(doc), before);
        QVERIFY(!doc.IsModified()); // back at the state last saved
        QVERIFY(doc.Redo());
        QCOMPARE(text(doc), after);
        QVERIFY(doc.IsModified());
        QVERIFY(doc.Undo());
        QCOMPARE(text(doc), before);
    }

    void modifiedMarkFollowsTheSavePoint()
    {
        CWorkSpaceDoc doc;
        open(doc, "<r/>");
        current(doc, doc.GetDOMDocument()->documentElement());
        QVERIFY(!doc.CreateNode(1, NodeType::Element, QStringLiteral("a"), QString()).isNull());
        QVERIFY(doc.OnSaveDocument(m_dir.filePath(QStringLiteral("saved.xml"))));
        QVERIFY(!doc.IsModified());
        QVERIFY(!doc.CreateNode(1, NodeType::Element, QStringLiteral("b"), QString()).isNull());
        QVERIFY(doc.IsModified());
        QVERIFY(doc.Undo());
        QVERIFY(!doc.IsModified());
        QVERIFY(doc.Undo()); // the history goes on past the save
        QVERIFY(doc.IsModified());
        QVERIFY(doc.Redo());
        QVERIFY(!doc.IsModified());
        // An edit after an undo drops the steps that were undone.
        QVERIFY(doc.Undo());
        QVERIFY(!doc.CreateNode(1, NodeType::Comment, QString(), QStringLiteral("c")).isNull());
        QVERIFY(!doc.UndoStack()->canRedo());
        QVERIFY(doc.IsModified());
    }

    void randomEditsUndoneToTheStartAndRedone()
    {
        const QByteArray original = "<?xml version=\"1.0\"?>\n<root a=\"1\">\n  <one x=\"y\">t</one>\n  <two><three/></two>\n</root>\n";
        CWorkSpaceDoc doc;
        open(doc, original);
        MessageRecorder messages; // refused edits (a second root, say) report and change nothing
        QRandomGenerator random(20261207);
        QStringList states{text(doc)};
        for (int i = 0; i < 300; ++i) {
            const QList<XmlNode> all = elements(doc);
            const XmlNode element = all.at(random.bounded(int(all.size())));
            current(doc, element);
            bool changed = false;
            switch (random.bounded(8)) {
            case 0: changed = !doc.CreateNode(1, NodeType::Element, QStringLiteral("e%1").arg(i), QString()).isNull(); break;
            case 1: changed = !doc.CreateNode(1, NodeType::Attribute, QStringLiteral("at"), QString::number(i)).isNull(); break;
            case 2: changed = !doc.CreateNode(1, NodeType::Text, QString(), QStringLiteral("t%1").arg(i)).isNull(); break;
            case 3: changed = doc.RenameNode(element, QStringLiteral("n%1").arg(i)); break;
            case 4:
                if (element != doc.GetDOMDocument()->documentElement())
                    changed = doc.DeleteNode(1);
                break;
            case 5: {
                const XmlNode target = all.at(random.bounded(int(all.size())));
                bool inside = false;
                for (XmlNode up = target; !up.isNull() && !inside; up = up.parentNode())
                    inside = up == element;
                if (element == doc.GetDOMDocument()->documentElement() || inside)
                    break;
                doc.ResetNodeClipboard();
                changed = doc.PutNodeOnClipboard(true, element);
                states.append(text(doc)); // the cut is a step of its own
                current(doc, target);
                changed = doc.PasteNodes() || changed;
                break;
            }
            case 6: {
                XmlNamedNodeMap attributes = element.attributes();
                const XmlNode first = attributes.nextNode();
                if (!first.isNull())
                    changed = doc.SetNodeValue(first, QStringLiteral("v%1").arg(i));
                break;
            }
            case 7:
                if (i % 50 == 7)
                    changed = doc.CommitSourceText(text(doc).toUtf8().replace("</root>", "<src/></root>"));
                break;
            }
            if (text(doc) != states.last())
                states.append(text(doc));
            Q_UNUSED(changed);
        }
        QVERIFY(states.size() > 100);
        // Each undo gives back the state before; at the start the document is as it was opened.
        QStringList seen{text(doc)};
        while (doc.UndoStack()->canUndo()) {
            QVERIFY(doc.Undo());
            if (text(doc) != seen.last())
                seen.append(text(doc));
        }
        std::reverse(seen.begin(), seen.end());
        QCOMPARE(seen, states);
        QVERIFY(!doc.IsModified());
        while (doc.UndoStack()->canRedo())
            QVERIFY(doc.Redo());
        QCOMPARE(text(doc), states.last());
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
