#pragma once

#include "ftpclient.h"
#include "ftpentry.h"
#include "ftpfilepropertypage.h"
#include "resizabledialog.h"

#include <QList>

class CFtpFileList;
class CFtpLocalCopy;
class CToolBarHost;
class QComboBox;
class QLineEdit;
class QPushButton;

// "Open": browses an FTP server like the file-open dialog browses the local disk, lets the user
// rename, delete and create directories and see an entry's properties, and ends with OK once
// the chosen file has been fetched into a local copy. It holds one login from OnInitDialog
// until it is destroyed; every remote operation runs off the user-interface thread, one at a
// time.
class CFtpOpenDlg : public CResizableDialog
{
    Q_OBJECT

public:
    explicit CFtpOpenDlg(QWidget *parent = nullptr);
    ~CFtpOpenDlg() override;

    // `server` may carry a scheme ("ftp://", "ftps://", "sftp://") and a port ("host:port"),
    // which then replaces `port`.
    void SetLogin(const QString &server, const QString &user, const QString &password, quint16 port = 21);
    // Logs in and shows the home directory. False (after the message) when the login failed:
    // the dialog is then not to be shown.
    bool OnInitDialog();

    // The results after OK.
    QString LocalPath() const { return m_localPath; }
    QString RemotePath() const { return m_remotePath; }
    QString Host() const { return m_host; }
    quint16 Port() const { return m_port; }
    // The host with the scheme it was reached by, for the document's remote origin.
    QString OriginServer() const { return CFtpClient::ServerText(m_client.GetScheme(), m_host); }

    // Runs one of the dialog's commands: the Open button (1014), the toolbar, the context menus
    // and the view menu.
    void OnCommand(int id);
    // Which popup of the context menu a right-click shows now: 0 files, 1 directories, 2 none.
    int ContextPopup() const;

    CFtpClient *Client() { return &m_client; }
    CFtpFileList *List() const { return m_list; }
    QComboBox *LookIn() const { return m_lookIn; }
    QLineEdit *FileNameEdit() const { return m_fileName; }
    CToolBarHost *ToolBarHost() const { return m_toolBarHost; }
    CFtpFilePropertyPage *PropertyPage() { return &m_page; }

private:
    bool Browse(const QString &path);
    bool IsDirectory(const QString &name);
    bool RemoteCall(const QString &label, const std::function<bool()> &work);
    bool FetchListing(const QString &directory, QList<CFtpEntry> *entries);
    bool Fetch(const CFtpEntry &entry, CFtpLocalCopy *copy);
    void OnOpen();
    void OnUpOneLevel();
    void OnLookIn(int index);
    void OnClick();
    void OnDoubleClick();
    void OnContextMenu(const QPoint &globalPos);
    void OnDelete();
    void OnRename();
    void OnLabelEdited(int row, const QString &text);
    void OnNewDirectory();
    void OnProperties();
    void OnViewMenu();
    void OnOpenWith(bool textEditor);
    void ShowProperties(const CFtpEntry *entry, const QString &name, const QString &location, bool sizeZero);
    QString SelectedName() const;
    QString ChildPath(const QString &name) const;

    CFtpClient m_client;
    QString m_server; // as typed, for the top entry of Look-in
    QString m_host;
    QString m_user;
    QString m_password;
    quint16 m_port = 21;
    QString m_home;
    QString m_lastExamined;
    bool m_doubleClicked = false;
    QString m_localPath;
    QString m_remotePath;
    QList<CFtpEntry> m_entries; // the listing the rows show
    CFtpFilePropertyPage m_page;

    QComboBox *m_lookIn;
    CToolBarHost *m_toolBarHost;
    CFtpFileList *m_list;
    QLineEdit *m_fileName;
    QPushButton *m_open;
    QComboBox *m_fileType;
    QPushButton *m_cancel;
};
