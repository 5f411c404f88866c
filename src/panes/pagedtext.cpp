#include "pagedtext.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace {

// 16 KiB: longer than any line written by hand or by an indenting serializer, short enough that
// decoding and measuring a piece for every shown line stays well under a frame's time.
qint64 s_maxLineBytes = 16 * 1024;

bool isContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool isAscii(char c)
{
    return static_cast<unsigned char>(c) < 0x80;
}

} // namespace

CPagedText::CPagedText() = default;

CPagedText::~CPagedText()
{
    Close();
}

qint64 CPagedText::MaxLineBytes()
{
    return s_maxLineBytes;
}

void CPagedText::SetMaxLineBytes(qint64 bytes)
{
    s_maxLineBytes = std::max<qint64>(16, bytes);
}

bool CPagedText::IsAsciiCompatible(const QByteArray &head, QString *encoding)
{
    if (encoding)
        *encoding = QStringLiteral("UTF-8");
    // Byte-order marks of UTF-16 and UTF-32; zero bytes among the first few mean either without
    // a mark; "<?xm" in EBCDIC.
    if (head.startsWith("\xFE\xFF") || head.startsWith("\xFF\xFE") || head.left(4).contains('\0')
        || head.startsWith("\x4C\x6F\xA7\x94"))
        return false;
    const qsizetype start = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (head.mid(start, 5) != "<?xml")
        return true;
    const qsizetype close = head.indexOf("?>", start);
    const QString declaration = QString::fromLatin1(head.mid(start, close < 0 ? -1 : close - start));
    static const QRegularExpression pattern(QStringLiteral("\\bencoding\\s*=\\s*[\"']([A-Za-z0-9._:-]+)[\"']"));
    const QRegularExpressionMatch match = pattern.match(declaration);
    if (!match.hasMatch())
        return true;
    const QString name = match.captured(1);
    if (encoding)
        *encoding = name;
    const QString lower = name.toLower();
    // Head bytes in ASCII but a declaration naming a wide encoding: the rest is not ASCII.
    return !(lower.startsWith(QLatin1String("utf-16")) || lower.startsWith(QLatin1String("utf-32"))
             || lower.startsWith(QLatin1String("ucs-")) || lower.startsWith(QLatin1String("iso-10646")));
}

bool CPagedText::Open(const QString &path, QString *error)
{
    Close();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        if (error)
            *error = file->errorString();
        return false;
    }
    const qint64 size = file->size();
    const char *data = nullptr;
    if (size > 0) {
        data = reinterpret_cast<const char *>(file->map(0, size));
        if (!data) {
            if (error)
                *error = file->errorString();
            return false;
        }
    }
    m_file = std::move(file);
    m_data = data;
    m_size = size;

    const QByteArray head = QByteArray::fromRawData(m_data, static_cast<qsizetype>(std::min<qint64>(m_size, 4096)));
    IsAsciiCompatible(head, &m_encodingName);
    m_bomBytes = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QString lower = m_encodingName.toLower();
    m_utf8 = lower == QLatin1String("utf-8") || lower == QLatin1String("utf8") || lower == QLatin1String("us-ascii")
             || lower == QLatin1String("ascii");
    if (!m_utf8) {
        m_decoder = std::make_unique<QStringDecoder>(m_encodingName.toLatin1().constData(),
                                                     QStringDecoder::Flag::Stateless);
        // An encoding this system cannot decode still shows every byte as one character.
        if (!m_decoder->isValid())
            m_decoder = std::make_unique<QStringDecoder>(QStringDecoder::Latin1, QStringDecoder::Flag::Stateless);
    }
    return true;
}

void CPagedText::Close()
{
    if (m_file && m_data)
        m_file->unmap(reinterpret_cast<uchar *>(const_cast<char *>(m_data)));
    m_file.reset();
    m_data = nullptr;
    m_size = 0;
    m_bomBytes = 0;
    m_utf8 = true;
    m_encodingName.clear();
    m_decoder.reset();
}

