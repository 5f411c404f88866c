#include "xmldocument.h"

#include "domdata.h"
#include "markupscanner.h"
#include "parserguard.h"
#include "savefaulthook.h"
#include "xmlchecks.h"
#include "xmlsourcemap.h"
#include "xmlsourcewriter.h"
#include "xmltreereleaser.h"
#include "framework/comerror.h"
#include "framework/taskprogress.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QUrl>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlsave.h>

#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Dom::fail;
using Dom::X;

std::shared_ptr<DomData> emptyDocument()
{
    ParserGuard::initialiseLibrary();
    return std::make_shared<DomData>(xmlNewDoc(BAD_CAST "1.0"));
}

// The XML declaration's data as it stands at the start of the input, or a null string when the
// input has none. The parser keeps no node for it, so it is read from the first bytes.
QString declarationData(const QByteArray &head)
{
    QString text;
    if (head.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(head.mid(3));
    else if (head.startsWith("\xFF\xFE") || head.startsWith(QByteArray("<\0?\0", 4)))
        text = QStringDecoder(QStringDecoder::Utf16LE)(head.startsWith("\xFF\xFE") ? head.mid(2) : head);
    else if (head.startsWith("\xFE\xFF") || head.startsWith(QByteArray("\0<\0?", 4)))
        text = QStringDecoder(QStringDecoder::Utf16BE)(head.startsWith("\xFE\xFF") ? head.mid(2) : head);
    else
        text = QString::fromLatin1(head);
    if (!text.startsWith(QLatin1String("<?xml")) || text.size() < 6 || !text.at(5).isSpace())
        return QString();
    const int end = text.indexOf(QLatin1String("?>"));
    if (end < 0)
        return QString();
    int start = 5;
    while (start < end && text.at(start).isSpace())
        ++start;
    return text.mid(start, end - start);
}

// The file the parser reads, seen by the scanner on its way.
struct FileInput
{
    int fd;
    MarkupScanner scanner;
    CTaskProgress *progress = nullptr;
    qint64 read = 0;
};

int readFd(void *context, char *buffer, int len)
{
    auto *input = static_cast<FileInput *>(context);
    for (;;) {
        if (input->progress && input->progress->IsCancelled())
            return -1;
        const ssize_t n = ::read(input->fd, buffer, size_t(len));
        if (n >= 0) {
            input->read += n;
            if (input->progress)
                input->progress->SetDone(input->read);
            return input->scanner.feed(buffer, n) ? int(n) : -1;
        }
        if (errno != EINTR)
            return -1;
    }
}

int closeFd(void *context)
{
    return ::close(static_cast<FileInput *>(context)->fd);
}

XmlParseError tooManyAttributes(const MarkupScanner &scanner)
{
    XmlParseError error;
    error.errorCode = unsigned(XML_ERR_USER_STOP);
    error.line = scanner.line();
    error.filepos = scanner.offset();
    error.reason = QStringLiteral("An element has more than %1 attributes.").arg(MarkupScanner::MaxAttributes);
    return error;
}

int parseOptions(bool validate, bool resolveExternals)
{
    int options = XML_PARSE_NONET | XML_PARSE_BIG_LINES;
    if (validate)
        options |= XML_PARSE_DTDLOAD | XML_PARSE_DTDVALID;
    if (resolveExternals)
        options |= XML_PARSE_DTDLOAD;
    return options;
}

struct SaveTarget
{
    QSaveFile *file;
    QByteArray *bytes;
    bool failed = false;
    QString reason{}; // why a write failed, in the system's words
};

int writeOut(void *context, const char *buffer, int len)
{
    auto *target = static_cast<SaveTarget *>(context);
    if (target->bytes) {
        target->bytes->append(buffer, len);
        return len;
    }
    if (target->file->write(buffer, len) != len) {
        target->failed = true;
        target->reason = target->file->errorString();
        return -1;
    }
    if (const int error = SaveFaultHook::check(SaveFaultHook::Stage::Write)) {
        target->failed = true;
        target->reason = QString::fromLocal8Bit(strerror(error));
        return -1;
    }
    return len;
}

int closeOut(void *)
{
    return 0;
}

QByteArray encodingOf(xmlDocPtr doc)
{
    xmlNodePtr first = doc->children;
    if (first && first->type == XML_PI_NODE && xmlStrEqual(first->name, BAD_CAST "xml")) {
        const QByteArray encoding = XmlChecks::declarationEncoding(Dom::fromXml(first->content));
        if (!encoding.isEmpty())
            return encoding;
    }
    return QByteArrayLiteral("UTF-8");
}

void writeDocument(xmlDocPtr doc, SaveTarget &target, const QByteArray &encoding)
{
    xmlSaveCtxtPtr save = xmlSaveToIO(&writeOut, &closeOut, &target, encoding.constData(), XML_SAVE_NO_DECL);
    if (!save)
        fail(QStringLiteral("The document cannot be written in the encoding \"%1\".").arg(QString::fromLatin1(encoding)), ComCode::Fail);
    const long result = xmlSaveDoc(save, doc);
    const int closed = xmlSaveClose(save);
    if (result < 0 || closed < 0 || target.failed) {
        QString text = QStringLiteral("The document could not be written.");
        if (!target.reason.isEmpty())
            text += QLatin1Char('\n') + target.reason;
        fail(text, ComCode::Fail);
    }
}

using Sink = XmlSourceWriter::Sink;

QByteArray canonicalEncoding(const QByteArray &name)
{
    const QByteArray upper = name.toUpper();
    return upper == "UTF8" ? QByteArrayLiteral("UTF-8") : upper;
}

// The document's source map when the document can be written from it in `encoding`: the file
// is unchanged on disk and the document is still to be saved in the encoding it was read in.
XmlSourceMap *usableMap(const DomData &data, const QByteArray &encoding)
{
    XmlSourceMap *map = data.source.get();
    if (!map || !map->IsCurrent())
        return nullptr;
    if (!map->DecodedFrom().isEmpty())
        return canonicalEncoding(encoding).startsWith("UTF-16") ? map : nullptr;
    return canonicalEncoding(encoding) == canonicalEncoding(map->Encoding()) ? map : nullptr;
}

// Writes the document from its source map, byte-order mark first; false (nothing written) when
// it has no usable one.
bool writeFromSource(const DomData &data, const QByteArray &encoding, bool withMark, const Sink &out)
{
    XmlSourceMap *map = usableMap(data, encoding);
    if (!map)
        return false;
    if (withMark && !map->ByteOrderMark().isEmpty())
        out(map->ByteOrderMark().constData(), std::size_t(map->ByteOrderMark().size()));
    if (map->DecodedFrom().isEmpty()) {
        XmlSourceWriter(*map, data.doc, encoding, out).Write();
        return true;
    }
    QByteArray utf8;
    XmlSourceWriter(*map, data.doc, encoding, [&utf8](const char *bytes, std::size_t n) { utf8.append(bytes, qsizetype(n)); }).Write();
    const QStringConverter::Encoding wide = map->DecodedFrom() == "UTF-16LE" ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
    const QByteArray encoded = QStringEncoder(wide, QStringConverter::Flag::Stateless).encode(QString::fromUtf8(utf8));
    out(encoded.constData(), std::size_t(encoded.size()));
    return true;
}

} // namespace

