#include "ftplocalcopy.h"

#include <QDir>
#include <QTemporaryDir>

CFtpLocalCopy::~CFtpLocalCopy()
{
    if (!m_keep)
        Discard();
}

QString CFtpLocalCopy::CleanBaseName(const QString &remoteName)
{
    QString name = remoteName;
    const qsizetype cut = qMax(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    name = name.mid(cut + 1);
    QString clean;
    for (const QChar c : std::as_const(name)) {
        if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
            clean.append(c);
    }
    clean = clean.trimmed();
    // Keep the name within what file systems take (255 bytes), on a character boundary.
    while (clean.toUtf8().size() > 200)
        clean.chop(1);
    if (clean.isEmpty() || clean == QLatin1String(".") || clean == QLatin1String(".."))
        clean = QStringLiteral("download");
    return clean;
}

bool CFtpLocalCopy::Create(const QString &remoteName)
{
    Discard();
    // QTemporaryDir makes the folder with a new unique name, mode 0700.
    QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/TWR-ftp-XXXXXX"));
    if (!folder.isValid())
        return false;
    folder.setAutoRemove(false);
    m_folder = folder.path();
    m_file.setFileName(m_folder + QLatin1Char('/') + CleanBaseName(remoteName));
    // NewOnly creates the file exclusively: it never opens something already there.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        Discard();
        return false;
    }
    m_keep = false;
    return true;
}

void CFtpLocalCopy::Keep()
{
    m_file.close();
    m_keep = true;
}

void CFtpLocalCopy::Discard()
{
    m_file.close();
    if (!m_folder.isEmpty())
        QDir(m_folder).removeRecursively();
    m_folder.clear();
}
