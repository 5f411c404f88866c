#include "xmlsourcemap.h"

#include "xmlchecks.h"
#include "domdata.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

using SourceLex::Npos;

namespace {

// How far a pass over a mapped file runs before the pages behind it are let go.
constexpr std::size_t ReleaseStep = std::size_t(32) << 20;

std::size_t asOffset(const void *stored)
{
    return std::size_t(reinterpret_cast<quintptr>(stored)) - 1;
}

void *asStored(std::size_t value)
{
    return reinterpret_cast<void *>(quintptr(value) + 1);
}

// Whether the name written at `pos` is the node's qualified name; compared in place, since the
// scan runs once for every node of documents with millions of them.
bool nameAt(const SourceLex::Text &text, std::size_t pos, const _xmlNode *node, std::size_t *end = nullptr)
{
    const std::size_t stop = SourceLex::nameEnd(text, pos);
    const char *p = text.data + pos;
    std::size_t length = stop - pos;
    if (node->ns && node->ns->prefix && (node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE)) {
        const std::size_t prefix = std::strlen(reinterpret_cast<const char *>(node->ns->prefix));
        if (length <= prefix || std::memcmp(p, node->ns->prefix, prefix) != 0 || p[prefix] != ':')
            return false;
        p += prefix + 1;
        length -= prefix + 1;
    }
    const std::size_t local = std::strlen(reinterpret_cast<const char *>(node->name));
    if (length != local || std::memcmp(p, node->name, local) != 0)
        return false;
    if (end)
        *end = stop;
    return true;
}

bool isNamespaceDeclaration(const SourceLex::Text &text, const SourceLex::Attribute &token)
{
    const std::size_t length = token.nameEnd - token.name;
    return text.startsWith(token.name, "xmlns") && (length == 5 || text.data[token.name + 5] == ':');
}

bool isUtf8Name(const QByteArray &encoding)
{
    return encoding.isEmpty() || encoding.compare("UTF-8", Qt::CaseInsensitive) == 0
        || encoding.compare("UTF8", Qt::CaseInsensitive) == 0;
}

QByteArray declaredEncoding(xmlDocPtr doc)
{
    xmlNodePtr first = doc->children;
    if (first && first->type == XML_PI_NODE && xmlStrEqual(first->name, BAD_CAST "xml"))
        return XmlChecks::declarationEncoding(Dom::fromXml(first->content));
    return QByteArray();
}

} // namespace

XmlSourceMap::~XmlSourceMap()
{
    if (m_mapping)
        ::munmap(m_mapping, m_mappingSize);
    if (m_fd >= 0)
        ::close(m_fd);
}

