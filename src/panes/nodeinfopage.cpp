#include "nodeinfopage.h"

#include "ftp/dialogunits.h"

#include <QFormLayout>
#include <QLineEdit>

CNodeInfoPage::CNodeInfoPage(QWidget *parent)
    : QWidget(parent), m_nodeAddress(new QLineEdit(this)), m_parentAddress(new QLineEdit(this))
{
    m_nodeAddress->setObjectName(QStringLiteral("nodeAddress"));
    m_parentAddress->setObjectName(QStringLiteral("parentAddress"));
    m_nodeAddress->setReadOnly(true);
    m_parentAddress->setReadOnly(true);
    auto *layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Node Address"), m_nodeAddress);
    layout->addRow(QStringLiteral("Parent Address"), m_parentAddress);
    setMinimumSize(CDialogUnits(this).Size(251, 171));
}

void CNodeInfoPage::SetNodeAddress(const QString &address)
{
    m_nodeAddress->setText(address);
}

QString CNodeInfoPage::NodeAddress() const
{
    return m_nodeAddress->text();
}

void CNodeInfoPage::SetParentAddress(const QString &address)
{
    m_parentAddress->setText(address);
}

QString CNodeInfoPage::ParentAddress() const
{
    return m_parentAddress->text();
}