XmlDocument::XmlDocument()
    : m_data(emptyDocument())
{
}

XmlDocument::~XmlDocument() = default;

bool XmlDocument::load(const QString &path)
{
    m_parseError = XmlParseError();
    m_cancelled = false;
    m_data = emptyDocument();
    const QByteArray encodedPath = QFile::encodeName(path);
    const int fd = ::open(encodedPath.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        m_parseError.errorCode = unsigned(XML_IO_LOAD_ERROR);
        m_parseError.reason = QStringLiteral("The system cannot open the file: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    char head[512];
    const ssize_t got = ::pread(fd, head, sizeof head, 0);
    const QByteArray headBytes(head, got > 0 ? int(got) : 0);

    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        ::close(fd);
        m_parseError.reason = QStringLiteral("Out of memory.");
        return false;
    }
    // The file's own address is the base for relative DTD and entity references.
    const QByteArray url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    ParserGuard guard(ctxt, m_validateOnParse || m_resolveExternals, m_resolveExternals);
    FileInput input{fd, {}, m_progress};
    if (m_progress) {
        struct stat status {};
        m_progress->SetTotal(::fstat(fd, &status) == 0 ? qint64(status.st_size) : 0);
    }
    xmlDocPtr doc = xmlCtxtReadIO(ctxt, &readFd, &closeFd, &input, url.constData(),
                                  nullptr, parseOptions(m_validateOnParse, m_resolveExternals));
    const bool ok = doc && ctxt->wellFormed && (!m_validateOnParse || ctxt->valid) && !guard.hadError()
        && !input.scanner.exceeded();
    if (!ok && m_progress && m_progress->IsCancelled()) {
        if (doc)
            xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        return cancelLoad();
    }
    if (!ok || !doc) {
        m_parseError = input.scanner.exceeded() ? tooManyAttributes(input.scanner) : guard.firstError();
        if (!guard.hadError()) {
            m_parseError.reason = m_validateOnParse && doc && !ctxt->valid ? QStringLiteral("The document is not valid.")
                                                                           : QStringLiteral("The document could not be parsed.");
        }
        if (doc)
            xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        return false;
    }
    xmlFreeParserCtxt(ctxt);
    if (!finishLoad(nullptr, doc, headBytes))
        return false;
    m_data->textBytes = std::size_t(input.read);
    if (m_recordSource)
        m_data->source = XmlSourceMap::Build(doc, path);
    // Cancel pressed after the last read still means the user does not want the document.
    if (m_progress && m_progress->IsCancelled())
        return cancelLoad();
    return true;
}

bool XmlDocument::cancelLoad()
{
    m_data = emptyDocument();
    m_cancelled = true;
    m_parseError = XmlParseError();
    m_parseError.errorCode = unsigned(XML_ERR_USER_STOP);
    m_parseError.reason = QStringLiteral("Loading was cancelled.");
    return false;
}

bool XmlDocument::loadXML(const QString &text)
{
    m_parseError = XmlParseError();
    m_data = emptyDocument();
    const QByteArray bytes = text.toUtf8();
    MarkupScanner scanner;
    if (!scanner.feed(bytes.constData(), bytes.size())) {
        m_parseError = tooManyAttributes(scanner);
        return false;
    }
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt)
        return false;
    ParserGuard guard(ctxt, m_validateOnParse || m_resolveExternals, m_resolveExternals);
    // The text is Unicode already: whatever encoding its declaration names does not apply to it.
    xmlDocPtr doc = xmlCtxtReadMemory(ctxt, bytes.constData(), int(bytes.size()), nullptr, "UTF-8",
                                      parseOptions(m_validateOnParse, m_resolveExternals) | XML_PARSE_IGNORE_ENC);
    const bool ok = doc && ctxt->wellFormed && (!m_validateOnParse || ctxt->valid) && !guard.hadError();
    if (!ok) {
        m_parseError = guard.firstError();
        if (!guard.hadError())
            m_parseError.reason = QStringLiteral("The document could not be parsed.");
        if (doc)
            xmlFreeDoc(doc);
        xmlFreeParserCtxt(ctxt);
        return false;
    }
    xmlFreeParserCtxt(ctxt);
    if (!finishLoad(nullptr, doc, bytes.left(512)))
        return false;
    m_data->textBytes = std::size_t(bytes.size());
    return true;
}

