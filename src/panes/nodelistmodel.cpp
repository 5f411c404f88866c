#include "nodelistmodel.h"

#include "nodeicon.h"

#include <algorithm>
#include <vector>

namespace {

enum Column { NameColumn, TypeColumn, ValueColumn, ColumnCount };

} // namespace

CNodeListModel::CNodeListModel(QObject *parent) : QAbstractTableModel(parent) {}

void CNodeListModel::ResetRows(const QList<XmlNode> &nodes)
{
    beginResetModel();
    m_rows.clear();
    for (const XmlNode &node : nodes)
        m_rows.push_back(MakeRow(node));
    endResetModel();
}

void CNodeListModel::InsertRows(int row, const QList<XmlNode> &nodes)
{
    if (nodes.isEmpty())
        return;
    row = std::clamp(row, 0, int(m_rows.size()));
    beginInsertRows(QModelIndex(), row, row + int(nodes.size()) - 1);
    std::vector<Row> added;
    added.reserve(size_t(nodes.size()));
    for (const XmlNode &node : nodes)
        added.push_back(MakeRow(node));
    m_rows.insert(m_rows.begin() + row, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    endInsertRows();
}

XmlNode CNodeListModel::Node(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[size_t(row)].node : XmlNode();
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
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CNodeListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CNodeListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
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
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return Qt::NoItemFlags;
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
    if (index.column() == NameColumn && m_rows[size_t(index.row())].editableLabel)
        return flags | Qt::ItemIsEditable;
    return flags;
}
