#include "nodedragdata.h"

#include <QStringList>

const char *const CNodeDragData::MimeType = "application/x-treewright-nodes";

CNodeDragData::CNodeDragData(CWorkSpaceDoc *source, const QList<XmlNode> &nodes, bool nodeListRows, ItemKey sourceItem)
    : m_source(source), m_nodes(nodes), m_nodeListRows(nodeListRows), m_sourceItem(sourceItem)
{
}

QStringList CNodeDragData::formats() const
{
    return {QString::fromLatin1(MimeType)};
}

bool CNodeDragData::hasFormat(const QString &mimeType) const
{
    return mimeType == QLatin1String(MimeType);
}
