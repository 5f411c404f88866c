#pragma once

#include "ftpentry.h"
#include "remotepeer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>

class QIODevice;

// One FTP, FTPS (explicit TLS) or SFTP login over libcurl. Every remote path handed to it is absolute or relative to its
// working directory, which is kept here rather than on the server, so no command ever leaves
// the server in another directory than the user sees. Transfers are binary. A call blocks until
// the server has answered; a call may run on another thread than the one that made the client
// as long as only one call runs at a time. RequestAbort, from any thread, makes the running
// transfer give up.
class CFtpClient
{
public:
    enum Scheme { Ftp, Ftps, Sftp };

    CFtpClient();
    ~CFtpClient();
    CFtpClient(const CFtpClient &) = delete;
    CFtpClient &operator=(const CFtpClient &) = delete;

    // Splits "host" or "host:port" ("[v6 address]:port" too); the port is 21 when none is given.
    // False when the port is not a number from 1 to 65535.
    static bool SplitServer(const QString &text, QString *host, quint16 *port);
    // As SplitServer, with an optional "ftp://", "ftps://" or "sftp://" in front (FTP when none
    // is given). The port defaults to the scheme's (21, or 22 for SFTP); `portGiven` tells
    // whether the text named one. False for another scheme or a bad port.
    static bool ParseServer(const QString &text, Scheme *scheme, QString *host, quint16 *port,
                            bool *portGiven = nullptr);
    // "sftp://host" or "ftps://host" ("[v6]" in brackets), the plain host for FTP.
    static QString ServerText(Scheme scheme, const QString &host);

    void SetScheme(Scheme scheme) { m_scheme = scheme; }
    Scheme GetScheme() const { return m_scheme; }
    // A certificate (SHA-256 of its DER bytes) or an SSH host key blob the user has chosen to
    // trust for this server although the usual checks do not.
    void SetTrustedCertificate(const QByteArray &sha256) { m_trustedCertificate = sha256; }
    void SetAcceptedHostKey(const QByteArray &blob) { m_acceptedHostKey = blob; }
    // What the server presented when the last login was refused for want of trust.
    const CRemotePeer &RefusedPeer() const { return m_refusedPeer; }

    // Logs in (passive mode); the directory the server puts the user in becomes the home and
    // working directory. False with LastError() on failure.
    bool Connect(const QString &server, quint16 port, const QString &user, const QString &password);
    bool IsConnected() const { return m_connected; }
    void Close();

    QString HomeDirectory() const { return m_home; }
    QString GetCurrentDirectory() const { return m_cwd; }
    // Changes to an absolute path or one relative to the working directory, when the server
    // lets the user enter it.
    bool SetCurrentDirectory(const QString &path);
    // `path` made absolute against the working directory, "." and ".." resolved.
    QString AbsolutePath(const QString &path) const;

    // The entries of `directory` (the working directory when empty), read fresh from the server.
    bool List(const QString &directory, QList<CFtpEntry> *entries);
    // Writes the remote file's bytes to `out`.
    bool GetFile(const QString &remotePath, QIODevice *out);
    // Sends the local file under a temporary name beside the target and renames it over the
    // target, so a transfer that breaks off never leaves the target cut short.
    bool PutFile(const QString &localPath, const QString &remotePath);
    bool Remove(const QString &path);
    bool RemoveDirectory(const QString &path);
    bool CreateDirectory(const QString &path);
    bool Rename(const QString &oldPath, const QString &newPath);

    // The library's text for the last failure, with the server's answer when it gave one.
    QString LastError() const { return m_lastError; }

    void RequestAbort() { m_abort = true; }
    void ResetAbort() { m_abort = false; }
    qint64 BytesDone() const { return m_bytesDone; }
    qint64 BytesTotal() const { return m_bytesTotal; }
    // Called by the transfer as bytes move; true when the transfer should give up.
    bool ReportProgress(qint64 done, qint64 total)
    {
        m_bytesDone = done;
        m_bytesTotal = total;
        return m_abort;
    }

private:
    struct Request;
    bool Perform(const Request &request);
    bool RunCommands(const QStringList &commands);
    QString Url(const QString &absolutePath, bool directory) const;
    bool CheckPath(const QString &path);

    bool PerformLogin();
    QStringList KeyFiles() const;
    QString Quoted(const QString &path) const;
    bool ListSftp(const QString &target, QByteArray *data);

public:
    // Called by the TLS handshake and the SSH key exchange, on the thread of the transfer.
    int VerifyCertificate(struct x509_store_ctx_st *store);
    int CheckHostKey(const struct curl_khkey *found, int match);

private:

    static size_t OnHeader(char *data, size_t size, size_t count, void *self);
    static size_t OnWrite(char *data, size_t size, size_t count, void *request);
    static size_t OnRead(char *data, size_t size, size_t count, void *request);

    void *m_curl = nullptr;
    Scheme m_scheme = Ftp;
    QByteArray m_trustedCertificate;
    QByteArray m_acceptedHostKey;
    CRemotePeer m_refusedPeer;
    QString m_keyFile; // the SSH private key that logged in
    int m_lastCode = 0; // libcurl's code for the last failure
    QString m_host;
    quint16 m_port = 21;
    QString m_user;
    QString m_password; // in memory only
    QString m_home;
    QString m_cwd;
    QString m_lastError;
    QString m_lastReply;
    bool m_connected = false;
    bool m_useMlsd = true;
    std::atomic<bool> m_abort{false};
    std::atomic<qint64> m_bytesDone{0};
    std::atomic<qint64> m_bytesTotal{0};
};
