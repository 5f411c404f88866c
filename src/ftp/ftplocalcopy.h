#pragma once

#include <QFile>
#include <QString>

// The local file a remote file is fetched into: a folder of its own under the temporary
// directory (readable by the user alone, made fresh for every download) holding the remote
// entry's base name. The server chooses the name, so it is cleaned first: whatever it holds,
// the file lands in that folder, never beside another server's file of the same name, and
// never through a link someone planted there.
class CFtpLocalCopy
{
public:
    CFtpLocalCopy() = default;
    ~CFtpLocalCopy();
    CFtpLocalCopy(const CFtpLocalCopy &) = delete;
    CFtpLocalCopy &operator=(const CFtpLocalCopy &) = delete;

    // The last part of `remoteName` after any "/" or "\", without control characters; names
    // that would mean the folder itself or its parent become "download".
    static QString CleanBaseName(const QString &remoteName);

    // Makes the folder and creates the empty file, open for writing. False when either fails.
    bool Create(const QString &remoteName);
    QString Path() const { return m_file.fileName(); }
    QFile *File() { return &m_file; }
    // Closes the file; the folder and the file stay for the document opened from it.
    void Keep();
    // Closes the file and removes it and its folder (a failed download).
    void Discard();

private:
    QString m_folder;
    QFile m_file;
    bool m_keep = false;
};
