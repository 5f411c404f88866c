#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real OpenSSH server on 127.0.0.1 for one test program: its own configuration, host key and
// authorized user key in a temporary folder, SFTP starting in a served folder of its own. It
// needs Debian's openssh-server and root (sshd runs as root to log users in).
class SshTestServer
{
public:
    SshTestServer();
    ~SshTestServer();

    // False (with the reason in `why`) when sshd cannot run here or does not come up.
    bool Start(QString *why);
    quint16 Port() const { return m_port; }
    QString Root() const { return m_dir.filePath(QStringLiteral("served")); }
    QString Local(const QString &relative) const { return Root() + QLatin1Char('/') + relative; }
    // The host key as a known_hosts line for this server, and its "SHA256:..." fingerprint.
    QString KnownHostsLine() const;
    QString HostKeyFingerprint() const;
    // The private key the server accepts for the current user (its ".pub" beside it).
    QString UserKey() const { return m_dir.filePath(QStringLiteral("id_ed25519")); }

    // Makes an ed25519 key pair without a passphrase at `path` and `path`.pub.
    static bool MakeKey(const QString &path);
    static QString UserName();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
