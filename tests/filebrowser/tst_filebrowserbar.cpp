// The file browser's tree on a temporary folder listed as a volume: what is read when, in which
// order, what becomes of vanished and unreadable folders and of a changed medium, and which
// files a double click opens.
#include "filebrowser/filebrowserbar.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList childTexts(const QModelIndex &parent)
{
    QStringList texts;
    const QAbstractItemModel *model = parent.model();
    for (int row = 0; row < model->rowCount(parent); ++row)
        texts.append(model->index(row, 0, parent).data().toString());
    return texts;
}

bool onlyPlaceholder(const QModelIndex &item)
{
    const QAbstractItemModel *model = item.model();
    return model->rowCount(item) == 1
        && CFileBrowserBar::KindOf(model->index(0, 0, item)) == CFileBrowserBar::PlaceholderItem;
}

QModelIndex childNamed(const QModelIndex &parent, const QString &name)
{
    const QAbstractItemModel *model = parent.model();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        if (model->index(row, 0, parent).data().toString() == name)
            return model->index(row, 0, parent);
    }
    return {};
}

// Expands `item` the way a click on its button does, and waits until it has been read.
void expandAndWait(CFileBrowserBar &bar, const QModelIndex &item)
{
    bar.Tree()->expand(item);
    QTRY_VERIFY(!bar.IsReading());
}

