#pragma once

#include "volumeinfo.h"

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>

// The pictures of the file browser's items, from the desktop's icon theme: one per kind of
// volume, a folder that shows itself open while selected, and a file's by its type. A file's
// type comes from its name only, so a picture never reads the file.
class CFileBrowserPictures
{
public:
    CFileBrowserPictures();

    QIcon Volume(VolumeKind kind) const;
    QIcon Folder() const { return m_folder; }
    QIcon File(const QString &name);

private:
    QIcon Themed(const QStringList &names, QAbstractFileIconProvider::IconType fallback) const;

    QFileIconProvider m_provider;
    QMimeDatabase m_mimeTypes;
    QIcon m_folder;
    QHash<int, QIcon> m_volumes; // by VolumeKind
    QHash<QString, QIcon> m_files; // by suffix
};
