#pragma once

#include <QIcon>
#include <QPixmap>

// The picture of a command, shared by its toolbar buttons and menu items; a null icon when the
// command has none.
QIcon CommandIcon(int commandId);

// The picture of `commandId`'s button on toolbar strip `toolbarId` (128, 173 or 182); a null
// icon when the command has no button there.
QIcon ToolbarPicture(int toolbarId, int commandId);

// The program's own icon, for its windows.
QIcon AppIcon();

// The picture of the About box and the splash window, 233 by 100 logical pixels, drawn at the
// screen's device pixel ratio.
QPixmap AboutPicture();
