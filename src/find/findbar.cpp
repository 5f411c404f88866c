#include "findbar.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFindBar::CFindBar(QWidget *parent)
    : CResultsBar(QStringLiteral("Find"),
                  {QStringLiteral("Node"), QStringLiteral("Kind"), QStringLiteral("Matched"), QStringLiteral("Line")},
                  PathColumn, parent)
{
    setObjectName(QStringLiteral("FindBar"));
    auto *form = new QWidget(this);
    auto *grid = new QGridLayout(form);
    grid->setContentsMargins(0, 0, 0, 0);
    m_pattern = new QLineEdit(form);
    m_pattern->setPlaceholderText(QStringLiteral("Text, regular expression or XPath expression"));
    m_find = new QPushButton(QStringLiteral("Find"), form);
    m_find->setDefault(true);
    auto *patternRow = new QHBoxLayout;
    patternRow->addWidget(new QLabel(QStringLiteral("Find what:"), form));
    patternRow->addWidget(m_pattern, 1);
    patternRow->addWidget(m_find);
    grid->addLayout(patternRow, 0, 0, 1, 6);

    m_matchCase = new QCheckBox(QStringLiteral("Match case"), form);
    m_wholeWord = new QCheckBox(QStringLiteral("Whole word"), form);
    m_regex = new QCheckBox(QStringLiteral("Regular expression"), form);
    m_xpath = new QCheckBox(QStringLiteral("XPath"), form);
    grid->addWidget(m_matchCase, 1, 0);
    grid->addWidget(m_wholeWord, 1, 1);
    grid->addWidget(m_regex, 1, 2);
    grid->addWidget(m_xpath, 1, 3);

    m_elementNames = new QCheckBox(QStringLiteral("Element names"), form);
    m_attributeNames = new QCheckBox(QStringLiteral("Attribute names"), form);
    m_attributeValues = new QCheckBox(QStringLiteral("Attribute values"), form);
    m_text = new QCheckBox(QStringLiteral("Text"), form);
    m_comments = new QCheckBox(QStringLiteral("Comments"), form);
    m_cdata = new QCheckBox(QStringLiteral("CDATA"), form);
    const QList<QCheckBox *> where = {m_elementNames, m_attributeNames, m_attributeValues, m_text, m_comments, m_cdata};
    for (int i = 0; i < where.size(); ++i) {
        where.at(i)->setChecked(true);
        grid->addWidget(where.at(i), 2, i);
    }
    ContentLayout()->insertWidget(0, form);

    auto request = [this] { Q_EMIT findRequested(Options()); };
    connect(m_find, &QPushButton::clicked, this, request);
    connect(m_pattern, &QLineEdit::returnPressed, this, request);
    connect(m_xpath, &QCheckBox::toggled, this, [this] { UpdateOptionStates(); });
    UpdateOptionStates();
}

void CFindBar::UpdateOptionStates()
{
    // An XPath expression says itself where and how to look.
    const bool text = !m_xpath->isChecked();
    for (QCheckBox *box : {m_matchCase, m_wholeWord, m_regex, m_elementNames, m_attributeNames, m_attributeValues,
                           m_text, m_comments, m_cdata})
        box->setEnabled(text);
}

FindOptions CFindBar::Options() const
{
    FindOptions o;
    o.pattern = m_pattern->text();
    o.matchCase = m_matchCase->isChecked();
    o.wholeWord = m_wholeWord->isChecked();
    o.regularExpression = m_regex->isChecked();
    o.xpath = m_xpath->isChecked();
    o.where = (m_elementNames->isChecked() ? FindOptions::ElementNames : 0)
        | (m_attributeNames->isChecked() ? FindOptions::AttributeNames : 0)
        | (m_attributeValues->isChecked() ? FindOptions::AttributeValues : 0)
        | (m_text->isChecked() ? FindOptions::Text : 0)
        | (m_comments->isChecked() ? FindOptions::Comments : 0)
        | (m_cdata->isChecked() ? FindOptions::CData : 0);
    return o;
}

void CFindBar::SetOptions(const FindOptions &o)
{
    m_pattern->setText(o.pattern);
    m_matchCase->setChecked(o.matchCase);
    m_wholeWord->setChecked(o.wholeWord);
    m_regex->setChecked(o.regularExpression);
    m_xpath->setChecked(o.xpath);
    m_elementNames->setChecked(o.where & FindOptions::ElementNames);
    m_attributeNames->setChecked(o.where & FindOptions::AttributeNames);
    m_attributeValues->setChecked(o.where & FindOptions::AttributeValues);
    m_text->setChecked(o.where & FindOptions::Text);
    m_comments->setChecked(o.where & FindOptions::Comments);
    m_cdata->setChecked(o.where & FindOptions::CData);
}

void CFindBar::FocusPattern()
{
    show();
    raise();
    m_pattern->setFocus(Qt::ShortcutFocusReason);
    m_pattern->selectAll();
}
