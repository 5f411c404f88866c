#pragma once

#include "xmlnode.h"
#include "xmlparseerror.h"

#include <QString>

#include <memory>

struct DomData;
class CTaskProgress;

// The parser document object: one XML tree, the settings that govern loading it, and the report
// of the last failed load. Loading replaces the tree; handles to nodes of the old tree stay valid
// (they keep the old tree alive) but no longer belong to this document.
class XmlDocument
{
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    // Loading is always synchronous; the flag is kept for callers that set it.
    void setAsync(bool async) { m_async = async; }
    bool async() const { return m_async; }
    // Loads the document type definition and validates against it.
    void setValidateOnParse(bool on) { m_validateOnParse = on; }
    bool validateOnParse() const { return m_validateOnParse; }
    // Reads external DTDs and entities, from local files only.
    void setResolveExternals(bool on) { m_resolveExternals = on; }
    bool resolveExternals() const { return m_resolveExternals; }
    // Records where each node stands in the file, so that saving copies every byte that was not
    // edited (on by default; off only to measure what the record costs).
    void setRecordSource(bool on) { m_recordSource = on; }

    // Told the bytes load() has read of the file's size; a cancel there stops the load, which
    // then fails with wasCancelled() true. Null (the default) for none.
    void setProgress(CTaskProgress *progress) { m_progress = progress; }
    // True on success; on failure the tree is empty and parseError() tells why.
    bool load(const QString &path);
    bool wasCancelled() const { return m_cancelled; }
    bool loadXML(const QString &text);
    // Writes the whole tree in the encoding its XML declaration names (UTF-8 when none) through a
    // temporary file beside the target, so a failure leaves the old file whole. Throws CComError.
    void save(const QString &path) const;
    // The whole document as text, the XML declaration as it stands.
    QString xml() const;
    // The same text as UTF-8, without the conversion to QString (half the memory of xml()).
    QByteArray xmlUtf8() const;
    // The bytes save() would write.
    QByteArray serializedBytes() const;
    // How the file the tree was read from is written, where saving still copies from it: whether
    // it broke its lines with CR LF, and the byte-order mark it began with (empty for none).
    bool usesCrLf() const;
    QByteArray byteOrderMark() const;

    const XmlParseError &parseError() const { return m_parseError; }

    XmlNode documentNode() const;
    XmlNode documentElement() const;

    // Each returns a new node owned by this document and in no tree; names and content the
    // parser would refuse raise CComError.
    XmlNode createElement(const QString &name);
    XmlNode createDocumentFragment();
    XmlNode createTextNode(const QString &text);
    XmlNode createComment(const QString &text);
    XmlNode createCDATASection(const QString &text);
    XmlNode createProcessingInstruction(const QString &target, const QString &data);
    XmlNode createAttribute(const QString &name);
    XmlNode createEntityReference(const QString &name);
    XmlNode createNode(int type, const QString &name, const QString &namespaceUri);

private:
    bool finishLoad(void *parserContext, struct _xmlDoc *doc, const QByteArray &head);
    // Drops what was read and reports the load as cancelled; returns false.
    bool cancelLoad();

    std::shared_ptr<DomData> m_data;
    XmlParseError m_parseError;
    bool m_async = true;
    bool m_validateOnParse = false;
    bool m_resolveExternals = false;
    bool m_recordSource = true;
    CTaskProgress *m_progress = nullptr;
    bool m_cancelled = false;
};
