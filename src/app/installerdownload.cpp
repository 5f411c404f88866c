#include "installerdownload.h"

#include "downloadprogressdlg.h"
#include "framework/messagehelper.h"

#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <curl/curl.h>

namespace {

const int UnableToUpdate = 61450;

void initialiseCurl()
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    Q_UNUSED(initialised);
}

bool isSuccess(long status)
{
    return status >= 200 && status <= 299;
}

} // namespace

CInstallerDownload::CInstallerDownload(const QString &address, QObject *parent)
    : QObject(parent), m_address(address), m_opener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
}

CInstallerDownload::~CInstallerDownload()
{
    delete m_progress;
}

int CInstallerDownload::ProgressPosition(qint64 receivedBefore)
{
    return int(qMin<qint64>(100, receivedBefore * 100 / ExpectedSize));
}

QString CInstallerDownload::LocalFileName(const QUrl &address)
{
    // The name comes from a server: only plain characters are kept, and never a leading dot.
    QString name;
    for (const QChar c : address.fileName()) {
        if ((c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_'))
            name.append(c);
    }
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("installer") : name;
}

CInstallerDownload::Result CInstallerDownload::Run()
{
    m_progress = new CDownloadProgressDlg;
    m_progress->setWindowTitle(QStringLiteral("Downloading Microsoft XML Parser v3.0"));
    connect(m_progress, &CDownloadProgressDlg::cancelRequested, this, [this] { m_cancelled = true; });
    m_progress->show();

    const QUrl url(m_address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return Fail(Result::BadAddress, QStringLiteral("error parsing url"));

    QTemporaryFile file;
    if (!MakeLocalFile(&file))
        return Fail(Result::FileError, QString());
    m_filePath = file.fileName();

    QString errorText;
    const Result result = Transfer(&file, &errorText);
    file.close();
    if (result != Result::Opened)
        return Fail(result, errorText);

    delete m_progress;
    m_progress = nullptr;
    // The installer is handed to the desktop, which decides how to open it; this program never
    // runs a downloaded file itself.
    if (!m_opener(QUrl::fromLocalFile(m_filePath))) {
        ShowMessage(UnableToUpdate, QDir::toNativeSeparators(m_filePath), MB::IconInformation);
        return Result::OpenFailed;
    }
    return Result::Opened;
}

bool CInstallerDownload::MakeLocalFile(QTemporaryFile *file)
{
    // A folder of its own, made fresh and readable by this user only, so that no other user
    // can put a file of theirs where the installer is expected.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/TWRXXXXXX"));
    if (!folder.isValid())
        return false;
    folder.setAutoRemove(false);
    m_folder = folder.path();
    const QFileInfo name(LocalFileName(QUrl(m_address)));
    QString pattern = m_folder + QLatin1Char('/') + name.completeBaseName() + QStringLiteral("-XXXXXX");
    if (!name.suffix().isEmpty())
        pattern += QLatin1Char('.') + name.suffix();
    file->setFileTemplate(pattern);
    file->setAutoRemove(false);
    if (!file->open()) {
        QDir().rmdir(m_folder);
        m_folder.clear();
        return false;
    }
    return true;
}

void CInstallerDownload::RemoveLocalFile()
{
    if (!m_filePath.isEmpty())
        QFile::remove(m_filePath);
    if (!m_folder.isEmpty())
        QDir().rmdir(m_folder);
    m_filePath.clear();
    m_folder.clear();
}

CInstallerDownload::Result CInstallerDownload::Fail(Result result, const QString &extra)
{
    delete m_progress;
    m_progress = nullptr;
    // Nothing of a failed download is kept: an error page or a piece of an installer is of no use.
    RemoveLocalFile();
    ShowMessage(UnableToUpdate, extra, MB::IconInformation);
    // When the server cannot be reached here, the user's browser may still get the file.
    if (result == Result::ConnectionFailed)
        m_opener(QUrl(m_address));
    return result;
}

size_t CInstallerDownload::onWrite(char *data, size_t size, size_t count, void *self)
{
    return static_cast<CInstallerDownload *>(self)->Write(data, size * count);
}

size_t CInstallerDownload::Write(const char *data, size_t length)
{
    if (m_cancelled)
        return 0;
    // An error page is no installer, whatever its length: stop at its first byte.
    long status = 0;
    curl_easy_getinfo(static_cast<CURL *>(m_easy), CURLINFO_RESPONSE_CODE, &status);
    m_httpStatus = status;
    if (!isSuccess(status)) {
        m_statusRefused = true;
        return 0;
    }
    const int position = ProgressPosition(m_received);
    if (position != m_progress->GetPos()) {
        m_progress->SetPos(position);
        Q_EMIT progressChanged(position);
    }
    if (m_file->write(data, qint64(length)) != qint64(length)) {
        m_writeFailed = true;
        return 0;
    }
    m_received += qint64(length);
    return length;
}

CInstallerDownload::Result CInstallerDownload::Transfer(QFile *file, QString *errorText)
{
    initialiseCurl();
    CURL *easy = curl_easy_init();
    CURLM *multi = curl_multi_init();
    if (!easy || !multi) {
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
        *errorText = QString::fromUtf8(curl_easy_strerror(CURLE_OUT_OF_MEMORY));
        return Result::ConnectionFailed;
    }
    m_easy = easy;
    m_file = file;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    // No cached copy: the server sends the file afresh.
    curl_slist *headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    const QByteArray address = m_address.toUtf8();
    curl_easy_setopt(easy, CURLOPT_URL, address.constData());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 4096L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    // A server that stops sending for a minute has gone away.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CInstallerDownload::onWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_multi_add_handle(multi, easy);

    // The handle never blocks: the event loop drives it, so the progress window paints and
    // can be closed while the file arrives.
    CURLcode code = CURLE_OK;
    QEventLoop loop;
    QTimer pump;
    pump.setInterval(5);
    connect(&pump, &QTimer::timeout, &loop, [&] {
        int running = 0;
        if (!m_cancelled)
            curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg *message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE)
                code = message->data.result;
        }
        if (m_cancelled || running == 0)
            loop.quit();
    });
    pump.start();
    loop.exec();
    pump.stop();

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    m_httpStatus = status;
    curl_multi_remove_handle(multi, easy);
    curl_easy_cleanup(easy);
    curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
    m_easy = nullptr;
    m_file = nullptr;

    if (m_cancelled)
        return Result::Cancelled;
    if (m_statusRefused || (code == CURLE_OK && !isSuccess(status))) {
        *errorText = QStringLiteral("HTTP status %1").arg(status);
        return Result::HttpError;
    }
    if (m_writeFailed)
        return Result::FileError;
    if (code != CURLE_OK) {
        *errorText = errorBuffer[0] ? QString::fromUtf8(errorBuffer) : QString::fromUtf8(curl_easy_strerror(code));
        // Without any answer the server was not reached; a broken answer is an incomplete file.
        return status == 0 ? Result::ConnectionFailed : Result::Incomplete;
    }
    if (m_received < MinimumSize)
        return Result::Incomplete;
    return Result::Opened;
}
