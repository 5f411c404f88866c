#include "xmlsourcelex.h"

#include <cstring>

namespace SourceLex {

namespace {

bool isNameByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':'
        || c == '-' || c == '.' || c >= 0x80;
}

bool isPredefined(const char *name, std::size_t length)
{
    static const char *const names[] = {"amp", "lt", "gt", "quot", "apos"};
    for (const char *known : names)
        if (std::strlen(known) == length && std::memcmp(known, name, length) == 0)
            return true;
    return false;
}

} // namespace

bool Text::startsWith(std::size_t pos, const char *literal) const
{
    const std::size_t length = std::strlen(literal);
    return pos <= size && size - pos >= length && std::memcmp(data + pos, literal, length) == 0;
}

std::size_t skipSpace(const Text &text, std::size_t pos)
{
    while (pos < text.size && isSpace(text.data[pos]))
        ++pos;
    return pos;
}

std::size_t nameEnd(const Text &text, std::size_t pos)
{
    while (pos < text.size && isNameByte(static_cast<unsigned char>(text.data[pos])))
        ++pos;
    return pos;
}

std::size_t tagEnd(const Text &text, std::size_t pos)
{
    char quote = 0;
    for (std::size_t i = pos + 1; i < text.size; ++i) {
        const char c = text.data[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        } else if (c == '<') {
            return Npos;
        }
    }
    return Npos;
}

std::size_t textEnd(const Text &text, std::size_t pos)
{
    std::size_t i = pos;
    for (;;) {
        const void *lt = std::memchr(text.data + i, '<', text.size - i);
        const std::size_t stop = lt ? std::size_t(static_cast<const char *>(lt) - text.data) : text.size;
        const void *amp = std::memchr(text.data + i, '&', stop - i);
        if (!amp)
            return stop;
        const std::size_t ref = std::size_t(static_cast<const char *>(amp) - text.data);
        if (ref + 1 < text.size && text.data[ref + 1] == '#') {
            i = ref + 1;
            continue;
        }
        const std::size_t end = nameEnd(text, ref + 1);
        if (!isPredefined(text.data + ref + 1, end - ref - 1))
            return ref;
        i = end;
    }
}

std::size_t after(const Text &text, std::size_t pos, const char *terminator)
{
    const std::size_t length = std::strlen(terminator);
    if (pos > text.size)
        return Npos;
    const void *found = memmem(text.data + pos, text.size - pos, terminator, length);
    return found ? std::size_t(static_cast<const char *>(found) - text.data) + length : Npos;
}

std::size_t doctypeEnd(const Text &text, std::size_t pos)
{
    bool subset = false;
    std::size_t i = pos + 9; // "<!DOCTYPE"
    while (i < text.size) {
        const char c = text.data[i];
        if (c == '"' || c == '\'') {
            const void *close = std::memchr(text.data + i + 1, c, text.size - i - 1);
            if (!close)
                return Npos;
            i = std::size_t(static_cast<const char *>(close) - text.data) + 1;
        } else if (subset && text.startsWith(i, "<!--")) {
            i = after(text, i + 4, "-->");
        } else if (subset && text.startsWith(i, "<?")) {
            i = after(text, i + 2, "?>");
        } else if (c == '[' && !subset) {
            subset = true;
            ++i;
        } else if (c == ']' && subset) {
            subset = false;
            ++i;
        } else if (c == '>' && !subset) {
            return i + 1;
        } else {
            ++i;
        }
        if (i == Npos)
            return Npos;
    }
    return Npos;
}

std::size_t leafEnd(const Text &text, std::size_t pos)
{
    if (pos >= text.size)
        return Npos;
    if (text.startsWith(pos, "<!--"))
        return after(text, pos + 4, "-->");
    if (text.startsWith(pos, "<![CDATA["))
        return after(text, pos + 9, "]]>");
    if (text.startsWith(pos, "<!DOCTYPE"))
        return doctypeEnd(text, pos);
    if (text.startsWith(pos, "<?"))
        return after(text, pos + 2, "?>");
    if (text.data[pos] == '&') {
        const std::size_t end = nameEnd(text, pos + 1);
        return end > pos + 1 && end < text.size && text.data[end] == ';' ? end + 1 : Npos;
    }
    if (text.data[pos] == '<')
        return Npos;
    return textEnd(text, pos);
}

std::size_t contentEnd(const Text &text, std::size_t start, std::size_t end)
{
    if (end >= 2 && text.data[end - 2] == '/')
        return end;
    std::size_t i = end;
    while (i > start && text.data[i - 1] != '<')
        --i;
    return i > start ? i - 1 : end;
}

bool nextAttribute(const Text &text, std::size_t pos, Attribute *attribute)
{
    const std::size_t name = skipSpace(text, pos);
    const std::size_t nameStop = nameEnd(text, name);
    if (nameStop == name)
        return false;
    std::size_t i = skipSpace(text, nameStop);
    if (i >= text.size || text.data[i] != '=')
        return false;
    i = skipSpace(text, i + 1);
    if (i >= text.size || (text.data[i] != '"' && text.data[i] != '\''))
        return false;
    const void *close = std::memchr(text.data + i + 1, text.data[i], text.size - i - 1);
    if (!close)
        return false;
    *attribute = Attribute{pos, name, nameStop, i + 1, std::size_t(static_cast<const char *>(close) - text.data)};
    return true;
}

} // namespace SourceLex
