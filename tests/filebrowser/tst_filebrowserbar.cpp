// The file browser's tree on a temporary folder listed as a volume: what is read when, in which
// order, what becomes of vanished and unreadable folders and of a changed medium, and which
// files a double click opens.
#include "filebrowser/filebrowserbar.h"
#include "common/messagerecorder.h"
#include "common/testfiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

#include <sys/stat.h>

namespace {

QStringList childTexts(const QModelIndex &parent)
{
    QStringList texts;
    for (int row = 0; row < parent.model()->rowCount(parent); ++row)
        texts.append(parent.model()->index(row, 0, parent).data().toString());
    return texts;
}

bool onlyPlaceholder(const QModelIndex &item)
{
    return item.model()->rowCount(item) == 1
        && CFileBrowserBar::KindOf(item.model()->index(0, 0, item)) == CFileBrowserBar::PlaceholderItem;
}

QModelIndex childNamed(const QModelIndex &parent, const QString &name)
{
    const int row = int(childTexts(parent).indexOf(name));
    return row < 0 ? QModelIndex() : parent.model()->index(row, 0, parent);
}

void expandAndWait(CFileBrowserBar &bar, const QModelIndex &item)
{
    bar.Tree()->expand(item);
    QTRY_VERIFY(!bar.IsReading());
}

void doubleClick(CFileBrowserBar &bar, const QModelIndex &item)
{
    const QPoint at = bar.Tree()->visualRect(item).center();
    QTest::mouseClick(bar.Tree()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(bar.Tree()->viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class TestFileBrowserBar : public QObject
{
    Q_OBJECT

private:
    TestFiles::TempFolder m_dir;
    QString m_root;

    static QModelIndex volume(CFileBrowserBar &bar, int row = 0) { return bar.Model()->index(row, 0); }

private Q_SLOTS:
    // Two folders (one empty), files including a hidden one, a link to a file and a named pipe.
    void init()
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

    void volumesStartWithAPlaceholderUnlessEmpty()
    {
        const QString empty = m_dir.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(empty));
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}, {empty, VolumeKind::Fixed}, {empty, VolumeKind::Removable}},
                            [](const QString &) { return QStringLiteral("disc"); });
        QTRY_VERIFY(!bar.IsReading());
        QVERIFY(onlyPlaceholder(volume(bar))); // nothing below is read before it is expanded
        QVERIFY(!volume(bar).data(Qt::DecorationRole).isNull());
        // An empty fixed root has no expand button; a drive whose medium may change keeps one.
        QCOMPARE(bar.Model()->rowCount(volume(bar, 1)), 0);
        QVERIFY(onlyPlaceholder(volume(bar, 2)));
    }

    void expansionListsFoldersThenFilesHiddenIncluded()
    {
        CFileBrowserBar bar({{m_root, VolumeKind::Fixed}}, {});
        expandAndWait(bar, volume(bar));
        // Each group in the order the file system gives its entries, folders first.
        QStringList folders, files;
        const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
        for (const QString &name : QDir(m_root).entryList(all, QDir::Unsorted))
            (QFileInfo(m_root + QLatin1Char('/') + name).isDir() ? folders : files).append(name);
        QCOMPARE(childTexts(volume(bar)), folders + files);
        QVERIFY(files.contains(QStringLiteral(".hidden.xml")) && files.contains(QStringLiteral("pipe")));
        for (const QString &name : folders)
            QVERIFY2(onlyPlaceholder(childNamed(volume(bar), name)), qPrintable(name)); // even the empty one
        for (const QString &name : files)
            QCOMPARE(bar.Model()->rowCount(childNamed(volume(bar), name)), 0);

        const QModelIndex empty = childNamed(volume(bar), QStringLiteral("a_folder"));
        expandAndWait(bar, empty);
        QCOMPARE(bar.Model()->rowCount(empty), 0);
        const QModelIndex full = childNamed(volume(bar), QStringLiteral("b_folder"));
        QCOMPARE(bar.FullPath(full), m_root + QStringLiteral("/b_folder"));
        expandAndWait(bar, full);
        QCOMPARE(childTexts(full), (QStringList{QStringLiteral("sub"), QStringLiteral("inner.xml")}));
        // A collapsed folder drops what was read, and is read afresh at the next expansion.
        bar.Tree()->collapse(full);
        QVERIFY(onlyPlaceholder(full));
        m_dir.write(QStringLiteral("vol/b_folder/new.xml"), "<new/>");
        expandAndWait(bar, full);
        QVERIFY(childTexts(full).contains(QStringLiteral("new.xml")));

        // Collapsed before its read ends, nothing of that read arrives later.
        bar.Tree()->collapse(volume(bar));
        bar.Tree()->expand(volume(bar));
        bar.Tree()->collapse(volume(bar));
        QVERIFY(!bar.IsReading());
        QTest::qWait(50);
        QVERIFY(onlyPlaceholder(volume(bar)));
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
    }

