#pragma once

#include "document/xmlnode.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// One row of a results dock: the node it is about (null when none, or not found again), where
// that node stood, and the texts of the columns. A row whose path column is empty and which has
// a node shows the node's path as it stands when drawn.
struct ResultRow
{
    XmlNode node;
    QList<int> steps;
    QStringList cells;
    bool warning = false;
};

// The rows of a results dock. Rows are added in batches as a run finds them; once the document
// changes the results are stale and drawn in grey.
class CResultsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    CResultsModel(QStringList headers, int pathColumn, QObject *parent = nullptr);

    void Clear();
    void Append(QList<ResultRow> rows);
    const ResultRow &Row(int row) const { return m_rows.at(row); }
    void SetStale(bool stale);
    bool IsStale() const { return m_stale; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headers;
    int m_pathColumn;
    QList<ResultRow> m_rows;
    bool m_stale = false;
};
