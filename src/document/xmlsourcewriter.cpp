#include "xmlsourcewriter.h"

#include "domdata.h"
#include "xmlsourcemap.h"

#include <libxml/xmlsave.h>

using SourceLex::Npos;

namespace {

// Copies from a mapped file run in steps, letting go of the pages behind each.
constexpr std::size_t CopyStep = std::size_t(16) << 20;

QByteArray qualifiedName(const _xmlNode *node)
{
    QByteArray name(reinterpret_cast<const char *>(node->name));
    if (node->ns && node->ns->prefix)
        name = QByteArray(reinterpret_cast<const char *>(node->ns->prefix)) + ':' + name;
    return name;
}

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

int collect(void *context, const char *buffer, int len)
{
    static_cast<QByteArray *>(context)->append(buffer, len);
    return len;
}

int closeCollect(void *)
{
    return 0;
}

bool isLayout(const SourceLex::Text &text, std::size_t start, std::size_t end)
{
    for (std::size_t i = start; i < end; ++i)
        if (!SourceLex::isSpace(text.data[i]))
            return false;
    return true;
}

} // namespace

XmlSourceWriter::XmlSourceWriter(XmlSourceMap &map, xmlDocPtr doc, const QByteArray &encoding, Sink sink)
    : m_map(map), m_doc(doc), m_encoding(map.DecodedFrom().isEmpty() ? encoding : QByteArray("UTF-8")),
      m_utf8Out(m_encoding.compare("UTF-8", Qt::CaseInsensitive) == 0 || m_encoding.compare("UTF8", Qt::CaseInsensitive) == 0),
      m_sink(std::move(sink))
{
}

void XmlSourceWriter::Write()
{
    const SourceLex::Text &text = m_map.Text();
    bool first = true;
    for (xmlNodePtr node = m_doc->children; node; node = node->next) {
        std::size_t start = 0, end = 0;
        if (m_map.Span(node, &start, &end)) {
            // The layout before a top-level node goes and comes with it.
            Copy(m_map.LeadBefore(start), start);
            WriteTree(node);
        } else {
            if (!first)
                Put(m_map.UsesCrLf() ? QByteArray("\r\n") : QByteArray("\n"));
            Fresh(node);
        }
        first = false;
    }
    Copy(m_map.TopLevelEnd(), text.size);
    m_map.ReleaseBefore(text.size);
}

void XmlSourceWriter::Copy(std::size_t start, std::size_t end)
{
    const SourceLex::Text &text = m_map.Text();
    while (start < end) {
        const std::size_t step = std::min(end - start, CopyStep);
        m_sink(text.data + start, step);
        start += step;
        if (step == CopyStep)
            m_map.ReleaseBefore(start);
    }
}

void XmlSourceWriter::Put(const QByteArray &bytes)
{
    m_sink(bytes.constData(), std::size_t(bytes.size()));
}

void XmlSourceWriter::Fresh(xmlNodePtr node)
{
    QByteArray bytes;
    xmlSaveCtxtPtr save = xmlSaveToIO(&collect, &closeCollect, &bytes, m_encoding.constData(), XML_SAVE_NO_DECL);
    if (!save)
        Dom::fail(QStringLiteral("The document cannot be written in the encoding \"%1\".").arg(QString::fromLatin1(m_encoding)), 0x80004005u);
    const long result = xmlSaveTree(save, node);
    if (xmlSaveClose(save) < 0 || result < 0)
        Dom::fail(QStringLiteral("The document could not be written."), 0x80004005u);
    if (m_map.UsesCrLf() && bytes.contains('\n')) {
        bytes.replace("\r\n", "\n");
        bytes.replace("\n", "\r\n");
    }
    Put(bytes);
}

bool XmlSourceWriter::NeedsRewrite(xmlNodePtr node) const
{
    return m_map.IsEdited(node) || m_map.IsTouched(node) || m_map.IsTagChanged(node);
}

bool XmlSourceWriter::CanWriteNames(xmlNodePtr element) const
{
    // Names are written as they are; in an encoding other than UTF-8 only ASCII ones can be.
    if (m_utf8Out)
        return true;
    if (!isAscii(qualifiedName(element)))
        return false;
    for (xmlAttrPtr a = element->properties; a; a = a->next)
        if (!isAscii(qualifiedName(reinterpret_cast<xmlNodePtr>(a))))
            return false;
    return true;
}

