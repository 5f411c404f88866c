#pragma once

#include <QIcon>

// The picture of a command, shared by its toolbar buttons and menu items; a null icon when the
// command has none.
QIcon CommandIcon(int commandId);
