#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// One entry of a folder: its bare name and whether it is a folder (a link counts as what it
// points to).
struct CFolderEntry
{
    QString name;
    bool folder = false;
};

// Reads a folder's entries in a thread of its own and hands them over on the thread that made
// it, in slices small enough that the window never waits long for them. A slow or hung volume
// holds only the reading thread, which is never waited for: deleting the reader cancels it.
class CFolderReader : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Done,     // read to the end, or the path is a file (no entries)
        Vanished, // the path is gone
        Failed,   // the folder exists but cannot be read; the reason says why
    };

    // `limit` > 0 stops after that many entries (enough to tell whether a folder has any).
    CFolderReader(const QString &path, int limit, QObject *parent = nullptr);
    ~CFolderReader() override;

    QString Path() const { return m_path; }
    void Start();

    // The most entries handed over in one go, and the pause before the next slice when more are
    // waiting: the window lays out and paints what it got in between.
    static constexpr int SliceSize = 2000;
    static constexpr int SliceInterval = 15; // ms

Q_SIGNALS:
    void entriesRead(const QList<CFolderEntry> &entries);
    // Once, after the last entries. The receiver may delete the reader later, not in the slot.
    void finished(CFolderReader::Outcome outcome, const QString &reason);

private:
    struct Channel;
    void Drain();

    QString m_path;
    int m_limit;
    bool m_finished = false;
    std::shared_ptr<Channel> m_channel;
};
