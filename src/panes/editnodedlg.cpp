#include "editnodedlg.h"

#include "nodeicon.h"
#include "document/xmlnode.h"
#include "ftp/dialogunits.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

QFrame *etchedLine(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

CEditNodeDlg::CEditNodeDlg(QWidget *parent)
    : CResizableDialog(parent),
      m_icon(new QLabel(this)),
      m_name(new QLineEdit(this)),
      m_type(new QLineEdit(this)),
      m_value(new QPlainTextEdit(this)),
      m_ok(new QPushButton(QStringLiteral("OK"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(QStringLiteral("Edit Node"));
    m_icon->setObjectName(QStringLiteral("icon"));
    m_name->setObjectName(QStringLiteral("name"));
    m_type->setObjectName(QStringLiteral("type"));
    m_value->setObjectName(QStringLiteral("value"));

    // Until the caller gives the node's own picture, the dialog shows that of a CDATA section.
    m_icon->setPixmap(NodeIcon(NodeType::CDataSection).pixmap(32, 32));
    m_name->setEnabled(false);
    m_type->setReadOnly(true);
    m_type->setFrame(false);
    m_value->setTabChangesFocus(true);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    const CDialogUnits du(this);
    resize(du.Size(276, 206));
    m_icon->setGeometry(du.Rect(7, 7, 21, 20));
    m_name->setGeometry(du.Rect(36, 10, 233, 14));
    QFrame *topLine = etchedLine(this);
    topLine->setGeometry(du.Rect(7, 33, 262, 2));
    auto *typeLabel = new QLabel(QStringLiteral("Node Type:"), this);
    typeLabel->setGeometry(du.Rect(7, 40, 50, 10));
    m_type->setGeometry(du.Rect(60, 40, 209, 10));
    QFrame *bottomLine = etchedLine(this);
    bottomLine->setGeometry(du.Rect(7, 56, 262, 2));
    m_value->setGeometry(du.Rect(7, 63, 262, 114));
    m_ok->setGeometry(du.Rect(165, 184, 50, 14));
    m_cancel->setGeometry(du.Rect(219, 184, 50, 14));

    CAnchorLayout &anchors = AnchorLayout();
    anchors.Register(m_icon, CAnchorLayout::AnchorLeft);
    anchors.Register(m_name, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorRight);
    anchors.Register(topLine, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorRight);
    anchors.Register(m_type, CAnchorLayout::AnchorLeft);
    anchors.Register(bottomLine, CAnchorLayout::AnchorLeft | CAnchorLayout::AnchorRight);
    anchors.Register(m_value, 15);
    anchors.Register(m_ok, CAnchorLayout::AnchorRight | CAnchorLayout::AnchorBottom);
    anchors.Register(m_cancel, CAnchorLayout::AnchorRight | CAnchorLayout::AnchorBottom);
    FinishInitialLayout();
}

void CEditNodeDlg::SetName(const QString &name)
{
    m_name->setText(name);
}

QString CEditNodeDlg::Name() const
{
    return m_name->text();
}

void CEditNodeDlg::SetType(const QString &type)
{
    m_type->setText(type);
}

QString CEditNodeDlg::Type() const
{
    return m_type->text();
}

void CEditNodeDlg::SetValue(const QString &value)
{
    m_value->setPlainText(value);
}

QString CEditNodeDlg::Value() const
{
    // The raw text keeps every character (toPlainText would turn no-break spaces into blanks);
    // only the box's paragraph marks become the line feeds the document uses.
    QString value = m_value->document()->toRawText();
    value.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return value;
}

void CEditNodeDlg::SetIcon(const QIcon &icon)
{
    if (!icon.isNull())
        m_icon->setPixmap(icon.pixmap(32, 32));
}

void CEditNodeDlg::showEvent(QShowEvent *event)
{
    CResizableDialog::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    m_value->setFocus(Qt::OtherFocusReason);
    activateWindow();
}