    void changedOrMissingMediumCollapsesTheVolume()
    {
        QString medium = QStringLiteral("disc one");
        CFileBrowserBar bar({{m_root, VolumeKind::Optical}}, [&](const QString &) { return medium; });
        expandAndWait(bar, volume(bar));
        // Another disc: expanding anything under the drive collapses it back to a placeholder.
        medium = QStringLiteral("disc two");
        bar.Tree()->expand(childNamed(volume(bar), QStringLiteral("b_folder")));
        QVERIFY(!bar.Tree()->isExpanded(volume(bar)));
        QVERIFY(onlyPlaceholder(volume(bar)));
        // The new disc is remembered: expanding again reads it.
        expandAndWait(bar, volume(bar));
        QVERIFY(childNamed(volume(bar), QStringLiteral("b_folder")).isValid());
        // No disc at all.
        medium.clear();
        bar.Tree()->expand(volume(bar).model()->index(0, 0, volume(bar)));
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
        QCOMPARE(opened.at(1).at(0).toString(), m_root + QStringLiteral("/link.xml"));
        // Reading a pipe would wait for a writer forever: it is refused, and the user told why.
        doubleClick(bar, childNamed(volume(bar), QStringLiteral("pipe")));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.lastText().startsWith(m_root + QStringLiteral("/pipe\n\n")));
        // A folder opens nothing; the double click expands it.
        const QModelIndex folder = childNamed(volume(bar), QStringLiteral("b_folder"));
        doubleClick(bar, folder);
        QTRY_VERIFY(bar.Tree()->isExpanded(folder) && !bar.IsReading());
        QCOMPARE(opened.size(), 2);
        QCOMPARE(messages.count(), 1);
    }

    void volumeKinds()
    {
        QCOMPARE(VolumeKindOf(QStringLiteral("ext4"), QStringLiteral("/dev/vda")), VolumeKind::Fixed);
        QCOMPARE(VolumeKindOf(QStringLiteral("tmpfs"), QStringLiteral("tmpfs")), VolumeKind::RamDisk);
        QCOMPARE(VolumeKindOf(QStringLiteral("nfs4"), QStringLiteral("server:/export")), VolumeKind::Network);
        QCOMPARE(VolumeKindOf(QStringLiteral("fuse.sshfs"), QStringLiteral("user@host:")), VolumeKind::Network);
        QCOMPARE(VolumeKindOf(QStringLiteral("udf"), QStringLiteral("/dev/sr0")), VolumeKind::Optical);
        const QList<CVolume> volumes = MountedVolumes();
        QCOMPARE(volumes.first().root, QStringLiteral("/"));
        QVERIFY(!VolumeIdentity(QStringLiteral("/")).isEmpty());
        QVERIFY(VolumeIdentity(m_root).isEmpty()); // no mount point: no medium of its own
    }
};

QTEST_MAIN(TestFileBrowserBar)
#include "tst_filebrowserbar.moc"
