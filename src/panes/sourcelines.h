#pragma once

#include <QString>
#include <QStringList>

// A text cut into printable lines: at each separator, and within a line every `maxLength`
// characters, so that no character is lost and the last line prints even without a break after it.
class CSourceLines
{
public:
    CSourceLines(const QString &text, QChar separator, int maxLength);

    int Count() const { return int(m_lines.size()); }
    QString Line(int index) const { return m_lines.value(index); }

private:
    QStringList m_lines;
};
