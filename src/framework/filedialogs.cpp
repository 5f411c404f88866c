#include "filedialogs.h"

#include <QFileDialog>

namespace FileDialogs {

namespace {
Hook &currentHook()
{
    static Hook hook;
    return hook;
}
}

Hook SetHook(Hook hook)
{
    Hook previous = std::move(currentHook());
    currentHook() = std::move(hook);
    return previous;
}

QString GetOpenFileName(QWidget *parent, const QString &filter)
{
    if (currentHook())
        return currentHook()(false, QString());
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter + QStringLiteral(";;All Files (*)"));
}

QString GetSaveFileName(QWidget *parent, const QString &proposed, const QString &filter)
{
    if (currentHook())
        return currentHook()(true, proposed);
    return QFileDialog::getSaveFileName(parent, QString(), proposed, filter + QStringLiteral(";;All Files (*)"));
}

}
