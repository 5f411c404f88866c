#pragma once

#include <QList>
#include <QString>

// A text cut into printable lines: at each separator, and within a line every `maxLength`
// characters, so that no character is lost and the last line prints even without a break after it.
// It keeps the text once and where each line starts, so a big document costs no copy per line.
class CSourceLines
{
public:
    CSourceLines(const QString &text, QChar separator, int maxLength);

    int Count() const { return int(m_lines.size()); }
    QString Line(int index) const;

private:
    struct Span
    {
        qsizetype start;
        qsizetype length;
    };
    QString m_text;
    QList<Span> m_lines;
};
