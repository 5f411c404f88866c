// The command route: state answers, execution, menus from resources, context menus and the
// accelerator tables, driven with real key events.
#include "framework/cmdtarget.h"
#include "framework/cmdui.h"
#include "framework/commandmanager.h"
#include "resources/commandids.h"
#include "resources/menuresource.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// A target that counts what it ran and answers states it was told to.
class RecordingTarget : public CCmdTarget
{
public:
    QList<int> ran;
    QHash<int, bool> enabled;

    void handle(int id)
    {
        AddCommand(id, [this, id] { ran.append(id); }, [this, id](CCmdUI *ui) { ui->Enable(enabled.value(id, true)); });
    }
};

QStringList texts(const QMenu *menu)
{
    QStringList result;
    for (QAction *action : menu->actions())
        result.append(action->isSeparator() ? QStringLiteral("|") : action->text());
    return result;
}

} // namespace

class TestCommandRoute : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstHandlerOnTheRouteRuns()
    {
        CCommandManager manager;
        RecordingTarget page, frame;
        page.handle(ID_EDIT_CUT);
        frame.handle(ID_EDIT_CUT);
        frame.handle(ID_FILE_NEW);
        manager.SetRoute([&] { return QList<CCmdTarget *>{&page, &frame}; });

        QVERIFY(manager.Execute(ID_EDIT_CUT));
        QVERIFY(manager.Execute(ID_FILE_NEW));
        QCOMPARE(page.ran, QList<int>{ID_EDIT_CUT});
        QCOMPARE(frame.ran, QList<int>{ID_FILE_NEW});

        // A target that handles a command but disables it stops the route there: nothing runs.
        page.enabled[ID_EDIT_CUT] = false;
        QVERIFY(!manager.Execute(ID_EDIT_CUT));
        QCOMPARE(frame.ran, QList<int>{ID_FILE_NEW});
        QVERIFY(!manager.IsEnabled(ID_EDIT_CUT));

        // Nobody handles Paste: it is disabled and does nothing.
        QVERIFY(!manager.IsEnabled(ID_EDIT_PASTE));
        QVERIFY(!manager.Execute(ID_EDIT_PASTE));
        manager.UpdateAll();
        QVERIFY(!manager.Action(ID_EDIT_PASTE)->isEnabled());
        QVERIFY(manager.Action(ID_FILE_NEW)->isEnabled());
    }

    void checkAndRadioStatesReachActions()
    {
        CCommandManager manager;
        CCmdTarget target;
        struct Toggles : CCmdTarget
        {
            bool on = true;
            Toggles()
            {
                AddCommand(ID_VIEW_TOOLBAR, [this] { on = !on; }, [this](CCmdUI *ui) { ui->SetCheck(on); });
                AddCommandRange(ID_VIEW_SMALLICON, ID_VIEW_DETAILS, [](int) {},
                                [](int id, CCmdUI *ui) { ui->SetRadio(id == ID_VIEW_DETAILS); });
            }
        } toggles;
        manager.SetRoute([&] { return QList<CCmdTarget *>{&toggles}; });
        manager.UpdateAll();
        QVERIFY(manager.Action(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(manager.Action(ID_VIEW_DETAILS)->isChecked());
        QVERIFY(!manager.Action(ID_VIEW_LIST)->isChecked());
        manager.Action(ID_VIEW_TOOLBAR)->trigger();
        QVERIFY(!toggles.on);
        manager.UpdateAll();
        QVERIFY(!manager.Action(ID_VIEW_TOOLBAR)->isChecked());
    }

    void menusFollowTheirResources()
    {
        CCommandManager manager;
        RecordingTarget target;
        target.handle(ID_EDIT_CUT);
        manager.SetRoute([&] { return QList<CCmdTarget *>{&target}; });

        QMenu edit;
        manager.FillMenu(&edit, MenuResource(131).at(1).items);
        QCOMPARE(texts(&edit), (QStringList{"&Undo\tCtrl+Z", "Re&do\tCtrl+Y", "|", "Cu&t\tCtrl+X", "&Copy\tCtrl+C",
                                            "&Paste\tCtrl+V", "Paste from Clipboard", "|", "New", "|", "Delete\tDel", "Rename",
                                            "|", "P&roperties"}));
        // Items of the main menus are the shared actions, and update before the menu opens.
        QCOMPARE(edit.actions().at(3), manager.Action(ID_EDIT_CUT));
        manager.UpdateMenu(&edit);
        QVERIFY(edit.actions().at(3)->isEnabled());
        QVERIFY(!edit.actions().at(4)->isEnabled());
        // The same command worded otherwise gets an item of its own that runs the same command.
        QMenu text;
        manager.FillMenu(&text, MenuResource(181).first().items);
        QAction *clear = text.actions().at(5);
        QCOMPARE(clear->text(), QStringLiteral("Clear\tDel"));
        QVERIFY(clear != manager.Action(ID_EDIT_DELETE));
        QCOMPARE(CCommandManager::CommandIdOf(clear), ID_EDIT_DELETE);
    }

    void contextMenuPassReachesOnlyTopLevelItems()
    {
        CCommandManager manager;
        RecordingTarget list;
        for (int id : {ID_EDIT_CUT, ID_NEW_ATTRIBUTE, ID_NEW_COMMENT, ID_NEW_CDATA, ID_NEW_TEXT, ID_NEW_PROCESSING_INSTRUCTION})
            list.handle(id);
        manager.SetRoute([&] { return QList<CCmdTarget *>{&list}; });

        QMenu popup;
        manager.FillPopup(&popup, MenuResource(172).first().items);
        manager.UpdatePopup(&popup);
        QAction *cut = popup.actions().at(3);
        QAction *copy = popup.actions().at(4);
        QVERIFY(cut->isEnabled());
        QVERIFY(!copy->isEnabled()); // no handler
        QAction *newEntry = popup.actions().at(7);
        QCOMPARE(newEntry->text(), QStringLiteral("New"));
        QVERIFY(newEntry->isEnabled()); // takes the state of "Attribute"
        const QList<QAction *> inside = newEntry->menu()->actions();
        QCOMPARE(inside.size(), 6);
        for (QAction *item : inside)
            QVERIFY2(item->isSeparator() || !item->isEnabled(), qPrintable(item->text()));
        // The commands themselves are enabled: the main menu's items and Execute run them.
        QVERIFY(manager.Execute(ID_NEW_ATTRIBUTE));
        QCOMPARE(list.ran, QList<int>{ID_NEW_ATTRIBUTE});

        // A context menu runs its command once it has closed.
        cut->trigger();
        QCOMPARE(list.ran.size(), 1);
        QTRY_COMPARE(list.ran.size(), 2);
        QCOMPARE(list.ran.last(), ID_EDIT_CUT);
    }

    void acceleratorTables()
    {
        CCommandManager manager;
        RecordingTarget view;
        for (int id : {ID_EDIT_FIND, ID_FILE_NEW, ID_EDIT_DELETE, ID_EDIT_COPY, ID_EDIT_FIND_NEXT})
            view.handle(id);
        manager.SetRoute([&] { return QList<CCmdTarget *>{&view}; });
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *list = new QWidget(&window);
        list->setFocusPolicy(Qt::StrongFocus);
        auto *editor = new QLineEdit(QStringLiteral("label"), &window);
        layout->addWidget(list);
        layout->addWidget(editor);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        list->setFocus();

        manager.SetAcceleratorTable(&window, 128);
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_F3);
        QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(view.ran, (QList<int>{ID_FILE_NEW, ID_EDIT_COPY}));

        view.ran.clear();
        manager.SetAcceleratorTable(&window, 131);
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_F3);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(view.ran, (QList<int>{ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_DELETE}));

        // In a line editor the editing keys edit its text; other accelerators still work.
        view.ran.clear();
        editor->setFocus();
        editor->setCursorPosition(0);
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(editor, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(editor->text(), QStringLiteral("abel"));
        QCOMPARE(editor->selectedText(), QStringLiteral("abel"));
        QTest::keyClick(editor, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(view.ran, QList<int>{ID_EDIT_FIND});
    }
};

QTEST_MAIN(TestCommandRoute)
#include "tst_commandroute.moc"
