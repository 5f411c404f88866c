#include "ftpclient.h"

#include "ftplisting.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <mutex>

namespace {

void initialiseLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Server reply codes that mean "this server does not know the command".
bool isUnknownCommand(const QString &reply)
{
    return reply.startsWith(QLatin1String("500")) || reply.startsWith(QLatin1String("501"))
        || reply.startsWith(QLatin1String("502")) || reply.startsWith(QLatin1String("504"));
}

struct CurlList
{
    curl_slist *list = nullptr;
    explicit CurlList(const QStringList &lines)
    {
        for (const QString &line : lines)
            list = curl_slist_append(list, line.toUtf8().constData());
    }
    ~CurlList() { curl_slist_free_all(list); }
};

int onProgress(void *self, curl_off_t downTotal, curl_off_t downNow, curl_off_t upTotal, curl_off_t upNow)
{
    return static_cast<CFtpClient *>(self)->ReportProgress(qint64(downNow + upNow), qint64(downTotal + upTotal)) ? 1 : 0;
}

int verifyCertificate(X509_STORE_CTX *store, void *self)
{
    return static_cast<CFtpClient *>(self)->VerifyCertificate(store);
}

// libcurl hands over OpenSSL's context before each handshake (control and data connections):
// the chain and the name are then checked by our own callback, which can accept a certificate
// the user chose to trust and remember what a refused one looked like.
CURLcode onSslContext(CURL *, void *context, void *self)
{
    SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX *>(context), &verifyCertificate, self);
    return CURLE_OK;
}

int onSshKey(CURL *, const curl_khkey *, const curl_khkey *found, curl_khmatch match, void *self)
{
    return static_cast<CFtpClient *>(self)->CheckHostKey(found, int(match));
}

QString nameText(X509_NAME *name)
{
    BIO *bio = BIO_new(BIO_s_mem());
    X509_NAME_print_ex(bio, name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
    char *data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    const QString text = QString::fromUtf8(data, qsizetype(length));
    BIO_free(bio);
    return text;
}

// The key type an SSH key blob names in its first field.
QString keyTypeOf(const QByteArray &blob)
{
    if (blob.size() < 4)
        return QString();
    const quint32 length = (quint32(uchar(blob[0])) << 24) | (quint32(uchar(blob[1])) << 16)
        | (quint32(uchar(blob[2])) << 8) | quint32(uchar(blob[3]));
    if (length > quint32(blob.size() - 4) || length > 64)
        return QString();
    return QString::fromLatin1(blob.mid(4, qsizetype(length)));
}

} // namespace

struct CFtpClient::Request
{
    QString url;
    bool noBody = false;
    QByteArray customRequest;
    QStringList quote;
    QStringList postQuote;
    QIODevice *out = nullptr;
    QIODevice *in = nullptr;
    qint64 inSize = -1;
};

CFtpClient::CFtpClient()
{
    initialiseLibrary();
}

CFtpClient::~CFtpClient()
{
    Close();
}

bool CFtpClient::SplitServer(const QString &text, QString *host, quint16 *port)
{
    Scheme scheme = Ftp;
    return ParseServer(text, &scheme, host, port);
}

bool CFtpClient::ParseServer(const QString &text, Scheme *scheme, QString *host, quint16 *port, bool *portGiven)
{
    QString name = text.trimmed();
    *scheme = Ftp;
    if (portGiven)
        *portGiven = false;
    const qsizetype separator = name.indexOf(QLatin1String("://"));
    if (separator >= 0) {
        const QString prefix = name.left(separator).toLower();
        name = name.mid(separator + 3);
        if (name.endsWith(QLatin1Char('/')))
            name.chop(1);
        if (prefix == QLatin1String("ftps")) {
            *scheme = Ftps;
        } else if (prefix == QLatin1String("sftp")) {
            *scheme = Sftp;
        } else if (prefix != QLatin1String("ftp")) {
            *host = name;
            *port = 21;
            return false;
        }
    }
    QString portText;
    if (name.startsWith(QLatin1Char('['))) {
        const qsizetype close = name.indexOf(QLatin1Char(']'));
        if (close > 0) {
            if (name.mid(close + 1).startsWith(QLatin1Char(':')))
                portText = name.mid(close + 2);
            name = name.mid(1, close - 1);
        }
    } else if (name.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = name.indexOf(QLatin1Char(':'));
        portText = name.mid(colon + 1);
        name.truncate(colon);
    }
    *host = name;
    *port = *scheme == Sftp ? 22 : 21;
    if (portText.isEmpty())
        return true;
    bool ok = false;
    const uint value = portText.toUInt(&ok);
    if (!ok || value == 0 || value > 65535)
        return false;
    *port = quint16(value);
    if (portGiven)
        *portGiven = true;
    return true;
}