void XmlSourceWriter::WriteTree(xmlNodePtr root)
{
    // Iterative: documents nest far deeper than a stack would allow.
    xmlNodePtr node = root;
    for (;;) {
        std::size_t start = 0, end = 0;
        const bool recorded = m_map.Span(node, &start, &end);
        if (!recorded) {
            Fresh(node);
            if (node != root)
                AfterFresh(node);
        } else if (!NeedsRewrite(node)) {
            if (node->type == XML_TEXT_NODE)
                CopyText(node, start, end);
            else
                Copy(start, end);
        } else if (node->type != XML_ELEMENT_NODE || !CanWriteNames(node)) {
            Fresh(node);
        } else {
            StartTag(node, start, end);
            if (node->children) {
                node = node->children;
                continue;
            }
            EndTag(node, start, end);
        }
        while (node != root && !node->next) {
            node = node->parent;
            if (m_map.Span(node, &start, &end))
                EndTag(node, start, end);
        }
        if (node == root)
            return;
        node = node->next;
    }
}

void XmlSourceWriter::CopyText(xmlNodePtr node, std::size_t start, std::size_t end)
{
    // Where a node between two runs of layout was deleted, the line it stood on goes with it:
    // the first run loses its last line break and the indentation after it.
    const SourceLex::Text &text = m_map.Text();
    if (IndentAppended(node, start, end))
        return;
    xmlNodePtr next = node->next;
    std::size_t nextStart = 0, nextEnd = 0;
    if (next && next->type == XML_TEXT_NODE && !NeedsRewrite(next) && m_map.Span(next, &nextStart, &nextEnd)
        && nextStart != end && isLayout(text, start, end) && isLayout(text, nextStart, nextEnd)) {
        std::size_t cut = end;
        while (cut > start && text.data[cut - 1] != '\n')
            --cut;
        if (cut > start && memchr(text.data + nextStart, '\n', nextEnd - nextStart)) {
            --cut;
            if (cut > start && text.data[cut - 1] == '\r')
                --cut;
            end = cut;
        }
    }
    Copy(start, end);
}

bool XmlSourceWriter::IsLayoutLine(xmlNodePtr node, std::size_t *start, std::size_t *end) const
{
    return node && node->type == XML_TEXT_NODE && !NeedsRewrite(node) && m_map.Span(node, start, end)
        && isLayout(m_map.Text(), *start, *end) && memchr(m_map.Text().data + *start, '\n', *end - *start);
}

bool XmlSourceWriter::IndentAppended(xmlNodePtr layout, std::size_t start, std::size_t end)
{
    // The layout that closed an element, followed now by new nodes only: each new node goes on
    // a line of its own, indented like the element's other children, and the closing layout
    // after the last.
    if (!layout->next || !isLayout(m_map.Text(), start, end))
        return false;
    for (xmlNodePtr n = layout->next; n; n = n->next)
        if (n->_private || n->type == XML_TEXT_NODE)
            return false;
    std::size_t parentStart = 0, parentEnd = 0, indentStart = 0, indentEnd = 0;
    if (!m_map.Span(layout->parent, &parentStart, &parentEnd)
        || SourceLex::contentEnd(m_map.Text(), parentStart, parentEnd) != end || !layout->prev
        || !IsLayoutLine(layout->prev->prev, &indentStart, &indentEnd))
        return false;
    m_indentStart = indentStart;
    m_indentEnd = indentEnd;
    m_closeStart = start;
    m_closeEnd = end;
    Copy(indentStart, indentEnd);
    return true;
}

void XmlSourceWriter::AfterFresh(xmlNodePtr node)
{
    if (m_closeStart != SIZE_MAX) {
        if (node->next) {
            Copy(m_indentStart, m_indentEnd);
        } else {
            Copy(m_closeStart, m_closeEnd);
            m_closeStart = SIZE_MAX;
        }
        return;
    }
    // A new node put before a node of the file, after a line of layout: the same layout follows
    // it, so the node after it keeps its own line.
    std::size_t start = 0, end = 0;
    if (node->next && node->next->type != XML_TEXT_NODE && node->next->_private && IsLayoutLine(node->prev, &start, &end))
        Copy(start, end);
}

