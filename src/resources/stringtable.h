#pragma once

#include <QString>

// The program's numbered texts: messages, status-bar prompts (text before "\n") with their
// tooltips (text after it), and the document template string. Ids are the command and
// message numbers the rest of the program uses.
QString LoadResString(int id);
bool HasResString(int id);