void doubleClick(CFileBrowserBar &bar, const QModelIndex &item)
{
    QTreeView *tree = bar.Tree();
    tree->scrollTo(item);
    const QPoint at = tree->visualRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestFileBrowserBar : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    QString m_root;

    // A folder tree: two folders (one empty), files including a hidden one, a link to a file
    // and a named pipe.
    void makeTree()
    {
        m_root = m_dir.filePath(QStringLiteral("vol"));
        QDir(m_root).removeRecursively();
        QVERIFY(QDir().mkpath(m_root + QStringLiteral("/b_folder/sub")));
        QVERIFY(QDir().mkpath(m_root + QStringLiteral("/a_folder")));
        m_dir.write(QStringLiteral("vol/z.xml"), "<catalog/>");
        m_dir.write(QStringLiteral("vol/.hidden.xml"), "<hidden/>");
        m_dir.write(QStringLiteral("vol/b_folder/inner.xml"), "<inner/>");
        QVERIFY(QFile::link(m_root + QStringLiteral("/z.xml"), m_root + QStringLiteral("/link.xml")));
        QCOMPARE(::mkfifo(QFile::encodeName(m_root + QStringLiteral("/pipe")).constData(), 0600), 0);
    }

    static QModelIndex volume(CFileBrowserBar &bar, int row = 0) { return bar.Model()->index(row, 0); }

private Q_SLOTS:
    void init() { makeTree(); }

    void volumesStartWithAPlaceholderUnlessEmpty()
    {
        const QString empty = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(empty));
        QString medium = QStringLiteral("disc");
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}, {empty, VolumeKind::Fixed}, {empty, VolumeKind::Removable}},
                            [&](const QString &) { return medium; });
        QCOMPARE(bar.Model()->rowCount(), 3);
        QCOMPARE(volume(bar).data().toString(), m_root);
        QVERIFY(!volume(bar).data(Qt::DecorationRole).isNull());
        QTRY_VERIFY(!bar.IsReading());
        // Nothing under the roots is read before they are expanded.
        QVERIFY(onlyPlaceholder(volume(bar)));
        // An empty fixed root has no expand button; a drive whose medium may change keeps one.
        QCOMPARE(bar.Model()->rowCount(volume(bar, 1)), 0);
        QVERIFY(onlyPlaceholder(volume(bar, 2)));
    }

    void expansionListsFoldersThenFilesHiddenIncluded()
    {
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}}, {});
        expandAndWait(bar, volume(bar));
        const QStringList texts = childTexts(volume(bar));

        // Each group in the order the file system gives its entries, folders first.
        QStringList folders, files;
        for (const QString &name : QDir(m_root).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                           QDir::Unsorted))
            (QFileInfo(m_root + QLatin1Char('/') + name).isDir() ? folders : files).append(name);
        QCOMPARE(texts, folders + files);
        QVERIFY(texts.contains(QStringLiteral(".hidden.xml")));
        QVERIFY(texts.contains(QStringLiteral("pipe")));

        for (const QString &name : folders) {
            const QModelIndex folder = childNamed(volume(bar), name);
            QCOMPARE(CFileBrowserBar::KindOf(folder), CFileBrowserBar::FolderItem);
            QVERIFY2(onlyPlaceholder(folder), qPrintable(name)); // even the empty one, until expanded
            QCOMPARE(bar.FullPath(folder), m_root + QLatin1Char('/') + name);
        }
        for (const QString &name : files)
            QCOMPARE(bar.Model()->rowCount(childNamed(volume(bar), name)), 0);

        // The empty folder has no children once read; a collapsed one drops what was read.
        const QModelIndex empty = childNamed(volume(bar), QStringLiteral("a_folder"));
        expandAndWait(bar, empty);
        QCOMPARE(bar.Model()->rowCount(empty), 0);
        const QModelIndex full = childNamed(volume(bar), QStringLiteral("b_folder"));
        expandAndWait(bar, full);
        QCOMPARE(childTexts(full), (QStringList{QStringLiteral("sub"), QStringLiteral("inner.xml")}));
        bar.Tree()->collapse(full);
        QVERIFY(onlyPlaceholder(full));

        // Read afresh at the next expansion.
        m_dir.write(QStringLiteral("vol/b_folder/new.xml"), "<new/>");
        expandAndWait(bar, full);
        QVERIFY(childTexts(full).contains(QStringLiteral("new.xml")));
    }

    void vanishedItemsGoAway()
    {
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}}, {});
        expandAndWait(bar, volume(bar));
        QVERIFY(QDir(m_root + QStringLiteral("/b_folder")).removeRecursively());
        QVERIFY(QFile::remove(m_root + QStringLiteral("/z.xml")));

        expandAndWait(bar, childNamed(volume(bar), QStringLiteral("b_folder")));
        QVERIFY(!childNamed(volume(bar), QStringLiteral("b_folder")).isValid());

        // Selecting a file that is gone removes it too.
        bar.Tree()->setCurrentIndex(childNamed(volume(bar), QStringLiteral("z.xml")));
        QTRY_VERIFY(!childNamed(volume(bar), QStringLiteral("z.xml")).isValid());
        QVERIFY(childNamed(volume(bar), QStringLiteral("a_folder")).isValid());
    }

    void unreadableFolderSaysWhy()
    {
        // A link that points at itself can never be opened, even by the superuser.
        const QString loop = m_dir.filePath(QStringLiteral("loop"));
        QFile::remove(loop);
        QVERIFY(QFile::link(loop, loop));
        CFileBrowserBar bar({{loop, VolumeKind::Fixed}}, {});
        expandAndWait(bar, volume(bar));
        QCOMPARE(bar.Model()->rowCount(volume(bar)), 1);
        const QModelIndex note = bar.Model()->index(0, 0, volume(bar));
        QCOMPARE(CFileBrowserBar::KindOf(note), CFileBrowserBar::ErrorItem);
        QCOMPARE(note.data().toString(),
                 QStringLiteral("Cannot read this folder: %1").arg(QString::fromLocal8Bit(strerror(ELOOP))));

        if (::geteuid() != 0) {
            const QString locked = m_root + QStringLiteral("/b_folder");
            QVERIFY(QFile::setPermissions(locked, {}));
            CFileBrowserBar other({{m_root, VolumeKind::Fixed}}, {});
            expandAndWait(other, volume(other));
            const QModelIndex folder = childNamed(volume(other), QStringLiteral("b_folder"));
            expandAndWait(other, folder);
            QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QCOMPARE(CFileBrowserBar::KindOf(other.Model()->index(0, 0, folder)), CFileBrowserBar::ErrorItem);
        }
    }

    void changedOrMissingMediumCollapsesTheVolume()
    {
        QString medium = QStringLiteral("disc one");
        CFileBrowserBar bar({{m_root, VolumeKind::Optical}}, [&](const QString &root) {
            return root == m_root ? medium : QString();
        });
        expandAndWait(bar, volume(bar));
        QVERIFY(bar.Model()->rowCount(volume(bar)) > 1);

        // Another disc: expanding anything under the drive collapses it back to a placeholder.
        medium = QStringLiteral("disc two");
        bar.Tree()->expand(childNamed(volume(bar), QStringLiteral("b_folder")));
        QVERIFY(!bar.Tree()->isExpanded(volume(bar)));
        QVERIFY(onlyPlaceholder(volume(bar)));
        // The new disc is remembered: expanding again reads it.
        expandAndWait(bar, volume(bar));
        QVERIFY(bar.Tree()->isExpanded(volume(bar)));
        QVERIFY(childNamed(volume(bar), QStringLiteral("b_folder")).isValid());

        // No disc at all.
        medium.clear();
        bar.Tree()->expand(childNamed(volume(bar), QStringLiteral("a_folder")));
        QVERIFY(onlyPlaceholder(volume(bar)));
        bar.Tree()->expand(volume(bar));
        QVERIFY(!bar.Tree()->isExpanded(volume(bar)));
        QVERIFY(onlyPlaceholder(volume(bar)));
    }

    void doubleClickOpensRegularFilesOnly()
    {
        MessageRecorder messages;
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}}, {});
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        expandAndWait(bar, volume(bar));
        QSignalSpy opened(&bar, &CFileBrowserBar::openDocumentRequested);

        doubleClick(bar, childNamed(volume(bar), QStringLiteral("z.xml")));
        doubleClick(bar, childNamed(volume(bar), QStringLiteral("link.xml")));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened.at(0).at(0).toString(), m_root + QStringLiteral("/z.xml"));
        QCOMPARE(opened.at(1).at(0).toString(), m_root + QStringLiteral("/link.xml"));

        // Reading a pipe would wait for a writer forever: it is refused, and the user told why.
        doubleClick(bar, childNamed(volume(bar), QStringLiteral("pipe")));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(m_root + QStringLiteral("/pipe\n\n")));

        // A folder opens nothing; the double click expands it.
        const QModelIndex folder = childNamed(volume(bar), QStringLiteral("b_folder"));
        doubleClick(bar, folder);
        QTRY_VERIFY(!bar.IsReading());
        QCOMPARE(opened.size(), 2);
        QVERIFY(bar.Tree()->isExpanded(folder));
        QCOMPARE(messages.count(), 1);
    }

    void volumeKinds_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("kind");
        QTest::newRow("disk") << "ext4" << "/dev/vda" << int(VolumeKind::Fixed);
        QTest::newRow("ram") << "tmpfs" << "tmpfs" << int(VolumeKind::RamDisk);
        QTest::newRow("nfs") << "nfs4" << "server:/export" << int(VolumeKind::Network);
        QTest::newRow("samba") << "cifs" << "//server/share" << int(VolumeKind::Network);
        QTest::newRow("sshfs") << "fuse.sshfs" << "user@host:" << int(VolumeKind::Network);
        QTest::newRow("dvd") << "udf" << "/dev/sr0" << int(VolumeKind::Optical);
        QTest::newRow("cd image") << "iso9660" << "/dev/loop3" << int(VolumeKind::Optical);
    }

    void volumeKinds()
    {
        QFETCH(QString, type);
        QFETCH(QString, device);
        QFETCH(int, kind);
        QCOMPARE(int(VolumeKindOf(type, device)), kind);
        QVERIFY(HasChangeableMedium(VolumeKind(kind)) == (kind == int(VolumeKind::Optical)));
    }

    void mountedVolumesListTheRootFirst()
    {
        const QList<CVolume> volumes = MountedVolumes();
        QVERIFY(!volumes.isEmpty());
        QCOMPARE(volumes.first().root, QStringLiteral("/"));
        QCOMPARE(std::count_if(volumes.begin(), volumes.end(), [](const CVolume &v) { return v.root == QStringLiteral("/"); }), 1);
        QVERIFY(!VolumeIdentity(QStringLiteral("/")).isEmpty());
        // A folder that is no mount point holds no medium of its own.
        QVERIFY(VolumeIdentity(m_root).isEmpty());
    }

    void collapsingWhileReadingDropsTheRead()
    {
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}}, {});
        bar.Tree()->expand(volume(bar));
        bar.Tree()->collapse(volume(bar));
        QVERIFY(onlyPlaceholder(volume(bar)));
        QVERIFY(!bar.IsReading());
        QTest::qWait(50);
        QVERIFY(onlyPlaceholder(volume(bar)));
    }
};

QTEST_MAIN(TestFileBrowserBar)
#include "tst_filebrowserbar.moc"
