#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real FTP server on 127.0.0.1 for one test program, serving a temporary folder. Users:
// "tester" with password "secret" may do everything, "reader" with "readonly" may only read.
class FtpTestServer
{
public:
    FtpTestServer();
    ~FtpTestServer();

    // `listOnly`: the server answers MLSD as an unknown command.
    bool Start(bool listOnly = false);
    // A server that asks for explicit TLS (AUTH TLS) with the given PEM certificate and key.
    bool StartTls(const QString &certificateFile, const QString &keyFile);
    quint16 Port() const { return m_port; }
    QString Server() const { return QStringLiteral("127.0.0.1:") + QString::number(m_port); }
    QString Root() const { return m_root.path(); }
    // Path of `relative` in the served folder.
    QString Local(const QString &relative) const { return m_root.filePath(relative); }
    bool Write(const QString &relative, const QByteArray &bytes) const;
    QByteArray Read(const QString &relative) const;
    bool MakeDir(const QString &relative) const;

private:
    bool Launch(const QStringList &options);
    QTemporaryDir m_root;
    QProcess m_process;
    quint16 m_port = 0;
};
