// The "Nodes" page: its rows, its commands with their enabling rules, renaming in place, the
// Edit Node round trip, the context menu and the view modes, driven with real key and mouse
// events through the command route and the document accelerators.
#include "panes/editnodedlg.h"
#include "panes/modaldialogrunner.h"
#include "panes/nodelistcontrol.h"
#include "panes/nodelistfiller.h"
#include "panes/nodepage.h"
#include "document/edittransaction.h"
#include "document/workspacedoc.h"
#include "document/xmldocument.h"
#include "document/xmlnamednodemap.h"
#include "document/xmlnodelist.h"
#include "framework/cmdui.h"
#include "framework/commandmanager.h"
#include "framework/panefocus.h"
#include "framework/viewbase.h"
#include "resources/commandids.h"
#include "common/messagerecorder.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

// The window the page sits in; it records the edit-menu switches the page asks for.
class Host : public QWidget, public CEditMenuSwitchTarget
{
public:
    void OnEditMenuSwitch(int menuResource) override { switches.append(menuResource); }
    QList<int> switches;
};

// Tells the page of every document notification, as the node pane does.
class PageView : public CViewBase
{
public:
    explicit PageView(CNodePage *page) : m_page(page) {}
    void OnUpdate(CViewBase *, long, QObject *) override { m_page->OnKickIdle(); }

private:
    CNodePage *m_page;
};

struct Fixture
{
    MessageRecorder messages;
    CCommandManager manager;
    CWorkSpaceDoc doc;
    Host host;
    CNodePage *page;
    std::unique_ptr<PageView> view;

    explicit Fixture(const QString &xml, QSize size = QSize(520, 400))
    {
        doc.ResetNodeClipboard();
        loaded = doc.GetDOMDocument()->loadXML(xml);
        page = new CNodePage(&host);
        page->SetDocument(&doc);
        view = std::make_unique<PageView>(page);
        doc.AddView(view.get());
        manager.SetRoute([this] { return QList<CCmdTarget *>{page}; });
        manager.SetAcceleratorTable(&host, 131);
        host.resize(size);
        page->setGeometry(host.rect());
        host.show();
        shown = QTest::qWaitForWindowActive(&host);
    }
    ~Fixture() { doc.RemoveView(view.get()); }

    bool ok() const { return loaded && shown; }
    XmlNode root() const { return doc.GetDOMDocument()->documentElement(); }
    XmlNode documentNode() const { return doc.GetDOMDocument()->documentNode(); }

    // What the element tree does when the user picks a node.
    void select(const XmlNode &node)
    {
        ItemKey key = doc.GetItemKey(node);
        if (!key) {
            key = ++lastKey;
            doc.SetItemNode(key, node);
        }
        doc.SetCurrentItem(key);
        doc.UpdateAllViews(nullptr, 0, nullptr);
    }

    CNodeListControl *list() const { return page->ListControl(); }
    QAbstractItemView *itemView() const { return list()->CurrentView(); }
    QStringList rows() const
    {
        QStringList out;
        for (int row = 0; row < list()->RowCount(); ++row)
            out << list()->RowText(row, 0) + QLatin1Char('|') + list()->RowText(row, 1) + QLatin1Char('|') + list()->RowText(row, 2);
        return out;
    }
    QStringList labels() const
    {
        QStringList out;
        for (int row = 0; row < list()->RowCount(); ++row)
            out << list()->RowText(row, 0);
        return out;
    }
    QPoint rowPoint(int row) const
    {
        const QModelIndex index = itemView()->model()->index(row, 0);
        itemView()->scrollTo(index);
        return itemView()->visualRect(index).center();
    }
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::mouseClick(itemView()->viewport(), Qt::LeftButton, modifiers, rowPoint(row));
    }
    void doubleClickRow(int row)
    {
        QTest::mouseDClick(itemView()->viewport(), Qt::LeftButton, {}, rowPoint(row));
    }
    bool enabled(int id) const { return manager.IsEnabled(id); }
    // The key goes to whatever has the focus, the way the user's keyboard does.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    QLineEdit *labelEditor() const { return qobject_cast<QLineEdit *>(QApplication::focusWidget()); }

    bool loaded = false;
    bool shown = false;
    ItemKey lastKey = 100;
};

QStringList attributesOf(const XmlNode &element)
{
    QStringList out;
    XmlNamedNodeMap map = element.attributes();
    for (XmlNode a = map.nextNode(); !a.isNull(); a = map.nextNode())
        out << a.nodeName() + QLatin1Char('=') + a.nodeValue();
    return out;
}

} // namespace

class TestNodePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rowsStandInReverseOrderWithTheirColumns()
    {
        Fixture f(QStringLiteral("<r a=\"1\" b=\"2\">first<!--c--><e/>second<?p data?></r>"));
        QVERIFY(f.ok());
        QCOMPARE(f.page->Title(), QStringLiteral("Nodes"));
        QCOMPARE(f.rows(), QStringList());
        f.select(f.root());
        QCOMPARE(f.rows(), (QStringList{
                               QStringLiteral("p|XML_PROC_INSTRUCTION|data"),
                               QStringLiteral("#text|XML_TEXT|second"),
                               QStringLiteral("#comment|XML_COMMENT|c"),
                               QStringLiteral("#text|XML_TEXT|first"),
                               QStringLiteral("b|XML_ATTRIBUTE|2"),
                               QStringLiteral("a|XML_ATTRIBUTE|1"),
                           }));
        QHeaderView *header = f.list()->DetailsView()->header();
        const QAbstractItemModel *model = f.list()->DetailsView()->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Type"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Value"));
        // "Name" and "Type" keep their first width; "Value" takes the rest, never less.
        for (int column = 0; column < 2; ++column)
            QCOMPARE(header->sectionSize(column), 120);
        QVERIFY(header->sectionSize(2) >= 120);
        QVERIFY(header->stretchLastSection());
        // The list covers the page at any size.
        QCOMPARE(f.list()->geometry(), f.page->rect());
        f.page->resize(700, 500);
        QCOMPARE(f.list()->geometry(), f.page->rect());

        // A drag in progress keeps the rows it started from.
        CWorkSpaceDoc::SetDragging(true);
        f.select(f.root().firstChild().nextSibling().nextSibling());
        QCOMPARE(f.list()->RowCount(), 6);
        CWorkSpaceDoc::SetDragging(false);
        f.select(f.root().firstChild().nextSibling().nextSibling());
        QCOMPARE(f.list()->RowCount(), 0);
    }

    void layoutWhitespaceIsHiddenButEmptyTextShown()
    {
        Fixture f(QStringLiteral("<r>\n  <e/>\n\t<!--c-->\r\n </r>"));
        QVERIFY(f.ok());
        f.select(f.root());
        QCOMPARE(f.rows(), QStringList{QStringLiteral("#comment|XML_COMMENT|c")});
        f.doc.SetModifiedFlag(false);
        QVERIFY(f.manager.Execute(ID_NEW_TEXT));
        QCOMPARE(f.rows(), (QStringList{QStringLiteral("#text|XML_TEXT|"), QStringLiteral("#comment|XML_COMMENT|c")}));
        QVERIFY(f.doc.IsModified());
    }

    void documentAndDoctypeRows()
    {
        Fixture f(QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e \"v\"><!NOTATION n SYSTEM \"x\">]>"
                                 "<?p d?><!--top--><r a=\"1\"/>"));
        QVERIFY(f.ok());
        f.select(f.documentNode());
        QCOMPARE(f.rows(), (QStringList{
                               QStringLiteral("#comment|XML_COMMENT|top"),
                               QStringLiteral("p|XML_PROC_INSTRUCTION|d"),
                               QStringLiteral("xml|XML_PROC_INSTRUCTION|version=\"1.0\""),
                           }));
        QVERIFY(!f.enabled(ID_NEW_ATTRIBUTE));
        QVERIFY(!f.enabled(ID_NEW_CDATA));
        QVERIFY(!f.enabled(ID_NEW_TEXT));
        QVERIFY(f.enabled(ID_NEW_COMMENT));
        QVERIFY(f.enabled(ID_NEW_PROCESSING_INSTRUCTION));

        // The declaration's children have no value: an empty Value column, and editing one is
        // refused with a report instead of failing.
        XmlNode doctype;
        for (XmlNode c = f.documentNode().firstChild(); !c.isNull(); c = c.nextSibling())
            if (c.nodeType() == NodeType::DocumentType)
                doctype = c;
        QVERIFY(!doctype.isNull());
        f.select(doctype);
        QVERIFY(f.list()->RowCount() >= 1);
        QCOMPARE(f.rows().first(), QStringLiteral("e|XML_ENTITY|"));
        f.doc.SetModifiedFlag(false);
        ScopedModalDialogRunner runner([](QDialog &dialog) {
            dialog.show();
            QTest::mouseClick(static_cast<CEditNodeDlg &>(dialog).OkButton(), Qt::LeftButton);
            return dialog.result();
        });
        f.clickRow(0);
        f.doubleClickRow(0);
        QCOMPARE(f.messages.count(), 1);
        QVERIFY(f.messages.lastText().contains(QStringLiteral("Unable to change node value.")));
        QVERIFY(!f.doc.IsModified());
    }

    void enablingFollowsTheSelection()
    {
        Fixture f(QStringLiteral("<r a=\"1\"><?p d?>t</r>"));
        QVERIFY(f.ok());
        // With no current node the element-only commands stay enabled; they then report.
        QVERIFY(f.enabled(ID_NEW_ATTRIBUTE));
        QVERIFY(f.manager.Execute(ID_NEW_ATTRIBUTE));
        QCOMPARE(f.messages.lastText(), QStringLiteral("This operation can not be performed on an attribute "));

        f.select(f.root());
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("#text"), QStringLiteral("p"), QStringLiteral("a")}));
        for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE, ID_EDIT_RENAME, ID_EDIT_PASTE})
            QVERIFY2(!f.enabled(id), CommandName(id));
        for (int id : {ID_NEW_ATTRIBUTE, ID_NEW_CDATA, ID_NEW_TEXT, ID_NEW_COMMENT, ID_NEW_PROCESSING_INSTRUCTION})
            QVERIFY2(f.enabled(id), CommandName(id));

        f.clickRow(0); // text
        for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE})
            QVERIFY2(f.enabled(id), CommandName(id));
        QVERIFY(!f.enabled(ID_EDIT_RENAME));
        QVERIFY(!f.enabled(ID_NEW_COMMENT));
        QVERIFY(!f.enabled(ID_NEW_PROCESSING_INSTRUCTION));
        QVERIFY(f.enabled(ID_NEW_ATTRIBUTE));

        f.clickRow(1); // instruction
        QVERIFY(f.enabled(ID_EDIT_RENAME));
        f.clickRow(2, Qt::ControlModifier); // and the attribute: the first selected row counts
        QVERIFY(f.enabled(ID_EDIT_RENAME));
        f.clickRow(0);
        f.clickRow(2, Qt::ControlModifier);
        QVERIFY(!f.enabled(ID_EDIT_RENAME));

        QVERIFY(f.manager.Execute(ID_EDIT_COPY));
        QVERIFY(f.enabled(ID_EDIT_PASTE));
    }

    void commandsSentStraightToThePage()
    {
        MessageRecorder messages;
        {
            // A page that has no document yet ignores every command.
            CNodePage lonely;
            for (int id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_DELETE, ID_EDIT_PASTE, ID_EDIT_RENAME, ID_NEW_ATTRIBUTE,
                           ID_NEW_CDATA, ID_NEW_TEXT, ID_NEW_COMMENT, ID_NEW_PROCESSING_INSTRUCTION})
                QVERIFY(lonely.OnCommand(id));
            lonely.OnKickIdle();
            QCOMPARE(lonely.ListControl()->RowCount(), 0);
        }
        QCOMPARE(messages.count(), 0);

        Fixture f(QStringLiteral("<r a=\"1\"/>"));
        QVERIFY(f.ok());
        f.select(f.root());
        f.clickRow(0);
        QVERIFY(f.manager.Execute(ID_EDIT_COPY));
        f.clickRow(0, Qt::ControlModifier);
        QVERIFY(f.list()->SelectedRows().isEmpty());
        QVERIFY(f.page->OnCommand(ID_EDIT_RENAME));
        QCOMPARE(f.messages.count(), 1);
        QCOMPARE(f.messages.boxes().first().text.trimmed(), QStringLiteral("No item selected."));
        QCOMPARE(f.messages.boxes().first().style, MB::IconInformation);
        // Cut, Delete and Copy with no row leave the clipboard alone.
        f.page->OnCommand(ID_EDIT_CUT);
        f.page->OnCommand(ID_EDIT_DELETE);
        f.page->OnCommand(ID_EDIT_COPY);
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
        QCOMPARE(attributesOf(f.root()), QStringList{QStringLiteral("a=1")});
    }

    void newNodes()
    {
        Fixture f(QStringLiteral("<r/>"));
        QVERIFY(f.ok());
        f.select(f.root());
        f.doc.SetModifiedFlag(false);

        // A new attribute opens its label at once; the typed name becomes its name.
        QVERIFY(f.manager.Execute(ID_NEW_ATTRIBUTE));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.rows(), QStringList{QStringLiteral("attribute|XML_ATTRIBUTE|")});
        QLineEdit *editor = f.labelEditor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("attribute"));
        QTest::keyClicks(editor, QStringLiteral("id"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(attributesOf(f.root()), QStringList{QStringLiteral("id=")});
        QCOMPARE(f.labels(), QStringList{QStringLiteral("id")});

        QVERIFY(f.manager.Execute(ID_NEW_ATTRIBUTE));
        QVERIFY(f.labelEditor());
        f.key(Qt::Key_Escape);
        QVERIFY(f.manager.Execute(ID_NEW_ATTRIBUTE));
        QVERIFY(f.labelEditor());
        QCOMPARE(f.labelEditor()->text(), QStringLiteral("attribute0"));
        f.key(Qt::Key_Escape);
        QCOMPARE(attributesOf(f.root()), (QStringList{QStringLiteral("id="), QStringLiteral("attribute="), QStringLiteral("attribute0=")}));

        f.doc.SetModifiedFlag(false);
        QVERIFY(f.manager.Execute(ID_NEW_PROCESSING_INSTRUCTION));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.rows().first(), QStringLiteral("xml-stylesheet|XML_PROC_INSTRUCTION|href=\"/style.xsl\" type=\"text/xsl\" title=\"default stylesheet\""));
        f.doc.SetModifiedFlag(false);
        QVERIFY(f.manager.Execute(ID_NEW_COMMENT));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.rows().first(), QStringLiteral("#comment|XML_COMMENT|"));
        f.doc.SetModifiedFlag(false);
        QVERIFY(f.manager.Execute(ID_NEW_CDATA));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.rows().first(), QStringLiteral("#cdata-section|XML_CDATA_SECTION|"));
        QCOMPARE(f.root().xml(), QStringLiteral("<r id=\"\" attribute=\"\" attribute0=\"\"><?xml-stylesheet href=\"/style.xsl\" "
                                                "type=\"text/xsl\" title=\"default stylesheet\"?><!----><![CDATA[]]></r>"));
        QCOMPARE(f.messages.count(), 0);
    }

    void renameInPlace()
    {
        Fixture f(QStringLiteral("<r x=\"1\" y=\"2\"><?p d?>t</r>"));
        QVERIFY(f.ok());
        f.select(f.root());
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("#text"), QStringLiteral("p"), QStringLiteral("y"), QStringLiteral("x")}));
        f.doc.SetModifiedFlag(false);

        // F2 on an attribute, a new name, Enter: the attribute keeps its value and comes last.
        f.clickRow(3);
        f.key(Qt::Key_F2);
        QVERIFY(f.labelEditor());
        QTest::keyClicks(f.labelEditor(), QStringLiteral("w"));
        QTest::keyClick(f.labelEditor(), Qt::Key_Return);
        QTRY_COMPARE(attributesOf(f.root()), (QStringList{QStringLiteral("y=2"), QStringLiteral("w=1")}));
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("#text"), QStringLiteral("p"), QStringLiteral("w"), QStringLiteral("y")}));
        QVERIFY(f.doc.IsModified());

        // Esc leaves everything as it was.
        f.doc.SetModifiedFlag(false);
        f.clickRow(3);
        f.key(Qt::Key_F2);
        QVERIFY(f.labelEditor());
        QTest::keyClicks(f.labelEditor(), QStringLiteral("zzz"));
        f.key(Qt::Key_Escape);
        QTest::qWait(20);
        QCOMPARE(attributesOf(f.root()), (QStringList{QStringLiteral("y=2"), QStringLiteral("w=1")}));
        QVERIFY(!f.doc.IsModified());

        // A name the document refuses is reported, and the row keeps the real name. (A click on
        // the row that is already selected would start the delayed in-place edit instead.)
        f.clickRow(2);
        f.clickRow(3);
        f.key(Qt::Key_F2);
        QTest::keyClicks(f.labelEditor(), QStringLiteral("bad name"));
        QTest::keyClick(f.labelEditor(), Qt::Key_Return);
        QTRY_COMPARE(f.messages.count(), 1);
        QVERIFY(f.messages.lastText().startsWith(QStringLiteral("Unable to change node name.")));
        QCOMPARE(f.labels().at(3), QStringLiteral("y"));
        QCOMPARE(attributesOf(f.root()), (QStringList{QStringLiteral("y=2"), QStringLiteral("w=1")}));

        // Text rows have no label to edit, from the keyboard or by the command.
        f.clickRow(0);
        f.key(Qt::Key_F2);
        QVERIFY(!f.labelEditor());
        QVERIFY(!f.manager.Execute(ID_EDIT_RENAME));

        // Rename on an instruction: the new target takes the old one's place.
        f.clickRow(1);
        QVERIFY(f.manager.Execute(ID_EDIT_RENAME));
        QVERIFY(f.labelEditor());
        QTest::keyClicks(f.labelEditor(), QStringLiteral("q"));
        QTest::keyClick(f.labelEditor(), Qt::Key_Return);
        QTRY_COMPARE(f.root().xml(), QStringLiteral("<r y=\"2\" w=\"1\"><?q d?>t</r>"));
        QCOMPARE(f.labels().at(1), QStringLiteral("q"));
    }

    void editingKeysStayWithTheLabelEditor()
    {
        Fixture f(QStringLiteral("<r x=\"1\"/>"));
        QVERIFY(f.ok());
        f.select(f.root());
        QSignalSpy commands(&f.manager, &CCommandManager::commandExecuted);
        f.clickRow(0);
        f.key(Qt::Key_F2);
        QLineEdit *editor = f.labelEditor();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("x"));
        f.key(Qt::Key_A, Qt::ControlModifier);
        f.key(Qt::Key_Delete);
        QCOMPARE(editor->text(), QString());
        QTest::keyClicks(editor, QStringLiteral("ab"));
        f.key(Qt::Key_A, Qt::ControlModifier);
        f.key(Qt::Key_C, Qt::ControlModifier);
        f.key(Qt::Key_End);
        f.key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor->text(), QStringLiteral("abab"));
        f.key(Qt::Key_A, Qt::ControlModifier);
        f.key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(editor->text(), QString());
        QCOMPARE(commands.count(), 0);
        QVERIFY(!CWorkSpaceDoc::IsClipboardFilled());
        QCOMPARE(attributesOf(f.root()), QStringList{QStringLiteral("x=1")});
        // An emptied label is no name: nothing changes.
        f.key(Qt::Key_Return);
        QTest::qWait(20);
        QCOMPARE(attributesOf(f.root()), QStringList{QStringLiteral("x=1")});
        QCOMPARE(f.messages.count(), 0);
    }

    void acceleratorsActOnTheList()
    {
        Fixture f(QStringLiteral("<r a=\"1\" b=\"2\"><e/></r>"));
        QVERIFY(f.ok());
        const XmlNode e = f.root().firstChild();
        f.select(f.root());
        QSignalSpy switches(&f.manager, &CCommandManager::commandExecuted);
        f.clickRow(1); // a
        QCOMPARE(f.host.switches.value(0), 172); // the list took the focus
        f.key(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(CWorkSpaceDoc::IsClipboardFilled());
        QCOMPARE(attributesOf(f.root()), (QStringList{QStringLiteral("a=1"), QStringLiteral("b=2")}));
        f.select(e);
        f.itemView()->setFocus();
        f.key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(attributesOf(e), QStringList{QStringLiteral("a=1")});

        f.select(f.root());
        f.clickRow(0); // b
        f.key(Qt::Key_Delete);
        QCOMPARE(attributesOf(f.root()), QStringList{QStringLiteral("a=1")});
        QCOMPARE(f.labels(), QStringList{QStringLiteral("a")});
        f.clickRow(0);
        f.key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(attributesOf(f.root()), QStringList());
        QCOMPARE(f.list()->RowCount(), 0);
        f.select(e);
        f.itemView()->setFocus();
        f.key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(attributesOf(e), (QStringList{QStringLiteral("a=1"), QStringLiteral("a0=1")}));
        QCOMPARE(f.messages.count(), 0);
    }

    void everySelectedRowIsTakenInDocumentOrder()
    {
        QString xml = QStringLiteral("<r");
        for (int i = 0; i < 60; ++i)
            xml += QStringLiteral(" a%1=\"%1\"").arg(i);
        xml += QStringLiteral("><!--one--><!--two--><e/></r>");
        Fixture f(xml, QSize(400, 160));
        QVERIFY(f.ok());
        const XmlNode e = f.root().lastChild();
        f.select(f.root());
        QCOMPARE(f.list()->RowCount(), 62);

        // Everything selected with the keyboard, then scrolled so that the top rows are out of view.
        f.clickRow(0);
        f.key(Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(f.list()->SelectedRows().size(), 62);
        f.itemView()->scrollToBottom();
        QVERIFY(f.itemView()->indexAt(QPoint(5, 5)).row() > 0);
        QVERIFY(f.manager.Execute(ID_EDIT_CUT));
        QCOMPARE(f.root().xml(), QStringLiteral("<r><e/></r>"));
        QCOMPARE(f.list()->RowCount(), 0);

        f.select(e);
        QVERIFY(f.manager.Execute(ID_EDIT_PASTE));
        const QStringList pasted = attributesOf(e);
        QCOMPARE(pasted.size(), 60);
        for (int i = 0; i < 60; ++i)
            QCOMPARE(pasted.at(i), QStringLiteral("a%1=%1").arg(i));
        // The two comments come back in their own order, not in the list's.
        QVERIFY(e.xml().endsWith(QStringLiteral("><!--one--><!--two--></e>")));
        QCOMPARE(f.messages.count(), 0);
    }

    void deleteDiscardsTheRows()
    {
        Fixture f(QStringLiteral("<r a=\"1\"><!--c--><e/></r>"));
        QVERIFY(f.ok());
        const XmlNode e = f.root().lastChild();
        f.select(f.root());
        f.clickRow(0);
        f.clickRow(1, Qt::ShiftModifier);
        f.doc.SetModifiedFlag(false);
        QVERIFY(f.manager.Execute(ID_EDIT_DELETE));
        QCOMPARE(f.root().xml(), QStringLiteral("<r><e/></r>"));
        QVERIFY(f.doc.IsModified());
        QCOMPARE(f.list()->RowCount(), 0);
        // Nothing of them is left to paste.
        f.select(e);
        f.manager.Execute(ID_EDIT_PASTE);
        QCOMPARE(e.xml(), QStringLiteral("<e/>"));
    }

    void editNodeRoundTripWithLineFeeds()
    {
        Fixture f(QStringLiteral("<r a=\"x&#10;y\">line1\nline2<!--c--></r>"));
        QVERIFY(f.ok());
        f.select(f.root());
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("#comment"), QStringLiteral("#text"), QStringLiteral("a")}));
        f.doc.SetModifiedFlag(false);

        QString seenName, seenType;
        int seenLines = 0;
        QIcon seenIcon;
        ScopedModalDialogRunner runner([&](QDialog &dialog) {
            auto &edit = static_cast<CEditNodeDlg &>(dialog);
            edit.show();
            if (!QTest::qWaitForWindowActive(&edit))
                return int(QDialog::Rejected);
            seenName = edit.Name();
            seenType = edit.Type();
            seenLines = edit.ValueBox()->document()->blockCount();
            QTest::keyClick(edit.ValueBox(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(edit.ValueBox(), Qt::Key_Return);
            QTest::keyClicks(edit.ValueBox(), QStringLiteral("more"));
            QTest::mouseClick(edit.OkButton(), Qt::LeftButton);
            return edit.result();
        });
        f.clickRow(1);
        f.doubleClickRow(1);
        QCOMPARE(seenName, QStringLiteral("#text"));
        QCOMPARE(seenType, QStringLiteral("XML_TEXT"));
        QCOMPARE(seenLines, 2);
        QCOMPARE(f.root().xml(), QStringLiteral("<r a=\"x&#10;y\">line1\nline2\nmore<!--c--></r>"));
        QVERIFY(f.doc.IsModified());

        f.clickRow(2);
        f.doubleClickRow(2);
        QCOMPARE(seenName, QStringLiteral("a"));
        QCOMPARE(seenLines, 2);
        QCOMPARE(f.root().attributes().item(0).nodeValue(), QStringLiteral("x\ny\nmore"));
        QVERIFY(!f.root().xml().contains(QLatin1Char('\r')));
        QVERIFY(!f.root().xml().contains(QStringLiteral("&#13;")));
        QCOMPARE(f.messages.count(), 0);
    }

    void editNodeCancelChangesNothing()
    {
        Fixture f(QStringLiteral("<r><!--c--></r>"));
        QVERIFY(f.ok());
        f.select(f.root());
        f.doc.SetModifiedFlag(false);
        ScopedModalDialogRunner runner([](QDialog &dialog) {
            auto &edit = static_cast<CEditNodeDlg &>(dialog);
            edit.show();
            QTest::keyClicks(edit.ValueBox(), QStringLiteral("changed"));
            QTest::mouseClick(edit.CancelButton(), Qt::LeftButton);
            return edit.result();
        });
        f.clickRow(0);
        f.doubleClickRow(0);
        QCOMPARE(f.root().xml(), QStringLiteral("<r><!--c--></r>"));
        QVERIFY(!f.doc.IsModified());
    }

    void editedInstructionKeepsItsPlace()
    {
        Fixture f(QStringLiteral("<?xml version=\"1.0\"?><?p old?><!--k--><r/>"));
        QVERIFY(f.ok());
        f.select(f.documentNode());
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("#comment"), QStringLiteral("p"), QStringLiteral("xml")}));
        QString newValue;
        QString seenName;
        ScopedModalDialogRunner runner([&](QDialog &dialog) {
            auto &edit = static_cast<CEditNodeDlg &>(dialog);
            edit.show();
            seenName = edit.Name();
            edit.ValueBox()->selectAll();
            QTest::keyClicks(edit.ValueBox(), newValue);
            QTest::mouseClick(edit.OkButton(), Qt::LeftButton);
            return edit.result();
        });
        newValue = QStringLiteral("new");
        f.clickRow(1);
        f.doubleClickRow(1);
        QCOMPARE(seenName, QStringLiteral("p"));
        QString xml = f.doc.GetDOMDocument()->xml();
        QVERIFY2(xml.contains(QStringLiteral("<?p new?>\n<!--k-->")) || xml.contains(QStringLiteral("<?p new?><!--k-->")), qPrintable(xml));
        QVERIFY(!xml.contains(QStringLiteral("old")));
        QCOMPARE(f.labels(), (QStringList{QStringLiteral("#comment"), QStringLiteral("p"), QStringLiteral("xml")}));

        // The declaration is changed as well, although no second declaration could be added.
        newValue = QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"");
        f.clickRow(2);
        f.doubleClickRow(2);
        xml = f.doc.GetDOMDocument()->xml();
        QVERIFY2(xml.startsWith(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>")), qPrintable(xml));
        QCOMPARE(f.list()->RowText(2, 2), newValue);
        QCOMPARE(f.messages.count(), 0);
    }

    void contextMenuGreysTheNewItemsThatTheRouteRuns()
    {
        Fixture f(QStringLiteral("<r a=\"1\"/>"));
        QVERIFY(f.ok());
        f.select(f.root());
        f.clickRow(0);

        QStringList top, newItems, arrangeItems;
        QTimer poll;
        int tries = 0;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu && ++tries < 100)
                return;
            poll.stop();
            if (!menu)
                return;
            for (QAction *action : menu->actions()) {
                if (action->isSeparator())
                    continue;
                top << action->text() + (action->isEnabled() ? QStringLiteral("+") : QStringLiteral("-"));
                QStringList *into = action->text() == QStringLiteral("New") ? &newItems
                                  : action->text() == QStringLiteral("Arrange Icons") ? &arrangeItems : nullptr;
                if (into && action->menu()) {
                    for (QAction *inner : action->menu()->actions())
                        if (!inner->isSeparator())
                            *into << inner->text() + (inner->isEnabled() ? QStringLiteral("+") : QStringLiteral("-"));
                }
            }
            menu->close();
        });
        poll.start(20);
        const QPoint at = f.rowPoint(0);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, f.itemView()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(f.itemView()->viewport(), &event);
        QTRY_VERIFY(!poll.isActive());

        QCOMPARE(top, (QStringList{QStringLiteral("&Undo\tCtrl+Z-"), QStringLiteral("Re&do\tCtrl+Y-"), QStringLiteral("Cu&t\tCtrl+X+"), QStringLiteral("&Copy\tCtrl+C+"), QStringLiteral("&Paste\tCtrl+V-"),
                                   QStringLiteral("New+"), QStringLiteral("Delete\tDel+"), QStringLiteral("Rename+"),
                                   QStringLiteral("Arrange Icons+")}));
        QCOMPARE(newItems, (QStringList{QStringLiteral("Attribute-"), QStringLiteral("Comment-"), QStringLiteral("CDATA-"),
                                        QStringLiteral("Text-"), QStringLiteral("Process Intruction-")}));
        QCOMPARE(arrangeItems, (QStringList{QStringLiteral("Large Icons+"), QStringLiteral("Small Icons+"),
                                            QStringLiteral("List+"), QStringLiteral("Details+")}));
        QCOMPARE(f.list()->SelectedRows(), QList<int>{0});

        // A command chosen from the menu reaches the page once the menu has closed.
        QTimer chooser;
        tries = 0;
        connect(&chooser, &QTimer::timeout, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu && ++tries < 100)
                return;
            chooser.stop();
            if (!menu)
                return;
            for (QAction *action : menu->actions()) {
                if (action->text() == QStringLiteral("&Copy\tCtrl+C")) {
                    menu->setActiveAction(action);
                    QTest::keyClick(menu, Qt::Key_Return);
                    return;
                }
            }
            menu->close();
        });
        f.doc.ResetNodeClipboard();
        chooser.start(20);
        QApplication::sendEvent(f.itemView()->viewport(), &event);
        QTRY_VERIFY(!chooser.isActive());
        QTRY_VERIFY(CWorkSpaceDoc::IsClipboardFilled());

        // The same commands run from the main menu's route.
        f.clickRow(0, Qt::ControlModifier); // nothing selected now
        QVERIFY(f.list()->SelectedRows().isEmpty());
        QVERIFY(f.manager.Execute(ID_NEW_COMMENT));
        QVERIFY(f.manager.Execute(ID_NEW_TEXT));
        QCOMPARE(f.root().xml(), QStringLiteral("<r a=\"1\"><!----></r>"));
    }

    void viewModesCarryRadioMarks()
    {
        Fixture f(QStringLiteral("<r a=\"1\" b=\"2\"/>"));
        QVERIFY(f.ok());
        f.select(f.root());
        const auto marked = [&f] {
            QList<int> ids;
            for (int id : {ID_VIEW_SMALLICON, ID_VIEW_LARGEICON, ID_VIEW_LIST, ID_VIEW_DETAILS}) {
                CCmdUI ui(id);
                f.manager.QueryState(&ui);
                if (!ui.IsHandled() || !ui.IsEnabled() || !ui.IsRadio())
                    return QList<int>{-1};
                if (ui.Check())
                    ids << id;
            }
            return ids;
        };
        QCOMPARE(marked(), QList<int>{ID_VIEW_DETAILS});
        QCOMPARE(f.itemView(), static_cast<QAbstractItemView *>(f.list()->DetailsView()));
        f.clickRow(1);

        QVERIFY(f.manager.Execute(ID_VIEW_LARGEICON));
        QCOMPARE(marked(), QList<int>{ID_VIEW_LARGEICON});
        QCOMPARE(f.itemView(), static_cast<QAbstractItemView *>(f.list()->IconView()));
        QCOMPARE(f.list()->IconView()->viewMode(), QListView::IconMode);
        QCOMPARE(f.list()->IconView()->iconSize(), QSize(32, 32));
        QCOMPARE(f.list()->SelectedRows(), QList<int>{1}); // the selection stays

        QVERIFY(f.manager.Execute(ID_VIEW_SMALLICON));
        QCOMPARE(marked(), QList<int>{ID_VIEW_SMALLICON});
        QCOMPARE(f.list()->IconView()->iconSize(), QSize(16, 16));
        QVERIFY(f.manager.Execute(ID_VIEW_LIST));
        QCOMPARE(marked(), QList<int>{ID_VIEW_LIST});
        QCOMPARE(f.list()->IconView()->viewMode(), QListView::ListMode);

        // The commands work on the rows in this view too.
        f.clickRow(0);
        f.key(Qt::Key_Delete);
        QCOMPARE(attributesOf(f.root()), QStringList{QStringLiteral("a=1")});
        QVERIFY(f.host.switches.contains(172));

        QVERIFY(f.manager.Execute(ID_VIEW_DETAILS));
        QCOMPARE(marked(), QList<int>{ID_VIEW_DETAILS});
        QCOMPARE(f.itemView(), static_cast<QAbstractItemView *>(f.list()->DetailsView()));
    }

    void aNodeOfVeryManyChildrenFillsFromTheEventLoop()
    {
        // Each record is an element, layout whitespace and a comment: three children, one row.
        const int records = CNodeListFiller::ImmediateChildren * 4;
        QString xml = QStringLiteral("<r a=\"1\">");
        for (int i = 0; i < records; ++i)
            xml += QStringLiteral("<e/>\n<!--%1-->").arg(i);
        Fixture f(xml + QStringLiteral("</r>"));
        QVERIFY(f.ok());
        const auto expected = [&f] {
            QList<XmlNode> rows{f.root().getAttributeNode(QStringLiteral("a"))};
            for (XmlNode c = f.root().firstChild(); !c.isNull(); c = c.nextSibling())
                if (c.nodeType() == NodeType::Comment)
                    rows.prepend(c);
            return rows;
        };
        const auto listed = [&f] {
            QList<XmlNode> rows;
            for (int row = 0; row < f.list()->RowCount(); ++row)
                rows.append(f.list()->RowNode(row));
            return rows;
        };

        // The turns the event loop takes while the walk goes on.
        int turns = 0;
        QTimer turn;
        turn.setInterval(0);
        QObject::connect(&turn, &QTimer::timeout, [&] { turns += f.page->IsFilling() ? 1 : 0; });
        QSignalSpy batches(f.list()->DetailsView()->model(), &QAbstractItemModel::rowsInserted);
        f.select(f.root());
        QVERIFY(f.page->IsFilling());
        const int atOnce = f.list()->RowCount();
        QVERIFY(atOnce > 1 && atOnce < records / 2);
        QCOMPARE(f.list()->RowText(0, 2), QString::number(records - 1));
        QCOMPARE(f.labels().last(), QStringLiteral("a"));
        turn.start();
        QTRY_VERIFY(!f.page->IsFilling());
        turn.stop();
        QCOMPARE(listed(), expected());
        // The loop turned between the steps, and their rows went in batches, not one by one.
        QVERIFY(turns >= 2);
        QVERIFY(batches.count() >= 1 && batches.count() < 100);

        // A command on the rows present, and a change to a child not yet listed: the walk starts
        // again and lists what the document now holds.
        f.select(f.root());
        f.clickRow(0);
        f.key(Qt::Key_Delete);
        QVERIFY(f.page->IsFilling());
        QCOMPARE(f.list()->RowText(0, 2), QString::number(records - 2));
        QVERIFY(f.doc.DeleteNodes({f.root().firstChild().nextSibling().nextSibling()}));
        QVERIFY(f.page->IsFilling());
        QTRY_VERIFY(!f.page->IsFilling());
        QCOMPARE(listed(), expected());
        QCOMPARE(f.list()->RowCount(), records - 1);

        // An edit under way holds the walk; one that changes nothing lets it go on.
        f.select(f.root());
        {
            CEditTransaction edit(&f.doc);
            const int before = f.list()->RowCount();
            QTest::qWait(30);
            QCOMPARE(f.list()->RowCount(), before);
        }
        QTRY_VERIFY(!f.page->IsFilling());
        QCOMPARE(listed(), expected());

        // Another current node, or the page hidden, stops the walk; shown again, the page fills.
        f.select(f.root());
        f.select(f.root().firstChild());
        QVERIFY(!f.page->IsFilling());
        QTest::qWait(20);
        QCOMPARE(f.list()->RowCount(), 0);
        f.select(f.root());
        f.page->hide();
        QVERIFY(!f.page->IsFilling());
        f.page->show();
        QTRY_VERIFY(!f.page->IsFilling() && f.list()->RowCount() == records - 1);
        QCOMPARE(listed(), expected());

        f.select(f.root());
        f.page->FinishFilling();
        QVERIFY(!f.page->IsFilling());
        QCOMPARE(listed(), expected());
    }

    void pressingAndMovingOnSelectedRowsStartsARowDrag()
    {
        // The list alone: the page would carry the drag out with a nested loop of its own.
        CNodeListControl list;
        XmlDocument doc;
        QVERIFY(doc.loadXML(QStringLiteral("<r a=\"1\" b=\"2\"/>")));
        const XmlNode root = doc.documentElement();
        list.AppendRows({root.getAttributeNode(QStringLiteral("a")), root.getAttributeNode(QStringLiteral("b"))});
        list.resize(300, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QSignalSpy drags(&list, &CNodeListControl::rowDragStarted);
        QTreeView *view = list.DetailsView();
        const QPoint row = view->visualRect(view->model()->index(1, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, row);
        const QPoint away = row + QPoint(0, 3 * QApplication::startDragDistance());
        // The view takes one move to enter its dragging state and the next to start the drag.
        for (const QPoint &at : {row + QPoint(0, 1), away}) {
            QMouseEvent move(QEvent::MouseMove, at, view->viewport()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(view->viewport(), &move);
        }
        // A real drag takes the release into its own loop; the view never sees it.
        QCOMPARE(drags.count(), 1);
        QCOMPARE(list.SelectedRows(), QList<int>{1});
    }
};

QTEST_MAIN(TestNodePage)
#include "tst_nodepage.moc"
