#include "resultsmodel.h"

#include "document/xmlsearch.h"

#include <QBrush>
#include <QFont>
#include <QPalette>

CResultsModel::CResultsModel(QStringList headers, int pathColumn, QObject *parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)), m_pathColumn(pathColumn)
{
}

void CResultsModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    m_stale = false;
    endResetModel();
}

void CResultsModel::Append(QList<ResultRow> rows)
{
    if (rows.isEmpty())
        return;
    beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + rows.size() - 1));
    m_rows.append(std::move(rows));
    endInsertRows();
}

void CResultsModel::SetStale(bool stale)
{
    if (m_stale == stale)
        return;
    m_stale = stale;
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(int(m_rows.size()) - 1, columnCount() - 1));
}

int CResultsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CResultsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant CResultsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const ResultRow &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QString text = row.cells.value(index.column());
        if (index.column() == m_pathColumn && text.isEmpty() && !row.node.isNull())
            return XmlSearch::PathOf(row.node);
        return text;
    }
    case Qt::ForegroundRole:
        if (m_stale)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        return QVariant();
    case Qt::FontRole:
        if (m_stale) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return QVariant();
    default:
        return QVariant();
    }
}

QVariant CResultsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
