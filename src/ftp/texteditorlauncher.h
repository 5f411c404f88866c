#pragma once

#include <QString>

// Opens a local file in the user's text editor: the desktop's application for plain text, or
// the default application for the file when the desktop names none. The path goes to the
// program as one argument, never through a shell.
class CTextEditorLauncher
{
public:
    static bool Open(const QString &path);
    // The desktop entry of the plain-text application ("org.gnome.TextEditor.desktop"); empty
    // when there is none.
    static QString TextEditorEntry();
};
