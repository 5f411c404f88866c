#include "remotetrust.h"

#include "ftpclient.h"
#include "ftptask.h"
#include "framework/messagehelper.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSettings>

namespace {

// What the user trusted for this run only, by "host:port".
QHash<QString, QByteArray> &certificatesOnce()
{
    static QHash<QString, QByteArray> table;
    return table;
}

QHash<QString, QByteArray> &hostKeysOnce()
{
    static QHash<QString, QByteArray> table;
    return table;
}

QString serverKey(const QString &host, quint16 port)
{
    return host.toLower() + QLatin1Char(':') + QString::number(port);
}

QString settingsKey(const QString &host, quint16 port)
{
    // "/" would start a settings group; a host name never holds one.
    return QStringLiteral("TrustedCertificates/") + serverKey(host, port).replace(QLatin1Char('/'), QLatin1Char('_'));
}

QString knownHostName(const QString &host, quint16 port)
{
    return port == 22 ? host : QLatin1Char('[') + host + QStringLiteral("]:") + QString::number(port);
}

} // namespace

bool CRemoteTrust::Connect(QWidget *parent, CFtpClient *client, const QString &host, quint16 port,
                           const QString &user, const QString &password)
{
    const QString key = serverKey(host, port);
    // A server may present a certificate and then, once that is settled, nothing else; three
    // rounds cover every sequence without asking forever.
    for (int round = 0; round < 3; ++round) {
        QByteArray certificate = certificatesOnce().value(key);
        if (certificate.isEmpty())
            certificate = PinnedCertificate(host, port);
        client->SetTrustedCertificate(certificate);
        client->SetAcceptedHostKey(hostKeysOnce().value(key));
        const bool connected = CFtpTask::Run(parent, client, QStringLiteral("Connecting to ") + host + QStringLiteral("..."),
                                             [&] { return client->Connect(host, port, user, password); });
        if (connected)
            return true;
        if (!Ask(client, host, port))
            return false;
    }
    return false;
}

bool CRemoteTrust::Ask(CFtpClient *client, const QString &host, quint16 port)
{
    const CRemotePeer &peer = client->RefusedPeer();
    const QString server = host + QLatin1Char(':') + QString::number(port);
    switch (peer.kind) {
    case CRemotePeer::None:
        return false;
    case CRemotePeer::Certificate: {
        const int answer = ShowMessageText(
            QStringLiteral("The certificate of ") + server + QStringLiteral(" is not trusted: ") + peer.problem
                + QStringLiteral("\n\nSubject: ") + peer.subject + QStringLiteral("\nIssuer: ") + peer.issuer
                + QStringLiteral("\nSHA-256 fingerprint: ") + CertificateFingerprint(peer.sha256)
                + QStringLiteral("\n\nYes: trust this certificate always for this server.\nNo: trust it this time only."
                                 "\nCancel: refuse it and do not connect."),
            MB::YesNoCancel | MB::IconExclamation);
        if (answer == IDAnswer::Cancel)
            return false;
        if (answer == IDAnswer::Yes) {
            QSettings settings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
            settings.setValue(settingsKey(host, port), QString::fromLatin1(peer.sha256.toHex()));
        }
        certificatesOnce().insert(serverKey(host, port), peer.sha256);
        return true;
    }
    case CRemotePeer::NewHostKey: {
        const int answer = ShowMessageText(
            QStringLiteral("The host key of ") + server + QStringLiteral(" is not known.\n\n") + peer.keyType
                + QStringLiteral(" key fingerprint: ") + HostKeyFingerprint(peer.sha256)
                + QStringLiteral("\n\nYes: accept the key and add it to ~/.ssh/known_hosts.\nNo: accept it this time only."
                                 "\nCancel: refuse it and do not connect."),
            MB::YesNoCancel | MB::IconExclamation);
        if (answer == IDAnswer::Cancel)
            return false;
        QString error;
        if (answer == IDAnswer::Yes && !AppendKnownHost(host, port, peer.keyType, peer.keyBlob, &error))
            ShowMessageText(QStringLiteral("The key could not be added to ~/.ssh/known_hosts: ") + error, MB::IconExclamation);
        hostKeysOnce().insert(serverKey(host, port), peer.keyBlob);
        return true;
    }
    case CRemotePeer::ChangedHostKey:
        ShowMessageText(QStringLiteral("WARNING: the host key of ") + server
                            + QStringLiteral(" has changed. Someone may be intercepting the connection, or the server's key was"
                                             " replaced.\n\n")
                            + peer.keyType + QStringLiteral(" key fingerprint sent by the server: ")
                            + HostKeyFingerprint(peer.sha256)
                            + QStringLiteral("\n\nThe connection was refused. If the change is expected, remove the old key"
                                             " from ~/.ssh/known_hosts."),
                        MB::IconStop);
        return false;
    }
    return false;
}

QString CRemoteTrust::CertificateFingerprint(const QByteArray &sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

QString CRemoteTrust::HostKeyFingerprint(const QByteArray &sha256)
{
    return QStringLiteral("SHA256:") + QString::fromLatin1(sha256.toBase64(QByteArray::OmitTrailingEquals));
}

QByteArray CRemoteTrust::PinnedCertificate(const QString &host, quint16 port)
{
    QSettings settings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
    return QByteArray::fromHex(settings.value(settingsKey(host, port)).toString().toLatin1());
}

bool CRemoteTrust::AppendKnownHost(const QString &host, quint16 port, const QString &keyType, const QByteArray &blob,
                                   QString *error)
{
    // The key type comes from the server: only a plain name may go into the file.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9@._-]{1,64}$"));
    if (!plainName.match(keyType).hasMatch() || blob.isEmpty()) {
        *error = QStringLiteral("the key type is not valid");
        return false;
    }
    const QString folder = QDir::homePath() + QStringLiteral("/.ssh");
    if (!QDir(folder).exists()) {
        if (!QDir().mkpath(folder)) {
            *error = QStringLiteral("cannot create ") + folder;
            return false;
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QFile file(folder + QStringLiteral("/known_hosts"));
    const bool existed = file.exists();
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) {
        *error = file.errorString();
        return false;
    }
    if (!existed)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QByteArray line;
    if (file.size() > 0 && file.seek(file.size() - 1) && file.read(1) != "\n")
        line += '\n';
    line += knownHostName(host, port).toUtf8() + ' ' + keyType.toLatin1() + ' ' + blob.toBase64() + '\n';
    file.seek(file.size());
    if (file.write(line) != line.size() || !file.flush()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

void CRemoteTrust::ForgetTrustedOnce()
{
    certificatesOnce().clear();
    hostKeysOnce().clear();
}
