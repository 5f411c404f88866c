#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;

// The "General" page of a remote entry's properties: name, server, location, size, three
// times and five attributes. It only shows them; nothing on the server changes.
class CFtpFilePropertyPage : public QWidget
{
    Q_OBJECT

public:
    explicit CFtpFilePropertyPage(QWidget *parent = nullptr);

    // Filled in by the open dialog before the page is shown.
    QString m_strServerName;
    QString m_strFileName;
    QString m_strLocation;
    qint64 m_nSize = -1; // -1: not available
    QDateTime m_timeCreated;
    QDateTime m_timeLastWrite;
    QDateTime m_timeLastAccess;
    bool m_bReadOnly = false;
    bool m_bSystem = false;
    bool m_bArchive = false;
    bool m_bHidden = false;
    bool m_bCompressed = false;

    // Shows the data members in the controls.
    void OnInitDialog();

    // A time in local time and English words: "Tuesday, March 5,  2002 3:7:9  PM"; "n/a" for a
    // time that was never recorded.
    static QString FormatTime(const QDateTime &time);

    QString Title() const { return QStringLiteral("General"); }

private:
    QLabel *m_fileName;
    QLabel *m_server;
    QLabel *m_location;
    QLabel *m_size;
    QLabel *m_created;
    QLabel *m_modified;
    QLabel *m_accessed;
    QCheckBox *m_readOnly;
    QCheckBox *m_hidden;
    QCheckBox *m_archive;
    QCheckBox *m_system;
    QCheckBox *m_compressed;
};
