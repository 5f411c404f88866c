#include "ftpupload.h"

#include "ftpclient.h"
#include "ftptask.h"
#include "remotetrust.h"

#include <QApplication>
#include <QFileInfo>

bool CFtpUpload::Upload(const QString &server, quint16 port, const QString &user, const QString &password,
                        const QString &localPath, const QString &remotePath, QString *error)
{
    // `server` keeps the scheme of the document's origin ("sftp://host"); `port` is the one
    // the document was opened from.
    CFtpClient client;
    CFtpClient::Scheme scheme = CFtpClient::Ftp;
    QString host;
    quint16 defaultPort = 21;
    if (!CFtpClient::ParseServer(server, &scheme, &host, &defaultPort))
        host = server; // the login then fails and says why
    client.SetScheme(scheme);
    const QString label = QStringLiteral("Uploading ") + QFileInfo(localPath).fileName() + QStringLiteral("...");
    QWidget *parent = QApplication::activeWindow();
    const bool sent = CRemoteTrust::Connect(parent, &client, host, port, user, password)
        && CFtpTask::Run(parent, &client, label, [&] { return client.PutFile(localPath, remotePath); });
    if (!sent && error)
        *error = client.LastError();
    client.Close();
    return sent;
}
