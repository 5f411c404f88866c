#pragma once

#include <QString>

// The program's numbered texts: messages, status-bar prompts (text before "\n") with their
// tooltips (text after it), and the document template string. Ids are the command and
// message numbers the rest of the program uses.
QString LoadResString(int id);
bool HasResString(int id);

// The status-bar prompt of a command: its string's text before "\n", or the whole string when it
// has no "\n"; empty when the command has no string.
QString CommandPrompt(int id);

// The tooltip of a command: its string's text after "\n"; empty when there is none.
QString CommandTooltip(int id);

// Strings the framework itself shows.
constexpr int IDS_DOCUMENT_TEMPLATE = 131;   // also under 128, the main frame's number
constexpr int IDS_APP_TITLE = 57344;
constexpr int IDS_IDLE_MESSAGE = 57345;      // "Ready"
