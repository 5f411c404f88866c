#include "sshtestserver.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <pwd.h>
#include <unistd.h>

namespace {

QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QByteArray();
    return process.readAllStandardOutput();
}

} // namespace

SshTestServer::SshTestServer() = default;

SshTestServer::~SshTestServer()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

bool SshTestServer::MakeKey(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".pub"));
    QProcess process;
    process.start(QStringLiteral("ssh-keygen"), {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                                                 QStringLiteral("-N"), QString(), QStringLiteral("-C"),
                                                 QStringLiteral("treewright-test"), QStringLiteral("-f"), path});
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

QString SshTestServer::UserName()
{
    const passwd *entry = getpwuid(getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QStringLiteral("root");
}

QString SshTestServer::KnownHostsLine() const
{
    QFile file(m_dir.filePath(QStringLiteral("hostkey.pub")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QList<QByteArray> fields = file.readAll().trimmed().split(' ');
    return QStringLiteral("[127.0.0.1]:") + QString::number(m_port) + QLatin1Char(' ')
        + QString::fromLatin1(fields.value(0)) + QLatin1Char(' ') + QString::fromLatin1(fields.value(1));
}

QString SshTestServer::HostKeyFingerprint() const
{
    // "256 SHA256:... comment (ED25519)"
    const QByteArray line = runTool(QStringLiteral("ssh-keygen"), {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"),
                                                                  QStringLiteral("-f"), m_dir.filePath(QStringLiteral("hostkey.pub"))});
    return QString::fromLatin1(line.split(' ').value(1));
}

bool SshTestServer::Start(QString *why)
{
    const QString sshd = QStringLiteral("/usr/sbin/sshd");
    if (!QFile::exists(sshd)) {
        *why = QStringLiteral("openssh-server is not installed");
        return false;
    }
    if (getuid() != 0) {
        *why = QStringLiteral("sshd needs root");
        return false;
    }
    // sshd refuses to start without its privilege-separation folder.
    QDir().mkpath(QStringLiteral("/run/sshd"));
    QDir(m_dir.path()).mkpath(QStringLiteral("served"));
    if (!MakeKey(m_dir.filePath(QStringLiteral("hostkey"))) || !MakeKey(UserKey())
        || !QFile::copy(UserKey() + QStringLiteral(".pub"), m_dir.filePath(QStringLiteral("authorized_keys")))) {
        *why = QStringLiteral("ssh-keygen failed");
        return false;
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
        m_port = quint16(20000 + QRandomGenerator::global()->bounded(40000));
        QFile config(m_dir.filePath(QStringLiteral("sshd_config")));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        const QString dir = m_dir.path();
        config.write(QStringLiteral("ListenAddress 127.0.0.1\nPort %1\nHostKey %2/hostkey\nPidFile %2/sshd.pid\n"
                                    "AuthorizedKeysFile %2/authorized_keys\nStrictModes no\nPermitRootLogin yes\n"
                                    "PasswordAuthentication yes\nKbdInteractiveAuthentication no\nUsePAM no\n"
                                    "LogLevel INFO\nSubsystem sftp internal-sftp -d %3\n")
                         .arg(m_port)
                         .arg(dir, Root())
                         .toUtf8());
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(sshd, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), config.fileName()});
        if (!m_process.waitForStarted(10000))
            return false;
        QByteArray output;
        while (m_process.state() == QProcess::Running && !output.contains("Server listening")) {
            if (!m_process.waitForReadyRead(15000))
                break;
            output += m_process.readAll();
        }
        if (output.contains("Server listening"))
            return true;
        *why = QString::fromLocal8Bit(output);
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    return false;
}
