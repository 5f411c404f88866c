#include "texteditorlauncher.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

QString CTextEditorLauncher::TextEditorEntry()
{
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty())
        return {};
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

bool CTextEditorLauncher::Open(const QString &path)
{
    const QString entry = TextEditorEntry();
    const QString desktopFile = entry.isEmpty()
        ? QString() : QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!desktopFile.isEmpty() && !gio.isEmpty())
        return QProcess::startDetached(gio, {QStringLiteral("launch"), desktopFile, path});
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
