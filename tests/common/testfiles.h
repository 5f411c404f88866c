#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Small helpers for tests that work with files in a temporary folder.
namespace TestFiles {

QByteArray readAll(const QString &path);
bool writeAll(const QString &path, const QByteArray &data);
// The canonical form (xmllint --c14n) of an XML file, for comparing documents after a round trip.
QByteArray canonical(const QString &path);

// A temporary folder that tests write their input files into.
class TempFolder
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Writes `bytes` to `name` in the folder and returns the file's path.
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString file = filePath(name);
        writeAll(file, bytes);
        return file;
    }

private:
    QTemporaryDir m_dir;
};

}