bool XmlDocument::finishLoad(void *, xmlDocPtr doc, const QByteArray &head)
{
    m_data = std::shared_ptr<DomData>(new DomData(doc), &XmlTreeReleaser::Release);
    // The declaration becomes the document's first node, an instruction named "xml", so that it
    // can be shown, edited and written back as it stood.
    const QString declaration = declarationData(head);
    if (!declaration.isNull()) {
        xmlNodePtr pi = xmlNewDocPI(doc, BAD_CAST "xml", X(declaration.toUtf8()));
        if (pi) {
            pi->parent = reinterpret_cast<xmlNodePtr>(doc);
            pi->next = doc->children;
            if (doc->children)
                doc->children->prev = pi;
            else
                doc->last = pi;
            doc->children = pi;
        }
    }
    return true;
}

void XmlDocument::save(const QString &path) const
{
    // A document without a root element is no XML document: writing it would leave a file
    // that nothing can open again.
    if (!xmlDocGetRootElement(m_data->doc))
        fail(QStringLiteral("The document has no root element."), ComCode::Fail);
    // A file marked read-only stays as it is, even for a user (root) whom the system would let
    // write over it.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isDir()
        && !(existing.permissions() & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)))
        fail(QStringLiteral("%1 is read-only.").arg(path), ComCode::AccessDenied);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString(), ComCode::AccessDenied);
    SaveTarget target{&file, nullptr};
    try {
        const QByteArray encoding = encodingOf(m_data->doc);
        const bool copied = writeFromSource(*m_data, encoding, true, [&target](const char *bytes, std::size_t n) {
            writeOut(&target, bytes, int(n));
        });
        if (target.failed)
            fail(QStringLiteral("The document could not be written."), ComCode::Fail);
        if (!copied)
            writeDocument(m_data->doc, target, encoding);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        fail(reason, ComCode::Fail);
    }
    if (const int error = SaveFaultHook::check(SaveFaultHook::Stage::Rename)) {
        file.cancelWriting();
        fail(QString::fromLocal8Bit(strerror(error)), ComCode::Fail);
    }
    if (!file.commit())
        fail(file.errorString(), ComCode::Fail);
}