qint64 CPagedText::LastNewline(qint64 from, qint64 to) const
{
    from = std::max<qint64>(from, 0);
    to = std::min(to, m_size);
    if (to <= from)
        return -1;
    const void *found = memrchr(m_data + from, '\n', static_cast<size_t>(to - from));
    return found ? static_cast<const char *>(found) - m_data : -1;
}

qint64 CPagedText::FirstNewline(qint64 from, qint64 to) const
{
    from = std::max<qint64>(from, 0);
    to = std::min(to, m_size);
    if (to <= from)
        return -1;
    const void *found = std::memchr(m_data + from, '\n', static_cast<size_t>(to - from));
    return found ? static_cast<const char *>(found) - m_data : -1;
}

bool CPagedText::IsCut(qint64 boundary) const
{
    return boundary > 0 && boundary < m_size && LastNewline(boundary - s_maxLineBytes, boundary) < 0;
}

qint64 CPagedText::LineStart(qint64 offset) const
{
    if (m_size == 0)
        return 0;
    offset = std::clamp<qint64>(offset, 0, m_size - 1);
    const qint64 boundary = offset / s_maxLineBytes * s_maxLineBytes;
    const qint64 newline = LastNewline(boundary, offset);
    if (newline >= 0)
        return newline + 1;
    if (boundary == 0)
        return 0;
    // The line began in the piece before; unless no newline stands there either, which makes the
    // boundary a cut of a long line.
    const qint64 before = LastNewline(boundary - s_maxLineBytes, boundary);
    return before < 0 ? boundary : before + 1;
}

qint64 CPagedText::NextLineStart(qint64 start) const
{
    if (start >= m_size)
        return m_size;
    // At most two pieces: the line either breaks in the piece it starts in, or at the next
    // boundary, or in the piece after it, or at the boundary after that, which the line then fills.
    qint64 boundary = (start / s_maxLineBytes + 1) * s_maxLineBytes;
    qint64 newline = FirstNewline(start, boundary);
    if (newline >= 0)
        return newline + 1;
    if (boundary >= m_size)
        return m_size;
    if (IsCut(boundary))
        return boundary;
    const qint64 next = boundary + s_maxLineBytes;
    newline = FirstNewline(boundary, next);
    if (newline >= 0)
        return newline + 1;
    return std::min(next, m_size);
}

qint64 CPagedText::PreviousLineStart(qint64 start) const
{
    return start <= 0 ? 0 : LineStart(start - 1);
}

qint64 CPagedText::LineEnd(qint64 start) const
{
    const qint64 next = NextLineStart(start);
    qint64 end = next;
    if (end > start && m_data[end - 1] == '\n') {
        --end;
        if (end > start && m_data[end - 1] == '\r')
            --end;
    }
    return end;
}

qint64 CPagedText::CharacterStart(qint64 offset) const
{
    offset = std::clamp<qint64>(offset, 0, m_size);
    if (!m_utf8)
        return offset;
    for (int back = 0; back < 3 && offset > 0 && offset < m_size && isContinuation(m_data[offset])
                       && !isAscii(m_data[offset - 1]);
         ++back)
        --offset;
    return offset;
}

QString CPagedText::Decode(qint64 from, qint64 to) const
{
    from = std::clamp<qint64>(from, m_bomBytes, m_size);
    to = std::clamp<qint64>(to, from, m_size);
    if (m_utf8) {
        // A character cut by a piece boundary belongs to the piece it starts in.
        for (int skip = 0; skip < 3 && from < to && from > 0 && isContinuation(m_data[from]) && !isAscii(m_data[from - 1]);
             ++skip)
            ++from;
        for (int more = 0; more < 3 && to < m_size && to > from && isContinuation(m_data[to]) && !isAscii(m_data[to - 1]);
             ++more)
            ++to;
        return QString::fromUtf8(m_data + from, static_cast<qsizetype>(to - from));
    }
    return m_decoder->decode(QByteArrayView(m_data + from, static_cast<qsizetype>(to - from)));
}
