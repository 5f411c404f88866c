// A folder of 100,000 files expands while the window goes on answering: the event loop is never
// held for more than 100 ms, and every file appears.
#include "filebrowser/filebrowserbar.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int FileCount = 100000;
constexpr qint64 LongestPause = 100;

// Measures the longest time the event loop went without running a 5 ms timer.
class PauseMeter
{
public:
    PauseMeter()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_clock.restart());
        });
        m_clock.start();
        m_timer.start();
    }
    qint64 Longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

} // namespace

class TestFolderLoad : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("big"))));
        for (int i = 0; i < FileCount; ++i) {
            const QByteArray name = QFile::encodeName(m_dir.filePath(QStringLiteral("big/file%1.xml").arg(i)));
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
    }

    void hugeFolderExpandsWithoutHoldingTheWindow()
    {
        QMainWindow window;
        CFileBrowserBar bar({{m_dir.path(), VolumeKind::Fixed}}, {});
        window.addDockWidget(Qt::LeftDockWidgetArea, &bar);
        window.resize(600, 500);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QModelIndex volume = bar.Model()->index(0, 0);
        bar.Tree()->expand(volume);
        QTRY_VERIFY(!bar.IsReading());
        const QModelIndex big = bar.Model()->index(0, 0, volume);
        QCOMPARE(big.data().toString(), QStringLiteral("big"));

        PauseMeter meter;
        QElapsedTimer clock;
        clock.start();
        bar.Tree()->expand(big);
        // The folder shows as loading at once, and answers while it fills.
        QCOMPARE(CFileBrowserBar::KindOf(bar.Model()->index(0, 0, big)), CFileBrowserBar::LoadingItem);
        QTRY_VERIFY_WITH_TIMEOUT(!bar.IsReading(), 60000);
        const qint64 total = clock.elapsed();
        QCOMPARE(bar.Model()->rowCount(big), FileCount);
        // Scrolling to the end lays out and paints the full list.
        bar.Tree()->verticalScrollBar()->setValue(bar.Tree()->verticalScrollBar()->maximum());
        QTest::qWait(50);
        const qint64 reading = meter.Longest();
        // Collapsing drops them all at once.
        bar.Tree()->collapse(big);
        QTest::qWait(50);
        QCOMPARE(bar.Model()->rowCount(big), 1);
        qInfo("%d files read in %lld ms; longest pause while reading %lld ms", FileCount, total, reading);
        qInfo("longest pause including the collapse %lld ms", meter.Longest());
        QVERIFY2(meter.Longest() < LongestPause, qPrintable(QStringLiteral("paused %1 ms").arg(meter.Longest())));
    }
};

QTEST_MAIN(TestFolderLoad)
#include "tst_folderload.moc"
