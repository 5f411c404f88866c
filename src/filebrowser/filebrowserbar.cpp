#include "filebrowserbar.h"

#include "filebrowserpictures.h"
#include "framework/messagehelper.h"
#include "framework/panefocus.h"

#include <QEvent>
#include <QFile>
#include <QStandardItemModel>
#include <QStyle>
#include <QTreeView>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace {

constexpr int VolumeKindRole = Qt::UserRole + 2;
// Folders come first among the children; files go after them, and this many folders are there.
constexpr int FolderCountRole = Qt::UserRole + 3;
// The edit menu the main menu shows while the bar has the focus: the document window's own.
constexpr int FileBrowserEditMenu = 0;

QStandardItem *newItem(const QString &text, CFileBrowserBar::ItemKind kind)
{
    auto *item = new QStandardItem(text);
    item->setData(kind, CFileBrowserBar::KindRole);
    item->setEditable(false);
    return item;
}

QStandardItem *newPlaceholder()
{
    QStandardItem *item = newItem(QString(), CFileBrowserBar::PlaceholderItem);
    item->setSelectable(false);
    return item;
}

QStandardItem *newNote(const QString &text, CFileBrowserBar::ItemKind kind)
{
    QStandardItem *item = newItem(text, kind);
    item->setSelectable(false);
    QFont font = item->font();
    font.setItalic(true);
    item->setFont(font);
    return item;
}

CFileBrowserBar::ItemKind kindOf(const QStandardItem *item)
{
    return CFileBrowserBar::ItemKind(item->data(CFileBrowserBar::KindRole).toInt());
}

bool isFolderLike(const QStandardItem *item)
{
    const CFileBrowserBar::ItemKind kind = kindOf(item);
    return kind == CFileBrowserBar::VolumeItem || kind == CFileBrowserBar::FolderItem;
}

} // namespace

CFileBrowserBar::CFileBrowserBar(QWidget *parent) : CFileBrowserBar(MountedVolumes(), VolumeIdentity, parent)
{
}

