#include "imagemenu.h"

#include "imagemenustyle.h"
#include "framework/commandmanager.h"
#include "resources/commandicon.h"
#include "resources/toolbarresource.h"

#include <QStyleOptionMenuItem>

CImageMenu::CImageMenu(QWidget *parent) : CImageMenu(QString(), parent)
{
}

CImageMenu::CImageMenu(const QString &title, QWidget *parent) : QMenu(title, parent)
{
    setStyle(CImageMenuStyle::Instance());
}

bool CImageMenu::LoadToolbars(const QList<int> &toolbarIds)
{
    bool all = true;
    m_toolbars.clear();
    for (int id : toolbarIds) {
        if (ToolbarButtons(id).isEmpty())
            all = false;
        else
            m_toolbars.append(id);
    }
    update();
    return all;
}

int CImageMenu::PictureSource(int commandId) const
{
    for (int toolbar : m_toolbars) {
        if (!ToolbarPicture(toolbar, commandId).isNull())
            return toolbar;
    }
    return -1;
}

QIcon CImageMenu::Picture(const QAction *action) const
{
    const int id = CCommandManager::CommandIdOf(action);
    const int source = id ? PictureSource(id) : -1;
    return source == -1 ? QIcon() : ToolbarPicture(source, id);
}

QMenu *CImageMenu::Create(const QString &title, QWidget *parent)
{
    auto *menu = new CImageMenu(title, parent);
    const auto *owner = qobject_cast<const CImageMenu *>(parent);
    menu->LoadToolbars(owner ? owner->Toolbars() : QList<int>{128, 173, 182});
    return menu;
}

void CImageMenu::initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const
{
    QMenu::initStyleOption(option, action);
    // The picture is this menu's choice, not the action's: the same shared action has a picture
    // in one menu and none in another. The column is there either way.
    option->icon = Picture(action);
    option->maxIconWidth = PictureWidth;
}
