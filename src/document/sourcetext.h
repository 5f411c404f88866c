#pragma once

#include <QByteArray>
#include <QString>

// The document's text as the source editor hands it back: turned into the bytes the parser reads
// and written to a temporary file that the document loads.
class CSourceText
{
public:
    // The bytes of `utf8` as a file: LF line breaks only, in the encoding the text's own XML
    // declaration names, so that the parser reads back exactly the editor's characters. A
    // character that encoding cannot hold is written as a character reference.
    static QByteArray FileBytes(const QByteArray &utf8);
    // The encoding named by the XML declaration at the start of `text`; empty when there is none.
    static QByteArray DeclaredEncoding(const QByteArray &text);
    // Writes FileBytes(utf8) to a new temporary file (made and opened in one step); its path, or
    // false with the system's reason in `error`.
    static bool WriteTempFile(const QByteArray &utf8, QString *path, QString *error);
};
