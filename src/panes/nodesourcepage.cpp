#include "nodesourcepage.h"

#include "ftp/dialogunits.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

CNodeSourcePage::CNodeSourcePage(QWidget *parent)
    : QWidget(parent), m_source(new QPlainTextEdit(this))
{
    m_source->setObjectName(QStringLiteral("source"));
    m_source->setReadOnly(true);
    m_source->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_source->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_source->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_source);
    setMinimumSize(CDialogUnits(this).Size(251, 171));
}

void CNodeSourcePage::SetSource(const QString &source)
{
    m_source->setPlainText(source);
}

QString CNodeSourcePage::Source() const
{
    return m_source->toPlainText();
}
