#include "toolbarresource.h"

#include "commandids.h"

const QList<int> &ToolbarButtons(int resourceId)
{
    // The main frame's toolbar.
    static const QList<int> main = {
        ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_SEPARATOR,
        ID_FILE_PRINT, ID_SEPARATOR,
        ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_SEPARATOR,
        ID_EDIT_UNDO_EDIT, ID_EDIT_REDO_EDIT, ID_SEPARATOR,
        ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_REPLACE, ID_SEPARATOR,
        ID_VIEW_NODE_TOOL, ID_SEPARATOR,
        ID_VIEW_FILE_BROWSER, ID_SEPARATOR,
        ID_TOOLS_VALIDATE,
    };
    // Never shown as a toolbar: it gives menu items pictures for commands the main toolbar lacks.
    static const QList<int> menuImages = {
        ID_WINDOW_NEW, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ, ID_APP_ABOUT,
        ID_NEW_ATTRIBUTE, ID_NEW_COMMENT, ID_NEW_CDATA, ID_NEW_PROCESSING_INSTRUCTION, ID_NEW_TEXT,
        ID_EDIT_DELETE, ID_EDIT_UNDO,
        ID_VIEW_DETAILS, ID_VIEW_LIST, ID_VIEW_LARGEICON, ID_VIEW_SMALLICON,
        ID_FTP_DELETE, ID_FTP_SEND_TO_NOTEPAD, ID_EDIT_NEW_CHILD, ID_EDIT_NEW_SIBLING,
        ID_EDIT_FIND, ID_EDIT_FIND_NEXT, ID_EDIT_REPLACE, ID_EDIT_FONT, ID_EDIT_PROPERTIES,
    };
    // The FTP dialog's toolbar.
    static const QList<int> ftp = {
        ID_FTP_UP_LEVEL, ID_FTP_NEW_DIRECTORY, ID_VIEW_NODE_TOOL, ID_SEPARATOR, ID_EDIT_PROPERTIES,
    };
    static const QList<int> none;
    switch (resourceId) {
    case 128:
        return main;
    case 173:
        return menuImages;
    case 182:
        return ftp;
    default:
        return none;
    }
}
