#pragma once

#include <QList>
#include <QString>

// The kind of a mounted volume, which chooses its picture and whether its medium is checked.
enum class VolumeKind { Fixed, Removable, Optical, Network, RamDisk };

struct CVolume
{
    QString root;
    VolumeKind kind = VolumeKind::Fixed;
};

// The mounted volumes of real file systems, "/" first, then the others in mount order.
QList<CVolume> MountedVolumes();

// The kind of a volume from its file system type and device.
VolumeKind VolumeKindOf(const QString &fileSystemType, const QString &device);

// Whether the medium in a removable or optical drive can change under the same mount point.
inline bool HasChangeableMedium(VolumeKind kind)
{
    return kind == VolumeKind::Removable || kind == VolumeKind::Optical;
}

// What tells one medium mounted at `root` from another: its device and file-system identity.
// Empty when nothing is mounted there any more (no medium) or it cannot be read.
QString VolumeIdentity(const QString &root);
