// The document window: splitter, node pane sheet, status bar, and the route of commands into
// the active page.
#include "document/workspacedoc.h"
#include "framework/cmdui.h"
#include "framework/commandmanager.h"
#include "panes/childframe.h"
#include "panes/propertysheetview.h"
#include "panes/sheetpage.h"
#include "panes/treewrightview.h"
#include "resources/commandids.h"
#include "tree/elementview.h"

#include <QSplitter>
#include <QTabBar>
#include <QtTest>

namespace {

// A page that counts its refreshes and handles Cut.
class CountingPage : public CSheetPage
{
public:
    explicit CountingPage(const QString &title) : CSheetPage(title)
    {
        setFocusPolicy(Qt::StrongFocus);
        AddCommand(ID_EDIT_CUT, [this] { ++cuts; });
    }
    void OnKickIdle() override { ++refreshes; }
    bool OnKillActive() override { return mayLeave; }

    int refreshes = 0;
    int cuts = 0;
    bool mayLeave = true;
};

} // namespace

class TestChildFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void windowLayout()
    {
        CWorkSpaceDoc document;
        QVERIFY(document.OnNewDocument());
        CChildFrame frame(&document);
        frame.OnInitialUpdate();
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.Splitter()->sizes().first(), 200);
        CPropertySheetView *sheet = frame.NodePane()->Sheet();
        QCOMPARE(sheet->tabPosition(), QTabWidget::South);
        QCOMPARE(sheet->count(), 3);
        QCOMPARE(sheet->tabText(0), QStringLiteral("Nodes"));
        QCOMPARE(sheet->tabText(1), QStringLiteral("Browse"));
        QCOMPARE(sheet->tabText(2), QStringLiteral("Source"));
        QCOMPARE(sheet->currentIndex(), 0);
        QCOMPARE(frame.StatusText(), QStringLiteral("/"));

        // Clicking a tab gives the focus to its page, never to the tab bar.
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        QTabBar *tabs = sheet->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
        QCOMPARE(sheet->currentIndex(), 2);
        QCOMPARE(sheet->GetActivePage()->Title(), QStringLiteral("Source"));
        QVERIFY(QApplication::focusWidget() != tabs);
        QCOMPARE(frame.ActiveColumn(), 1);

        // Next Pane goes back to the tree and forth to the page.
        CCommandManager manager;
        manager.SetRoute([&] { return frame.CommandRoute(); });
        QVERIFY(manager.Execute(ID_NEXT_PANE));
        QCOMPARE(frame.ActiveColumn(), 0);
        QVERIFY(frame.TreePane()->hasFocus());
        QVERIFY(manager.Execute(ID_PREV_PANE));
        QCOMPARE(frame.ActiveColumn(), 1);
    }

    // The status text of an element nested ten thousand levels deep once made the window as wide
    // as the path, and its paint buffer gigabytes large.
    void longStatusTextKeepsTheWindowSize()
    {
        CWorkSpaceDoc document;
        QVERIFY(document.OnNewDocument());
        CChildFrame frame(&document);
        frame.OnInitialUpdate();
        frame.resize(600, 400);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QString path = QStringLiteral("/");
        for (int level = 0; level < 10000; ++level)
            path += QStringLiteral("level/");
        frame.SetStatusText(path);
        QCoreApplication::processEvents();
        QCOMPARE(frame.StatusText(), path);
        QVERIFY(frame.minimumSizeHint().width() < 600);
        QCOMPARE(frame.width(), 600);
    }

    void viewButtonOnlyWithTheNodesPage()
    {
        CWorkSpaceDoc document;
        QVERIFY(document.OnNewDocument());
        CChildFrame frame(&document);
        frame.OnInitialUpdate();
        CCommandManager manager;
        manager.SetRoute([&] { return frame.CommandRoute(); });
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        frame.NodePane()->Sheet()->GetActivePage()->setFocus();
        QCOMPARE(frame.ActiveColumn(), 1);
        QVERIFY(manager.IsEnabled(ID_VIEW_NODE_TOOL));
        frame.NodePane()->Sheet()->SetActivePage(2);
        QVERIFY(!manager.IsEnabled(ID_VIEW_NODE_TOOL));
    }

    void sheetTellsEveryPageAndTheShownOneOnShow()
    {
        CWorkSpaceDoc document;
        QVERIFY(document.OnNewDocument());
        CPropertySheetView sheet(&document);
        auto *nodes = new CountingPage(QStringLiteral("Nodes"));
        auto *source = new CountingPage(QStringLiteral("Source"));
        sheet.AddPage(nodes);
        sheet.AddPage(source);
        sheet.SetActivePage(0);
        QCOMPARE(nodes->GetDocument(), &document);
        QCOMPARE(nodes->refreshes, 1); // shown for the first time

        sheet.OnKickIdle();
        sheet.OnKickIdle();
        QCOMPARE(nodes->refreshes, 3);
        QCOMPARE(source->refreshes, 2); // told while hidden, to note what it must read
        sheet.setCurrentIndex(1);
        QCOMPARE(source->refreshes, 3);

        // A page that refuses to be left keeps the sheet on itself.
        source->mayLeave = false;
        sheet.setCurrentIndex(0);
        QCOMPARE(sheet.currentIndex(), 1);
        QCOMPARE(sheet.GetActivePage(), source);
        QCOMPARE(nodes->refreshes, 3);
    }
};

QTEST_MAIN(TestChildFrame)
#include "tst_childframe.moc"
