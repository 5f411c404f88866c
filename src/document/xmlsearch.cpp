#include "xmlsearch.h"

#include "domdata.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstring>

namespace {

bool isWordByte(unsigned char c)
{
    // Bytes of multi-byte characters count as letters: a word never ends inside a character.
    return c >= 0x80 || c == '_' || (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

unsigned char lowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? c | 0x20 : c;
}

bool isAscii(const QByteArray &bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The text shown for a match: the value on one line, cut to about a hundred characters around
// the match.
QString excerpt(const char *text, size_t length, size_t at)
{
    const size_t before = 40, span = 100;
    size_t start = at > before ? at - before : 0;
    while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    size_t end = std::min(length, start + span);
    while (end < length && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        ++end;
    QString shown = QString::fromUtf8(text + start, qsizetype(end - start)).simplified();
    if (start > 0)
        shown.prepend(QStringLiteral("..."));
    if (end < length)
        shown.append(QStringLiteral("..."));
    return shown;
}

} // namespace

struct XmlSearch::Private
{
    XmlNode document;
    FindOptions options;
    QByteArray needle;      // UTF-8; lower case when matching ignores case
    bool byteSearch = true; // else the regular expression does the matching
    QRegularExpression expression;
    xmlXPathCompExprPtr compiled = nullptr;
    xmlXPathContextPtr xpathContext = nullptr;
    QString xpathError;

    ~Private()
    {
        if (compiled)
            xmlXPathFreeCompExpr(compiled);
        if (xpathContext)
            xmlXPathFreeContext(xpathContext);
    }

    // The position of the first match in `text`, or -1.
    long long Match(const char *text, size_t length) const
    {
        if (!byteSearch) {
            const QString value = QString::fromUtf8(text, qsizetype(length));
            const QRegularExpressionMatch match = expression.match(value);
            if (!match.hasMatch())
                return -1;
            return value.left(match.capturedStart()).toUtf8().size();
        }
        const size_t n = size_t(needle.size());
        if (n == 0 || n > length)
            return -1;
        const auto *p = reinterpret_cast<const unsigned char *>(needle.constData());
        const auto *t = reinterpret_cast<const unsigned char *>(text);
        for (size_t at = 0; at + n <= length; ++at) {
            if (options.matchCase) {
                const void *found = memmem(t + at, length - at, p, n);
                if (!found)
                    return -1;
                at = size_t(static_cast<const unsigned char *>(found) - t);
            } else {
                const unsigned char first = p[0];
                while (at + n <= length && lowerAscii(t[at]) != first)
                    ++at;
                if (at + n > length)
                    return -1;
                size_t i = 1;
                while (i < n && lowerAscii(t[at + i]) == p[i])
                    ++i;
                if (i < n)
                    continue;
            }
            if (options.wholeWord && ((at > 0 && isWordByte(t[at - 1])) || (at + n < length && isWordByte(t[at + n]))))
                continue;
            return (long long)at;
        }
        return -1;
    }

    static void OnXPathError(void *userData, xmlErrorPtr error)
    {
        auto *self = static_cast<Private *>(userData);
        if (!self->xpathError.isEmpty() || !error)
            return;
        QString text = QString::fromUtf8(error->message ? error->message : "").trimmed();
        if (error->str1 && error->int1 >= 0)
            text += QStringLiteral(" at position %1 of \"%2\"").arg(error->int1 + 1).arg(QString::fromUtf8(error->str1));
        self->xpathError = text;
    }
};

XmlSearch::XmlSearch(const XmlNode &documentNode, FindOptions options)
    : d(new Private)
{
    d->document = documentNode;
    d->options = std::move(options);
}

XmlSearch::~XmlSearch()
{
    delete d;
}

bool XmlSearch::Prepare(QString *error)
{
    const FindOptions &o = d->options;
    if (o.pattern.isEmpty()) {
        *error = QStringLiteral("There is nothing to find.");
        return false;
    }
    if (o.xpath) {
        xmlDocPtr doc = reinterpret_cast<xmlDocPtr>(d->document.rawNode());
        d->xpathContext = xmlXPathNewContext(doc);
        // Names of the expression are not added to the document's dictionary: the GUI thread
        // shares it.
        d->xpathContext->dict = nullptr;
        // Every prefix the document declares can be used in the expression, bound as declared
        // the first time in document order.
        xmlNodePtr node = xmlDocGetRootElement(doc);
        while (node) {
            if (node->type == XML_ELEMENT_NODE) {
                for (xmlNsPtr ns = node->nsDef; ns; ns = ns->next) {
                    if (ns->prefix && !xmlXPathNsLookup(d->xpathContext, ns->prefix))
                        xmlXPathRegisterNs(d->xpathContext, ns->prefix, ns->href);
                }
            }
            if (node->type == XML_ELEMENT_NODE && node->children) {
                node = node->children;
                continue;
            }
            while (node && !node->next)
                node = node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
            if (node)
                node = node->next;
        }
        xmlSetStructuredErrorFunc(d, &Private::OnXPathError);
        d->compiled = xmlXPathCtxtCompile(d->xpathContext, Dom::X(o.pattern.toUtf8()));
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        if (!d->compiled) {
            *error = QStringLiteral("The XPath expression is not valid: %1")
                         .arg(d->xpathError.isEmpty() ? QStringLiteral("it cannot be compiled") : d->xpathError);
            return false;
        }
        return true;
    }
    const QByteArray utf8 = o.pattern.toUtf8();
    d->byteSearch = !o.regularExpression && (o.matchCase || isAscii(utf8));
    if (d->byteSearch) {
        d->needle = o.matchCase ? utf8 : utf8.toLower();
        return true;
    }
    QString source = o.regularExpression ? o.pattern : QRegularExpression::escape(o.pattern);
    if (o.wholeWord)
        source = QStringLiteral("\\b(?:%1)\\b").arg(source);
    d->expression.setPattern(source);
    d->expression.setPatternOptions(o.matchCase ? QRegularExpression::UseUnicodePropertiesOption
                                                : QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    if (!d->expression.isValid()) {
        *error = QStringLiteral("The regular expression is not valid: %1 at position %2.")
                     .arg(d->expression.errorString()).arg(d->expression.patternErrorOffset() + 1);
        return false;
    }
    d->expression.optimize();
    return true;
}

namespace {

QString kindOf(xmlNodePtr node)
{
    switch (node->type) {
    case XML_ELEMENT_NODE: return QStringLiteral("element");
    case XML_ATTRIBUTE_NODE: return QStringLiteral("attribute");
    case XML_TEXT_NODE: return QStringLiteral("text");
    case XML_CDATA_SECTION_NODE: return QStringLiteral("CDATA");
    case XML_COMMENT_NODE: return QStringLiteral("comment");
    case XML_PI_NODE: return QStringLiteral("processing instruction");
    case XML_DOCUMENT_NODE: return QStringLiteral("document");
    default: return QStringLiteral("node");
    }
}

// Batches hits for the sink: the first few at once, then every quarter of a second.
class HitBatcher
{
public:
    explicit HitBatcher(const XmlSearch::Sink &sink) : m_sink(sink) { m_clock.start(); }
    void Add(FindHit hit, double progress)
    {
        m_batch.append(std::move(hit));
        ++m_count;
        if (m_count <= 50 || m_clock.elapsed() > 250)
            Flush(progress);
    }
    void Flush(double progress)
    {
        m_sink(std::move(m_batch), progress);
        m_batch = QList<FindHit>();
        m_clock.restart();
    }
    int Count() const { return m_count; }
    bool TimeForProgress() const { return m_clock.elapsed() > 250; }

private:
    const XmlSearch::Sink &m_sink;
    QList<FindHit> m_batch;
    QElapsedTimer m_clock;
    int m_count = 0;
};

} // namespace

bool XmlSearch::Run(const std::atomic<bool> &cancel, const Sink &sink, QString *error)
{
    const std::shared_ptr<DomData> &owner = d->document.owner();
    xmlDocPtr doc = reinterpret_cast<xmlDocPtr>(d->document.rawNode());
    HitBatcher batcher(sink);
    m_stoppedAtLimit = false;

    if (d->options.xpath) {
        d->xpathError.clear();
        xmlSetStructuredErrorFunc(d, &Private::OnXPathError);
        xmlXPathObjectPtr result = xmlXPathCompiledEval(d->compiled, d->xpathContext);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        if (!result) {
            *error = QStringLiteral("The XPath expression could not be evaluated: %1")
                         .arg(d->xpathError.isEmpty() ? QStringLiteral("unknown error") : d->xpathError);
            return false;
        }
        if (result->type == XPATH_NODESET) {
            const int count = result->nodesetval ? result->nodesetval->nodeNr : 0;
            for (int i = 0; i < count && !cancel.load(std::memory_order_relaxed); ++i) {
                xmlNodePtr node = result->nodesetval->nodeTab[i];
                if (node->type == XML_NAMESPACE_DECL)
                    continue; // a copy made for the result, not a node of the tree
                if (batcher.Count() >= MaxHits) {
                    m_stoppedAtLimit = true;
                    break;
                }
                FindHit hit{XmlNode(owner, node), kindOf(node), QString(), xmlGetLineNo(node)};
                if (node->type == XML_ELEMENT_NODE) {
                    hit.matched = Dom::qualifiedName(node);
                } else {
                    xmlChar *content = xmlNodeGetContent(node);
                    if (content) {
                        hit.matched = excerpt(reinterpret_cast<const char *>(content), strlen(reinterpret_cast<const char *>(content)), 0);
                        xmlFree(content);
                    }
                }
                batcher.Add(std::move(hit), double(i + 1) / count);
            }
        } else {
            xmlChar *value = xmlXPathCastToString(result);
            batcher.Add(FindHit{XmlNode(), QStringLiteral("value"), Dom::fromXml(value), 0}, 1.0);
            xmlFree(value);
        }
        xmlXPathFreeObject(result);
        batcher.Flush(1.0);
        return true;
    }

    const int where = d->options.where;
    xmlNodePtr root = xmlDocGetRootElement(doc);
    // Progress is the share of the root's children passed.
    long long rootChildren = 0, passed = 0;
    if (root) {
        for (xmlNodePtr c = root->children; c; c = c->next)
            ++rootChildren;
    }
    auto progress = [&] { return rootChildren ? double(passed) / double(rootChildren) : 0.0; };
    auto report = [&](xmlNodePtr node, const char *text, size_t length, long long at) {
        if (batcher.Count() >= MaxHits) {
            m_stoppedAtLimit = true;
            return false;
        }
        batcher.Add(FindHit{XmlNode(owner, node), kindOf(node), excerpt(text, length, size_t(at)), xmlGetLineNo(node)}, progress());
        return true;
    };
    auto test = [&](xmlNodePtr node, const xmlChar *value) {
        if (!value)
            return true;
        const char *text = reinterpret_cast<const char *>(value);
        const size_t length = strlen(text);
        const long long at = d->Match(text, length);
        return at < 0 || report(node, text, length, at);
    };

    unsigned steps = 0;
    xmlNodePtr node = doc->children;
    while (node) {
        if ((++steps & 1023) == 0) {
            if (cancel.load(std::memory_order_relaxed))
                break;
            if (batcher.TimeForProgress())
                batcher.Flush(progress());
        }
        bool ok = true;
        switch (node->type) {
        case XML_ELEMENT_NODE:
            if (where & FindOptions::ElementNames) {
                if (node->ns && node->ns->prefix)
                    ok = test(node, Dom::X(Dom::qualifiedName(node).toUtf8()));
                else
                    ok = test(node, node->name);
            }
            if (where & (FindOptions::AttributeNames | FindOptions::AttributeValues)) {
                for (xmlAttrPtr a = node->properties; a && ok; a = a->next) {
                    auto *attr = reinterpret_cast<xmlNodePtr>(a);
                    if (where & FindOptions::AttributeNames)
                        ok = (a->ns && a->ns->prefix) ? test(attr, Dom::X(Dom::qualifiedName(attr).toUtf8())) : test(attr, a->name);
                    if (ok && (where & FindOptions::AttributeValues)) {
                        if (a->children && !a->children->next && a->children->type == XML_TEXT_NODE) {
                            ok = test(attr, a->children->content);
                        } else {
                            xmlChar *value = xmlNodeGetContent(attr);
                            ok = test(attr, value);
                            xmlFree(value);
                        }
                    }
                }
            }
            break;
        case XML_TEXT_NODE:
            if (where & FindOptions::Text)
                ok = test(node, node->content);
            break;
        case XML_CDATA_SECTION_NODE:
            if (where & FindOptions::CData)
                ok = test(node, node->content);
            break;
        case XML_COMMENT_NODE:
            if (where & FindOptions::Comments)
                ok = test(node, node->content);
            break;
        default:
            break;
        }
        if (!ok)
            break;
        // Next in document order; entity references and the DOCTYPE are not entered (their
        // children are declarations shared with the DTD).
        if (node->type == XML_ELEMENT_NODE && node->children) {
            node = node->children;
            continue;
        }
        while (node && !node->next) {
            if (node->parent == root)
                ++passed;
            node = node->parent;
            if (node && node->type == XML_DOCUMENT_NODE)
                node = nullptr;
        }
        if (node) {
            if (node->parent == root)
                ++passed;
            node = node->next;
        }
    }
    batcher.Flush(progress());
    return true;
}

QString XmlSearch::PathOf(const XmlNode &node)
{
    if (node.isNull())
        return QString();
    xmlNodePtr raw = node.rawNode();
    QString tail;
    if (raw->type == XML_ATTRIBUTE_NODE) {
        tail = QLatin1Char('@') + Dom::qualifiedName(raw);
        raw = raw->parent;
    } else if (raw->type == XML_TEXT_NODE) {
        tail = QStringLiteral("#text");
        raw = raw->parent;
    } else if (raw->type == XML_CDATA_SECTION_NODE) {
        tail = QStringLiteral("#cdata-section");
        raw = raw->parent;
    } else if (raw->type == XML_COMMENT_NODE) {
        tail = QStringLiteral("#comment");
        raw = raw->parent;
    } else if (raw->type == XML_PI_NODE) {
        tail = QStringLiteral("?") + Dom::fromXml(raw->name);
        raw = raw->parent;
    }
    QStringList names;
    for (; raw && raw->type != XML_DOCUMENT_NODE; raw = raw->parent)
        names.prepend(Dom::qualifiedName(raw));
    QString path = QLatin1Char('/') + names.join(QLatin1Char('/'));
    if (!names.isEmpty())
        path += QLatin1Char('/');
    return path + tail;
}

XmlNode XmlSearch::NodeAtSteps(const XmlNode &documentNode, const QList<int> &steps)
{
    xmlNodePtr node = documentNode.rawNode();
    if (!node)
        return XmlNode();
    for (int step : steps) {
        if (step < 0) {
            if (node->type != XML_ELEMENT_NODE)
                return XmlNode();
            xmlAttrPtr a = node->properties;
            for (int i = -1 - step; a && i > 0; --i)
                a = a->next;
            if (!a)
                return XmlNode();
            node = reinterpret_cast<xmlNodePtr>(a);
            continue;
        }
        if (node->type != XML_ELEMENT_NODE && node->type != XML_DOCUMENT_NODE)
            return XmlNode();
        xmlNodePtr child = node->children;
        for (int i = step; child && i > 0; --i)
            child = child->next;
        if (!child)
            return XmlNode();
        node = child;
    }
    return XmlNode(documentNode.owner(), node);
}
