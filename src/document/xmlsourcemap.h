#pragma once

// Internal to the DOM layer: where each node of a parsed tree stood in the file it came from, and
// which nodes have changed since, so that saving can copy every stretch the user did not edit.

#include "xmlsourcelex.h"

#include <QByteArray>
#include <QString>

#include <libxml/tree.h>

#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

// Made after a successful parse of a file. The file's bytes stay mapped (read back from the page
// cache when needed, dropped from memory behind each pass over them); a file in UTF-16 is held
// decoded to UTF-8 instead. Each node's record lives in the node's otherwise unused _private
// field: the start of its text (for an element, the number of its start/end pair). Copies of
// nodes have no record, so whatever was not read from this file is written anew.
class XmlSourceMap
{
public:
    ~XmlSourceMap();
    XmlSourceMap(const XmlSourceMap &) = delete;
    XmlSourceMap &operator=(const XmlSourceMap &) = delete;

    // Null when the file's text cannot be matched to the tree node for node (then the document
    // is written the ordinary way, as a whole).
    static std::unique_ptr<XmlSourceMap> Build(xmlDocPtr doc, const QString &path);

    // False when the file was changed in place since it was read: its bytes are then no longer
    // the ones recorded.
    bool IsCurrent() const;
    const SourceLex::Text &Text() const { return m_text; }
    // The byte-order mark the file began with (kept out of Text()).
    const QByteArray &ByteOrderMark() const { return m_bom; }
    // Empty for a file whose bytes are read as they are; "UTF-16LE" or "UTF-16BE" for one held
    // decoded, whose output is encoded back.
    const QByteArray &DecodedFrom() const { return m_decodedFrom; }
    // The encoding the file was read in ("UTF-8" when it named none).
    const QByteArray &Encoding() const { return m_encoding; }
    bool UsesCrLf() const { return m_crlf; }

    // The recorded text of `node`, when it has one: [start, end).
    bool Span(const _xmlNode *node, std::size_t *start, std::size_t *end) const;
    // Where the value of a recorded attribute starts (after its quote); Npos for one not read.
    static std::size_t AttributeValue(const _xmlAttr *attribute);
    // Where the layout before a top-level node starting at `start` begins: the end of the
    // top-level node before it in the file.
    std::size_t LeadBefore(std::size_t start) const;
    // The end of the last top-level node in the file: what follows is its closing layout.
    std::size_t TopLevelEnd() const { return m_topLevel.empty() ? 0 : m_topLevel.back().second; }

    // Marks. Each also marks every ancestor as holding a change.
    // The node's own text no longer stands: a value set, an element renamed.
    void Edited(const _xmlNode *node);
    // Children or attributes of `parent` came or went.
    void ChildrenChanged(const _xmlNode *parent);
    // The namespace declarations of `element` changed: its start tag is written anew.
    void TagChanged(const _xmlNode *element);
    bool IsEdited(const void *node) const { return m_edited.count(node) != 0; }
    bool IsTouched(const void *node) const { return m_touched.count(node) != 0; }
    bool IsTagChanged(const void *node) const { return m_tagChanged.count(node) != 0; }

    // Lets the system drop the mapped pages before `pos` (they are read again when needed).
    void ReleaseBefore(std::size_t pos);

private:
    XmlSourceMap() = default;
    bool Scan(xmlDocPtr doc);
    bool ScanElement(xmlNodePtr root, std::size_t *pos);
    bool ScanLeaf(xmlNodePtr node, std::size_t *pos);
    bool OpenElement(xmlNodePtr node, std::size_t *pos, bool *hasContent);
    bool CloseElement(xmlNodePtr node, std::size_t *pos);
    void Touch(const _xmlNode *node);

    int m_fd = -1;
    void *m_mapping = nullptr;
    std::size_t m_mappingSize = 0;
    long long m_mtime = 0;
    long long m_mtimeNs = 0;
    QByteArray m_decoded;
    SourceLex::Text m_text;
    std::size_t m_released = 0;
    QByteArray m_bom;
    QByteArray m_decodedFrom;
    QByteArray m_encoding;
    bool m_crlf = false;

    std::vector<std::pair<std::size_t, std::size_t>> m_elements;
    std::vector<std::pair<std::size_t, std::size_t>> m_topLevel;
    std::unordered_set<const void *> m_edited;
    std::unordered_set<const void *> m_touched;
    std::unordered_set<const void *> m_tagChanged;
};
