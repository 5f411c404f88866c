#include "menuresource.h"

#include "commandids.h"

#include <QHash>

namespace {

using Item = MenuItemResource;
using Items = QList<MenuItemResource>;

Item command(int id, const char *text, bool grayed = false)
{
    Item item;
    item.kind = Item::Kind::Command;
    item.id = id;
    item.text = QString::fromUtf8(text);
    item.grayed = grayed;
    return item;
}

Item separator()
{
    Item item;
    item.kind = Item::Kind::Separator;
    return item;
}

Item popup(const char *text, Items items)
{
    Item item;
    item.kind = Item::Kind::Popup;
    item.text = QString::fromUtf8(text);
    item.items = std::move(items);
    return item;
}

Items fileMenuWithoutDocument()
{
    return {
        command(ID_FILE_NEW, "&New\tCtrl+N"),
        separator(),
        command(ID_FILE_OPEN, "&Open...\tCtrl+O"),
        command(ID_FILE_OPEN_FTP, "Open FTP..."),
        separator(),
        command(ID_FILE_PRINT_SETUP, "P&rint Setup..."),
        separator(),
        command(ID_FILE_SETTINGS, "Settings..."),
        separator(),
        command(ID_FILE_MRU_FILE1, "Recent File", true),
        separator(),
        command(ID_APP_EXIT, "E&xit"),
    };
}

Items fileMenuWithDocument()
{
    return {
        command(ID_FILE_NEW, "&New\tCtrl+N"),
        separator(),
        command(ID_FILE_OPEN, "&Open...\tCtrl+O"),
        command(ID_FILE_OPEN_FTP, "Open FTP..."),
        separator(),
        command(ID_FILE_SAVE, "&Save\tCtrl+S"),
        command(ID_FILE_SAVE_AS, "Save &As..."),
        separator(),
        command(ID_FILE_PRINT, "&Print...\tCtrl+P"),
        command(ID_FILE_PRINT_PREVIEW, "Print Pre&view"),
        command(ID_FILE_PRINT_SETUP, "P&rint Setup..."),
        separator(),
        command(ID_FILE_SETTINGS, "Settings..."),
        separator(),
        command(ID_FILE_MRU_FILE1, "Recent File", true),
        separator(),
        command(ID_APP_EXIT, "E&xit"),
    };
}

// The element tree's commands: its context menu and the main menu's "&Edit" while a tree or the
// browser page has the focus.
Items treeEditMenu()
{
    return {
        command(ID_EDIT_UNDO_EDIT, "&Undo\tCtrl+Z"),
        command(ID_EDIT_REDO_EDIT, "Re&do\tCtrl+Y"),
        separator(),
        command(ID_EDIT_CUT, "Cu&t\tCtrl+X"),
        command(ID_EDIT_COPY, "&Copy\tCtrl+C"),
        command(ID_EDIT_PASTE, "&Paste\tCtrl+V"),
        command(ID_EDIT_PASTE_CLIPBOARD, "Paste from Clipboard"),
        separator(),
        popup("New", {
            command(ID_EDIT_NEW_CHILD, "Child Node"),
            command(ID_EDIT_NEW_SIBLING, "Sibling Node"),
        }),
        separator(),
        command(ID_EDIT_DELETE, "Delete\tDel"),
        command(ID_EDIT_RENAME, "Rename"),
        separator(),
        // "&Paste" has P already; two items with one mnemonic would only cycle between them.
        command(ID_EDIT_PROPERTIES, "P&roperties"),
    };
}

// The list-view modes, shared by the node list's "Arrange Icons" submenu and the "VIEWS" menu.
Items viewModeItems()
{
    return {
        command(ID_VIEW_LARGEICON, "Large Icons"),
        command(ID_VIEW_SMALLICON, "Small Icons"),
        command(ID_VIEW_LIST, "List"),
        command(ID_VIEW_DETAILS, "Details"),
    };
}

Items mainMenuWithoutDocument()
{
    return {
        popup("&File", fileMenuWithoutDocument()),
        popup("&View", {
            command(ID_VIEW_STATUS_BAR, "&Status Bar"),
            command(ID_VIEW_TOOLBAR, "&Toolbar"),
        }),
        popup("&Help", {
            command(ID_APP_ABOUT, "&About Treewright..."),
        }),
    };
}

Items mainMenuWithDocument()
{
    return {
        popup("&File", fileMenuWithDocument()),
        popup("&Edit", treeEditMenu()),
        popup("&View", {
            command(ID_VIEW_STATUS_BAR, "&Status Bar"),
            command(ID_VIEW_TOOLBAR, "&Toolbar"),
            command(ID_WINDOW_SPLIT, "S&plit"),
        }),
        popup("&Window", {
            command(ID_WINDOW_CASCADE, "&Cascade"),
            command(ID_WINDOW_TILE_HORZ, "&Tile"),
            command(ID_WINDOW_ARRANGE, "&Arrange Icons"),
        }),
        popup("&Tools", {
            command(ID_EDIT_FIND, "&Find in Document...\tCtrl+F"),
            command(ID_EDIT_FIND_NEXT, "Find &Next Result\tF3"),
            command(ID_EDIT_FIND_PREVIOUS, "Find &Previous Result\tShift+F3"),
            separator(),
            command(ID_TOOLS_VALIDATE, "&Validate"),
            command(ID_TOOLS_VALIDATE_SCHEMA, "Validate Against &Schema..."),
            separator(),
            command(ID_VIEW_FIND_BAR, "Find &Results"),
            command(ID_VIEW_VALIDATION_BAR, "Validation R&esults"),
        }),
        popup("&Help", {
            command(ID_APP_ABOUT, "&About Treewright..."),
            command(ID_HELP_ONLINE, "Online Help ..."),
        }),
    };
}

// The node list's "New" items start greyed: its context menu enables only top-level items, so
// they stay disabled there, while the main menu's update pass enables them.
Items nodeListEditMenu()
{
    return {popup("&Edit", {
        command(ID_EDIT_UNDO_EDIT, "&Undo\tCtrl+Z"),
        command(ID_EDIT_REDO_EDIT, "Re&do\tCtrl+Y"),
        separator(),
        command(ID_EDIT_CUT, "Cu&t\tCtrl+X"),
        command(ID_EDIT_COPY, "&Copy\tCtrl+C"),
        command(ID_EDIT_PASTE, "&Paste\tCtrl+V"),
        separator(),
        popup("New", {
            command(ID_NEW_ATTRIBUTE, "Attribute", true),
            command(ID_NEW_COMMENT, "Comment", true),
            command(ID_NEW_CDATA, "CDATA", true),
            command(ID_NEW_TEXT, "Text", true),
            separator(),
            command(ID_NEW_PROCESSING_INSTRUCTION, "Process Intruction", true),
        }),
        separator(),
        command(ID_EDIT_DELETE, "Delete\tDel"),
        command(ID_EDIT_RENAME, "Rename"),
        separator(),
        popup("Arrange Icons", viewModeItems()),
    })};
}

Items sourceEditMenu()
{
    return {popup("&Edit", {
        command(ID_EDIT_UNDO, "&Undo\tCtrl+Z"),
        separator(),
        command(ID_EDIT_CUT, "Cu&t\tCtrl+X"),
        command(ID_EDIT_COPY, "&Copy\tCtrl+C"),
        command(ID_EDIT_PASTE, "&Paste\tCtrl+V"),
        command(ID_EDIT_DELETE, "Clear\tDel"),
        command(ID_EDIT_SELECT_ALL_TEXT, "Select &All\tCtrl+A"),
        separator(),
        command(ID_EDIT_FIND, "Find...\tCtrl+F"),
        command(ID_EDIT_FIND_NEXT, "Find Next\tF3"),
        command(ID_EDIT_REPLACE, "Replace...\tCtrl+H"),
        separator(),
        command(ID_EDIT_FONT, "Font..."),
    })};
}

// The FTP dialog picks popup 0, 1 or 2 by what was clicked; popup 3 is never shown.
Items ftpContextMenus()
{
    return {
        popup("Files", {
            command(ID_FILE_OPEN, "Open"),
            separator(),
            command(ID_FTP_DELETE, "&Delete"),
            command(ID_FTP_RENAME, "&Rename"),
            separator(),
            command(ID_EDIT_PROPERTIES, "&Properties"),
        }),
        popup("Dir", {
            command(ID_FTP_OPEN_DIRECTORY, "&Open"),
            separator(),
            command(ID_FTP_DELETE, "&Delete"),
            command(ID_FTP_RENAME, "&Rename"),
            separator(),
            command(ID_EDIT_PROPERTIES, "&Properties"),
        }),
        popup("Emtpy", {
            popup("New", {
                command(ID_FTP_NEW_DIRECTORY, "&Directory"),
            }),
            separator(),
            command(ID_EDIT_PROPERTIES, "&Properties"),
        }),
        popup("notused", {
            command(ID_FTP_OPEN_WITH, "&Open With ..."),
            command(ID_FTP_SEND_TO_NOTEPAD, "Send to &Notepad"),
        }),
    };
}

QHash<int, Items> buildMenus()
{
    const Items treeMenu = {popup("&Edit", treeEditMenu())};
    return {
        {128, mainMenuWithoutDocument()},
        {130, {popup("VIEWS", viewModeItems())}},
        {131, mainMenuWithDocument()},
        {172, nodeListEditMenu()},
        {175, treeMenu},
        {176, ftpContextMenus()},
        {181, sourceEditMenu()},
        {219, treeMenu},
    };
}

} // namespace

const QList<MenuItemResource> &MenuResource(int resourceId)
{
    static const QHash<int, Items> menus = buildMenus();
    static const Items none;
    const auto it = menus.constFind(resourceId);
    return it == menus.cend() ? none : *it;
}
