#pragma once

#include <QHash>
#include <QList>
#include <QObject>

#include <functional>

class CCmdTarget;
class CCmdUI;
class QAction;
class QActionGroup;
class QMenu;
class QShortcut;
class QPoint;
class QWidget;
struct MenuItemResource;

// The command route. It owns one QAction per command id, shared by the toolbars and the menus;
// a triggered action, an accelerator or a menu item sends its id along the route, and the first
// target there that handles the id runs it. The same route answers each command's state: an id
// that no target handles is disabled, and a disabled command never runs, whichever way it was
// sent.
class CCommandManager : public QObject
{
    Q_OBJECT

public:
    using Route = std::function<QList<CCmdTarget *>()>;
    // Makes the popups of menus filled from menu resources (submenus and context menus).
    using MenuFactory = std::function<QMenu *(const QString &title, QWidget *parent)>;

    explicit CCommandManager(QObject *parent = nullptr);
    ~CCommandManager() override;
    // The program's one route (the main frame's); null before it exists.
    static CCommandManager *Instance();

    // The targets commands travel through, asked afresh for every command and update.
    void SetRoute(Route route) { m_route = std::move(route); }
    QList<CCmdTarget *> CurrentRoute() const;
    // The kind of menu this route's submenus and context menus are; a plain QMenu by default.
    void SetMenuFactory(MenuFactory factory) { m_menuFactory = std::move(factory); }
    QMenu *CreateMenu(const QString &title, QWidget *parent) const;

    QAction *Action(int id) const { return m_actions.value(id); }
    static int CommandIdOf(const QAction *action);

    // The state the route answers for `id` now.
    void QueryState(CCmdUI *ui) const;
    bool IsEnabled(int id) const;
    // Runs `id` on the first target that handles it, if the command is enabled. True when it ran.
    bool Execute(int id);

    // Updates every shared action now; RequestUpdate does it once the event loop is idle.
    void UpdateAll();
    void RequestUpdate();
    // Updates the items of `menu` (not those of its submenus, which update when they open).
    void UpdateMenu(QMenu *menu) const;

    // Fills `menu` with the entries of a menu resource popup. Items use the shared action of their
    // command unless their text differs from it (the same command worded for another place).
    // Each submenu updates its items when it opens.
    void FillMenu(QMenu *menu, const QList<MenuItemResource> &items);
    // Appends the entries to a menu that FillMenu made (refilling it with other commands).
    void AddMenuItems(QMenu *menu, const QList<MenuItemResource> &items) { AddItems(menu, items, true); }
    // Fills `menu` for display as a context menu: every item is its own action, starting in the
    // resource's state; only the top-level items are updated, by UpdatePopup, when it opens.
    void FillPopup(QMenu *menu, const QList<MenuItemResource> &items);
    // The context menu's pass: top-level items take the route's state (a submenu entry that of
    // its first command), and the items inside submenus keep theirs.
    void UpdatePopup(QMenu *menu) const { UpdateMenu(menu); }
    // Runs the pass over the first popup of menu resource `resourceId` and shows it at `globalPos`
    // until the user chooses or dismisses it. The chosen command travels the route.
    void ShowPopup(int resourceId, const QPoint &globalPos, QWidget *parent);

    // Installs the keys of accelerator table 128 or 131 on `window`, replacing those there before.
    // While a line editor has the focus, the editing keys (Del, cut, copy, paste, select all,
    // undo) are the editor's and do not run commands.
    void SetAcceleratorTable(QWidget *window, int tableId);
    int AcceleratorTable() const { return m_acceleratorTable; }

    // A command that runs through the route, worded as `text`, with the command's picture and
    // status prompt, for menus that keep their own state. Context menus run their command once
    // they have closed (queued), as a chosen command may close the menu's window.
    // `asShown`: the command runs whenever its item could be chosen, whatever the route's state.
    QAction *CreateItemAction(int id, const QString &text, QObject *parent,
                              Qt::ConnectionType connection = Qt::DirectConnection, bool asShown = false);

    static bool IsLineEditorKey(const QKeySequence &key);

Q_SIGNALS:
    // After a command ran, with its id.
    void commandExecuted(int id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateActions();
    // The first target on the route that handles `ui`'s command, having answered its state.
    CCmdTarget *FindHandler(CCmdUI *ui) const;
    void ApplyState(QAction *action, const CCmdUI &ui) const;
    void ApplyPopupState(QAction *popupAction, QMenu *submenu) const;
    void AddItems(QMenu *menu, const QList<MenuItemResource> &items, bool shared, bool nested = false);
    bool Run(int id, bool onlyWhenEnabled);

    Route m_route;
    MenuFactory m_menuFactory;
    QHash<int, QAction *> m_actions;
    QActionGroup *m_viewModes = nullptr;
    QList<QShortcut *> m_shortcuts;
    int m_acceleratorTable = 0;
    bool m_updatePending = false;
};
