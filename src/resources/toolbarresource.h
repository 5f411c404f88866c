#pragma once

#include <QList>

// Button order of toolbar resource 128, 173 or 182; 0 stands for a separator.
const QList<int> &ToolbarButtons(int resourceId);
