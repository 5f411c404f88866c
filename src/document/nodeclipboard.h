#pragma once

#include "xmldocument.h"
#include "xmlnode.h"

#include <QHash>
#include <QList>

#include <memory>

// The process-wide node clipboard: cut and copied nodes in a fragment, cut and copied attributes
// on a holder element named "CLIPBOARD". Both live in a document of their own, so the clipboard
// outlives whichever document its nodes came from; putting and pasting copy between documents.
class CNodeClipboard
{
public:
    static CNodeClipboard &instance();

    // Empties the clipboard (new fragment and holder) and lowers the filled flag.
    void Reset();
    XmlNode Fragment() const { return m_fragment; }
    XmlNode Holder() const { return m_holder; }
    bool IsFilled() const { return m_filled; }
    void SetFilled(bool filled) { m_filled = filled; }

    // The document a node on the clipboard was copied from. Its entity references are left as
    // they were; a paste settles them against the declarations of that document.
    void SetOrigin(const XmlNode &copy, const XmlNode &origin) { m_origins.insert(copy, origin); }
    XmlNode Origin(const XmlNode &copy) const { return m_origins.value(copy); }

    // Nodes whose text came from the system clipboard: only their "CLIPBOARD" wrapper is unwrapped.
    void MarkFromSystemClipboard(const XmlNode &node) { m_fromSystem.append(node); }
    bool IsFromSystemClipboard(const XmlNode &node) const { return m_fromSystem.contains(node); }

private:
    CNodeClipboard();

    std::unique_ptr<XmlDocument> m_document;
    XmlNode m_fragment;
    XmlNode m_holder;
    QHash<XmlNode, XmlNode> m_origins;
    QList<XmlNode> m_fromSystem;
    bool m_filled = false;
};
