#pragma once

#include "folderreader.h"
#include "resizabledockbar.h"
#include "volumeinfo.h"

#include <QHash>
#include <QPersistentModelIndex>

#include <functional>
#include <memory>

class CFileBrowserPictures;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

// The "File Browser" bar: a tree of the machine's volumes, their folders and files. A folder is
// read each time it is expanded (in the background, its entries appearing as they come: folders
// first, then files) and forgotten when it is collapsed; until then an empty placeholder child
// gives it its expand button. Double-clicking a regular file asks for it to be opened as a
// document. A volume whose medium can change is collapsed back to a placeholder when its medium
// is gone or another one is in.
class CFileBrowserBar : public CResizableDockBar
{
    Q_OBJECT

public:
    enum ItemKind { VolumeItem = 1, FolderItem, FileItem, PlaceholderItem, LoadingItem, ErrorItem };
    static constexpr int KindRole = Qt::UserRole + 1;

    // Tells one medium at a volume's root from another; empty when none is there.
    using IdentityReader = std::function<QString(const QString &root)>;

    explicit CFileBrowserBar(QWidget *parent = nullptr);
    CFileBrowserBar(const QList<CVolume> &volumes, IdentityReader identity, QWidget *parent = nullptr);
    ~CFileBrowserBar() override;

    QTreeView *Tree() const { return m_tree; }
    QStandardItemModel *Model() const { return m_model; }
    // The item's path: the volume's root and the names below it, joined by "/".
    QString FullPath(const QModelIndex &index) const;
    static ItemKind KindOf(const QModelIndex &index);
    // Whether anything is still being read.
    bool IsReading() const { return !m_reads.isEmpty(); }

Q_SIGNALS:
    void openDocumentRequested(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void AddVolumes(const QList<CVolume> &volumes);
    void OnExpanded(const QModelIndex &index);
    void OnCollapsed(const QModelIndex &index);
    void OnCurrentChanged(const QModelIndex &index);
    void OnDoubleClicked(const QModelIndex &index);

    // False, having collapsed the item's volume back to a placeholder, when the medium there is
    // gone or was changed since it was last seen.
    bool CheckMedium(QStandardItem *item);
    void ResetVolume(QStandardItem *volume);
    void ReadFolder(QStandardItem *item);
    // Checks in the background that the item still exists and whether a volume has entries,
    // then gives or takes its placeholder.
    void Probe(QStandardItem *item);
    CFolderReader *StartRead(QStandardItem *item, int limit);
    void EndRead(CFolderReader *reader);
    void AddEntries(const QPersistentModelIndex &index, const QList<CFolderEntry> &entries);
    void FinishRead(const QPersistentModelIndex &index, CFolderReader::Outcome outcome, const QString &reason);
    void FinishProbe(const QPersistentModelIndex &index, CFolderReader::Outcome outcome, bool hasEntries);
    void RemoveVanished(QStandardItem *item);
    // Drops the children (and any read under way for them or for the item).
    void RemoveChildren(QStandardItem *item);
    void CancelReads(const QModelIndex &index);
    QStandardItem *VolumeOf(QStandardItem *item) const;

    IdentityReader m_identity;
    std::unique_ptr<CFileBrowserPictures> m_pictures;
    QStandardItemModel *m_model;
    QTreeView *m_tree;
    // The medium last seen in each volume that can change it, by root; empty for none.
    QHash<QString, QString> m_media;
    QHash<CFolderReader *, QPersistentModelIndex> m_reads;
    // Set while the bar itself collapses a volume: that is no user's request to re-read it.
    bool m_quiet = false;
};
