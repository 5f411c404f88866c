#pragma once

#include <QDateTime>
#include <QString>

// One entry of a remote directory listing. Times the server does not report stay invalid; a
// size it does not report is -1.
struct CFtpEntry
{
    QString name;
    QString directory;        // the absolute remote directory the entry was listed in
    bool isDirectory = false;
    bool isLink = false;
    qint64 size = -1;
    QDateTime created;
    QDateTime modified;
    QDateTime accessed;
    bool readOnly = false;
    bool hidden = false;
    bool system = false;
    bool archive = false;
    bool compressed = false;

    // directory + "/" + name, with a single "/" at the top.
    QString FullPath() const
    {
        return directory.endsWith(QLatin1Char('/')) ? directory + name : directory + QLatin1Char('/') + name;
    }
};
