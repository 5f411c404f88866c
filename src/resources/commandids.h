#pragma once

#include <QList>

// Command identifiers. From 57600 upward the framework's standard commands; 32771 to 32834 the
// program's own. Filled in with every id the program uses; the numbers never change.
constexpr int ID_SEPARATOR = 0;

// File
constexpr int ID_FILE_NEW = 57600;
constexpr int ID_FILE_OPEN = 57601;
constexpr int ID_FILE_CLOSE = 57602;
constexpr int ID_FILE_SAVE = 57603;
constexpr int ID_FILE_SAVE_AS = 57604;
constexpr int ID_FILE_PAGE_SETUP = 57605;
constexpr int ID_FILE_PRINT_SETUP = 57606;
constexpr int ID_FILE_PRINT = 57607;
constexpr int ID_FILE_PRINT_DIRECT = 57608;
constexpr int ID_FILE_PRINT_PREVIEW = 57609;
constexpr int ID_FILE_MRU_FILE1 = 57616;
constexpr int ID_FILE_MRU_FILE2 = 57617;
constexpr int ID_FILE_MRU_FILE3 = 57618;
constexpr int ID_FILE_MRU_FILE4 = 57619;

// Edit
constexpr int ID_EDIT_CLEAR = 57632;
constexpr int ID_EDIT_CLEAR_ALL = 57633;
constexpr int ID_EDIT_COPY = 57634;
constexpr int ID_EDIT_CUT = 57635;
constexpr int ID_EDIT_FIND = 57636;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_EDIT_REPEAT = 57640;
constexpr int ID_EDIT_REPLACE = 57641;
constexpr int ID_EDIT_SELECT_ALL = 57642;
constexpr int ID_EDIT_UNDO = 57643;
constexpr int ID_EDIT_REDO = 57644;

// Window
constexpr int ID_WINDOW_NEW = 57648;
constexpr int ID_WINDOW_ARRANGE = 57649;
constexpr int ID_WINDOW_CASCADE = 57650;
constexpr int ID_WINDOW_TILE_HORZ = 57651;
constexpr int ID_WINDOW_SPLIT = 57653;

// Application and panes
constexpr int ID_APP_ABOUT = 57664;
constexpr int ID_APP_EXIT = 57665;
constexpr int ID_NEXT_PANE = 57680;
constexpr int ID_PREV_PANE = 57681;

// View
constexpr int ID_VIEW_TOOLBAR = 59392;
constexpr int ID_VIEW_STATUS_BAR = 59393;
constexpr int ID_VIEW_SMALLICON = 59408;
constexpr int ID_VIEW_LARGEICON = 59409;
constexpr int ID_VIEW_LIST = 59410;
constexpr int ID_VIEW_DETAILS = 59411;
constexpr int ID_VIEW_LINEUP = 59412;
constexpr int ID_VIEW_BYNAME = 59413;

// The program's own commands
constexpr int ID_VIEW_NODE_TOOL = 32771;
constexpr int ID_EDIT_NEW_CHILD = 32772;
constexpr int ID_FTP_OPEN_WITH = 32773;
constexpr int ID_EDIT_NEW_SIBLING = 32774;
constexpr int ID_FTP_DELETE = 32775;
constexpr int ID_EDIT_DELETE = 32776;
constexpr int ID_FTP_RENAME = 32777;
constexpr int ID_EDIT_RENAME = 32778;
constexpr int ID_EDIT_PROPERTIES = 32779;
constexpr int ID_NEW_CDATA = 32780;
constexpr int ID_FTP_SEND_TO_NOTEPAD = 32781;
constexpr int ID_NEW_ATTRIBUTE = 32782;
constexpr int ID_FTP_OPEN_DIRECTORY = 32783;
constexpr int ID_NEW_COMMENT = 32784;
constexpr int ID_NEW_TEXT = 32786;
constexpr int ID_NEW_PROCESSING_INSTRUCTION = 32788;
constexpr int ID_FTP_PROPERTIES = 32792;   // the FTP dialog answers it like ID_EDIT_PROPERTIES
constexpr int ID_FILE_SETTINGS = 32795;
constexpr int ID_FILE_OPEN_FTP = 32796;
constexpr int ID_EDIT_SELECT_ALL_TEXT = 32798;
constexpr int ID_FTP_NEW_DIRECTORY = 32801;
constexpr int ID_VIEW_FILE_BROWSER = 32804;
constexpr int ID_EDIT_FONT = 32805;
constexpr int ID_EDIT_FIND_NEXT = 32819;
constexpr int ID_EDIT_PASTE_CLIPBOARD = 32832;
constexpr int ID_HELP_ONLINE = 32834;
// The document's history: undo and redo of the edits made in the tree and the node list.
constexpr int ID_EDIT_UNDO_EDIT = 32900;
constexpr int ID_EDIT_REDO_EDIT = 32901;

// Finding and validating in a document, and their result docks
constexpr int ID_TOOLS_VALIDATE = 33000;
constexpr int ID_TOOLS_VALIDATE_SCHEMA = 33001;
constexpr int ID_EDIT_FIND_PREVIOUS = 33002;
constexpr int ID_VIEW_FIND_BAR = 33003;
constexpr int ID_VIEW_VALIDATION_BAR = 33004;

// The FTP dialog's toolbar button that goes up one directory level. It carries the number of a
// dialog control rather than a menu command because the dialog handles it like its own buttons.
constexpr int ID_FTP_UP_LEVEL = 1007;

const char *CommandName(int id); // "ID_FILE_NEW"; nullptr for an unknown id
int CommandIdFromName(const char *name); // the id named `name`; 0 for an unknown name

// Every command id above (not ID_SEPARATOR), in ascending order.
QList<int> AllCommandIds();