QString CFtpClient::ServerText(Scheme scheme, const QString &host)
{
    if (scheme == Ftp)
        return host;
    const QString name = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return (scheme == Ftps ? QStringLiteral("ftps://") : QStringLiteral("sftp://")) + name;
}

bool CFtpClient::Connect(const QString &server, quint16 port, const QString &user, const QString &password)
{
    Close();
    m_host = server;
    m_port = port;
    m_user = user;
    m_password = password;
    m_useMlsd = true;
    m_refusedPeer = CRemotePeer();
    m_keyFile.clear();
    if (m_host.isEmpty() || m_host.contains(QLatin1Char('/')) || m_host.contains(QLatin1Char('@'))
        || m_host.contains(QLatin1Char('\r')) || m_host.contains(QLatin1Char('\n'))) {
        m_lastError = QStringLiteral("The server name is not valid.");
        return false;
    }
    m_curl = curl_easy_init();
    if (!m_curl) {
        m_lastError = QStringLiteral("Out of memory.");
        return false;
    }
    if (!PerformLogin()) {
        Close();
        return false;
    }
    char *entry = nullptr;
    curl_easy_getinfo(static_cast<CURL *>(m_curl), CURLINFO_FTP_ENTRY_PATH, &entry);
    m_home = entry ? QString::fromUtf8(entry) : QString();
    m_cwd = m_home.startsWith(QLatin1Char('/')) ? m_home : QStringLiteral("/");
    m_connected = true;
    return true;
}

// The key files ssh itself would offer, in its order; the first that exists is tried first.
QStringList CFtpClient::KeyFiles() const
{
    QStringList files;
    const QString folder = QDir::homePath() + QStringLiteral("/.ssh/");
    for (const char *name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        if (QFileInfo::exists(folder + QLatin1String(name)))
            files.append(folder + QLatin1String(name));
    }
    return files;
}

bool CFtpClient::PerformLogin()
{
    Request login;
    // Over SFTP "/~/" is the login directory, whose absolute path libcurl then reports.
    login.url = m_scheme == Sftp ? Url(QStringLiteral("/~"), true) : Url(QString(), true);
    login.noBody = true;
    if (m_scheme != Sftp)
        return Perform(login);
    const QStringList keys = KeyFiles();
    for (qsizetype i = 0;; ++i) {
        m_keyFile = keys.value(i);
        if (Perform(login))
            return true;
        if (m_lastCode != CURLE_LOGIN_DENIED || i + 1 >= keys.size())
            return false;
    }
}

void CFtpClient::Close()
{
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL *>(m_curl)); // sends QUIT on a live login
    m_curl = nullptr;
    m_connected = false;
}

