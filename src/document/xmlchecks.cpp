#include "xmlchecks.h"

#include <QRegularExpression>

#include <libxml/encoding.h>
#include <libxml/parserInternals.h>

namespace XmlChecks {

namespace {

bool nameChars(const QByteArray &name, bool allowColon)
{
    if (name.isEmpty())
        return false;
    const QString text = QString::fromUtf8(name);
    if (text.toUtf8() != name)
        return false; // not valid UTF-8
    bool first = true;
    int colons = 0;
    for (int i = 0; i < text.size(); ++i) {
        char32_t c = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        if (c == ':') {
            if (!allowColon)
                return false;
            ++colons;
        }
        const bool ok = first ? xmlIsLetter(int(c)) || c == '_' || c == ':'
                              : xmlIsLetter(int(c)) || xmlIsDigitQ(int(c)) || c == '.' || c == '-' || c == '_'
                                    || c == ':' || xmlIsCombiningQ(int(c)) || xmlIsExtenderQ(int(c));
        // XML 1.0 fifth edition name characters are wider than the letters above.
        const bool fifth = (c >= 0xC0 && c <= 0x2FF && c != 0xD7 && c != 0xF7) || (c >= 0x370 && c <= 0x1FFF && c != 0x37E)
            || c == 0x200C || c == 0x200D || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF)
            || (c >= 0x3001 && c <= 0xD7FF) || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD)
            || (c >= 0x10000 && c <= 0xEFFFF) || (!first && (c == 0xB7 || (c >= 0x300 && c <= 0x36F) || c == 0x203F || c == 0x2040));
        if (!ok && !fifth)
            return false;
        first = false;
    }
    if (colons > 1 || name.startsWith(':') || name.endsWith(':'))
        return false;
    return true;
}

} // namespace

bool isName(const QByteArray &name)
{
    return nameChars(name, true);
}

bool isNcName(const QByteArray &name)
{
    return nameChars(name, false);
}

bool hasOnlyXmlChars(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const ushort c = ch.unicode();
        if (ch.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
            continue;
        }
        if (ch.isLowSurrogate())
            return false;
        if (c < 0x20 && c != 0x9 && c != 0xA && c != 0xD)
            return false;
        if (c == 0xFFFE || c == 0xFFFF)
            return false;
    }
    return true;
}

bool isCommentText(const QString &text)
{
    return hasOnlyXmlChars(text) && !text.contains(QLatin1String("--")) && !text.endsWith(QLatin1Char('-'));
}

bool isPiData(const QString &text)
{
    return hasOnlyXmlChars(text) && !text.contains(QLatin1String("?>"));
}

bool isCdataText(const QString &text)
{
    return hasOnlyXmlChars(text) && !text.contains(QLatin1String("]]>"));
}

bool isDeclarationData(const QString &data)
{
    static const QRegularExpression re(QStringLiteral(
        "^version\\s*=\\s*(\"1\\.[0-9]+\"|'1\\.[0-9]+')"
        "(\\s+encoding\\s*=\\s*(\"[A-Za-z][A-Za-z0-9._-]*\"|'[A-Za-z][A-Za-z0-9._-]*'))?"
        "(\\s+standalone\\s*=\\s*(\"(yes|no)\"|'(yes|no)'))?\\s*$"));
    if (!re.match(data).hasMatch())
        return false;
    const QByteArray encoding = declarationEncoding(data);
    if (encoding.isEmpty())
        return true;
    // An encoding nobody can write would make the document unsaveable.
    xmlCharEncodingHandlerPtr handler = xmlFindCharEncodingHandler(encoding.constData());
    if (!handler)
        return false;
    xmlCharEncCloseFunc(handler);
    return true;
}

QByteArray declarationEncoding(const QString &data)
{
    static const QRegularExpression re(QStringLiteral("\\sencoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch m = re.match(QLatin1Char(' ') + data);
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

}
