#include "sourcetext.h"

#include "xmlchecks.h"

#include <QDir>
#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <optional>

namespace {

bool isUtf8(const QByteArray &encoding)
{
    return encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0
        || encoding.compare("UTF8", Qt::CaseInsensitive) == 0;
}

QStringConverter::Flags encodingFlags(const QByteArray &encoding)
{
    // UTF-16 and UTF-32 without a stated byte order start with a byte order mark.
    const std::optional<QStringConverter::Encoding> known = QStringConverter::encodingForName(encoding.constData());
    if (known && (*known == QStringConverter::Utf16 || *known == QStringConverter::Utf32))
        return QStringConverter::Flag::WriteBom;
    return QStringConverter::Flag::Default;
}

// `text` in `encoding`. A character the encoding cannot hold is written as a character reference,
// which the parser reads back as the same character; where the parser allows no reference (in a
// name or a comment) it refuses the text, and the text then stays in the editor. An encoding that
// Qt does not know is written as ASCII with references for everything else.
QByteArray encodeText(const QString &text, const QByteArray &encoding)
{
    const QStringConverter::Flags flags = encodingFlags(encoding);
    QStringEncoder encoder(encoding.constData(), flags);
    if (encoder.isValid()) {
        const QByteArray bytes = encoder.encode(text);
        if (!encoder.hasError() && QString(QStringDecoder(encoding.constData()).decode(bytes)) == text)
            return bytes;
    }
    QHash<char32_t, bool> writable;
    const auto canWrite = [&](char32_t c, const QString &character) {
        if (!encoder.isValid())
            return c < 0x80;
        const auto known = writable.constFind(c);
        if (known != writable.constEnd())
            return *known;
        QStringEncoder one(encoding.constData());
        const QByteArray bytes = one.encode(character);
        const bool ok = !one.hasError() && QString(QStringDecoder(encoding.constData()).decode(bytes)) == character;
        writable.insert(c, ok);
        return ok;
    };
    QString referenced;
    referenced.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const QString character = text.mid(i, pair ? 2 : 1);
        const char32_t c = pair ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        if (pair)
            ++i;
        if (canWrite(c, character))
            referenced += character;
        else
            referenced += QStringLiteral("&#%1;").arg(uint(c));
    }
    if (!encoder.isValid())
        return referenced.toLatin1();
    return QStringEncoder(encoding.constData(), flags).encode(referenced);
}

} // namespace

QByteArray CSourceText::DeclaredEncoding(const QByteArray &text)
{
    static const QByteArray open("<?xml");
    if (!text.startsWith(open) || text.size() == open.size() || !QChar::isSpace(uchar(text.at(open.size()))))
        return {};
    const qsizetype end = QByteArrayView(text.constData(), qMin<qsizetype>(text.size(), 65536)).indexOf("?>");
    if (end < 0)
        return {};
    return XmlChecks::declarationEncoding(QString::fromUtf8(text.mid(open.size(), end - open.size())));
}

QByteArray CSourceText::FileBytes(const QByteArray &utf8, FileForm form)
{
    QByteArray text = utf8;
    if (text.contains('\r')) {
        text.replace("\r\n", "\n");
        text.replace('\r', '\n');
    }
    // The parser reads CR LF as LF: the tree is the same either way, only the file's bytes differ.
    if (form.crlf)
        text.replace("\n", "\r\n");
    const QByteArray encoding = DeclaredEncoding(text);
    if (isUtf8(encoding))
        return form.utf8Mark ? "\xEF\xBB\xBF" + text : text;
    return encodeText(QString::fromUtf8(text), encoding);
}

bool CSourceText::WriteTempFile(const QByteArray &utf8, FileForm form, QString *path, QString *error)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/TWRXXXXXX"));
    // The document deletes the file once it has read it.
    file.setAutoRemove(false);
    if (file.open()) {
        const QByteArray bytes = FileBytes(utf8, form);
        if (file.write(bytes) == bytes.size() && file.flush()) {
            *path = file.fileName();
            file.close();
            return true;
        }
        *error = file.errorString();
        file.remove();
        return false;
    }
    *error = file.errorString();
    return false;
}
