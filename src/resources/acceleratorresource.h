#pragma once

#include <QKeySequence>
#include <QList>

struct AcceleratorResource
{
    QKeySequence key;
    int commandId = 0;
};

// Accelerator table 128 (main frame, no document) or 131 (document windows).
const QList<AcceleratorResource> &AcceleratorTable(int resourceId);
