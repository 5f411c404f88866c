#pragma once

#include "ftpentry.h"

#include <QByteArray>
#include <QList>

// Reads the directory listings FTP servers send: machine listings (MLSD) and the usual Unix and
// DOS formats of LIST. Lines that fit no format are skipped, as are the entries for the
// directory itself and its parent.
class CFtpListing
{
public:
    static QList<CFtpEntry> ParseMlsd(const QByteArray &data, const QString &directory);
    static QList<CFtpEntry> ParseList(const QByteArray &data, const QString &directory, const QDateTime &now);

    // One line of each format; false when the line is not an entry.
    static bool ParseMlsdLine(const QString &line, CFtpEntry *entry);
    static bool ParseUnixLine(const QString &line, const QDateTime &now, CFtpEntry *entry);
    static bool ParseDosLine(const QString &line, CFtpEntry *entry);
};
