// Find and validate on a document, against libxml2 evaluating the same XPath expression or
// validating against the same schema on its own.
#include "benchsupport.h"
#include "measurements.h"

#include "document/workspacedoc.h"
#include "document/xmlsearch.h"
#include "document/xmlvalidator.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlschemas.h>
#include <libxml/xpath.h>

namespace {

// A name that occurs in the data documents' text and in their attribute values.
const char *const Needle = "Rossi";
// What a case-sensitive text search for the needle looks at, in XPath: names, attributes,
// text and CDATA, comments.
const char *const NeedleXPath =
    "//*[contains(name(), 'Rossi')] | //@*[contains(name(), 'Rossi') or contains(., 'Rossi')]"
    " | //text()[contains(., 'Rossi')] | //comment()[contains(., 'Rossi')]";

xmlDocPtr readTree(const std::string &path)
{
    xmlParserMaxDepth = 1000000;
    // The document layer's loader reads nothing outside its own parses; libxml2 alone reads the
    // file through its default one.
    const xmlExternalEntityLoader loader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
    xmlDocPtr doc = xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET);
    xmlSetExternalEntityLoader(loader);
    if (!doc)
        throw BenchError("xmlReadFile failed");
    return doc;
}

// A schema that declares every element name of the document, each with any content and any
// attributes: validation visits every element and attribute, and the document is valid.
QString writeSchema(xmlDocPtr doc, const QTemporaryDir &dir)
{
    QSet<QByteArray> names;
    for (xmlNodePtr node = xmlDocGetRootElement(doc); node;) {
        if (node->type == XML_ELEMENT_NODE)
            names.insert(QByteArray(reinterpret_cast<const char *>(node->name)));
        if (node->type == XML_ELEMENT_NODE && node->children) {
            node = node->children;
            continue;
        }
        while (node && !node->next)
            node = node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
        if (node)
            node = node->next;
    }
    QByteArray xsd = "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n";
    for (const QByteArray &name : names) {
        xsd += "<xs:element name=\"" + name + "\"><xs:complexType mixed=\"true\"><xs:sequence>"
               "<xs:any processContents=\"strict\" minOccurs=\"0\" maxOccurs=\"unbounded\"/></xs:sequence>"
               "<xs:anyAttribute processContents=\"skip\"/></xs:complexType></xs:element>\n";
    }
    xsd += "</xs:schema>\n";
    const QString path = dir.filePath(QStringLiteral("any.xsd"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(xsd) != xsd.size())
        throw BenchError("cannot write the schema");
    return path;
}

class LibxmlXPathFind : public Measurement
{
public:
    void Prepare(const std::string &path) override { m_tree = readTree(path); }
    void Run() override
    {
        xmlXPathContextPtr context = xmlXPathNewContext(m_tree);
        xmlXPathObjectPtr result = xmlXPathEval(BAD_CAST NeedleXPath, context);
        if (!result || !result->nodesetval || result->nodesetval->nodeNr == 0)
            throw BenchError("the expression found nothing");
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
    }
    void Finish() override { xmlFreeDoc(m_tree); }

private:
    xmlDocPtr m_tree = nullptr;
};

class LibxmlValidate : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_tree = readTree(path);
        m_schema = writeSchema(m_tree, m_dir).toStdString();
    }
    void Run() override
    {
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(m_schema.c_str());
        xmlSchemaPtr schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        if (!schema)
            throw BenchError("the schema does not parse");
        xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(schema);
        const int result = xmlSchemaValidateDoc(valid, m_tree);
        xmlSchemaFreeValidCtxt(valid);
        xmlSchemaFree(schema);
        if (result != 0)
            throw BenchError("the document is not valid against its schema");
    }
    void Finish() override { xmlFreeDoc(m_tree); }

private:
    xmlDocPtr m_tree = nullptr;
    QTemporaryDir m_dir;
    std::string m_schema;
};

// The document open in the editor; the measured step runs what the Find and Validate commands
// run on their thread, the result rows included, without the dock.
class OpenForTools : public Measurement
{
public:
    void Prepare(const std::string &path) override
    {
        m_doc = std::make_unique<CWorkSpaceDoc>();
        if (!m_doc->OnOpenDocument(QString::fromStdString(path)))
            throw BenchError("OnOpenDocument failed: " + TakeMessages());
    }
    void Finish() override { m_doc.reset(); }

protected:
    std::unique_ptr<CWorkSpaceDoc> m_doc;
};

class FindInDocument : public OpenForTools
{
public:
    FindInDocument(bool xpath, bool matchCase) : m_xpath(xpath), m_matchCase(matchCase) {}
    void Run() override
    {
        FindOptions options;
        options.xpath = m_xpath;
        options.matchCase = m_matchCase;
        options.pattern = QString::fromLatin1(m_xpath ? NeedleXPath : Needle);
        XmlSearch search(m_doc->GetDOMDocument()->documentNode(), options);
        QString error;
        std::atomic<bool> cancel{false};
        QList<FindHit> found;
        if (!search.Prepare(&error) || !search.Run(cancel, [&](QList<FindHit> hits, double) { found.append(std::move(hits)); }, &error))
            throw BenchError(error.toStdString());
        if (found.isEmpty())
            throw BenchError("nothing found");
    }

private:
    bool m_xpath, m_matchCase;
};

class ValidateDocument : public OpenForTools
{
public:
    void Prepare(const std::string &path) override
    {
        OpenForTools::Prepare(path);
        xmlDocPtr tree = readTree(path);
        m_schema = writeSchema(tree, m_dir);
        xmlFreeDoc(tree);
    }
    void Run() override
    {
        XmlValidator validator(m_doc->GetDOMDocument()->documentNode(), m_doc->GetPathName(), m_schema, false);
        validator.TakeSnapshot();
        const ValidationReport report = validator.Validate();
        if (!report.IsValid())
            throw BenchError("not valid: " + report.failure.toStdString());
    }

private:
    QTemporaryDir m_dir;
    QString m_schema;
};

} // namespace

std::unique_ptr<Measurement> NewLibxmlXPathFind() { return std::make_unique<LibxmlXPathFind>(); }
std::unique_ptr<Measurement> NewLibxmlValidate() { return std::make_unique<LibxmlValidate>(); }
std::unique_ptr<Measurement> NewFindText() { return std::make_unique<FindInDocument>(false, true); }
std::unique_ptr<Measurement> NewFindTextIgnoringCase() { return std::make_unique<FindInDocument>(false, false); }
std::unique_ptr<Measurement> NewFindXPath() { return std::make_unique<FindInDocument>(true, true); }
std::unique_ptr<Measurement> NewValidateDocument() { return std::make_unique<ValidateDocument>(); }
