#pragma once

#include <QObject>
#include <QStringList>

// The most recently opened files, newest first, at most `size` entries, kept in the settings
// under "Recent File List" as File1, File2, ...
class CRecentFileList : public QObject
{
    Q_OBJECT

public:
    explicit CRecentFileList(int size = 4, QObject *parent = nullptr);

    void Add(const QString &path);
    void Remove(const QString &path);
    QStringList Files() const { return m_files; }
    int Size() const { return m_size; }

    void ReadList();
    void WriteList() const;

Q_SIGNALS:
    void changed();

private:
    int m_size;
    QStringList m_files;
};
