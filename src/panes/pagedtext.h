#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

class QStringDecoder;

// The bytes of a text file, memory-mapped, read line by line from any offset without an index
// of the whole file, as a pager reads it: the start of a line is found by scanning back to the
// newline before it. A line longer than MaxLineBytes is cut into pieces at fixed offsets, so
// that no step scans more than a few pieces whatever the file holds (a file of one line is
// common for exported data). Lines are decoded in the encoding the text names in its XML
// declaration or byte-order mark; only encodings in which a newline is the byte 0x0A and every
// ASCII byte stands for itself are read here.
class CPagedText
{
public:
    CPagedText();
    ~CPagedText();
    CPagedText(const CPagedText &) = delete;
    CPagedText &operator=(const CPagedText &) = delete;

    // Maps the file at `path`. False, with the reason in `error`, when it cannot be read.
    bool Open(const QString &path, QString *error);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    qint64 Size() const { return m_size; }
    // The offset of the first character: past a byte-order mark.
    qint64 TextStart() const { return m_bomBytes; }
    // The encoding the lines are decoded in, as the text names it ("UTF-8" when it names none).
    QString EncodingName() const { return m_encodingName; }

    // The start of the line that holds `offset` (the last line for an offset at or past the end).
    qint64 LineStart(qint64 offset) const;
    // The start of the line after the one starting at `start`; Size() after the last line.
    qint64 NextLineStart(qint64 start) const;
    // The start of the line before the one starting at `start`; 0 for the first line.
    qint64 PreviousLineStart(qint64 start) const;
    // The end of the text of the line starting at `start`, before its line break.
    qint64 LineEnd(qint64 start) const;
    bool IsLastLine(qint64 start) const { return NextLineStart(start) >= m_size; }
    // The start of the last line (0 for an empty text).
    qint64 LastLineStart() const { return LineStart(m_size); }
    // The text of the line starting at `start`, decoded.
    QString LineText(qint64 start) const { return Decode(start, LineEnd(start)); }
    // The bytes from `from` to `to`, decoded; a character cut at either end is taken whole.
    QString Decode(qint64 from, qint64 to) const;
    // `offset` moved back to the first byte of the character it falls in.
    qint64 CharacterStart(qint64 offset) const;

    // Pieces of longer lines are this many bytes long; settable so that tests reach the cut
    // with small files.
    static qint64 MaxLineBytes();
    static void SetMaxLineBytes(qint64 bytes);

    // Whether bytes that begin `head` (a file's first kilobytes) are in an encoding read here;
    // `encoding` receives the name the text gives itself, "UTF-8" when it names none.
    static bool IsAsciiCompatible(const QByteArray &head, QString *encoding = nullptr);

private:
    // The last newline in [from, to), or -1.
    qint64 LastNewline(qint64 from, qint64 to) const;
    // The first newline in [from, to), or -1.
    qint64 FirstNewline(qint64 from, qint64 to) const;
    // Whether the piece boundary `boundary` (a multiple of MaxLineBytes) cuts a long line: no
    // newline stands in the piece before it.
    bool IsCut(qint64 boundary) const;

    std::unique_ptr<QFile> m_file;
    const char *m_data = nullptr;
    qint64 m_size = 0;
    qint64 m_bomBytes = 0;
    bool m_utf8 = true;
    QString m_encodingName;
    std::unique_ptr<QStringDecoder> m_decoder;
};
