#include "nodepropertysheet.h"

#include "nodeinfopage.h"
#include "nodesourcepage.h"

#include <QDialogButtonBox>
#include <QTabWidget>
#include <QVBoxLayout>

CNodePropertySheet::CNodePropertySheet(const QString &caption, QWidget *parent)
    : QDialog(parent), m_tabs(new QTabWidget(this)), m_sourcePage(new CNodeSourcePage), m_infoPage(new CNodeInfoPage)
{
    setWindowTitle(caption);
    m_tabs->addTab(m_sourcePage, QStringLiteral("Source"));
    m_tabs->addTab(m_infoPage, QStringLiteral("Info"));
    m_tabs->setCurrentIndex(0);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}
