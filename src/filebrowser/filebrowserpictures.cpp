#include "filebrowserpictures.h"

#include <QPixmap>

CFileBrowserPictures::CFileBrowserPictures()
{
    const QIcon closed = m_provider.icon(QAbstractFileIconProvider::Folder);
    const QIcon open = QIcon::fromTheme(QStringLiteral("folder-open"));
    if (open.isNull()) {
        m_folder = closed;
    } else {
        for (int size : {16, 22, 32}) {
            m_folder.addPixmap(closed.pixmap(size), QIcon::Normal);
            m_folder.addPixmap(open.pixmap(size), QIcon::Selected);
        }
    }
    using IconType = QAbstractFileIconProvider::IconType;
    m_volumes.insert(int(VolumeKind::Fixed), Themed({QStringLiteral("drive-harddisk")}, IconType::Drive));
    m_volumes.insert(int(VolumeKind::Removable),
                     Themed({QStringLiteral("drive-removable-media-usb"), QStringLiteral("drive-removable-media")},
                            IconType::Drive));
    m_volumes.insert(int(VolumeKind::Optical), Themed({QStringLiteral("drive-optical"), QStringLiteral("media-optical")},
                                                 IconType::Drive));
    m_volumes.insert(int(VolumeKind::Network), Themed({QStringLiteral("folder-remote"), QStringLiteral("network-server")},
                                                 IconType::Network));
    m_volumes.insert(int(VolumeKind::RamDisk), Themed({QStringLiteral("media-flash"), QStringLiteral("drive-harddisk-solidstate")},
                                                 IconType::Drive));
}

QIcon CFileBrowserPictures::Themed(const QStringList &names, QAbstractFileIconProvider::IconType fallback) const
{
    for (const QString &name : names) {
        if (QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return m_provider.icon(fallback);
}

QIcon CFileBrowserPictures::Volume(VolumeKind kind) const
{
    return m_volumes.value(int(kind));
}

QIcon CFileBrowserPictures::File(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot > 0 ? name.mid(dot + 1).toLower() : QString();
    auto found = m_files.constFind(suffix);
    if (found != m_files.constEnd())
        return *found;
    const QMimeType type = m_mimeTypes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = m_provider.icon(QAbstractFileIconProvider::File);
    m_files.insert(suffix, icon);
    return icon;
}