QByteArray XmlDocument::serializedBytes() const
{
    QByteArray bytes;
    const QByteArray encoding = encodingOf(m_data->doc);
    if (writeFromSource(*m_data, encoding, true, [&bytes](const char *b, std::size_t n) { bytes.append(b, qsizetype(n)); }))
        return bytes;
    SaveTarget target{nullptr, &bytes};
    writeDocument(m_data->doc, target, encoding);
    return bytes;
}

bool XmlDocument::usesCrLf() const
{
    const XmlSourceMap *map = usableMap(*m_data, encodingOf(m_data->doc));
    return map && map->UsesCrLf();
}

QByteArray XmlDocument::byteOrderMark() const
{
    const XmlSourceMap *map = usableMap(*m_data, encodingOf(m_data->doc));
    return map ? map->ByteOrderMark() : QByteArray();
}

QString XmlDocument::xml() const
{
    return QString::fromUtf8(xmlUtf8());
}

QByteArray XmlDocument::xmlUtf8() const
{
    QByteArray bytes;
    // The file's own text where the document has one: what the user sees is what Save writes.
    const QByteArray encoding = encodingOf(m_data->doc);
    const XmlSourceMap *map = usableMap(*m_data, encoding);
    if (map && !map->DecodedFrom().isEmpty()) {
        const QByteArray wide = serializedBytes().mid(map->ByteOrderMark().size());
        const auto from = map->DecodedFrom() == "UTF-16LE" ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        return QString(QStringDecoder(from, QStringConverter::Flag::Stateless).decode(wide)).toUtf8();
    }
    if (map && writeFromSource(*m_data, encoding, false, [&bytes](const char *b, std::size_t n) { bytes.append(b, qsizetype(n)); })) {
        if (canonicalEncoding(encoding) == "UTF-8")
            return bytes;
        QStringDecoder decoder(encoding.constData());
        if (decoder.isValid()) {
            const QString text = decoder.decode(bytes);
            if (!decoder.hasError())
                return text.toUtf8();
        }
        bytes.clear();
    }
    SaveTarget target{nullptr, &bytes};
    writeDocument(m_data->doc, target, QByteArrayLiteral("UTF-8"));
    return bytes;
}

XmlNode XmlDocument::documentNode() const
{
    return XmlNode(m_data, reinterpret_cast<xmlNodePtr>(m_data->doc));
}

XmlNode XmlDocument::documentElement() const
{
    return XmlNode(m_data, xmlDocGetRootElement(m_data->doc));
}

namespace {

XmlNode adopted(const std::shared_ptr<DomData> &data, xmlNodePtr node)
{
    if (!node)
        fail(QString(), ComCode::OutOfMemory);
    data->adopt(node);
    return XmlNode(data, node);
}

void requireName(const QString &name)
{
    if (!XmlChecks::isName(name.toUtf8()))
        fail(QStringLiteral("\"%1\" is not a valid name.").arg(name));
}

void requireChars(const QString &text)
{
    if (!XmlChecks::hasOnlyXmlChars(text))
        fail(QStringLiteral("The text contains a character that XML does not allow."));
}

} // namespace

