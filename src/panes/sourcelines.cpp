#include "sourcelines.h"

#include <cstring>

namespace {

// The bytes of the UTF-8 sequence that starts with `lead` and the QString characters it makes.
// A stray byte counts as one character, as the decoder makes it one replacement character.
void sequenceOf(unsigned char lead, qsizetype *bytes, qsizetype *units)
{
    if (lead >= 0xF0 && lead < 0xF8) {
        *bytes = 4;
        *units = 2; // a surrogate pair
    } else if (lead >= 0xE0 && lead < 0xF0) {
        *bytes = 3;
        *units = 1;
    } else if (lead >= 0xC0 && lead < 0xE0) {
        *bytes = 2;
        *units = 1;
    } else {
        *bytes = 1;
        *units = 1;
    }
}

} // namespace

CSourceLines::CSourceLines(const QByteArray &utf8, char separator, int maxLength)
    : m_text(utf8)
{
    // At least one character per printed line, however narrow the page.
    const qsizetype max = qMax(1, maxLength);
    const char *data = m_text.constData();
    const qsizetype size = m_text.size();
    qsizetype start = 0;
    while (start < size) {
        const void *found = std::memchr(data + start, separator, size_t(size - start));
        const qsizetype end = found ? static_cast<const char *>(found) - data : size;
        // A line of no more bytes than the limit has no more characters than it either.
        if (end - start > max)
            start = CutLongLine(start, end, max);
        m_lines.append(Span{start, end - start});
        start = end + 1;
        if (!found)
            break;
    }
}

qsizetype CSourceLines::CutLongLine(qsizetype start, qsizetype end, qsizetype max)
{
    const auto *data = reinterpret_cast<const unsigned char *>(m_text.constData());
    qsizetype pieceStart = start;
    qsizetype units = 0;
    for (qsizetype at = start; at < end;) {
        qsizetype bytes = 1, width = 1;
        sequenceOf(data[at], &bytes, &width);
        bytes = qMin(bytes, end - at);
        if (units > 0 && units + width > max) {
            m_lines.append(Span{pieceStart, at - pieceStart});
            pieceStart = at;
            units = 0;
        }
        units += width;
        at += bytes;
    }
    return pieceStart;
}

QString CSourceLines::Line(int index) const
{
    if (index < 0 || index >= m_lines.size())
        return {};
    const Span &span = m_lines.at(index);
    return QString::fromUtf8(m_text.constData() + span.start, span.length);
}
