#include "ftptestserver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

FtpTestServer::FtpTestServer() = default;

FtpTestServer::~FtpTestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

bool FtpTestServer::Start(bool listOnly)
{
    return Launch(listOnly ? QStringList{QStringLiteral("nomlsd")} : QStringList());
}

bool FtpTestServer::StartTls(const QString &certificateFile, const QString &keyFile)
{
    return Launch({QStringLiteral("tls"), certificateFile, keyFile});
}

bool FtpTestServer::Launch(const QStringList &options)
{
    // Debian's Python modules load only with the system interpreter.
    m_process.setProgram(QStringLiteral("/usr/bin/python3"));
    m_process.setArguments(QStringList{QStringLiteral(TW_FTP_SERVER_SCRIPT), m_root.path()} + options);
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return false;
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(15000))
            return false;
    }
    m_port = quint16(m_process.readLine().trimmed().toUInt());
    return m_port != 0;
}

bool FtpTestServer::Write(const QString &relative, const QByteArray &bytes) const
{
    const QString path = Local(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray FtpTestServer::Read(const QString &relative) const
{
    QFile file(Local(relative));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool FtpTestServer::MakeDir(const QString &relative) const
{
    return QDir().mkpath(Local(relative));
}