QString CFtpClient::AbsolutePath(const QString &path) const
{
    const QString joined = path.startsWith(QLatin1Char('/')) ? path : m_cwd + QLatin1Char('/') + path;
    QStringList parts;
    for (const QString &part : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QString CFtpClient::Url(const QString &absolutePath, bool directory) const
{
    QString host = m_host;
    if (host.contains(QLatin1Char(':')))
        host = QLatin1Char('[') + host + QLatin1Char(']');
    QString url = (m_scheme == Sftp ? QStringLiteral("sftp://") : QStringLiteral("ftp://")) + host + QLatin1Char(':')
        + QString::number(m_port) + QLatin1Char('/');
    if (!absolutePath.isEmpty()) {
        // "%2F" starts an FTP path at the server's top instead of the login directory; SFTP
        // paths are absolute already.
        if (m_scheme != Sftp)
            url += QStringLiteral("%2F");
        QStringList parts;
        for (const QString &part : absolutePath.split(QLatin1Char('/'), Qt::SkipEmptyParts))
            parts.append(QString::fromLatin1(QUrl::toPercentEncoding(part)));
        url += parts.join(QLatin1Char('/'));
        if (directory && !parts.isEmpty())
            url += QLatin1Char('/');
    }
    return url;
}

// Names go into commands on the control connection: a line break would start a command of the
// server's choosing.
bool CFtpClient::CheckPath(const QString &path)
{
    if (path.contains(QLatin1Char('\r')) || path.contains(QLatin1Char('\n')) || path.contains(QChar(0))) {
        m_lastError = QStringLiteral("The name contains a line break.");
        return false;
    }
    if (!m_curl) {
        m_lastError = QStringLiteral("Not connected.");
        return false;
    }
    return true;
}

bool CFtpClient::Perform(const Request &request)
{
    CURL *curl = static_cast<CURL *>(m_curl);
    curl_easy_reset(curl);
    char errorBuffer[CURL_ERROR_SIZE] = {};
    const QByteArray url = request.url.toUtf8();
    const QByteArray user = m_user.toUtf8();
    const QByteArray password = m_password.toUtf8();
    CurlList quote(request.quote);
    CurlList postQuote(request.postQuote);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, m_scheme == Sftp ? "sftp" : "ftp");
    if (m_scheme == Ftps) {
        // AUTH TLS before the login, and the files and listings encrypted too; a server that
        // cannot is refused rather than spoken to in the clear. The peer is verified against
        // the system's certificates, its name in the same step (onSslContext).
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, long(CURLFTPAUTH_TLS));
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, this);
        // A libcurl over another TLS library has no context hook: it then checks the name itself.
        const bool hooked = curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &onSslContext) == CURLE_OK;
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, hooked ? 0L : 2L);
    }
    const QByteArray knownHosts = QFile::encodeName(QDir::homePath() + QStringLiteral("/.ssh/known_hosts"));
    const QByteArray keyFile = QFile::encodeName(m_keyFile);
    const QByteArray publicKeyFile = QFile::encodeName(m_keyFile + QStringLiteral(".pub"));
    if (m_scheme == Sftp) {
        curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, knownHosts.constData());
        curl_easy_setopt(curl, CURLOPT_SSH_KEYFUNCTION, &onSshKey);
        curl_easy_setopt(curl, CURLOPT_SSH_KEYDATA, this);
        long types = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD | CURLSSH_AUTH_AGENT;
        if (!m_keyFile.isEmpty()) {
            types |= CURLSSH_AUTH_PUBLICKEY;
            curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, keyFile.constData());
            if (QFileInfo::exists(m_keyFile + QStringLiteral(".pub")))
                curl_easy_setopt(curl, CURLOPT_SSH_PUBLIC_KEYFILE, publicKeyFile.constData());
        }
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, types);
    }
    curl_easy_setopt(curl, CURLOPT_USERNAME, user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password.constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    curl_easy_setopt(curl, CURLOPT_FTP_USE_EPSV, 1L);
    curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
    // A stalled transfer ends after a minute without a byte.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &CFtpClient::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    if (request.noBody)
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    if (!request.customRequest.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, request.customRequest.constData());
    if (quote.list)
        curl_easy_setopt(curl, CURLOPT_QUOTE, quote.list);
    if (postQuote.list)
        curl_easy_setopt(curl, CURLOPT_POSTQUOTE, postQuote.list);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &CFtpClient::OnWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, const_cast<Request *>(&request));
    if (request.in) {
        curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(curl, CURLOPT_READFUNCTION, &CFtpClient::OnRead);
        curl_easy_setopt(curl, CURLOPT_READDATA, const_cast<Request *>(&request));
        curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(request.inSize));
    }
    m_lastReply.clear();
    m_refusedPeer = CRemotePeer(); // only the peer of this request's connection counts
    m_bytesDone = 0;
    m_bytesTotal = 0;
    const CURLcode code = curl_easy_perform(curl);
    m_lastCode = int(code);
    if (code == CURLE_OK) {
        m_lastError.clear();
        return true;
    }
    if (m_refusedPeer.kind == CRemotePeer::Certificate) {
        m_lastError = QStringLiteral("The server's certificate is not trusted: ") + m_refusedPeer.problem;
        return false;
    }
    if (m_refusedPeer.kind == CRemotePeer::NewHostKey) {
        m_lastError = QStringLiteral("The server's host key is not known.");
        return false;
    }
    if (m_refusedPeer.kind == CRemotePeer::ChangedHostKey) {
        m_lastError = QStringLiteral("The server's host key has changed.");
        return false;
    }
    m_lastError = errorBuffer[0] ? QString::fromUtf8(errorBuffer).trimmed() : QString::fromUtf8(curl_easy_strerror(code));
    if (code == CURLE_ABORTED_BY_CALLBACK)
        m_lastError = QStringLiteral("The transfer was cancelled.");
    else if (!m_lastReply.isEmpty() && (m_lastReply.startsWith(QLatin1Char('4')) || m_lastReply.startsWith(QLatin1Char('5'))))
        m_lastError += QStringLiteral(" (") + m_lastReply + QLatin1Char(')');
    return false;
}

bool CFtpClient::RunCommands(const QStringList &commands)
{
    for (const QString &command : commands) {
        if (!CheckPath(command))
            return false;
    }
    Request request;
    request.url = Url(QString(), true);
    request.noBody = true;
    request.quote = commands;
    return Perform(request);
}

