#pragma once

#include "xmlnode.h"

#include <QList>
#include <QString>

#include <atomic>
#include <functional>

// What a search of a document looks for.
struct FindOptions
{
    enum Where {
        ElementNames = 1,
        AttributeNames = 2,
        AttributeValues = 4,
        Text = 8,
        Comments = 16,
        CData = 32,
        Everywhere = 63,
    };
    QString pattern;
    bool matchCase = false;
    bool wholeWord = false;
    bool regularExpression = false;
    // The pattern is an XPath 1.0 expression; the other options do not apply.
    bool xpath = false;
    int where = Everywhere;
};

// One node a search found. The path is made when it is first asked for, from the node as it
// stands then; `matched` is the text that matched, shortened to a line.
struct FindHit
{
    XmlNode node;        // null for an XPath expression whose value is not a node set
    QString kind;        // "element", "attribute", "text", "comment", "CDATA", "value", ...
    QString matched;
    long line = 0;
};

// Searches one document's tree by text or by XPath. The tree must not change while run() goes:
// callers run it off the GUI thread only while edits of the document wait (see CDocumentRun).
class XmlSearch
{
public:
    using Sink = std::function<void(QList<FindHit> batch, double progress)>;

    XmlSearch(const XmlNode &documentNode, FindOptions options);
    ~XmlSearch();
    XmlSearch(const XmlSearch &) = delete;
    XmlSearch &operator=(const XmlSearch &) = delete;

    // Checks the pattern (an empty one, a broken regular expression, an XPath expression that
    // does not compile). False with the reason in `error`.
    bool Prepare(QString *error);
    // Walks the tree in document order and hands the hits to `sink` in batches, the first as
    // soon as there are a few. Stops early when `cancel` is raised or after MaxHits hits. False
    // with the reason when an XPath expression could not be evaluated.
    bool Run(const std::atomic<bool> &cancel, const Sink &sink, QString *error);
    bool StoppedAtLimit() const { return m_stoppedAtLimit; }

    static constexpr int MaxHits = 1000000;

    // "/a/b/" for an element, "/a/b/@id" for an attribute, "/a/b/#text" for its text; the
    // document is "/".
    static QString PathOf(const XmlNode &node);
    // The node at the numbered steps (child indices among all children, from the document down,
    // an attribute as -1 - its index) in the tree of `documentNode`; null when it is gone.
    static XmlNode NodeAtSteps(const XmlNode &documentNode, const QList<int> &steps);

private:
    struct Private;
    Private *d;
    bool m_stoppedAtLimit = false;
};
