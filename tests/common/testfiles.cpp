#include "testfiles.h"

#include <QFile>
#include <QProcess>

namespace TestFiles {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeAll(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(data) == data.size();
}

QByteArray canonical(const QString &path)
{
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--c14n"), QStringLiteral("--nonet"), path});
    if (!xmllint.waitForFinished(60000) || xmllint.exitCode() != 0)
        return QByteArray("<xmllint failed: ") + xmllint.readAllStandardError() + ">";
    return xmllint.readAllStandardOutput();
}

}
