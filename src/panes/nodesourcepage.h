#pragma once

#include <QWidget>

class QPlainTextEdit;

// The "Source" tab of the node properties: the node's XML in a read-only box with both
// scroll bars that covers the page.
class CNodeSourcePage : public QWidget
{
    Q_OBJECT

public:
    explicit CNodeSourcePage(QWidget *parent = nullptr);

    void SetSource(const QString &source);
    QString Source() const;
    QPlainTextEdit *SourceBox() const { return m_source; }

private:
    QPlainTextEdit *m_source;
};