QByteArray XmlSourceWriter::Escaped(const xmlChar *value, char quote) const
{
    QByteArray out;
    for (const xmlChar *p = value; p && *p; ++p) {
        const char c = char(*p);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        case '\t': out += "&#9;"; break;
        case '"': out += quote == '"' ? "&quot;" : "\""; break;
        case '\'': out += quote == '\'' ? "&apos;" : "'"; break;
        default:
            if (*p < 0x80 || m_utf8Out) {
                out += c;
            } else {
                // A character the file's encoding may not hold: written as a reference.
                int length = 4;
                const int code = xmlGetUTF8Char(p, &length);
                if (code < 0)
                    Dom::fail(QStringLiteral("The document could not be written."), 0x80004005u);
                out += "&#" + QByteArray::number(code) + ';';
                p += length - 1;
            }
        }
    }
    return out;
}

void XmlSourceWriter::NewStartTag(xmlNodePtr element)
{
    QByteArray tag = '<' + qualifiedName(element);
    for (xmlNsPtr ns = element->nsDef; ns; ns = ns->next) {
        tag += ns->prefix ? " xmlns:" + QByteArray(reinterpret_cast<const char *>(ns->prefix)) : QByteArray(" xmlns");
        tag += "=\"" + Escaped(ns->href, '"') + '"';
    }
    for (xmlAttrPtr a = element->properties; a; a = a->next) {
        xmlChar *value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
        tag += ' ' + qualifiedName(reinterpret_cast<xmlNodePtr>(a)) + "=\"" + Escaped(value, '"') + '"';
        xmlFree(value);
    }
    tag += element->children ? ">" : "/>";
    Put(tag);
}

void XmlSourceWriter::StartTag(xmlNodePtr element, std::size_t start, std::size_t end)
{
    if (m_map.IsTagChanged(element)) {
        NewStartTag(element);
        return;
    }
    const SourceLex::Text &text = m_map.Text();
    const std::size_t tagEnd = SourceLex::tagEnd(text, start);
    const std::size_t nameStop = SourceLex::nameEnd(text, start + 1);
    if (m_map.IsEdited(element))
        Put('<' + qualifiedName(element));
    else
        Copy(start, nameStop);
    std::size_t pos = nameStop;
    SourceLex::Attribute token;
    while (SourceLex::nextAttribute(text, pos, &token)) {
        const QByteArray name(text.data + token.name, qsizetype(token.nameEnd - token.name));
        if (name == "xmlns" || name.startsWith("xmlns:")) {
            Copy(token.lead, token.valueEnd + 1);
        } else {
            xmlAttrPtr attr = element->properties;
            while (attr && XmlSourceMap::AttributeValue(attr) != token.value)
                attr = attr->next;
            if (attr && m_map.IsEdited(attr)) {
                Copy(token.lead, token.value);
                xmlChar *value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr));
                Put(Escaped(value, text.data[token.valueEnd]));
                xmlFree(value);
                Copy(token.valueEnd, token.valueEnd + 1);
            } else if (attr) {
                Copy(token.lead, token.valueEnd + 1);
            } // else: removed, its bytes go
        }
        pos = token.valueEnd + 1;
    }
    // Attributes the file did not have at this element are written after the ones it had.
    for (xmlAttrPtr a = element->properties; a; a = a->next) {
        const std::size_t value = XmlSourceMap::AttributeValue(a);
        if (value != Npos && value > start && value < tagEnd)
            continue;
        xmlChar *content = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
        Put(' ' + qualifiedName(reinterpret_cast<xmlNodePtr>(a)) + "=\"" + Escaped(content, '"') + '"');
        xmlFree(content);
    }
    const bool wasEmpty = SourceLex::contentEnd(text, start, end) == end;
    if (wasEmpty && element->children) {
        Copy(pos, tagEnd - 2);
        Put(">");
    } else {
        Copy(pos, tagEnd);
    }
}

void XmlSourceWriter::EndTag(xmlNodePtr element, std::size_t start, std::size_t end)
{
    const SourceLex::Text &text = m_map.Text();
    const std::size_t content = SourceLex::contentEnd(text, start, end);
    const bool wasEmpty = content == end;
    if (m_map.IsTagChanged(element) || wasEmpty) {
        if (element->children)
            Put("</" + qualifiedName(element) + '>');
        return;
    }
    if (m_map.IsEdited(element)) {
        Put("</" + qualifiedName(element));
        Copy(SourceLex::nameEnd(text, content + 2), end);
    } else {
        Copy(content, end);
    }
}
