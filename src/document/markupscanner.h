#pragma once

#include <QtGlobal>

// Counts the attributes of each start tag while the raw input streams past on its way to the
// parser. libxml2 compares each attribute of an element with every one before it, so an element
// with a hundred thousand attributes would hold the parser for minutes; such a document is
// refused before the parser reaches it. Markup in UTF-16 is read by code unit, every other
// encoding by byte (all that libxml2 reads keep "<", "=", quotes and ">" in ASCII).
class MarkupScanner
{
public:
    // Far more than any real element carries, and few enough for the pairwise check.
    static constexpr int MaxAttributes = 10000;

    // Scans the next piece of the input; false once some tag has too many attributes.
    bool feed(const char *data, qsizetype size);
    bool exceeded() const { return m_exceeded; }
    // Where the scan stopped: 1-based line and byte offset.
    int line() const { return m_line; }
    long long offset() const { return m_offset; }

private:
    enum class Width { Unknown, One, TwoLE, TwoBE };
    enum class State { Text, Open, Bang, Tag, Skip };
    void unit(char16_t c);
    void enterSkip(const char *terminator);
    // Counts a run of bytes that changes no state but the line and the offset.
    void skipRun(const unsigned char *run, qsizetype size);

    Width m_width = Width::Unknown;
    State m_state = State::Text;
    unsigned char m_head[4] = {};
    int m_headSize = 0;
    int m_pendingByte = -1;
    char16_t m_quote = 0;
    int m_attributes = 0;
    int m_bang = 0;            // characters of "[CDATA[" or "--" matched after "<!"
    bool m_bangComment = false;
    bool m_declaration = false;  // the tag is a "<!" declaration, not a start tag
    const char *m_terminator = nullptr;
    int m_matched = 0;
    int m_line = 1;
    long long m_offset = 0;
    bool m_exceeded = false;
};