std::unique_ptr<XmlSourceMap> XmlSourceMap::Build(xmlDocPtr doc, const QString &path)
{
    std::unique_ptr<XmlSourceMap> map(new XmlSourceMap);
    map->m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (map->m_fd < 0 || ::fstat(map->m_fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0)
        return nullptr;
    map->m_mtime = info.st_mtim.tv_sec;
    map->m_mtimeNs = info.st_mtim.tv_nsec;
    map->m_mappingSize = std::size_t(info.st_size);
    void *mapping = ::mmap(nullptr, map->m_mappingSize, PROT_READ, MAP_PRIVATE, map->m_fd, 0);
    if (mapping == MAP_FAILED)
        return nullptr;
    map->m_mapping = mapping;
    const char *raw = static_cast<const char *>(mapping);
    const std::size_t size = map->m_mappingSize;
    const QByteArray head(raw, int(qMin<std::size_t>(size, 4)));

    const QByteArray declared = declaredEncoding(doc);
    QStringDecoder::Encoding wide = QStringDecoder::Utf8;
    if (head.startsWith(QByteArray("\xFF\xFE\0\0", 4)) || head.startsWith(QByteArray("\0\0\xFE\xFF", 4)))
        return nullptr; // UTF-32 is read, but not kept byte for byte
    if (head.startsWith("\xEF\xBB\xBF")) {
        map->m_bom = head.left(3);
    } else if (head.startsWith("\xFF\xFE") || head.startsWith(QByteArray("<\0", 2))) {
        wide = QStringDecoder::Utf16LE;
        map->m_decodedFrom = "UTF-16LE";
    } else if (head.startsWith("\xFE\xFF") || head.startsWith(QByteArray("\0<", 2))) {
        wide = QStringDecoder::Utf16BE;
        map->m_decodedFrom = "UTF-16BE";
    }
    if (wide != QStringDecoder::Utf8 && head.startsWith(wide == QStringDecoder::Utf16LE ? "\xFF\xFE" : "\xFE\xFF"))
        map->m_bom = head.left(2);
    map->m_encoding = declared.isEmpty() ? (map->m_decodedFrom.isEmpty() ? QByteArray("UTF-8") : QByteArray("UTF-16"))
                                         : declared;
    if (wide == QStringDecoder::Utf8) {
        // Read as it is: UTF-8, or an encoding that writes ASCII as ASCII, whose markup the scan
        // below finds just the same.
        if (!map->m_bom.isEmpty() && !isUtf8Name(declared))
            return nullptr;
        map->m_text = SourceLex::Text{raw + map->m_bom.size(), size - std::size_t(map->m_bom.size())};
    } else {
        const QByteArray body = QByteArray::fromRawData(raw + map->m_bom.size(), qsizetype(size) - map->m_bom.size());
        QStringDecoder decoder(wide, QStringConverter::Flag::Stateless);
        const QString decoded = decoder.decode(body);
        QStringEncoder encoder(wide, QStringConverter::Flag::Stateless);
        if (decoder.hasError() || QByteArray(encoder.encode(decoded)) != body)
            return nullptr;
        map->m_decoded = decoded.toUtf8();
        map->m_text = SourceLex::Text{map->m_decoded.constData(), std::size_t(map->m_decoded.size())};
        ::munmap(map->m_mapping, map->m_mappingSize);
        map->m_mapping = nullptr;
    }
    const void *newline = std::memchr(map->m_text.data, '\n', map->m_text.size);
    map->m_crlf = newline && newline != map->m_text.data && static_cast<const char *>(newline)[-1] == '\r';

    // A tree that does not match the text gets no map; the records already made are never read.
    if (!map->Scan(doc))
        return nullptr;
    map->ReleaseBefore(map->m_text.size);
    return map;
}

bool XmlSourceMap::IsCurrent() const
{
    if (!m_mapping)
        return true;
    struct stat info;
    return ::fstat(m_fd, &info) == 0 && std::size_t(info.st_size) == m_mappingSize && info.st_mtim.tv_sec == m_mtime
        && info.st_mtim.tv_nsec == m_mtimeNs;
}

bool XmlSourceMap::Scan(xmlDocPtr doc)
{
    std::size_t pos = 0;
    for (xmlNodePtr node = doc->children; node; node = node->next) {
        pos = SourceLex::skipSpace(m_text, pos);
        const std::size_t start = pos;
        if (node->type == XML_ELEMENT_NODE) {
            if (!ScanElement(node, &pos))
                return false;
        } else if (node->type == XML_DTD_NODE) {
            if (!m_text.startsWith(pos, "<!DOCTYPE") || (pos = SourceLex::doctypeEnd(m_text, pos)) == Npos)
                return false;
            node->_private = asStored(start);
        } else if (node->type == XML_PI_NODE || node->type == XML_COMMENT_NODE) {
            if (!ScanLeaf(node, &pos))
                return false;
        } else {
            return false;
        }
        m_topLevel.emplace_back(start, pos);
    }
    return SourceLex::skipSpace(m_text, pos) == m_text.size;
}

bool XmlSourceMap::ScanLeaf(xmlNodePtr node, std::size_t *pos)
{
    const std::size_t start = *pos;
    std::size_t end = Npos;
    switch (node->type) {
    case XML_TEXT_NODE:
        if (start < m_text.size && m_text.data[start] != '<')
            end = SourceLex::textEnd(m_text, start);
        break;
    case XML_CDATA_SECTION_NODE:
        if (m_text.startsWith(start, "<![CDATA["))
            end = SourceLex::leafEnd(m_text, start);
        break;
    case XML_COMMENT_NODE:
        if (m_text.startsWith(start, "<!--"))
            end = SourceLex::leafEnd(m_text, start);
        break;
    case XML_PI_NODE:
        if (m_text.startsWith(start, "<?") && nameAt(m_text, start + 2, node))
            end = SourceLex::leafEnd(m_text, start);
        break;
    case XML_ENTITY_REF_NODE:
        if (start < m_text.size && m_text.data[start] == '&' && nameAt(m_text, start + 1, node))
            end = SourceLex::leafEnd(m_text, start);
        break;
    default:
        break;
    }
    if (end == Npos || end == start)
        return false;
    node->_private = asStored(start);
    *pos = end;
    return true;
}

bool XmlSourceMap::OpenElement(xmlNodePtr node, std::size_t *pos, bool *hasContent)
{
    const std::size_t start = *pos;
    std::size_t p = 0;
    if (start >= m_text.size || m_text.data[start] != '<' || !nameAt(m_text, start + 1, node, &p))
        return false;
    xmlAttrPtr attr = node->properties;
    SourceLex::Attribute token;
    while (SourceLex::nextAttribute(m_text, p, &token)) {
        if (!isNamespaceDeclaration(m_text, token)) {
            if (!attr || !nameAt(m_text, token.name, reinterpret_cast<xmlNodePtr>(attr)))
                return false;
            attr->_private = asStored(token.value);
            attr = attr->next;
        }
        p = token.valueEnd + 1;
    }
    p = SourceLex::skipSpace(m_text, p);
    const std::size_t index = m_elements.size();
    node->_private = asStored(index);
    if (m_text.startsWith(p, "/>")) {
        if (node->children)
            return false;
        m_elements.emplace_back(start, p + 2);
        *pos = p + 2;
        *hasContent = false;
        return true;
    }
    if (!m_text.startsWith(p, ">"))
        return false;
    m_elements.emplace_back(start, Npos);
    *pos = p + 1;
    *hasContent = true;
    return true;
}

bool XmlSourceMap::CloseElement(xmlNodePtr node, std::size_t *pos)
{
    std::size_t p = *pos;
    if (!m_text.startsWith(p, "</") || !nameAt(m_text, p + 2, node, &p))
        return false;
    p = SourceLex::skipSpace(m_text, p);
    if (!m_text.startsWith(p, ">"))
        return false;
    *pos = p + 1;
    m_elements[asOffset(node->_private)].second = *pos;
    if (*pos - m_released > ReleaseStep)
        ReleaseBefore(*pos);
    return true;
}

bool XmlSourceMap::ScanElement(xmlNodePtr root, std::size_t *pos)
{
    // Iterative: documents nest far deeper than a stack would allow.
    xmlNodePtr node = root;
    for (;;) {
        if (node->type == XML_ELEMENT_NODE) {
            bool hasContent = false;
            if (!OpenElement(node, pos, &hasContent))
                return false;
            if (hasContent && node->children) {
                node = node->children;
                continue;
            }
            if (hasContent && !CloseElement(node, pos))
                return false;
        } else if (!ScanLeaf(node, pos)) {
            return false;
        }
        while (node != root && !node->next) {
            node = node->parent;
            if (!CloseElement(node, pos))
                return false;
        }
        if (node == root)
            return true;
        node = node->next;
    }
}

bool XmlSourceMap::Span(const _xmlNode *node, std::size_t *start, std::size_t *end) const
{
    if (!node->_private)
        return false;
    const std::size_t stored = asOffset(node->_private);
    switch (node->type) {
    case XML_ELEMENT_NODE:
        if (stored >= m_elements.size())
            return false;
        *start = m_elements[stored].first;
        *end = m_elements[stored].second;
        return *end != Npos;
    case XML_TEXT_NODE:
        *start = stored;
        *end = SourceLex::textEnd(m_text, stored);
        return true;
    case XML_DTD_NODE:
        *start = stored;
        *end = SourceLex::doctypeEnd(m_text, stored);
        return *end != Npos;
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE:
        *start = stored;
        *end = SourceLex::leafEnd(m_text, stored);
        return *end != Npos;
    default:
        return false;
    }
}

std::size_t XmlSourceMap::AttributeValue(const _xmlAttr *attribute)
{
    return attribute->_private ? asOffset(attribute->_private) : Npos;
}

std::size_t XmlSourceMap::LeadBefore(std::size_t start) const
{
    std::size_t lead = 0;
    for (const auto &range : m_topLevel) {
        if (range.first >= start)
            break;
        lead = range.second;
    }
    return lead;
}

void XmlSourceMap::Touch(const _xmlNode *node)
{
    for (; node; node = node->parent)
        if (!m_touched.insert(node).second)
            break;
}

void XmlSourceMap::Edited(const _xmlNode *node)
{
    m_edited.insert(node);
    Touch(node->parent);
}

void XmlSourceMap::ChildrenChanged(const _xmlNode *parent)
{
    Touch(parent);
}

void XmlSourceMap::TagChanged(const _xmlNode *element)
{
    m_tagChanged.insert(element);
    Touch(element);
}

void XmlSourceMap::ReleaseBefore(std::size_t pos)
{
    if (!m_mapping)
        return;
    const std::size_t page = std::size_t(::sysconf(_SC_PAGESIZE));
    const std::size_t offset = std::size_t(m_text.data - static_cast<const char *>(m_mapping)) + pos;
    const std::size_t end = offset / page * page;
    if (end > 0)
        ::madvise(m_mapping, end, MADV_DONTNEED);
    m_released = pos;
}
