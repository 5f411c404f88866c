#pragma once

#include <QString>
#include <QtGlobal>

// What a file on disk looked like when its document last read or wrote it, so that a change
// made by another program can be told when the window is activated again.
struct DiskStamp
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;

    static DiskStamp Of(const QString &path);
    bool operator==(const DiskStamp &other) const = default;
};