XmlNode XmlDocument::createElement(const QString &name)
{
    requireName(name);
    return adopted(m_data, xmlNewDocNode(m_data->doc, nullptr, X(name.toUtf8()), nullptr));
}

XmlNode XmlDocument::createDocumentFragment()
{
    return adopted(m_data, xmlNewDocFragment(m_data->doc));
}

XmlNode XmlDocument::createTextNode(const QString &text)
{
    requireChars(text);
    return adopted(m_data, xmlNewDocText(m_data->doc, X(text.toUtf8())));
}

XmlNode XmlDocument::createComment(const QString &text)
{
    if (!XmlChecks::isCommentText(text))
        fail(QStringLiteral("A comment cannot contain \"--\" or end with \"-\"."));
    return adopted(m_data, xmlNewDocComment(m_data->doc, X(text.toUtf8())));
}

XmlNode XmlDocument::createCDATASection(const QString &text)
{
    if (!XmlChecks::isCdataText(text))
        fail(QStringLiteral("A CDATA section cannot contain \"]]>\"."));
    const QByteArray bytes = text.toUtf8();
    return adopted(m_data, xmlNewCDataBlock(m_data->doc, X(bytes), int(bytes.size())));
}

XmlNode XmlDocument::createProcessingInstruction(const QString &target, const QString &data)
{
    const QByteArray name = target.toUtf8();
    if (!XmlChecks::isNcName(name))
        fail(QStringLiteral("\"%1\" is not a valid processing instruction target.").arg(target));
    if (name.compare("xml", Qt::CaseInsensitive) == 0 && name != "xml")
        fail(QStringLiteral("The target \"%1\" is reserved.").arg(target));
    if (name == "xml" && !XmlChecks::isDeclarationData(data))
        fail(QStringLiteral("The XML declaration is not well-formed."));
    if (!XmlChecks::isPiData(data))
        fail(QStringLiteral("A processing instruction cannot contain \"?>\"."));
    return adopted(m_data, xmlNewDocPI(m_data->doc, X(name), data.isEmpty() ? nullptr : X(data.toUtf8())));
}

XmlNode XmlDocument::createAttribute(const QString &name)
{
    requireName(name);
    xmlAttrPtr attr = xmlNewDocProp(m_data->doc, X(name.toUtf8()), BAD_CAST "");
    return adopted(m_data, reinterpret_cast<xmlNodePtr>(attr));
}

XmlNode XmlDocument::createEntityReference(const QString &name)
{
    requireName(name);
    return adopted(m_data, xmlNewReference(m_data->doc, X(name.toUtf8())));
}

XmlNode XmlDocument::createNode(int type, const QString &name, const QString &namespaceUri)
{
    XmlNode node;
    switch (type) {
    case NodeType::Element: {
        node = createElement(name);
        if (!namespaceUri.isEmpty()) {
            const int colon = name.indexOf(QLatin1Char(':'));
            const QByteArray prefix = colon > 0 ? name.left(colon).toUtf8() : QByteArray();
            xmlNsPtr ns = xmlNewNs(node.rawNode(), X(namespaceUri.toUtf8()), prefix.isEmpty() ? nullptr : X(prefix));
            if (ns)
                xmlSetNs(node.rawNode(), ns);
            if (colon > 0)
                xmlNodeSetName(node.rawNode(), X(name.mid(colon + 1).toUtf8()));
        }
        return node;
    }
    case NodeType::Attribute: return createAttribute(name);
    case NodeType::Text: return createTextNode(QString());
    case NodeType::CDataSection: return createCDATASection(QString());
    case NodeType::Comment: return createComment(QString());
    case NodeType::ProcessingInstruction: return createProcessingInstruction(name, QString());
    case NodeType::EntityReference: return createEntityReference(name);
    case NodeType::DocumentFragment: return createDocumentFragment();
    default: fail(QStringLiteral("Nodes of this type cannot be created."), ComCode::NotImplemented);
    }
}
