#pragma once

#include "resultsbar.h"

#include "document/xmlsearch.h"

class QCheckBox;
class QLineEdit;

// The "Find" dock: what to look for and how, and the nodes found (path, kind, the text that
// matched, line).
class CFindBar : public CResultsBar
{
    Q_OBJECT

public:
    explicit CFindBar(QWidget *parent = nullptr);

    FindOptions Options() const;
    void SetOptions(const FindOptions &options);
    // Shows the dock with the focus in the pattern, its text selected.
    void FocusPattern();

    QLineEdit *PatternEdit() const { return m_pattern; }
    QPushButton *FindButton() const { return m_find; }

    enum Column { PathColumn, KindColumn, MatchColumn, LineColumn };

Q_SIGNALS:
    void findRequested(const FindOptions &options);

private:
    void UpdateOptionStates();

    QLineEdit *m_pattern;
    QPushButton *m_find;
    QCheckBox *m_matchCase, *m_wholeWord, *m_regex, *m_xpath;
    QCheckBox *m_elementNames, *m_attributeNames, *m_attributeValues, *m_text, *m_comments, *m_cdata;
};
