#pragma once

#include <QString>

#include <functional>

class QWidget;

// File-name dialogs, replaceable so that tests answer them without blocking.
namespace FileDialogs {

// Returns the chosen path, or an empty string when the user cancels.
QString GetOpenFileName(QWidget *parent, const QString &filter);
QString GetSaveFileName(QWidget *parent, const QString &proposed, const QString &filter);

// A hook receives (true for save, the proposed name) and answers the path; empty means cancel.
using Hook = std::function<QString(bool save, const QString &proposed)>;
Hook SetHook(Hook hook);

}
