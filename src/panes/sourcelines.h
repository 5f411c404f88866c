#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A UTF-8 text cut into printable lines: at each separator, and within a line every `maxLength`
// characters (counted as QString counts them), so that no character is lost and the last line
// prints even without a break after it. A character is never cut in two: one that would cross
// the limit starts the next line. It keeps the text once, as bytes, and where each line starts,
// so a big document costs neither a copy per line nor a conversion of the whole text.
class CSourceLines
{
public:
    CSourceLines(const QByteArray &utf8, char separator, int maxLength);

    int Count() const { return int(m_lines.size()); }
    QString Line(int index) const;

private:
    // Cuts the pieces of `maxLength` characters off the line of bytes [start, end) and returns
    // where the rest, at most `maxLength` characters long, begins.
    qsizetype CutLongLine(qsizetype start, qsizetype end, qsizetype maxLength);

    struct Span
    {
        qsizetype start;
        qsizetype length;
    };
    QByteArray m_text;
    QList<Span> m_lines;
};
