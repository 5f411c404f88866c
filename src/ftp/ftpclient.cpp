#include "ftpclient.h"

#include "ftplisting.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QUrl>

#include <curl/curl.h>

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
    QString name = text.trimmed();
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
    *port = 21;
    if (portText.isEmpty())
        return true;
    bool ok = false;
    const uint value = portText.toUInt(&ok);
    if (!ok || value == 0 || value > 65535)
        return false;
    *port = quint16(value);
    return true;
}

bool CFtpClient::Connect(const QString &server, quint16 port, const QString &user, const QString &password)
{
    Close();
    m_host = server;
    m_port = port;
    m_user = user;
    m_password = password;
    m_useMlsd = true;
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
    Request login;
    login.url = Url(QString(), true);
    login.noBody = true;
    if (!Perform(login)) {
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
    // "%2F" starts the path at the server's top instead of the login directory.
    QString url = QStringLiteral("ftp://") + host + QLatin1Char(':') + QString::number(m_port) + QLatin1Char('/');
    if (!absolutePath.isEmpty()) {
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
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "ftp");
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
    m_bytesDone = 0;
    m_bytesTotal = 0;
    const CURLcode code = curl_easy_perform(curl);
    if (code == CURLE_OK) {
        m_lastError.clear();
        return true;
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
    Request request;
    request.url = Url(target, true);
    request.noBody = true;
    if (!Perform(request))
        return false;
    m_cwd = target;
    return true;
}

bool CFtpClient::List(const QString &directory, QList<CFtpEntry> *entries)
{
    if (!CheckPath(directory))
        return false;
    const QString target = directory.isEmpty() ? m_cwd : AbsolutePath(directory);
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
    request.postQuote = {QStringLiteral("RNFR ") + temporary, QStringLiteral("RNTO ") + target};
    if (Perform(request))
        return true;
    // Whatever arrived under the temporary name goes; the target was never touched.
    const QString error = m_lastError;
    const bool aborted = m_abort;
    m_abort = false;
    RunCommands({QStringLiteral("DELE ") + temporary});
    m_lastError = error;
    m_abort = aborted;
    return false;
}

bool CFtpClient::Remove(const QString &path)
{
    return CheckPath(path) && RunCommands({QStringLiteral("DELE ") + AbsolutePath(path)});
}

bool CFtpClient::RemoveDirectory(const QString &path)
{
    return CheckPath(path) && RunCommands({QStringLiteral("RMD ") + AbsolutePath(path)});
}

bool CFtpClient::CreateDirectory(const QString &path)
{
    return CheckPath(path) && RunCommands({QStringLiteral("MKD ") + AbsolutePath(path)});
}

bool CFtpClient::Rename(const QString &oldPath, const QString &newPath)
{
    return CheckPath(oldPath) && CheckPath(newPath)
        && RunCommands({QStringLiteral("RNFR ") + AbsolutePath(oldPath), QStringLiteral("RNTO ") + AbsolutePath(newPath)});
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
