#include "findreplacedlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CFindReplaceDlg::CFindReplaceDlg(Kind kind, QWidget *parent)
    : QDialog(parent), m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(kind == Kind::Find ? tr("Find") : tr("Replace"));

    auto *fields = new QGridLayout;
    m_findEdit = new QLineEdit(this);
    m_findEdit->setObjectName(QStringLiteral("findText"));
    auto *findLabel = new QLabel(tr("Fi&nd what:"), this);
    findLabel->setBuddy(m_findEdit);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(m_findEdit, 0, 1);
    if (kind == Kind::Replace) {
        m_replaceEdit = new QLineEdit(this);
        m_replaceEdit->setObjectName(QStringLiteral("replaceText"));
        auto *replaceLabel = new QLabel(tr("Re&place with:"), this);
        replaceLabel->setBuddy(m_replaceEdit);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(m_replaceEdit, 1, 1);
    }

    m_matchCase = new QCheckBox(tr("Match &case"), this);
    m_matchCase->setObjectName(QStringLiteral("matchCase"));
    auto *options = new QHBoxLayout;
    options->addWidget(m_matchCase, 0, Qt::AlignBottom);
    if (kind == Kind::Find) {
        auto *direction = new QGroupBox(tr("Direction"), this);
        m_up = new QRadioButton(tr("&Up"), direction);
        m_up->setObjectName(QStringLiteral("up"));
        m_down = new QRadioButton(tr("&Down"), direction);
        m_down->setObjectName(QStringLiteral("down"));
        m_down->setChecked(true);
        auto *directionLayout = new QHBoxLayout(direction);
        directionLayout->addWidget(m_up);
        directionLayout->addWidget(m_down);
        options->addStretch();
        options->addWidget(direction);
    }

    auto *left = new QVBoxLayout;
    left->addLayout(fields);
    left->addStretch();
    left->addLayout(options);

    auto *buttons = new QVBoxLayout;
    m_findNextButton = new QPushButton(tr("&Find Next"), this);
    m_findNextButton->setObjectName(QStringLiteral("findNext"));
    m_findNextButton->setDefault(true);
    buttons->addWidget(m_findNextButton);
    connect(m_findNextButton, &QPushButton::clicked, this, &CFindReplaceDlg::findNext);
    if (kind == Kind::Replace) {
        m_replaceButton = new QPushButton(tr("&Replace"), this);
        m_replaceButton->setObjectName(QStringLiteral("replace"));
        m_replaceAllButton = new QPushButton(tr("Replace &All"), this);
        m_replaceAllButton->setObjectName(QStringLiteral("replaceAll"));
        buttons->addWidget(m_replaceButton);
        buttons->addWidget(m_replaceAllButton);
        connect(m_replaceButton, &QPushButton::clicked, this, &CFindReplaceDlg::replace);
        connect(m_replaceAllButton, &QPushButton::clicked, this, &CFindReplaceDlg::replaceAll);
    }
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    buttons->addWidget(cancel);
    buttons->addStretch();
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(m_findEdit, &QLineEdit::textChanged, this, &CFindReplaceDlg::UpdateButtons);
    UpdateButtons();
    setMinimumWidth(360);
}

QString CFindReplaceDlg::FindText() const
{
    return m_findEdit->text();
}

QString CFindReplaceDlg::ReplaceText() const
{
    return m_replaceEdit ? m_replaceEdit->text() : QString();
}

bool CFindReplaceDlg::MatchCase() const
{
    return m_matchCase->isChecked();
}

bool CFindReplaceDlg::SearchDown() const
{
    return !m_down || m_down->isChecked();
}

void CFindReplaceDlg::UpdateButtons()
{
    // Nothing to search for: no button that searches.
    const bool any = !m_findEdit->text().isEmpty();
    m_findNextButton->setEnabled(any);
    if (m_replaceButton)
        m_replaceButton->setEnabled(any);
    if (m_replaceAllButton)
        m_replaceAllButton->setEnabled(any);
}
