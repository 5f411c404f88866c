#include "ftpconnectdlg.h"

#include "dialogunits.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSysInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFtpConnectDlg::CFtpConnectDlg(QWidget *parent)
    : QDialog(parent), m_server(new QLineEdit(this)), m_user(new QLineEdit(this)), m_password(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("FTP Connection"));
    m_server->setObjectName(QStringLiteral("server"));
    m_user->setObjectName(QStringLiteral("user"));
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *group = new QGroupBox(this);
    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("Server:"), m_server);
    form->addRow(QStringLiteral("User Name:"), m_user);
    form->addRow(QStringLiteral("Password:"), m_password);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addWidget(buttons);
    setMinimumWidth(CDialogUnits(this).X(202));

    // Every run starts from the defaults, never from what was typed the last time.
    m_strServer = DefaultServer();
    m_strUserName = QStringLiteral("anonymous");
    m_strPassword = DefaultPassword();
    m_server->setText(m_strServer);
    m_user->setText(m_strUserName);
    m_password->setText(m_strPassword);
}

QString CFtpConnectDlg::DefaultServer()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

void CFtpConnectDlg::accept()
{
    m_strServer = m_server->text();
    m_strUserName = m_user->text();
    m_strPassword = m_password->text();
    QDialog::accept();
}
