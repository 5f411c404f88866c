#include "recentfilelist.h"

#include <QFileInfo>
#include <QSettings>

namespace {
QSettings openSettings()
{
    return QSettings(QStringLiteral("Treewright"), QStringLiteral("Treewright"));
}
}

CRecentFileList::CRecentFileList(int size, QObject *parent)
    : QObject(parent), m_size(size)
{
}

void CRecentFileList::Add(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > m_size)
        m_files.removeLast();
    WriteList();
    Q_EMIT changed();
}

void CRecentFileList::Remove(const QString &path)
{
    if (m_files.removeAll(QFileInfo(path).absoluteFilePath()) > 0) {
        WriteList();
        Q_EMIT changed();
    }
}

void CRecentFileList::ReadList()
{
    QSettings settings = openSettings();
    m_files.clear();
    for (int i = 1; i <= m_size; ++i) {
        const QString file = settings.value(QStringLiteral("Recent File List/File%1").arg(i)).toString();
        if (!file.isEmpty() && !m_files.contains(file))
            m_files.append(file);
    }
    Q_EMIT changed();
}

void CRecentFileList::WriteList() const
{
    QSettings settings = openSettings();
    settings.remove(QStringLiteral("Recent File List"));
    for (int i = 0; i < m_files.size(); ++i)
        settings.setValue(QStringLiteral("Recent File List/File%1").arg(i + 1), m_files.at(i));
}
