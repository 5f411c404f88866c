#include "ftpupload.h"

#include "ftpclient.h"
#include "ftptask.h"

#include <QApplication>
#include <QFileInfo>

bool CFtpUpload::Upload(const QString &server, quint16 port, const QString &user, const QString &password,
                        const QString &localPath, const QString &remotePath, QString *error)
{
    CFtpClient client;
    const QString label = QStringLiteral("Uploading ") + QFileInfo(localPath).fileName() + QStringLiteral("...");
    const bool sent = CFtpTask::Run(QApplication::activeWindow(), &client, label, [&] {
        return client.Connect(server, port, user, password) && client.PutFile(localPath, remotePath);
    });
    if (!sent && error)
        *error = client.LastError();
    client.Close();
    return sent;
}
