// The main window as the user meets it: menu bars, toolbar, status bar, accelerators, recent
// files, the window list, dropped files and closing with unsaved changes.
#include "app/mainframe.h"
#include "app/treewrightapp.h"
#include "document/workspacedoc.h"
#include "framework/appsettings.h"
#include "framework/commandmanager.h"
#include "framework/recentfilelist.h"
#include "panes/childframe.h"
#include "resources/commandids.h"
#include "resources/menuresource.h"
#include "resources/toolbarresource.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

QStringList titles(const QList<QMenu *> &menus)
{
    QStringList result;
    for (QMenu *menu : menus)
        result.append(menu->title());
    return result;
}

QStringList itemTexts(const QMenu *menu)
{
    QStringList result;
    for (QAction *action : menu->actions()) {
        if (action->isVisible())
            result.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    }
    return result;
}

// Opens a popup the way the user does, so that it runs its updates, and closes it again.
void openAndClose(QMenu *menu)
{
    menu->popup(QPoint(10, 10));
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
}

} // namespace

class TestMainFrame : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;

    QString write(const QString &name, const QByteArray &bytes = "<catalog/>") { return m_dir.write(name, bytes); }
    static void activate(QWidget *window)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright")).clear(); }

    void menuBarsSwapWithFirstAndLastDocument()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({write(QStringLiteral("one.xml"))}));
        CMainFrame *frame = app.MainFrame();
        QCOMPARE(titles(frame->MenuBarMenus()), (QStringList{"&File", "&Edit", "&View", "&Window", "&Tools", "&Help"}));
        QCOMPARE(frame->Commands()->AcceleratorTable(), 131);
        QCOMPARE(itemTexts(frame->MenuBarMenus().first()),
                 (QStringList{"&New\tCtrl+N", "|", "&Open...\tCtrl+O", "Open FTP...", "|", "&Save\tCtrl+S", "Save &As...", "|",
                              "&Print...\tCtrl+P", "Print Pre&view", "P&rint Setup...", "|", "Settings...", "|", "Recent File",
                              "|", "E&xit"}));

        QVERIFY(frame->MdiArea()->subWindowList().first()->close());
        QCOMPARE(titles(frame->MenuBarMenus()), (QStringList{"&File", "&View", "&Help"}));
        QCOMPARE(frame->Commands()->AcceleratorTable(), 128);
        QCOMPARE(frame->windowTitle(), QStringLiteral("Treewright"));
        QCOMPARE(itemTexts(frame->MenuBarMenus().at(1)), (QStringList{"&Status Bar", "&Toolbar"}));

        QVERIFY(app.OnFileNew());
        QCOMPARE(titles(frame->MenuBarMenus()).size(), 6);
    }

    void commandStatesWithAndWithoutDocument()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CCommandManager *commands = app.MainFrame()->Commands();
        QVERIFY(commands->IsEnabled(ID_FILE_SAVE));
        QVERIFY(commands->IsEnabled(ID_FILE_NEW));
        QVERIFY(commands->IsEnabled(ID_WINDOW_CASCADE));
        QVERIFY(commands->IsEnabled(ID_VIEW_FILE_BROWSER)); // the main window's own, with or without a document
        // The tree's Find searches the document; commands whose handlers have not come yet are
        // disabled rather than doing nothing.
        QVERIFY(commands->IsEnabled(ID_EDIT_FIND));
        QVERIFY(!commands->IsEnabled(ID_FILE_MRU_FILE1));

        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::No);
        QVERIFY(app.MainFrame()->MdiArea()->subWindowList().first()->close());
        QVERIFY(!commands->IsEnabled(ID_FILE_SAVE));
        QVERIFY(!commands->IsEnabled(ID_FILE_PRINT));

        // The view toggles hide and show the bars and carry their check marks.
        app.MainFrame()->show();
        QVERIFY(commands->Execute(ID_VIEW_TOOLBAR));
        QVERIFY(!app.MainFrame()->MainToolBar()->isVisible());
        commands->UpdateAll();
        QVERIFY(!commands->Action(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(commands->Execute(ID_VIEW_STATUS_BAR));
        QVERIFY(!app.MainFrame()->statusBar()->isVisible());
        commands->Execute(ID_VIEW_TOOLBAR);
        commands->UpdateAll();
        QVERIFY(commands->Action(ID_VIEW_TOOLBAR)->isChecked());
    }

    void toolbarOrderAndDropDown()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        QToolBar *toolbar = app.MainFrame()->MainToolBar();
        QList<int> ids;
        for (QAction *action : toolbar->actions())
            ids.append(action->isSeparator() ? 0 : CCommandManager::CommandIdOf(action));
        QCOMPARE(ids, ToolbarButtons(128));
        CCommandManager *commands = app.MainFrame()->Commands();
        auto *views = qobject_cast<QToolButton *>(toolbar->widgetForAction(commands->Action(ID_VIEW_NODE_TOOL)));
        QVERIFY(views);
        QCOMPARE(views->popupMode(), QToolButton::MenuButtonPopup);
        QCOMPARE(itemTexts(views->menu()), (QStringList{"Large Icons", "Small Icons", "List", "Details"}));
        QVERIFY(commands->Action(ID_VIEW_FILE_BROWSER)->isCheckable());
        QCOMPARE(commands->Action(ID_FILE_NEW)->toolTip(), QStringLiteral("New"));
    }

    void statusBarShowsReadyAndPrompts()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        activate(frame);
        QCOMPARE(frame->StatusText(), QStringLiteral("Ready"));

        // The pointer over a toolbar button shows its prompt; leaving it brings "Ready" back.
        QWidget *save = frame->MainToolBar()->widgetForAction(frame->Commands()->Action(ID_FILE_SAVE));
        QTest::mouseMove(save);
        QTRY_COMPARE(frame->StatusText(), QStringLiteral("Save the active document"));
        QTest::mouseMove(frame->MdiArea(), QPoint(300, 300));
        QTRY_COMPARE(frame->StatusText(), QStringLiteral("Ready"));

        // The same for a menu item under the pointer.
        QMenu *file = frame->MenuBarMenus().first();
        QTest::mouseClick(frame->menuBar(), Qt::LeftButton, {}, frame->menuBar()->actionGeometry(file->menuAction()).center());
        QTRY_VERIFY(file->isVisible());
        file->setActiveAction(frame->Commands()->Action(ID_FILE_NEW));
        QTRY_COMPARE(frame->StatusText(), QStringLiteral("Create a new document"));
        file->hide();
    }

    void acceleratorsFollowTheDocumentTable()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        activate(frame);
        // Ctrl+N runs New through the route, as the menu item does.
        QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(app.Documents().size(), 2);
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::No);
        messages.queueAnswer(IDAnswer::No);
        const QList<QMdiSubWindow *> windows = frame->MdiArea()->subWindowList();
        for (QMdiSubWindow *window : windows)
            QVERIFY(window->close());
        QCOMPARE(frame->Commands()->AcceleratorTable(), 128);
        QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(app.Documents().size(), 1);
    }

    void recentFilesNeverMoreThanFour()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        QStringList paths;
        for (int i = 1; i <= 5; ++i) {
            paths.append(write(QStringLiteral("recent%1.xml").arg(i)));
            QVERIFY(app.OpenDocumentFile(paths.last()));
        }
        QCOMPARE(app.RecentFiles()->Files().size(), 4);
        QMenu *file = app.MainFrame()->MenuBarMenus().first();
        openAndClose(file);
        QStringList recent;
        for (const QString &text : itemTexts(file)) {
            if (text.startsWith(QLatin1Char('&')) && text.at(1).isDigit())
                recent.append(text);
        }
        QCOMPARE(recent.size(), 4);
        QVERIFY(recent.first().startsWith(QStringLiteral("&1 ")));
        QVERIFY(recent.first().endsWith(QStringLiteral("recent5.xml")));
        QVERIFY(!itemTexts(file).contains(QStringLiteral("Recent File")));
        openAndClose(file); // opened twice, the entries are not doubled
        QCOMPARE(itemTexts(file).filter(QStringLiteral("recent")).size(), 4);

        // Choosing an entry whose file has gone removes it from the list.
        CWorkSpaceDoc *second = app.Documents().at(2);
        QCOMPARE(second->GetTitle(), QStringLiteral("recent2.xml"));
        QVERIFY(app.MainFrame()->WindowOf(second)->close());
        QFile::remove(paths.at(1));
        MessageRecorder messages;
        QVERIFY(app.MainFrame()->Commands()->Execute(ID_FILE_MRU_FILE4));
        QCOMPARE(app.RecentFiles()->Files().size(), 3);
        QCOMPARE(messages.count(), 1);
    }

    void windowMenuListsOpenWindows()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({write(QStringLiteral("first.xml"))}));
        QVERIFY(app.OpenDocumentFile(write(QStringLiteral("second.xml"))));
        QMenu *window = app.MainFrame()->MenuBarMenus().at(3);
        QCOMPARE(window->title(), QStringLiteral("&Window"));
        openAndClose(window);
        const QStringList texts = itemTexts(window);
        QCOMPARE(texts.mid(0, 3), (QStringList{"&Cascade", "&Tile", "&Arrange Icons"}));
        QCOMPARE(texts.mid(3), (QStringList{"|", "&1 first.xml", "&2 second.xml"}));
        QAction *first = window->actions().at(4);
        QVERIFY(!first->isChecked());
        first->trigger();
        QCOMPARE(app.MainFrame()->ActiveDocument()->GetTitle(), QStringLiteral("first.xml"));
    }

    void titleFollowsActiveDocument()
    {
        const QString path = write(QStringLiteral("titled.xml"));
        // The window shows before the file opens; its maximised document window may put the
        // name in brackets itself.
        const auto titled = [](const QString &title, const QString &name) {
            return title == QStringLiteral("Treewright - ") + name || title == QStringLiteral("Treewright - [%1]").arg(name);
        };
        {
            CTreewrightApp app;
            QVERIFY(app.InitInstance({path}));
            QVERIFY2(titled(app.MainFrame()->windowTitle(), QStringLiteral("titled.xml")), qPrintable(app.MainFrame()->windowTitle()));
        }
        AppSettings::WriteProfileInt(QStringLiteral("Settings"), QString::fromLatin1(AppSettings::DisplayFullPath), 1);
        CTreewrightApp app;
        QVERIFY(app.InitInstance({path}));
        QVERIFY2(titled(app.MainFrame()->windowTitle(), QFileInfo(path).absoluteFilePath()), qPrintable(app.MainFrame()->windowTitle()));
    }

    void editMenuSwitchRefillsTheEditPopup()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        frame->ActiveChildFrame()->OnEditMenuSwitch(181);
        QCOMPARE(itemTexts(frame->EditMenu()).first(), QStringLiteral("&Undo\tCtrl+Z"));
        frame->ActiveChildFrame()->OnEditMenuSwitch(0); // the file browser's number: the tree's items
        QCOMPARE(frame->ActiveChildFrame()->EditMenuResource(), 219);
        QCOMPARE(itemTexts(frame->EditMenu()).at(3), QStringLiteral("Cu&t\tCtrl+X"));
        frame->OnEditMenuSwitch(172); // relayed to the active document window
        QCOMPARE(itemTexts(frame->EditMenu()).last(), QStringLiteral("Arrange Icons"));
        QCOMPARE(frame->EditMenu(), frame->MenuBarMenus().at(1));
    }

    void droppedFilesOpen()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame *frame = app.MainFrame();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(write(QStringLiteral("dropped.xml"))), QUrl::fromLocalFile(write(QStringLiteral("too.xml")))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
        QCOMPARE(app.Documents().size(), 3);
        QCOMPARE(app.MainFrame()->ActiveDocument()->GetTitle(), QStringLiteral("too.xml"));
    }

    void closingTheProgramAsksForChangedDocuments()
    {
        CTreewrightApp app;
        QVERIFY(app.InitInstance({write(QStringLiteral("kept.xml"))}));
        app.Documents().first()->SetModifiedFlag(true);
        MessageRecorder messages;
        messages.queueAnswer(IDAnswer::Cancel);
        QVERIFY(!app.MainFrame()->close());
        QCOMPARE(messages.lastText(), QStringLiteral("Save changes to ") + QFileInfo(m_dir.filePath(QStringLiteral("kept.xml"))).absoluteFilePath() + QStringLiteral("?"));
        QCOMPARE(app.Documents().size(), 1);
        QVERIFY(app.MainFrame()->isVisible());
        // Exit asks the same way.
        messages.queueAnswer(IDAnswer::Cancel);
        QVERIFY(!app.MainFrame()->Commands()->Execute(ID_APP_EXIT) || app.MainFrame()->isVisible());
        QCOMPARE(messages.count(), 2);
        messages.queueAnswer(IDAnswer::No);
        QVERIFY(app.MainFrame()->close());
    }
};

QTEST_MAIN(TestMainFrame)
#include "tst_mainframe.moc"
