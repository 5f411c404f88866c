#include "commandids.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

struct CommandEntry
{
    int id;
    const char *name;
};

#define TW_COMMAND(name) {name, #name}

// Kept in ascending id order: AllCommandIds() returns it as it stands, lookups search it.
constexpr CommandEntry kCommands[] = {
    TW_COMMAND(ID_FTP_UP_LEVEL),
    TW_COMMAND(ID_VIEW_NODE_TOOL),
    TW_COMMAND(ID_EDIT_NEW_CHILD),
    TW_COMMAND(ID_FTP_OPEN_WITH),
    TW_COMMAND(ID_EDIT_NEW_SIBLING),
    TW_COMMAND(ID_FTP_DELETE),
    TW_COMMAND(ID_EDIT_DELETE),
    TW_COMMAND(ID_FTP_RENAME),
    TW_COMMAND(ID_EDIT_RENAME),
    TW_COMMAND(ID_EDIT_PROPERTIES),
    TW_COMMAND(ID_NEW_CDATA),
    TW_COMMAND(ID_FTP_SEND_TO_NOTEPAD),
    TW_COMMAND(ID_NEW_ATTRIBUTE),
    TW_COMMAND(ID_FTP_OPEN_DIRECTORY),
    TW_COMMAND(ID_NEW_COMMENT),
    TW_COMMAND(ID_NEW_TEXT),
    TW_COMMAND(ID_NEW_PROCESSING_INSTRUCTION),
    TW_COMMAND(ID_FTP_PROPERTIES),
    TW_COMMAND(ID_FILE_SETTINGS),
    TW_COMMAND(ID_FILE_OPEN_FTP),
    TW_COMMAND(ID_EDIT_SELECT_ALL_TEXT),
    TW_COMMAND(ID_FTP_NEW_DIRECTORY),
    TW_COMMAND(ID_VIEW_FILE_BROWSER),
    TW_COMMAND(ID_EDIT_FONT),
    TW_COMMAND(ID_EDIT_FIND_NEXT),
    TW_COMMAND(ID_EDIT_PASTE_CLIPBOARD),
    TW_COMMAND(ID_HELP_ONLINE),
    TW_COMMAND(ID_EDIT_UNDO_EDIT),
    TW_COMMAND(ID_EDIT_REDO_EDIT),
    TW_COMMAND(ID_TOOLS_VALIDATE),
    TW_COMMAND(ID_TOOLS_VALIDATE_SCHEMA),
    TW_COMMAND(ID_EDIT_FIND_PREVIOUS),
    TW_COMMAND(ID_VIEW_FIND_BAR),
    TW_COMMAND(ID_VIEW_VALIDATION_BAR),
    TW_COMMAND(ID_FILE_NEW),
    TW_COMMAND(ID_FILE_OPEN),
    TW_COMMAND(ID_FILE_CLOSE),
    TW_COMMAND(ID_FILE_SAVE),
    TW_COMMAND(ID_FILE_SAVE_AS),
    TW_COMMAND(ID_FILE_PAGE_SETUP),
    TW_COMMAND(ID_FILE_PRINT_SETUP),
    TW_COMMAND(ID_FILE_PRINT),
    TW_COMMAND(ID_FILE_PRINT_DIRECT),
    TW_COMMAND(ID_FILE_PRINT_PREVIEW),
    TW_COMMAND(ID_FILE_MRU_FILE1),
    TW_COMMAND(ID_FILE_MRU_FILE2),
    TW_COMMAND(ID_FILE_MRU_FILE3),
    TW_COMMAND(ID_FILE_MRU_FILE4),
    TW_COMMAND(ID_EDIT_CLEAR),
    TW_COMMAND(ID_EDIT_CLEAR_ALL),
    TW_COMMAND(ID_EDIT_COPY),
    TW_COMMAND(ID_EDIT_CUT),
    TW_COMMAND(ID_EDIT_FIND),
    TW_COMMAND(ID_EDIT_PASTE),
    TW_COMMAND(ID_EDIT_REPEAT),
    TW_COMMAND(ID_EDIT_REPLACE),
    TW_COMMAND(ID_EDIT_SELECT_ALL),
    TW_COMMAND(ID_EDIT_UNDO),
    TW_COMMAND(ID_EDIT_REDO),
    TW_COMMAND(ID_WINDOW_NEW),
    TW_COMMAND(ID_WINDOW_ARRANGE),
    TW_COMMAND(ID_WINDOW_CASCADE),
    TW_COMMAND(ID_WINDOW_TILE_HORZ),
    TW_COMMAND(ID_WINDOW_SPLIT),
    TW_COMMAND(ID_APP_ABOUT),
    TW_COMMAND(ID_APP_EXIT),
    TW_COMMAND(ID_NEXT_PANE),
    TW_COMMAND(ID_PREV_PANE),
    TW_COMMAND(ID_VIEW_TOOLBAR),
    TW_COMMAND(ID_VIEW_STATUS_BAR),
    TW_COMMAND(ID_VIEW_SMALLICON),
    TW_COMMAND(ID_VIEW_LARGEICON),
    TW_COMMAND(ID_VIEW_LIST),
    TW_COMMAND(ID_VIEW_DETAILS),
    TW_COMMAND(ID_VIEW_LINEUP),
    TW_COMMAND(ID_VIEW_BYNAME),
};

#undef TW_COMMAND

constexpr bool sortedById()
{
    for (std::size_t i = 1; i < std::size(kCommands); ++i) {
        if (kCommands[i - 1].id >= kCommands[i].id)
            return false;
    }
    return true;
}
static_assert(sortedById(), "command table must stay in ascending id order without duplicates");

} // namespace

const char *CommandName(int id)
{
    const auto it = std::lower_bound(std::begin(kCommands), std::end(kCommands), id,
                                     [](const CommandEntry &entry, int key) { return entry.id < key; });
    return it != std::end(kCommands) && it->id == id ? it->name : nullptr;
}

int CommandIdFromName(const char *name)
{
    if (!name)
        return 0;
    for (const CommandEntry &entry : kCommands) {
        if (std::strcmp(entry.name, name) == 0)
            return entry.id;
    }
    return 0;
}

QList<int> AllCommandIds()
{
    QList<int> ids;
    ids.reserve(std::size(kCommands));
    for (const CommandEntry &entry : kCommands)
        ids.append(entry.id);
    return ids;
}
