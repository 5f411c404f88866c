#pragma once

#include "document/workspacedoc.h"
#include "document/xmlnode.h"

#include <QList>
#include <QMimeData>
#include <QPointer>

// What a drag of nodes carries from its source to an element tree: the document the nodes are
// in, the nodes, whether they are rows of the node list (attributes, text, comments, ...) or an
// item of an element tree, and the item key the drag started from (the dragged tree item, or the
// element whose rows are dragged). Only this program's windows understand it.
class CNodeDragData : public QMimeData
{
    Q_OBJECT

public:
    static const char *const MimeType;

    CNodeDragData(CWorkSpaceDoc *source, const QList<XmlNode> &nodes, bool nodeListRows, ItemKey sourceItem);

    // Null once the source document is closed.
    CWorkSpaceDoc *SourceDocument() const { return m_source; }
    const QList<XmlNode> &Nodes() const { return m_nodes; }
    bool AreNodeListRows() const { return m_nodeListRows; }
    ItemKey SourceItem() const { return m_sourceItem; }

    QStringList formats() const override;
    bool hasFormat(const QString &mimeType) const override;

private:
    QPointer<CWorkSpaceDoc> m_source;
    QList<XmlNode> m_nodes;
    bool m_nodeListRows;
    ItemKey m_sourceItem;
};
