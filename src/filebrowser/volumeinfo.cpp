#include "volumeinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#include <sys/statvfs.h>

namespace {

bool readsOne(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(1) == "1";
}

// Whether the block device is one the user plugs in: the kernel marks it removable, or it
// hangs off a USB bus or is a memory card.
bool isRemovableDevice(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    if (!canonical.startsWith(QStringLiteral("/dev/")))
        return false;
    const QString name = canonical.mid(5);
    if (name.startsWith(QStringLiteral("mmcblk")))
        return true;
    QString sys = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sys.isEmpty())
        return false;
    if (sys.contains(QStringLiteral("/usb")))
        return true;
    // A partition's flag is on its disk, one folder up.
    if (QFileInfo::exists(sys + QStringLiteral("/partition")))
        sys = QFileInfo(sys).path();
    return readsOne(sys + QStringLiteral("/removable"));
}

} // namespace

VolumeKind VolumeKindOf(const QString &fileSystemType, const QString &device)
{
    const QString type = fileSystemType.toLower();
    if (type == QStringLiteral("tmpfs") || type == QStringLiteral("ramfs"))
        return VolumeKind::RamDisk;
    static const QStringList network = {
        QStringLiteral("nfs"), QStringLiteral("nfs4"), QStringLiteral("cifs"), QStringLiteral("smb3"),
        QStringLiteral("smbfs"), QStringLiteral("ncpfs"), QStringLiteral("afs"), QStringLiteral("9p"),
        QStringLiteral("ceph"), QStringLiteral("glusterfs"), QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.davfs"), QStringLiteral("davfs"), QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.rclone"), QStringLiteral("lustre"), QStringLiteral("beegfs")};
    if (network.contains(type))
        return VolumeKind::Network;
    if (type == QStringLiteral("iso9660") || type == QStringLiteral("udf")
        || device.startsWith(QStringLiteral("/dev/sr")) || device.startsWith(QStringLiteral("/dev/cdrom")))
        return VolumeKind::Optical;
    if (device.startsWith(QLatin1Char('/')) && isRemovableDevice(device))
        return VolumeKind::Removable;
    return VolumeKind::Fixed;
}

QList<CVolume> MountedVolumes()
{
    QList<CVolume> volumes;
    volumes.append({QStringLiteral("/"), VolumeKindOf(QString::fromLocal8Bit(QStorageInfo::root().fileSystemType()),
                                                      QString::fromLocal8Bit(QStorageInfo::root().device()))});
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || volume.isRoot() || volume.rootPath() == QStringLiteral("/"))
            continue;
        volumes.append({volume.rootPath(), VolumeKindOf(QString::fromLocal8Bit(volume.fileSystemType()),
                                                        QString::fromLocal8Bit(volume.device()))});
    }
    return volumes;
}

QString VolumeIdentity(const QString &root)
{
    const QStorageInfo volume(root);
    // With the medium gone the mount point belongs to the volume it sits on, or is gone itself.
    if (!volume.isValid() || !volume.isReady() || QDir::cleanPath(volume.rootPath()) != QDir::cleanPath(root))
        return {};
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(root).constData(), &info) != 0)
        return {};
    // A swapped medium may come back on the same device; its label, size or id tell it apart.
    return QStringLiteral("%1|%2|%3|%4|%5")
        .arg(QString::fromLocal8Bit(volume.device()), QString::fromLocal8Bit(volume.fileSystemType()),
             volume.name(), QString::number(qulonglong(info.f_fsid)), QString::number(volume.bytesTotal()));
}
