#include "xmlvalidator.h"

#include "domdata.h"
#include "parserguard.h"
#include "xmlsearch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <libxml/parserInternals.h>
#include <libxml/relaxng.h>
#include <libxml/valid.h>
#include <libxml/xmlschemas.h>

namespace {

const char *const XsiNamespace = "http://www.w3.org/2001/XMLSchema-instance";
const char *const XsdNamespace = "http://www.w3.org/2001/XMLSchema";
const char *const RngNamespace = "http://relaxng.org/ns/structure/1.0";

enum class Kind { None, Dtd, Xsd, Rng };

QString kindName(Kind kind)
{
    switch (kind) {
    case Kind::Dtd: return QStringLiteral("DTD");
    case Kind::Xsd: return QStringLiteral("XML Schema");
    case Kind::Rng: return QStringLiteral("RELAX NG");
    default: return QString();
    }
}

// The kind of a schema file: by its extension, else by its root element.
Kind kindOfFile(const QString &file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("xsd"))
        return Kind::Xsd;
    if (suffix == QLatin1String("rng"))
        return Kind::Rng;
    if (suffix == QLatin1String("dtd"))
        return Kind::Dtd;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return Kind::None;
    const QByteArray head = f.read(4096);
    if (head.contains(XsdNamespace))
        return Kind::Xsd;
    if (head.contains(RngNamespace))
        return Kind::Rng;
    return Kind::Dtd;
}

// The node's place as child indices from the document down.
QList<int> stepsOf(xmlNodePtr node)
{
    QList<int> steps;
    while (node && node->type != XML_DOCUMENT_NODE) {
        int index = 0;
        if (node->type == XML_ATTRIBUTE_NODE) {
            for (xmlAttrPtr a = node->parent ? node->parent->properties : nullptr; a && reinterpret_cast<xmlNodePtr>(a) != node; a = a->next)
                ++index;
            steps.prepend(-1 - index);
        } else {
            for (xmlNodePtr p = node->prev; p; p = p->prev)
                ++index;
            steps.prepend(index);
        }
        node = node->parent;
    }
    return steps;
}

struct Collector
{
    QList<ValidationIssue> issues;
    bool schemaPhase = false;

    static void OnError(void *userData, xmlErrorPtr error)
    {
        auto *self = static_cast<Collector *>(userData);
        if (!error || error->level == XML_ERR_NONE)
            return;
        ValidationIssue issue;
        issue.warning = error->level == XML_ERR_WARNING;
        issue.line = error->line;
        issue.message = QString::fromUtf8(error->message ? error->message : "").trimmed();
        auto *node = static_cast<xmlNodePtr>(error->node);
        if (self->schemaPhase || !node) {
            if (error->file)
                issue.message = QStringLiteral("%1:%2: %3").arg(QString::fromUtf8(error->file)).arg(error->line).arg(issue.message);
        } else {
            issue.steps = stepsOf(node);
            issue.path = XmlSearch::PathOf(XmlNode(std::shared_ptr<DomData>(), node));
            if (issue.line <= 0)
                issue.line = xmlGetLineNo(node);
        }
        self->issues.append(issue);
    }
};

// The pseudo-attributes of an instruction's data: href="..." type='...'.
QString pseudoAttribute(const QString &data, const QString &name)
{
    static const QRegularExpression pair(QStringLiteral("([A-Za-z_:][-\\w.:]*)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)')"));
    for (auto it = pair.globalMatch(data); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1) == name)
            return m.captured(2).isNull() ? m.captured(3) : m.captured(2);
    }
    return QString();
}

} // namespace

int ValidationReport::ErrorCount() const
{
    int count = 0;
    for (const ValidationIssue &issue : issues)
        count += issue.warning ? 0 : 1;
    return count;
}

XmlValidator::XmlValidator(const XmlNode &documentNode, QString documentPath, QString chosenSchema, bool resolveExternals)
    : m_document(documentNode), m_documentPath(std::move(documentPath)), m_chosenSchema(std::move(chosenSchema)),
      m_resolveExternals(resolveExternals)
{
}

XmlValidator::~XmlValidator()
{
    if (m_copy)
        xmlFreeDoc(m_copy);
}

