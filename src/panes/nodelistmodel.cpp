#include "nodelistmodel.h"

#include "nodeicon.h"

#include <algorithm>

namespace {

enum Column { NameColumn, TypeColumn, ValueColumn, ColumnCount };

} // namespace

CNodeListModel::CNodeListModel(QObject *parent) : QAbstractTableModel(parent) {}

void CNodeListModel::ResetRows(const QList<XmlNode> &nodes)
{
    beginResetModel();
    m_nodes.assign(nodes.cbegin(), nodes.cend());
    endResetModel();
}

void CNodeListModel::InsertRows(int row, const QList<XmlNode> &nodes)
{
    if (nodes.isEmpty())
        return;
    row = std::clamp(row, 0, int(m_nodes.size()));
    beginInsertRows(QModelIndex(), row, row + int(nodes.size()) - 1);
    m_nodes.insert(m_nodes.begin() + row, nodes.cbegin(), nodes.cend());
    endInsertRows();
}

XmlNode CNodeListModel::Node(int row) const
{
    return row >= 0 && row < int(m_nodes.size()) ? m_nodes[size_t(row)] : XmlNode();
}

QString CNodeListModel::Text(int row, int column) const
{
    const XmlNode node = Node(row);
    if (node.isNull())
        return QString();
    switch (column) {
    case NameColumn: return node.nodeName();
    case TypeColumn: return m_typeName ? m_typeName(node) : QString();
    // Entities and notations have no value: their Value column stays empty.
    case ValueColumn: return node.nodeValue();
    default: return QString();
    }
}

bool CNodeListModel::HasEditableLabel(const XmlNode &node)
{
    const int type = node.nodeType();
    return type == NodeType::Attribute || type == NodeType::ProcessingInstruction;
}

int CNodeListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_nodes.size());
}

int CNodeListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CNodeListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_nodes.size()))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Text(index.row(), index.column());
    case Qt::DecorationRole:
        if (index.column() == NameColumn)
            return NodeIcon(Node(index.row()).nodeType());
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant CNodeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case NameColumn: return QStringLiteral("Name");
    case TypeColumn: return QStringLiteral("Type");
    case ValueColumn: return QStringLiteral("Value");
    default: return QVariant();
    }
}

Qt::ItemFlags CNodeListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn && HasEditableLabel(Node(index.row())))
        return flags | Qt::ItemIsEditable;
    return flags;
}