bool CFtpClient::SetCurrentDirectory(const QString &path)
{
    if (!CheckPath(path))
        return false;
    const QString target = AbsolutePath(path);
    if (m_scheme == Sftp) {
        // libcurl answers a bodiless SFTP request for any path: only reading the directory
        // tells whether the user may enter it.
        QByteArray ignored;
        if (!ListSftp(target, &ignored))
            return false;
        m_cwd = target;
        return true;
    }
    Request request;
    request.url = Url(target, true);
    request.noBody = true;
    if (!Perform(request))
        return false;
    m_cwd = target;
    return true;
}

bool CFtpClient::ListSftp(const QString &target, QByteArray *data)
{
    QBuffer buffer(data);
    buffer.open(QIODevice::WriteOnly);
    Request request;
    request.url = Url(target, true);
    request.out = &buffer;
    return Perform(request);
}

bool CFtpClient::List(const QString &directory, QList<CFtpEntry> *entries)
{
    if (!CheckPath(directory))
        return false;
    const QString target = directory.isEmpty() ? m_cwd : AbsolutePath(directory);
    if (m_scheme == Sftp) {
        // The SFTP server's long names are lines of "ls -l".
        QByteArray listing;
        if (!ListSftp(target, &listing))
            return false;
        *entries = CFtpListing::ParseList(listing, target, QDateTime::currentDateTime());
        return true;
    }
    QBuffer data;
    data.open(QIODevice::WriteOnly);
    Request request;
    request.url = Url(target, true);
    request.out = &data;
    if (m_useMlsd) {
        request.customRequest = "MLSD";
        if (Perform(request)) {
            *entries = CFtpListing::ParseMlsd(data.data(), target);
            return true;
        }
        if (!isUnknownCommand(m_lastReply))
            return false;
        m_useMlsd = false; // the server has only the older listing
        data.buffer().clear();
        data.seek(0);
        request.customRequest.clear();
    }
    request.customRequest = "LIST";
    if (!Perform(request))
        return false;
    *entries = CFtpListing::ParseList(data.data(), target, QDateTime::currentDateTime());
    return true;
}

bool CFtpClient::GetFile(const QString &remotePath, QIODevice *out)
{
    if (!CheckPath(remotePath))
        return false;
    Request request;
    request.url = Url(AbsolutePath(remotePath), false);
    request.out = out;
    return Perform(request);
}

bool CFtpClient::PutFile(const QString &localPath, const QString &remotePath)
{
    if (!CheckPath(remotePath))
        return false;
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly)) {
        m_lastError = file.errorString();
        return false;
    }
    const QString target = AbsolutePath(remotePath);
    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString directory = target.left(slash);
    const QString temporary = directory + QStringLiteral("/.") + target.mid(slash + 1).left(100)
        + QStringLiteral(".twr") + QString::number(QRandomGenerator::global()->generate() % 1000000) + QStringLiteral(".part");
    Request request;
    request.url = Url(temporary, false);
    request.in = &file;
    request.inSize = file.size();
    // An SFTP rename does not replace an existing file: the old one steps aside first and is
    // put back should the new one fail to take its place ("*": a failure is no error).
    const QString backup = temporary + QStringLiteral(".old");
    if (m_scheme == Sftp)
        request.postQuote = {QStringLiteral("*rename ") + Quoted(target) + QLatin1Char(' ') + Quoted(backup),
                             QStringLiteral("rename ") + Quoted(temporary) + QLatin1Char(' ') + Quoted(target),
                             QStringLiteral("*rm ") + Quoted(backup)};
    else
        request.postQuote = {QStringLiteral("RNFR ") + temporary, QStringLiteral("RNTO ") + target};
    if (Perform(request))
        return true;
    // Whatever arrived under the temporary name goes; the target was never touched.
    const QString error = m_lastError;
    const bool aborted = m_abort;
    m_abort = false;
    if (m_scheme == Sftp)
        RunCommands({QStringLiteral("*rename ") + Quoted(backup) + QLatin1Char(' ') + Quoted(target),
                     QStringLiteral("*rm ") + Quoted(temporary)});
    else
        RunCommands({QStringLiteral("DELE ") + temporary});
    m_lastError = error;
    m_abort = aborted;
    return false;
}

