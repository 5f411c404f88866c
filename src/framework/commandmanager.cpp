#include "commandmanager.h"

#include "cmdtarget.h"
#include "cmdui.h"
#include "resources/acceleratorresource.h"
#include "resources/commandicon.h"
#include "resources/commandids.h"
#include "resources/menuresource.h"
#include "resources/stringtable.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <QTimer>

namespace {

CCommandManager *theManager = nullptr;

const char *const CommandIdProperty = "treewrightCommandId";

// The wording of a command where the user meets it first: the document menu, the frameless
// menu, then the context menus; a command that is on no menu is named by its tooltip.
QString findMenuText(const QList<MenuItemResource> &items, int id)
{
    for (const MenuItemResource &item : items) {
        if (item.kind == MenuItemResource::Kind::Command && item.id == id)
            return item.text;
        if (item.kind == MenuItemResource::Kind::Popup) {
            const QString text = findMenuText(item.items, id);
            if (!text.isEmpty())
                return text;
        }
    }
    return {};
}

QString commandText(int id)
{
    for (int menu : {131, 128, 175, 172, 181, 130, 176}) {
        const QString text = findMenuText(MenuResource(menu), id);
        if (!text.isEmpty())
            return text;
    }
    return CommandTooltip(id);
}

// The first command of a submenu, looking into nested submenus.
int firstCommandOf(const QMenu *menu)
{
    for (QAction *action : menu->actions()) {
        if (action->menu())
            return firstCommandOf(action->menu());
        if (!action->isSeparator())
            return CCommandManager::CommandIdOf(action);
    }
    return 0;
}

bool isLineEditor(const QWidget *widget)
{
    if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget))
        return true;
    return false;
}

} // namespace

CCommandManager::CCommandManager(QObject *parent) : QObject(parent)
{
    CreateActions();
    qApp->installEventFilter(this);
    // The state of commands follows the focus, and the selections users make with keys and mouse.
    connect(qApp, &QApplication::focusChanged, this, &CCommandManager::RequestUpdate);
    theManager = this;
}

CCommandManager::~CCommandManager()
{
    qApp->removeEventFilter(this);
    if (theManager == this)
        theManager = nullptr;
}

CCommandManager *CCommandManager::Instance()
{
    return theManager;
}

void CCommandManager::CreateActions()
{
    m_viewModes = new QActionGroup(this);
    m_viewModes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int id : AllCommandIds()) {
        auto *action = new QAction(commandText(id), this);
        action->setProperty(CommandIdProperty, id);
        action->setIcon(CommandIcon(id));
        action->setStatusTip(CommandPrompt(id));
        action->setToolTip(CommandTooltip(id).isEmpty() ? action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'))
                                                        : CommandTooltip(id));
        action->setEnabled(false);
        connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
        if (id >= ID_VIEW_SMALLICON && id <= ID_VIEW_DETAILS)
            m_viewModes->addAction(action);
        m_actions.insert(id, action);
    }
}

int CCommandManager::CommandIdOf(const QAction *action)
{
    return action ? action->property(CommandIdProperty).toInt() : 0;
}

QList<CCmdTarget *> CCommandManager::CurrentRoute() const
{
    return m_route ? m_route() : QList<CCmdTarget *>();
}

QMenu *CCommandManager::CreateMenu(const QString &title, QWidget *parent) const
{
    return m_menuFactory ? m_menuFactory(title, parent) : new QMenu(title, parent);
}

CCmdTarget *CCommandManager::FindHandler(CCmdUI *ui) const
{
    for (CCmdTarget *target : CurrentRoute()) {
        if (target && target->OnUpdateCommand(ui)) {
            ui->SetHandled();
            return target;
        }
    }
    return nullptr;
}

void CCommandManager::QueryState(CCmdUI *ui) const
{
    FindHandler(ui);
}

bool CCommandManager::IsEnabled(int id) const
{
    CCmdUI ui(id);
    QueryState(&ui);
    return ui.IsHandled() && ui.IsEnabled();
}

bool CCommandManager::Execute(int id)
{
    return Run(id, true);
}

bool CCommandManager::Run(int id, bool onlyWhenEnabled)
{
    CCmdUI ui(id);
    CCmdTarget *handler = FindHandler(&ui);
    if (!handler || (onlyWhenEnabled && !ui.IsEnabled()))
        return false;
    handler->OnCommand(id);
    Q_EMIT commandExecuted(id);
    RequestUpdate();
    return true;
}

void CCommandManager::ApplyState(QAction *action, const CCmdUI &ui) const
{
    action->setEnabled(ui.IsHandled() && ui.IsEnabled());
    if (!ui.Text().isEmpty())
        action->setText(ui.Text());
    if (ui.IsCheckSet()) {
        action->setCheckable(true);
        action->setChecked(ui.Check() != 0);
    } else if (action->isCheckable()) {
        action->setChecked(false);
    }
}

