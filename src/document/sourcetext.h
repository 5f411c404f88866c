#pragma once

#include <QByteArray>
#include <QString>

// The document's text as the source editor hands it back: turned into the bytes the parser reads
// and written to a temporary file that the document loads. The document keeps that file's bytes
// for saving what the user does not edit later, so the file takes the form of the one the
// document came from.
class CSourceText
{
public:
    // The form of the file the document was read from.
    struct FileForm
    {
        bool crlf = false;       // lines broken with CR LF
        bool utf8Mark = false;   // UTF-8 with a byte-order mark
    };
    // The bytes of `utf8` as a file: line breaks as `form` says (LF, or CR LF), in the encoding
    // the text's own XML declaration names, so that the parser reads back exactly the editor's
    // characters. A character that encoding cannot hold is written as a character reference.
    static QByteArray FileBytes(const QByteArray &utf8, FileForm form);
    // The encoding named by the XML declaration at the start of `text`; empty when there is none.
    static QByteArray DeclaredEncoding(const QByteArray &text);
    // Writes FileBytes(utf8, form) to a new temporary file (made and opened in one step); its
    // path, or false with the system's reason in `error`.
    static bool WriteTempFile(const QByteArray &utf8, FileForm form, QString *path, QString *error);
};
