#pragma once

// Internal to the DOM layer: writes a tree that has a source map, copying the file's own bytes
// for every stretch that did not change.

#include <QByteArray>

#include <libxml/tree.h>

#include <cstddef>
#include <functional>

class XmlSourceMap;

// Walks the document in order. An unchanged node is copied from the file as it stood; a node
// that changed inside keeps its own tags and is written child by child; a node that changed
// itself, or that was not read from the file, is written by libxml2's serialiser, in the file's
// line-end convention. Markup written anew is in `encoding` (the file's own) for a file read as
// it is, and in UTF-8 for one held decoded.
class XmlSourceWriter
{
public:
    using Sink = std::function<void(const char *, std::size_t)>;

    XmlSourceWriter(XmlSourceMap &map, xmlDocPtr doc, const QByteArray &encoding, Sink sink);
    // Throws CComError when libxml2 cannot write a node.
    void Write();

private:
    void Copy(std::size_t start, std::size_t end);
    void Put(const QByteArray &bytes);
    void Fresh(xmlNodePtr node);
    void WriteTree(xmlNodePtr root);
    void CopyText(xmlNodePtr node, std::size_t start, std::size_t end);
    void StartTag(xmlNodePtr element, std::size_t start, std::size_t end);
    void EndTag(xmlNodePtr element, std::size_t start, std::size_t end);
    void NewStartTag(xmlNodePtr element);
    bool IndentAppended(xmlNodePtr layout, std::size_t start, std::size_t end);
    void AfterFresh(xmlNodePtr node);
    bool IsLayoutLine(xmlNodePtr node, std::size_t *start, std::size_t *end) const;
    bool NeedsRewrite(xmlNodePtr node) const;
    bool CanWriteNames(xmlNodePtr element) const;
    QByteArray Escaped(const xmlChar *value, char quote) const;

    XmlSourceMap &m_map;
    xmlDocPtr m_doc;
    QByteArray m_encoding;
    bool m_utf8Out;
    Sink m_sink;
    // While nodes appended after an element's last line are written: the indentation put before
    // each, and the element's closing layout, put after the last.
    std::size_t m_indentStart = 0, m_indentEnd = 0;
    std::size_t m_closeStart = SIZE_MAX, m_closeEnd = 0;
};
