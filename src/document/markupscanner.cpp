#include "markupscanner.h"

#include <cstring>

namespace {

bool isTagStop(unsigned char c)
{
    return c == '"' || c == '\'' || c == '=' || c == '>' || c == '[' || c == '<';
}

} // namespace

bool MarkupScanner::feed(const char *data, qsizetype size)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    qsizetype i = 0;
    // The first four bytes tell one-byte markup from UTF-16.
    while (m_width == Width::Unknown && i < size) {
        m_head[m_headSize++] = bytes[i++];
        if (m_headSize < 4)
            continue;
        const unsigned char *h = m_head;
        if ((h[0] == 0xFF && h[1] == 0xFE) || (h[0] == '<' && h[1] == 0 && h[2] == '?' && h[3] == 0))
            m_width = Width::TwoLE;
        else if ((h[0] == 0xFE && h[1] == 0xFF) || (h[0] == 0 && h[1] == '<' && h[2] == 0 && h[3] == '?'))
            m_width = Width::TwoBE;
        else
            m_width = Width::One;
        m_headSize = 0;
        if (m_width == Width::One) {
            for (int k = 0; k < 4; ++k)
                unit(h[k]);
        } else {
            unit(m_width == Width::TwoLE ? char16_t(h[0] | h[1] << 8) : char16_t(h[0] << 8 | h[1]));
            unit(m_width == Width::TwoLE ? char16_t(h[2] | h[3] << 8) : char16_t(h[2] << 8 | h[3]));
        }
    }
    if (m_width == Width::One) {
        while (i < size && !m_exceeded) {
            // Character data and quoted values are most of a document: skip to the byte that
            // ends them without looking at each one in turn.
            const unsigned char stop = m_state == State::Text ? '<' : m_state == State::Tag && m_quote && !m_declaration ? (unsigned char)m_quote : 0;
            if (!stop && m_state == State::Tag && !m_quote) {
                // Names and spaces inside a tag: only these bytes change anything.
                qsizetype end = i;
                while (end < size && !isTagStop(bytes[end]))
                    ++end;
                skipRun(bytes + i, end - i);
                i = end;
                if (i == size)
                    break;
            } else if (stop) {
                const void *found = std::memchr(bytes + i, stop, std::size_t(size - i));
                const qsizetype end = found ? static_cast<const unsigned char *>(found) - bytes : size;
                skipRun(bytes + i, end - i);
                i = end;
                if (i == size)
                    break;
            }
            unit(bytes[i++]);
        }
    } else {
        for (; i < size && !m_exceeded; ++i) {
            if (m_pendingByte < 0) {
                m_pendingByte = bytes[i];
                continue;
            }
            const unsigned a = unsigned(m_pendingByte), b = bytes[i];
            m_pendingByte = -1;
            unit(m_width == Width::TwoLE ? char16_t(a | b << 8) : char16_t(a << 8 | b));
        }
    }
    return !m_exceeded;
}

void MarkupScanner::skipRun(const unsigned char *run, qsizetype size)
{
    int lines = 0;
    for (qsizetype k = 0; k < size; ++k)
        lines += run[k] == '\n';
    m_line += lines;
    m_offset += size;
}

void MarkupScanner::enterSkip(const char *terminator)
{
    m_state = State::Skip;
    m_terminator = terminator;
    m_matched = 0;
}

void MarkupScanner::unit(char16_t c)
{
    ++m_offset;
    if (c == '\n')
        ++m_line;
    switch (m_state) {
    case State::Text:
        if (c == '<')
            m_state = State::Open;
        return;
    case State::Open:
        if (c == '?') {
            enterSkip("?>");
        } else if (c == '!') {
            m_state = State::Bang;
            m_bang = 0;
            m_bangComment = false;
        } else {
            m_state = State::Tag;
            m_quote = 0;
            m_attributes = 0;
            m_declaration = false;
        }
        return;
    case State::Bang: {
        static const char cdata[] = "[CDATA[";
        if (m_bang == 0 && c == '-') {
            m_bangComment = true;
            ++m_bang;
            return;
        }
        if (m_bangComment && m_bang == 1 && c == '-') {
            enterSkip("-->");
            return;
        }
        if (!m_bangComment && m_bang < 7 && c == char16_t(cdata[m_bang])) {
            if (++m_bang == 7)
                enterSkip("]]>");
            return;
        }
        // A declaration: counted like a tag, its quoted values too (an entity's value may be
        // a start tag), and its internal subset read as markup again.
        m_bangComment = false;
        m_state = State::Tag;
        m_quote = 0;
        m_attributes = 0;
        m_declaration = true;
        break;
    }
    case State::Skip: {
        const auto len = int(std::strlen(m_terminator));
        if (c == char16_t(m_terminator[m_matched])) {
            if (++m_matched == len)
                m_state = State::Text;
        } else if (!(len == 3 && m_matched == 2 && c == char16_t(m_terminator[1]))) {
            m_matched = c == char16_t(m_terminator[0]) ? 1 : 0;
        }
        return;
    }
    case State::Tag:
        break;
    }
    // Inside a tag or declaration.
    if (m_quote) {
        if (c == m_quote)
            m_quote = 0;
        else if (c == '=' && m_declaration && ++m_attributes > MaxAttributes)
            m_exceeded = true;
    } else if (c == '"' || c == '\'') {
        m_quote = c;
    } else if (c == '=') {
        if (++m_attributes > MaxAttributes)
            m_exceeded = true;
    } else if (c == '>' || c == '[') {
        m_state = State::Text;
    } else if (c == '<') {
        m_state = State::Open;
    }
}
