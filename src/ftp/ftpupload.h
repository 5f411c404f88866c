#pragma once

#include <QString>

// Sends a saved document back to the FTP, FTPS or SFTP server it came from, with a login of its own that
// ends when the upload does.
class CFtpUpload
{
public:
    // False with the library's text in `error` when the login or the upload failed; the remote
    // file is then as it was.
    static bool Upload(const QString &server, quint16 port, const QString &user, const QString &password,
                       const QString &localPath, const QString &remotePath, QString *error);
};
