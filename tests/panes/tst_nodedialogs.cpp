// The node properties sheet and the Edit Node dialog, driven with real key and mouse events.
#include "panes/editnodedlg.h"
#include "panes/modaldialogrunner.h"
#include "panes/nodeinfopage.h"
#include "panes/nodeproperties.h"
#include "panes/nodepropertysheet.h"
#include "panes/nodesourcepage.h"
#include "document/workspacedoc.h"
#include "common/messagerecorder.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSizeGrip>
#include <QStandardPaths>
#include <QTabWidget>
#include <QtTest>

namespace {

struct SheetSeen
{
    int runs = 0;
    QString caption, source, nodeAddress, parentAddress;
    QStringList tabs;
    bool sourceEditable = true;
};

// Shows the sheet, tries to type into its source, reads it and closes it with OK.
SheetSeen *g_seen = nullptr;
int readSheet(QDialog &dialog)
{
    auto *sheet = qobject_cast<CNodePropertySheet *>(&dialog);
    if (!sheet || !g_seen)
        return QDialog::Rejected;
    ++g_seen->runs;
    sheet->show();
    if (!QTest::qWaitForWindowExposed(sheet))
        return QDialog::Rejected;
    g_seen->caption = sheet->windowTitle();
    for (int i = 0; i < sheet->Tabs()->count(); ++i)
        g_seen->tabs << sheet->Tabs()->tabText(i);
    QPlainTextEdit *box = sheet->SourcePage()->SourceBox();
    const QString before = box->toPlainText();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("typed"));
    QTest::keyClick(box, Qt::Key_Delete);
    g_seen->sourceEditable = box->toPlainText() != before;
    g_seen->source = sheet->SourcePage()->Source();
    g_seen->nodeAddress = sheet->InfoPage()->NodeAddress();
    g_seen->parentAddress = sheet->InfoPage()->ParentAddress();
    auto *ok = sheet->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    QTest::mouseClick(ok, Qt::LeftButton);
    return sheet->result();
}

} // namespace

class TestNodeDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void editNodeShowsFieldsAndEditsOnlyTheValue()
    {
        CEditNodeDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Edit Node"));
        QCOMPARE(dialog.Name(), QString());
        QCOMPARE(dialog.Value(), QString());
        dialog.SetName(QStringLiteral("a"));
        dialog.SetType(QStringLiteral("XML_ATTRIBUTE"));
        // A no-break space and a line separator must come back as they went in.
        dialog.SetValue(QStringLiteral("one\ntwo") + QChar(0x00A0) + QChar(0x2028) + QStringLiteral("x"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        QCOMPARE(QApplication::focusWidget(), dialog.ValueBox());
        QCOMPARE(dialog.ValueBox()->document()->blockCount(), 2);
        QVERIFY(!dialog.NameBox()->isEnabled());
        QVERIFY(dialog.TypeBox()->isReadOnly());
        QTest::keyClicks(dialog.TypeBox(), QStringLiteral("zz"));
        QCOMPARE(dialog.Type(), QStringLiteral("XML_ATTRIBUTE"));

        QTest::keyClick(dialog.ValueBox(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClick(dialog.ValueBox(), Qt::Key_Return); // a new line, not OK
        QTest::keyClicks(dialog.ValueBox(), QStringLiteral("three"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.Value(), QStringLiteral("one\ntwo") + QChar(0x00A0) + QChar(0x2028) + QStringLiteral("x\nthree"));
        QVERIFY(!dialog.Value().contains(QLatin1Char('\r')));
        QCOMPARE(dialog.Name(), QStringLiteral("a"));

        QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isVisible());
    }

    void editNodeEscapeCancels()
    {
        CEditNodeDlg dialog;
        dialog.SetValue(QStringLiteral("v"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(dialog.ValueBox(), Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
    }

    void editNodeGrowsButNeverShrinks()
    {
        CEditNodeDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QSize first = dialog.size();
        const QRect value = dialog.ValueBox()->geometry();
        const QRect ok = dialog.OkButton()->geometry();
        const QRect cancel = dialog.CancelButton()->geometry();
        const QRect name = dialog.NameBox()->geometry();
        const QRect type = dialog.TypeBox()->geometry();
        QVERIFY(dialog.findChild<QSizeGrip *>());

        dialog.resize(first + QSize(100, 80));
        QCOMPARE(dialog.ValueBox()->geometry(), value.adjusted(0, 0, 100, 80));
        QCOMPARE(dialog.OkButton()->geometry(), ok.translated(100, 80));
        QCOMPARE(dialog.CancelButton()->geometry(), cancel.translated(100, 80));
        QCOMPARE(dialog.NameBox()->geometry(), name.adjusted(0, 0, 100, 0));
        QCOMPARE(dialog.TypeBox()->geometry(), type);

        dialog.resize(first - QSize(50, 50));
        QCOMPARE(dialog.size(), first);
        QCOMPARE(dialog.ValueBox()->geometry(), value);
    }

    void propertiesOfTheDocument()
    {
        MessageRecorder messages;
        CWorkSpaceDoc doc;
        QVERIFY(doc.GetDOMDocument()->loadXML(QStringLiteral("<?xml version=\"1.0\"?><r><a x=\"1\">t</a></r>")));
        doc.SetItemNode(1, doc.GetDOMDocument()->documentNode());
        doc.SetCurrentItem(1);
        doc.SetModifiedFlag(false);
        const QString before = doc.GetDOMDocument()->xml();

        SheetSeen seen;
        g_seen = &seen;
        ScopedModalDialogRunner runner(readSheet);
        ShowNodeProperties(&doc, nullptr);
        g_seen = nullptr;

        QCOMPARE(seen.runs, 1);
        QCOMPARE(seen.caption, QStringLiteral("Properties"));
        QCOMPARE(seen.tabs, (QStringList{QStringLiteral("Source"), QStringLiteral("Info")}));
        QVERIFY(seen.source.contains(QStringLiteral("<r><a x=\"1\">t</a></r>")));
        QVERIFY(seen.source.startsWith(QStringLiteral("<?xml")));
        QVERIFY(!seen.sourceEditable);
        QVERIFY(QRegularExpression(QStringLiteral("^A: [0-9a-f]{8,16}$")).match(seen.nodeAddress).hasMatch());
        QCOMPARE(seen.parentAddress, QString());
        QVERIFY(!doc.IsModified());
        QCOMPARE(doc.GetDOMDocument()->xml(), before);
        QCOMPARE(messages.count(), 0);
    }

    void propertiesOfAnElement()
    {
        CWorkSpaceDoc doc;
        QVERIFY(doc.GetDOMDocument()->loadXML(QStringLiteral("<r><a x=\"1\"><b/>t</a></r>")));
        const XmlNode a = doc.GetDOMDocument()->documentElement().firstChild();
        doc.SetItemNode(2, a);
        doc.SetCurrentItem(2);

        SheetSeen seen;
        g_seen = &seen;
        ScopedModalDialogRunner runner(readSheet);
        ShowNodeProperties(&doc, nullptr);
        // The same node gives the same identity every time.
        SheetSeen again;
        g_seen = &again;
        ShowNodeProperties(&doc, nullptr);
        g_seen = nullptr;

        QCOMPARE(seen.source, QStringLiteral("<a x=\"1\"><b/>t</a>"));
        QVERIFY(QRegularExpression(QStringLiteral("^A: [0-9a-f]{8,16}$")).match(seen.nodeAddress).hasMatch());
        QVERIFY(QRegularExpression(QStringLiteral("^B: [0-9a-f]{8,16}$")).match(seen.parentAddress).hasMatch());
        QVERIFY(seen.nodeAddress.mid(3) != seen.parentAddress.mid(3));
        QCOMPARE(again.nodeAddress, seen.nodeAddress);
        QCOMPARE(again.parentAddress, seen.parentAddress);
    }

    void propertiesWithoutCurrentNodeOpensNothing()
    {
        CWorkSpaceDoc doc;
        SheetSeen seen;
        g_seen = &seen;
        ScopedModalDialogRunner runner(readSheet);
        ShowNodeProperties(&doc, nullptr);
        ShowNodeProperties(nullptr, nullptr);
        g_seen = nullptr;
        QCOMPARE(seen.runs, 0);
    }
};

QTEST_MAIN(TestNodeDialogs)
#include "tst_nodedialogs.moc"
