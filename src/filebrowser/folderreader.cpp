#include "folderreader.h"

#include <QFile>
#include <QMetaObject>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include <dirent.h>
#include <sys/stat.h>

// What the reading thread and the reader share. The reader may be gone before the thread ends;
// the thread then finds no receiver and stops at its next entry.
struct CFolderReader::Channel
{
    std::mutex mutex;
    CFolderReader *receiver = nullptr;
    std::atomic<bool> cancelled = false;
    QList<CFolderEntry> pending;
    bool notified = false;
    bool done = false;
    Outcome outcome = Outcome::Done;
    QString reason;
};

namespace {

constexpr int ThreadBatch = 256;

QString errorText(int error)
{
    // Unlike strerror, safe on any thread.
    return QString::fromStdString(std::generic_category().message(error));
}

bool isFolder(const QByteArray &folder, const dirent *entry)
{
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return false;
    struct stat info {};
    const QByteArray path = folder + '/' + entry->d_name;
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

CFolderReader::CFolderReader(const QString &path, int limit, QObject *parent)
    : QObject(parent), m_path(path), m_limit(limit), m_channel(std::make_shared<Channel>())
{
    m_channel->receiver = this;
}

CFolderReader::~CFolderReader()
{
    // After this no slice is posted to us; those already posted go with the object.
    std::lock_guard lock(m_channel->mutex);
    m_channel->receiver = nullptr;
    m_channel->cancelled = true;
}

void CFolderReader::Start()
{
    std::shared_ptr<Channel> channel = m_channel;
    const QByteArray path = QFile::encodeName(m_path);
    const int limit = m_limit;

    // Hands entries over and, unless a hand-over is already on its way, asks the reader to drain.
    auto deliver = [channel](QList<CFolderEntry> &batch, bool last, Outcome outcome, const QString &reason) {
        std::lock_guard lock(channel->mutex);
        channel->pending.append(std::move(batch));
        batch.clear();
        if (last) {
            channel->done = true;
            channel->outcome = outcome;
            channel->reason = reason;
        }
        if (channel->receiver && !channel->notified) {
            channel->notified = true;
            QMetaObject::invokeMethod(channel->receiver, &CFolderReader::Drain, Qt::QueuedConnection);
        }
    };

    auto read = [channel, path, limit, deliver] {
        QList<CFolderEntry> batch;
        struct stat info {};
        if (::stat(path.constData(), &info) != 0) {
            const int error = errno;
            deliver(batch, true, error == ENOENT || error == ENOTDIR ? Outcome::Vanished : Outcome::Failed,
                    errorText(error));
            return;
        }
        if (!S_ISDIR(info.st_mode)) {
            deliver(batch, true, Outcome::Done, {});
            return;
        }
        DIR *dir = ::opendir(path.constData());
        if (!dir) {
            const int error = errno;
            deliver(batch, true, Outcome::Failed, errorText(error));
            return;
        }
        int count = 0;
        int error = 0;
        while (!channel->cancelled) {
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (!entry) {
                error = errno;
                break;
            }
            if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
                continue;
            batch.append({QFile::decodeName(entry->d_name), isFolder(path, entry)});
            if (batch.size() >= ThreadBatch)
                deliver(batch, false, Outcome::Done, {});
            if (limit > 0 && ++count >= limit)
                break;
        }
        ::closedir(dir);
        deliver(batch, true, error ? Outcome::Failed : Outcome::Done, error ? errorText(error) : QString());
    };
    try {
        std::thread(read).detach();
    } catch (const std::system_error &error) {
        QList<CFolderEntry> none;
        deliver(none, true, Outcome::Failed, QString::fromLocal8Bit(error.what()));
    }
}

void CFolderReader::Drain()
{
    QList<CFolderEntry> slice;
    bool more = false;
    bool done = false;
    Outcome outcome = Outcome::Done;
    QString reason;
    {
        std::lock_guard lock(m_channel->mutex);
        QList<CFolderEntry> &pending = m_channel->pending;
        if (pending.size() <= SliceSize) {
            slice.swap(pending);
        } else {
            slice = pending.first(SliceSize);
            pending.remove(0, SliceSize);
        }
        more = !pending.isEmpty();
        // While more is left we come back on our own; else the thread asks again.
        m_channel->notified = more;
        done = m_channel->done && !more;
        outcome = m_channel->outcome;
        reason = m_channel->reason;
    }
    if (more)
        QTimer::singleShot(SliceInterval, this, &CFolderReader::Drain);
    if (!slice.isEmpty())
        Q_EMIT entriesRead(slice);
    if (done && !m_finished) {
        m_finished = true;
        Q_EMIT finished(outcome, reason);
    }
}