void XmlValidator::TakeSnapshot()
{
    if (m_copy || !m_document.rawNode())
        return;
    auto *doc = reinterpret_cast<xmlDocPtr>(m_document.rawNode());
    m_copy = xmlCopyDoc(doc, 1);
    if (doc->intSubset) {
        xmlBufferPtr buffer = xmlBufferCreate();
        for (xmlNodePtr decl = doc->intSubset->children; decl; decl = decl->next) {
            xmlNodeDump(buffer, doc, decl, 0, 0);
            xmlBufferCCat(buffer, "\n");
        }
        m_internalSubset = QByteArray(reinterpret_cast<const char *>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
        xmlBufferFree(buffer);
    }
}

QString XmlValidator::LocalSchemaFile(const QString &location, const QString &baseDir, QString *error)
{
    const QString trimmed = location.trimmed();
    const QUrl url(trimmed);
    QString file;
    if (url.scheme() == QLatin1String("file"))
        file = url.toLocalFile();
    else if (url.scheme().isEmpty())
        file = QUrl::fromPercentEncoding(trimmed.toUtf8());
    else {
        *error = QStringLiteral("The schema location \"%1\" is on the network. Schemas and DTDs are read only from local files.")
                     .arg(trimmed);
        return QString();
    }
    if (QDir::isRelativePath(file)) {
        if (baseDir.isEmpty()) {
            *error = QStringLiteral("The relative schema location \"%1\" cannot be found before the document is saved.").arg(trimmed);
            return QString();
        }
        file = QDir(baseDir).absoluteFilePath(file);
    }
    return QDir::cleanPath(file);
}

ValidationReport XmlValidator::Validate()
{
    ValidationReport report;
    if (!m_copy) {
        report.failure = QStringLiteral("The document could not be copied for validation.");
        return report;
    }
    xmlDocPtr doc = m_copy;
    xmlNodePtr root = xmlDocGetRootElement(doc);
    const QString baseDir = m_documentPath.isEmpty() ? QString() : QFileInfo(m_documentPath).absolutePath();

    // What to validate against: the file the user chose, an xml-model instruction, the root's
    // schema location, the DTD.
    Kind kind = Kind::None;
    QString location;
    bool named = false; // named by the document rather than chosen
    if (!m_chosenSchema.isEmpty()) {
        location = m_chosenSchema;
        kind = kindOfFile(m_chosenSchema);
    }
    for (xmlNodePtr n = doc->children; kind == Kind::None && n && n != root; n = n->next) {
        if (n->type != XML_PI_NODE || !xmlStrEqual(n->name, BAD_CAST "xml-model"))
            continue;
        const QString data = Dom::fromXml(n->content);
        const QString href = pseudoAttribute(data, QStringLiteral("href"));
        const QString ns = pseudoAttribute(data, QStringLiteral("schematypens"));
        if (href.isEmpty())
            continue;
        if (ns == QLatin1String(RngNamespace) || (ns.isEmpty() && href.endsWith(QLatin1String(".rng"), Qt::CaseInsensitive)))
            kind = Kind::Rng;
        else if (ns == QLatin1String(XsdNamespace) || (ns.isEmpty() && href.endsWith(QLatin1String(".xsd"), Qt::CaseInsensitive)))
            kind = Kind::Xsd;
        else
            continue; // Schematron and compact syntax are not validated here
        location = href;
        named = true;
    }
    if (kind == Kind::None && root) {
        if (xmlChar *value = xmlGetNsProp(root, BAD_CAST "noNamespaceSchemaLocation", BAD_CAST XsiNamespace)) {
            location = Dom::fromXml(value);
            xmlFree(value);
        } else if (xmlChar *pairs = xmlGetNsProp(root, BAD_CAST "schemaLocation", BAD_CAST XsiNamespace)) {
            const QStringList words = Dom::fromXml(pairs).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            xmlFree(pairs);
            const QString rootNs = root->ns ? Dom::fromXml(root->ns->href) : QString();
            for (int i = 0; i + 1 < words.size(); i += 2) {
                if (location.isEmpty() || words.at(i) == rootNs)
                    location = words.at(i + 1);
            }
        }
        if (!location.isEmpty()) {
            kind = Kind::Xsd;
            named = true;
        }
    }
    xmlDtdPtr external = nullptr;
    if (kind == Kind::None && doc->intSubset) {
        kind = Kind::Dtd;
        if (doc->intSubset->SystemID) {
            location = Dom::fromXml(doc->intSubset->SystemID);
            named = true;
        }
    }
    if (kind == Kind::None) {
        report.failure = QStringLiteral("The document names no DTD or schema to validate against. "
                                        "Use \"Validate Against Schema...\" to choose one.");
        return report;
    }
    report.schemaKind = kindName(kind);

    QString file;
    if (!location.isEmpty()) {
        QString error;
        file = LocalSchemaFile(location, baseDir, &error);
        if (file.isEmpty()) {
            report.failure = error;
            return report;
        }
        if (named && !m_resolveExternals) {
            report.failure = QStringLiteral("The document names \"%1\", but external files are read only when "
                                            "\"Resolve Externals\" is on in the settings.").arg(location);
            return report;
        }
        if (!QFileInfo(file).isFile()) {
            report.failure = QStringLiteral("The schema file \"%1\" does not exist.").arg(file);
            return report;
        }
        report.schemaLocation = file;
    }

    // Includes and imports of the schema are read through the same guard as a parse: local
    // files only.
    ParserGuard guard(nullptr, true, true);
    Collector collector;
    xmlSetStructuredErrorFunc(&collector, &Collector::OnError);
    const QByteArray path = QFile::encodeName(file);
    bool schemaRead = true;
    switch (kind) {
    case Kind::Dtd: {
        xmlValidCtxtPtr ctxt = xmlNewValidCtxt();
        ctxt->error = nullptr;
        ctxt->warning = nullptr;
        collector.schemaPhase = true;
        if (!file.isEmpty()) {
            const xmlChar *publicId = doc->intSubset ? doc->intSubset->ExternalID : nullptr;
            external = xmlParseDTD(publicId, Dom::X(path));
            schemaRead = external != nullptr;
        }
        // The internal subset read again, inside a document of its own that lives as long as it.
        xmlDocPtr holder = nullptr;
        xmlDtdPtr internal = nullptr;
        if (doc->intSubset && m_chosenSchema.isEmpty()) {
            const QByteArray name = doc->intSubset->name ? QByteArray(reinterpret_cast<const char *>(doc->intSubset->name)) : "x";
            const QByteArray text = "<!DOCTYPE " + name + " [\n" + m_internalSubset + "]><" + name + "/>";
            holder = xmlReadMemory(text.constData(), int(text.size()), nullptr, "UTF-8", XML_PARSE_NONET | XML_PARSE_NODICT);
            internal = holder ? holder->intSubset : nullptr;
            schemaRead = schemaRead && internal != nullptr;
        }
        collector.schemaPhase = false;
        if (schemaRead && !m_chosenSchema.isEmpty()) {
            xmlValidateDtd(ctxt, doc, external);
        } else if (schemaRead) {
            xmlDtdPtr copied = doc->intSubset;
            doc->intSubset = internal;
            doc->extSubset = external;
            xmlValidateDocument(ctxt, doc);
            doc->intSubset = copied;
            doc->extSubset = nullptr;
        }
        if (external)
            xmlFreeDtd(external);
        if (holder)
            xmlFreeDoc(holder);
        xmlFreeValidCtxt(ctxt);
        break;
    }
    case Kind::Xsd: {
        collector.schemaPhase = true;
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(path.constData());
        xmlSchemaSetParserStructuredErrors(parser, &Collector::OnError, &collector);
        xmlSchemaPtr schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        collector.schemaPhase = false;
        schemaRead = schema != nullptr;
        if (schema) {
            xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(schema);
            xmlSchemaSetValidStructuredErrors(valid, &Collector::OnError, &collector);
            xmlSchemaValidateDoc(valid, doc);
            xmlSchemaFreeValidCtxt(valid);
            xmlSchemaFree(schema);
        }
        break;
    }
    case Kind::Rng: {
        collector.schemaPhase = true;
        xmlRelaxNGParserCtxtPtr parser = xmlRelaxNGNewParserCtxt(path.constData());
        xmlRelaxNGSetParserStructuredErrors(parser, &Collector::OnError, &collector);
        xmlRelaxNGPtr schema = xmlRelaxNGParse(parser);
        xmlRelaxNGFreeParserCtxt(parser);
        collector.schemaPhase = false;
        schemaRead = schema != nullptr;
        if (schema) {
            xmlRelaxNGValidCtxtPtr valid = xmlRelaxNGNewValidCtxt(schema);
            xmlRelaxNGSetValidStructuredErrors(valid, &Collector::OnError, &collector);
            xmlRelaxNGValidateDoc(valid, doc);
            xmlRelaxNGFreeValidCtxt(valid);
            xmlRelaxNGFree(schema);
        }
        break;
    }
    case Kind::None:
        break;
    }
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    report.issues = std::move(collector.issues);
    if (!schemaRead) {
        report.failure = QStringLiteral("The %1 \"%2\" could not be read.").arg(report.schemaKind, file);
        return report;
    }
    report.ran = true;
    xmlFreeDoc(m_copy);
    m_copy = nullptr;
    return report;
}
