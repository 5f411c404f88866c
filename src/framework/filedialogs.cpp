#include "filedialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QRegularExpression>
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

QString WithFilterExtension(const QString &path, const QString &filter)
{
    // A name typed without an extension gets the one of the chosen filter, as desktop file
    // dialogs do; "All Files" adds none.
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9_]+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? path + QLatin1Char('.') + match.captured(1) : path;
}

QString GetSaveFileName(QWidget *parent, const QString &proposed, const QString &filter)
{
    if (currentHook())
        return WithFilterExtension(currentHook()(true, proposed), filter);
    QString chosenFilter = filter;
    const QString path = QFileDialog::getSaveFileName(parent, QString(), proposed, filter + QStringLiteral(";;All Files (*)"),
                                                      &chosenFilter);
    return WithFilterExtension(path, chosenFilter);
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
