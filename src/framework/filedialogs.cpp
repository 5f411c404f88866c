#include "filedialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>

namespace FileDialogs {

namespace {
Hook &currentHook()
{
    static Hook hook;
    return hook;
}

FontHook &currentFontHook()
{
    static FontHook hook;
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

FontHook SetFontHook(FontHook hook)
{
    FontHook previous = std::move(currentFontHook());
    currentFontHook() = std::move(hook);
    return previous;
}

std::optional<QFont> GetFont(QWidget *parent, const QFont &initial)
{
    if (currentFontHook())
        return currentFontHook()(initial);
    QFontDialog dialog(initial, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    // A display font for text: strike-out and underline have no place in it.
    const QString effects = QCoreApplication::translate("QFontDialog", "Effects");
    for (QGroupBox *group : dialog.findChildren<QGroupBox *>()) {
        if (group->title() == effects)
            group->hide();
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedFont();
}

}
