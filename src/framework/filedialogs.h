#pragma once

#include <QFont>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

// File-name and font dialogs, replaceable so that tests answer them without blocking.
namespace FileDialogs {

// Returns the chosen path, or an empty string when the user cancels.
QString GetOpenFileName(QWidget *parent, const QString &filter);
// The name chosen to save under; one typed without an extension gets the chosen filter's.
QString GetSaveFileName(QWidget *parent, const QString &proposed, const QString &filter);
QString WithFilterExtension(const QString &path, const QString &filter);

// A hook receives (true for save, the proposed name) and answers the path; empty means cancel.
using Hook = std::function<QString(bool save, const QString &proposed)>;
Hook SetHook(Hook hook);

// The font chooser, showing screen fonts and starting at `initial`. Returns the chosen font, or
// nothing when the user cancels.
std::optional<QFont> GetFont(QWidget *parent, const QFont &initial);

// A font hook receives the starting font and answers the choice; nothing means cancel.
using FontHook = std::function<std::optional<QFont>(const QFont &initial)>;
FontHook SetFontHook(FontHook hook);

}
