#include "previewfile.h"

#include "document/xmldocument.h"
#include "framework/comerror.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QUrl>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The end (one past) of the construct that starts at `from` with `<!`: a comment, or a
// document type declaration with or without an internal subset. -1 when it never ends.
qsizetype markupDeclarationEnd(const QByteArray &bytes, qsizetype from)
{
    if (bytes.mid(from, 4) == "<!--") {
        const qsizetype end = bytes.indexOf("-->", from + 4);
        return end < 0 ? -1 : end + 3;
    }
    char quote = 0;
    int depth = 0;
    for (qsizetype i = from + 2; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            --depth;
        } else if (c == '>' && depth <= 0) {
            return i + 1;
        }
    }
    return -1;
}

} // namespace

CPreviewFile::CPreviewFile() = default;

CPreviewFile::~CPreviewFile()
{
    Remove();
}

void CPreviewFile::Remove()
{
    if (!m_path.isEmpty())
        QFile::remove(m_path);
    m_path.clear();
    m_folder.clear();
    m_besideDocument = false;
    m_privateDir.reset();
}

bool CPreviewFile::Place(const QString &folder)
{
    if (!m_path.isEmpty() && folder == m_folder && QFileInfo::exists(m_path))
        return true;
    Remove();
    if (!folder.isEmpty()) {
        // Made and opened in one step, so no other file of that name can be overwritten.
        QTemporaryFile file(folder + QStringLiteral("/.TWRXXXXXX.xml"));
        file.setAutoRemove(false);
        if (file.open()) {
            m_path = file.fileName();
            m_folder = folder;
            m_besideDocument = true;
            return true;
        }
    }
    m_privateDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/TWRXXXXXX"));
    if (!m_privateDir->isValid()) {
        m_privateDir.reset();
        return false;
    }
    m_path = m_privateDir->filePath(QStringLiteral("preview.xml"));
    m_folder = folder;
    return true;
}

void CPreviewFile::Write(const XmlDocument &dom, const QString &documentPath)
{
    const QString folder = documentPath.isEmpty() ? QString() : QFileInfo(documentPath).absolutePath();
    if (!Place(folder))
        throw CComError(ComCode::AccessDenied, QStringLiteral("No folder takes the preview file."));
    if (m_besideDocument || folder.isEmpty()) {
        dom.save(m_path);
        return;
    }
    QSaveFile file(m_path);
    const QByteArray bytes = WithAbsoluteStylesheets(dom.serializedBytes(), folder);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw CComError(ComCode::Fail, file.errorString());
}

QByteArray CPreviewFile::WithAbsoluteStylesheets(const QByteArray &bytes, const QString &folder)
{
    // UTF-16 and UTF-32 text has zero bytes among its first few; EBCDIC has no '<' at the start.
    if (bytes.left(4).contains('\0') || bytes.startsWith("\xFE\xFF") || bytes.startsWith("\xFF\xFE"))
        return bytes;
    static const QRegularExpression href(QStringLiteral("(\\bhref\\s*=\\s*)(\"([^\"]*)\"|'([^']*)')"));
    const QUrl base = QUrl::fromLocalFile(QDir(folder).absolutePath() + QLatin1Char('/'));
    QByteArray result;
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    result.append(bytes.left(pos));
    while (pos < bytes.size()) {
        qsizetype start = pos;
        while (start < bytes.size() && isSpace(bytes.at(start)))
            ++start;
        if (bytes.mid(start, 2) == "<?") {
            const qsizetype close = bytes.indexOf("?>", start);
            if (close < 0)
                break;
            QByteArray instruction = bytes.mid(start, close + 2 - start);
            if (instruction.startsWith("<?xml-stylesheet") && instruction.size() > 16 && isSpace(instruction.at(16))) {
                QString text = QString::fromUtf8(instruction);
                const QRegularExpressionMatch match = href.match(text);
                if (match.hasMatch()) {
                    const bool doubleQuoted = match.capturedStart(3) >= 0;
                    const QString location = doubleQuoted ? match.captured(3) : match.captured(4);
                    QString absolute = QString::fromUtf8(base.resolved(QUrl(location)).toEncoded());
                    absolute.replace(QLatin1Char('\''), QLatin1String("%27"));
                    const QChar quote = doubleQuoted ? QLatin1Char('"') : QLatin1Char('\'');
                    text.replace(match.capturedStart(2), match.capturedLength(2), quote + absolute + quote);
                    instruction = text.toUtf8();
                }
            }
            result.append(bytes.mid(pos, start - pos));
            result.append(instruction);
            pos = close + 2;
        } else if (bytes.mid(start, 2) == "<!") {
            const qsizetype end = markupDeclarationEnd(bytes, start);
            if (end < 0)
                break;
            result.append(bytes.mid(pos, end - pos));
            pos = end;
        } else {
            break;
        }
    }
    result.append(bytes.mid(pos));
    return result;
}
