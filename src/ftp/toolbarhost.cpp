#include "toolbarhost.h"

#include "resources/commandicon.h"
#include "resources/commandids.h"
#include "resources/stringtable.h"
#include "resources/toolbarresource.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolBar>

namespace {

QString fallbackTip(int id)
{
    switch (id) {
    case ID_FTP_UP_LEVEL: return QStringLiteral("Up One Level");
    case ID_FTP_NEW_DIRECTORY: return QStringLiteral("Create New Folder");
    case ID_VIEW_NODE_TOOL: return QStringLiteral("View Menu");
    default: return QStringLiteral("Properties");
    }
}

} // namespace

CToolBarHost::CToolBarHost(QWidget *parent) : QWidget(parent), m_toolBar(new QToolBar(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_toolBar);
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (int id : ToolbarButtons(182)) {
        if (id == ID_SEPARATOR) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction *action = m_toolBar->addAction(CommandIcon(id), CommandTooltip(id));
        action->setData(id);
        action->setObjectName(QString::fromLatin1(CommandName(id)));
        if (action->text().isEmpty())
            action->setText(fallbackTip(id));
        // Toolbar buttons take no focus by default; in a dialog the keyboard must reach them
        // (Tab to the button, Space to press it).
        if (QWidget *button = m_toolBar->widgetForAction(action))
            button->setFocusPolicy(Qt::TabFocus);
        connect(action, &QAction::triggered, this, [this, id] {
            if (id == ID_VIEW_NODE_TOOL)
                Q_EMIT dropDown(id);
            else
                Q_EMIT command(id);
        });
    }
}

QRect CToolBarHost::ButtonRect(int id) const
{
    for (QAction *action : m_toolBar->actions()) {
        if (action->data().toInt() == id) {
            if (QWidget *button = m_toolBar->widgetForAction(action))
                return QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
        }
    }
    return {};
}