// SFTP commands take their paths in double quotes, '"' and '\' escaped with a backslash.
QString CFtpClient::Quoted(const QString &path) const
{
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool CFtpClient::Remove(const QString &path)
{
    if (!CheckPath(path))
        return false;
    if (m_scheme == Sftp)
        return RunCommands({QStringLiteral("rm ") + Quoted(AbsolutePath(path))});
    return RunCommands({QStringLiteral("DELE ") + AbsolutePath(path)});
}

bool CFtpClient::RemoveDirectory(const QString &path)
{
    if (!CheckPath(path))
        return false;
    if (m_scheme == Sftp)
        return RunCommands({QStringLiteral("rmdir ") + Quoted(AbsolutePath(path))});
    return RunCommands({QStringLiteral("RMD ") + AbsolutePath(path)});
}

bool CFtpClient::CreateDirectory(const QString &path)
{
    if (!CheckPath(path))
        return false;
    if (m_scheme == Sftp)
        return RunCommands({QStringLiteral("mkdir ") + Quoted(AbsolutePath(path))});
    return RunCommands({QStringLiteral("MKD ") + AbsolutePath(path)});
}

bool CFtpClient::Rename(const QString &oldPath, const QString &newPath)
{
    if (!CheckPath(oldPath) || !CheckPath(newPath))
        return false;
    if (m_scheme == Sftp)
        return RunCommands({QStringLiteral("rename ") + Quoted(AbsolutePath(oldPath)) + QLatin1Char(' ')
                            + Quoted(AbsolutePath(newPath))});
    return RunCommands({QStringLiteral("RNFR ") + AbsolutePath(oldPath), QStringLiteral("RNTO ") + AbsolutePath(newPath)});
}

int CFtpClient::VerifyCertificate(x509_store_ctx_st *store)
{
    // The name is part of the chain's check: a certificate valid for another name fails it.
    X509_VERIFY_PARAM *param = X509_STORE_CTX_get0_param(store);
    const QByteArray host = m_host.toUtf8();
    // An address is checked against the certificate's addresses, any other text as a name.
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.constData()) != 1)
        X509_VERIFY_PARAM_set1_host(param, host.constData(), size_t(host.size()));
    if (X509_verify_cert(store) == 1)
        return 1;
    X509 *certificate = X509_STORE_CTX_get0_cert(store);
    if (!certificate)
        return 0;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    X509_digest(certificate, EVP_sha256(), digest, &length);
    const QByteArray sha256(reinterpret_cast<const char *>(digest), int(length));
    if (!m_trustedCertificate.isEmpty() && sha256 == m_trustedCertificate) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    m_refusedPeer.kind = CRemotePeer::Certificate;
    m_refusedPeer.subject = nameText(X509_get_subject_name(certificate));
    m_refusedPeer.issuer = nameText(X509_get_issuer_name(certificate));
    m_refusedPeer.problem = QString::fromUtf8(X509_verify_cert_error_string(X509_STORE_CTX_get_error(store)));
    m_refusedPeer.sha256 = sha256;
    return 0;
}

int CFtpClient::CheckHostKey(const curl_khkey *found, int match)
{
    if (match == CURLKHMATCH_OK)
        return CURLKHSTAT_FINE;
    const QByteArray blob = found->len ? QByteArray(found->key, qsizetype(found->len)) : QByteArray::fromBase64(found->key);
    if (match == CURLKHMATCH_MISSING && !m_acceptedHostKey.isEmpty() && blob == m_acceptedHostKey)
        return CURLKHSTAT_FINE;
    m_refusedPeer.kind = match == CURLKHMATCH_MISSING ? CRemotePeer::NewHostKey : CRemotePeer::ChangedHostKey;
    m_refusedPeer.keyBlob = blob;
    m_refusedPeer.keyType = keyTypeOf(blob);
    m_refusedPeer.sha256 = QCryptographicHash::hash(blob, QCryptographicHash::Sha256);
    return CURLKHSTAT_REJECT;
}

size_t CFtpClient::OnHeader(char *data, size_t size, size_t count, void *self)
{
    // Every reply line of the server passes here; the last one explains a failure.
    auto *client = static_cast<CFtpClient *>(self);
    const size_t length = size * count;
    const QString line = QString::fromUtf8(data, qsizetype(length)).trimmed();
    if (line.size() >= 3 && line.at(0).isDigit())
        client->m_lastReply = line.left(300);
    return length;
}

size_t CFtpClient::OnWrite(char *data, size_t size, size_t count, void *request)
{
    auto *r = static_cast<Request *>(request);
    const size_t length = size * count;
    if (!r->out)
        return length;
    return r->out->write(data, qint64(length)) == qint64(length) ? length : 0;
}

size_t CFtpClient::OnRead(char *data, size_t size, size_t count, void *request)
{
    auto *r = static_cast<Request *>(request);
    const qint64 read = r->in->read(data, qint64(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : size_t(read);
}