CFileBrowserBar::CFileBrowserBar(const QList<CVolume> &volumes, IdentityReader identity, QWidget *parent)
    : CResizableDockBar(QStringLiteral("File Browser"), parent), m_identity(std::move(identity)),
      m_pictures(std::make_unique<CFileBrowserPictures>()), m_model(new QStandardItemModel(this)), m_tree(new QTreeView)
{
    if (!m_identity)
        m_identity = VolumeIdentity;
    setObjectName(QStringLiteral("FileBrowserBar"));
    m_tree->setObjectName(QStringLiteral("FileBrowserTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setModel(m_model);
    m_tree->installEventFilter(this);
    SetContents(m_tree);

    connect(m_tree, &QTreeView::expanded, this, &CFileBrowserBar::OnExpanded);
    connect(m_tree, &QTreeView::collapsed, this, &CFileBrowserBar::OnCollapsed);
    connect(m_tree, &QTreeView::doubleClicked, this, &CFileBrowserBar::OnDoubleClicked);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { OnCurrentChanged(current); });
    AddVolumes(volumes);
}

CFileBrowserBar::~CFileBrowserBar() = default;

CFileBrowserBar::ItemKind CFileBrowserBar::KindOf(const QModelIndex &index)
{
    return ItemKind(index.data(KindRole).toInt());
}

QString CFileBrowserBar::FullPath(const QModelIndex &index) const
{
    QStringList names;
    for (QModelIndex at = index; at.isValid(); at = at.parent())
        names.prepend(at.data().toString());
    QString path;
    for (const QString &name : std::as_const(names)) {
        if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
            path += QLatin1Char('/');
        path += name;
    }
    return path;
}

void CFileBrowserBar::AddVolumes(const QList<CVolume> &volumes)
{
    for (const CVolume &volume : volumes) {
        QStandardItem *item = newItem(volume.root, VolumeItem);
        item->setData(int(volume.kind), VolumeKindRole);
        item->setIcon(m_pictures->Volume(volume.kind));
        item->appendRow(newPlaceholder());
        m_model->appendRow(item);
        if (HasChangeableMedium(volume.kind))
            m_media.insert(volume.root, m_identity(volume.root));
        else
            Probe(item); // an empty root loses its placeholder
    }
}

QStandardItem *CFileBrowserBar::VolumeOf(QStandardItem *item) const
{
    while (item && item->parent())
        item = item->parent();
    return item;
}

bool CFileBrowserBar::CheckMedium(QStandardItem *item)
{
    QStandardItem *volume = VolumeOf(item);
    if (!volume || !HasChangeableMedium(VolumeKind(volume->data(VolumeKindRole).toInt())))
        return true;
    const QString root = volume->text();
    const QString seen = m_media.value(root);
    const QString now = m_identity(root);
    m_media.insert(root, now);
    if (!now.isEmpty() && (seen.isEmpty() || seen == now))
        return true;
    ResetVolume(volume);
    return false;
}

void CFileBrowserBar::ResetVolume(QStandardItem *volume)
{
    m_quiet = true;
    m_tree->collapse(volume->index());
    m_quiet = false;
    RemoveChildren(volume);
    volume->appendRow(newPlaceholder());
}

void CFileBrowserBar::CancelReads(const QModelIndex &index)
{
    for (auto it = m_reads.begin(); it != m_reads.end();) {
        if (!it.value().isValid() || it.value() == index) {
            CFolderReader *reader = it.key();
            it = m_reads.erase(it);
            // A slice may already be on its way; it must not reach this bar.
            disconnect(reader, nullptr, this, nullptr);
            reader->deleteLater();
        } else {
            ++it;
        }
    }
}

void CFileBrowserBar::RemoveChildren(QStandardItem *item)
{
    if (item->rowCount() > 0)
        item->removeRows(0, item->rowCount());
    item->setData(0, FolderCountRole);
    CancelReads(item->index());
}

void CFileBrowserBar::RemoveVanished(QStandardItem *item)
{
    // The volume stays listed; its mount point may come back.
    if (kindOf(item) == VolumeItem) {
        ResetVolume(item);
        return;
    }
    QStandardItem *parent = item->parent() ? item->parent() : m_model->invisibleRootItem();
    parent->removeRow(item->row());
    CancelReads(QModelIndex());
}

CFolderReader *CFileBrowserBar::StartRead(QStandardItem *item, int limit)
{
    auto *reader = new CFolderReader(FullPath(item->index()), limit, this);
    m_reads.insert(reader, QPersistentModelIndex(item->index()));
    return reader;
}

void CFileBrowserBar::EndRead(CFolderReader *reader)
{
    m_reads.remove(reader);
    reader->deleteLater();
}

void CFileBrowserBar::OnExpanded(const QModelIndex &index)
{
    QStandardItem *item = m_model->itemFromIndex(index);
    if (m_quiet || !item || !isFolderLike(item) || !CheckMedium(item))
        return;
    ReadFolder(item);
}

void CFileBrowserBar::OnCollapsed(const QModelIndex &index)
{
    QStandardItem *item = m_model->itemFromIndex(index);
    if (m_quiet || !item || !isFolderLike(item) || !CheckMedium(item))
        return;
    // Nothing is kept between expansions: the next one reads the folder afresh.
    RemoveChildren(item);
    item->appendRow(newPlaceholder());
}

void CFileBrowserBar::ReadFolder(QStandardItem *item)
{
    RemoveChildren(item);
    QStandardItem *loading = newNote(QStringLiteral("Loading..."), LoadingItem);
    loading->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    item->appendRow(loading);

    CFolderReader *reader = StartRead(item, 0);
    const QPersistentModelIndex target(item->index());
    connect(reader, &CFolderReader::entriesRead, this,
            [this, target](const QList<CFolderEntry> &entries) { AddEntries(target, entries); });
    connect(reader, &CFolderReader::finished, this,
            [this, reader, target](CFolderReader::Outcome outcome, const QString &reason) {
                EndRead(reader);
                FinishRead(target, outcome, reason);
            });
    reader->Start();
}

void CFileBrowserBar::AddEntries(const QPersistentModelIndex &index, const QList<CFolderEntry> &entries)
{
    QStandardItem *item = m_model->itemFromIndex(index);
    if (!item)
        return;
    QList<QStandardItem *> folders;
    QList<QStandardItem *> files;
    for (const CFolderEntry &entry : entries) {
        if (entry.folder) {
            QStandardItem *folder = newItem(entry.name, FolderItem);
            folder->setIcon(m_pictures->Folder());
            // Every folder offers to expand until it has been read.
            folder->appendRow(newPlaceholder());
            folders.append(folder);
        } else {
            QStandardItem *file = newItem(entry.name, FileItem);
            file->setIcon(m_pictures->File(entry.name));
            // Spares the tree asking a file whether it is expanded each time it lays out.
            file->setFlags(file->flags() | Qt::ItemNeverHasChildren);
            files.append(file);
        }
    }
    const int folderCount = item->data(FolderCountRole).toInt();
    if (!folders.isEmpty()) {
        item->insertRows(folderCount, folders);
        item->setData(folderCount + int(folders.size()), FolderCountRole);
    }
    if (!files.isEmpty()) {
        // Before the loading note, which stays last.
        const int last = item->rowCount() - 1;
        const bool noteLast = last >= 0 && kindOf(item->child(last)) == LoadingItem;
        item->insertRows(noteLast ? last : item->rowCount(), files);
    }
}

void CFileBrowserBar::FinishRead(const QPersistentModelIndex &index, CFolderReader::Outcome outcome, const QString &reason)
{
    QStandardItem *item = m_model->itemFromIndex(index);
    if (!item)
        return;
    if (outcome == CFolderReader::Outcome::Vanished) {
        RemoveVanished(item);
        return;
    }
    const int last = item->rowCount() - 1;
    if (last >= 0 && kindOf(item->child(last)) == LoadingItem)
        item->removeRow(last);
    if (outcome == CFolderReader::Outcome::Failed) {
        // An unreadable folder says why rather than looking empty.
        QStandardItem *note = newNote(QStringLiteral("Cannot read this folder: %1").arg(reason), ErrorItem);
        note->setIcon(style()->standardIcon(QStyle::SP_MessageBoxWarning));
        note->setToolTip(FullPath(index) + QStringLiteral(": ") + reason);
        item->appendRow(note);
        return;
    }
    // An empty volume keeps an expand button, so that a medium put in later can be read.
    if (kindOf(item) == VolumeItem && item->rowCount() == 0)
        item->appendRow(newPlaceholder());
}

void CFileBrowserBar::Probe(QStandardItem *item)
{
    const QModelIndex index = item->index();
    for (const QPersistentModelIndex &reading : std::as_const(m_reads)) {
        if (reading == index)
            return; // being read: that read finds out
    }
    CFolderReader *reader = StartRead(item, 1);
    auto hasEntries = std::make_shared<bool>(false);
    const QPersistentModelIndex target(index);
    connect(reader, &CFolderReader::entriesRead, this, [hasEntries](const QList<CFolderEntry> &entries) {
        *hasEntries = *hasEntries || !entries.isEmpty();
    });
    connect(reader, &CFolderReader::finished, this,
            [this, reader, target, hasEntries](CFolderReader::Outcome outcome, const QString &) {
                EndRead(reader);
                FinishProbe(target, outcome, *hasEntries);
            });
    reader->Start();
}

void CFileBrowserBar::FinishProbe(const QPersistentModelIndex &index, CFolderReader::Outcome outcome, bool hasEntries)
{
    QStandardItem *item = m_model->itemFromIndex(index);
    if (!item)
        return;
    if (outcome == CFolderReader::Outcome::Vanished) {
        RemoveVanished(item);
        return;
    }
    if (!isFolderLike(item) || (m_tree->isExpanded(index) && item->rowCount() > 0))
        return;
    // A folder always offers to expand; a volume's root only when it has something, or when it
    // cannot be read (expanding it then shows why).
    const bool offer = kindOf(item) == FolderItem || hasEntries || outcome == CFolderReader::Outcome::Failed;
    if (offer && item->rowCount() == 0)
        item->appendRow(newPlaceholder());
    else if (!offer && item->rowCount() > 0)
        RemoveChildren(item);
}

void CFileBrowserBar::OnCurrentChanged(const QModelIndex &index)
{
    QStandardItem *item = m_model->itemFromIndex(index);
    if (!item || (!isFolderLike(item) && kindOf(item) != FileItem) || !CheckMedium(item))
        return;
    Probe(item);
}

void CFileBrowserBar::OnDoubleClicked(const QModelIndex &index)
{
    // A folder or volume only expands or collapses, which the tree does itself.
    if (KindOf(index) != FileItem)
        return;
    const QString path = FullPath(index);
    struct stat info {};
    // Only a regular file (or a link to one) can be read as a document: a device, a pipe or a
    // socket would never come to an end.
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        const int error = errno;
        ShowMessageText(QStringLiteral("%1\n\n%2").arg(path, QString::fromLocal8Bit(std::strerror(error))),
                        MB::IconInformation);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        ShowMessageText(QStringLiteral("%1\n\nThis is not a regular file; only regular files open as documents.").arg(path),
                        MB::IconInformation);
        return;
    }
    Q_EMIT openDocumentRequested(path);
}

bool CFileBrowserBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_tree && event->type() == QEvent::FocusIn)
        NotifyPaneFocus(m_tree, FileBrowserEditMenu);
    return CResizableDockBar::eventFilter(watched, event);
}
