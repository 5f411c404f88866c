#pragma once

#include <QDialog>

class QLineEdit;

// "FTP Connection": asks for server, user name and password. It opens with the defaults every
// time (this machine's name, "anonymous", an e-mail-style password) and checks nothing; the
// server may be given as "host:port", with "ftp://", "ftps://" (FTP over TLS) or "sftp://" in front.
class CFtpConnectDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CFtpConnectDlg(QWidget *parent = nullptr);

    QString m_strServer;
    QString m_strUserName;
    QString m_strPassword; // kept in memory only

    static QString DefaultServer();
    static QString DefaultPassword() { return QStringLiteral("guest@example.com"); }

    void accept() override;

    QLineEdit *ServerEdit() const { return m_server; }
    QLineEdit *UserEdit() const { return m_user; }
    QLineEdit *PasswordEdit() const { return m_password; }

private:
    QLineEdit *m_server;
    QLineEdit *m_user;
    QLineEdit *m_password;
};
