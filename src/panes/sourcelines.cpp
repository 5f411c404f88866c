#include "sourcelines.h"

CSourceLines::CSourceLines(const QString &text, QChar separator, int maxLength)
    : m_text(text)
{
    // At least one character per printed line, however narrow the page.
    const qsizetype max = qMax(1, maxLength);
    qsizetype start = 0;
    while (start < m_text.size()) {
        qsizetype end = m_text.indexOf(separator, start);
        const bool lastLine = end < 0;
        if (lastLine)
            end = m_text.size();
        while (end - start > max) {
            m_lines.append(Span{start, max});
            start += max;
        }
        m_lines.append(Span{start, end - start});
        start = end + 1;
        if (lastLine)
            break;
    }
}

QString CSourceLines::Line(int index) const
{
    if (index < 0 || index >= m_lines.size())
        return {};
    const Span &span = m_lines.at(index);
    return m_text.mid(span.start, span.length);
}
