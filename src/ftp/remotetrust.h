#pragma once

#include <QByteArray>
#include <QString>

class CFtpClient;
class QWidget;

// Logs a client in and settles, with the user, what the usual checks cannot: a TLS certificate
// the system does not vouch for, or an SSH host key that ~/.ssh/known_hosts does not hold.
// A certificate can be refused, trusted for this run of the program, or trusted always (its
// fingerprint kept in the settings for that server name and port alone). A new host key can be
// accepted for this run or added to known_hosts; a changed one is always refused.
class CRemoteTrust
{
public:
    // Logs `client` (whose scheme is set) in off the user-interface thread, asking about the
    // server as needed. False when the login failed or the user refused the server; the reason
    // is the client's LastError().
    static bool Connect(QWidget *parent, CFtpClient *client, const QString &host, quint16 port,
                        const QString &user, const QString &password);

    // "AB:CD:..." for a certificate's SHA-256, as browsers show it.
    static QString CertificateFingerprint(const QByteArray &sha256);
    // "SHA256:..." for a host key's SHA-256, as ssh shows it.
    static QString HostKeyFingerprint(const QByteArray &sha256);
    // The certificate fingerprint trusted always for `host` and `port`, empty when none.
    static QByteArray PinnedCertificate(const QString &host, quint16 port);
    // Adds "host key-type base64" ("[host]:port" off port 22) to ~/.ssh/known_hosts, making the
    // folder and the file for the user alone when they are missing.
    static bool AppendKnownHost(const QString &host, quint16 port, const QString &keyType,
                                const QByteArray &blob, QString *error);
    // Forgets what was trusted for this run only.
    static void ForgetTrustedOnce();

private:
    // Shows what the server presented and applies the user's answer; true to try again.
    static bool Ask(CFtpClient *client, const QString &host, quint16 port);
};