void CCommandManager::ApplyPopupState(QAction *popupAction, QMenu *submenu) const
{
    // A submenu entry shows the state of its first command, and is never disabled merely
    // because nothing handles that command.
    const int first = firstCommandOf(submenu);
    CCmdUI ui(first);
    if (first)
        QueryState(&ui);
    popupAction->setEnabled(!ui.IsHandled() || ui.IsEnabled());
}

void CCommandManager::UpdateAll()
{
    m_updatePending = false;
    for (QAction *action : std::as_const(m_actions)) {
        CCmdUI ui(CommandIdOf(action));
        QueryState(&ui);
        ApplyState(action, ui);
    }
}

void CCommandManager::RequestUpdate()
{
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_updatePending)
            UpdateAll();
    });
}

void CCommandManager::UpdateMenu(QMenu *menu) const
{
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        if (action->menu()) {
            ApplyPopupState(action, action->menu());
            continue;
        }
        const int id = CommandIdOf(action);
        if (!id)
            continue; // items the frame put there itself (recent files, window list)
        CCmdUI ui(id);
        QueryState(&ui);
        ApplyState(action, ui);
    }
}

QAction *CCommandManager::CreateItemAction(int id, const QString &text, QObject *parent,
                                           Qt::ConnectionType connection, bool asShown)
{
    auto *action = new QAction(text, parent);
    action->setProperty(CommandIdProperty, id);
    action->setIcon(CommandIcon(id));
    action->setStatusTip(CommandPrompt(id));
    connect(action, &QAction::triggered, this, [this, id, asShown] { Run(id, !asShown); }, connection);
    return action;
}

void CCommandManager::AddItems(QMenu *menu, const QList<MenuItemResource> &items, bool shared, bool nested)
{
    for (const MenuItemResource &item : items) {
        switch (item.kind) {
        case MenuItemResource::Kind::Separator:
            menu->addSeparator();
            break;
        case MenuItemResource::Kind::Popup: {
            QMenu *submenu = CreateMenu(item.text, menu);
            menu->addMenu(submenu);
            AddItems(submenu, item.items, shared, true);
            if (shared)
                connect(submenu, &QMenu::aboutToShow, this, [this, submenu] { UpdateMenu(submenu); });
            break;
        }
        case MenuItemResource::Kind::Command: {
            QAction *common = Action(item.id);
            if (shared && common && common->text() == item.text) {
                menu->addAction(common);
            } else {
                // The items inside a context menu's submenus keep the resource's state, and one
                // the user could choose runs as shown: its handler, not its rule, decides.
                QAction *own = CreateItemAction(item.id, item.text, menu, shared ? Qt::DirectConnection : Qt::QueuedConnection,
                                                !shared && nested);
                own->setEnabled(!item.grayed);
                menu->addAction(own);
            }
            break;
        }
        }
    }
}

void CCommandManager::FillMenu(QMenu *menu, const QList<MenuItemResource> &items)
{
    AddItems(menu, items, true);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
}

void CCommandManager::FillPopup(QMenu *menu, const QList<MenuItemResource> &items)
{
    AddItems(menu, items, false);
}

void CCommandManager::ShowPopup(int resourceId, const QPoint &globalPos, QWidget *parent)
{
    const QList<MenuItemResource> &popups = MenuResource(resourceId);
    if (popups.isEmpty())
        return;
    // On the heap: a chosen command may close the window the menu belongs to.
    QPointer<QMenu> menu = CreateMenu(QString(), parent);
    FillPopup(menu, popups.first().items);
    UpdatePopup(menu);
    menu->exec(globalPos);
    delete menu.data();
}

void CCommandManager::SetAcceleratorTable(QWidget *window, int tableId)
{
    qDeleteAll(m_shortcuts);
    m_shortcuts.clear();
    m_acceleratorTable = tableId;
    for (const AcceleratorResource &accelerator : ::AcceleratorTable(tableId)) {
        auto *shortcut = new QShortcut(accelerator.key, window);
        const int id = accelerator.commandId;
        connect(shortcut, &QShortcut::activated, this, [this, id] { Execute(id); });
        m_shortcuts.append(shortcut);
    }
}

bool CCommandManager::IsLineEditorKey(const QKeySequence &key)
{
    static const QList<QKeySequence> keys = {
        QKeySequence(Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
        QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert),
        QKeySequence(Qt::CTRL | Qt::Key_A),
        QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace),
    };
    return keys.contains(key);
}

bool CCommandManager::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease || event->type() == QEvent::KeyRelease)
        RequestUpdate();
    // Claiming the override hands the key to the line editor instead of the accelerator.
    if (event->type() == QEvent::ShortcutOverride && watched == QApplication::focusWidget()
        && isLineEditor(QApplication::focusWidget())) {
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        if (IsLineEditorKey(QKeySequence(keyEvent->keyCombination())))
            event->accept();
    }
    return QObject::eventFilter(watched, event);
}
