#pragma once

#include "xmlnode.h"

#include <QList>
#include <QString>

struct _xmlDoc;

// One error or warning of a validation.
struct ValidationIssue
{
    bool warning = false;
    long line = 0;
    QString path;     // the node's path; empty for a fault of the schema itself
    QString message;  // libxml2's message
    QList<int> steps; // where the node stands, for XmlSearch::NodeAtSteps; empty when none
};

struct ValidationReport
{
    // False when no validation took place; `failure` says why (no schema named, a schema on the
    // network, a schema that could not be read).
    bool ran = false;
    QString failure;
    QString schemaKind;     // "DTD", "XML Schema" or "RELAX NG"
    QString schemaLocation; // the file validated against; empty for an internal DTD
    QList<ValidationIssue> issues;

    int ErrorCount() const;
    bool IsValid() const { return ran && ErrorCount() == 0; }
};

// Validates a document against the DTD it declares, the XML Schema its root names with
// xsi:schemaLocation or xsi:noNamespaceSchemaLocation, the RELAX NG or XML Schema an xml-model
// instruction names, or a schema file the user chose (".xsd", ".rng", ".dtd"; otherwise told by
// its root element). Schemas and DTDs are read from local files only; those the document names
// only when external files may be resolved.
class XmlValidator
{
public:
    // `documentPath` is the base of relative locations (empty for an untitled document);
    // `chosenSchema` a file the user picked, or empty to use what the document names.
    XmlValidator(const XmlNode &documentNode, QString documentPath, QString chosenSchema, bool resolveExternals);
    ~XmlValidator();
    XmlValidator(const XmlValidator &) = delete;
    XmlValidator &operator=(const XmlValidator &) = delete;

    // Copies the tree, so that validation can go on while the document is edited. The tree must
    // not change while this runs.
    void TakeSnapshot();
    // Validates the copy (any thread) and frees it.
    ValidationReport Validate();

    // The local file a schema location names, relative ones resolved against `baseDir`; empty
    // with the reason when it names a network address.
    static QString LocalSchemaFile(const QString &location, const QString &baseDir, QString *error);

private:
    XmlNode m_document;
    QString m_documentPath;
    QString m_chosenSchema;
    bool m_resolveExternals;
    _xmlDoc *m_copy = nullptr;
    // The declarations of the internal DTD subset as text: a copied DTD loses the links from
    // elements to their attribute declarations, so the subset is read again from this.
    QByteArray m_internalSubset;
};
