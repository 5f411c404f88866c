#include "sourcelines.h"

CSourceLines::CSourceLines(const QString &text, QChar separator, int maxLength)
{
    // At least one character per printed line, however narrow the page.
    const qsizetype max = qMax(1, maxLength);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(separator, start);
        const bool lastLine = end < 0;
        if (lastLine)
            end = text.size();
        while (end - start > max) {
            m_lines.append(text.mid(start, max));
            start += max;
        }
        m_lines.append(text.mid(start, end - start));
        start = end + 1;
        if (lastLine)
            break;
    }
}
