#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class CDownloadProgressDlg;
class QFile;
class QTemporaryFile;

// Fetches the parser's installer over HTTP with a progress window, then hands a complete file
// to the desktop's opener. The transfer runs on a non-blocking libcurl handle driven from the
// event loop, so the progress window stays live. Every failure is reported with "Unable to
// perform auto update." and the extra text that tells why.
class CInstallerDownload : public QObject
{
    Q_OBJECT

public:
    enum class Result { Opened, BadAddress, ConnectionFailed, HttpError, FileError, Incomplete, Cancelled, OpenFailed };

    // The progress window reads 100 % at this size; a shorter file is not the whole installer.
    static constexpr qint64 ExpectedSize = 650000;
    static constexpr qint64 MinimumSize = 649000;

    using Opener = std::function<bool(const QUrl &)>;

    explicit CInstallerDownload(const QString &address, QObject *parent = nullptr);
    ~CInstallerDownload() override;

    // What opens the downloaded file, and the address in the browser when the server cannot be
    // reached. The default is the desktop's opener.
    void SetOpener(Opener opener) { m_opener = std::move(opener); }

    // Downloads, reports a failure, opens a complete file. Returns when all is done.
    Result Run();

    // The progress position before a chunk, from the bytes received before it.
    static int ProgressPosition(qint64 receivedBefore);
    // The local file's name: the last part of the address's path, reduced to safe characters.
    static QString LocalFileName(const QUrl &address);

    qint64 Received() const { return m_received; }
    long HttpStatus() const { return m_httpStatus; }
    QString FilePath() const { return m_filePath; }
    CDownloadProgressDlg *ProgressWindow() const { return m_progress; }

Q_SIGNALS:
    // Each time the progress window moves, for watchers (tests).
    void progressChanged(int position);

private:
    static size_t onWrite(char *data, size_t size, size_t count, void *self);
    size_t Write(const char *data, size_t length);
    Result Transfer(QFile *file, QString *errorText);
    bool MakeLocalFile(QTemporaryFile *file);
    void RemoveLocalFile();
    Result Fail(Result result, const QString &extra);

    QString m_address;
    Opener m_opener;
    CDownloadProgressDlg *m_progress = nullptr;
    void *m_easy = nullptr;
    QFile *m_file = nullptr;
    QString m_folder;
    QString m_filePath;
    qint64 m_received = 0;
    long m_httpStatus = 0;
    bool m_statusRefused = false;
    bool m_writeFailed = false;
    bool m_cancelled = false;
};
